// The entry dialog: New Line (Insert) and Edit Current Line (Edit, Enter,
// double click), as chosen by EditMode.
#pragma once

#include <wx/dialog.h>

#include "entries/path_rules.h"
#include "entries/ui/list_editor.h"

class wxButton;
class wxTextCtrl;

// The image field holds a whole stored image path, leading "\" included,
// so editing the longest line does not cut it; OK refuses anything longer
// than MaxImagePath once the "\" is added.
constexpr unsigned long ImageFieldLength = MaxImagePath;

// 1 New Line, 2 Edit Current Line: set before the entry dialog opens.
extern int EditMode;
enum { EditNewLine = 1, EditCurrentLine = 2 };

class TNewEditDialog : public wxDialog {
 public:
  explicit TNewEditDialog(TListEditor& list);

  TListEditor& List;
  wxTextCtrl* ImageEdit = nullptr;  // 221
  wxTextCtrl* RealEdit = nullptr;   // 222
  wxButton* ActionButton = nullptr;  // 223: "&Restore" or "&Browse..."

  // Checks both fields and changes the list; false (beep, focus on the
  // refused field) when a path is refused.
  bool Accept();
  // The third button: Restore in Edit Current Line mode, Browse in New Line.
  void Restore();
  void Browse();

 private:
  void OnOk(wxCommandEvent& event);
  void OnAction(wxCommandEvent& event);
  void ShowOpenedLine();

  // Edit Current Line: the line as it was opened, which OK replaces.
  TListEditor::TOpenedLine Opened;
};

// Runs the entry dialog modally over the list's window; on OK it puts the
// line into the list.
void RunEditDialog(TListEditor& list);

// A refused field: the asterisk beep and the keyboard focus.
void RefuseField(wxWindow* field);
