#include "app/file_dialog.h"

#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/tokenzr.h>

wxString CaseBlindFilter(const wxString& filter) {
  wxArrayString fields = wxSplit(filter, '|', '\0');
  for (size_t i = 1; i < fields.size(); i += 2) {
    wxString blind;
    for (wxUniChar c : fields[i]) {
      wxUniChar lower = wxTolower(c), upper = wxToupper(c);
      if (lower != upper)
        blind << '[' << lower << upper << ']';
      else
        blind << c;
    }
    fields[i] = blind;
  }
  return wxJoin(fields, '|', '\0');
}

bool RunFileDialog(wxWindow* parent, const wxString& title, TFileDialogData& data) {
#ifdef __WXGTK__
  const wxString filter = CaseBlindFilter(data.Filter);
  // A proposal such as "*.trk" is a filter to Windows' dialog but a name to
  // GTK's, where Enter would make a file called "*.trk": the field starts
  // empty instead, and the filter shows the files it meant.
  const wxString name = data.FileName.Contains("*") ? wxString() : data.FileName;
#else
  const wxString& filter = data.Filter;
  const wxString& name = data.FileName;
#endif
  wxFileDialog dialog(parent, title, data.Folder, name, filter, data.Style);
  if (dialog.ShowModal() != wxID_OK) return false;
  data.FileName = dialog.GetPath();
  data.Folder = wxFileName(data.FileName).GetPath();
  return true;
}
