#include "app/bring_to_front.h"

#include <iterator>
#include <utility>

#include <wx/dialog.h>
#include <wx/toplevel.h>

#ifdef __WXGTK__
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#endif

void BringToFront(wxWindow* w) {
  auto* top = dynamic_cast<wxTopLevelWindow*>(wxGetTopLevelParent(w));
  if (!top) return;
#ifdef __WXGTK__
  // A window manager that keeps windows from stealing the focus compares
  // the request's time with the other program's last input; the drop was
  // later than that, and the server's time now is later still. (GTK's own
  // present uses our last input, which is older than the other program's.)
  GtkWidget* widget = top->GetHandle();
  GdkWindow* window = widget ? gtk_widget_get_window(widget) : nullptr;
  if (window && GDK_IS_X11_WINDOW(window)) {
    gtk_window_present_with_time(GTK_WINDOW(widget), gdk_x11_get_server_time(window));
    return;
  }
#endif
  top->Raise();
}

namespace {
TModalDialogs* Watching = nullptr;
}  // namespace

TModalDialogs::TModalDialogs(std::function<void()> opened) : Opened(std::move(opened)) {
  Register();
  Watching = this;
}

TModalDialogs::~TModalDialogs() {
  Unregister();
  if (Watching == this) Watching = nullptr;
}

wxDialog* TModalDialogs::Innermost() {
  if (!Watching) return nullptr;
  std::vector<wxWeakRef<wxDialog>>& open = Watching->Open;
  while (!open.empty() && !open.back()) open.pop_back();
  return open.empty() ? nullptr : open.back().get();
}

int TModalDialogs::Enter(wxDialog* dialog) {
  // A file dialog enters twice (its own ShowModal, then wxDialog's).
  Open.emplace_back(dialog);
  if (Opened) Opened();
  return wxID_NONE;
}

void TModalDialogs::Exit(wxDialog* dialog) {
  for (auto at = Open.rbegin(); at != Open.rend(); ++at) {
    if (at->get() == dialog) {
      Open.erase(std::next(at).base());
      break;
    }
  }
}

wxWindow* ActiveModalWindow() {
  if (wxDialog* dialog = TModalDialogs::Innermost()) return dialog;
  // Top-level windows are listed in the order they were made: a dialog that
  // a step opens comes after the build dialog.
  for (auto node = wxTopLevelWindows.GetLast(); node; node = node->GetPrevious()) {
    auto* dialog = dynamic_cast<wxDialog*>(node->GetData());
    if (dialog && dialog->IsModal()) return dialog;
  }
  return nullptr;
}

int TDialogsInFront::Enter(wxDialog* dialog) {
  // Runs once the dialog's loop has shown it; a dialog that goes before
  // takes its pending call with it.
  dialog->CallAfter([dialog] { BringToFront(dialog); });
  return wxID_NONE;
}
