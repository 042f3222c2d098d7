// The core's only door to the file system. Everything the build, the reader
// and the folder walk ask of files goes through these few calls, which have
// one side for POSIX systems (file_system_posix.cpp) and one for Windows
// (file_system_win32.cpp, UTF-16 file calls, so that any name works).
//
// Paths are UTF-8 on both sides. Every call that fails leaves the reason in
// errno (the Windows side turns the system's error into the errno it is
// closest to), so messages read the same on both systems.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// An open file; NoFile when there is none.
using TFileHandle = std::intptr_t;
constexpr TFileHandle NoFile = -1;

enum class TPathKind { Missing, File, Directory, Other };

struct TPathInfo {
  TPathKind Kind = TPathKind::Missing;
  int64_t Size = 0;
  // Whether its permission bits let this program read it: a first answer
  // that costs no call of its own; opening it has the last word (an access
  // list may say otherwise). Always true on Windows, which keeps no such bits.
  bool MayRead = true;
  // Together these name the file itself, whatever path led to it.
  uint64_t Device = 0;
  uint64_t Id = 0;
  bool SameFile(const TPathInfo& other) const {
    return Kind != TPathKind::Missing && Device == other.Device && Id == other.Id;
  }
};

// Kind, size and identity of what path names, links followed. False (kind
// Missing) when it cannot be asked.
bool PathInfo(const std::string& path, TPathInfo& info);
// The same without following a final link.
bool LinkInfo(const std::string& path, TPathInfo& info);
bool HandleInfo(TFileHandle file, TPathInfo& info);

// Opens for reading; never waits on a pipe or device put in a file's place.
TFileHandle OpenForReading(const std::string& path);
// Opens a file to be read whole, waiting on a pipe as a list given as
// <(...) needs.
TFileHandle OpenWholeForReading(const std::string& path);
// Opens for reading and writing, created when missing, kept as it is
// otherwise.
TFileHandle OpenForWriting(const std::string& path);
// Creates path, failing (EEXIST) when anything is there already.
TFileHandle CreateNewFile(const std::string& path);
bool CloseFile(TFileHandle file);

// Reads at the file's position: the bytes read, 0 at its end, -1 on failure.
int64_t ReadNext(TFileHandle file, void* data, std::size_t n);
// Reads or writes at an offset, leaving the position alone; the bytes
// moved (maybe fewer than n), -1 on failure.
int64_t ReadFileAt(TFileHandle file, void* data, std::size_t n, int64_t offset);
int64_t WriteFileAt(TFileHandle file, const void* data, std::size_t n, int64_t offset);
// Writes at the file's position: the bytes written, -1 on failure.
int64_t WriteNext(TFileHandle file, const void* data, std::size_t n);
bool CutFile(TFileHandle file, int64_t size);
// Sets aside room on the disk for the first size bytes of file before they
// are written, so that the writes find it ready; the file's length stays
// as it is. Only a hint: false with errno (ENOSYS, EOPNOTSUPP ...) when
// the system cannot, and the writes then find room as they go.
bool ReserveFileSpace(TFileHandle file, int64_t size);
// Takes room on the disk for the first size bytes of file before any is
// written, wherever the system can, a file system in memory too; the
// file's length stays as it is. False with errno ENOSPC when the disk has
// too little, ENOSYS, EOPNOTSUPP or EINVAL when the system cannot take it
// ahead.
bool TakeFileSpace(TFileHandle file, int64_t size);

// Folders held open, so that what is made inside them lands there even
// when a path leading to them changes meanwhile; nothing made or opened
// inside one goes through a link. Close them with CloseFile.
// The folder at path, links followed; NoFile when it is no folder.
TFileHandle OpenFolder(const std::string& path);
// The folder name inside folder; fails (ENOTDIR, ELOOP) when name is a
// link or no folder.
TFileHandle OpenFolderIn(TFileHandle folder, const std::string& name);
// Makes a folder, failing (EEXIST) when anything is there already.
bool MakeFolder(const std::string& path);
bool MakeFolderIn(TFileHandle folder, const std::string& name);
// Creates name inside folder for writing, failing (EEXIST) when anything,
// a link too, is there already.
TFileHandle CreateNewFileIn(TFileHandle folder, const std::string& name);
// Removes the file name inside folder (a link itself, not what it leads to).
bool RemoveFileIn(TFileHandle folder, const std::string& name);
// Renames from to to inside folder, replacing what is at to (a link itself,
// not what it leads to).
bool RenameIn(TFileHandle folder, const std::string& from, const std::string& to);
// What relative ('/' between its names) names below folder, a final link
// not followed.
bool LinkInfoIn(TFileHandle folder, const std::string& relative, TPathInfo& info);

// Copies n bytes of in from offset to out at outOffset: within the system
// where it can and the bytes keep their place in a memory page (its copy
// then hands over whole pages), through memory otherwise, which is the
// quicker where they do not. False with errno; EIO when in ends first.
bool CopyFileBytes(TFileHandle in, int64_t offset, TFileHandle out, int64_t outOffset,
                   std::size_t n);
// The system's own copy of up to n bytes, as CopyFileBytes: the bytes
// copied, or -1 with errno (ENOSYS, EXDEV, EINVAL, EOPNOTSUPP when it
// cannot copy between these two files at all).
int64_t SystemCopy(TFileHandle in, int64_t offset, TFileHandle out, int64_t outOffset,
                   std::size_t n);

// Renames from to to, replacing a file there (file_io.h has the rename
// that does not).
bool RenameFile(const std::string& from, const std::string& to);
bool RemoveFile(const std::string& path);

// The names in a folder, without "." and "..", in no order.
bool FolderNames(const std::string& folder, std::vector<std::string>& names);

// Units of the folder's file system free to an ordinary user, and a unit's
// size in bytes.
bool FreeSpaceOf(const std::string& folder, uint64_t& freeUnits, uint64_t& unitSize);

// Whether c ends a folder's name in a real path: '/' here, and '\' too on
// Windows.
bool IsPathSeparator(char c);
// The separator new real paths are joined with.
char PathSeparator();
// A real path split in two, final separators left out: the last name
// ("" for a root) and the folder that holds it ("" when the path names
// none; a root keeps its separator: "/", "C:\"). Both separators count
// on Windows: "D:\out\" is the name "out" in the folder "D:\".
std::string FolderOfPath(const std::string& path);
std::string NameOfPath(const std::string& path);
// The folder a file at path is made in, to ask about or flush: its folder
// part, or "." (the working folder) for a bare name.
std::string FolderHolding(const std::string& path);
// How many characters of path name its drive: "C:" or "\\server\share" on
// Windows; none here, where paths have no drives.
std::size_t DriveLength(const std::string& path);
// The same file or folder named by its short (8.3) names, as Windows keeps
// them; empty where the system gives none (always here, and on Windows for
// a volume that makes no short names or a path that cannot be asked).
std::string SystemShortPath(const std::string& path);
// What the free-space message names for a folder: the root of its drive
// on Windows ("C:\"), the folder itself here; with a final separator.
std::string DriveOfFolder(const std::string& folder);
// Whether path starts at a root ("/..." here; "C:\...", "\\server\..."
// or "\..." on Windows) rather than at the working folder.
bool IsAbsolutePath(const std::string& path);
// The folder the program works in.
std::string WorkingFolder();
// The file a link at path leads to, or path itself when it is no link.
std::string LinkTarget(const std::string& path);
// Gives file the permissions of the file at like, or those any new file
// gets when there is none (Windows keeps no such bits: nothing to do).
bool KeepPermissionsOf(const std::string& like, TFileHandle file);
// folder and name joined with one separator.
std::string JoinPath(const std::string& folder, const std::string& name);

// The program's arguments as UTF-8 (on Windows from the wide command line,
// so that names outside the code page come through).
std::vector<std::string> ProgramArguments(int argc, char** argv);
// The whole file into bytes; false with errno on failure.
bool ReadWholeFile(const std::string& path, std::string& bytes);
// Whether the standard error stream is a terminal, and its width in
// columns (0 when it cannot tell).
bool ErrorIsTerminal();
int ErrorTerminalColumns();
