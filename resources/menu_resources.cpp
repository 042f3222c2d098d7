#include "resources/menu_resources.h"

#include <iterator>

#include <wx/accel.h>
#include <wx/menu.h>

#include "app/command_ids.h"

namespace {

struct TCommandText {
  int Command;
  const char* MenuText;
  const char* String;
};

const TCommandText CommandTexts[] = {
    {CmDelete, "&Delete\tDel", "Delete the current entry line"},
    {CmInsert, "&Insert...\tIns", "Insert a new entry\nInsert"},
    {CmEdit, "&Edit...\tEnter", "Edit the current entry line"},
    {CmCreateImage, "&Create Image...", "Create an image file"},
    {CmRunFileManager, "Run &File Manager", "Launch the File Manager"},
    {CmAbout, "&About...", "Open an information dialog box"},
    {CmNewList, "&New\tCtrl+N", "Start a new, empty entry list"},
    {CmOpenList, "&Open List...\tCtrl+O", "Open an entry list file"},
    {CmSaveList, "&Save List\tCtrl+S", "Save the entry list"},
    {CmSaveListAs, "Save List &As...\tShift+Ctrl+S", "Save the entry list under a new name"},
    {CmOpenImage, "Open &Image...", "Unpack an image into a folder and open its entries"},
    {CmBurnImage, "&Burn Image...", "Burn an image file onto a blank CD-R"},
    {CmCopyToCard, "Copy to S&D Card...", "Copy an image file onto an SD card for a CD emulator"},
    {CmQuit, "&Quit\tCtrl+Q", "Close the window and end the program"},
};

const TCommandText* Find(int command) {
  for (const TCommandText& t : CommandTexts)
    if (t.Command == command) return &t;
  return nullptr;
}

void Append(wxMenu* menu, int command) {
  menu->Append(command, wxString::FromUTF8(Find(command)->MenuText), CommandHint(command));
}

}  // namespace

wxMenuBar* CreateMainMenu() {
  auto* file = new wxMenu;
  Append(file, CmNewList);
  Append(file, CmOpenList);
  Append(file, CmSaveList);
  Append(file, CmSaveListAs);
  Append(file, CmOpenImage);
  file->AppendSeparator();
  Append(file, CmCreateImage);
#ifndef _WIN32  // burning needs libburn, which the Windows build lacks
  Append(file, CmBurnImage);
#endif
  Append(file, CmCopyToCard);
  file->AppendSeparator();
  Append(file, CmRunFileManager);
  file->AppendSeparator();
  Append(file, CmQuit);
  auto* edit = new wxMenu;
  Append(edit, CmEdit);
  edit->AppendSeparator();
  Append(edit, CmInsert);
  Append(edit, CmDelete);
  auto* help = new wxMenu;
  Append(help, CmAbout);
  auto* bar = new wxMenuBar;
  bar->Append(file, "&File");
  bar->Append(edit, "&Edit");
  bar->Append(help, "&Help");
  return bar;
}

wxAcceleratorTable CreateListAccelerators() {
  wxAcceleratorEntry keys[] = {
      {wxACCEL_NORMAL, WXK_DELETE, CmDelete},
      {wxACCEL_NORMAL, WXK_RETURN, CmEdit},
      {wxACCEL_NORMAL, WXK_INSERT, CmInsert},
      {wxACCEL_CTRL, 'N', CmNewList},
      {wxACCEL_CTRL, 'O', CmOpenList},
      {wxACCEL_CTRL, 'S', CmSaveList},
      {wxACCEL_CTRL | wxACCEL_SHIFT, 'S', CmSaveListAs},
      {wxACCEL_CTRL, 'Q', CmQuit},
      // The keypad's keys are the same keys on the original platform.
      {wxACCEL_NORMAL, WXK_NUMPAD_DELETE, CmDelete},
      {wxACCEL_NORMAL, WXK_NUMPAD_ENTER, CmEdit},
      {wxACCEL_NORMAL, WXK_NUMPAD_INSERT, CmInsert},
  };
  return wxAcceleratorTable(static_cast<int>(std::size(keys)), keys);
}

wxString CommandString(int command) {
  const TCommandText* t = Find(command);
  return t ? wxString::FromUTF8(t->String) : wxString();
}

wxString CommandHint(int command) { return CommandString(command).BeforeFirst('\n'); }

wxString CommandToolTip(int command) {
  const TCommandText* t = Find(command);
  if (!t) return CommandString(command).AfterFirst('\n');
  wxString text = wxString::FromUTF8(t->MenuText).BeforeFirst('\t');
  text.Replace("&", "", false);
  while (text.EndsWith(".")) text.RemoveLast();
  return text;
}
