#include "image/build_driver.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "image/cd_medium.h"
#include "entries/dir_entry.h"
#include "image/build_messages.h"
#include "image/ceil_div.h"
#include "image/fat_table.h"
#include "image/geometry.h"
#include "image/image_writer.h"
#include "image/source_scan.h"
#include "image/status_text.h"
#include "image/tree_walk.h"
#include "platform/file_io.h"
#include "platform/file_system.h"

namespace {
// Whether a file of the tree is the file at st (the same device and inode:
// the same name, a link or another path to it).
bool HoldsSource(const TChildArray& array, const TPathInfo& image) {
  for (std::size_t i = 0; i < array.Count(); ++i) {
    const TImageInfo& node = array[i];
    if (node.IsDot()) continue;
    if (node.IsDirectory()) {
      if (HoldsSource(*node.Children, image)) return true;
      continue;
    }
    TPathInfo source;
    if (PathInfo(node.SourcePath, source) && source.SameFile(image)) return true;
  }
  return false;
}
}  // namespace

TImageBuild::TImageBuild(const TEntryList& entries, TBuildHost& host, TBuildOptions options)
    : TSteppedWork(host), Entries(entries), Options(options) {}

TImageBuild::~TImageBuild() {
  if (Running()) Release();
}

void TImageBuild::Start() {
  Host.SetCaption(Msg::CaptionScan);
  Host.SetButtonText(Msg::ButtonCancel);
  S.Begin(static_cast<int32_t>(Entries.Count()));
  Gauge(0);
}

void TImageBuild::Release() {
  S.State = TBuildStage::Idle;
  S.Release();
  if (Options.WriteViaTemporary && !WritePath.empty()) {
    RemoveFile(WritePath);
    WritePath.clear();
  }
}

void TImageBuild::FileFailed() {
  Fail({TQuestionKind::CantWrite, S.ImageName, std::strerror(S.ImageFile.Error())});
}

void TImageBuild::Step() {
  if (!Running()) return;
  switch (S.State) {
    case TBuildStage::Scan: StepScan(); break;
    case TBuildStage::Count: StepCount(); break;
    case TBuildStage::Open: StepOpen(); break;
    case TBuildStage::Fats: StepFats(); break;
    case TBuildStage::RootDir: StepRootDir(); break;
    case TBuildStage::Data: StepData(); break;
    case TBuildStage::Finish: StepFinish(); break;
    case TBuildStage::Idle: break;  // waiting for the user
  }
}

void TImageBuild::StepScan() {
  const std::string* path = Entries.ImagePathAt(S.StepIndex);
  SetStatus(Host, path ? *path : std::string());
  switch (ScanEntry(S, Host, Entries, S.StepIndex)) {
    case TScanResult::Next: break;
    case TScanResult::Stop:
      FailedEntry = S.StepIndex;
      EndOnMessage(TBuildEnd::FailedEntry);
      return;
    case TScanResult::Cancelled: EndOnMessage(); return;
  }
  ++S.StepIndex;
  Gauge(PercentOf(S.StepIndex, S.EntryCount));
  if (S.StepIndex < S.EntryCount) return;

  if (S.ItemCount == 0) {
    End(TBuildEnd::Stopped, TStop::NothingLeft);
    return;
  }
  const int rootEntries = BootRootEntries(S.BootSector);
  if (S.Root->Count() > static_cast<std::size_t>(rootEntries))
    return Fail({TQuestionKind::RootFull, {}, {}, rootEntries});
  Host.SetCaption(Msg::CaptionCount);
  Gauge(0);
  S.ClusterCounts.fill(0);
  WalkStart(S);
  S.StepIndex = 0;
  S.State = TBuildStage::Count;
}

void TImageBuild::StepCount() {
  switch (CountStep(S, Host)) {
    case TCountResult::Node:
      ++S.StepIndex;
      Gauge(PercentOf(S.StepIndex, S.ItemCount));
      return;
    case TCountResult::Up: return;
    case TCountResult::Done: break;
  }
  if (AfterWalk()) S.State = TBuildStage::Open;
}

bool TImageBuild::AfterWalk() {
  if (!ChooseClusterSize(S) || !ComputeLayout(S)) {
    Fail({TQuestionKind::TooLarge});
    return false;
  }
  // Within the largest image still: only clusters under a block need it.
  S.PadBytes = Options.PadToCdBlocks
                   ? static_cast<int32_t>(PaddedToCdBlocks(S.ImageSize) - S.ImageSize)
                   : 0;
  TStatistics stats;
  stats.ItemCount = S.ItemCount;
  stats.ClusterSize = S.ClusterSize();
  stats.ClusterTotal = S.ClusterCounts[S.Chosen] + S.FreeClusters;
  stats.SectorsPerFat = BootSectorsPerFat(S.BootSector);
  stats.ImageSize = S.ImageSize + S.PadBytes;
  if (!Host.ConfirmStatistics(stats)) {
    End(TBuildEnd::Stopped, TStop::Declined);
    return false;
  }
  // A prompt that opens again proposes the name chosen before.
  std::string name = Msg::SaveProposal;
  for (;;) {
    if (!Host.AskSaveName(name)) {
      End(TBuildEnd::Stopped, TStop::Declined);
      return false;
    }
    TPathInfo image;
    if (PathInfo(name, image) && image.Kind == TPathKind::File && HoldsSource(*S.Root, image)) {
      Host.Ask({TQuestionKind::ImageIsSource, name});
      continue;
    }
    if (Options.ReplaceChosenFile)
      Options.ReplaceExisting = PathInfo(name, image) && image.Kind == TPathKind::File;
    if (CheckFreeSpace(name)) {
      S.ImageName = name;
      return true;
    }
  }
}

bool TImageBuild::CheckFreeSpace(const std::string& path) {
  const std::string folder = FolderHolding(path);
  uint64_t units = 0, unitSize = 0;
  if (!Host.QueryFreeSpace(folder, units, unitSize) || unitSize == 0)
    return true;  // cannot tell: opening the file will report real trouble
  // A file that is replaced in place gives its clusters back; a new file
  // (or one written beside the old and renamed over it) takes one more.
  TPathInfo old;
  uint64_t needed = CeilDiv(static_cast<uint64_t>(S.ImageSize) + S.PadBytes, unitSize);
  if (!Options.WriteViaTemporary && PathInfo(path, old) && old.Kind == TPathKind::File)
    units += static_cast<uint64_t>(ClustersFor(old.Size, static_cast<int32_t>(
        std::min<uint64_t>(unitSize, INT32_MAX))));
  else
    ++needed;
  if (units >= needed) return true;
  // The drive on Windows ("C:\\"), the folder elsewhere.
  const std::string drive = DriveOfFolder(folder);
  Host.Ask({TQuestionKind::NoSpace, drive, {}, static_cast<int64_t>(needed * unitSize),
            static_cast<int64_t>(units * unitSize)});
  return false;
}

void TImageBuild::StepOpen() {
  Host.SetCaption(Msg::CaptionWrite);
  Host.SetStatusText(Msg::StatusBoot);
  Gauge(0);
  WritePath = Options.WriteViaTemporary ? CreateFileBeside(S.ImageName) : S.ImageName;
  if (WritePath.empty() || !S.ImageFile.Create(WritePath))
    return Fail({TQuestionKind::CantOpen, S.ImageName,
                 std::strerror(WritePath.empty() ? errno : S.ImageFile.Error())});
  const int64_t sector = BootBytesPerSector(S.BootSector);
  S.ImageFile.KeepHead(sector * (1 + 2 * int64_t(BootSectorsPerFat(S.BootSector)) +
                                 S.RootDirSectors));
  if (!WriteBootSector(S.BootSector, S.ClusterSize(), S.ImageSize, S.ImageFile))
    return FileFailed();
  Gauge(100);
  Host.PaintNow();
  S.StepIndex = 0;
  Host.SetStatusText(Msg::StatusFats);
  Gauge(0);
  S.State = TBuildStage::Fats;
}

void TImageBuild::StepFats() {
  if (!WriteFatSector(S)) return FileFailed();
  const int32_t sectors = 2 * BootSectorsPerFat(S.BootSector);
  ++S.StepIndex;
  Gauge(PercentOf(S.StepIndex, sectors));
  if (S.StepIndex < sectors) return;
  Host.PaintNow();
  Host.SetStatusText(Msg::StatusRoot);
  Gauge(0);
  S.RootDirOffset = static_cast<int32_t>(S.ImageFile.Size());
  S.StepIndex = 0;
  S.State = TBuildStage::RootDir;
}

void TImageBuild::StepRootDir() {
  if (!WriteRootSector(S)) return FileFailed();
  ++S.StepIndex;
  Gauge(PercentOf(S.StepIndex, S.RootDirSectors));
  if (S.StepIndex < S.RootDirSectors) return;
  Host.PaintNow();
  Host.SetStatusText("");
  Gauge(0);
  S.DataOffset = static_cast<int32_t>(S.ImageFile.Size());
  S.NextCluster = 2;
  WalkStart(S);
  S.StepIndex = 0;
  S.ClustersWritten = 0;
  S.State = TBuildStage::Data;
}

void TImageBuild::StepData() {
  const TWriteResult result = WriteStep(S, Host);
  // The writer moved the gauge cluster by cluster.
  const int progress = PercentOf(S.ClustersWritten, S.ClusterCounts[S.Chosen]);
  switch (result) {
    case TWriteResult::Node:
      ++S.StepIndex;
      Gauge(progress);
      return;
    case TWriteResult::Part:
    case TWriteResult::Up: Gauge(progress); return;
    case TWriteResult::Cancelled:
    case TWriteResult::Failed: EndOnMessage(); return;
    case TWriteResult::Done: break;
  }
  // The empty clusters that bring the volume to its least size, and the
  // tail that rounds the file to whole clusters.
  const std::size_t cluster = static_cast<std::size_t>(S.ClusterSize());
  if (S.FreeClusters != 0) {
    Host.SetStatusText(Msg::StatusFree);
    Gauge(0);
    Host.PaintNow();
    for (int32_t k = 1; k <= S.FreeClusters; ++k) {
      if (!S.ImageFile.AppendZeros(cluster)) return FileFailed();
      Gauge(PercentOf(k, S.FreeClusters));
      Host.PaintNow();
    }
  }
  const std::size_t zeros = static_cast<std::size_t>(S.TailBytes) + S.PadBytes;
  if (zeros != 0 && !S.ImageFile.AppendZeros(zeros)) return FileFailed();
  S.State = TBuildStage::Finish;
}

void TImageBuild::StepFinish() {
  if (!Options.WriteViaTemporary) {
    if (!S.ImageFile.Close()) return FileFailed();
    return Finish();
  }
  // An image renamed over an old one reaches the disk first, or a power cut
  // could leave neither; a first image needs no flush and keeps its speed.
  TPathInfo old;
  const bool replacing = Options.ReplaceExisting && LinkInfo(S.ImageName, old);
  if (!S.ImageFile.Close(replacing)) return FileFailed();
  const bool renamed = replacing ? RenameFile(WritePath, S.ImageName)
                                 : RenameWithoutReplacing(WritePath, S.ImageName);
  if (!renamed) {
    if (errno == EEXIST) return Fail({TQuestionKind::ImageAppeared, S.ImageName});
    return Fail({TQuestionKind::CantWrite, S.ImageName, std::strerror(errno)});
  }
  Finish();
}

void TImageBuild::Finish() {
  WritePath.clear();
  Complete();
  S.State = TBuildStage::Idle;
}
