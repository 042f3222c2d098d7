#include "image/image_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/file_io.h"
#include "platform/file_system.h"

TImageFile::~TImageFile() {
  if (Fd != NoFile) CloseFile(Fd);
}

bool TImageFile::Fail(int error) {
  if (LastError == 0) LastError = error ? error : EIO;
  return false;
}

bool TImageFile::Create(const std::string& path) {
  if (Fd != NoFile) Close();
  End = Flushed = 0;
  Used = 0;
  Head.clear();
  HeadSize = 0;
  Patches.clear();
  LastError = 0;
  // An existing file is cut only when it holds something: truncating makes
  // some file systems write the whole new image out again at close.
  Fd = OpenForWriting(path);
  if (Fd == NoFile) return Fail(errno);
  TPathInfo info;
  if (!HandleInfo(Fd, info) || (info.Size != 0 && !CutFile(Fd, 0))) {
    int error = errno;
    CloseFile(Fd);
    Fd = NoFile;
    return Fail(error);
  }
  if (Buffer.Empty()) Buffer.Reserve(BufferSize);
  return true;
}

void TImageFile::KeepHead(int64_t size) {
  if (End == 0 && size > 0) HeadSize = static_cast<std::size_t>(size);
}

bool TImageFile::Flush() {
  std::size_t from = 0;
  if (Head.size() < HeadSize) {  // the head is still being written
    from = std::min(Used, HeadSize - Head.size());
    Head.insert(Head.end(), Buffer.Data(), Buffer.Data() + from);
  }
  if (Used > from &&
      !WriteFully(Fd, Buffer.Data() + from, Used - from, Flushed + static_cast<int64_t>(from)))
    return Fail(errno);
  Flushed += static_cast<int64_t>(Used);
  Used = 0;
  return true;
}

uint8_t* TImageFile::AppendSpace(std::size_t n) {
  if (Fd == NoFile || LastError || n > BufferSize) {
    Fail(LastError ? LastError : EBADF);
    return nullptr;
  }
  if (Used + n > BufferSize && !Flush()) return nullptr;
  uint8_t* p = Buffer.Data() + Used;
  Used += n;
  End += static_cast<int64_t>(n);
  return p;
}

bool TImageFile::Append(const void* data, std::size_t n) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  while (n > 0) {
    std::size_t take = std::min(n, BufferSize);
    uint8_t* space = AppendSpace(take);
    if (!space) return false;
    std::memcpy(space, p, take);
    p += take;
    n -= take;
  }
  return true;
}

bool TImageFile::AppendZeros(std::size_t n) {
  while (n > 0) {
    std::size_t take = std::min(n, BufferSize);
    uint8_t* space = AppendSpace(take);
    if (!space) return false;
    std::memset(space, 0, take);
    n -= take;
  }
  return true;
}

bool TImageFile::CheckRange(int64_t offset, std::size_t n) {
  if (Fd == NoFile || LastError) return Fail(LastError ? LastError : EBADF);
  if (offset < 0 || offset + static_cast<int64_t>(n) > End) return Fail(EINVAL);
  return true;
}

// A range is in the head, in the file, or in the buffer, or spans them.
bool TImageFile::WriteAt(int64_t offset, const void* data, std::size_t n) {
  if (!CheckRange(offset, n)) return false;
  const uint8_t* p = static_cast<const uint8_t*>(data);
  while (n > 0) {
    std::size_t take;
    if (offset < static_cast<int64_t>(Head.size())) {
      take = std::min<std::size_t>(n, Head.size() - static_cast<std::size_t>(offset));
      std::memcpy(Head.data() + offset, p, take);
    } else if (offset < Flushed) {
      const int64_t page = offset / PageSize, within = offset % PageSize;
      take = std::min<std::size_t>({n, static_cast<std::size_t>(Flushed - offset),
                                    static_cast<std::size_t>(PageSize - within)});
      std::vector<uint8_t>* patch = PatchPage(page);
      if (!patch) return false;
      std::memcpy(patch->data() + within, p, take);
    } else {
      take = n;
      std::memcpy(Buffer.Data() + (offset - Flushed), p, take);
    }
    p += take;
    n -= take;
    offset += static_cast<int64_t>(take);
  }
  return true;
}

bool TImageFile::ReadAt(int64_t offset, void* data, std::size_t n) {
  if (!CheckRange(offset, n)) return false;
  uint8_t* p = static_cast<uint8_t*>(data);
  while (n > 0) {
    std::size_t take;
    if (offset < static_cast<int64_t>(Head.size())) {
      take = std::min<std::size_t>(n, Head.size() - static_cast<std::size_t>(offset));
      std::memcpy(p, Head.data() + offset, take);
    } else if (auto patch = Patches.find(offset / PageSize);
               patch != Patches.end() &&
               offset % PageSize < static_cast<int64_t>(patch->second.size())) {
      const std::size_t within = static_cast<std::size_t>(offset % PageSize);
      take = std::min(n, patch->second.size() - within);
      std::memcpy(p, patch->second.data() + within, take);
    } else if (offset < Flushed) {
      take = std::min<std::size_t>(n, static_cast<std::size_t>(Flushed - offset));
      const int64_t r = ReadFully(Fd, p, take, offset);
      if (r != static_cast<int64_t>(take)) return Fail(r < 0 ? errno : EIO);
    } else {
      take = n;
      std::memcpy(p, Buffer.Data() + (offset - Flushed), take);
    }
    p += take;
    n -= take;
    offset += static_cast<int64_t>(take);
  }
  return true;
}

// The page as it stands in the file (up to what was written out), kept for
// patching.
std::vector<uint8_t>* TImageFile::PatchPage(int64_t page) {
  const int64_t start = page * PageSize;
  std::vector<uint8_t>& bytes = Patches[page];
  // A page kept while it was partly written grows as the rest goes out.
  const std::size_t got = bytes.size();
  bytes.resize(static_cast<std::size_t>(std::min(PageSize, Flushed - start)));
  const std::size_t more = bytes.size() - got;
  const int64_t r = ReadFully(Fd, bytes.data() + got, more, start + int64_t(got));
  if (r != static_cast<int64_t>(more)) {
    Fail(r < 0 ? errno : EIO);
    return nullptr;
  }
  return &bytes;
}

bool TImageFile::Close(bool sync) {
  if (Fd == NoFile) return LastError == 0;
  bool ok = LastError == 0 && Flush();
  for (const auto& [page, bytes] : Patches)
    if (ok && !WriteFully(Fd, bytes.data(), bytes.size(), page * PageSize)) ok = Fail(errno);
  if (ok && !Head.empty() && !WriteFully(Fd, Head.data(), Head.size(), 0)) ok = Fail(errno);
  if (ok && sync && !SyncFile(Fd)) ok = Fail(errno);
  if (!CloseFile(Fd) && ok) ok = Fail(errno);
  Fd = NoFile;
  Used = 0;
  Buffer.Release();
  Head.clear();
  Head.shrink_to_fit();
  HeadSize = 0;
  Patches.clear();
  return ok;
}
