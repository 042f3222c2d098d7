#include "image/cd_medium.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "image/ceil_div.h"
#include "platform/file_system.h"

int64_t PaddedToCdBlocks(int64_t bytes) { return CeilDiv(bytes, DiscBlockSize) * DiscBlockSize; }

int64_t BytesBeyondCd(int64_t bytes, int64_t blocks) {
  return std::max<int64_t>(0, bytes - blocks * DiscBlockSize);
}

std::string CardImageName(const std::string& folder) {
  std::vector<std::string> names;
  FolderNames(folder, names);
  // A FAT card finds names whatever their case; so does this.
  for (std::string& name : names)
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  for (int id = FirstCardId; id <= LastCardId; ++id) {
    const std::string number = std::to_string(id);
    if (std::find(names.begin(), names.end(), "CD" + number + ".ISO") == names.end())
      return JoinPath(folder, "CD" + number + ".iso");
  }
  return std::string();
}
