// A one-line text field that turns letters into capitals as they are typed
// or pasted: image paths and drop destinations are DOS names, upper case.
// Enter in it sends wxEVT_TEXT_ENTER, which the dialog takes as OK.
#pragma once

#include <wx/textctrl.h>

class TUpperCaseEdit : public wxTextCtrl {
 public:
  TUpperCaseEdit(wxWindow* parent, int id, unsigned long maxLength);

 private:
  void OnChar(wxKeyEvent& event);
  void OnText(wxCommandEvent& event);
};
