#include "entries/drop_target.h"

bool TDropTarget::OnDropFiles(wxCoord, wxCoord, const wxArrayString& names) {
  DropFiles(Window, names);
  return true;
}

// Placeholder until drops are handled.
void DropFiles(TMyWindow&, const wxArrayString&) {}
