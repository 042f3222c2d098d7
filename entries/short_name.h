// Short (8.3) names for files whose own names are long, made the way FAT
// file systems make them: a basis name of the name's own characters and,
// when something had to go, a numeric tail "~N" that is free in the folder.
//
// Files on Linux have no short name of their own, so the window's drops, its
// Browse and `qvimage --from-dir --short-names` make one here; the long name
// stays in the real path. Windows keeps a short path for most files: drops
// and Browse take that one where the system gives it.
#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

class TEntryList;

// The names used in one folder of the image, compared as the image compares
// them: "README." and "README" are one name.
class TFolderNames {
 public:
  void Take(std::string_view name);
  bool Taken(std::string_view name) const;

 private:
  static std::string Key(std::string_view name);
  std::set<std::string, std::less<>> Names;
};

// The name a file called longName gets in a folder of the image:
// - a valid 8.3 name once in capitals stays as it is, in capitals (even when
//   names already holds it: a clash is the build's to report);
// - otherwise its short name: in capitals, blanks and leading periods
//   dropped, every other byte that is no name character (a character outside
//   ASCII counts once) made "_", the part before the last period cut to 8
//   and the part after it to 3; when anything was lost the base is cut so
//   that "~N" fits into 8, with the first N whose name names does not hold;
// - empty when nothing is left (only periods and blanks) or every tail is
//   taken.
// The name made is not taken into names: the caller does that when it uses it.
std::string ShortName(std::string_view longName, const TFolderNames& names);

// The names of several files that go into one folder together (one drop, or
// one folder of a walk), in the order given: the names that are 8.3 names
// stay and are taken first, then the others get their short names in the
// byte order of their long names, so the same names in any order come out
// the same. names holds the names the folder has already and receives every
// name made; an empty name is one with nothing left.
std::vector<std::string> ShortNames(const std::vector<std::string>& longNames,
                                    TFolderNames& names);

// The names of the folder folder (an image path beginning and ending in "\")
// that the lines of entries use: the files and folders right inside it,
// including folders that exist only as part of a longer path.
TFolderNames NamesInFolder(const TEntryList& entries, std::string_view folder);

// The names that the lines right inside folder give their real paths: a
// file dropped there again keeps its name, so that its line comes out the
// same as the one already there.
std::map<std::string, std::string> RealPathNames(const TEntryList& entries,
                                                 std::string_view folder);

// The image folder that mirrors the folder of a real path: the folders
// between its drive and its last name, "\" between them, the result
// beginning and ending in "\" ("\" for a file at the root). Each folder
// goes in as ShortName makes its name, free among the names the lines of
// entries use at its level; a folder there that already holds lines of
// the same folder on disk (as deep below it as on disk) lends its name, so
// that a second drop from one folder goes where the first went. Empty when
// nothing of a folder's name is left for a short name.
std::string ImageFolderOf(const TEntryList& entries, const std::string& realPath);

// The path the system keeps in short names for realPath, in capitals, when
// it is a valid 8.3 real path (drive, "\" and 8.3 names only); empty when
// the system gives none, as on Linux.
std::string ShortRealPath(const std::string& realPath);
