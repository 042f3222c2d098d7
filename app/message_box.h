// The program's message box: the exclamation icon, the text and one of the
// button sets, in their order. GTK's own box shows no icon and maps Esc to
// its third button, so the program draws its own.
#pragma once

#include <wx/dialog.h>

#include "image/build_host.h"

class TMessageBox : public wxDialog {
 public:
  TMessageBox(wxWindow* parent, const wxString& text, const wxString& caption,
              TButtons buttons);
  // The answer to a dialog result (a wx button id).
  static TAnswer AnswerOf(int result);
  // The wx button id of an answer, for whoever answers the box in its stead.
  static int IdOf(TAnswer answer);

  TButtons Buttons() const { return ButtonSet; }
  const wxString& Text() const { return MessageText; }

 private:
  TButtons ButtonSet;
  wxString MessageText;
};

// Shows the box modally and returns the user's answer. Esc answers OK in an
// OK box and Cancel in a Retry/Cancel or Save/Don't Save/Cancel box; the
// other sets have no way out but their buttons.
TAnswer ShowMessageBox(wxWindow* parent, const wxString& text, const wxString& caption,
                       TButtons buttons);
