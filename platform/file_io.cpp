#include "platform/file_io.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
// Longest name the folder of path takes.
std::size_t NameLimit(const std::string& folder) {
  long limit = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
  return limit > 0 ? static_cast<std::size_t>(limit) : NAME_MAX;
}

// renameat2 with RENAME_NOREPLACE: one atomic step where the kernel and the
// file system have it. glibc's wrapper is newer than some systems we build
// on, so the call goes by number.
int RenameNoReplace(const char* from, const char* to) {
#if defined(SYS_renameat2)
  constexpr unsigned NoReplace = 1;  // RENAME_NOREPLACE
  return static_cast<int>(::syscall(SYS_renameat2, AT_FDCWD, from, AT_FDCWD, to, NoReplace));
#else
  errno = ENOSYS;
  return -1;
#endif
}
}  // namespace

std::string CreateFileBeside(const std::string& path) {
  const std::string folder = FolderOfPath(path);
  std::string base = NameOfPath(path);
  // "." + name + ".XXXXXX": a name near the limit gives up its end instead.
  constexpr std::size_t Added = 8;
  const std::size_t limit = NameLimit(folder);
  if (base.size() + Added > limit) base.resize(limit > Added ? limit - Added : 0);
  std::string name = JoinPath(folder, "." + base + ".XXXXXX");
  int fd = ::mkstemp(name.data());
  if (fd < 0) return std::string();
  // The finished image gets the permissions of any new file, not mkstemp's.
  mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  ::close(fd);
  return name;
}

bool RenameWithoutReplacing(const std::string& from, const std::string& to) {
  if (RenameNoReplace(from.c_str(), to.c_str()) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return false;
  // No such rename here: a hard link fails on an existing name as well.
  if (::link(from.c_str(), to.c_str()) == 0) {
    ::unlink(from.c_str());
    return true;
  }
  if (errno == EEXIST) return false;
  // A file system without links either: look, then rename. Only a file
  // that appears between the two calls can still be replaced.
  struct stat st;
  if (::lstat(to.c_str(), &st) == 0) {
    errno = EEXIST;
    return false;
  }
  return ::rename(from.c_str(), to.c_str()) == 0;
}
