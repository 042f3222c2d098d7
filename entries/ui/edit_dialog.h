// The entry dialog: New Line (Insert) and Edit Current Line (Edit, Enter,
// double click), as chosen by EditMode.
#pragma once

#include <functional>

#include <wx/dialog.h>

#include "entries/path_rules.h"

class TMyWindow;
struct TFileDialogData;
class wxButton;
class wxTextCtrl;

// The image field holds a whole stored image path, leading "\" included,
// so editing the longest line does not cut it; OK refuses anything longer
// than MaxImagePath once the "\" is added.
constexpr unsigned long ImageFieldLength = MaxImagePath;

class TNewEditDialog : public wxDialog {
 public:
  explicit TNewEditDialog(TMyWindow& listWindow);

  TMyWindow& ListWindow;
  wxTextCtrl* ImageEdit = nullptr;  // 221
  wxTextCtrl* RealEdit = nullptr;   // 222
  wxButton* ActionButton = nullptr;  // 223: "&Restore" or "&Browse..."

  // The "Browse File" prompt over parent with the list window's settings;
  // on true data.FileName holds the chosen path. Tests answer it here
  // instead of the desktop's file dialog.
  using TBrowsePrompt = std::function<bool(wxWindow* parent, TFileDialogData& data)>;
  static TBrowsePrompt BrowsePrompt;
  static bool RunBrowseDialog(wxWindow* parent, TFileDialogData& data);

  // Checks both fields and changes the list; false (beep, focus on the
  // refused field) when a path is refused.
  bool Accept();
  // The third button: Restore in Edit Current Line mode, Browse in New Line.
  void Restore();
  void Browse();

 private:
  void OnOk(wxCommandEvent& event);
  void OnAction(wxCommandEvent& event);
  void ShowCurrentLine();
};

// Runs the entry dialog modally over the list window; it changes the list
// itself on OK.
void RunEditDialog(TMyWindow& window);

// A refused field: the asterisk beep and the keyboard focus.
void RefuseField(wxWindow* field);
