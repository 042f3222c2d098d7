#include "image/image_writer.h"

#include <cerrno>
#include <cstring>

#include "image/build_host.h"
#include "image/build_messages.h"
#include "image/byte_order.h"
#include "image/fat_table.h"
#include "image/source_scan.h"
#include "image/status_text.h"
#include "image/tree_walk.h"
#include "platform/file_system.h"

namespace {
// Sources are read in pieces of many clusters: few system calls, and a
// cluster size (at most 64 KiB) always divides it.
constexpr int64_t ReadChunk = 256 << 10;

// Whether a source has nothing more to read: 0 at its end, 1 when it has
// more, -1 when it cannot be read (errno tells why), which is no change of
// size and must not be reported as one.
int BytesBeyond(TFileHandle fd) {
  uint8_t extra;
  const int64_t r = ReadNext(fd, &extra, 1);
  return r < 0 ? -1 : r > 0 ? 1 : 0;
}

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

int ReadFailed(TBuildHost& host, const std::string& path) {
  return SourceFailed(host, FormatText(Msg::ReadError, path.c_str(), std::strerror(errno)));
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

// Copies the whole file into the image and zeroes the rest of its last
// cluster, checking that the file still has the size the layout was made
// for. The bytes are read straight into the image's append buffer. (A
// kernel-side copy gains nothing here: the data area starts at an odd
// sector, so file bytes never share their page offset with the source.)
int CopySource(TBuildState& s, TBuildHost& host, TFileHandle fd, const TImageInfo& node) {
  const int64_t size = node.MeasuredSize;
  const int64_t C = s.ClusterSize();
  const int64_t total = ((size - 1) / C + 1) * C;
  int64_t done = 0;  // bytes appended, the closing zeros included
  int64_t clusters = 0;
  auto progress = [&](int64_t appended) {
    AdvanceGauge(s, host, appended / C - clusters);
    clusters = appended / C;
  };
  auto changed = [&]() {
    return SourceFailed(host, FormatText(Msg::SizeChanged, node.SourcePath.c_str()));
  };

  while (done < total) {
    // The last piece also holds the zeros that end the cluster, and asks
    // for one byte more than the file should have: a regular file that
    // answers with it has grown since it was measured.
    const std::size_t room = static_cast<std::size_t>(std::min(ReadChunk, total - done));
    const std::size_t want = static_cast<std::size_t>(std::min<int64_t>(room, size - done));
    const bool last = done + static_cast<int64_t>(want) == size;
    const std::size_t ask = last && room > want ? want + 1 : want;
    uint8_t* space = s.ImageFile.AppendSpace(room);
    if (!space) return ImageFailed(s, host);
    std::size_t got = 0;
    while (got < ask) {
      const int64_t r = ReadNext(fd, space + got, ask - got);
      if (r < 0) {
        std::memset(space, 0, room);
        return SourceFailed(host, FormatText(Msg::ReadError, node.SourcePath.c_str(),
                                             std::strerror(errno)));
      }
      if (r == 0) break;  // the end of the file
      got += static_cast<std::size_t>(r);
    }
    if (got != want) {
      std::memset(space, 0, room);
      return changed();
    }
    // Zeros, not stale bytes: the same sources always give the same image.
    std::memset(space + want, 0, room - want);
    done += static_cast<int64_t>(room);
    progress(done);
    if (last) {
      if (room == want) {
        const int beyond = BytesBeyond(fd);
        if (beyond < 0) return ReadFailed(host, node.SourcePath);
        if (beyond > 0) return changed();
      }
      return WriteNode;
    }
  }
  return WriteNode;  // not reached: the last piece returns
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
    // The copy finds out whether the file still has its measured size.
    const int64_t size = node->MeasuredSize;
    TFileHandle fd = OpenSource(host, node->SourcePath);
    if (fd == NoFile) return WriteCancelled;
    int result = WriteNode;
    if (!PutRecord(s, slot, Rec::AttrFile, size > 0 ? s.NextCluster : 0,
                   static_cast<uint32_t>(size))) {
      result = ImageFailed(s, host);
    } else if (size == 0) {
      const int beyond = BytesBeyond(fd);
      if (beyond < 0)
        result = ReadFailed(host, node->SourcePath);
      else if (beyond > 0)
        result = SourceFailed(host, FormatText(Msg::SizeChanged, node->SourcePath.c_str()));
    } else {
      result = CopySource(s, host, fd, *node);
      uint16_t k = static_cast<uint16_t>((size - 1) / C + 1);
      if (result == WriteNode && !WriteChain(s, s.NextCluster, k)) result = ImageFailed(s, host);
      s.NextCluster = static_cast<uint16_t>(s.NextCluster + k);
    }
    CloseFile(fd);
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
