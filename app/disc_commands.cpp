// The list window's commands that put an image onto its medium in the
// progress dialog: Burn Image..., onto a CD-R with a CD writer, and Copy to
// SD Card..., for an SD-card CD emulator. Both take an image file, not the
// list, and propose the image last built or opened.
#include <wx/choicdlg.h>
#include <wx/filename.h>
#include <wx/utils.h>

#include "app/list_window.h"
#include "app/message_box.h"
#include "app/text_convert.h"
#include "disc/card_copy.h"
#include "image/cd_medium.h"
#include "disc/disc_burn.h"
#include "image/build_messages.h"
#include "image/ui/write_dialog.h"
#include "platform/file_system.h"

namespace {
// Titles of the prompts, which are also the commands' names.
constexpr const char* BurnTitle = "Burn Image";
constexpr const char* CardTitle = "Copy to SD Card";
}  // namespace

std::function<bool(TMyWindow&, std::string&)> TMyWindow::DrivePrompt = TMyWindow::RunDrivePrompt;

bool TMyWindow::RunDrivePrompt(TMyWindow& window, std::string& address) {
  std::vector<TDriveInfo> drives;
  std::string message;
  TDriveResult listed;
  {
    wxBusyCursor busy;  // every drive is asked what it holds: some seconds
    listed = ListDiscDrives(drives, message);
  }
  if (listed != TDriveResult::Ok || drives.empty()) {
    const TQuestion none = NoDrivesQuestion(message);
    ShowMessageBox(&window, ToWx(QuestionText(none)), QuestionCaption(none.Kind), TButtons::Ok);
    return false;
  }
  // The drive used last, else the first one with a blank disc.
  wxArrayString lines;
  int proposed = -1;
  for (std::size_t i = 0; i < drives.size(); ++i) {
    lines.Add(ToWx(DriveText(drives[i])));
    if (drives[i].Address == address ||
        (proposed < 0 && drives[i].Medium.State == TDiscState::Blank))
      proposed = static_cast<int>(i);
  }
  wxSingleChoiceDialog dialog(&window, "Burn the image with this CD writer:", BurnTitle, lines);
  dialog.SetSelection(std::max(proposed, 0));
  if (dialog.ShowModal() != wxID_OK) return false;
  address = drives[static_cast<std::size_t>(dialog.GetSelection())].Address;
  return true;
}

void TMyWindow::RunWork(const TWriteDialog::TMakeWork& make) {
  TWriteDialog dialog(this, make, DialogFont);
  RunProgress(dialog);
}

bool TMyWindow::AskMediumImage(const wxString& title, std::string& image) {
  TFileDialogData data = ImageData;
  if (!LastImage.empty()) {
    data.FileName = ToWx(NameOfPath(LastImage));
    data.Folder = ToWx(FolderOfPath(LastImage));
  }
  if (!RunFileDialog(this, title, data)) return false;
  image = LastImage = FromWx(data.FileName);
  return true;
}

void TMyWindow::OnBurnImage(wxCommandEvent&) {
  std::string image, address = LastDrive;
  if (WriteDialog || !AskMediumImage(BurnTitle, image) || !DrivePrompt(*this, address)) return;
  LastDrive = address;
  TBurnOptions options;
  options.Drive = address;
  RunWork([&](TBuildHost& host) { return std::make_unique<TDiscBurn>(image, host, options); });
}

bool TMyWindow::AskCardName(const std::string& image, std::string& copy, bool& replace) {
  if (CardData.Folder.empty()) {
    CardData.Filter = "CD Image (*.iso)|*.iso|All Files (*.*)|*.*";
    CardData.Style = wxFD_SAVE;  // replacing is asked below, so that the copy knows
    CardData.Folder = ToWx(FolderOfPath(image));
#ifndef _WIN32
    // Where the desktop mounts a card.
    const wxString media = "/media/" + wxGetUserId();
    if (wxFileName::DirExists(media)) CardData.Folder = media;
#endif
  }
  for (;;) {
    CardData.FileName = ToWx(NameOfPath(CardImageName(FromWx(CardData.Folder))));
    if (!RunFileDialog(this, CardTitle, CardData)) return false;
    copy = FromWx(CardData.FileName);
    TPathInfo info;
    replace = PathInfo(copy, info) && info.Kind == TPathKind::File;
    if (!replace || ShowMessageBox(this, ToWx(QuestionText({TQuestionKind::CardExists, copy})),
                                   CardTitle, TButtons::YesNo) == TAnswer::Yes)
      return true;
  }
}

void TMyWindow::OnCopyToCard(wxCommandEvent&) {
  std::string image, copy;
  TCardOptions options;
  if (WriteDialog || !AskMediumImage(CardTitle, image) ||
      !AskCardName(image, copy, options.Replace))
    return;
  RunWork([&](TBuildHost& host) {
    return std::make_unique<TCardCopy>(image, copy, host, options);
  });
}
