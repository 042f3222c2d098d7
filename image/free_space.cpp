#include "image/free_space.h"

#include "platform/file_system.h"

bool FolderFreeSpace(const std::string& folder, uint64_t& freeUnits, uint64_t& unitSize) {
  return FreeSpaceOf(folder, freeUnits, unitSize);
}
