// The list window's file commands: New, Open List..., Save List and Save
// List As..., the frame's caption that names the list, and the question
// about unsaved changes. The file format itself is the core's, shared with
// qvimage.
#include <wx/filedlg.h>
#include <wx/filename.h>

#include "app/list_window.h"
#include "app/main_frame.h"
#include "app/message_box.h"
#include "app/text_convert.h"
#include "entries/list_file.h"
#include "platform/file_system.h"

namespace {

const char* const FileErrorCaption = "File Error";
// The name of a list that has no file yet.
const char* const UntitledName = "Untitled";

wxString ListFilter() {
  return wxString(ListFileFilter) + "|All Files (*.*)|*.*";
}

// The list's name in the caption and the questions: its file's name.
std::string ListName(const std::string& path) {
  return path.empty() ? UntitledName : NameOfPath(path);
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

void TMyWindow::ShowListState() {
  // Called at every idle notice, also between the steps of a build: only a
  // change of the list's state or of its file costs more than two comparisons.
  bool modified = Document.Modified();
  if (modified == ShownModified && Document.Path() == ShownPath) return;
  ShownModified = modified;
  ShownPath = Document.Path();
  wxWindow* frame = wxGetTopLevelParent(this);
  if (!frame) return;
  // The list's name, "*" before it for unsaved changes; the empty list at
  // start shows the program's name alone.
  wxString caption(AppTitle);
  if (modified || !ShownPath.empty())
    caption = (modified ? "*" : "") + ToWx(ListName(ShownPath)) + " - " + caption;
  if (frame->GetLabel() != caption) frame->SetLabel(caption);
}

void TMyWindow::ShowNewList() {
  // Every line came in anew: their files are read again.
  Estimate.ReadAllAgain();
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
  TListError error;
  if (!Document.Open(path, error)) {
    std::string text = path + ":" + (error.Line > 0 ? std::to_string(error.Line) + ":" : "") +
                       " " + error.Message;
    ShowMessageBox(this, ToWx(text), FileErrorCaption, TButtons::Ok);
    return false;
  }
  ShowNewList();
  return true;
}

bool TMyWindow::SaveList(const std::string& path) {
  std::string error;
  bool saved = Document.Save(path, error);
  if (!saved)
    ShowMessageBox(this, ToWx("Sorry, I can't save the list " + path + ": " + error),
                   FileErrorCaption, TButtons::Ok);
  ShowListState();
  return saved;
}

bool TMyWindow::AskSaveChanges() {
  if (!Document.Modified()) return true;
  TAnswer answer = ShowMessageBox(this,
                                  ToWx("The list " + ListName(Document.Path()) +
                                       " has changed.\n\nDo you want to save the changes?"),
                                  AppTitle, TButtons::SaveDontSaveCancel);
  if (answer == TAnswer::Save) return SaveToItsFile();
  return answer == TAnswer::No;
}

void TMyWindow::OnNewList(wxCommandEvent&) {
  if (WriteDialog || !AskSaveChanges()) return;
  TEntryList empty;
  Document.Take(empty, std::string());
  ShowNewList();
}

void TMyWindow::OnOpenList(wxCommandEvent&) {
  if (WriteDialog || !AskSaveChanges()) return;
  std::string path = Document.Path();
  if (!AskListPath(false, path)) return;
  OpenList(path);
}

void TMyWindow::OnSaveList(wxCommandEvent&) { SaveToItsFile(); }
void TMyWindow::OnSaveListAs(wxCommandEvent&) { SaveToNewFile(); }

bool TMyWindow::SaveToItsFile() {
  if (Document.Path().empty()) return SaveToNewFile();
  return SaveList(Document.Path());
}

bool TMyWindow::SaveToNewFile() {
  std::string path = Document.Path().empty()
                         ? std::string(UntitledName) + "." + ListFileExtension
                         : Document.Path();
  if (!AskListPath(true, path)) return false;
  // As the image's save prompt does: a name typed without an extension
  // gets the list's.
  if (!wxFileName(ToWx(path)).HasExt()) path += std::string(".") + ListFileExtension;
  return SaveList(path);
}
