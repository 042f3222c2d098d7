#include "entries/ui/edit_dialog.h"

#include <algorithm>
#include <climits>
#include <string>

#include <wx/button.h>
#include <wx/filedlg.h>
#include <wx/stattext.h>

#include "app/command_ids.h"
#include "app/list_window.h"
#include "app/text_convert.h"
#include "entries/ui/button_row.h"
#include "entries/path_rules.h"
#include "entries/ui/upper_case_edit.h"
#include "app/dialog_layout.h"

namespace {
// Dialog 220, in dialog units.
const wxSize DialogUnits(168, 78);
const wxRect ImageLabelUnits(4, 4, 108, 8);
const wxRect ImageEditUnits(4, 16, 160, 12);
const wxRect RealLabelUnits(4, 32, 108, 8);
const wxRect RealEditUnits(4, 44, 160, 12);
const wxRect OkUnits(4, 60, 36, 14);
const wxRect CancelUnits(44, 60, 36, 14);
const wxRect ActionUnits(120, 60, 44, 14);
constexpr int ButtonGapUnits = 4;

// Real paths are POSIX paths: as long as the system takes them.
constexpr unsigned long RealFieldLength = PATH_MAX - 1;

// The image path that Browse proposes: the file's own path, in capitals and
// with DOS separators.
std::string ImagePathOf(const std::string& realPath) {
  std::string image = UpperCase(realPath);
  std::replace(image.begin(), image.end(), '/', '\\');
  return image;
}
}  // namespace

TNewEditDialog::TBrowsePrompt TNewEditDialog::BrowsePrompt = TNewEditDialog::RunBrowseDialog;

TNewEditDialog::TNewEditDialog(TMyWindow& listWindow)
    : wxDialog(&listWindow, IdEditDialog,
               EditMode == EditCurrentLine ? "Edit Current Line" : "New Line",
               wxDefaultPosition, wxDefaultSize, wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX),
      ListWindow(listWindow) {
  auto* imageLabel = new wxStaticText(this, wxID_ANY, "Image File Name:");
  ImageEdit = new TUpperCaseEdit(this, IdImageEdit, ImageFieldLength);
  auto* realLabel = new wxStaticText(this, wxID_ANY, "Real File Name:");
  // Real paths keep their case.
  RealEdit = new wxTextCtrl(this, IdRealEdit, wxString(), wxDefaultPosition, wxDefaultSize,
                            wxTE_PROCESS_ENTER);
  RealEdit->SetMaxLength(RealFieldLength);
  auto* ok = new wxButton(this, wxID_OK, "OK");
  auto* cancel = new wxButton(this, wxID_CANCEL, "Cancel");
  ActionButton = new wxButton(this, IdActionButton,
                              EditMode == EditCurrentLine ? "&Restore" : "&Browse...");

  std::vector<TRowButton> buttons = {{ok, DialogUnitsToPixels(this, OkUnits)},
                                     {cancel, DialogUnitsToPixels(this, CancelUnits)},
                                     {ActionButton, DialogUnitsToPixels(this, ActionUnits), true}};
  int wider = FitButtonRow(buttons, ConvertDialogToPixels(wxSize(ButtonGapUnits, 0)).x);
  wxRect imageEdit = DialogUnitsToPixels(this, ImageEditUnits);
  wxRect realEdit = DialogUnitsToPixels(this, RealEditUnits);
  imageEdit.width += wider;
  realEdit.width += wider;
  std::vector<TDialogItem> items = {{imageLabel, DialogUnitsToPixels(this, ImageLabelUnits)},
                                    {ImageEdit, imageEdit},
                                    {realLabel, DialogUnitsToPixels(this, RealLabelUnits)},
                                    {RealEdit, realEdit}};
  for (const TRowButton& b : buttons) items.push_back({b.Button, b.Place});
  int extra = PlaceDialogItems(items);
  wxSize client = ConvertDialogToPixels(DialogUnits);
  SetClientSize(client.x + wider, client.y + extra);
  CentreOnParent();

  ok->SetDefault();
  Bind(wxEVT_BUTTON, &TNewEditDialog::OnOk, this, wxID_OK);
  // GTK does not always pass Enter in a field on to the default button.
  Bind(wxEVT_TEXT_ENTER, &TNewEditDialog::OnOk, this);
  Bind(wxEVT_BUTTON, &TNewEditDialog::OnAction, this, IdActionButton);

  if (EditMode == EditCurrentLine) ShowCurrentLine();
  ImageEdit->SetFocus();
}

void TNewEditDialog::ShowCurrentLine() {
  const std::string* image = ListWindow.Entries.ImagePathAt(ListWindow.CurrentLine);
  const std::string* real = ListWindow.Entries.RealPathAt(ListWindow.CurrentLine);
  ImageEdit->ChangeValue(image ? ToWx(*image) : wxString());
  RealEdit->ChangeValue(real ? ToWx(*real) : wxString());
}

void TNewEditDialog::Restore() { ShowCurrentLine(); }

void TNewEditDialog::Browse() {
  TFileDialogData& data = ListWindow.BrowseData;
  data.FileName.clear();
  if (!BrowsePrompt(this, data)) return;
  std::string chosen = FromWx(data.FileName);
  RealEdit->ChangeValue(data.FileName);
  std::string image = ImagePathOf(chosen);
  if (image.size() > ImageFieldLength) {
    // The field would cut the path short, perhaps into another valid path:
    // the user names the place in the image instead.
    ImageEdit->ChangeValue(wxString());
    RefuseField(ImageEdit);
    return;
  }
  ImageEdit->ChangeValue(ToWx(image));
}

bool TNewEditDialog::RunBrowseDialog(wxWindow* parent, TFileDialogData& data) {
  wxFileDialog dialog(parent, "Browse File", wxString(), data.FileName, data.Filter, data.Style);
  if (dialog.ShowModal() != wxID_OK) return false;
  data.FileName = dialog.GetPath();
  return true;
}

bool TNewEditDialog::Accept() {
  std::string image = FromWx(ImageEdit->GetValue());
  std::string real = FromWx(RealEdit->GetValue());
  if (!CheckPath(image, PathRooted) || image.size() > MaxImagePath) {
    RefuseField(ImageEdit);
    return false;
  }
  if (!CheckRealPath(real)) {
    RefuseField(RealEdit);
    return false;
  }
  TMyWindow& w = ListWindow;
  bool wasEmpty = w.Entries.Count() == 0;
  if (EditMode == EditCurrentLine && !wasEmpty)
    w.Entries.Destroy(static_cast<std::size_t>(w.CurrentLine));
  w.Entries.Add(std::move(image), std::move(real));
  // The index stays; the line it shows may be another one now.
  w.CurrentLine = std::clamp(w.CurrentLine, 0, static_cast<int>(w.Entries.Count()) - 1);
  w.MeasureNameColumn();
  if (EditMode == EditNewLine || wasEmpty) w.SetLineCount(static_cast<int>(w.Entries.Count()));
  w.Refresh();
  return true;
}

void TNewEditDialog::OnOk(wxCommandEvent&) {
  if (Accept()) EndModal(wxID_OK);
}

void TNewEditDialog::OnAction(wxCommandEvent&) {
  if (EditMode == EditCurrentLine)
    Restore();
  else
    Browse();
}

void RefuseField(wxWindow* field) {
  wxBell();
  field->SetFocus();
}

void RunEditDialog(TMyWindow& window) {
  TNewEditDialog dialog(window);
  dialog.ShowModal();
}
