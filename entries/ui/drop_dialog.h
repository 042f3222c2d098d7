// "Drop Destination": the folder inside the image that receives a drop.
#pragma once

#include <string>

#include <wx/dialog.h>

class wxTextCtrl;

// The destination field takes 255 characters; with both separators the
// destination is at most 257 long.
constexpr unsigned long DestFieldLength = 255;

// The proposal while the dialog is open; the accepted, normalised
// destination after OK. Every drop sets a new proposal.
extern std::string DropDestination;

class TDropDestDialog : public wxDialog {
 public:
  explicit TDropDestDialog(wxWindow* parent);

  wxTextCtrl* DestEdit = nullptr;  // 211

  // Checks and normalises the field into DropDestination; false (beep,
  // focus) when it is not a valid folder of the image.
  bool Accept();
  // "&Default": the field shows DropDestination again.
  void ShowDefault();

 private:
  void OnOk(wxCommandEvent& event);
};
