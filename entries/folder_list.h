// The entry list of `qvimage --from-dir`: a folder tree on disk, taken as
// it is. Every file and folder under the top folder becomes one entry whose
// image path is its relative path in capitals with "\" separators.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class TEntryList;

// A file or folder that cannot go into the image under its own name.
struct TFolderFault {
  std::string RealPath;   // as found on disk, beginning with the top folder
  std::string ImagePath;  // the name it would have in the image
  std::string Reason;     // what is wrong with its last part
  bool Shortens = false;  // no 8.3 name, but one TLongNames::Shorten would make
};

// Why one name, already in capitals, is not a valid 8.3 name in the image;
// empty when it is valid.
std::string ShortNameFault(std::string_view name);

// What the walk does with a name that is not an 8.3 name.
enum class TLongNames {
  Refuse,   // a fault, listed with the others
  Shorten,  // it goes in under its short name (entries/short_name.h)
};

// Walks folder and adds an entry for each file and folder below it (the top
// folder itself is the image's root). Symbolic links are followed: a link
// to a file is a file, a link to a folder is walked like a folder, and a
// link that leads back into a folder above it is a fault. A dangling link
// is kept as an entry, so that the build reports it as it reports any
// source that has gone. The file leaveOut (the image being made, which may
// lie in the folder from an earlier run) is not listed. Every fault is
// collected, not just the first; when there is any, entries is left as it
// was and false is returned. With TLongNames::Shorten, a name that is not
// an 8.3 name gets its short name, free among the 8.3 names of its folder
// and the short names made before it there (in the byte order of the long
// names, so a drop of the same files makes the same names); only names of
// which nothing is left stay faults.
bool ListFolder(const std::string& folder, TEntryList& entries,
                std::vector<TFolderFault>& faults, const std::string& leaveOut = "",
                TLongNames longNames = TLongNames::Refuse);
