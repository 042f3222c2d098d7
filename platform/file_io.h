// Whole-buffer reads and writes that survive signals and short transfers,
// and the naming of the image file a build writes beside its final name:
// built on the file-system layer (file_system.h); the POSIX side of the
// naming is file_io.cpp, the Windows side is in file_system_win32.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/file_system.h"

// Reads n bytes into data at offset, or at the file's position when offset
// is negative, retrying after a signal and after a short read. Returns the
// bytes read, fewer than n only at the end of the file, or -1 with errno set.
int64_t ReadFully(TFileHandle fd, void* data, std::size_t n, int64_t offset = -1);
// Writes all n bytes at offset (or at the file's position), retrying the
// same way. False with errno set; ENOSPC when the system takes nothing.
bool WriteFully(TFileHandle fd, const void* data, std::size_t n, int64_t offset = -1);

// Creates an empty file with a fresh name beside path, within the file
// system's limit on the length of a name even when path's own name is at
// that limit, with the permissions any new file gets. Returns its path, or
// an empty string with errno set.
std::string CreateFileBeside(const std::string& path);
// Gives the file at from the name to, unless a file is already there:
// false with errno EEXIST then, and from keeps its name.
bool RenameWithoutReplacing(const std::string& from, const std::string& to);
// Writes what the system holds of the file to the disk.
bool SyncFile(TFileHandle fd);
// Has the system start writing n bytes of the file from offset to the
// disk and, with wait, returns once they are there: a long copy then
// reaches a slow disk as it goes, and its last SyncFile is short. Where the
// system has no such call it does nothing and SyncFile writes it all.
// False with errno when the disk failed.
bool WriteOutRange(TFileHandle fd, int64_t offset, int64_t n, bool wait);
// Opens a file just written and flushed to read back what its disk holds,
// not the copy of its bytes the system keeps in memory. Reads through it go
// at offsets and in lengths that are multiples of ReadBackAlign, into
// memory aligned to it (Windows reads the disk itself only so; elsewhere
// the system is told to forget its copy, and any read works).
constexpr std::size_t ReadBackAlign = 4096;
TFileHandle OpenForReadingBack(const std::string& path);
// Writes the folder's own records (a name just given by a rename) to the
// disk.
bool SyncFolder(const std::string& folder);
