// Everything one image build works on, from the scan to the last byte.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "image/boot_sector.h"
#include "image/dir_record.h"
#include "image/image_file.h"
#include "image/image_tree.h"

// The driver's states; the numbers are the stored values.
enum class TBuildStage : int32_t {
  Scan = 0,
  Idle = 1,
  Count = 2,
  Open = 3,
  Finish = 4,
  Fats = 5,
  RootDir = 6,
  Data = 7,
};

// A file whose copy goes on over several steps: its source stays open
// between them, so that no step holds the window or the terminal long.
struct TFileCopy {
  TFileHandle Source = NoFile;  // open while a copy is under way
  TImageInfo* Node = nullptr;  // the file being copied
  int64_t Done = 0;            // bytes appended, the closing zeros included
};

constexpr int CandidateCount = 8;  // cluster sizes 512 .. 65536 bytes
// WalkIndex has one slot per tree level; the root's children are level 0.
constexpr int MaxWalkDepth = 64;
// A directory may be entered only at levels 0..62, so that the walk's next
// level still has a slot: at most 63 directories on the way to any node.
constexpr int MaxDirectoryLevels = MaxWalkDepth - 1;
// A directory holds at most this many records, "." and ".." included: FAT
// readers count them in 16 bits, and a directory may span at most 2 MiB.
constexpr int MaxDirectoryRecords = 65536;

struct TBuildState {
  TBuildState();
  ~TBuildState();
  TBuildState(const TBuildState&) = delete;
  TBuildState& operator=(const TBuildState&) = delete;

  int32_t EntryCount = 0;
  int32_t StepIndex = 0;
  int32_t ClustersWritten = 0;
  TBuildStage State = TBuildStage::Idle;
  int32_t ItemCount = 0;
  int32_t Depth = 0;
  int32_t Chosen = 0;
  int32_t ImageSize = 0;
  int32_t TailBytes = 0;
  int32_t PadBytes = 0;  // zeros after the tail, beyond the volume
  int32_t RootDirSectors = 0;
  int32_t FreeClusters = 0;
  std::array<int32_t, CandidateCount> ClusterCounts{};
  std::array<int32_t, CandidateCount> ClusterSizes{};
  int32_t Fat1Offset = 0;
  int32_t Fat2Offset = 0;
  int32_t RootDirOffset = 0;
  int32_t DataOffset = 0;
  uint16_t NextCluster = 0;
  TBootRecord BootSector{};
  TDirRecord DirRecord{};
  TFileCopy Copy;
  std::unique_ptr<TChildArray> Root;
  TImageFile ImageFile;
  std::string ImageName;  // the file the user chose

  // Start of a build: Scan, counters zero, an empty root, the candidates.
  void Begin(int32_t entryCount);
  // Drops the tree, the open source and the open image file, whichever way
  // a build ends.
  void Release();
  // Cluster size of the chosen candidate.
  int32_t ClusterSize() const { return ClusterSizes[Chosen]; }
};

// Program-wide: the list window reads FailedEntry after the build is gone.
extern int32_t FailedEntry;
extern std::array<int32_t, MaxWalkDepth> WalkIndex;
