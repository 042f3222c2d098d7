#include "image/image_unpack.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "entries/list_file.h"
#include "entries/path_rules.h"
#include "image/build_host.h"
#include "image/build_messages.h"
#include "image/damaged_image.h"
#include "image/status_text.h"
#include "platform/file_io.h"

namespace {
// A large file is copied over several steps, in pieces of this size, until
// a step has copied BytesPerStep or spent StepTime (a slow disk), so that
// no step holds the window.
constexpr std::size_t PieceSize = 2 << 20;
constexpr std::size_t BytesPerStep = 8 << 20;
// A file of at least this size gets its room on the disk set aside before
// its first byte is written: one call that spares the file system finding
// room page by page (a fifth of the time of a large file here).
constexpr uint32_t ReserveFrom = 1 << 20;
// Fresh names tried for a file written beside the one it replaces.
constexpr int MaxTemporaryNames = 1000;
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

bool CanUnpack(const TImageReader& reader, const std::string& imagePath, TQuestion& why) {
  if (!reader.Result().Ok()) {
    why = DamagedImage(reader, imagePath, TQuestionKind::ImageDamaged, TQuestionKind::ImageDamaged);
    return false;
  }
  for (const TImageItem& item : reader.Items()) {
    // Its entry could not be read back from a list, nor built again.
    if (item.Path.size() > MaxImagePath) {
      why = {TQuestionKind::ImagePathTooLong, imagePath, item.Path, MaxImagePath};
      return false;
    }
  }
  return true;
}

TImageUnpack::TImageUnpack(std::string imagePath, std::string folder, TBuildHost& host,
                           TUnpackOptions options)
    : TSteppedWork(host),
      ImagePath(std::move(imagePath)),
      Folder(std::move(folder)),
      Options(std::move(options)),
      Reader(ImagePath) {}

TImageUnpack::~TImageUnpack() {
  CloseFile();
  for (auto& f : Folders) ::CloseFile(f.second);
}

void TImageUnpack::Start() {
  Host.SetCaption(Msg::CaptionRead);
  Host.SetButtonText(Msg::ButtonCancel);
  ShowProgress();
  if (!Reader.Open())
    return Fail(DamagedImage(Reader, ImagePath, TQuestionKind::ImageDamaged,
                             TQuestionKind::ImageDamaged));
  HandleInfo(Reader.Fd(), Image);
  Stage = TStage::Read;
}

void TImageUnpack::ShowProgress() {
  switch (Stage) {
    case TStage::Read:
      return Gauge(PercentOf(Reader.Result().UsedClusters, Reader.MarkedClusters(), 100));
    case TStage::CheckFolder:
      return Gauge(PercentOf(int64_t(Next), int64_t(Items().size()), 100));
    case TStage::Write:
      return Gauge(PercentOf(int64_t(BytesDone + Next * ItemWeight),
                             int64_t(TotalBytes + Items().size() * ItemWeight), 100));
    case TStage::List: return Gauge(100);
    case TStage::Idle: return Gauge(0);
  }
}

void TImageUnpack::CloseFile() {
  if (Out == NoFile) return;
  ::CloseFile(Out);
  Out = NoFile;
  // A file cut short is not left behind looking whole.
  if (!Folders.empty()) RemoveFileIn(Folders.back().second, OutName);
}

void TImageUnpack::Release() {
  CloseFile();
  Stage = TStage::Idle;
}

void TImageUnpack::Step() {
  if (!Running()) return;
  switch (Stage) {
    case TStage::Read: StepRead(); break;
    case TStage::CheckFolder: StepCheckFolder(); break;
    case TStage::Write: StepWrite(); break;
    case TStage::List: StepList(); break;
    case TStage::Idle: break;
  }
}

void TImageUnpack::StepRead() {
  if (ReadImageStep(Reader)) return;
  TQuestion refused{TQuestionKind::ImageDamaged};
  if (!CanUnpack(Reader, ImagePath, refused)) return Fail(refused);
  std::string longest;
  for (const TImageItem& item : Items()) {
    if (item.Path.size() > longest.size()) longest = item.Path;
    TotalBytes += item.Size;
  }
  // The entries name the files from the folder's absolute path: a folder
  // whose path a list cannot hold is refused before anything is written.
  Root = AbsolutePath(Folder);
  const std::string fault = RealPathFault(Root + "/" + RelativePath(longest));
  if (!fault.empty()) return Fail({TQuestionKind::FolderNotListable, Folder, fault});
  if (!PrepareFolder()) return;
  Host.SetCaption(Msg::CaptionCheckFolder);
  Next = 0;
  Stage = TStage::CheckFolder;
  ShowProgress();
}

// An existing folder is opened to be checked; a missing one is made only
// once nothing stands in the way, so that a refused unpacking leaves none.
bool TImageUnpack::PrepareFolder() {
  TPathInfo info;
  FolderMissing = !LinkInfo(Folder, info) && errno == ENOENT;
  FolderEmpty = FolderMissing;
  if (FolderMissing) return true;
  const TFileHandle fd = ::OpenFolder(Folder);
  if (fd == NoFile) {
    Fail({TQuestionKind::NotAFolder, Folder});
    return false;
  }
  Folders.emplace_back(std::string(), fd);
  // In an empty folder nothing can be in the way: the check of every name
  // is left out.
  std::vector<std::string> names;
  FolderEmpty = FolderNames(Folder, names) && names.empty();
  return true;
}

bool TImageUnpack::MakeTheFolder() {
  if (!MakeFolder(Folder)) {
    if (errno != EEXIST) {
      Fail({TQuestionKind::CantCreate, Folder, std::strerror(errno)});
      return false;
    }
    // It appeared meanwhile: it is checked as any folder that was there.
    if (PrepareFolder()) Next = 0;
    return false;
  }
  FolderMissing = false;
  const TFileHandle fd = ::OpenFolder(Folder);
  if (fd == NoFile) {
    Fail({TQuestionKind::NotAFolder, Folder});
    return false;
  }
  Folders.emplace_back(std::string(), fd);
  return true;
}

// Nothing is written until it is known that nothing would be replaced that
// may not be: a file without leave, a folder, or the image itself.
void TImageUnpack::StepCheckFolder() {
  if (FolderEmpty) Next = Items().size();
  const std::size_t end = std::min(Items().size(), Next + ChecksPerStep);
  for (; Next < end; ++Next) {
    const TImageItem& item = Items()[Next];
    const std::string relative = RelativePath(item.Path);
    TPathInfo info;
    if (!LinkInfoIn(Folders.front().second, relative, info)) continue;
    const std::string shown = Folder + "/" + relative;
    const bool isFolder = info.Kind == TPathKind::Directory;
    if (item.Directory) {
      if (!isFolder) return Fail({TQuestionKind::NotAFolder, shown});
    } else if (info.SameFile(Image)) {
      return Fail({TQuestionKind::ImageInTheWay, shown});
    } else if (!Options.Replace || isFolder) {
      return Fail({TQuestionKind::UnpackExists, shown});
    }
  }
  ShowProgress();
  if (Next < Items().size()) return;
  TPathInfo info;
  if (!Options.ListPath.empty() && LinkInfo(Options.ListPath, info)) {
    if (info.SameFile(Image)) return Fail({TQuestionKind::ImageInTheWay, Options.ListPath});
    if (!Options.Replace) return Fail({TQuestionKind::UnpackExists, Options.ListPath});
  }
  if (FolderMissing && !MakeTheFolder()) return;
  Host.SetCaption(Msg::CaptionUnpack);
  Next = 0;
  Stage = TStage::Write;
  ShowProgress();
}

// A file that replaces another is written under a fresh name beside it and
// renamed over it once complete: a stop on the way leaves the old one.
TFileHandle TImageUnpack::CreateBeside(TFileHandle parent, const std::string& name) {
  for (int n = 1; n <= MaxTemporaryNames; ++n) {
    OutName = "." + name + "." + std::to_string(n);
    const TFileHandle fd = CreateNewFileIn(parent, OutName);
    if (fd != NoFile || errno != EEXIST) return fd;
  }
  return NoFile;
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
    ShowProgress();
    return;
  }
  const TImageItem& item = Items()[Next];
  const std::string shown = Folder + "/" + RelativePath(item.Path);
  if (Out == NoFile) {
    SetStatus(Host, item.Path);
    std::string name;
    const TFileHandle parent = ParentFolder(item.Path, name);
    if (parent == NoFile) return Fail({TQuestionKind::NotAFolder, FolderOfPath(shown)});
    if (item.Directory) {
      if (!MakeFolderIn(parent, name) && errno != EEXIST)
        return Fail({TQuestionKind::CantCreate, shown, std::strerror(errno)});
      // Never through a link: whatever a link points to lies outside.
      const TFileHandle fd = OpenFolderIn(parent, name);
      if (fd == NoFile) return Fail({TQuestionKind::NotAFolder, shown});
      Folders.emplace_back(item.Path, fd);
      const bool empty = Next + 1 == Items().size() ||
                         Items()[Next + 1].Path.compare(0, item.Path.size() + 1, item.Path + "\\") != 0;
      if (empty) Written.Add(item.Path, Root + "/" + RelativePath(item.Path));
      ++Next;
      ShowProgress();
      return;
    }
    OutName = name;
    FinalName.clear();
    Out = CreateNewFileIn(parent, name);
    if (Out == NoFile && errno == EEXIST && Options.Replace) {
      Out = CreateBeside(parent, name);
      FinalName = name;
    }
    if (Out == NoFile) {
      if (errno == EEXIST) return Fail({TQuestionKind::UnpackExists, shown});
      return Fail({TQuestionKind::CantCreate, shown, std::strerror(errno)});
    }
    Cursor = {};
    if (item.Size >= ReserveFrom) ReserveFileSpace(Out, item.Size);
  }
  if (!WriteSome()) return;
  if (OutDone < item.Size) {
    ShowProgress();
    return;
  }
  const TFileHandle fd = Out;
  Out = NoFile;
  OutDone = 0;
  const TFileHandle parent = Folders.back().second;
  if (!::CloseFile(fd) || (!FinalName.empty() && !RenameIn(parent, OutName, FinalName))) {
    const int error = errno;
    RemoveFileIn(parent, OutName);
    return Fail({TQuestionKind::CantWrite, shown, std::strerror(error)});
  }
  Written.Add(item.Path, Root + "/" + RelativePath(item.Path));
  ++Next;
  ShowProgress();
}

// Copies the next runs of the current file, at most BytesPerStep.
bool TImageUnpack::WriteSome() {
  const TImageItem& item = Items()[Next];
  const TStepTimer timer;
  std::size_t budget = BytesPerStep;
  TDataRun run;
  while (budget > 0 && !timer.Spent() &&
         Reader.NextRun(item, Cursor, std::min(budget, PieceSize), run)) {
    if (!CopyFileBytes(Reader.Fd(), run.Offset, Out, int64_t(OutDone), run.Length)) {
      const int error = errno;
      bool full = error == ENOSPC || error == EFBIG;
#ifdef EDQUOT
      full = full || error == EDQUOT;  // over the user's share of the disk
#endif
      if (full || error != EIO)
        Fail({TQuestionKind::CantWrite, Folder + "/" + RelativePath(item.Path), std::strerror(error)});
      else
        Fail({TQuestionKind::CantReadImage, ImagePath, std::strerror(error)});
      return false;
    }
    OutDone += run.Length;
    BytesDone += run.Length;
    budget -= std::min(budget, run.Length);
  }
  return true;
}

// The list is saved safely (a new file renamed over the name), never
// through a link: without leave to replace, nothing that appeared there
// meanwhile is replaced; with it, a link there gives way as a link.
void TImageUnpack::StepList() {
  std::string error;
  // Named from the root, so that the folder the list's paths start from is
  // the one the unpack folder was named from.
  if (!SaveEntryList(AbsolutePath(Options.ListPath), Written, error,
                     Options.Replace ? TListSave::Replace : TListSave::CreateNew)) {
    if (!Options.Replace && errno == EEXIST)
      return Fail({TQuestionKind::UnpackExists, Options.ListPath});
    return Fail({TQuestionKind::CantWrite, Options.ListPath, error});
  }
  Finish();
}

void TImageUnpack::Finish() {
  Stage = TStage::Idle;
  for (auto& f : Folders) ::CloseFile(f.second);
  Folders.clear();
  Complete();
}
