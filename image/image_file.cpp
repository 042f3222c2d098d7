#include "image/image_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {
// Appends go out in pieces of this size: large enough that a build makes
// few system calls, small enough to stay well inside the memory budget.
constexpr std::size_t FlushSize = 4 << 20;

bool WriteAll(int fd, const uint8_t* p, std::size_t n, int64_t offset) {
  while (n > 0) {
    ssize_t w = pwrite(fd, p, n, offset);
    if (w < 0) {
      if (errno == EINTR) continue;
      return false;
    }
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
}  // namespace

TImageFile::~TImageFile() {
  if (Fd >= 0) ::close(Fd);
}

bool TImageFile::Fail(int error) {
  if (LastError == 0) LastError = error ? error : EIO;
  return false;
}

bool TImageFile::Create(const std::string& path) {
  if (Fd >= 0) Close();
  End = Flushed = 0;
  Buffer.clear();
  LastError = 0;
  Fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (Fd < 0) return Fail(errno);
  Buffer.reserve(FlushSize);
  return true;
}

bool TImageFile::Flush() {
  if (Buffer.empty()) return true;
  if (!WriteAll(Fd, Buffer.data(), Buffer.size(), Flushed)) return Fail(errno);
  Flushed += static_cast<int64_t>(Buffer.size());
  Buffer.clear();
  return true;
}

bool TImageFile::Append(const void* data, std::size_t n) {
  if (Fd < 0 || LastError) return Fail(LastError ? LastError : EBADF);
  const uint8_t* p = static_cast<const uint8_t*>(data);
  while (n > 0) {
    if (Buffer.size() >= FlushSize && !Flush()) return false;
    std::size_t room = FlushSize - Buffer.size();
    std::size_t take = n < room ? n : room;
    Buffer.insert(Buffer.end(), p, p + take);
    p += take;
    n -= take;
    End += static_cast<int64_t>(take);
  }
  return true;
}

bool TImageFile::AppendZeros(std::size_t n) {
  if (Fd < 0 || LastError) return Fail(LastError ? LastError : EBADF);
  while (n > 0) {
    if (Buffer.size() >= FlushSize && !Flush()) return false;
    std::size_t room = FlushSize - Buffer.size();
    std::size_t take = n < room ? n : room;
    Buffer.resize(Buffer.size() + take, 0);
    n -= take;
    End += static_cast<int64_t>(take);
  }
  return true;
}

bool TImageFile::WriteAt(int64_t offset, const void* data, std::size_t n) {
  if (Fd < 0 || LastError) return Fail(LastError ? LastError : EBADF);
  if (offset < 0 || offset + static_cast<int64_t>(n) > End) return Fail(EINVAL);
  const uint8_t* p = static_cast<const uint8_t*>(data);
  if (offset < Flushed) {
    std::size_t head = static_cast<std::size_t>(
        std::min<int64_t>(Flushed - offset, static_cast<int64_t>(n)));
    if (!WriteAll(Fd, p, head, offset)) return Fail(errno);
    p += head;
    n -= head;
    offset += static_cast<int64_t>(head);
  }
  if (n > 0) std::memcpy(Buffer.data() + (offset - Flushed), p, n);
  return true;
}

bool TImageFile::ReadAt(int64_t offset, void* data, std::size_t n) {
  if (Fd < 0 || LastError) return Fail(LastError ? LastError : EBADF);
  if (offset < 0 || offset + static_cast<int64_t>(n) > End) return Fail(EINVAL);
  uint8_t* p = static_cast<uint8_t*>(data);
  while (n > 0 && offset < Flushed) {
    std::size_t want = static_cast<std::size_t>(
        std::min<int64_t>(Flushed - offset, static_cast<int64_t>(n)));
    ssize_t r = pread(Fd, p, want, offset);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return Fail(r < 0 ? errno : EIO);
    p += r;
    n -= static_cast<std::size_t>(r);
    offset += r;
  }
  if (n > 0) std::memcpy(p, Buffer.data() + (offset - Flushed), n);
  return true;
}

bool TImageFile::Close() {
  if (Fd < 0) return LastError == 0;
  bool ok = LastError == 0 && Flush();
  if (::close(Fd) != 0 && ok) ok = Fail(errno);
  Fd = -1;
  Buffer.clear();
  Buffer.shrink_to_fit();
  return ok;
}
