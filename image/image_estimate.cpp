#include "image/image_estimate.h"

#include "image/cd_medium.h"
#include "entries/dir_entry.h"
#include "image/boot_sector.h"
#include "image/build_messages.h"
#include "image/build_state.h"
#include "image/ceil_div.h"
#include "image/geometry.h"
#include "image/source_scan.h"
#include "platform/file_system.h"

TImageEstimate::TImageEstimate() = default;
TImageEstimate::~TImageEstimate() = default;

void TImageEstimate::ReadAgain(const std::string& realPath) {
  Sources.erase(realPath);
  Restart = true;
}

void TImageEstimate::ReadAllAgain() {
  Sources.clear();
  Restart = true;
}

void TImageEstimate::CheckAgain() {
  ++Checks;
  Restart = true;
}

// As a build finds the source: its kind, then, for a file, whether it
// opens and its size as the open file tells it.
TImageEstimate::TSource TImageEstimate::ReadSource(const std::string& path) {
  TPathInfo info;
  if (!PathInfo(path, info)) return {TSourceKind::Unreadable};
  if (info.Kind == TPathKind::Directory) return {TSourceKind::Directory};
  if (info.Kind != TPathKind::File) return {TSourceKind::Unreadable};
  const TFileHandle file = OpenForReading(path);
  if (file == NoFile) return {TSourceKind::Unreadable};
  TPathInfo opened;
  const bool sized = HandleInfo(file, opened) && opened.Kind == TPathKind::File;
  CloseFile(file);
  return sized ? TSource{TSourceKind::File, opened.Size} : TSource{TSourceKind::Unreadable};
}

void TImageEstimate::BeginCount(const TEntryList& entries) {
  List = &entries;
  SeenChange = entries.ChangeCount();
  Restart = false;
  Counting = true;
  ReadInCount = false;
  NextLine = 0;
  State = std::make_unique<TBuildState>();
  State->Begin(static_cast<int32_t>(entries.Count()));
  Counted = TEstimate();
  Counted.Lines = entries.Count();
  Counted.End = TEstimateEnd::Fits;
}

bool TImageEstimate::CountsFor(const TEntryList& entries) const {
  return !Restart && &entries == List && entries.ChangeCount() == SeenChange;
}

bool TImageEstimate::UpToDate(const TEntryList& entries) const {
  return !Counting && CountsFor(entries);
}

bool TImageEstimate::Step(const TEntryList& entries, std::chrono::steady_clock::duration budget) {
  const auto end = std::chrono::steady_clock::now() + budget;
  if (!CountsFor(entries)) BeginCount(entries);
  if (!Counting) return false;
  while (NextLine < entries.Count()) {
    const TDirEntry& line = entries[NextLine++];
    TSource& source = Sources[line.RealPath];
    if (source.Kind == TSourceKind::Unread || source.Check != Checks) {
      // Only a file never read before shows as reading; a check again keeps
      // the figures from before until the count ends.
      if (source.Kind == TSourceKind::Unread) ReadInCount = true;
      source = ReadSource(line.RealPath);
      source.Check = Checks;
    }
    CountLine(line.ImagePath, line.RealPath, source);
    if (NextLine < entries.Count() && std::chrono::steady_clock::now() >= end) return true;
  }
  EndCount();
  return false;
}

// One line as the scan takes it, every question answered so that the
// build goes on: a source that cannot be read is ignored, a clash skipped.
void TImageEstimate::CountLine(const std::string& imagePath, const std::string& realPath,
                               const TSource& source) {
  if (Counted.End != TEstimateEnd::Fits) return;  // the build stops there
  if (source.Kind == TSourceKind::Unreadable) {
    ++Counted.Unreadable;
    return;
  }
  const THang hang =
      HangEntry(*State, imagePath, realPath, source.Kind == TSourceKind::Directory);
  switch (hang.Result) {
    case THangResult::Added:
      if (source.Kind == TSourceKind::File) hang.Node->MeasuredSize = source.Size;
      break;
    case THangResult::TooDeep:
    case THangResult::DirectoryIsFile:
    case THangResult::NameClash: ++Counted.Clashing; break;
    case THangResult::DirectoryFull:
      Counted.End = TEstimateEnd::DirectoryFull;
      Counted.FullFolder = imagePath.substr(0, hang.PathEnd);
      break;
    case THangResult::NoMemory: Counted.End = TEstimateEnd::TooLarge; break;
  }
}

// After the scan, as the build goes on: the root's limit, the count of
// clusters and the layout.
void TImageEstimate::EndCount() {
  TBuildState& s = *State;
  if (Counted.End == TEstimateEnd::Fits) {
    if (s.ItemCount == 0) {
      Counted.End = TEstimateEnd::NothingLeft;
    } else if (s.Root->Count() > static_cast<std::size_t>(BootRootEntries(s.BootSector))) {
      Counted.End = TEstimateEnd::RootFull;
    } else {
      s.ClusterCounts.fill(0);
      CountTree(s, *s.Root);
      if (ChooseClusterSize(s) && ComputeLayout(s))
        Counted.ImageSize = s.ImageSize;
      else
        Counted.End = TEstimateEnd::TooLarge;
    }
  }
  Result = Counted;
  Counting = false;
  State.reset();
}

namespace {
constexpr const char* Between = " \u00B7 ";  // a middle dot between the parts

// n with a comma between groups of three digits: "65,536".
std::string GroupedNumber(int64_t n) {
  std::string digits = std::to_string(n);
  for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
  return digits;
}

std::string CountOf(int64_t n, const char* one, const char* many) {
  return GroupedNumber(n) + " " + (n == 1 ? one : many);
}

// How much of an 80-minute CD-R the image takes, in whole percent rounded
// up: 100 % still fits, anything more does not.
std::string CdShareText(int64_t imageSize) {
  const int64_t blocks = CeilDiv(imageSize, DiscBlockSize);
  std::string text = std::to_string(CeilDiv(blocks * 100, Blocks80Minutes)) +
                     " % of an 80-minute CD-R";
  if (BytesBeyondCd(imageSize, Blocks80Minutes) > 0) text += ", too large for it";
  return text;
}
}  // namespace

std::string EstimateText(const TEstimate& e) {
  if (e.Lines == 0) return std::string();
  std::string text = CountOf(static_cast<int64_t>(e.Lines), "entry", "entries");
  switch (e.End) {
    case TEstimateEnd::Fits:
      text += Between + ("image " + SizeText(e.ImageSize)) + Between + CdShareText(e.ImageSize);
      break;
    case TEstimateEnd::NothingLeft: break;  // what is left out says why
    case TEstimateEnd::RootFull:
      text += Between + FormatText("too many entries in \\ (%d at most)", Boot::RootEntryCount);
      break;
    case TEstimateEnd::DirectoryFull:
      text += Between + ("too many entries in " + e.FullFolder + " (" +
                         GroupedNumber(MaxDirectoryRecords) + " at most)");
      break;
    case TEstimateEnd::TooLarge:
      text += Between + std::string("too large for an image (2 GiB at most)");
      break;
  }
  if (e.Unreadable > 0)
    text += Between + CountOf(e.Unreadable, "file cannot be read", "files cannot be read");
  if (e.Clashing > 0) text += Between + CountOf(e.Clashing, "clashing line", "clashing lines");
  return text;
}

std::string ReadingText(std::size_t lines) {
  return CountOf(static_cast<int64_t>(lines), "entry", "entries") + Between + "reading sizes...";
}
