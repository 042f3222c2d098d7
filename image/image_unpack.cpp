#include "image/image_unpack.h"

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstring>

#include "entries/list_file.h"
#include "entries/path_rules.h"
#include "image/build_host.h"
#include "image/build_messages.h"
#include "image/status_text.h"
#include "platform/file_io.h"

namespace {
// A large file is copied over several steps, in pieces of this size, until
// a step has copied BytesPerStep or spent StepTime (a slow disk), so that
// no step holds the window.
constexpr std::size_t PieceSize = 2 << 20;
constexpr std::size_t BytesPerStep = 8 << 20;
constexpr auto StepTime = std::chrono::milliseconds(20);
// A file of at least this size gets its room on the disk set aside before
// its first byte is written: one call that spares the file system finding
// room page by page (a fifth of the time of a large file here).
constexpr uint32_t ReserveFrom = 1 << 20;
// Files whose presence in the folder is checked in one step.
constexpr std::size_t ChecksPerStep = 2000;
// Each item weighs this many bytes in the gauge, so that a tree of small
// files moves it as steadily as one large file does.
constexpr uint64_t ItemWeight = 4096;

// "\A\B.TXT" as the real path below the folder: "A/B.TXT".
std::string RelativePath(const std::string& imagePath) {
  std::string out = imagePath.substr(imagePath.empty() || imagePath[0] != '\\' ? 0 : 1);
  std::replace(out.begin(), out.end(), '\\', '/');
  return out;
}

// path as an absolute path, from the current folder when relative; not
// through links, so that the list's relative paths come out as the user
// wrote them.
std::string AbsolutePath(const std::string& path) {
  std::string rest = path;
  while (rest.size() > DriveLength(rest) + 1 && IsPathSeparator(rest.back())) rest.pop_back();
  if (IsAbsolutePath(rest)) return rest;
  const std::string out = WorkingFolder();
  while (rest.compare(0, 2, "./") == 0) rest = rest.substr(2);
  if (rest == ".") rest.clear();
  if (rest.empty()) return out;
  return JoinPath(out, rest);
}
}  // namespace

TImageUnpack::TImageUnpack(std::string imagePath, std::string folder, TBuildHost& host,
                           TUnpackOptions options)
    : ImagePath(std::move(imagePath)),
      Folder(std::move(folder)),
      Host(host),
      Options(std::move(options)),
      Reader(ImagePath) {}

TImageUnpack::~TImageUnpack() {
  CloseFile();
  for (auto& f : Folders) ::CloseFile(f.second);
}

void TImageUnpack::Start() {
  Host.SetCaption(Msg::CaptionRead);
  Host.SetButtonText(Msg::ButtonCancel);
  Gauge();
  if (!Reader.Open()) {
    Fail(FormatText(Msg::ImageDamaged, ImagePath.c_str(), Reader.Result().Problems[0].c_str()));
    return;
  }
  Stage = TStage::Read;
}

void TImageUnpack::Gauge() {
  int percent = 0;
  if (Stage == TStage::Read) {
    const int32_t marked = Reader.MarkedClusters();
    percent = marked > 0 ? static_cast<int>(int64_t(Reader.Result().UsedClusters) * 100 / marked)
                         : 100;
  } else if (Stage == TStage::CheckFolder) {
    percent = Items().empty() ? 100 : static_cast<int>(Next * 100 / Items().size());
  } else if (Stage == TStage::Write) {
    const uint64_t total = TotalBytes + Items().size() * ItemWeight;
    percent = total ? static_cast<int>((BytesDone + Next * ItemWeight) * 100 / total) : 100;
  } else if (Stage == TStage::List) {
    percent = 100;
  }
  percent = std::clamp(percent, 0, 100);
  if (percent == GaugeValue) return;
  GaugeValue = percent;
  Host.SetGauge(percent);
}

void TImageUnpack::Fail(const std::string& text) {
  Host.Ask(text, Msg::CaptionFileError, TButtons::Ok);
  End();
}

void TImageUnpack::CloseFile() {
  if (Out == NoFile) return;
  ::CloseFile(Out);
  Out = NoFile;
  // A file cut short is not left behind looking whole.
  if (!Folders.empty()) RemoveFileIn(Folders.back().second, OutName);
}

void TImageUnpack::End() {
  if (HasEnded) return;
  CloseFile();
  Stage = TStage::Idle;
  HasEnded = true;
  Host.EndBuild(TBuildEnd::Stopped);
}

void TImageUnpack::Cancel() { End(); }

void TImageUnpack::Step() {
  if (HasEnded) return;
  switch (Stage) {
    case TStage::Read: StepRead(); break;
    case TStage::CheckFolder: StepCheckFolder(); break;
    case TStage::Write: StepWrite(); break;
    case TStage::List: StepList(); break;
    case TStage::Idle: break;
  }
}

void TImageUnpack::StepRead() {
  const bool more = Reader.ReadDirectory();
  if (!Items().empty()) SetStatus(Host, Items().back().Path);
  Gauge();
  if (more) return;
  Reader.Finish();
  const std::vector<std::string>& problems = Reader.Result().Problems;
  if (!problems.empty()) {
    std::string first = problems[0];
    const std::size_t count = Reader.Result().ProblemCount;
    if (count > 1) first = FormatText(Msg::MoreProblems, first.c_str(), count - 1);
    Fail(FormatText(Msg::ImageDamaged, ImagePath.c_str(), first.c_str()));
    return;
  }
  for (const TImageItem& item : Items()) {
    // Its entry could not be read back from a list, nor built again.
    if (item.Path.size() > MaxImagePath)
      return Fail(FormatText(Msg::ImageDamaged, ImagePath.c_str(),
                             FormatText(Msg::PathTooLong, item.Path.c_str(), MaxImagePath).c_str()));
    TotalBytes += item.Size;
  }
  if (!OpenFolder()) return;
  Host.SetCaption(Msg::CaptionCheckFolder);
  Next = 0;
  Stage = TStage::CheckFolder;
  Gauge();
}

bool TImageUnpack::OpenFolder() {
  const bool made = MakeFolder(Folder);
  if (!made && errno != EEXIST) {
    Fail(FormatText(Msg::CantCreate, Folder.c_str(), std::strerror(errno)));
    return false;
  }
  const TFileHandle fd = ::OpenFolder(Folder);
  if (fd == NoFile) {
    Fail(FormatText(Msg::NotAFolder, Folder.c_str()));
    return false;
  }
  Folders.emplace_back(std::string(), fd);
  Root = AbsolutePath(Folder);
  // In a folder just made, or empty, nothing can be in the way: the check
  // of every name is left out.
  FolderEmpty = made;
  if (!made) {
    std::vector<std::string> names;
    FolderEmpty = FolderNames(Folder, names) && names.empty();
  }
  return true;
}

// Nothing is written until it is known that nothing would be replaced.
void TImageUnpack::StepCheckFolder() {
  const TFileHandle root = Folders.front().second;
  if (FolderEmpty) Next = Items().size();
  const std::size_t end = std::min(Items().size(), Next + ChecksPerStep);
  for (; Next < end; ++Next) {
    const TImageItem& item = Items()[Next];
    const std::string relative = RelativePath(item.Path);
    TPathInfo info;
    if (!LinkInfoIn(root, relative, info)) continue;
    const std::string shown = Folder + "/" + relative;
    const bool isFolder = info.Kind == TPathKind::Directory;
    if (item.Directory) {
      if (!isFolder) return Fail(FormatText(Msg::NotAFolder, shown.c_str()));
    } else if (!Options.Replace || isFolder) {
      return Fail(FormatText(Msg::UnpackExists, shown.c_str()));
    }
  }
  Gauge();
  if (Next < Items().size()) return;
  TPathInfo info;
  if (!Options.ListPath.empty() && !Options.Replace && LinkInfo(Options.ListPath, info))
    return Fail(FormatText(Msg::UnpackExists, Options.ListPath.c_str()));
  Host.SetCaption(Msg::CaptionUnpack);
  Next = 0;
  Stage = TStage::Write;
  Gauge();
}

// The folder that holds imagePath, open, with the name inside it; NoFile
// when the walk's folders do not lead there.
TFileHandle TImageUnpack::ParentFolder(const std::string& imagePath, std::string& name) {
  const std::size_t slash = imagePath.rfind('\\');
  const std::string parent = imagePath.substr(0, slash);
  name = imagePath.substr(slash + 1);
  while (Folders.size() > 1 && Folders.back().first != parent) {
    ::CloseFile(Folders.back().second);
    Folders.pop_back();
  }
  return Folders.back().first == parent ? Folders.back().second : NoFile;
}

void TImageUnpack::StepWrite() {
  if (Next == Items().size()) {
    if (Options.ListPath.empty()) return Finish();
    Host.SetStatusText(Msg::StatusList);
    Stage = TStage::List;
    Gauge();
    return;
  }
  const TImageItem& item = Items()[Next];
  const std::string shown = Folder + "/" + RelativePath(item.Path);
  if (Out == NoFile) {
    SetStatus(Host, item.Path);
    std::string name;
    const TFileHandle parent = ParentFolder(item.Path, name);
    if (parent == NoFile) return Fail(FormatText(Msg::NotAFolder, FolderOfPath(shown).c_str()));
    if (item.Directory) {
      if (!MakeFolderIn(parent, name) && errno != EEXIST)
        return Fail(FormatText(Msg::CantCreate, shown.c_str(), std::strerror(errno)));
      // Never through a link: whatever a link points to lies outside.
      const TFileHandle fd = OpenFolderIn(parent, name);
      if (fd == NoFile) return Fail(FormatText(Msg::NotAFolder, shown.c_str()));
      Folders.emplace_back(item.Path, fd);
      const bool empty = Next + 1 == Items().size() ||
                         Items()[Next + 1].Path.compare(0, item.Path.size() + 1, item.Path + "\\") != 0;
      if (empty) Written.Add(item.Path, Root + "/" + RelativePath(item.Path));
      ++Next;
      Gauge();
      return;
    }
    Out = CreateNewFileIn(parent, name);
    if (Out == NoFile && errno == EEXIST && Options.Replace && RemoveFileIn(parent, name))
      Out = CreateNewFileIn(parent, name);
    if (Out == NoFile) {
      return Fail(errno == EEXIST ? FormatText(Msg::UnpackExists, shown.c_str())
                                  : FormatText(Msg::CantCreate, shown.c_str(), std::strerror(errno)));
    }
    OutName = name;
    Cursor = {};
    if (item.Size >= ReserveFrom) ReserveFileSpace(Out, item.Size);
  }
  if (!WriteSome()) return;
  if (OutDone < item.Size) {
    Gauge();
    return;
  }
  const TFileHandle fd = Out;
  Out = NoFile;
  OutDone = 0;
  if (!::CloseFile(fd)) {
    RemoveFileIn(Folders.back().second, OutName);
    return Fail(FormatText(Msg::CantWrite, shown.c_str(), std::strerror(errno)));
  }
  Written.Add(item.Path, Root + "/" + RelativePath(item.Path));
  ++Next;
  Gauge();
}

// Copies the next runs of the current file, at most BytesPerStep.
bool TImageUnpack::WriteSome() {
  const TImageItem& item = Items()[Next];
  const auto start = std::chrono::steady_clock::now();
  std::size_t budget = BytesPerStep;
  TDataRun run;
  while (budget > 0 && std::chrono::steady_clock::now() - start < StepTime &&
         Reader.NextRun(item, Cursor, std::min(budget, PieceSize), run)) {
    if (!CopyFileBytes(Reader.Fd(), run.Offset, Out, int64_t(OutDone), run.Length)) {
      const int error = errno;
      bool full = error == ENOSPC || error == EFBIG;
#ifdef EDQUOT
      full = full || error == EDQUOT;  // over the user's share of the disk
#endif
      Fail(full || error != EIO
               ? FormatText(Msg::CantWrite, (Folder + "/" + RelativePath(item.Path)).c_str(),
                            std::strerror(error))
               : FormatText(Msg::CantReadImage, ImagePath.c_str(), std::strerror(error)));
      return false;
    }
    OutDone += run.Length;
    BytesDone += run.Length;
    budget -= std::min(budget, run.Length);
  }
  return true;
}

// The list is saved safely (a new file renamed over the name); a list that
// was there already was refused by the folder check unless replacing.
void TImageUnpack::StepList() {
  std::string error;
  // Named from the root, so that the folder the list's paths start from is
  // the one the unpack folder was named from.
  if (!SaveEntryList(AbsolutePath(Options.ListPath), Written, error))
    return Fail(FormatText(Msg::CantWrite, Options.ListPath.c_str(), error.c_str()));
  Finish();
}

void TImageUnpack::Finish() {
  Completed = true;
  Stage = TStage::Idle;
  for (auto& f : Folders) ::CloseFile(f.second);
  Folders.clear();
  Host.SetCaption(Msg::CaptionDone);
  Host.SetStatusText("");
  Host.SetButtonText(Msg::ButtonOk);
}
