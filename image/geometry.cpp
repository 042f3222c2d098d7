#include "image/geometry.h"

#include <limits>

#include "image/ceil_div.h"
#include "image/dir_record.h"

int64_t ClustersFor(int64_t bytes, int32_t clusterSize) {
  return CeilDiv<int64_t>(bytes, clusterSize);
}

void AddClusters(int32_t& total, int64_t n) {
  const int64_t limit = std::numeric_limits<int32_t>::max();
  int64_t sum = static_cast<int64_t>(total) + n;
  total = static_cast<int32_t>(sum > limit ? limit : sum);
}

void CountFile(TBuildState& s, int64_t size) {
  for (int i = 0; i < CandidateCount; ++i)
    AddClusters(s.ClusterCounts[i], ClustersFor(size, s.ClusterSizes[i]));
}

void CountDirectory(TBuildState& s, std::size_t records) {
  int64_t bytes = static_cast<int64_t>(records) * Rec::RecordSize;
  for (int i = 0; i < CandidateCount; ++i)
    AddClusters(s.ClusterCounts[i], ClustersFor(bytes, s.ClusterSizes[i]));
}

bool ChooseClusterSize(TBuildState& s) {
  for (int i = 0; i < CandidateCount; ++i) {
    if (s.ClusterCounts[i] <= MaxClusterCount) {
      s.Chosen = i;
      return true;
    }
  }
  return false;
}

bool ComputeLayout(TBuildState& s) {
  const int64_t sector = BootBytesPerSector(s.BootSector);
  const int64_t rootEntries = BootRootEntries(s.BootSector);
  const int64_t cluster = s.ClusterSizes[s.Chosen];
  s.RootDirSectors = static_cast<int32_t>(CeilDiv(rootEntries * Rec::RecordSize, sector));
  const int64_t used = s.ClusterCounts[s.Chosen];
  const int64_t total = used < MinClusterCount ? MinClusterCount : used;
  s.FreeClusters = static_cast<int32_t>(total - used);
  // Two bytes per cluster and for the two reserved entries, whole sectors.
  const int64_t sectorsPerFat = CeilDiv((total + 2) * 2, sector);
  SetBootSectorsPerFat(s.BootSector, static_cast<uint16_t>(sectorsPerFat));
  const int64_t exact =
      total * cluster + sector + 2 * sectorsPerFat * sector + s.RootDirSectors * sector;
  const int64_t size = CeilDiv(exact, cluster) * cluster;
  if (size > MaxImageSize) return false;
  s.ImageSize = static_cast<int32_t>(size);
  s.TailBytes = static_cast<int32_t>(size - exact);
  return true;
}
