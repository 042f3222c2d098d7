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
bool Aborts(TBuildHost& host, const TQuestion& question) {
  return host.Ask(question) == TAnswer::Yes;
}

// The real path must name a regular file or a directory: anything else (a
// pipe, a socket, a device) would hang the build or copy endless bytes.
enum TSourceKind { SourceFile, SourceDirectory, SourceSkipped, SourceStop };

TSourceKind CheckSource(TBuildHost& host, const std::string& real, TPathInfo& info) {
  for (;;) {
    std::string why;
    if (!PathInfo(real, info))
      why = std::strerror(errno);
    else if (info.Kind == TPathKind::Directory)
      return SourceDirectory;
    else if (info.Kind == TPathKind::File)
      return SourceFile;
    else
      why = Msg::NotFileOrDirectory;
    switch (host.Ask({TQuestionKind::SourceUnreachable, real, why})) {
      case TAnswer::Abort: return SourceStop;
      case TAnswer::Ignore: return SourceSkipped;
      default: break;  // Retry
    }
  }
}
}  // namespace

THang HangEntry(TBuildState& s, const std::string& imagePath, const std::string& realPath,
                bool directory) {
  const TImagePathParts parts = SplitImagePath(imagePath);
  // Deeper paths would run the walk past its last level.
  const std::size_t levels = parts.Directories.size() + (directory ? 1 : 0);
  if (levels > static_cast<std::size_t>(MaxDirectoryLevels)) return {THangResult::TooDeep};
  // A directory that would pass FAT's limit of records stops the build.
  auto full = [](const TChildArray& array) {
    return array.Count() >= static_cast<std::size_t>(MaxDirectoryRecords);
  };

  TChildArray* current = s.Root.get();
  std::size_t parentEnd = 0;  // the path of current, without its last "\"
  for (const auto& dir : parts.Directories) {
    uint8_t found = 0;
    long at = FindChild(*current, dir.Name, dir.Ext, &found);
    if (at < 0) {
      if (current != s.Root.get() && full(*current)) return {THangResult::DirectoryFull, parentEnd};
      auto node = std::make_unique<TImageInfo>(dir.Name, dir.Ext, KindDirectory, nullptr);
      TChildArray* children = node->Children.get();
      if (current->Add(std::move(node)) < 0) return {THangResult::NoMemory};
      ++s.ItemCount;
      current = children;
    } else if (found == KindDirectory) {
      current = (*current)[static_cast<std::size_t>(at)].Children.get();
    } else {
      return {THangResult::DirectoryIsFile, dir.End};
    }
    parentEnd = dir.End;
  }

  if (FindChild(*current, parts.Name, parts.Ext, nullptr) >= 0) return {THangResult::NameClash};
  // The root's own limit, far smaller, is told once the scan is over.
  if (current != s.Root.get() && full(*current)) return {THangResult::DirectoryFull, parentEnd};

  std::unique_ptr<TImageInfo> node =
      directory ? std::make_unique<TImageInfo>(parts.Name, parts.Ext, KindDirectory, nullptr)
                : std::make_unique<TImageInfo>(parts.Name, parts.Ext, KindFile, &realPath);
  const long at = current->Add(std::move(node));
  if (at < 0) return {THangResult::NoMemory};
  ++s.ItemCount;
  return {THangResult::Added, 0, &(*current)[static_cast<std::size_t>(at)]};
}

TScanResult ScanEntry(TBuildState& s, TBuildHost& host, const TEntryList& entries, long i) {
  constexpr TScanResult Next = TScanResult::Next, Stop = TScanResult::Stop;
  const std::string* imagePath = entries.ImagePathAt(i);
  const std::string* realPath = entries.RealPathAt(i);
  if (!imagePath || !realPath) return Next;
  const std::string& P = *imagePath;
  auto askAbort = [&](const TQuestion& question) { return Aborts(host, question) ? Stop : Next; };

  TPathInfo info;
  TSourceKind kind = CheckSource(host, *realPath, info);
  if (kind == SourceStop) return Stop;
  if (kind == SourceSkipped) return Next;

  const THang hang = HangEntry(s, P, *realPath, kind == SourceDirectory);
  switch (hang.Result) {
    case THangResult::Added:
      if (kind != SourceFile) return Next;
      // This is the file's one look before it is written: the layout is
      // made for the size found here. A file whose bits forbid this program
      // to read it is asked about now, before the statistics, not when its
      // turn comes.
      if (!info.MayRead) {
        TFileHandle fd = OpenSource(host, *realPath, &info.Size);
        if (fd == NoFile) return TScanResult::Cancelled;
        CloseFile(fd);
      }
      hang.Node->MeasuredSize = info.Size;
      return Next;
    case THangResult::TooDeep:
      return askAbort({TQuestionKind::TooDeep, P, {}, MaxDirectoryLevels});
    case THangResult::DirectoryIsFile:
      return askAbort({TQuestionKind::DirectoryIsFile, P.substr(0, hang.PathEnd)});
    case THangResult::NameClash: return askAbort({TQuestionKind::NameClash, P});
    case THangResult::DirectoryFull:
      host.Ask({TQuestionKind::DirectoryFull, P.substr(0, hang.PathEnd), {}, MaxDirectoryRecords});
      return Stop;
    case THangResult::NoMemory: break;
  }
  return Stop;
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
    if (host.Ask({TQuestionKind::SourceUnopenable, path}) == TAnswer::Cancel)
      return NoFile;
  }
}

TCountResult CountStep(TBuildState& s, TBuildHost& host) {
  TImageInfo* node = nullptr;
  switch (WalkNext(s, &node)) {
    case TWalkResult::Up: return TCountResult::Up;
    case TWalkResult::Done: return TCountResult::Done;
    case TWalkResult::Node: break;
  }
  SetStatus(host, NodePathText(s));
  if (node->IsDirectory())
    CountDirectory(s, node->Children->Count());
  else
    CountFile(s, node->MeasuredSize);
  WalkPast(s, *node);
  return TCountResult::Node;
}

void CountTree(TBuildState& s, const TChildArray& array) {
  for (std::size_t i = 0; i < array.Count(); ++i) {
    const TImageInfo& node = array[i];
    if (node.IsDot()) continue;
    if (node.IsDirectory()) {
      CountDirectory(s, node.Children->Count());
      CountTree(s, *node.Children);
    } else {
      CountFile(s, node.MeasuredSize);
    }
  }
}
