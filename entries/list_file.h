// The entry list of qvimage as a text file: one entry per line, the image
// path, a TAB, then the real path. Blank lines and lines that begin with "#"
// are skipped; a line may end in CR LF.
#pragma once

#include <cstddef>
#include <istream>
#include <string>

class TEntryList;

// A line longer than this is refused before it is looked at: an image path,
// a TAB and the longest real path the system takes, with room for blanks.
constexpr std::size_t MaxListLine = 8192;

// The first line that could not be taken.
struct TListError {
  long Line = 0;  // counted from 1; 0 when the fault is not in one line
  std::string Message;
};

// Reads every line of in and adds its entry to entries, image paths
// normalised as the entry dialog does (so SAMPLES\PIANO.QVF becomes
// \SAMPLES\PIANO.QVF). On the first bad line nothing at all is added and
// error names that line. Real paths are kept as written; a relative one is
// relative to the folder the program runs in.
bool ReadEntryList(std::istream& in, TEntryList& entries, TListError& error);
bool ReadEntryList(const std::string& text, TEntryList& entries, TListError& error);
