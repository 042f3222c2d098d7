// How many clusters the tree needs, which cluster size is chosen, and how
// the volume is laid out around it.
#pragma once

#include <cstdint>

#include "image/build_state.h"

// FAT16 cluster numbers run 2..0xFFEF.
constexpr int32_t MaxClusterCount = 65518;
// Smaller volumes get empty clusters up to this count.
constexpr int32_t MinClusterCount = 4096;
// Sizes and offsets of the image are signed 32-bit values.
constexpr int64_t MaxImageSize = 2147483647;

// Clusters of clusterSize bytes that bytes need: 0 for 0, else rounded up.
int64_t ClustersFor(int64_t bytes, int32_t clusterSize);
// Adds n clusters to a total without wrapping: a total that would pass the
// 32-bit range stays at its largest value, which no layout accepts.
void AddClusters(int32_t& total, int64_t n);
// Adds a file's or directory's clusters for every candidate size.
void CountFile(TBuildState& state, int64_t size);
void CountDirectory(TBuildState& state, std::size_t records);

// Sets Chosen to the first candidate whose count fits FAT16; false if none.
bool ChooseClusterSize(TBuildState& state);
// Sets RootDirSectors, sectors per FAT, FreeClusters, ImageSize and
// TailBytes for the chosen size; false when the image would be too large.
bool ComputeLayout(TBuildState& state);
