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
  // The client and the bars go afterwards, in wx's order: a hint taken back
  // meanwhile (the pointer leaving a tool as it goes) finds no client.
  ~TMyDecoratedFrame() override { Client = nullptr; }

  TMyWindow* Client = nullptr;

  // A menu item's or a tool's hint, while wx shows one; when wx takes it
  // back, the list window's status line as it is by then (wx would put back
  // the text from before the hint, which the idle steps have changed since).
  void DoGiveHelp(const wxString& help, bool show) override;

 protected:
  // Commands and their enabling go to the client first, whichever of the
  // menu, the tool bar or the keys produced them.
  bool TryBefore(wxEvent& event) override;

 private:
  void OnIdle(wxIdleEvent& event);
  void OnClose(wxCloseEvent& event);
  void OnActivate(wxActivateEvent& event);
  void OnMenuOpen(wxMenuEvent& event);
  void OnMenuClose(wxMenuEvent& event);
  // Whether the hint shown may still be wanted: a menu is open, or the
  // pointer is over the tool bar.
  bool HintStillPointed() const;
  void CreateBars();
  void SetMinTrackHeight();
  void SetFirstSize();
  // Puts up the list window's status line when it changed, unless a hint
  // is shown.
  void ShowStatusLine();

  bool Forwarding = false;
  bool HintShown = false;
  int MenusOpen = 0;

  wxDECLARE_EVENT_TABLE();
};

// The flags about the host system, set before any window exists.
void SetHostFlags();
// Start-up: the flags, the frame with its bars, shown.
TMyDecoratedFrame* BuildMainWindow();
