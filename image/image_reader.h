// Reads a FAT12 or FAT16 volume image: this program's own, or one made by
// any other tool. The boot sector, the FATs, every chain and directory are
// checked on the way; long names are skipped, the 8.3 names are used.
// CheckImage reads an image whole (and compares it with the entry list it
// was made from); the unpacking reads it one directory per step.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"

class TEntryList;

struct TImageCheck {
  // Figures read from the boot sector.
  int32_t ClusterSize = 0;
  int32_t Clusters = 0;  // clusters of the data area
  int32_t SectorsPerFat = 0;
  int64_t ImageSize = 0;
  int32_t Directories = 0;  // below the root
  int32_t Files = 0;
  int32_t UsedClusters = 0;
  // What does not hold, in the order found (the first 50); empty for a
  // sound image. ProblemCount counts them all.
  std::vector<std::string> Problems;
  std::size_t ProblemCount = 0;
  bool Ok() const { return ProblemCount == 0; }
  void AddProblem(std::string text);
};

// One file or directory of the image, as its record gives it.
struct TImageItem {
  std::string Path;  // image path as the records spell it: \A\B.TXT, \README
  bool Directory = false;
  uint32_t Size = 0;  // files only
  uint16_t FirstCluster = 0;
  // The chain agrees with the size and is owned by nothing else: its bytes
  // can be read.
  bool Readable = false;
};

// A piece of a file's data that lies in one run of the image file.
struct TDataRun {
  int64_t Offset = 0;  // in the image file
  std::size_t Length = 0;
};

class TImageReader {
 public:
  explicit TImageReader(std::string path);
  ~TImageReader();
  TImageReader(const TImageReader&) = delete;
  TImageReader& operator=(const TImageReader&) = delete;

  // Opens the image and reads its boot sector and FATs. False when nothing
  // more can be read; the problems say why.
  bool Open();
  // Reads the next directory of a depth-first walk, the root first, adding
  // an item for each of its records. False once every directory is read.
  bool ReadDirectory();
  // After the walk: the clusters marked used that belong to nothing.
  void Finish();
  // Open, every directory and Finish in one go.
  void ReadAll();

  // Every item found so far, in directory order (a directory before what
  // it holds).
  const std::vector<TImageItem>& Items() const { return ItemList; }
  const TImageCheck& Result() const { return Check; }
  // Clusters the FAT marks used, known after Open(): what the walk will
  // claim in a sound image, so a measure of its progress.
  int32_t MarkedClusters() const { return Marked; }
  // Open() succeeded: the items can be read.
  bool IsOpen() const { return Opened; }
  // Open() found no image file to read at all (missing, unreadable, a
  // folder, another kind of image), rather than a damaged one.
  bool Unreadable() const { return CannotRead; }
  // What the file is when it is another well-known kind of image ("a FAT32
  // volume ..."); "" otherwise.
  const std::string& ForeignFormat() const { return Format; }
  // The image file, open for reading after Open().
  TFileHandle Fd() const { return File; }

  // The runs of a readable file's data, in order: call with position 0
  // first, then with the position the last call returned, until it gives
  // false. Each run holds at most max bytes and whole clusters but the last.
  struct TCursor {
    uint32_t Cluster = 0;
    uint64_t Done = 0;
  };
  bool NextRun(const TImageItem& item, TCursor& cursor, std::size_t max, TDataRun& run) const;

 private:
  struct TLayout;
  struct TLevel;
  void Problem(const std::string& text);
  bool ReadAt(int64_t offset, void* data, std::size_t n) const;
  bool ReadBoot();
  bool ReadFats();
  bool ClaimChain(uint16_t first, uint32_t owner, const std::string& path,
                  std::vector<uint16_t>* chain, uint32_t* length);
  bool ReadRecords(const std::string& path, uint16_t cluster, uint32_t owner,
                   std::vector<uint8_t>& records);
  long TakeRecord(TLevel& level, std::size_t slot, const uint8_t* r);
  void CheckFile(std::size_t index);
  void Advance();

  std::string Path;
  TImageCheck Check;
  TFileHandle File = NoFile;
  std::unique_ptr<TLayout> L;
  std::vector<uint16_t> Fat;     // entry per cluster, FAT12 values widened
  std::vector<uint32_t> Owner;   // item index + 1 for each claimed cluster
  std::vector<TImageItem> ItemList;
  std::vector<TLevel> Stack;     // the directories being walked
  bool Opened = false;
  bool CannotRead = false;
  std::string Format;
  int32_t Marked = 0;
  bool RootRead = false;
  long Pending = -1;             // a directory item to enter next
  std::string BootLabel;         // the boot sector's volume label, if it has one
  bool LabelSeen = false;
};

// Checks the image at path; with entries, also that each entry is in the
// image at its image path with its source's bytes (or as a directory).
TImageCheck CheckImage(const std::string& path, const TEntryList* entries = nullptr);
