#include "app/message_box.h"

#include <vector>

#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#ifdef __WXMSW__
#include <wx/msw/wrapwin.h>
#endif

namespace {

struct TButtonSpec {
  int Id;
  const char* Label;
};

std::vector<TButtonSpec> ButtonsOf(TButtons set) {
  switch (set) {
    case TButtons::AbortRetryIgnore:
      return {{wxID_ABORT, "&Abort"}, {wxID_RETRY, "&Retry"}, {wxID_IGNORE, "&Ignore"}};
    case TButtons::YesNo:
      return {{wxID_YES, "&Yes"}, {wxID_NO, "&No"}};
    case TButtons::RetryCancel:
      return {{wxID_RETRY, "&Retry"}, {wxID_CANCEL, "Cancel"}};
    case TButtons::SaveDontSaveCancel:
      return {{wxID_SAVE, "&Save"}, {wxID_NO, "Do&n't Save"}, {wxID_CANCEL, "Cancel"}};
    case TButtons::Ok:
    default:
      return {{wxID_OK, "OK"}};
  }
}

// Longest line of a message before it wraps, in average characters.
constexpr int WrapChars = 60;

// The exclamation icon of the system's own message boxes.
wxBitmap ExclamationIcon() {
#ifdef __WXMSW__
  // The icon the system's boxes take for their exclamation: the shell's
  // stock warning icon, which wx would ask for, is another picture on some
  // systems.
  wxIcon icon;
  if (HICON system = ::LoadIcon(nullptr, IDI_EXCLAMATION); system && icon.CreateFromHICON(system))
    return wxBitmap(icon);
#endif
  return wxArtProvider::GetBitmap(wxART_WARNING, wxART_MESSAGE_BOX);
}

}  // namespace

TMessageBox::TMessageBox(wxWindow* parent, const wxString& text, const wxString& caption,
                         TButtons buttons)
    : wxDialog(parent, wxID_ANY, caption, wxDefaultPosition, wxDefaultSize,
               // Boxes without a Cancel or OK button have no close box: the
               // question must be answered.
               buttons == TButtons::Ok || buttons == TButtons::RetryCancel ||
                       buttons == TButtons::SaveDontSaveCancel
                   ? wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX
                   : wxCAPTION),
      ButtonSet(buttons),
      MessageText(text) {
  auto* top = new wxBoxSizer(wxHORIZONTAL);
  top->Add(new wxStaticBitmap(this, wxID_ANY, ExclamationIcon()), 0, wxALL | wxALIGN_TOP, 12);
  // The text is shown as it is: an "&" in a path or in "drag-&-drop" is no
  // mnemonic.
  auto* label = new wxStaticText(this, wxID_ANY, wxString());
  label->SetLabelText(text);
  label->Wrap(GetCharWidth() * WrapChars);
  top->Add(label, 1, wxTOP | wxRIGHT | wxBOTTOM | wxALIGN_CENTER_VERTICAL, 12);

  auto* row = new wxBoxSizer(wxHORIZONTAL);
  bool first = true;
  for (const TButtonSpec& b : ButtonsOf(buttons)) {
    auto* button = new wxButton(this, b.Id, b.Label);
    row->Add(button, 0, wxLEFT | wxRIGHT, 4);
    if (first) {
      button->SetDefault();
      button->SetFocus();
      first = false;
    }
  }

  auto* all = new wxBoxSizer(wxVERTICAL);
  all->Add(top, 1, wxEXPAND);
  all->Add(row, 0, wxALIGN_CENTER_HORIZONTAL | wxBOTTOM, 10);
  SetSizerAndFit(all);
  CentreOnParent();

  switch (buttons) {
    case TButtons::Ok: SetEscapeId(wxID_OK); break;
    case TButtons::RetryCancel:
    case TButtons::SaveDontSaveCancel: SetEscapeId(wxID_CANCEL); break;
    default: SetEscapeId(wxID_NONE); break;
  }
  // Every button ends the box with its own id.
  Bind(wxEVT_BUTTON, [this](wxCommandEvent& e) { EndModal(e.GetId()); });
}

TAnswer TMessageBox::AnswerOf(int result) {
  switch (result) {
    case wxID_ABORT: return TAnswer::Abort;
    case wxID_RETRY: return TAnswer::Retry;
    case wxID_IGNORE: return TAnswer::Ignore;
    case wxID_YES: return TAnswer::Yes;
    case wxID_NO: return TAnswer::No;
    case wxID_CANCEL: return TAnswer::Cancel;
    case wxID_SAVE: return TAnswer::Save;
    default: return TAnswer::Ok;
  }
}

int TMessageBox::IdOf(TAnswer answer) {
  switch (answer) {
    case TAnswer::Abort: return wxID_ABORT;
    case TAnswer::Retry: return wxID_RETRY;
    case TAnswer::Ignore: return wxID_IGNORE;
    case TAnswer::Yes: return wxID_YES;
    case TAnswer::No: return wxID_NO;
    case TAnswer::Cancel: return wxID_CANCEL;
    case TAnswer::Save: return wxID_SAVE;
    case TAnswer::Ok:
    default: return wxID_OK;
  }
}

TAnswer ShowMessageBox(wxWindow* parent, const wxString& text, const wxString& caption,
                       TButtons buttons) {
  TMessageBox box(parent, text, caption, buttons);
#ifdef __WXMSW__
  ::MessageBeep(MB_ICONEXCLAMATION);  // the sound the system's boxes make
#endif
  return TMessageBox::AnswerOf(box.ShowModal());
}
