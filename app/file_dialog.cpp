#include "app/file_dialog.h"

#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/tokenzr.h>

#ifdef __WXGTK__
#include <gtk/gtk.h>
#endif

namespace {
// The filter shown when the dialog closed; -1 for none: GTK drops its
// filter when a file the filter hides is chosen by its path, and wx would
// take that for a fault.
int ShownFilter(wxFileDialog& dialog) {
#ifdef __WXGTK__
  if (!gtk_file_chooser_get_filter(GTK_FILE_CHOOSER(dialog.GetHandle()))) return -1;
#endif
  return dialog.GetFilterIndex();
}
}  // namespace

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
  // A proposed path (the name typed before) opens in its own folder.
  const wxFileName proposal(data.FileName);
  const wxString folder = proposal.GetPath().empty() ? data.Folder : proposal.GetPath();
#ifdef __WXGTK__
  const wxString filter = CaseBlindFilter(data.Filter);
  // A proposal such as "*.trk" is a filter to Windows' dialog but a name to
  // GTK's, where Enter would make a file called "*.trk": the field starts
  // empty instead, and the filter shows the files it meant.
  const wxString name = data.FileName.Contains("*") ? wxString() : proposal.GetFullName();
#else
  const wxString& filter = data.Filter;
  const wxString name = proposal.GetFullName();
#endif
  wxFileDialog dialog(parent, title, folder, name, filter, data.Style);
  dialog.SetFilterIndex(data.FilterIndex);
  const int answer = dialog.ShowModal();
  const int shown = ShownFilter(dialog);
  if (shown >= 0) data.FilterIndex = shown;
  if (answer != wxID_OK) return false;
  data.FileName = dialog.GetPath();
  data.Folder = wxFileName(data.FileName).GetPath();
  return true;
}
