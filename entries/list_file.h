// The entry list as a text file, the one format both programs read and
// write: UTF-8 text, one entry per line, the image path, a TAB, then the
// real path. Blank lines and lines that begin with "#" are skipped; a line
// may end in CR LF.
#pragma once

#include <cstddef>
#include <istream>
#include <ostream>
#include <string>

class TEntryList;

// A line longer than this is refused before it is looked at: an image path,
// a TAB and the longest real path the system takes, with room for blanks.
constexpr std::size_t MaxListLine = 8192;

// The extension the window program gives list files, and its file filter.
constexpr char ListFileExtension[] = "qvl";
constexpr char ListFileFilter[] = "Entry List (*.qvl)|*.qvl";

// The first line that could not be taken.
struct TListError {
  long Line = 0;  // counted from 1; 0 when the fault is not in one line
  std::string Message;
};

// Reads every line of in and adds its entry to entries. Image paths are
// upper-cased and normalised as the entry dialog does (so samples\piano.qvf
// becomes \SAMPLES\PIANO.QVF). A real path is kept exactly as written, blanks
// and all; a relative one is taken relative to folder ("" for the current
// folder). On the first bad line nothing at all is added and error names
// that line; a file that holds no list at all (a NUL byte, a line longer
// than any list's, before the first entry, or no line with a TAB) is said
// to be none, with Line 0. The lines go in sorted, in n log n.
bool ReadEntryList(std::istream& in, TEntryList& entries, TListError& error,
                   const std::string& folder = std::string());
bool ReadEntryList(const std::string& text, TEntryList& entries, TListError& error,
                   const std::string& folder = std::string());

// Reads the list file at path, relative real paths from its folder
// (FolderOfPath: "" for a bare name, the current folder). A file
// that cannot be read (missing, a directory, no permission) is an error
// with Line 0 that says why.
bool LoadEntryList(const std::string& path, TEntryList& entries, TListError& error);

// The real path as a list in folder (an absolute path) writes it: relative
// to folder when it lies below it, else absolute. A relative path is first
// taken relative to workingFolder, the folder it meant so far.
std::string ListedRealPath(const std::string& realPath, const std::string& folder,
                           const std::string& workingFolder);

// Writes every entry, in list order (sorted by image path), after a comment
// line; real paths as ListedRealPath gives them.
void WriteEntryList(std::ostream& out, const TEntryList& entries, const std::string& folder,
                    const std::string& workingFolder);

// How a list file is put in place.
enum class TListSave {
  Update,     // a link at path is followed: the list it leads to gets the text
  CreateNew,  // path itself, never through a link; nothing there is replaced
  Replace,    // path itself, never through a link; whatever is there goes
};

// Saves the list to path safely: written to a new file beside it, flushed
// to the disk and renamed over path, so that a failure leaves the old file
// as it was. False with the reason in error (and errno, EEXIST when
// CreateNew found something there) when it could not be saved.
bool SaveEntryList(const std::string& path, const TEntryList& entries, std::string& error,
                   TListSave how = TListSave::Update);

// Why a real path cannot stand in a list file (read back, it would be
// refused), or "" when it can.
std::string RealPathFault(const std::string& path);
