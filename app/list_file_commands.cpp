// The list window's file commands: New, Open List..., Save List, Save
// List As... and Open Image..., the frame's caption that names the list,
// and the question about unsaved changes. The file format itself is the core's, shared with
// qvimage.
#include <wx/dir.h>
#include <wx/dirdlg.h>
#include <wx/filedlg.h>
#include <wx/filename.h>

#include "app/command_ids.h"
#include "app/list_window.h"
#include "app/main_frame.h"
#include "app/message_box.h"
#include "app/text_convert.h"
#include "entries/list_file.h"
#include "image/image_unpack.h"
#include "image/ui/write_dialog.h"
#include "platform/file_system.h"

namespace {

const char* const FileErrorCaption = "File Error";
// The name of a list that has no file yet.
const char* const UntitledName = "Untitled";

wxString ListFilter() {
  return wxString(ListFileFilter) + "|All Files (*.*)|*.*";
}

// The name shown for a list file: its last component (after a backslash
// too, on Windows).
std::string ShownName(const std::string& path) {
  std::size_t i = path.size();
  while (i > 0 && !IsPathSeparator(path[i - 1])) --i;
  return path.substr(i);
}

}  // namespace

bool TMyWindow::AskListPath(bool save, std::string& path) {
  // The dialog opens in the list's folder, or for a list without a file in
  // the folder of the last list chosen.
  wxFileName proposal(ToWx(path));
  ListData.Filter = ListFilter();
  ListData.FileName = proposal.GetFullName();
  if (proposal.IsAbsolute()) ListData.Folder = proposal.GetPath();
  ListData.Style = save ? wxFD_SAVE | wxFD_OVERWRITE_PROMPT : wxFD_OPEN | wxFD_FILE_MUST_EXIST;
  if (!RunFileDialog(this, save ? "Save List" : "Open List", ListData)) return false;
  path = FromWx(ListData.FileName);
  return true;
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

wxString TMyWindow::ListCaption() const {
  if (ListPath.empty() && !Modified()) return wxString(AppTitle);
  std::string name = ListPath.empty() ? UntitledName : ShownName(ListPath);
  return (Modified() ? "*" : "") + ToWx(name) + " - " + wxString(AppTitle);
}

void TMyWindow::ShowListState() {
  // Called at every idle notice, also between the steps of a build: only a
  // change of the list or of its file costs more than two comparisons.
  if (Entries.ChangeCount() == ShownChange && ListPath == ShownPath && SavedChange == ShownSaved)
    return;
  ShownChange = Entries.ChangeCount();
  ShownPath = ListPath;
  ShownSaved = SavedChange;
  wxWindow* frame = wxGetTopLevelParent(this);
  if (!frame) return;
  wxString caption = ListCaption();
  if (frame->GetLabel() != caption) frame->SetLabel(caption);
}

void TMyWindow::SetEntries(TEntryList& entries, const std::string& path) {
  Entries.Swap(entries);
  entries.Flush();
  ListPath = path;
  SavedChange = Entries.ChangeCount();
  // A list unpacked from an image has no file yet: it is unsaved work.
  if (path.empty() && Entries.Count() > 0) --SavedChange;
  CurrentLine = 0;
  SetFirstVisibleLine(0);
  MeasureNameColumn();
  SetLineCount(static_cast<int>(Entries.Count()));
  Refresh();
  ShowListState();
}

bool TMyWindow::OpenList(const std::string& given) {
  // Held as an absolute path, so that the list's relative real paths do not
  // depend on the folder the program was started in.
  wxFileName name(ToWx(given));
  name.MakeAbsolute();
  const std::string path = FromWx(name.GetFullPath());
  TEntryList read;
  TListError error;
  if (!LoadEntryList(path, read, error)) {
    std::string text = path + ":" + (error.Line > 0 ? std::to_string(error.Line) + ":" : "") +
                       " " + error.Message;
    ShowMessageBox(this, ToWx(text), FileErrorCaption, TButtons::Ok);
    return false;
  }
  SetEntries(read, path);
  return true;
}

bool TMyWindow::SaveList(const std::string& path) {
  std::string error;
  if (!SaveEntryList(path, Entries, error)) {
    ShowMessageBox(this, ToWx("Sorry, I can't save the list " + path + ": " + error),
                   FileErrorCaption, TButtons::Ok);
    ShowListState();
    return false;
  }
  ListPath = path;
  SavedChange = Entries.ChangeCount();
  ShowListState();
  return true;
}

bool TMyWindow::AskSaveChanges() {
  if (!Modified()) return true;
  std::string name = ListPath.empty() ? UntitledName : ShownName(ListPath);
  TAnswer answer = ShowMessageBox(
      this, ToWx("The list " + name + " has changed.\n\nDo you want to save the changes?"),
      AppTitle, TButtons::SaveDontSaveCancel);
  if (answer == TAnswer::Save) return CmSaveListNow();
  return answer == TAnswer::No;
}

void TMyWindow::CmNewListNow() {
  if (WriteDialog || !AskSaveChanges()) return;
  TEntryList empty;
  SetEntries(empty, std::string());
}

void TMyWindow::CmOpenListNow() {
  if (WriteDialog || !AskSaveChanges()) return;
  std::string path = ListPath;
  if (!AskListPath(false, path)) return;
  OpenList(path);
}

bool TMyWindow::CmSaveListNow() {
  if (ListPath.empty()) return CmSaveListAsNow();
  return SaveList(ListPath);
}

bool TMyWindow::CmSaveListAsNow() {
  std::string path = ListPath.empty() ? std::string(UntitledName) + "." + ListFileExtension
                                      : ListPath;
  if (!AskListPath(true, path)) return false;
  // As the image's save prompt does: a name typed without an extension
  // gets the list's.
  if (!wxFileName(ToWx(path)).HasExt()) path += std::string(".") + ListFileExtension;
  return SaveList(path);
}

void TMyWindow::OnUpdateSave(wxUpdateUIEvent& event) {
  if (event.GetId() == CmSaveListAs)
    event.Enable(Entries.Count() > 0 || !ListPath.empty());
  else
    event.Enable(Modified());
}

void TMyWindow::CmOpenImageNow() {
  if (WriteDialog || !AskSaveChanges()) return;
  // The dialog opens in the last image's folder, proposing its name.
  ImageData.FileName = wxFileName(ImageData.FileName).GetFullName();
  if (!RunFileDialog(this, "Open Image", ImageData)) return;
  const std::string image = FromWx(ImageData.FileName);
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
    WriteDialog = &dialog;
    dialog.ShowModal();
    WriteDialog = nullptr;
    if (!dialog.Unpack().Done()) return false;
    const TEntryList& entries = dialog.Unpack().Entries();
    for (std::size_t i = 0; i < entries.Count(); ++i)
      read.Add(entries[i].ImagePath, entries[i].RealPath);
  }
  SetEntries(read, std::string());
  return true;
}
