#include "image/image_unpack.h"

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
// Files whose presence in the folder is checked in one step.
constexpr std::size_t ChecksPerStep = 2000;
// Each item weighs this many bytes in the gauge, so that a tree of small
// files moves it as steadily as one large file does.
constexpr uint64_t ItemWeight = 4096;
// Bytes copied through memory where the system cannot copy between files.
constexpr std::size_t CopyBuffer = 1 << 20;

// "\A\B.TXT" as the real path below the folder: "A/B.TXT".
std::string RelativePath(const std::string& imagePath) {
  std::string out = imagePath.substr(imagePath.empty() || imagePath[0] != '\\' ? 0 : 1);
  std::replace(out.begin(), out.end(), '\\', '/');
  return out;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// path as an absolute path, from the current folder when relative; not
// through links, so that the list's relative paths come out as the user
// wrote them.
std::string AbsolutePath(const std::string& path) {
  std::string rest = path;
  while (rest.size() > 1 && rest.back() == '/') rest.pop_back();
  if (!rest.empty() && rest[0] == '/') return rest;
  std::vector<char> buffer(PATH_MAX);
  if (!::getcwd(buffer.data(), buffer.size())) return path;
  std::string out = buffer.data();
  while (rest.compare(0, 2, "./") == 0) rest = rest.substr(2);
  if (rest == ".") rest.clear();
  if (rest.empty()) return out;
  return out == "/" ? out + rest : out + "/" + rest;
}

// Copies n bytes of in at offset to the end of out; in the system where it
// can, through memory otherwise.
bool CopyBytes(int in, int64_t offset, int out, std::size_t n) {
  static thread_local bool kernelCopy = true;
  while (n > 0 && kernelCopy) {
    loff_t from = offset;
    const ssize_t r = ::copy_file_range(in, &from, out, nullptr, n, 0);
    if (r > 0) {
      offset += r;
      n -= static_cast<std::size_t>(r);
      continue;
    }
    if (r < 0 && errno == EINTR) continue;
    if (r == 0) {
      errno = EIO;  // the image ended early
      return false;
    }
    if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP) return false;
    kernelCopy = false;
  }
  std::vector<uint8_t> buffer(std::min(n, CopyBuffer));
  while (n > 0) {
    const std::size_t want = std::min(n, buffer.size());
    const int64_t r = ReadFully(in, buffer.data(), want, offset);
    if (r != int64_t(want)) {
      if (r >= 0) errno = EIO;  // the image ended early
      return false;
    }
    if (!WriteFully(out, buffer.data(), want)) return false;
    offset += r;
    n -= want;
  }
  return true;
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
  for (auto& f : Folders) ::close(f.second);
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
  if (Out < 0) return;
  ::close(Out);
  Out = -1;
  // A file cut short is not left behind looking whole.
  if (!Folders.empty()) ::unlinkat(Folders.back().second, OutName.c_str(), 0);
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
    if (problems.size() > 1) first = FormatText(Msg::MoreProblems, first.c_str(), problems.size() - 1);
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
  const bool made = ::mkdir(Folder.c_str(), 0777) == 0;
  if (!made && errno != EEXIST) {
    Fail(FormatText(Msg::CantCreate, Folder.c_str(), std::strerror(errno)));
    return false;
  }
  const int fd = ::open(Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    Fail(FormatText(Msg::NotAFolder, Folder.c_str()));
    return false;
  }
  Folders.emplace_back(std::string(), fd);
  Root = AbsolutePath(Folder);
  // In a folder just made, or empty, nothing can be in the way: the check
  // of every name is left out.
  FolderEmpty = made;
  if (!made) {
    const int again = ::dup(fd);
    if (DIR* dir = again >= 0 ? ::fdopendir(again) : nullptr) {
      FolderEmpty = true;
      while (const dirent* e = ::readdir(dir))
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) {
          FolderEmpty = false;
          break;
        }
      ::closedir(dir);
    } else if (again >= 0) {
      ::close(again);
    }
  }
  return true;
}

// Nothing is written until it is known that nothing would be replaced.
void TImageUnpack::StepCheckFolder() {
  const int root = Folders.front().second;
  if (FolderEmpty) Next = Items().size();
  const std::size_t end = std::min(Items().size(), Next + ChecksPerStep);
  for (; Next < end; ++Next) {
    const TImageItem& item = Items()[Next];
    const std::string relative = RelativePath(item.Path);
    struct stat st;
    if (::fstatat(root, relative.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    const std::string shown = Folder + "/" + relative;
    if (item.Directory) {
      if (!S_ISDIR(st.st_mode)) return Fail(FormatText(Msg::NotAFolder, shown.c_str()));
    } else if (!Options.Replace || S_ISDIR(st.st_mode)) {
      return Fail(FormatText(Msg::UnpackExists, shown.c_str()));
    }
  }
  Gauge();
  if (Next < Items().size()) return;
  struct stat st;
  if (!Options.ListPath.empty() && !Options.Replace && ::lstat(Options.ListPath.c_str(), &st) == 0)
    return Fail(FormatText(Msg::UnpackExists, Options.ListPath.c_str()));
  Host.SetCaption(Msg::CaptionUnpack);
  Next = 0;
  Stage = TStage::Write;
  Gauge();
}

// The folder that holds imagePath, open, with the name inside it; -1 when
// the walk's folders do not lead there.
int TImageUnpack::ParentFd(const std::string& imagePath, std::string& name) {
  const std::size_t slash = imagePath.rfind('\\');
  const std::string parent = imagePath.substr(0, slash);
  name = imagePath.substr(slash + 1);
  while (Folders.size() > 1 && Folders.back().first != parent) {
    ::close(Folders.back().second);
    Folders.pop_back();
  }
  return Folders.back().first == parent ? Folders.back().second : -1;
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
  if (Out < 0) {
    SetStatus(Host, item.Path);
    std::string name;
    const int parent = ParentFd(item.Path, name);
    if (parent < 0) return Fail(FormatText(Msg::NotAFolder, FolderOf(shown).c_str()));
    if (item.Directory) {
      if (::mkdirat(parent, name.c_str(), 0777) != 0 && errno != EEXIST)
        return Fail(FormatText(Msg::CantCreate, shown.c_str(), std::strerror(errno)));
      // Never through a link: whatever a link points to lies outside.
      const int fd = ::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (fd < 0) return Fail(FormatText(Msg::NotAFolder, shown.c_str()));
      Folders.emplace_back(item.Path, fd);
      const bool empty = Next + 1 == Items().size() ||
                         Items()[Next + 1].Path.compare(0, item.Path.size() + 1, item.Path + "\\") != 0;
      if (empty) Written.Add(item.Path, Root + "/" + RelativePath(item.Path));
      ++Next;
      Gauge();
      return;
    }
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    Out = ::openat(parent, name.c_str(), flags, 0666);
    if (Out < 0 && errno == EEXIST && Options.Replace && ::unlinkat(parent, name.c_str(), 0) == 0)
      Out = ::openat(parent, name.c_str(), flags, 0666);
    if (Out < 0) {
      return Fail(errno == EEXIST ? FormatText(Msg::UnpackExists, shown.c_str())
                                  : FormatText(Msg::CantCreate, shown.c_str(), std::strerror(errno)));
    }
    OutName = name;
    Cursor = {};
  }
  if (!WriteSome()) return;
  if (OutDone < item.Size) {
    Gauge();
    return;
  }
  const int fd = Out;
  Out = -1;
  OutDone = 0;
  if (::close(fd) != 0) {
    ::unlinkat(Folders.back().second, OutName.c_str(), 0);
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
    if (!CopyBytes(Reader.Fd(), run.Offset, Out, run.Length)) {
      const int error = errno;
      const bool full = error == ENOSPC || error == EDQUOT || error == EFBIG;
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
  for (auto& f : Folders) ::close(f.second);
  Folders.clear();
  Host.SetCaption(Msg::CaptionDone);
  Host.SetStatusText("");
  Host.SetButtonText(Msg::ButtonOk);
}
