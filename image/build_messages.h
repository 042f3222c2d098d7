// Every text a build shows, in one place.
#pragma once

#include <string>

namespace Msg {
constexpr const char* CaptionError = "Error";
constexpr const char* CaptionFileError = "File Error";

constexpr const char* AccessError = "Error accessing file %s: %s";
constexpr const char* NotFileOrDirectory = "not a regular file or directory";
constexpr const char* DirectoryIsFile =
    "The directory %s already exists as a regular file. Do you want to abort?";
constexpr const char* FileExists = "The file %s already exists. Do you want to abort?";
constexpr const char* TooDeep =
    "The image path %s holds more than %d directories. Do you want to abort?";
constexpr const char* OpenError = "Error opening file %s";

// A subdirectory that would hold more records than FAT readers take.
constexpr const char* DirectoryFull =
    "Sorry, I can't continue. The directory %s exceeds %d entries. "
    "Please reduce the number of entries in this directory.";
constexpr const char* RootFull =
    "Sorry, I can't continue. The root directory exceeds %d entries. "
    "Please reduce the number of root directory entries.";
constexpr const char* TooLarge =
    "Sorry, I can't continue. The data volume is too large for a DOS partition. "
    "A DOS partition must not exceed 2 GBytes.";
constexpr const char* NoSpace =
    "Not enough space on drive %s  Please free space or choose another drive.";
constexpr const char* CantOpen = "Sorry, I can't open the file %s for writing.";
// The chosen image file is one of the sources (or another name for one):
// writing it would destroy the bytes the image is made of.
constexpr const char* ImageIsSource =
    "The file %s is one of the image's sources. Please choose another name.";
// A write, a seek or the closing of the image failed (a full disk, say):
// the build stops rather than calling a broken image done.
// Without leave to replace, a file that took the chosen name while the
// image was being written is kept, and the new image goes.
constexpr const char* ImageAppeared =
    "The file %s appeared while the image was being written and is left as "
    "it is. Please create the image again under another name.";
constexpr const char* CantWrite = "Sorry, I can't write the file %s: %s";
// A source that cannot be read to its end, or that changed its size after
// it was measured, would no longer fit the layout already written.
constexpr const char* ReadError = "Error reading file %s: %s";
constexpr const char* SizeChanged =
    "The file %s has changed its size since it was measured. "
    "Please create the image again.";

// Captions of the build dialog.
constexpr const char* CaptionScan = "Initializing Image";
constexpr const char* CaptionCount = "Determining Cluster Size";
constexpr const char* CaptionWrite = "Writing Image";
constexpr const char* CaptionDone = "Done";
// Status lines and the button.
constexpr const char* StatusBoot = "Writing Boot Sector";
constexpr const char* StatusFats = "Writing FATs";
constexpr const char* StatusRoot = "Writing Root Directory";
constexpr const char* StatusFree = "Writing Free Clusters";
constexpr const char* ButtonCancel = "Cancel";
constexpr const char* ButtonOk = "Ok";
// The proposal of the save prompt.
constexpr const char* SaveProposal = "*.trk";

// Unpacking an image into a folder.
constexpr const char* CaptionRead = "Reading Image";
constexpr const char* CaptionCheckFolder = "Checking Folder";
constexpr const char* CaptionUnpack = "Unpacking Image";
// The reader found damage: nothing is unpacked from a broken image.
constexpr const char* ImageDamaged = "Sorry, I can't unpack %s: %s";
constexpr const char* MoreProblems = "%s (and %zu more problems)";
// Unpacking never replaces a file unless told to.
constexpr const char* UnpackExists = "The file %s already exists. It is not replaced.";
constexpr const char* NotAFolder = "%s is not a folder.";
constexpr const char* CantCreate = "Sorry, I can't create %s: %s";
constexpr const char* CantReadImage = "Error reading file %s: %s";
constexpr const char* StatusList = "Writing List";
// A name deeper than an entry list can hold: no list could build it again.
constexpr const char* PathTooLong = "the image path %s is longer than %zu characters";
}  // namespace Msg

// printf-style formatting into a string of any length.
std::string FormatText(const char* format, ...)
#if defined(__MINGW_PRINTF_FORMAT)
    __attribute__((format(__MINGW_PRINTF_FORMAT, 1, 2)))  // the C99 printf (see CMakeLists)
#elif defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
