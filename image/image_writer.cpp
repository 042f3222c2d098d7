#include "image/image_writer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "image/build_host.h"
#include "image/stepped_work.h"
#include "image/byte_order.h"
#include "image/ceil_div.h"
#include "image/fat_table.h"
#include "image/source_scan.h"
#include "image/status_text.h"
#include "image/tree_walk.h"
#include "platform/file_io.h"
#include "platform/file_system.h"

namespace {
// Sources are read in pieces of many clusters: few system calls, and a
// cluster size (at most 64 KiB) always divides it.
constexpr int64_t ReadChunk = 256 << 10;
// A step copies at most this many pieces, and none once its time is spent.
constexpr int PiecesPerStep = 16;

// Whether a source has nothing more to read: 0 at its end, 1 when it has
// more, -1 when it cannot be read (errno tells why), which is no change of
// size and must not be reported as one.
int BytesBeyond(TFileHandle fd) {
  uint8_t extra;
  return static_cast<int>(ReadFully(fd, &extra, 1));
}

void AdvanceGauge(TBuildState& s, TBuildHost& host, int64_t clusters) {
  for (int64_t i = 0; i < clusters; ++i) {
    ++s.ClustersWritten;
    host.SetGauge(PercentOf(s.ClustersWritten, s.ClusterCounts[s.Chosen], 100));
    host.PaintNow();
  }
}

TWriteResult ImageFailed(TBuildState& s, TBuildHost& host) {
  host.Ask({TQuestionKind::CantWrite, s.ImageName, std::strerror(s.ImageFile.Error())});
  return TWriteResult::Failed;
}

TWriteResult ReadFailed(TBuildHost& host, const std::string& path) {
  host.Ask({TQuestionKind::ReadError, path, std::strerror(errno)});
  return TWriteResult::Failed;
}

TWriteResult SizeChanged(TBuildHost& host, const std::string& path) {
  host.Ask({TQuestionKind::SizeChanged, path});
  return TWriteResult::Failed;
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

enum class TPiece { More, Last, Failed };

// Appends the next piece of the file being copied; the last piece also
// zeroes the rest of the file's last cluster. Failed when the image or the
// source failed or the file no longer has the size the layout was made for
// (the message was shown). The bytes are read straight into the image's
// append buffer. (A kernel-side copy gains nothing here: the data area
// starts at an odd sector, so file bytes never share their page offset with
// the source.)
TPiece CopyPiece(TBuildState& s, TBuildHost& host) {
  TFileCopy& copy = s.Copy;
  const TImageInfo& node = *copy.Node;
  const int64_t size = node.MeasuredSize;
  const int64_t C = s.ClusterSize();
  const int64_t total = CeilDiv(size, C) * C;
  // The last piece also holds the zeros that end the cluster, and asks for
  // one byte more than the file should have: a regular file that answers
  // with it has grown since it was measured.
  const std::size_t room = static_cast<std::size_t>(std::min(ReadChunk, total - copy.Done));
  const std::size_t want = static_cast<std::size_t>(std::min<int64_t>(room, size - copy.Done));
  const bool last = copy.Done + static_cast<int64_t>(want) == size;
  const std::size_t ask = last && room > want ? want + 1 : want;
  uint8_t* space = s.ImageFile.AppendSpace(room);
  auto failed = [](TWriteResult) { return TPiece::Failed; };
  if (!space) return failed(ImageFailed(s, host));
  const int64_t got = ReadFully(copy.Source, space, ask);
  if (got < 0) {
    std::memset(space, 0, room);  // keeps errno
    return failed(ReadFailed(host, node.SourcePath));
  }
  if (got != static_cast<int64_t>(want)) {
    std::memset(space, 0, room);
    return failed(SizeChanged(host, node.SourcePath));
  }
  // Zeros, not stale bytes: the same sources always give the same image.
  std::memset(space + want, 0, room - want);
  const int64_t before = copy.Done / C;
  copy.Done += static_cast<int64_t>(room);
  AdvanceGauge(s, host, copy.Done / C - before);
  if (!last) return TPiece::More;
  if (room == want) {
    const int beyond = BytesBeyond(copy.Source);
    if (beyond < 0) return failed(ReadFailed(host, node.SourcePath));
    if (beyond > 0) return failed(SizeChanged(host, node.SourcePath));
  }
  return TPiece::Last;
}

// One step of the file being copied: pieces until the file is done or the
// step has had its share. The file's chain goes into the FATs at its end.
TWriteResult CopyStep(TBuildState& s, TBuildHost& host) {
  const TStepTimer timer;
  for (int piece = 1;; ++piece) {
    const TPiece r = CopyPiece(s, host);
    if (r == TPiece::Failed) {
      CloseFile(s.Copy.Source);
      s.Copy = TFileCopy();
      return TWriteResult::Failed;
    }
    if (r == TPiece::Last) break;
    if (piece >= PiecesPerStep || timer.Spent())
      return TWriteResult::Part;
  }
  TImageInfo& node = *s.Copy.Node;
  CloseFile(s.Copy.Source);
  s.Copy = TFileCopy();
  const auto k = static_cast<uint16_t>(CeilDiv<int64_t>(node.MeasuredSize, s.ClusterSize()));
  if (!WriteChain(s, s.NextCluster, k)) return ImageFailed(s, host);
  s.NextCluster = static_cast<uint16_t>(s.NextCluster + k);
  WalkPast(s, node);
  return TWriteResult::Node;
}
}  // namespace

bool WriteRootSector(TBuildState& s) {
  return s.ImageFile.AppendZeros(BootBytesPerSector(s.BootSector));
}

TWriteResult WriteStep(TBuildState& s, TBuildHost& host) {
  if (s.Copy.Source != NoFile) return CopyStep(s, host);
  TImageInfo* node = nullptr;
  switch (WalkNext(s, &node)) {
    case TWalkResult::Up: return TWriteResult::Up;
    case TWalkResult::Done: return TWriteResult::Done;
    case TWalkResult::Node: break;
  }

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
    if (fd == NoFile) return TWriteResult::Cancelled;
    if (!PutRecord(s, slot, Rec::AttrFile, size > 0 ? s.NextCluster : 0,
                   static_cast<uint32_t>(size))) {
      CloseFile(fd);
      return ImageFailed(s, host);
    }
    if (size > 0) {
      s.Copy = {fd, node, 0};
      return CopyStep(s, host);
    }
    const int beyond = BytesBeyond(fd);
    const int error = errno;
    CloseFile(fd);
    errno = error;
    if (beyond < 0) return ReadFailed(host, node->SourcePath);
    if (beyond > 0) return SizeChanged(host, node->SourcePath);
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
    const int64_t k = CeilDiv<int64_t>(records * Rec::RecordSize, C);
    if (!s.ImageFile.Append(dots, sizeof dots) ||
        !s.ImageFile.AppendZeros(static_cast<std::size_t>(k * C - int64_t(sizeof dots))))
      return ImageFailed(s, host);
    AdvanceGauge(s, host, k);
    if (!WriteChain(s, first, static_cast<uint16_t>(k))) return ImageFailed(s, host);
    s.NextCluster = static_cast<uint16_t>(first + k);
  }
  WalkPast(s, *node);
  return TWriteResult::Node;
}
