#include "app/list_window.h"

#include <algorithm>
#include <cstdlib>

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/process.h>
#include <wx/settings.h>
#include <wx/utils.h>
#include <wx/weakref.h>

#ifdef __WXGTK__
#include <gtk/gtk.h>
#endif

#include "about/ui/about_dialog.h"
#include "app/bring_to_front.h"
#include "app/command_ids.h"
#include "app/message_box.h"
#include "app/text_convert.h"
#include "entries/ui/drop_target.h"
#include "entries/ui/edit_dialog.h"
#include "resources/menu_resources.h"

bool NewShell = false;
bool Ctl3dEnabled = false;

wxBrush TMyWindow::BackgroundBrush;
int TMyWindow::DialogCharWidth = 0;
int TMyWindow::DialogCharHeight = 0;
#ifdef __WXMSW__
wxString TMyWindow::FileManagerCommand = "explorer.exe";
#else
wxString TMyWindow::FileManagerCommand = "xdg-open";
#endif

namespace {

// Every list and dialog text is drawn at this pixel height, grown or shrunk
// as the desktop scales its text.
constexpr int FontPixelHeight = 13;
// The desktop font those 13 pixels match at 96 dots per inch: Windows' own
// message font of 9 points, a GTK desktop's usual 10.
#ifdef __WXMSW__
constexpr double ReferenceFontPoints = 9.0;
#else
constexpr double ReferenceFontPoints = 10.0;
#endif
constexpr double ReferenceDotsPerInch = 96.0;
// The first window shows both columns and this many lines, if the work
// area has room.
constexpr int FirstWindowLines = 20;
constexpr int FirstWindowColumns = 100;  // average characters
// Gap between the widest image path and the real path column.
constexpr int ColumnGap = 20;
// Lines moved by one notch of the mouse wheel.
constexpr int WheelLines = 3;

const char AlphabetText[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr int AlphabetLength = 52;

// How much larger the desktop draws its text than the reference font: a
// larger desktop font, Xft.dpi or GDK_DPI_SCALE grow menus and dialogs,
// and the list with them; on Windows the text size and the DPI of the
// monitor the window is on.
double DesktopTextScale([[maybe_unused]] const wxWindow& window, const wxFont& desktopFont) {
  double dpi = ReferenceDotsPerInch;
#ifdef __WXGTK__
  if (GdkScreen* screen = gdk_screen_get_default()) {
    double resolution = gdk_screen_get_resolution(screen);
    if (resolution > 0) dpi = resolution;
  }
#else
  if (window.GetDPI().y > 0) dpi = window.GetDPI().y;
#endif
  double points = desktopFont.GetFractionalPointSize();
  if (points <= 0) points = ReferenceFontPoints;
  return points * dpi / (ReferenceFontPoints * ReferenceDotsPerInch);
}

wxFont GuiFont(const wxWindow& window, bool bold) {
  wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
  int height = static_cast<int>(FontPixelHeight * DesktopTextScale(window, font) + 0.5);
  font.SetPixelSize(wxSize(0, std::max(1, height)));
  font.SetWeight(bold ? wxFONTWEIGHT_BOLD : wxFONTWEIGHT_NORMAL);
  font.SetStyle(wxFONTSTYLE_NORMAL);
  font.SetUnderlined(false);
  return font;
}

wxBrush MakeBackgroundBrush() {
  return wxBrush(wxSystemSettings::GetColour(NewShell || Ctl3dEnabled ? wxSYS_COLOUR_BTNFACE
                                                                      : wxSYS_COLOUR_WINDOW));
}

#ifndef __WXMSW__
// xdg-open hands the folder on and ends; a non-zero end means that no file
// manager could be found for it.
class TFileManagerProcess : public wxProcess {
 public:
  explicit TFileManagerProcess(TMyWindow* window) : Window(window) {}
  void OnTerminate(int, int status) override {
    if (status != 0 && Window)
      ShowMessageBox(Window, "File Manager not found.", "File Error", TButtons::Ok);
    delete this;
  }

 private:
  wxWeakRef<TMyWindow> Window;
};
#endif

#ifdef __WXGTK__
// A click in the scroll bar's trough pages the list. GTK reports it as a
// page step here; wx would pass it on as a step of one line (the bar's
// page is one line) or as a thumb being dragged.
gboolean OnTroughPage(GtkRange*, GtkScrollType scroll, gdouble, gpointer data) {
  wxEventType type;
  switch (scroll) {
    case GTK_SCROLL_PAGE_BACKWARD:
    case GTK_SCROLL_PAGE_UP:
      type = wxEVT_SCROLLWIN_PAGEUP;
      break;
    case GTK_SCROLL_PAGE_FORWARD:
    case GTK_SCROLL_PAGE_DOWN:
      type = wxEVT_SCROLLWIN_PAGEDOWN;
      break;
    default:
      return FALSE;
  }
  auto* window = static_cast<TMyWindow*>(data);
  wxScrollWinEvent event(type, window->GetScrollPos(wxVERTICAL), wxVERTICAL);
  event.SetEventObject(window);
  window->GetEventHandler()->ProcessEvent(event);
  return TRUE;  // the list has set the bar's place itself
}
#endif

}  // namespace

wxBEGIN_EVENT_TABLE(TMyWindow, wxWindow)
  EVT_PAINT(TMyWindow::OnPaint)
  EVT_SIZE(TMyWindow::OnSize)
  EVT_SCROLLWIN(TMyWindow::OnScroll)
  EVT_KEY_DOWN(TMyWindow::OnKeyDown)
  EVT_LEFT_DOWN(TMyWindow::OnLeftDown)
  EVT_LEFT_DCLICK(TMyWindow::OnLeftDClick)
  EVT_MOTION(TMyWindow::OnMouseMove)
  EVT_ENTER_WINDOW(TMyWindow::OnMouseMove)
  EVT_MOUSEWHEEL(TMyWindow::OnMouseWheel)
  EVT_SYS_COLOUR_CHANGED(TMyWindow::OnSysColourChanged)
  EVT_DPI_CHANGED(TMyWindow::OnDpiChanged)
  EVT_MENU(CmNewList, TMyWindow::OnNewList)
  EVT_MENU(CmOpenList, TMyWindow::OnOpenList)
  EVT_MENU(CmSaveList, TMyWindow::OnSaveList)
  EVT_MENU(CmSaveListAs, TMyWindow::OnSaveListAs)
  EVT_MENU(CmOpenImage, TMyWindow::OnOpenImage)
  EVT_MENU(CmCreateImage, TMyWindow::OnCreateImage)
  EVT_MENU(CmBurnImage, TMyWindow::OnBurnImage)
  EVT_MENU(CmCopyToCard, TMyWindow::OnCopyToCard)
  EVT_MENU(CmRunFileManager, TMyWindow::OnRunFileManager)
  EVT_MENU(CmInsert, TMyWindow::OnInsert)
  EVT_MENU(CmDelete, TMyWindow::OnDelete)
  EVT_MENU(CmEdit, TMyWindow::OnEdit)
  EVT_MENU(CmAbout, TMyWindow::OnAbout)
  EVT_MENU(CmQuit, TMyWindow::OnQuit)
  EVT_UPDATE_UI(CmNewList, TMyWindow::OnUpdateAlways)
  EVT_UPDATE_UI(CmOpenList, TMyWindow::OnUpdateAlways)
  EVT_UPDATE_UI(CmSaveList, TMyWindow::OnUpdateModified)
  EVT_UPDATE_UI(CmSaveListAs, TMyWindow::OnUpdateSaveAs)
  EVT_UPDATE_UI(CmOpenImage, TMyWindow::OnUpdateAlways)
  EVT_UPDATE_UI(CmCreateImage, TMyWindow::OnUpdateNeedsLines)
  EVT_UPDATE_UI(CmBurnImage, TMyWindow::OnUpdateAlways)
  EVT_UPDATE_UI(CmCopyToCard, TMyWindow::OnUpdateAlways)
  EVT_UPDATE_UI(CmRunFileManager, TMyWindow::OnUpdateAlways)
  EVT_UPDATE_UI(CmInsert, TMyWindow::OnUpdateAlways)
  EVT_UPDATE_UI(CmDelete, TMyWindow::OnUpdateNeedsLines)
  EVT_UPDATE_UI(CmEdit, TMyWindow::OnUpdateNeedsLines)
  EVT_UPDATE_UI(CmAbout, TMyWindow::OnUpdateAlways)
  EVT_UPDATE_UI(CmQuit, TMyWindow::OnUpdateAlways)
wxEND_EVENT_TABLE()

TMyWindow::TMyWindow(wxWindow* parent)
    : wxWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize,
               wxVSCROLL | wxWANTS_CHARS | wxBORDER_NONE) {
  SaveData.Filter = "Disk Image (*.trk)|*.trk|All Files (*.*)|*.*";
  SaveData.DefaultExt = "TRK";
  SaveData.Style = wxFD_SAVE | wxFD_OVERWRITE_PROMPT;
  BrowseData.Filter =
      "Quorel (*.qvf;*.qvx)|*.qvf;*.qvx|Wave Files (*.wav)|*.wav|"
      "AIFF Files (*.aif;*.aiff)|*.aif;*.aiff|All Files (*.*)|*.*";
  BrowseData.DefaultExt = "QVF";
  BrowseData.Style = wxFD_OPEN | wxFD_FILE_MUST_EXIST;
  ImageData.Filter = SaveData.Filter;
  ImageData.DefaultExt = SaveData.DefaultExt;
  ImageData.Style = wxFD_OPEN | wxFD_FILE_MUST_EXIST;
  BackgroundBrush = MakeBackgroundBrush();
  MakeFonts();

  SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW));
  SetAcceleratorTable(CreateListAccelerators());

  SetDropTarget(new TDropTarget(*this));
  SetScrollbar(wxVERTICAL, 0, 1, 1);
#ifdef __WXGTK__
  if (GtkRange* bar = m_scrollBar[ScrollDir_Vert])
    g_signal_connect(bar, "change-value", G_CALLBACK(OnTroughPage), this);
#endif
  ClientWidth = GetClientSize().x;
  VisibleLines = GetClientSize().y / LineHeight;
  // A line's tooltip shown when a dialog opens would stay over the dialog
  // (the pointer's leaving the line is never told while the dialog holds it).
  ModalDialogs = std::make_unique<TModalDialogs>([this] { UnsetToolTip(); });
}

TMyWindow::~TMyWindow() = default;

// The two fonts at the desktop's text scale, and what is measured in them:
// the line height and the dialog metrics.
void TMyWindow::MakeFonts() {
  ListFont = GuiFont(*this, false);
  DialogFont = GuiFont(*this, !NewShell);
  NameWidths = std::make_unique<TTextWidths>(*this, ListFont);
  int w = 0, h = 0, descent = 0, leading = 0;
  GetTextExtent("Ag", &w, &h, &descent, &leading, &ListFont);
  LineHeight = std::max(1, h + leading);
  GetTextExtent(AlphabetText, &w, &h, &descent, &leading, &DialogFont);
  DialogCharWidth = w / AlphabetLength;
  DialogCharHeight = h;
}

// Moved to a monitor of another DPI (Windows): the list's text follows it.
void TMyWindow::OnDpiChanged(wxDPIChangedEvent& event) {
  MakeFonts();
  MeasureNameColumn();
  VisibleLines = GetClientSize().y / LineHeight;
  Refresh();
  event.Skip();
}

int TMyWindow::FirstVisibleLine() const { return TopLine; }

wxSize TMyWindow::FirstClientSize() const {
  int w = 0, h = 0;
  GetTextExtent(AlphabetText, &w, &h, nullptr, nullptr, &ListFont);
  return wxSize(FirstWindowColumns * w / AlphabetLength, FirstWindowLines * LineHeight);
}

int TMyWindow::MaxScrollPos() const {
  return std::max(0, static_cast<int>(Entries.Count()) - 1);
}

void TMyWindow::SetFirstVisibleLine(int top) {
  TopLine = std::clamp(top, 0, MaxScrollPos());
  SetScrollPos(wxVERTICAL, TopLine, true);
}

void TMyWindow::SetLineCount(int count) {
  int max = std::max(0, count - 1);
  if (TopLine > max) {
    TopLine = max;
    Refresh();
  }
  SetScrollbar(wxVERTICAL, TopLine, 1, max + 1, true);
}

void TMyWindow::MeasureNameColumn() {
  std::size_t count = Entries.Count();
  NameColumnWidth = 0;
  std::size_t widest = 0;
  for (std::size_t i = 0; i < count; ++i) {
    int width = NameWidth(Entries[i].ImagePath);
    if (width > NameColumnWidth) NameColumnWidth = width, widest = i;
  }
  // Should the font shape beyond pairs of characters, measure again whole.
  if (count > 0 && !NameWidths->Confirm(Entries[widest].ImagePath, NameColumnWidth))
    MeasureNameColumn();
}

void TMyWindow::OnSize(wxSizeEvent& event) {
  wxSize size = GetClientSize();
  VisibleLines = size.y / LineHeight;
  ClientWidth = size.x;
  Refresh();
  event.Skip();
}

void TMyWindow::OnPaint(wxPaintEvent&) {
  wxPaintDC dc(this);
  wxRect box = GetUpdateRegion().GetBox();
  int count = static_cast<int>(Entries.Count());
  int first = box.y / LineHeight;
  int end = std::min(count - TopLine, (box.y + box.height - 1) / LineHeight + 1);
  dc.SetFont(ListFont);
  dc.SetBackgroundMode(wxTRANSPARENT);
  wxColour window = wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW);
  wxColour windowText = wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT);
  wxColour highlight = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT);
  wxColour highlightText = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHTTEXT);
  for (int r = std::max(first, 0); r < end; ++r) {
    int i = r + TopLine;
    bool current = i == CurrentLine;
    const wxColour& back = current ? highlight : window;
    const wxColour& text = current ? highlightText : windowText;
    int y = r * LineHeight;
    dc.SetPen(wxPen(back));
    dc.SetBrush(wxBrush(back));
    dc.DrawRectangle(0, y, ClientWidth, LineHeight);
    dc.SetTextForeground(text);
    dc.DrawText(ToWx(Entries[i].ImagePath), LeftMargin, y);
    dc.DrawText(ToWx(Entries[i].RealPath), LeftMargin + NameColumnWidth + ColumnGap, y);
    if (current) {
      // The focus rectangle: dotted, in the text colour of the line.
      dc.SetPen(wxPen(text, 1, wxPENSTYLE_DOT));
      dc.SetBrush(*wxTRANSPARENT_BRUSH);
      dc.DrawRectangle(0, y, ClientWidth, LineHeight);
    }
  }
}

void TMyWindow::RepaintLine(int row) {
  RefreshRect(wxRect(0, row * LineHeight, ClientWidth, LineHeight), false);
  Update();
}

void TMyWindow::SetCurrentLine(int n) {
  int count = static_cast<int>(Entries.Count());
  n = std::clamp(n, 0, std::max(0, count - 1));
  int old = CurrentLine;
  CurrentLine = n;
  int top = TopLine;
  if (top <= old && old <= top + VisibleLines)
    RefreshRect(wxRect(0, (old - top) * LineHeight, ClientWidth, LineHeight), false);
  if (top <= n && n <= top + VisibleLines)
    RefreshRect(wxRect(0, (n - top) * LineHeight, ClientWidth, LineHeight), false);
  Update();
  EnsureVisible();
}

void TMyWindow::EnsureVisible() {
  int top = TopLine;
  int cur = CurrentLine;
  // A window less than one line high still shows the current line at its top.
  int visible = std::max(1, VisibleLines);
  if (cur < top) {
    SetFirstVisibleLine(cur);
    if (top - cur <= visible)
      ScrollWindow(0, (top - cur) * LineHeight);
    else
      Refresh();
  } else if (cur >= top + visible) {
    SetFirstVisibleLine(cur - visible + 1);
    int moved = TopLine - top;
    if (moved <= visible)
      ScrollWindow(0, -moved * LineHeight);
    else
      Refresh();
  }
}

void TMyWindow::MoveTopLine(int d) {
  int pos = TopLine;
  d = std::clamp(d, -pos, MaxScrollPos() - pos);
  if (d == 0) {
    SetScrollPos(wxVERTICAL, TopLine, true);
    return;
  }
  SetFirstVisibleLine(pos + d);
  if (std::abs(d) >= VisibleLines)
    Refresh();
  else
    ScrollWindow(0, -d * LineHeight);
  Update();
}

void TMyWindow::OnScroll(wxScrollWinEvent& event) {
  if (event.GetOrientation() != wxVERTICAL) return;
  wxEventType type = event.GetEventType();
  int pos = TopLine;
  int d = 0;
  if (type == wxEVT_SCROLLWIN_LINEUP) d = -1;
  else if (type == wxEVT_SCROLLWIN_LINEDOWN) d = 1;
  else if (type == wxEVT_SCROLLWIN_PAGEUP) d = 1 - VisibleLines;
  else if (type == wxEVT_SCROLLWIN_PAGEDOWN) d = VisibleLines - 1;
  else if (type == wxEVT_SCROLLWIN_THUMBRELEASE) d = event.GetPosition() - pos;
  else if (type == wxEVT_SCROLLWIN_THUMBTRACK) return;  // follows on release only
  else if (type == wxEVT_SCROLLWIN_TOP) d = -pos;
  else if (type == wxEVT_SCROLLWIN_BOTTOM) d = MaxScrollPos() - pos;
  MoveTopLine(d);
}

void TMyWindow::OnMouseWheel(wxMouseEvent& event) {
  WheelRotation += event.GetWheelRotation();
  int delta = std::max(1, event.GetWheelDelta());
  int notches = WheelRotation / delta;
  WheelRotation -= notches * delta;
  if (notches != 0) MoveTopLine(-notches * WheelLines);
  ShowLineTip(event.GetY());
}

// Also when the pointer comes back from a dialog or a drop, over lines that
// may have changed meanwhile.
void TMyWindow::OnMouseMove(wxMouseEvent& event) {
  ShowLineTip(event.GetY());
  event.Skip();
}

void TMyWindow::ShowLineTip(int y) {
  const int line = y / LineHeight + TopLine;
  wxString tip;
  if (y >= 0 && line < static_cast<int>(Entries.Count()) && !ListInUse())
    tip = ToWx(Entries[line].ImagePath) + "\n" + ToWx(Entries[line].RealPath);
  if (tip == GetToolTipText()) return;
  if (tip.empty())
    UnsetToolTip();
  else
    SetToolTip(tip);
}

void TMyWindow::OnKeyDown(wxKeyEvent& event) {
  int n = static_cast<int>(Entries.Count());
  int cur = CurrentLine;
  int target = cur;
  switch (event.GetKeyCode()) {
    case WXK_UP:
    case WXK_NUMPAD_UP:
      if (cur > 0) target = cur - 1;
      break;
    case WXK_DOWN:
    case WXK_NUMPAD_DOWN:
      if (cur < n - 1) target = cur + 1;
      break;
    case WXK_PAGEUP:
    case WXK_NUMPAD_PAGEUP:
      if (cur > 0) target = std::clamp(cur - (VisibleLines - 1), 0, n - 1);
      break;
    case WXK_PAGEDOWN:
    case WXK_NUMPAD_PAGEDOWN:
      if (cur < n - 1) target = std::clamp(cur + (VisibleLines - 1), 0, n - 1);
      break;
    case WXK_HOME:
    case WXK_NUMPAD_HOME:
      if (cur > 0) target = 0;
      break;
    case WXK_END:
    case WXK_NUMPAD_END:
      if (cur < n - 1) target = n - 1;
      break;
    default:
      // Del, Enter and Ins go on to the accelerators.
      event.Skip();
      return;
  }
  if (target != cur) SetCurrentLine(target);
}

void TMyWindow::OnLeftDown(wxMouseEvent& event) {
  SetFocus();
  int line = event.GetY() / LineHeight + TopLine;
  if (event.GetY() >= 0 && line < static_cast<int>(Entries.Count())) SetCurrentLine(line);
  event.Skip();
}

void TMyWindow::OnLeftDClick(wxMouseEvent& event) {
  int line = event.GetY() / LineHeight + TopLine;
  if (event.GetY() >= 0 && line < static_cast<int>(Entries.Count())) {
    wxCommandEvent edit(wxEVT_MENU, CmEdit);
    edit.SetEventObject(this);
    ProcessWindowEvent(edit);
  }
}

void TMyWindow::OnSysColourChanged(wxSysColourChangedEvent& event) {
  if (!Ctl3dEnabled) BackgroundBrush = MakeBackgroundBrush();
  SetBackgroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW));
  Refresh();
  event.Skip();
}

// Enabling: a few predicates shared by the commands. The tool bar starts
// with every button disabled until the first pass.
void TMyWindow::OnUpdateAlways(wxUpdateUIEvent& event) { event.Enable(true); }
void TMyWindow::OnUpdateNeedsLines(wxUpdateUIEvent& event) { event.Enable(Entries.Count() > 0); }
void TMyWindow::OnUpdateModified(wxUpdateUIEvent& event) { event.Enable(Document.Modified()); }
void TMyWindow::OnUpdateSaveAs(wxUpdateUIEvent& event) {
  event.Enable(Entries.Count() > 0 || !Document.Path().empty());
}

void TMyWindow::OnInsert(wxCommandEvent&) {
  EditMode = EditNewLine;
  RunEditDialog(*this);
}

void TMyWindow::OnEdit(wxCommandEvent&) {
  if (Entries.Count() == 0) return;
  EditMode = EditCurrentLine;
  RunEditDialog(*this);
}

void TMyWindow::OnAbout(wxCommandEvent&) { RunAboutDialog(this); }

// As the close box: unsaved changes are asked about first.
void TMyWindow::OnQuit(wxCommandEvent&) { wxGetTopLevelParent(this)->Close(); }

bool TMyWindow::ListInUse() const { return WriteDialog || ActiveModalWindow(); }

void TMyWindow::PutLine(std::string imagePath, std::string realPath, const TOpenedLine* replaces) {
  bool replace = false;
  if (replaces) {
    if (imagePath == replaces->ImagePath && realPath == replaces->RealPath) return;
    // The line the edit opened, wherever it stands now; gone, the edit
    // comes in as a new line.
    auto same = [&](std::size_t i) {
      return Entries[i].ImagePath == replaces->ImagePath && Entries[i].RealPath == replaces->RealPath;
    };
    std::size_t at = static_cast<std::size_t>(std::max(replaces->Index, 0));
    if (at >= Entries.Count() || !same(at)) {
      at = Entries.LowerBound(replaces->ImagePath);
      while (at < Entries.Count() && Entries[at].ImagePath == replaces->ImagePath && !same(at)) ++at;
    }
    replace = at < Entries.Count() && same(at);
    if (replace) Entries.Destroy(at);
  }
  Estimate.ReadAgain(realPath);
  const std::string path = imagePath;
  Entries.Add(std::move(imagePath), std::move(realPath));
  // The index stays; the line it shows may be another one now.
  CurrentLine = std::clamp(CurrentLine, 0, static_cast<int>(Entries.Count()) - 1);
  MeasureNameColumn();
  if (!replace) SetLineCount(static_cast<int>(Entries.Count()));
  Refresh();
  // The list takes an image path more than once, but a build asks about
  // every repeat: it is told now, while the line is still in mind.
  std::size_t same = 0;
  for (std::size_t i = Entries.LowerBound(path); i < Entries.Count(); ++i) {
    if (Entries[i].ImagePath != path) break;
    ++same;
  }
  if (same > 1)
    SetNotice(path + " is now " + (same == 2 ? "twice" : std::to_string(same) + " times") +
              " in the list");
}

void TMyWindow::AddLines(std::vector<std::pair<std::string, std::string>> lines) {
  // The lines go in together: one pass over a long list instead of one per line.
  std::vector<std::unique_ptr<TDirEntry>> added;
  added.reserve(lines.size());
  int widestAdded = -1;
  const std::string* widest = nullptr;
  for (auto& [image, real] : lines) {
    int width = NameWidth(image);
    if (width > widestAdded) widestAdded = width, widest = &image;
  }
  if (widest && !NameWidths->Confirm(*widest, widestAdded)) widestAdded = NameWidth(*widest);
  NameColumnWidth = std::max(NameColumnWidth, widestAdded);
  for (auto& [image, real] : lines) {
    Estimate.ReadAgain(real);
    added.push_back(std::make_unique<TDirEntry>(std::move(image), std::move(real)));
  }
  Entries.AddAll(std::move(added));
  SetLineCount(static_cast<int>(Entries.Count()));
  Refresh();
}

void TMyWindow::OnDelete(wxCommandEvent&) {
  int n = static_cast<int>(Entries.Count());
  if (n == 0) return;
  auto line = static_cast<std::size_t>(CurrentLine);
  // Only the widest line can narrow the column when it goes.
  bool widest = NameWidth(Entries[line].ImagePath) >= NameColumnWidth;
  Entries.Destroy(line);
  if (widest || n == 1) MeasureNameColumn();
  if (n > 1) SetLineCount(n - 1);
  if (CurrentLine == n - 1 && CurrentLine > 0) {
    --CurrentLine;
    EnsureVisible();
  }
  Refresh();
}

void TMyWindow::OnRunFileManager(wxCommandEvent&) {
  wxString program = FileManagerCommand;
  if (!program.Contains("/") && !program.Contains("\\")) {
    wxPathList path;
    path.AddEnvList("PATH");
    program = path.FindAbsoluteValidPath(program);
  }
  long pid = 0;
  if (!program.empty() && wxFileName::IsFileExecutable(program)) {
    wxString home = wxGetHomeDir();
    const wchar_t* argv[] = {program.wc_str(), home.wc_str(), nullptr};
    wxLogNull quiet;  // a failure is reported by the box below, not by wx
#ifdef __WXMSW__
    // Explorer hands the folder to the desktop's own Explorer and ends with
    // 1 when all went well: only a failed start tells anything.
    pid = wxExecute(argv, wxEXEC_ASYNC);
#else
    auto* process = new TFileManagerProcess(this);
    pid = wxExecute(argv, wxEXEC_ASYNC, process);
    if (pid <= 0) delete process;
#endif
  }
  if (pid <= 0) ShowMessageBox(this, "File Manager not found.", "File Error", TButtons::Ok);
}
