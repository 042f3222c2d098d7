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
}  // namespace Msg

// printf-style formatting into a string of any length.
std::string FormatText(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
