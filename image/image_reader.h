// Reads an image back and checks it: the boot sector, both FATs, every
// chain and directory, and, given the entry list it was made from, every
// file's bytes against its source. Used by `qvimage --check` and the tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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
  // What does not hold, in the order found; empty for a sound image.
  std::vector<std::string> Problems;
  bool Ok() const { return Problems.empty(); }
};

// Checks the image at path; with entries, also that each entry is in the
// image at its image path with its source's bytes (or as a directory).
TImageCheck CheckImage(const std::string& path, const TEntryList* entries = nullptr);
