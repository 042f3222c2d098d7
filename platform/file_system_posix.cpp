// The file-system layer on POSIX systems: thin wrappers that retry calls
// interrupted by a signal.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#if defined(__linux__)
#include <linux/magic.h>
#include <sys/vfs.h>
#endif
#include <unistd.h>

#include <vector>

#include "platform/file_io.h"
#include "platform/file_system.h"

namespace {
// The read bit that applies to this program, as the system picks it: the
// owner's, else the group's, else the others'. Files that everyone may read
// (the usual 644) need no question about who the program is.
bool BitsLetRead(const struct stat& st) {
  const bool user = st.st_mode & S_IRUSR, group = st.st_mode & S_IRGRP,
             other = st.st_mode & S_IROTH;
  if (user && group && other) return true;
  static const uid_t me = ::geteuid();  // the program never changes its ids
  if (me == 0) return true;             // root reads whatever the bits say
  if (st.st_uid == me) return user;
  if (group == other) return other;
  if (st.st_gid == ::getegid()) return group;
  const int n = ::getgroups(0, nullptr);
  std::vector<gid_t> groups(n > 0 ? static_cast<std::size_t>(n) : 0);
  if (n > 0 && ::getgroups(n, groups.data()) == n)
    for (gid_t g : groups)
      if (g == st.st_gid) return group;
  return other;
}

void Fill(const struct stat& st, TPathInfo& info) {
  info.Kind = S_ISREG(st.st_mode)   ? TPathKind::File
              : S_ISDIR(st.st_mode) ? TPathKind::Directory
                                    : TPathKind::Other;
  info.Size = st.st_size;
  info.MayRead = BitsLetRead(st);
  info.Device = static_cast<uint64_t>(st.st_dev);
  info.Id = static_cast<uint64_t>(st.st_ino);
}

int Fd(TFileHandle file) { return static_cast<int>(file); }

TFileHandle Open(const std::string& path, int flags) {
  int fd;
  do fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666); while (fd < 0 && errno == EINTR);
  return fd < 0 ? NoFile : fd;
}
}  // namespace

bool PathInfo(const std::string& path, TPathInfo& info) {
  info = TPathInfo();
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  Fill(st, info);
  return true;
}

bool LinkInfo(const std::string& path, TPathInfo& info) {
  info = TPathInfo();
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return false;
  Fill(st, info);
  return true;
}

bool HandleInfo(TFileHandle file, TPathInfo& info) {
  info = TPathInfo();
  struct stat st;
  if (::fstat(Fd(file), &st) != 0) return false;
  Fill(st, info);
  return true;
}

// Non-blocking, so that a source swapped for a pipe cannot hang the build.
TFileHandle OpenForReading(const std::string& path) { return Open(path, O_RDONLY | O_NONBLOCK); }
TFileHandle OpenForWriting(const std::string& path) { return Open(path, O_RDWR | O_CREAT); }
TFileHandle CreateNewFile(const std::string& path) {
  return Open(path, O_RDWR | O_CREAT | O_EXCL);
}

bool CloseFile(TFileHandle file) { return file != NoFile && ::close(Fd(file)) == 0; }

int64_t ReadNext(TFileHandle file, void* data, std::size_t n) {
  ssize_t r;
  do r = ::read(Fd(file), data, n); while (r < 0 && errno == EINTR);
  return r;
}

int64_t WriteNext(TFileHandle file, const void* data, std::size_t n) {
  ssize_t w;
  do w = ::write(Fd(file), data, n); while (w < 0 && errno == EINTR);
  return w;
}

int64_t ReadFileAt(TFileHandle file, void* data, std::size_t n, int64_t offset) {
  ssize_t r;
  do r = ::pread(Fd(file), data, n, offset); while (r < 0 && errno == EINTR);
  return r;
}

int64_t WriteFileAt(TFileHandle file, const void* data, std::size_t n, int64_t offset) {
  ssize_t w;
  do w = ::pwrite(Fd(file), data, n, offset); while (w < 0 && errno == EINTR);
  return w;
}

bool CutFile(TFileHandle file, int64_t size) {
  int r;
  do r = ::ftruncate(Fd(file), size); while (r < 0 && errno == EINTR);
  return r == 0;
}

bool ReserveFileSpace(TFileHandle file, int64_t size) {
#if defined(__linux__)
  // A file system in memory takes its room as the bytes come: setting it
  // aside first would only clear that memory before it is written over.
  struct statfs fs {};
  if (::fstatfs(Fd(file), &fs) == 0 && fs.f_type == TMPFS_MAGIC) {
    errno = EOPNOTSUPP;
    return false;
  }
#endif
  return TakeFileSpace(file, size);
}

bool TakeFileSpace(TFileHandle file, int64_t size) {
#if defined(__linux__)
  // Keeping the size is the one way FAT file systems take it ahead.
  int r;
  do r = ::fallocate(Fd(file), FALLOC_FL_KEEP_SIZE, 0, size); while (r < 0 && errno == EINTR);
  return r == 0;
#else
  (void)file, (void)size;
  errno = ENOSYS;
  return false;
#endif
}

bool SyncFile(TFileHandle file) {
  int r;
  do r = ::fsync(Fd(file)); while (r < 0 && errno == EINTR);
  return r == 0;
}

bool WriteOutRange(TFileHandle file, int64_t offset, int64_t n, bool wait) {
#if defined(__linux__)
  const unsigned how = wait ? SYNC_FILE_RANGE_WAIT_BEFORE | SYNC_FILE_RANGE_WRITE |
                                  SYNC_FILE_RANGE_WAIT_AFTER
                            : SYNC_FILE_RANGE_WRITE;
  int r;
  do r = ::sync_file_range(Fd(file), offset, n, how); while (r < 0 && errno == EINTR);
  // A system or file system without the call: SyncFile writes it all.
  return r == 0 || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP;
#else
  (void)file, (void)offset, (void)n, (void)wait;
  return true;
#endif
}

TFileHandle OpenForReadingBack(const std::string& path) {
  const TFileHandle file = Open(path, O_RDONLY);
  // Pages the disk holds (the file was flushed) are dropped, so that the
  // reads that follow come from the disk.
  if (file != NoFile) ::posix_fadvise(Fd(file), 0, 0, POSIX_FADV_DONTNEED);
  return file;
}

bool SyncFolder(const std::string& folder) {
  const TFileHandle fd = Open(folder, O_RDONLY | O_DIRECTORY);
  if (fd == NoFile) return false;
  // Some file systems keep no folder apart to flush: nothing to do there.
  const bool ok = SyncFile(fd) || errno == EINVAL;
  const int error = errno;
  ::close(Fd(fd));
  errno = error;
  return ok;
}

bool RenameFile(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool FolderNames(const std::string& folder, std::vector<std::string>& names) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return false;
  errno = 0;
  while (const dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  return true;
}

bool FreeSpaceOf(const std::string& folder, uint64_t& freeUnits, uint64_t& unitSize) {
  struct statvfs fs {};
  if (::statvfs(folder.c_str(), &fs) != 0) return false;
  freeUnits = fs.f_bavail;
  unitSize = fs.f_frsize ? fs.f_frsize : fs.f_bsize;
  return true;
}

bool IsPathSeparator(char c) { return c == '/'; }
char PathSeparator() { return '/'; }
std::size_t DriveLength(const std::string&) { return 0; }
// Files here have only their own names.
std::string SystemShortPath(const std::string&) { return std::string(); }

std::string DriveOfFolder(const std::string& folder) {
  return !folder.empty() && folder.back() == '/' ? folder : folder + '/';
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

// Blocking: a list may come from a pipe (qvimage <(...)).
TFileHandle OpenWholeForReading(const std::string& path) { return Open(path, O_RDONLY); }

bool ErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

int ErrorTerminalColumns() {
  winsize ws{};
  return ::ioctl(STDERR_FILENO, TIOCGWINSZ, &ws) == 0 ? ws.ws_col : 0;
}

std::string WorkingFolder() {
  std::vector<char> buffer(PATH_MAX);
  if (!::getcwd(buffer.data(), buffer.size())) return "/";
  return buffer.data();
}

std::string LinkTarget(const std::string& path) {
  struct stat st;
  std::vector<char> resolved(PATH_MAX);
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) &&
      ::realpath(path.c_str(), resolved.data()))
    return resolved.data();
  return path;
}

bool KeepPermissionsOf(const std::string& like, TFileHandle file) {
  struct stat st;
  mode_t mode;
  if (::stat(like.c_str(), &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  return ::fchmod(Fd(file), mode) == 0;
}

TFileHandle OpenFolder(const std::string& path) { return Open(path, O_RDONLY | O_DIRECTORY); }

TFileHandle OpenFolderIn(TFileHandle folder, const std::string& name) {
  int fd;
  do fd = ::openat(Fd(folder), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  while (fd < 0 && errno == EINTR);
  return fd < 0 ? NoFile : fd;
}

bool MakeFolder(const std::string& path) { return ::mkdir(path.c_str(), 0777) == 0; }

bool MakeFolderIn(TFileHandle folder, const std::string& name) {
  return ::mkdirat(Fd(folder), name.c_str(), 0777) == 0;
}

TFileHandle CreateNewFileIn(TFileHandle folder, const std::string& name) {
  int fd;
  do fd = ::openat(Fd(folder), name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                   0666);
  while (fd < 0 && errno == EINTR);
  return fd < 0 ? NoFile : fd;
}

bool RemoveFileIn(TFileHandle folder, const std::string& name) {
  return ::unlinkat(Fd(folder), name.c_str(), 0) == 0;
}

bool RenameIn(TFileHandle folder, const std::string& from, const std::string& to) {
  return ::renameat(Fd(folder), from.c_str(), Fd(folder), to.c_str()) == 0;
}

bool LinkInfoIn(TFileHandle folder, const std::string& relative, TPathInfo& info) {
  info = TPathInfo();
  struct stat st;
  if (::fstatat(Fd(folder), relative.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  Fill(st, info);
  return true;
}

int64_t SystemCopy(TFileHandle in, int64_t offset, TFileHandle out, int64_t outOffset,
                   std::size_t n) {
#if defined(__linux__)
  ssize_t r;
  do {
    loff_t from = offset, to = outOffset;
    r = ::copy_file_range(Fd(in), &from, Fd(out), &to, n, 0);
  } while (r < 0 && errno == EINTR);
  return r;
#else
  (void)in, (void)offset, (void)out, (void)outOffset, (void)n;
  errno = ENOSYS;
  return -1;
#endif
}
