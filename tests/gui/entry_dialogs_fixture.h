// The entry dialog and the drop destination dialog run for real, modally;
// the test acts inside their loops, as a person at the keyboard would.
#pragma once

#include <wx/button.h>
#include <wx/filedlg.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

#include "entries/ui/drop_dialog.h"
#include "entries/ui/drop_target.h"
#include "entries/ui/edit_dialog.h"
#include "gui_fixture.h"
#include "window_checks.h"

// A button press, as the button itself reports it.
inline void Click(wxDialog* dialog, int id) {
  wxWindow* button = dialog->FindWindow(id);
  ASSERT_NE(button, nullptr) << id;
  wxCommandEvent click(wxEVT_BUTTON, id);
  click.SetEventObject(button);
  button->GetEventHandler()->ProcessEvent(click);
}

// Runs the loop until done() holds or the time is up; done()'s value.
inline bool WaitInLoopUntil(const std::function<bool()>& done, int milliseconds = 2000) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!done() && std::chrono::steady_clock::now() < end) WaitInLoop(10);
  return done();
}

// Real key presses through the X server into field, at its insertion
// point; back once the field has them all. Without a window manager the
// keyboard follows the pointer, so the pointer goes there too.
inline void TypeAt(wxTextCtrl* field, const char* text) {
  // GTK selects the whole text when a field takes the focus.
  long at = field->GetInsertionPoint();
  field->SetFocus();
  field->SetInsertionPoint(at);
  wxUIActionSimulator sim;
  sim.MouseMove(field->GetScreenRect().GetPosition() + wxPoint(4, 4));
  WaitInLoop(40);
  std::size_t before = field->GetValue().length();
  sim.Text(text);
  WaitInLoopUntil([&] { return field->GetValue().length() >= before + strlen(text); });
}

inline void TypeInto(wxTextCtrl* field, const char* text) {
  field->SetInsertionPointEnd();
  TypeAt(field, text);
}

// One key (Enter, Esc) that should close dialog.
inline void PressToClose(wxDialog* dialog, int key) {
  wxUIActionSimulator().Char(key);
  WaitInLoopUntil([&] { return !dialog->IsModal(); });
}

class TEntryAnswers : public TDialogAnswers {
 public:
  // Each runs inside the dialog's modal loop; a dialog still open after it
  // is cancelled, so a wrong guess fails instead of hanging.
  std::function<void(TNewEditDialog*)> OnEdit;
  std::function<void(TDropDestDialog*)> OnDest;
  int EditShown = 0, DestShown = 0;

 protected:
  int Enter(wxDialog* dialog) override {
    if (auto* edit = dynamic_cast<TNewEditDialog*>(dialog)) {
      ++EditShown;
      RunInLoop(edit, [this, edit] {
        if (OnEdit) OnEdit(edit);
      });
      return wxID_NONE;
    }
    if (auto* dest = dynamic_cast<TDropDestDialog*>(dialog)) {
      ++DestShown;
      RunInLoop(dest, [this, dest] {
        if (OnDest) OnDest(dest);
      });
      return wxID_NONE;
    }
    return TDialogAnswers::Enter(dialog);
  }

 private:
  static void RunInLoop(wxDialog* dialog, std::function<void()> script) {
    dialog->CallAfter([dialog, script] {
      WaitInLoop(30);  // shown and mapped, as a person would see it
      script();
      if (dialog->IsModal()) Click(dialog, wxID_CANCEL);
    });
  }
};

// The field that has the keyboard focus inside dialog.
inline wxWindow* FocusIn(wxDialog*) {
  WaitInLoop(30);
  return wxWindow::FindFocus();
}

// The list as "image|real" lines.
inline std::vector<std::string> ListLines(TMyWindow* window) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < window->Entries.Count(); ++i)
    lines.push_back(window->Entries[i].ImagePath + "|" + window->Entries[i].RealPath);
  return lines;
}

