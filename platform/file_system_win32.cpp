// The file-system layer on Windows: the UTF-16 file calls, with paths
// turned from UTF-8 and the system's errors turned into errno values.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <shellapi.h>

#include <cerrno>
#include <cstdio>
#include <io.h>

#include "platform/file_io.h"
#include "platform/file_system.h"

namespace {
std::wstring Wide(const std::string& text) {
  if (text.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

std::string Narrow(const wchar_t* text, int length = -1) {
  int n = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string narrow(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, narrow.data(), n, nullptr, nullptr);
  if (length < 0) narrow.pop_back();  // the closing NUL
  return narrow;
}

// The errno closest to the system's last error; false, for returning.
bool Failed() {
  switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_INVALID_NAME:
    case ERROR_DIRECTORY: errno = ENOENT; break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT: errno = EACCES; break;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS: errno = EEXIST; break;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: errno = ENOSPC; break;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY: errno = ENOMEM; break;
    case ERROR_TOO_MANY_OPEN_FILES: errno = EMFILE; break;
    case ERROR_FILENAME_EXCED_RANGE: errno = ENAMETOOLONG; break;
    case ERROR_DIR_NOT_EMPTY: errno = ENOTEMPTY; break;
    case ERROR_INVALID_HANDLE: errno = EBADF; break;
    case ERROR_INVALID_PARAMETER:
    case ERROR_NEGATIVE_SEEK: errno = EINVAL; break;
    // The file system or the share cannot do what was asked at all (take
    // room ahead, say): callers that have another way go on with it.
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_FUNCTION:
    case ERROR_CALL_NOT_IMPLEMENTED: errno = ENOSYS; break;
    default: errno = EIO; break;
  }
  return false;
}

HANDLE Handle(TFileHandle file) { return reinterpret_cast<HANDLE>(file); }

// A failed read: EISDIR for a folder, else the system's reason.
int64_t ReadFailed(HANDLE h) {
  const DWORD error = GetLastError();
  BY_HANDLE_FILE_INFORMATION fi;
  if (GetFileInformationByHandle(h, &fi) && (fi.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    errno = EISDIR;
    return -1;
  }
  SetLastError(error);
  Failed();
  return -1;
}

TFileHandle Open(const std::string& path, DWORD access, DWORD disposition, DWORD flags = 0) {
  // Others may read and even rename or delete the file meanwhile, as they
  // may on POSIX systems.
  HANDLE h = CreateFileW(Wide(path).c_str(), access,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         disposition, FILE_ATTRIBUTE_NORMAL | flags, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    Failed();
    return NoFile;
  }
  return reinterpret_cast<TFileHandle>(h);
}

bool Fill(HANDLE h, TPathInfo& info) {
  info = TPathInfo();
  // A device or a pipe has no file information to give: it is no file.
  const DWORD type = GetFileType(h);
  if (type != FILE_TYPE_DISK) {
    info.Kind = TPathKind::Other;
    return true;
  }
  BY_HANDLE_FILE_INFORMATION fi;
  if (!GetFileInformationByHandle(h, &fi)) return Failed();
  if (fi.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
    info.Kind = TPathKind::Directory;
  else if (!(fi.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
    info.Kind = TPathKind::File;
  else
    info.Kind = TPathKind::Other;
  info.Size = (int64_t(fi.nFileSizeHigh) << 32) | fi.nFileSizeLow;
  info.Device = fi.dwVolumeSerialNumber;
  info.Id = (uint64_t(fi.nFileIndexHigh) << 32) | fi.nFileIndexLow;
  return true;
}

bool InfoOfPath(const std::string& path, TPathInfo& info, DWORD flags) {
  info = TPathInfo();
  // Neither read nor write access: asks about folders and files in use too.
  HANDLE h = CreateFileW(Wide(path).c_str(), 0,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
  if (h == INVALID_HANDLE_VALUE) return Failed();
  bool ok = Fill(h, info);
  CloseHandle(h);
  return ok;
}
}  // namespace

bool PathInfo(const std::string& path, TPathInfo& info) { return InfoOfPath(path, info, 0); }

bool LinkInfo(const std::string& path, TPathInfo& info) {
  return InfoOfPath(path, info, FILE_FLAG_OPEN_REPARSE_POINT);
}

bool HandleInfo(TFileHandle file, TPathInfo& info) { return Fill(Handle(file), info); }

// A folder opens too, as on POSIX systems, and fails at the first read
// with EISDIR, so both systems say the same about it.
TFileHandle OpenForReading(const std::string& path) {
  return Open(path, GENERIC_READ, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS);
}
TFileHandle OpenForWriting(const std::string& path) {
  return Open(path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS);
}
TFileHandle CreateNewFile(const std::string& path) {
  return Open(path, GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
}

bool CloseFile(TFileHandle file) {
  return file != NoFile && (CloseHandle(Handle(file)) ? true : Failed());
}

int64_t ReadNext(TFileHandle file, void* data, std::size_t n) {
  DWORD got = 0;
  const DWORD ask = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n);
  if (!::ReadFile(Handle(file), data, ask, &got, nullptr)) {
    if (GetLastError() == ERROR_BROKEN_PIPE || GetLastError() == ERROR_HANDLE_EOF) return 0;
    return ReadFailed(Handle(file));
  }
  return got;
}

int64_t ReadFileAt(TFileHandle file, void* data, std::size_t n, int64_t offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD got = 0;
  const DWORD ask = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n);
  if (!::ReadFile(Handle(file), data, ask, &got, &at)) {
    if (GetLastError() == ERROR_HANDLE_EOF) return 0;
    return ReadFailed(Handle(file));
  }
  return got;
}

int64_t WriteNext(TFileHandle file, const void* data, std::size_t n) {
  DWORD put = 0;
  const DWORD ask = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n);
  if (!::WriteFile(Handle(file), data, ask, &put, nullptr)) {
    Failed();
    return -1;
  }
  return put;
}

// Writing at an offset moves the handle's position; nothing here relies on
// it, as the POSIX side's pwrite leaves it.
int64_t WriteFileAt(TFileHandle file, const void* data, std::size_t n, int64_t offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD put = 0;
  const DWORD ask = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n);
  if (!::WriteFile(Handle(file), data, ask, &put, &at)) {
    Failed();
    return -1;
  }
  return put;
}

bool CutFile(TFileHandle file, int64_t size) {
  FILE_END_OF_FILE_INFO end{};
  end.EndOfFile.QuadPart = size;
  return SetFileInformationByHandle(Handle(file), FileEndOfFileInfo, &end, sizeof end)
             ? true
             : Failed();
}

// Room is not set aside ahead here: the writes find it as they go.
bool ReserveFileSpace(TFileHandle, int64_t) {
  errno = ENOSYS;
  return false;
}

bool SyncFile(TFileHandle file) {
  return FlushFileBuffers(Handle(file)) ? true : Failed();
}

// Setting the allocation takes the room at once, or fails on a full disk.
bool TakeFileSpace(TFileHandle file, int64_t size) {
  FILE_ALLOCATION_INFO room{};
  room.AllocationSize.QuadPart = size;
  return SetFileInformationByHandle(Handle(file), FileAllocationInfo, &room, sizeof room)
             ? true
             : Failed();
}

// No call writes a range ahead here; SyncFile writes it all.
bool WriteOutRange(TFileHandle, int64_t, int64_t, bool) { return true; }

// The system's cache of a file cannot be dropped; a handle without
// buffering reads past it, from the disk, in whole sectors.
TFileHandle OpenForReadingBack(const std::string& path) {
  return Open(path, GENERIC_READ, OPEN_EXISTING, FILE_FLAG_NO_BUFFERING);
}

// Renames go to the disk with the name already (MOVEFILE_WRITE_THROUGH).
bool SyncFolder(const std::string&) { return true; }

bool RenameFile(const std::string& from, const std::string& to) {
  return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
             ? true
             : Failed();
}

bool RenameWithoutReplacing(const std::string& from, const std::string& to) {
  return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_WRITE_THROUGH) ? true
                                                                                 : Failed();
}

bool RemoveFile(const std::string& path) {
  return DeleteFileW(Wide(path).c_str()) ? true : Failed();
}

std::string CreateFileBeside(const std::string& path) {
  std::size_t cut = path.size();
  while (cut > 0 && !IsPathSeparator(path[cut - 1]) && path[cut - 1] != ':') --cut;
  // "." + name + ".XXXXXX" within the 255 characters a name may have: a
  // name near the limit gives up its end instead. (Counted in bytes, which
  // only errs on the short side.)
  constexpr std::size_t NameLimit = 255, Added = 8;
  std::string base = path.substr(cut);
  if (base.size() + Added > NameLimit) {
    base.resize(NameLimit - Added);
    // Not in the middle of a character.
    while (!base.empty() && (static_cast<unsigned char>(base.back()) & 0xC0) == 0x80) base.pop_back();
    if (!base.empty() && static_cast<unsigned char>(base.back()) >= 0xC0) base.pop_back();
  }
  const std::string stem = path.substr(0, cut) + "." + base + ".";
  static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  uint64_t seed = GetTickCount64() ^ (uint64_t(GetCurrentProcessId()) << 20);
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = stem;
    for (int i = 0; i < 6; ++i) {
      seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
      name += letters[(seed >> 33) % (sizeof letters - 1)];
    }
    TFileHandle file = CreateNewFile(name);
    if (file != NoFile) {
      CloseFile(file);
      return name;
    }
    if (errno != EEXIST) return std::string();
  }
  return std::string();
}

bool FolderNames(const std::string& folder, std::vector<std::string>& names) {
  std::string pattern = JoinPath(folder, "*");
  WIN32_FIND_DATAW found;
  HANDLE h = FindFirstFileW(Wide(pattern).c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) {
    if (GetLastError() == ERROR_FILE_NOT_FOUND) return true;  // an empty drive root
    return Failed();
  }
  do {
    const std::string name = Narrow(found.cFileName);
    if (name != "." && name != "..") names.push_back(name);
  } while (FindNextFileW(h, &found));
  const bool ok = GetLastError() == ERROR_NO_MORE_FILES;
  if (!ok) Failed();
  FindClose(h);
  return ok;
}

bool FreeSpaceOf(const std::string& folder, uint64_t& freeUnits, uint64_t& unitSize) {
  ULARGE_INTEGER available;
  if (!GetDiskFreeSpaceExW(Wide(folder).c_str(), &available, nullptr, nullptr)) return Failed();
  // The drive's cluster size when the system tells it: a file takes whole
  // clusters. Otherwise bytes.
  unitSize = 1;
  wchar_t root[MAX_PATH + 1];
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
  if (GetVolumePathNameW(Wide(folder).c_str(), root, MAX_PATH + 1) &&
      GetDiskFreeSpaceW(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters) &&
      sectorsPerCluster * bytesPerSector > 0)
    unitSize = uint64_t(sectorsPerCluster) * bytesPerSector;
  freeUnits = available.QuadPart / unitSize;
  return true;
}

bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }
char PathSeparator() { return '\\'; }

std::size_t DriveLength(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':' &&
      ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')))
    return 2;
  // \\server\share: the server's name and the share's.
  if (path.size() < 3 || !IsPathSeparator(path[0]) || !IsPathSeparator(path[1]) ||
      IsPathSeparator(path[2]))
    return 0;
  std::size_t end = 2;
  for (int names = 0; names < 2; ++names) {
    if (names) ++end;  // the separator between them
    while (end < path.size() && !IsPathSeparator(path[end])) ++end;
    if (end >= path.size()) break;
  }
  return end;
}

std::string SystemShortPath(const std::string& path) {
  const std::wstring wide = Wide(path);
  DWORD n = GetShortPathNameW(wide.c_str(), nullptr, 0);
  if (n == 0) return std::string();
  std::wstring shortPath(n, L'\0');
  n = GetShortPathNameW(wide.c_str(), shortPath.data(), n);
  if (n == 0 || n >= shortPath.size()) return std::string();
  return Narrow(shortPath.c_str(), static_cast<int>(n));
}

std::string DriveOfFolder(const std::string& folder) {
  wchar_t root[MAX_PATH + 1];
  if (GetVolumePathNameW(Wide(folder).c_str(), root, MAX_PATH + 1)) return Narrow(root);
  return !folder.empty() && IsPathSeparator(folder.back()) ? folder : folder + '\\';
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  int n = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &n);
  if (!wide) return std::vector<std::string>(argv, argv + argc);
  std::vector<std::string> arguments;
  for (int i = 0; i < n; ++i) arguments.push_back(Narrow(wide[i]));
  LocalFree(wide);
  return arguments;
}

TFileHandle OpenWholeForReading(const std::string& path) {
  return Open(path, GENERIC_READ, OPEN_EXISTING);
}

bool ErrorIsTerminal() { return _isatty(_fileno(stderr)) != 0; }

int ErrorTerminalColumns() {
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (!GetConsoleScreenBufferInfo(GetStdHandle(STD_ERROR_HANDLE), &info)) return 0;
  return info.srWindow.Right - info.srWindow.Left + 1;
}

std::string WorkingFolder() {
  wchar_t buffer[32768];
  const DWORD n = GetCurrentDirectoryW(32768, buffer);
  if (n == 0 || n >= 32768) return "\\";
  return Narrow(buffer);
}

// Links are rare on Windows and the system follows them when the list is
// replaced; the path serves as it is.
std::string LinkTarget(const std::string& path) { return path; }

bool KeepPermissionsOf(const std::string&, TFileHandle) { return true; }

namespace {
// The path of name inside the open folder, found from the folder's handle
// so that it is the folder that was opened; empty with errno on failure.
std::string PathIn(TFileHandle folder, const std::string& name) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetFinalPathNameByHandleW(Handle(folder), buffer.data(),
                                              static_cast<DWORD>(buffer.size()),
                                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0) {
      Failed();
      return std::string();
    }
    if (n < buffer.size()) {
      buffer.resize(n);
      break;
    }
    buffer.resize(n + 1);
  }
  std::string path = Narrow(buffer.c_str(), static_cast<int>(buffer.size()));
  std::string rest = name;
  // A "\\?\" path takes no '/' between its names.
  for (char& c : rest)
    if (c == '/') c = '\\';
  if (!path.empty() && path.back() != '\\') path += '\\';
  return path + rest;
}

// An open folder and no link: the folder a handle opened with
// FILE_FLAG_OPEN_REPARSE_POINT names is a real one inside its parent.
TFileHandle KeepIfFolder(HANDLE h) {
  BY_HANDLE_FILE_INFORMATION fi;
  if (!GetFileInformationByHandle(h, &fi)) {
    Failed();
    CloseHandle(h);
    return NoFile;
  }
  if (!(fi.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ||
      (fi.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    CloseHandle(h);
    errno = (fi.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? ELOOP : ENOTDIR;
    return NoFile;
  }
  return reinterpret_cast<TFileHandle>(h);
}

HANDLE OpenFolderHandle(const std::string& path, DWORD flags) {
  return CreateFileW(Wide(path).c_str(), FILE_LIST_DIRECTORY,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                     OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | flags, nullptr);
}
}  // namespace

TFileHandle OpenFolder(const std::string& path) {
  HANDLE h = OpenFolderHandle(path, 0);
  if (h == INVALID_HANDLE_VALUE) {
    Failed();
    return NoFile;
  }
  BY_HANDLE_FILE_INFORMATION fi;
  if (!GetFileInformationByHandle(h, &fi) || !(fi.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    CloseHandle(h);
    errno = ENOTDIR;
    return NoFile;
  }
  return reinterpret_cast<TFileHandle>(h);
}

TFileHandle OpenFolderIn(TFileHandle folder, const std::string& name) {
  const std::string path = PathIn(folder, name);
  if (path.empty()) return NoFile;
  HANDLE h = OpenFolderHandle(path, FILE_FLAG_OPEN_REPARSE_POINT);
  if (h == INVALID_HANDLE_VALUE) {
    Failed();
    return NoFile;
  }
  return KeepIfFolder(h);
}

bool MakeFolder(const std::string& path) {
  return CreateDirectoryW(Wide(path).c_str(), nullptr) ? true : Failed();
}

bool MakeFolderIn(TFileHandle folder, const std::string& name) {
  const std::string path = PathIn(folder, name);
  return !path.empty() && MakeFolder(path);
}

// CREATE_NEW fails on any name already there, a link too, so nothing is
// written through one.
TFileHandle CreateNewFileIn(TFileHandle folder, const std::string& name) {
  const std::string path = PathIn(folder, name);
  if (path.empty()) return NoFile;
  return Open(path, GENERIC_READ | GENERIC_WRITE, CREATE_NEW, FILE_FLAG_OPEN_REPARSE_POINT);
}

bool RemoveFileIn(TFileHandle folder, const std::string& name) {
  const std::string path = PathIn(folder, name);
  return !path.empty() && RemoveFile(path);
}

bool RenameIn(TFileHandle folder, const std::string& from, const std::string& to) {
  const std::string a = PathIn(folder, from), b = PathIn(folder, to);
  return !a.empty() && !b.empty() && RenameFile(a, b);
}

bool LinkInfoIn(TFileHandle folder, const std::string& relative, TPathInfo& info) {
  info = TPathInfo();
  const std::string path = PathIn(folder, relative);
  return !path.empty() && LinkInfo(path, info);
}

// No copy between two open files here: the bytes go through memory.
int64_t SystemCopy(TFileHandle, int64_t, TFileHandle, int64_t, std::size_t) {
  errno = ENOSYS;
  return -1;
}
