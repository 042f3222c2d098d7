#include "image/image_writer.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "image/build_host.h"
#include "image/build_messages.h"
#include "image/byte_order.h"
#include "image/fat_table.h"
#include "image/source_scan.h"
#include "image/status_text.h"
#include "image/tree_walk.h"

namespace {
// Sources are read in pieces of many clusters: few system calls, and a
// cluster size (at most 64 KiB) always divides it.
constexpr std::size_t ReadChunk = 1 << 20;

void AdvanceGauge(TBuildState& s, TBuildHost& host, int64_t clusters) {
  for (int64_t i = 0; i < clusters; ++i) {
    ++s.ClustersWritten;
    int total = s.ClusterCounts[s.Chosen];
    host.SetGauge(total ? static_cast<int>(int64_t(s.ClustersWritten) * 100 / total) : 100);
    host.PaintNow();
  }
}

int ImageFailed(TBuildState& s, TBuildHost& host) {
  host.Ask(FormatText(Msg::CantWrite, s.ImageName.c_str(), std::strerror(s.ImageFile.Error())),
           Msg::CaptionFileError, TButtons::Ok);
  return WriteFailed;
}

int SourceFailed(TBuildHost& host, const std::string& text) {
  host.Ask(text, Msg::CaptionFileError, TButtons::Ok);
  return WriteFailed;
}

// Fills the scratch record for one node and writes it at offset.
bool PutRecord(TBuildState& s, int64_t offset, uint8_t attributes, uint16_t firstCluster,
               uint32_t size) {
  uint8_t* r = s.DirRecord.data();
  Put8(r + Rec::Attributes, attributes);
  Put16(r + Rec::FirstCluster, firstCluster);
  Put32(r + Rec::Size, size);
  return s.ImageFile.WriteAt(offset, r, Rec::RecordSize);
}

// Reads the whole file into the image, cluster by cluster, checking that it
// still has the size the layout was made for.
int CopyFile(TBuildState& s, TBuildHost& host, int fd, const TImageInfo& node) {
  const int64_t size = node.MeasuredSize;
  const int64_t C = s.ClusterSize();
  std::vector<uint8_t> chunk(static_cast<std::size_t>(std::min<int64_t>(
      ReadChunk, ((size - 1) / C + 1) * C)));
  int64_t done = 0;
  while (done < size) {
    std::size_t want = static_cast<std::size_t>(std::min<int64_t>(chunk.size(), size - done));
    std::size_t got = 0;
    while (got < want) {
      ssize_t r = ::read(fd, chunk.data() + got, want - got);
      if (r < 0 && errno == EINTR) continue;
      if (r < 0)
        return SourceFailed(host, FormatText(Msg::ReadError, node.SourcePath.c_str(),
                                             std::strerror(errno)));
      if (r == 0)
        return SourceFailed(host, FormatText(Msg::SizeChanged, node.SourcePath.c_str()));
      got += static_cast<std::size_t>(r);
    }
    done += static_cast<int64_t>(got);
    // The end of the last cluster is zero, so the same sources always give
    // the same image.
    std::size_t whole = static_cast<std::size_t>((static_cast<int64_t>(got) - 1) / C + 1) *
                        static_cast<std::size_t>(C);
    std::memset(chunk.data() + got, 0, whole - got);
    if (!s.ImageFile.Append(chunk.data(), whole)) return ImageFailed(s, host);
    AdvanceGauge(s, host, static_cast<int64_t>(whole) / C);
  }
  uint8_t extra;
  ssize_t r;
  do r = ::read(fd, &extra, 1); while (r < 0 && errno == EINTR);
  if (r > 0) return SourceFailed(host, FormatText(Msg::SizeChanged, node.SourcePath.c_str()));
  return WriteNode;
}
}  // namespace

bool WriteRootSector(TBuildState& s) {
  return s.ImageFile.Append(s.ClusterBuffer.data(), BootBytesPerSector(s.BootSector));
}

int WriteStep(TBuildState& s, TBuildHost& host) {
  TImageInfo* node = nullptr;
  TWalkResult walk = WalkNext(s, &node);
  if (walk != WalkNode) return walk;

  // Find the slot: follow the first clusters of the directories on the way,
  // as they stand in the records already written.
  const int64_t C = s.ClusterSize();
  int64_t position = s.RootDirOffset;
  uint16_t parentCluster = 0;
  for (int d = 0; d < s.Depth; ++d) {
    uint8_t field[2];
    if (!s.ImageFile.ReadAt(position + int64_t(WalkIndex[d]) * Rec::RecordSize +
                                Rec::FirstCluster, field, 2))
      return ImageFailed(s, host);
    parentCluster = Get16(field);
    position = (int64_t(parentCluster) - 2) * C + s.DataOffset;
  }
  const int64_t slot = position + int64_t(WalkIndex[s.Depth]) * Rec::RecordSize;

  SetStatus(host, NodePathText(s));
  PackName(s.DirRecord, node->TrimmedName());
  PackExt(s.DirRecord, node->TrimmedExt());

  if (!node->IsDirectory()) {
    int fd = OpenSource(host, node->SourcePath);
    if (fd < 0) return WriteCancelled;
    struct stat st;
    int64_t size = ::fstat(fd, &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
    int result = WriteNode;
    if (size != node->MeasuredSize) {
      result = SourceFailed(host, FormatText(Msg::SizeChanged, node->SourcePath.c_str()));
    } else if (!PutRecord(s, slot, Rec::AttrFile, size > 0 ? s.NextCluster : 0,
                          static_cast<uint32_t>(size))) {
      result = ImageFailed(s, host);
    } else if (size > 0) {
      result = CopyFile(s, host, fd, *node);
      uint16_t k = static_cast<uint16_t>((size - 1) / C + 1);
      if (result == WriteNode && !WriteChain(s, s.NextCluster, k)) result = ImageFailed(s, host);
      s.NextCluster = static_cast<uint16_t>(s.NextCluster + k);
    }
    ::close(fd);
    if (result != WriteNode) return result;
  } else {
    const uint16_t first = s.NextCluster;
    if (!PutRecord(s, slot, Rec::AttrDirectory, first, 0)) return ImageFailed(s, host);
    // "." and ".." open the directory's first cluster; the rest is zero
    // until the children's records are written into it.
    uint8_t dots[2 * Rec::RecordSize];
    PackName(s.DirRecord, ".");
    PackExt(s.DirRecord, "");
    Put16(s.DirRecord.data() + Rec::FirstCluster, first);
    std::memcpy(dots, s.DirRecord.data(), Rec::RecordSize);
    PackName(s.DirRecord, "..");
    Put16(s.DirRecord.data() + Rec::FirstCluster, parentCluster);
    std::memcpy(dots + Rec::RecordSize, s.DirRecord.data(), Rec::RecordSize);
    const int64_t records = static_cast<int64_t>(node->Children->Count());
    const int64_t k = (records * Rec::RecordSize - 1) / C + 1;
    if (!s.ImageFile.Append(dots, sizeof dots) ||
        !s.ImageFile.AppendZeros(static_cast<std::size_t>(k * C - int64_t(sizeof dots))))
      return ImageFailed(s, host);
    AdvanceGauge(s, host, k);
    if (!WriteChain(s, first, static_cast<uint16_t>(k))) return ImageFailed(s, host);
    s.NextCluster = static_cast<uint16_t>(first + k);
  }
  WalkPast(s, *node);
  return WriteNode;
}
