// Real failures for tests: a folder nobody may write into, a disk that is
// nearly full, and a limit on the size of files this process writes. Each
// undoes itself when it goes out of scope; Why() says why one could not be
// set up here (the test then skips).
#pragma once

#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>
#include <string>

#ifdef _WIN32
// Windows has no small file system to mount over a folder, no write bits
// on folders and no limit on file size: the tests that need them skip.
class TMountedFolder {
 public:
  TMountedFolder(const std::string&, const std::string&, unsigned long = 0) {}
  const std::string& Why() const { return Reason; }
  bool Ok() const { return false; }

 private:
  std::string Reason = "Windows cannot mount a small file system over a folder";
};

class TReadOnlyFolder {
 public:
  explicit TReadOnlyFolder(const std::string&) {}
  const std::string& Why() const { return Reason; }
  bool Ok() const { return false; }
  std::string Refusal() const { return {}; }

 private:
  std::string Reason = "a folder on Windows has no write bits to take away";
};
#else
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

// Whether this process may write into folder, as the kernel judges it now.
inline bool CanCreateIn(const std::string& folder) {
  std::string probe = folder + "/.probe";
  int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
  if (fd < 0) return false;
  ::close(fd);
  ::unlink(probe.c_str());
  return true;
}

// A small file system mounted over an empty folder; only root may mount.
class TMountedFolder {
 public:
  TMountedFolder(const std::string& folder, const std::string& options, unsigned long flags = 0)
      : Folder(folder) {
    if (::geteuid() != 0) {
      Reason = "only root can mount a small file system";
    } else if (::mount("tmpfs", folder.c_str(), "tmpfs", flags, options.c_str()) != 0) {
      Reason = std::string("mounting a tmpfs is not allowed here: ") + std::strerror(errno);
    } else {
      Mounted = true;
    }
  }
  ~TMountedFolder() {
    if (Mounted) ::umount2(Folder.c_str(), MNT_DETACH);
  }
  TMountedFolder(const TMountedFolder&) = delete;
  TMountedFolder& operator=(const TMountedFolder&) = delete;
  const std::string& Why() const { return Reason; }
  bool Ok() const { return Mounted; }

 private:
  std::string Folder, Reason;
  bool Mounted = false;
};

// A folder that refuses new files: its write bits taken away, or, for root
// (whom permissions do not stop), a read-only file system mounted over it.
class TReadOnlyFolder {
 public:
  explicit TReadOnlyFolder(const std::string& folder) : Folder(folder) {
    ::chmod(folder.c_str(), 0555);
    if (!CanCreateIn(folder)) return;
    // Large enough that a free-space check passes and the open itself fails.
    Mount = std::make_unique<TMountedFolder>(folder, "size=64m", MS_RDONLY);
    if (!Mount->Ok()) Reason = "write bits do not stop this user, and " + Mount->Why();
  }
  ~TReadOnlyFolder() {
    Mount.reset();
    ::chmod(Folder.c_str(), 0755);
  }
  const std::string& Why() const { return Reason; }
  bool Ok() const { return Reason.empty(); }
  // What the system says to a file made there.
  std::string Refusal() const { return std::strerror(Mount ? EROFS : EACCES); }

 private:
  std::string Folder, Reason;
  std::unique_ptr<TMountedFolder> Mount;
};

// Files this process writes may not grow past bytes: a write beyond gets
// EFBIG from the kernel (SIGXFSZ is ignored meanwhile, as a program that
// checks its writes would have it).
class TFileSizeLimit {
 public:
  explicit TFileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &Saved);
    OldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = Saved;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~TFileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &Saved);
    std::signal(SIGXFSZ, OldHandler);
  }
  TFileSizeLimit(const TFileSizeLimit&) = delete;
  TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

 private:
  rlimit Saved{};
  void (*OldHandler)(int) = nullptr;
};
#endif
