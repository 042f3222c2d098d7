// The main frame: menu 100, tool bar, status bar and icon around the entry
// list window, which handles every command.
#pragma once

#include <wx/frame.h>

class TMyWindow;

// The caption of the main frame.
extern const char* const AppTitle;

class TMyDecoratedFrame : public wxFrame {
 public:
  TMyDecoratedFrame();

  TMyWindow* Client = nullptr;

 protected:
  // Commands and their enabling go to the client first, whichever of the
  // menu, the tool bar or the keys produced them.
  bool TryBefore(wxEvent& event) override;

 private:
  void OnIdle(wxIdleEvent& event);
  void OnClose(wxCloseEvent& event);
  void CreateBars();
  void SetMinTrackHeight();
  void SetFirstSize();

  bool Forwarding = false;

  wxDECLARE_EVENT_TABLE();
};

// The flags about the host system, set before any window exists.
void SetHostFlags();
// Start-up: the flags, the frame with its bars, shown.
TMyDecoratedFrame* BuildMainWindow();
