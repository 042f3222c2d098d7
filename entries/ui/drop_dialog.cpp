#include "entries/ui/drop_dialog.h"

#include <algorithm>
#include <vector>

#include <wx/button.h>
#include <wx/stattext.h>

#include "app/command_ids.h"
#include "app/dialog_layout.h"
#include "app/text_convert.h"
#include "entries/path_rules.h"
#include "entries/ui/button_row.h"
#include "entries/ui/edit_dialog.h"
#include "entries/ui/upper_case_edit.h"

std::string DropDestination;

namespace {
// Dialog 210, in dialog units.
const wxSize DialogUnits(168, 50);
const wxRect LabelUnits(4, 4, 108, 8);
const wxRect DestEditUnits(4, 16, 160, 12);
const wxRect OkUnits(4, 32, 36, 14);
const wxRect CancelUnits(44, 32, 36, 14);
const wxRect DefaultUnits(128, 32, 36, 14);
constexpr int ButtonGapUnits = 4;
}  // namespace

TDropDestDialog::TDropDestDialog(wxWindow* parent)
    : wxDialog(parent, IdDropDialog, "Drop Destination", wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX) {
  auto* labelText = new wxStaticText(this, wxID_ANY, "Image Destination Directory:");
  DestEdit = new TUpperCaseEdit(this, IdDropDestEdit, DestFieldLength);
  auto* ok = new wxButton(this, wxID_OK, "OK");
  auto* cancel = new wxButton(this, wxID_CANCEL, "Cancel");
  auto* byDefault = new wxButton(this, IdDropDefault, "&Default");

  std::vector<TRowButton> buttons = {{ok, DialogUnitsToPixels(this, OkUnits)},
                                     {cancel, DialogUnitsToPixels(this, CancelUnits)},
                                     {byDefault, DialogUnitsToPixels(this, DefaultUnits), true}};
  int wider = FitButtonRow(buttons, ConvertDialogToPixels(wxSize(ButtonGapUnits, 0)).x);
  wxRect label = DialogUnitsToPixels(this, LabelUnits);
  // The label is longer than its units in most GUI fonts.
  label.width = std::max(label.width, labelText->GetBestSize().x);
  wxRect destEdit = DialogUnitsToPixels(this, DestEditUnits);
  destEdit.width += wider;
  std::vector<TDialogItem> items = {{labelText, label}, {DestEdit, destEdit}};
  for (const TRowButton& b : buttons) items.push_back({b.Button, b.Place});
  int extra = PlaceDialogItems(items);
  wxSize client = ConvertDialogToPixels(DialogUnits);
  client.x = std::max(client.x + wider, label.x * 2 + label.width);
  SetClientSize(client.x, client.y + extra);
  CentreOnParent();

  ok->SetDefault();
  Bind(wxEVT_BUTTON, &TDropDestDialog::OnOk, this, wxID_OK);
  Bind(wxEVT_TEXT_ENTER, &TDropDestDialog::OnOk, this);
  Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { ShowDefault(); }, IdDropDefault);
  ShowDefault();
  DestEdit->SetFocus();
}

void TDropDestDialog::ShowDefault() { DestEdit->ChangeValue(ToWx(DropDestination)); }

bool TDropDestDialog::Accept() {
  DropDestination = FromWx(DestEdit->GetValue());
  // The refused text stays in its normalised form: "&Default" shows it.
  if (!CheckPath(DropDestination, PathRooted | PathDirectory)) {
    RefuseField(DestEdit);
    return false;
  }
  return true;
}

void TDropDestDialog::OnOk(wxCommandEvent&) {
  if (Accept()) EndModal(wxID_OK);
}
