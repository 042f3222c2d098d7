#include "image/build_driver.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "entries/dir_entry.h"
#include "image/build_host.h"
#include "image/build_messages.h"
#include "image/fat_table.h"
#include "image/geometry.h"
#include "image/image_writer.h"
#include "image/source_scan.h"
#include "image/status_text.h"
#include "image/tree_walk.h"
#include "platform/file_system.h"

namespace {
int Percent(int64_t done, int64_t total) {
  return total > 0 ? static_cast<int>(done * 100 / total) : 0;
}

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
    : Entries(entries), Host(host), Options(options) {}

TImageBuild::~TImageBuild() {
  if (Ended < 0 && !Completed) S.Release();
  if (Options.WriteViaTemporary && !Completed && !WritePath.empty())
    RemoveFile(WritePath);
}

void TImageBuild::Start() {
  Host.SetCaption(Msg::CaptionScan);
  Host.SetButtonText(Msg::ButtonCancel);
  S.Begin(static_cast<int32_t>(Entries.Count()));
  Gauge(0);
}

void TImageBuild::Gauge(int percent) {
  GaugeValue = percent < 0 ? 0 : percent > 100 ? 100 : percent;
  Host.SetGauge(GaugeValue);
}

void TImageBuild::End(int code) {
  if (Ended >= 0) return;
  S.State = StageIdle;
  S.Release();
  if (Options.WriteViaTemporary && !Completed && !WritePath.empty()) {
    RemoveFile(WritePath);
    WritePath.clear();
  }
  Ended = code;
  Host.EndBuild(code);
}

void TImageBuild::Cancel() { End(2); }

void TImageBuild::FileFailed() {
  Host.Ask(FormatText(Msg::CantWrite, S.ImageName.c_str(), std::strerror(S.ImageFile.Error())),
           Msg::CaptionFileError, TButtons::Ok);
  End(2);
}

void TImageBuild::Step() {
  if (Ended >= 0) return;
  switch (S.State) {
    case StageScan: StepScan(); break;
    case StageCount: StepCount(); break;
    case StageOpen: StepOpen(); break;
    case StageFats: StepFats(); break;
    case StageRootDir: StepRootDir(); break;
    case StageData: StepData(); break;
    case StageFinish: StepFinish(); break;
    default: break;  // Idle: waiting for the user
  }
}

void TImageBuild::StepScan() {
  const std::string* path = Entries.ImagePathAt(S.StepIndex);
  SetStatus(Host, path ? *path : std::string());
  if (ScanEntry(S, Host, Entries, S.StepIndex) != 0) {
    FailedEntry = S.StepIndex;
    End(3);
    return;
  }
  ++S.StepIndex;
  Gauge(Percent(S.StepIndex, S.EntryCount));
  if (S.StepIndex < S.EntryCount) return;

  if (S.ItemCount == 0) {  // every entry was skipped
    End(2);
    return;
  }
  const int rootEntries = BootRootEntries(S.BootSector);
  if (S.Root->Count() > static_cast<std::size_t>(rootEntries)) {
    Host.Ask(FormatText(Msg::RootFull, rootEntries), Msg::CaptionError, TButtons::Ok);
    End(2);
    return;
  }
  Host.SetCaption(Msg::CaptionCount);
  Gauge(0);
  S.ClusterCounts.fill(0);
  WalkStart(S);
  S.StepIndex = 0;
  S.State = StageCount;
}

void TImageBuild::StepCount() {
  switch (CountStep(S, Host)) {
    case 0:
      ++S.StepIndex;
      Gauge(Percent(S.StepIndex, S.ItemCount));
      return;
    case 1: Gauge(GaugeValue); return;
    case 3: End(2); return;
    default: break;
  }
  Gauge(GaugeValue);
  if (AfterWalk()) S.State = StageOpen;
}

bool TImageBuild::AfterWalk() {
  if (!ChooseClusterSize(S) || !ComputeLayout(S)) {
    Host.Ask(Msg::TooLarge, Msg::CaptionError, TButtons::Ok);
    End(2);
    return false;
  }
  TStatistics stats;
  stats.ItemCount = S.ItemCount;
  stats.ClusterSize = S.ClusterSize();
  stats.ClusterTotal = S.ClusterCounts[S.Chosen] + S.FreeClusters;
  stats.SectorsPerFat = BootSectorsPerFat(S.BootSector);
  stats.ImageSize = S.ImageSize;
  if (!Host.ConfirmStatistics(stats)) {
    End(2);
    return false;
  }
  for (;;) {
    std::string name = Msg::SaveProposal;
    if (!Host.AskSaveName(name)) {
      End(2);
      return false;
    }
    TPathInfo image;
    if (PathInfo(name, image) && image.Kind == TPathKind::File && HoldsSource(*S.Root, image)) {
      Host.Ask(FormatText(Msg::ImageIsSource, name.c_str()), Msg::CaptionError, TButtons::Ok);
      continue;
    }
    if (CheckFreeSpace(name) == 0) {
      S.ImageName = name;
      return true;
    }
  }
}

int TImageBuild::CheckFreeSpace(const std::string& path) {
  const std::string folder = FolderOfPath(path);
  uint64_t units = 0, unitSize = 0;
  if (!Host.QueryFreeSpace(folder, units, unitSize) || unitSize == 0)
    return 0;  // cannot tell: opening the file will report real trouble
  // A file that is replaced in place gives its clusters back; a new file
  // (or one written beside the old and renamed over it) takes one more.
  TPathInfo old;
  if (!Options.WriteViaTemporary && PathInfo(path, old) && old.Kind == TPathKind::File)
    units += static_cast<uint64_t>(ClustersFor(old.Size, static_cast<int32_t>(
        std::min<uint64_t>(unitSize, INT32_MAX))));
  else if (units > 0)
    --units;
  const uint64_t needed = (static_cast<uint64_t>(S.ImageSize) + unitSize - 1) / unitSize;
  if (units >= needed) return 0;
  std::string shown = IsPathSeparator(folder.back()) ? folder : folder + PathSeparator();
  Host.Ask(FormatText(Msg::NoSpace, shown.c_str()), Msg::CaptionError, TButtons::Ok);
  return 1;
}

void TImageBuild::StepOpen() {
  Host.SetCaption(Msg::CaptionWrite);
  Host.SetStatusText(Msg::StatusBoot);
  Gauge(0);
  WritePath = Options.WriteViaTemporary ? CreateTemporaryBeside(S.ImageName) : S.ImageName;
  if (WritePath.empty() || !S.ImageFile.Create(WritePath)) {
    Host.Ask(FormatText(Msg::CantOpen, S.ImageName.c_str()), Msg::CaptionFileError,
             TButtons::Ok);
    End(2);
    return;
  }
  const int64_t sector = BootBytesPerSector(S.BootSector);
  S.ImageFile.KeepHead(sector * (1 + 2 * int64_t(BootSectorsPerFat(S.BootSector)) +
                                 S.RootDirSectors));
  S.ClusterBuffer.assign(static_cast<std::size_t>(S.ClusterSize()), 0);
  if (!WriteBootSector(S)) return FileFailed();
  Gauge(100);
  Host.PaintNow();
  S.StepIndex = 0;
  Host.SetStatusText(Msg::StatusFats);
  Gauge(0);
  std::fill(S.ClusterBuffer.begin(), S.ClusterBuffer.end(), 0);
  S.State = StageFats;
}

void TImageBuild::StepFats() {
  if (!WriteFatSector(S)) return FileFailed();
  const int32_t sectors = 2 * BootSectorsPerFat(S.BootSector);
  ++S.StepIndex;
  Gauge(Percent(S.StepIndex, sectors));
  if (S.StepIndex < sectors) return;
  Host.PaintNow();
  Host.SetStatusText(Msg::StatusRoot);
  Gauge(0);
  S.RootDirOffset = static_cast<int32_t>(S.ImageFile.Size());
  S.StepIndex = 0;
  std::fill(S.ClusterBuffer.begin(), S.ClusterBuffer.begin() + 4, 0);
  S.State = StageRootDir;
}

void TImageBuild::StepRootDir() {
  if (!WriteRootSector(S)) return FileFailed();
  ++S.StepIndex;
  Gauge(Percent(S.StepIndex, S.RootDirSectors));
  if (S.StepIndex < S.RootDirSectors) return;
  Host.PaintNow();
  Host.SetStatusText("");
  Gauge(0);
  S.DataOffset = static_cast<int32_t>(S.ImageFile.Size());
  S.NextCluster = 2;
  WalkStart(S);
  S.StepIndex = 0;
  S.ClustersWritten = 0;
  S.State = StageData;
}

void TImageBuild::StepData() {
  const int result = WriteStep(S, Host);
  // The writer moved the gauge cluster by cluster.
  const int progress = Percent(S.ClustersWritten, S.ClusterCounts[S.Chosen]);
  switch (result) {
    case WriteNode:
      ++S.StepIndex;
      Gauge(progress);
      return;
    case WriteUp: Gauge(progress); return;
    case WriteCancelled:
    case WriteFailed: End(2); return;
    default: break;
  }
  // The empty clusters that bring the volume to its least size, and the
  // tail that rounds the file to whole clusters.
  const std::size_t cluster = static_cast<std::size_t>(S.ClusterSize());
  std::fill(S.ClusterBuffer.begin(), S.ClusterBuffer.end(), 0);
  if (S.FreeClusters != 0) {
    Host.SetStatusText(Msg::StatusFree);
    Gauge(0);
    Host.PaintNow();
    for (int32_t k = 1; k <= S.FreeClusters; ++k) {
      if (!S.ImageFile.Append(S.ClusterBuffer.data(), cluster)) return FileFailed();
      Gauge(Percent(k, S.FreeClusters));
      Host.PaintNow();
    }
  }
  if (S.TailBytes != 0 && !S.ImageFile.AppendZeros(static_cast<std::size_t>(S.TailBytes)))
    return FileFailed();
  S.State = StageFinish;
  Gauge(GaugeValue);
}

void TImageBuild::StepFinish() {
  if (!S.ImageFile.Close()) return FileFailed();
  if (Options.WriteViaTemporary && !RenameFile(WritePath, S.ImageName)) {
    Host.Ask(FormatText(Msg::CantWrite, S.ImageName.c_str(), std::strerror(errno)),
             Msg::CaptionFileError, TButtons::Ok);
    End(2);
    return;
  }
  S.ClusterBuffer.clear();
  S.ClusterBuffer.shrink_to_fit();
  Completed = true;
  Host.SetCaption(Msg::CaptionDone);
  Host.SetStatusText("");
  Host.SetButtonText(Msg::ButtonOk);
  S.State = StageIdle;
}
