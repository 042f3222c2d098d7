#include "image/free_space.h"

#include <sys/statvfs.h>

bool FolderFreeSpace(const std::string& folder, uint64_t& freeUnits, uint64_t& unitSize) {
  struct statvfs fs {};
  if (statvfs(folder.c_str(), &fs) != 0) return false;
  freeUnits = fs.f_bavail;
  unitSize = fs.f_frsize ? fs.f_frsize : fs.f_bsize;
  return true;
}
