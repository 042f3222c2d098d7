// What both sides of the file-system layer share: the loops around partial
// reads and writes, reading a file whole, and path splitting.
#include <algorithm>
#include <cerrno>
#include <utility>

#include "platform/file_io.h"
#include "platform/file_system.h"
#include "platform/page_buffer.h"

int64_t ReadFully(TFileHandle fd, void* data, std::size_t n, int64_t offset) {
  uint8_t* p = static_cast<uint8_t*>(data);
  std::size_t got = 0;
  while (got < n) {
    const int64_t r = offset < 0 ? ReadNext(fd, p + got, n - got)
                                 : ReadFileAt(fd, p + got, n - got, offset + int64_t(got));
    if (r < 0) return -1;
    if (r == 0) break;  // the end of the file
    got += static_cast<std::size_t>(r);
  }
  return static_cast<int64_t>(got);
}

bool WriteFully(TFileHandle fd, const void* data, std::size_t n, int64_t offset) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  std::size_t put = 0;
  while (put < n) {
    const int64_t w = offset < 0 ? WriteNext(fd, p + put, n - put)
                                 : WriteFileAt(fd, p + put, n - put, offset + int64_t(put));
    if (w < 0) return false;
    if (w == 0) {
      errno = ENOSPC;
      return false;
    }
    put += static_cast<std::size_t>(w);
  }
  return true;
}

namespace {
// Where the last name of path begins and where it ends, final separators
// left out.
std::pair<std::size_t, std::size_t> LastNameOf(const std::string& path) {
  const std::size_t drive = DriveLength(path);
  std::size_t end = path.size();
  while (end > drive + 1 && IsPathSeparator(path[end - 1])) --end;
  std::size_t begin = end;
  while (begin > drive && !IsPathSeparator(path[begin - 1])) --begin;
  return {begin, end};
}
}  // namespace

std::string FolderOfPath(const std::string& path) {
  std::size_t cut = LastNameOf(path).first;
  // The separator before the name goes, unless it is the root's own.
  if (cut > DriveLength(path) + 1 && IsPathSeparator(path[cut - 1])) --cut;
  return path.substr(0, cut);
}

std::string FolderHolding(const std::string& path) {
  const std::string folder = FolderOfPath(path);
  return folder.empty() ? "." : folder;
}

std::string NameOfPath(const std::string& path) {
  const auto [begin, end] = LastNameOf(path);
  return path.substr(begin, end - begin);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (IsPathSeparator(folder.back())) return folder + name;
  return folder + PathSeparator() + name;
}

bool IsAbsolutePath(const std::string& path) {
  if (path.empty()) return false;
  if (PathSeparator() == '/') return path[0] == '/';
  return IsPathSeparator(path[0]) ||
         (path.size() >= 3 && path[1] == ':' && IsPathSeparator(path[2]));
}

namespace {
// The system's copy hands over whole memory pages when the bytes keep
// their place in a page; otherwise it copies each page in two parts, and
// reading into a buffer and writing from it is quicker.
constexpr int64_t PageSize = 4096;
// Large enough for few calls, small enough to stay in the processor's
// cache between the read and the write. Larger writes let the system fill
// the new file in larger blocks of memory, which into room set aside were
// at times several times slower (docs/benchmarks.md has the figures).
constexpr std::size_t CopyBuffer = 64 << 10;
}  // namespace

bool CopyFileBytes(TFileHandle in, int64_t offset, TFileHandle out, int64_t outOffset,
                   std::size_t n) {
  // Once the system cannot, it is not asked again.
  static thread_local bool systemCopy = true;
  while (n > 0 && systemCopy && (offset - outOffset) % PageSize == 0) {
    const int64_t r = SystemCopy(in, offset, out, outOffset, n);
    if (r > 0) {
      offset += r;
      outOffset += r;
      n -= static_cast<std::size_t>(r);
      continue;
    }
    if (r == 0) {
      errno = EIO;  // in ended early
      return false;
    }
    if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP) return false;
    systemCopy = false;
  }
  static thread_local TPageBuffer buffer;
  if (n > 0 && buffer.Empty()) buffer.Reserve(CopyBuffer);
  while (n > 0) {
    const std::size_t want = std::min(n, buffer.Size());
    const int64_t r = ReadFully(in, buffer.Data(), want, offset);
    if (r != int64_t(want)) {
      if (r >= 0) errno = EIO;  // in ended early
      return false;
    }
    if (!WriteFully(out, buffer.Data(), want, outOffset)) return false;
    offset += r;
    outOffset += r;
    n -= want;
  }
  return true;
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
  bytes.clear();
  TFileHandle file = OpenWholeForReading(path);
  if (file == NoFile) return false;
  char buffer[1 << 16];
  for (;;) {
    int64_t r = ReadNext(file, buffer, sizeof buffer);
    if (r < 0) {
      int error = errno;
      CloseFile(file);
      errno = error;
      return false;
    }
    if (r == 0) break;
    bytes.append(buffer, static_cast<std::size_t>(r));
  }
  CloseFile(file);
  return true;
}
