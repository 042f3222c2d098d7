#include "app/main_frame.h"

#include <cstdlib>

#include <wx/dialog.h>
#include <wx/display.h>
#include <wx/icon.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/toolbar.h>
#include <wx/utils.h>

#include "app/bring_to_front.h"
#include "app/command_ids.h"
#include "app/list_window.h"
#include "app/text_convert.h"
#include "resources/app_pictures.h"
#include "resources/menu_resources.h"

#ifdef __WXGTK__
#include <gtk/gtk.h>
#endif

const char* const AppTitle = "Quorel CD-ROM Image Maker";

namespace {

// The client area keeps room for 40 vertical dialog units, less the two
// pixels of the frame's inner border.
constexpr int MinClientDialogUnits = 40;
constexpr int MinClientBorderCorrection = 2;
// Room left in the work area for the window manager's title bar and
// borders, which are not known before the window first shows: a frame
// that the manager has to shrink to fit lays its tool bar out at a few
// pixels for a moment (GTK prints a critical message then).
constexpr int WindowManagerFrameReserve = 48;

// The tool bar, left to right; 0 is a separator.
constexpr int ToolBarLayout[] = {CmNewList, CmOpenList, CmSaveList, 0,      CmCreateImage,
                                 CmRunFileManager, 0, CmInsert,   CmDelete, CmEdit,
                                 0,         CmAbout};

}  // namespace

wxBEGIN_EVENT_TABLE(TMyDecoratedFrame, wxFrame)
  EVT_IDLE(TMyDecoratedFrame::OnIdle)
  EVT_CLOSE(TMyDecoratedFrame::OnClose)
  EVT_ACTIVATE(TMyDecoratedFrame::OnActivate)
  EVT_MENU_OPEN(TMyDecoratedFrame::OnMenuOpen)
  EVT_MENU_CLOSE(TMyDecoratedFrame::OnMenuClose)
wxEND_EVENT_TABLE()

TMyDecoratedFrame::TMyDecoratedFrame() : wxFrame(nullptr, wxID_ANY, AppTitle) {
  Client = new TMyWindow(this);
  CreateBars();
  SetMenuBar(CreateMainMenu());
  SetIcons(AppIcons());
  SetMinTrackHeight();
  SetFirstSize();
  Client->SetFocus();
}

// A new main window on the original platform opens large: here it shows
// both columns and about 20 lines, within the work area of its screen, and
// never narrower than the tool bar.
void TMyDecoratedFrame::SetFirstSize() {
  int display = wxDisplay::GetFromWindow(this);
  wxRect work = wxDisplay(display == wxNOT_FOUND ? 0u : static_cast<unsigned>(display))
                    .GetClientArea();
  wxSize client = Client->FirstClientSize();
  client.IncTo(wxSize(GetToolBar()->GetBestSize().x, 0));
  // The frame around the client: menu, tool and status bars.
  wxSize bars = GetSize() - GetClientSize();
  wxSize room = work.GetSize() - bars -
                wxSize(WindowManagerFrameReserve, WindowManagerFrameReserve);
  client.DecTo(room);
  SetClientSize(client);
}

void TMyDecoratedFrame::CreateBars() {
  wxStatusBar* status = CreateStatusBar(1, wxSTB_DEFAULT_STYLE);
  status->SetStatusStyles(1, std::array<int, 1>{wxSB_SUNKEN}.data());
  wxToolBar* tools = CreateToolBar(wxTB_HORIZONTAL | wxTB_FLAT);
  // 20 x 20 at 96 DPI; wx grows them by whole factors on denser screens.
  tools->SetToolBitmapSize(tools->FromDIP(wxSize(20, 20)));
  for (int id : ToolBarLayout) {
    if (id == 0) {
      tools->AddSeparator();
      continue;
    }
    tools->AddTool(id, CommandToolTip(id), ToolGlyph(id), CommandToolTip(id), wxITEM_NORMAL);
    tools->SetToolLongHelp(id, CommandHint(id));
    // Disabled until the first enabling pass says otherwise.
    tools->EnableTool(id, false);
  }
  tools->Realize();
  // GTK lays the bar out once before the frame places it; at wx's default
  // size of a few pixels that pass prints a critical message.
  tools->SetSize(tools->GetBestSize());
}

void TMyDecoratedFrame::SetMinTrackHeight() {
  int clientMin = ConvertDialogToPixels(wxSize(0, MinClientDialogUnits)).y -
                  MinClientBorderCorrection;
  wxSize frameMin = ClientToWindowSize(wxSize(1, clientMin));
  SetMinSize(wxSize(-1, frameMin.y));
}

bool TMyDecoratedFrame::TryBefore(wxEvent& event) {
  wxEventType type = event.GetEventType();
  // The client's own event table says which commands are its; any other
  // (wx's own ids, the bars' own updates) goes on to the frame as usual.
  // ProcessEventLocally does not pass the event up to the frame again.
  if (Client && !Forwarding && (type == wxEVT_MENU || type == wxEVT_UPDATE_UI)) {
    Forwarding = true;
    bool handled = Client->GetEventHandler()->ProcessEventLocally(event);
    Forwarding = false;
    if (handled) return true;
  }
  return wxFrame::TryBefore(event);
}

void TMyDecoratedFrame::OnIdle(wxIdleEvent& event) {
  if (Client && Client->WriteDialog && Client->EnterIdle(ActiveModalWindow()))
    event.RequestMore();
  if (Client) {
    // Every change of the list, whichever command made it, shows in the
    // caption and the status bar once the program is idle again.
    Client->ShowListState();
    if (HintShown && !HintStillPointed()) {
      HintShown = false;
      ShowStatusLine();
    }
    // The figures are worked out and shown only while no dialog is open: a
    // build's steps, and whatever a dialog does, never wait for them.
    if (!Client->WriteDialog && !ActiveModalWindow()) {
      if (Client->StepEstimate()) event.RequestMore();
      ShowStatusLine();
    }
  }
  event.Skip();
}

void TMyDecoratedFrame::DoGiveHelp(const wxString& help, bool show) {
  wxStatusBar* status = GetStatusBar();
  if (!status) return;
  // An open menu's separator or title shows no hint, and nothing else.
  HintShown = show;
  if (show)
    status->SetStatusText(help);
  else
    ShowStatusLine();
}

// A tool's hint is taken back when the pointer leaves the tool; a dialog
// that the tool opened holds the pointer meanwhile, and the leaving is
// never told. A hint with no menu open and the pointer off the tool bar is
// one left behind.
bool TMyDecoratedFrame::HintStillPointed() const {
  if (MenusOpen > 0) return true;
  const wxToolBar* tools = GetToolBar();
  return tools && tools->IsShownOnScreen() &&
         tools->GetScreenRect().Contains(wxGetMousePosition());
}

// The user comes back from another program (a file manager, a sample
// editor) that may have changed the listed files: the figures follow.
void TMyDecoratedFrame::OnActivate(wxActivateEvent& event) {
  if (event.GetActive() && Client) Client->CheckFilesAgain();
  event.Skip();
}

void TMyDecoratedFrame::OnMenuOpen(wxMenuEvent& event) {
  ++MenusOpen;
  event.Skip();
}

void TMyDecoratedFrame::OnMenuClose(wxMenuEvent& event) {
  if (MenusOpen > 0) --MenusOpen;
  event.Skip();
}

void TMyDecoratedFrame::ShowStatusLine() {
  wxStatusBar* status = GetStatusBar();
  if (HintShown || !Client || !status) return;
  const wxString line = ToWx(Client->StatusLine());
  if (line != status->GetStatusText()) status->SetStatusText(line);
}

void TMyDecoratedFrame::OnClose(wxCloseEvent& event) {
  // Unsaved changes are asked about; Cancel (or a failed save) keeps the
  // window open. A close that cannot be refused (the session ends) goes on.
  if (event.CanVeto() && Client && (Client->WriteDialog || !Client->AskSaveChanges())) {
    event.Veto();
    return;
  }
  event.Skip();
}

void SetHostFlags() {
  // A Linux desktop is a new shell, and there is no 3-D control library.
  NewShell = true;
  Ctl3dEnabled = false;
  // The list's scroll bar shows where the list stands; GTK's overlay scroll
  // bars would hide it until the pointer comes near. A user's own choice in
  // the environment stays. (Windows draws its scroll bars itself.)
#ifdef __WXGTK__
  setenv("GTK_OVERLAY_SCROLLING", "0", 0);
  // A click in a scroll bar's trough pages, as on the original platform,
  // instead of moving the thumb to the pointer.
  g_object_set(gtk_settings_get_default(), "gtk-primary-button-warps-slider", FALSE, nullptr);
#endif
}

TMyDecoratedFrame* BuildMainWindow() {
  SetHostFlags();
  auto* frame = new TMyDecoratedFrame;
  frame->Show();
  return frame;
}
