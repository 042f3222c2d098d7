// The output file of a build: created or cut to length zero, written mostly
// by appending, with records and FAT entries patched in place and first
// clusters read back. Appends are gathered in a large buffer so that a build
// makes few system calls; every operation reports failure, with errno kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class TImageFile {
 public:
  TImageFile() = default;
  ~TImageFile();
  TImageFile(const TImageFile&) = delete;
  TImageFile& operator=(const TImageFile&) = delete;

  // Opens path for reading and writing, created or cut to length zero.
  bool Create(const std::string& path);
  bool IsOpen() const { return Fd >= 0; }
  // Bytes written so far: the offset of the next append.
  int64_t Size() const { return End; }

  bool Append(const void* data, std::size_t n);
  bool AppendZeros(std::size_t n);
  // Writes or reads bytes that lie inside what was already written.
  bool WriteAt(int64_t offset, const void* data, std::size_t n);
  bool ReadAt(int64_t offset, void* data, std::size_t n);

  // Writes out what is buffered and closes; false when anything failed.
  bool Close();
  // errno of the first failure, 0 when none.
  int Error() const { return LastError; }

 private:
  bool Flush();
  bool Fail(int error);

  int Fd = -1;
  int64_t End = 0;      // logical size
  int64_t Flushed = 0;  // bytes already handed to the system
  std::vector<uint8_t> Buffer;  // bytes Flushed .. End
  int LastError = 0;
};
