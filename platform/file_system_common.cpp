// What both sides of the file-system layer share: the loops around partial
// reads and writes, and path splitting.
#include <cerrno>

#include "platform/file_system.h"

bool ReadAllAt(TFileHandle file, void* data, std::size_t n, int64_t offset) {
  uint8_t* p = static_cast<uint8_t*>(data);
  while (n > 0) {
    int64_t r = ReadFileAt(file, p, n, offset);
    if (r < 0) return false;
    if (r == 0) {
      errno = EIO;  // the file ended before the bytes asked for
      return false;
    }
    p += r;
    n -= static_cast<std::size_t>(r);
    offset += r;
  }
  return true;
}

bool WriteAllAt(TFileHandle file, const void* data, std::size_t n, int64_t offset) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  while (n > 0) {
    int64_t w = WriteFileAt(file, p, n, offset);
    if (w < 0) return false;
    if (w == 0) {
      errno = ENOSPC;
      return false;
    }
    p += w;
    n -= static_cast<std::size_t>(w);
    offset += w;
  }
  return true;
}

std::string FolderOfPath(const std::string& path) {
  std::size_t end = path.size();
  while (end > 0 && !IsPathSeparator(path[end - 1])) --end;
  if (end == 0) return ".";
  std::size_t cut = end - 1;  // the separator
  // A root keeps its separator: "/", "C:\", "\".
  if (cut == 0 || (cut == 2 && path[1] == ':' && PathSeparator() == '\\'))
    return path.substr(0, cut + 1);
  return path.substr(0, cut);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (IsPathSeparator(folder.back())) return folder + name;
  return folder + PathSeparator() + name;
}
