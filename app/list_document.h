// The entry list being edited: its lines, the list file it belongs to and
// whether it changed since it was opened or saved. It shows nothing: the
// list window draws it and words what went wrong.
#pragma once

#include <string>

#include "entries/dir_entry.h"

struct TListError;

class TListDocument {
 public:
  TEntryList Entries;

  // The list file: "" until the list is opened or saved.
  const std::string& Path() const { return ListPath; }
  bool Modified() const { return Entries.ChangeCount() != SavedChange; }

  // Makes entries the list (they are taken; the old lines go). path is the
  // list file they came from, or "" for a new list, which is unsaved while
  // it holds lines.
  void Take(TEntryList& entries, const std::string& path);
  // Reads the list file at path; a list with a bad line is not taken and
  // error names that line.
  bool Open(const std::string& path, TListError& error);
  // Saves the list to path, from then on its file; false with the reason in
  // error, the list staying unsaved.
  bool Save(const std::string& path, std::string& error);

 private:
  std::string ListPath;
  // Entries.ChangeCount() when the list was last opened, saved or made new.
  unsigned long SavedChange = 0;
};
