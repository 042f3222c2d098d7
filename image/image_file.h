// The output file of a build: created or cut to length zero, written mostly
// by appending, with records and FAT entries patched in place and first
// clusters read back. Appends are gathered in a buffer; the head of the
// image (boot sector, FATs, root directory), which every step patches, can
// be kept in memory, and patches to what was already written are gathered by
// page; all of it goes out at Close(). So a build makes few system calls.
// Every operation reports failure, with errno kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/page_buffer.h"

class TImageFile {
 public:
  // Appends reach the system in pieces of this size.
  static constexpr std::size_t BufferSize = 1 << 20;

  TImageFile() = default;
  ~TImageFile();
  TImageFile(const TImageFile&) = delete;
  TImageFile& operator=(const TImageFile&) = delete;

  // Opens path for reading and writing, created or cut to length zero.
  bool Create(const std::string& path);
  bool IsOpen() const { return Fd != NoFile; }
  // Keeps bytes 0..size-1 in memory until Close(); call before appending.
  void KeepHead(int64_t size);
  // Bytes written so far: the offset of the next append.
  int64_t Size() const { return End; }

  bool Append(const void* data, std::size_t n);
  bool AppendZeros(std::size_t n);
  // Room for n more bytes (n <= BufferSize) at the end, to be filled by the
  // caller: the bytes count as written. Null on failure.
  uint8_t* AppendSpace(std::size_t n);
  // Writes or reads bytes that lie inside what was already written.
  bool WriteAt(int64_t offset, const void* data, std::size_t n);
  bool ReadAt(int64_t offset, void* data, std::size_t n);

  // Writes out what is held and closes; with sync, only once the file has
  // reached the disk. False when anything failed.
  bool Close(bool sync = false);
  // errno of the first failure, 0 when none.
  int Error() const { return LastError; }

 private:
  bool Flush();
  bool Fail(int error);
  bool CheckRange(int64_t offset, std::size_t n);

  TFileHandle Fd = NoFile;
  int64_t End = 0;      // logical size
  int64_t Flushed = 0;  // bytes before the buffer: in the head or in the file
  TPageBuffer Buffer;  // bytes Flushed .. End
  std::size_t Used = 0;
  std::vector<uint8_t> Head;  // bytes 0 .. HeadSize, while kept
  std::size_t HeadSize = 0;
  // Pages of the file already written out that records were patched into
  // since: they go out once, at Close(), instead of one write per record.
  static constexpr int64_t PageSize = 4096;
  std::map<int64_t, std::vector<uint8_t>> Patches;
  std::vector<uint8_t>* PatchPage(int64_t page);
  int LastError = 0;
};
