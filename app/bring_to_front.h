// Bringing the program's window to the front when it answers something
// the user did in another program's window (a drop from a file manager),
// and which of its dialogs is in front.
#pragma once

#include <functional>
#include <vector>

#include <wx/dialog.h>
#include <wx/modalhook.h>
#include <wx/weakref.h>

class wxWindow;

// Makes the top-level window of w the active one, with the keyboard focus,
// so the dialogs it opens next come in front of the other program too.
void BringToFront(wxWindow* w);

// The innermost modal dialog that is running (a message box, a file
// dialog, the build dialog), or null.
wxWindow* ActiveModalWindow();

// While it lives, the modal dialogs that are open, innermost last, for
// ActiveModalWindow: the system's own file and folder dialogs are not among
// the top-level windows wx lists. opened runs as each one opens.
class TModalDialogs : public wxModalDialogHook {
 public:
  explicit TModalDialogs(std::function<void()> opened);
  ~TModalDialogs() override;
  // The innermost dialog open, or null; null too when none is watched.
  static wxDialog* Innermost();

 protected:
  int Enter(wxDialog* dialog) override;
  void Exit(wxDialog* dialog) override;

 private:
  std::function<void()> Opened;
  // A dialog that a hook registered after this one answers without showing
  // it is entered but never left: it counts until it is destroyed.
  std::vector<wxWeakRef<wxDialog>> Open;
};

// While it lives, every modal dialog that opens (a question, a file dialog)
// asks to come to the front as soon as it shows: a window manager may map
// it behind the other program when the request for the main window has not
// yet been granted.
class TDialogsInFront : public wxModalDialogHook {
 public:
  TDialogsInFront() { Register(); }
  ~TDialogsInFront() override { Unregister(); }

 protected:
  int Enter(wxDialog* dialog) override;
  void Exit(wxDialog*) override {}
};
