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
#else
  const wxString& filter = data.Filter;
#endif
  wxFileDialog dialog(parent, title, data.Folder, data.FileName, filter, data.Style);
  if (dialog.ShowModal() != wxID_OK) return false;
  data.FileName = dialog.GetPath();
  data.Folder = wxFileName(data.FileName).GetPath();
  return true;
}
