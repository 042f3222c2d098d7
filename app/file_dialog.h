// The desktop's open and save dialogs, as the list window uses them.
#pragma once

#include <wx/string.h>

class wxWindow;

// Settings of one file dialog, kept from one showing to the next.
struct TFileDialogData {
  wxString Filter;      // wx wildcard: "Disk Image (*.trk)|*.trk|All Files (*.*)|*.*"
  wxString DefaultExt;  // "TRK" or "QVF"
  wxString FileName;    // the name shown when the dialog opens, then the chosen path
  wxString Folder;      // where the dialog opens: the folder of the last choice
  long Style = 0;       // wxFD_ flags
  int FilterIndex = 0;  // the filter chosen last, shown again next time
};

// The filter with every pattern matching names in either case: GTK's
// patterns are case-sensitive, and DOS names arrive in capitals
// ("*.trk" becomes "*.[tT][rR][kK]"). The descriptions stay as they are.
wxString CaseBlindFilter(const wxString& filter);

// Shows the desktop's file dialog titled title over parent, proposing
// data.FileName (on GTK a wildcard proposal leaves the name empty; a path
// opens its folder) with the filter data.FilterIndex. On OK data.FileName
// holds the chosen path and data.Folder its folder; the filter chosen is
// kept either way.
bool RunFileDialog(wxWindow* parent, const wxString& title, TFileDialogData& data);
