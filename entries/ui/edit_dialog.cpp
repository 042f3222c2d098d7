#include "entries/ui/edit_dialog.h"

#include <algorithm>
#include <climits>
#include <string>

#include <wx/button.h>
#include <wx/stattext.h>

#include "app/command_ids.h"
#include "app/dialog_layout.h"
#include "app/file_dialog.h"
#include "app/text_convert.h"
#include "entries/dir_entry.h"
#include "entries/path_rules.h"
#include "entries/short_name.h"
#include "entries/ui/button_row.h"
#include "entries/ui/list_editor.h"
#include "entries/ui/upper_case_edit.h"
#include "platform/file_system.h"

int EditMode = EditNewLine;

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

// The folder part of an image path as typed: up to its last "\\", or "\\".
std::string FolderPartOf(const std::string& imagePath) {
  std::size_t slash = imagePath.rfind('\\');
  return slash == std::string::npos ? std::string("\\") : imagePath.substr(0, slash + 1);
}

// The name a chosen file gets in the image folder folder (as typed): its
// own name in capitals when that is a DOS name, else the short name a FAT
// system would make, free among the list's lines in that folder; nothing
// when no name is left of it.
std::string DosNameOf(const std::string& realPath, std::string folder, const TEntryList& lines) {
  TrimBlanks(folder);
  AddSeparators(folder, PathRooted | PathDirectory);
  return ShortName(NameOfPath(realPath), NamesInFolder(lines, UpperCase(folder)));
}
}  // namespace

TNewEditDialog::TNewEditDialog(TListEditor& list)
    : wxDialog(list.ListWindow(), IdEditDialog,
               EditMode == EditCurrentLine ? "Edit Current Line" : "New Line",
               wxDefaultPosition, wxDefaultSize, wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX),
      List(list) {
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

  if (EditMode == EditCurrentLine) {
    const int line = List.ListCurrentLine();
    const std::string* image = List.ListEntries().ImagePathAt(line);
    const std::string* real = List.ListEntries().RealPathAt(line);
    Opened = {image ? *image : std::string(), real ? *real : std::string(), line};
    ShowOpenedLine();
  }
  ImageEdit->SetFocus();
}

void TNewEditDialog::ShowOpenedLine() {
  ImageEdit->ChangeValue(ToWx(Opened.ImagePath));
  RealEdit->ChangeValue(ToWx(Opened.RealPath));
}

void TNewEditDialog::Restore() { ShowOpenedLine(); }

void TNewEditDialog::Browse() {
  TFileDialogData& data = List.BrowseSettings();
  data.FileName.clear();
  if (!RunFileDialog(this, "Browse File", data)) return;
  RealEdit->ChangeValue(data.FileName);
  // Where the system keeps the file's short path (Windows), the image gets
  // the same path as the disk, without the drive.
  const std::string shortPath = ShortRealPath(FromWx(data.FileName));
  if (!shortPath.empty()) {
    const std::string image = ImageFolderOf(List.ListEntries(), shortPath) + NameOfPath(shortPath);
    if (image.size() <= ImageFieldLength) {
      ImageEdit->ChangeValue(ToWx(image));
      return;
    }
  }
  // Otherwise it goes into the folder the image field names, under its own
  // name or its short name; its folders on disk rarely make DOS names.
  std::string folder = FolderPartOf(FromWx(ImageEdit->GetValue()));
  std::string name = DosNameOf(FromWx(data.FileName), folder, List.ListEntries());
  if (name.empty() || folder.size() + name.size() > ImageFieldLength) {
    // No name the image takes (or none that fits the field whole): the
    // user types one after the folder.
    ImageEdit->ChangeValue(ToWx(folder));
    RefuseField(ImageEdit);
    ImageEdit->SetInsertionPointEnd();
    return;
  }
  ImageEdit->ChangeValue(ToWx(folder + name));
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
  List.PutLine(std::move(image), std::move(real), EditMode == EditCurrentLine ? &Opened : nullptr);
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

void RunEditDialog(TListEditor& list) {
  TNewEditDialog dialog(list);
  dialog.ShowModal();
}
