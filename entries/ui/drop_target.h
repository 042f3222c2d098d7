// Files dropped from the desktop's file manager onto the list window.
#pragma once

#include <string>
#include <vector>

#include <wx/dnd.h>

class TEntryList;
class TListEditor;

class TDropTarget : public wxFileDropTarget {
 public:
  explicit TDropTarget(TListEditor& list) : List(list) {}
  // While the list is in use (a build, a dialog or a message box is open)
  // the pointer shows that nothing can be dropped, and a drop is refused.
  wxDragResult OnDragOver(wxCoord x, wxCoord y, wxDragResult proposed) override;
  bool OnDropFiles(wxCoord x, wxCoord y, const wxArrayString& names) override;

 private:
  TListEditor& List;
};

// One drop: asks for the destination, then adds one line per name.
void DropFiles(TListEditor& list, const wxArrayString& names);

// The destination proposed for a drop: the folder of the first dropped
// path in 8.3 names (ImageFolderOf), with DOS separators, beginning and
// ending in "\"; always one the destination dialog accepts.
std::string DropProposal(const TEntryList& entries, const std::string& firstPath);
