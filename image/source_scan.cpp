#include "image/source_scan.h"

#include <cerrno>
#include <cstring>

#include "entries/dir_entry.h"
#include "image/build_host.h"
#include "image/build_messages.h"
#include "image/geometry.h"
#include "image/status_text.h"
#include "image/tree_walk.h"
#include "platform/file_system.h"

namespace {
bool Aborts(TBuildHost& host, const std::string& text) {
  return host.Ask(text, Msg::CaptionFileError, TButtons::YesNo) == TAnswer::Yes;
}

// The real path must name a regular file or a directory: anything else (a
// pipe, a socket, a device) would hang the build or copy endless bytes.
enum TSourceKind { SourceFile, SourceDirectory, SourceSkipped, SourceStop };

TSourceKind CheckSource(TBuildHost& host, const std::string& real) {
  for (;;) {
    TPathInfo info;
    std::string why;
    if (!PathInfo(real, info))
      why = std::strerror(errno);
    else if (info.Kind == TPathKind::Directory)
      return SourceDirectory;
    else if (info.Kind == TPathKind::File)
      return SourceFile;
    else
      why = Msg::NotFileOrDirectory;
    switch (host.Ask(FormatText(Msg::AccessError, real.c_str(), why.c_str()),
                     Msg::CaptionFileError, TButtons::AbortRetryIgnore)) {
      case TAnswer::Abort: return SourceStop;
      case TAnswer::Ignore: return SourceSkipped;
      default: break;  // Retry
    }
  }
}
}  // namespace

int ScanEntry(TBuildState& s, TBuildHost& host, const TEntryList& entries, long i) {
  const std::string* imagePath = entries.ImagePathAt(i);
  const std::string* realPath = entries.RealPathAt(i);
  if (!imagePath || !realPath) return 0;
  const std::string& P = *imagePath;

  TSourceKind kind = CheckSource(host, *realPath);
  if (kind == SourceStop) return 1;
  if (kind == SourceSkipped) return 0;

  TImagePathParts parts = SplitImagePath(P);
  // Deeper paths would run the walk past its last level.
  std::size_t levels = parts.Directories.size() + (kind == SourceDirectory ? 1 : 0);
  if (levels > static_cast<std::size_t>(MaxDirectoryLevels))
    return Aborts(host, FormatText(Msg::TooDeep, P.c_str(), MaxDirectoryLevels)) ? 1 : 0;

  TChildArray* current = s.Root.get();
  for (const auto& dir : parts.Directories) {
    uint8_t found = 0;
    long at = FindChild(*current, dir.Name, dir.Ext, &found);
    if (at < 0) {
      auto node = std::make_unique<TImageInfo>(dir.Name, dir.Ext, KindDirectory, nullptr);
      TChildArray* children = node->Children.get();
      if (current->Add(std::move(node)) < 0) return 1;
      ++s.ItemCount;
      current = children;
    } else if (found == KindDirectory) {
      current = (*current)[static_cast<std::size_t>(at)].Children.get();
    } else {
      return Aborts(host, FormatText(Msg::DirectoryIsFile, P.substr(0, dir.End).c_str())) ? 1 : 0;
    }
  }

  if (FindChild(*current, parts.Name, parts.Ext, nullptr) >= 0)
    return Aborts(host, FormatText(Msg::FileExists, P.c_str())) ? 1 : 0;

  std::unique_ptr<TImageInfo> node =
      kind == SourceDirectory
          ? std::make_unique<TImageInfo>(parts.Name, parts.Ext, KindDirectory, nullptr)
          : std::make_unique<TImageInfo>(parts.Name, parts.Ext, KindFile, realPath);
  if (current->Add(std::move(node)) < 0) return 1;
  ++s.ItemCount;
  return 0;
}

TFileHandle OpenSource(TBuildHost& host, const std::string& path, int64_t* size) {
  for (;;) {
    // Opened so that a source swapped for a pipe cannot hang the build.
    TFileHandle fd = OpenForReading(path);
    if (fd != NoFile) {
      TPathInfo info;
      if (!size) return fd;
      if (HandleInfo(fd, info) && info.Kind == TPathKind::File) {
        *size = info.Size;
        return fd;
      }
      CloseFile(fd);
    }
    if (host.Ask(FormatText(Msg::OpenError, path.c_str()), Msg::CaptionFileError,
                 TButtons::RetryCancel) == TAnswer::Cancel)
      return NoFile;
  }
}

int CountStep(TBuildState& s, TBuildHost& host) {
  TImageInfo* node = nullptr;
  TWalkResult r = WalkNext(s, &node);
  if (r != WalkNode) return r;
  SetStatus(host, NodePathText(s));
  if (node->IsDirectory()) {
    CountDirectory(s, node->Children->Count());
  } else {
    TFileHandle fd = OpenSource(host, node->SourcePath, &node->MeasuredSize);
    if (fd == NoFile) return 3;
    CloseFile(fd);
    CountFile(s, node->MeasuredSize);
  }
  WalkPast(s, *node);
  return 0;
}
