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

int64_t ReadFully(int fd, void* data, std::size_t n, int64_t offset) {
  uint8_t* p = static_cast<uint8_t*>(data);
  std::size_t got = 0;
  while (got < n) {
    ssize_t r = offset < 0 ? ::read(fd, p + got, n - got)
                           : ::pread(fd, p + got, n - got, offset + int64_t(got));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) return -1;
    if (r == 0) break;  // the end of the file
    got += static_cast<std::size_t>(r);
  }
  return static_cast<int64_t>(got);
}

bool WriteFully(int fd, const void* data, std::size_t n, int64_t offset) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  std::size_t put = 0;
  while (put < n) {
    ssize_t w = offset < 0 ? ::write(fd, p + put, n - put)
                           : ::pwrite(fd, p + put, n - put, offset + int64_t(put));
    if (w < 0 && errno == EINTR) continue;
    if (w < 0) return false;
    if (w == 0) {
      errno = ENOSPC;
      return false;
    }
    put += static_cast<std::size_t>(w);
  }
  return true;
}

std::string CreateFileBeside(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  // "." + name + ".XXXXXX": a name near the limit gives up its end instead.
  constexpr std::size_t Added = 8;
  const std::size_t limit = NameLimit(folder);
  if (base.size() + Added > limit) base.resize(limit > Added ? limit - Added : 0);
  std::string name = folder + "." + base + ".XXXXXX";
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

bool SyncFile(int fd) {
  while (::fsync(fd) != 0)
    if (errno != EINTR) return false;
  return true;
}
