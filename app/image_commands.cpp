// The list window's commands that run in the progress dialog: Create
// Image..., which builds an image of the list, and Open Image..., which
// unpacks one into a folder and makes its files the list; and the idle
// notice that steps either of them.
#include <wx/dir.h>
#include <wx/dirdlg.h>
#include <wx/utils.h>
#include <wx/filename.h>

#include "app/bring_to_front.h"
#include "app/list_window.h"
#include "app/message_box.h"
#include "app/text_convert.h"
#include "image/build_messages.h"
#include "image/build_state.h"
#include "image/image_reader.h"
#include "image/image_unpack.h"
#include "image/ui/write_dialog.h"

void TMyWindow::OnCreateImage(wxCommandEvent&) {
  if (Entries.Count() == 0 || WriteDialog) return;
  int code;
  {
    TWriteDialog dialog(this, Entries, SaveData, DialogFont);
    code = RunProgress(dialog);
    if (dialog.Work().Done()) LastImage = FromWx(SaveData.FileName);
  }
  if (code == BuildEndFailedEntry) SetCurrentLine(FailedEntry);
}

int TMyWindow::RunProgress(TWriteDialog& dialog) {
  WriteDialog = &dialog;
  const int code = dialog.ShowModal();
  WriteDialog = nullptr;
  // A message box that a step opened over the dialog may leave no window
  // active once both are gone: the list takes the keyboard back.
  BringToFront(this);
  SetFocus();
  CheckFilesAgain();
  return code;
}

bool TMyWindow::EnterIdle(wxWindow* idleWindow) {
  if (!WriteDialog || idleWindow != WriteDialog) return false;
  return WriteDialog->StepOnce();
}

std::function<bool(TMyWindow&, std::string&)> TMyWindow::FolderPrompt =
    TMyWindow::RunFolderPrompt;

bool TMyWindow::RunFolderPrompt(TMyWindow& window, std::string& folder) {
  // The desktop's folder dialog has a button that makes a new folder.
  wxDirDialog dialog(&window, "Unpack Image Into", ToWx(folder), wxDD_DEFAULT_STYLE);
  if (dialog.ShowModal() != wxID_OK) return false;
  folder = FromWx(dialog.GetPath());
  return true;
}

void TMyWindow::OnOpenImage(wxCommandEvent&) {
  if (WriteDialog || !AskSaveChanges()) return;
  // The dialog opens in the last image's folder, proposing its name.
  ImageData.FileName = wxFileName(ImageData.FileName).GetFullName();
  if (!RunFileDialog(this, "Open Image", ImageData)) return;
  const std::string image = FromWx(ImageData.FileName);
  {
    // A damaged image is said before a folder is asked for.
    wxBusyCursor reading;
    TImageReader reader(image);
    reader.ReadAll();
    TQuestion refused{TQuestionKind::ImageDamaged};
    if (!CanUnpack(reader, image, refused)) {
      ShowMessageBox(this, ToWx(QuestionText(refused)), QuestionCaption(refused.Kind),
                     QuestionButtons(refused.Kind));
      return;
    }
  }
  std::string folder = FromWx(ImageData.Folder);
  for (;;) {
    if (!FolderPrompt(*this, folder)) return;
    // The image's files go into a folder of their own: none of the user's
    // files is mixed in with them or in the way of one.
    if (!wxDir::Exists(ToWx(folder))) break;
    wxDir dir(ToWx(folder));
    if (!dir.IsOpened() || (!dir.HasFiles() && !dir.HasSubDirs())) break;
    ShowMessageBox(this,
                   ToWx("The folder " + folder +
                        " is not empty.\n\nChoose an empty or new folder to unpack the image into."),
                   "Open Image", TButtons::Ok);
  }
  OpenImage(image, folder);
}

bool TMyWindow::OpenImage(const std::string& imagePath, const std::string& folder) {
  if (WriteDialog) return false;
  TEntryList read;
  {
    TWriteDialog dialog(this, imagePath, folder, DialogFont);
    RunProgress(dialog);
    if (!dialog.Unpack().Done()) return false;
    LastImage = imagePath;
    const TEntryList& entries = dialog.Unpack().Entries();
    for (std::size_t i = 0; i < entries.Count(); ++i)
      read.Add(entries[i].ImagePath, entries[i].RealPath);
  }
  Document.Take(read, std::string());
  ShowNewList();
  return true;
}
