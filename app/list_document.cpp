#include "app/list_document.h"

#include "entries/list_file.h"

void TListDocument::Take(TEntryList& entries, const std::string& path) {
  Entries.Swap(entries);
  entries.Flush();
  ListPath = path;
  SavedChange = Entries.ChangeCount();
  // A list unpacked from an image has no file yet: it is unsaved work.
  if (path.empty() && Entries.Count() > 0) --SavedChange;
}

bool TListDocument::Open(const std::string& path, TListError& error) {
  TEntryList read;
  if (!LoadEntryList(path, read, error)) return false;
  Take(read, path);
  return true;
}

bool TListDocument::Save(const std::string& path, std::string& error) {
  if (!SaveEntryList(path, Entries, error)) return false;
  ListPath = path;
  SavedChange = Entries.ChangeCount();
  return true;
}
