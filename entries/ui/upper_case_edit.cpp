#include "entries/ui/upper_case_edit.h"

namespace {
bool IsLowerAscii(wxUniChar c) { return c >= 'a' && c <= 'z'; }
wxUniChar ToUpperAscii(wxUniChar c) { return IsLowerAscii(c) ? wxUniChar(c - 'a' + 'A') : c; }
}  // namespace

TUpperCaseEdit::TUpperCaseEdit(wxWindow* parent, int id, unsigned long maxLength)
    : wxTextCtrl(parent, id, wxString(), wxDefaultPosition, wxDefaultSize,
                 wxBORDER_DEFAULT | wxTE_PROCESS_ENTER) {
  SetMaxLength(maxLength);
  Bind(wxEVT_CHAR, &TUpperCaseEdit::OnChar, this);
  Bind(wxEVT_TEXT, &TUpperCaseEdit::OnText, this);
}

// A typed letter goes in as its capital, so the caret moves as usual.
void TUpperCaseEdit::OnChar(wxKeyEvent& event) {
  wxUniChar c = event.GetUnicodeKey();
  if (event.GetModifiers() & (wxMOD_CONTROL | wxMOD_ALT) || !IsLowerAscii(c)) {
    event.Skip();
    return;
  }
  WriteText(wxString(ToUpperAscii(c)));
}

// Whatever came in another way (pasted, dropped, set) is upper-cased here,
// keeping the insertion point.
void TUpperCaseEdit::OnText(wxCommandEvent& event) {
  event.Skip();
  wxString text = GetValue();
  bool changed = false;
  for (auto it = text.begin(); it != text.end(); ++it) {
    if (IsLowerAscii(*it)) {
      *it = ToUpperAscii(*it);
      changed = true;
    }
  }
  if (!changed) return;
  long caret = GetInsertionPoint();
  ChangeValue(text);
  SetInsertionPoint(caret);
}
