#include "entries/list_file.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <functional>
#include <memory>
#include <sstream>
#include <utility>
#include <vector>

#include "entries/dir_entry.h"
#include "entries/path_rules.h"
#include "platform/file_io.h"
#include "platform/file_system.h"

namespace {

// Editors on some systems start a UTF-8 text with this mark.
constexpr char ByteOrderMark[] = "\xEF\xBB\xBF";

// A list is read in pieces of this size: few reads, and little held.
constexpr std::size_t ListPiece = 64 << 10;

// Puts the list's next bytes into data: how many (0 at its end), or -1 with
// errno when they cannot be read.
using TReadPiece = std::function<int64_t(char* data, std::size_t n)>;

enum class TRead { Line, End, TooLong, Failed };

// The lines of a list, read piece by piece. A line that grows past
// MaxListLine is not kept: a stray binary file must not be read into
// memory whole.
class TLineReader {
 public:
  explicit TLineReader(TReadPiece read) : Read(std::move(read)), Piece(ListPiece) {}

  // The next line without its LF.
  TRead Next(std::string& line) {
    line.clear();
    bool begun = false;
    for (;;) {
      if (At == Filled) {
        // A terminal gives more after its end: it is asked only once.
        if (Ended) return begun ? TRead::Line : TRead::End;
        const int64_t got = Read(Piece.data(), Piece.size());
        if (got < 0) return TRead::Failed;
        Ended = got == 0;
        At = 0;
        Filled = static_cast<std::size_t>(got);
        continue;
      }
      const char* from = Piece.data() + At;
      const char* end = static_cast<const char*>(std::memchr(from, '\n', Filled - At));
      const std::size_t n = end ? static_cast<std::size_t>(end - from) : Filled - At;
      if (line.size() + n > MaxListLine) return TRead::TooLong;
      line.append(from, n);
      begun = true;
      At += n;
      if (end) {
        ++At;
        return TRead::Line;
      }
    }
  }

 private:
  TReadPiece Read;
  std::vector<char> Piece;
  std::size_t At = 0, Filled = 0;
  bool Ended = false;
};

bool IsBlankLine(const std::string& line) {
  for (unsigned char c : line)
    if (!IsBlank(c)) return false;
  return true;
}

// folder/path, without doubling a separator at the end of folder.
std::string Joined(const std::string& folder, const std::string& path) {
  return JoinPath(folder, path);
}

// What a file is told when it holds no list at all (a sample, a picture, a
// text of another kind), rather than the fault of its first line.
constexpr char NotAListFile[] =
    "is not a list file (each line of a list is an image path, a TAB and a real path)";
constexpr char NulFault[] = "NUL byte in the line";
constexpr char NoTabFault[] = "no TAB between the image path and the real path";

// Whether a line still to come holds a TAB, as the lines of a list do.
bool TabFollows(TLineReader& lines) {
  std::string line;
  while (lines.Next(line) == TRead::Line)
    if (line.rfind('#', 0) != 0 && line.find('\t') != std::string::npos) return true;
  return false;
}

// Checks one line that is neither blank nor a comment; an empty result means
// it was taken.
std::string TakeLine(const std::string& line, const std::string& folder, std::string& image,
                     std::string& real) {
  if (line.find('\0') != std::string::npos) return NulFault;
  std::size_t tab = line.find('\t');
  if (tab == std::string::npos) return NoTabFault;
  image = line.substr(0, tab);
  real = line.substr(tab + 1);

  TrimBlanks(image);
  if (image.empty()) return "empty image path";
  std::string written = image;
  // As the entry dialog's field does with typed text; a list written by
  // hand in small letters would otherwise sort apart and clash in the image.
  image = UpperCase(std::move(image));
  if (!CheckPath(image, PathRooted)) return "invalid image path " + written;
  if (image.size() > MaxImagePath)
    return "image path longer than " + std::to_string(MaxImagePath) + " characters";

  if (real.empty()) return "empty real path";
  if (IsBlankLine(real)) return "real path of blanks only";
  if (!IsAbsolutePath(real)) real = Joined(folder, real);
  return RealPathFault(real);
}

std::string CurrentFolder() { return WorkingFolder(); }

const char ListHeader[] =
    "# Quorel CD-ROM Image Maker entry list: image path, TAB, real path\n";

// ReadEntryList over the bytes that read gives.
bool ReadLines(TReadPiece read, TEntryList& entries, TListError& error,
               const std::string& folder) {
  error = {};
  TLineReader lines(std::move(read));
  // Entries go into the list only once every line has passed.
  std::vector<std::unique_ptr<TDirEntry>> taken;
  std::string line, image, real;
  for (long number = 1;; ++number) {
    TRead r = lines.Next(line);
    if (r == TRead::End) break;
    if (r == TRead::Failed) {
      error.Message = std::string("cannot be read: ") + std::strerror(errno);
      return false;
    }
    // Before the first entry, a line no list holds says that this is no list.
    if (r == TRead::TooLong) {
      error = taken.empty() ? TListError{0, NotAListFile}
                            : TListError{number, "line longer than " +
                                                     std::to_string(MaxListLine) + " bytes"};
      return false;
    }
    if (number == 1 && line.compare(0, 3, ByteOrderMark) == 0) line.erase(0, 3);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#' || IsBlankLine(line)) continue;
    std::string fault = TakeLine(line, folder, image, real);
    if (!fault.empty()) {
      const bool noList = taken.empty() && (fault == NulFault ||
                                            (fault == NoTabFault && !TabFollows(lines)));
      error = noList ? TListError{0, NotAListFile} : TListError{number, std::move(fault)};
      return false;
    }
    taken.push_back(std::make_unique<TDirEntry>(std::move(image), std::move(real)));
  }
  if (!entries.AddAll(std::move(taken))) {
    error.Message = "out of memory";
    return false;
  }
  return true;
}
}  // namespace

// A real path is taken as written: a file may well be named with a blank
// at its end.
std::string RealPathFault(const std::string& path) {
  if (path.empty()) return "empty real path";
  if (IsBlankLine(path)) return "real path of blanks only";
  for (unsigned char c : path)
    if (c < 0x20 || c == 0x7F) return "control character in the real path";
  if (path.size() >= static_cast<std::size_t>(PATH_MAX))
    return "real path longer than " + std::to_string(PATH_MAX - 1) + " bytes";
  return {};
}

bool ReadEntryList(std::istream& in, TEntryList& entries, TListError& error,
                   const std::string& folder) {
  std::streambuf* buf = in.rdbuf();
  if (!buf) {
    error = {0, "cannot be read"};
    return false;
  }
  return ReadLines([buf](char* data, std::size_t n) { return int64_t(buf->sgetn(data, n)); },
                   entries, error, folder);
}

bool ReadEntryList(const std::string& text, TEntryList& entries, TListError& error,
                   const std::string& folder) {
  std::istringstream in(text);
  return ReadEntryList(in, entries, error, folder);
}

bool LoadEntryList(const std::string& path, TEntryList& entries, TListError& error) {
  error = {};
  // A directory opens here and fails only at the first read: it is told
  // apart first.
  TPathInfo info;
  if (!PathInfo(path, info)) {
    error.Message = std::string("cannot be read: ") + std::strerror(errno);
    return false;
  }
  if (info.Kind == TPathKind::Directory) {
    error.Message = "is a directory, not a list file";
    return false;
  }
  // Waits on a pipe, so that a list can come from <(...).
  const TFileHandle file = OpenWholeForReading(path);
  if (file == NoFile) {
    error.Message = std::string("cannot be read: ") + std::strerror(errno);
    return false;
  }
  const bool ok =
      ReadLines([file](char* data, std::size_t n) { return ReadNext(file, data, n); }, entries,
                error, FolderOfPath(path));
  CloseFile(file);
  return ok;
}

std::string ListedRealPath(const std::string& realPath, const std::string& folder,
                           const std::string& workingFolder) {
  std::string path = IsAbsolutePath(realPath) ? realPath : Joined(workingFolder, realPath);
  // Below folder: its path, then a separator (either one on Windows).
  const std::size_t cut = !folder.empty() && IsPathSeparator(folder.back()) ? folder.size() - 1
                                                                          : folder.size();
  if (path.size() > cut + 1 && path.compare(0, cut, folder, 0, cut) == 0 &&
      IsPathSeparator(path[cut]))
    return path.substr(cut + 1);
  return path;
}

void WriteEntryList(std::ostream& out, const TEntryList& entries, const std::string& folder,
                    const std::string& workingFolder) {
  out << ListHeader;
  for (std::size_t i = 0; i < entries.Count(); ++i)
    out << entries[i].ImagePath << '\t'
        << ListedRealPath(entries[i].RealPath, folder, workingFolder) << '\n';
}

bool SaveEntryList(const std::string& path, const TEntryList& entries, std::string& error,
                   TListSave how) {
  error.clear();
  const std::string working = CurrentFolder();
  // A link is followed when updating, so that the list it points to gets
  // the new text.
  const std::string target = how == TListSave::Update ? LinkTarget(path) : path;
  std::string folder = FolderOfPath(target);
  // "." parts would hide that a file lies below the folder ("back.qvl"
  // saved in the working folder, "./show/back.qvl").
  while (folder.size() >= 2 && folder[0] == '.' && IsPathSeparator(folder[1]))
    folder.erase(0, 2);
  if (folder == ".") folder.clear();
  if (!IsAbsolutePath(folder)) folder = folder.empty() ? working : Joined(working, folder);

  std::ostringstream text;
  WriteEntryList(text, entries, folder, working);

  // The new file sits beside the old one, so the rename stays in one file
  // system and replaces the old file in one go.
  const std::string temporary = CreateFileBeside(target);
  if (temporary.empty()) {
    error = std::strerror(errno);
    return false;
  }
  TFileHandle fd = OpenForWriting(temporary);
  if (fd == NoFile) {
    error = std::strerror(errno);
    RemoveFile(temporary);
    return false;
  }
  // The list keeps the old file's permissions; a new one gets the usual.
  const std::string bytes = text.str();
  bool ok = KeepPermissionsOf(target, fd) && WriteFully(fd, bytes.data(), bytes.size()) &&
            SyncFile(fd);
  int saved = errno;
  if (!CloseFile(fd) && ok) {
    ok = false;
    saved = errno;
  }
  if (ok && !(how == TListSave::CreateNew ? RenameWithoutReplacing(temporary, target)
                                           : RenameFile(temporary, target))) {
    ok = false;
    saved = errno;
  }
  if (!ok) {
    RemoveFile(temporary);
    error = std::strerror(saved);
    errno = saved;
  }
  return ok;
}
