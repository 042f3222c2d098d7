// The rules every path must pass before it enters the entry list.
//
// Image paths and drop destinations name things inside the FAT volume and
// follow the DOS short-name (8.3) rules. Real paths are POSIX paths on this
// machine and have a check of their own.
#pragma once

#include <string>
#include <string_view>

enum : int {
  PathRooted = 1,     // make the text begin with "\"; a drive prefix is refused
  PathDirectory = 2,  // make the text end with "\"; "\" alone is accepted
};

// Longest image path: the entry dialog's field takes 259 characters and the
// leading "\" may be added to them.
constexpr std::size_t MaxImagePath = 260;

bool IsBlank(unsigned char c);

// Removes white space at the end, then at the start.
void TrimBlanks(std::string& text);
// Adds the leading and trailing "\" that the flags ask for.
void AddSeparators(std::string& text, int flags);
// True when the text is no valid path for the flags: each name between the
// separators must be an 8.3 name (entries/dos_name.h).
bool FindPathFault(std::string_view text, int flags);

// Normalises text in place (trimmed, separators added) and tells whether it
// is a valid 8.3 path. The text is normalised whether or not it is valid.
bool CheckPath(std::string& text, int flags);

// Real paths: trimmed in place; refused when empty, when they hold a control
// character or NUL, or when they are longer than the system allows. Their
// case is never changed.
bool CheckRealPath(std::string& text);

// ASCII a-z to A-Z; every other byte stays.
std::string UpperCase(std::string text);
