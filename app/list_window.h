// The main window's client: the list document shown in two columns, the
// current line, and every command of the program.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <wx/wx.h>

#include "app/file_dialog.h"
#include "app/list_document.h"
#include "app/text_width.h"
#include "entries/dir_entry.h"
#include "entries/ui/list_editor.h"
#include "image/image_estimate.h"

class TSteppedWork;
class TBuildHost;
class TWriteDialog;

// Program-wide flags about the host system, set once before any window.
// A Linux desktop is a new shell; there is no 3-D control library.
extern bool NewShell;
extern bool Ctl3dEnabled;

class TMyWindow : public wxWindow, public TListEditor {
 public:
  explicit TMyWindow(wxWindow* parent);
  ~TMyWindow() override;

  // The list being edited, and its lines under the window's own name.
  TListDocument Document;
  TEntryList& Entries = Document.Entries;
  int CurrentLine = 0;
  int LineHeight = 1;
  int VisibleLines = 0;
  int NameColumnWidth = 0;
  TFileDialogData SaveData;    // the "Save Image" dialog of a build
  TFileDialogData BrowseData;  // the entry dialog's "Browse File" dialog
  TWriteDialog* WriteDialog = nullptr;  // the running build or unpacking, if any
  // The image last built or opened, which Burn Image and Copy to SD Card
  // propose, and the CD writer last burnt with.
  std::string LastImage, LastDrive;
  wxFont ListFont;
  wxFont DialogFont;

  // The first visible line is the scroll position.
  int FirstVisibleLine() const;
  // The client size a new window opens with: both columns, about 20 lines.
  wxSize FirstClientSize() const;
  // Widest image path in ListFont, or 0 for an empty list.
  void MeasureNameColumn();
  // Scroll range 0 .. count - 1 (0 .. 0 for an empty list), redrawn.
  void SetLineCount(int count);
  // Makes line n current, repaints the two rows and scrolls it into view.
  void SetCurrentLine(int n);
  // The frame's idle notice while a modal dialog runs: one build step when
  // idleWindow is the running build dialog. True when the build wants
  // another notice soon.
  bool EnterIdle(wxWindow* idleWindow);
  // TListEditor: what the entry dialogs and a drop change.
  wxWindow* ListWindow() override { return this; }
  const TEntryList& ListEntries() const override { return Entries; }
  int ListCurrentLine() const override { return CurrentLine; }
  void PutLine(std::string imagePath, std::string realPath, const TOpenedLine* replaces) override;
  void AddLines(std::vector<std::pair<std::string, std::string>> lines) override;
  bool ListInUse() const override;
  TFileDialogData& BrowseSettings() override { return BrowseData; }
  void SetNotice(std::string text) override;

  // The status bar's line (app/list_status.cpp): the notice of the last
  // change, then how large the list's image would be.
  std::string StatusLine() const;
  // One short step of the estimate behind it; true while it has more to do.
  bool StepEstimate();
  // Whether the figures are those of the list as it is now.
  bool FiguresUpToDate() const { return Estimate.UpToDate(Entries); }
  // The listed files may have changed on disk: they are read again in the
  // next steps, the figures shown until then staying.
  void CheckFilesAgain() { Estimate.CheckAgain(); }

  // The program the Run File Manager command starts with the home folder.
  static wxString FileManagerCommand;

  // Puts the caption that names the list on the frame when it changed.
  void ShowListState();
  // Opens the list file at path; a list with bad lines is not taken: its
  // LIST:LINE message is shown and the list stays as it was.
  bool OpenList(const std::string& given);
  // Saves the list to path; a failure is shown and the list stays unsaved.
  bool SaveList(const std::string& path);
  // With unsaved changes, asks Save / Don't Save / Cancel; false when the
  // user cancels (or the save fails), so that nothing goes.
  bool AskSaveChanges();
  // Unpacks the image into folder in the progress dialog; once it is done
  // its entries are the list, unsaved. False when it stopped (the list
  // stays as it was).
  bool OpenImage(const std::string& imagePath, const std::string& folder);

  // The folder prompt of Open Image: folder holds the proposal and gets the
  // choice; false when cancelled. Tests put their own answer here.
  static std::function<bool(TMyWindow&, std::string& folder)> FolderPrompt;
  static bool RunFolderPrompt(TMyWindow& window, std::string& folder);
  // The CD writer of Burn Image: address holds the proposal and gets the
  // choice; false when cancelled or when there is none (that is said).
  // Tests put their own answer here.
  static std::function<bool(TMyWindow&, std::string& address)> DrivePrompt;
  static bool RunDrivePrompt(TMyWindow& window, std::string& address);

  // Shared with the dialogs.
  static wxBrush BackgroundBrush;
  static int DialogCharWidth;
  static int DialogCharHeight;

 private:
  void OnPaint(wxPaintEvent& event);
  void OnSize(wxSizeEvent& event);
  void OnScroll(wxScrollWinEvent& event);
  void OnKeyDown(wxKeyEvent& event);
  void OnLeftDown(wxMouseEvent& event);
  void OnLeftDClick(wxMouseEvent& event);
  void OnMouseWheel(wxMouseEvent& event);
  void OnMouseMove(wxMouseEvent& event);
  // Paths too long for the window are cut at its edge: the tooltip of the
  // line at height y shows both whole.
  void ShowLineTip(int y);
  void OnSysColourChanged(wxSysColourChangedEvent& event);
  void OnDpiChanged(wxDPIChangedEvent& event);
  void MakeFonts();
  // The commands, one handler each.
  void OnNewList(wxCommandEvent& event);
  void OnOpenList(wxCommandEvent& event);
  void OnSaveList(wxCommandEvent& event);
  void OnSaveListAs(wxCommandEvent& event);
  // Open Image...: asks about unsaved changes, then for an image and for an
  // empty or new folder, and unpacks it there in the progress dialog.
  void OnOpenImage(wxCommandEvent& event);
  void OnCreateImage(wxCommandEvent& event);
  // Burn Image...: asks for the image (proposing the last one) and the CD
  // writer, and burns it in the progress dialog.
  void OnBurnImage(wxCommandEvent& event);
  // Copy to SD Card...: asks for the image and for the copy's name on the
  // card (CD3.iso, or the next free id), and copies it in the progress dialog.
  void OnCopyToCard(wxCommandEvent& event);
  // The image to put onto a medium, asked for under title; false when cancelled.
  bool AskMediumImage(const wxString& title, std::string& image);
  // The copy's name on the card, and whether it replaces a file there
  // (asked); false when cancelled.
  bool AskCardName(const std::string& image, std::string& copy, bool& replace);
  // Runs the work that make gives in the progress dialog.
  void RunWork(const std::function<std::unique_ptr<TSteppedWork>(TBuildHost&)>& make);
  // Runs the progress dialog modally as the running work's dialog; then
  // the window has the keyboard again, and the list's files are checked
  // again (the work may have found them changed). Its end code.
  int RunProgress(TWriteDialog& dialog);
  void OnRunFileManager(wxCommandEvent& event);
  void OnInsert(wxCommandEvent& event);
  void OnDelete(wxCommandEvent& event);
  void OnEdit(wxCommandEvent& event);
  void OnAbout(wxCommandEvent& event);
  void OnQuit(wxCommandEvent& event);
  // Enabling: each predicate serves every command it fits.
  void OnUpdateAlways(wxUpdateUIEvent& event);
  void OnUpdateNeedsLines(wxUpdateUIEvent& event);
  void OnUpdateModified(wxUpdateUIEvent& event);
  void OnUpdateSaveAs(wxUpdateUIEvent& event);
  // Save List: to the list's file, asking for one when it has none; Save
  // List As...: to a file asked for. False when cancelled or failed.
  bool SaveToItsFile();
  bool SaveToNewFile();
  // The file dialog of Open List (save false) and Save List As (save true):
  // path holds the proposal and gets the choice; false when cancelled.
  bool AskListPath(bool save, std::string& path);
  // Shows the list from its first line after it was replaced.
  void ShowNewList();
  // Pixel width of an image path in ListFont.
  int NameWidth(const std::string& imagePath) { return NameWidths->Width(imagePath); }
  // Scrolls the current line into view, moving the pixels already shown.
  void EnsureVisible();
  // Draws row r (0 = top row) at once.
  void RepaintLine(int row);
  // Moves the first visible line by d lines, clamped to the scroll range.
  void MoveTopLine(int d);
  void SetFirstVisibleLine(int top);
  int MaxScrollPos() const;

  int ClientWidth = 0;
  int LeftMargin = 2;
  TFileDialogData ImageData;  // Open Image's "Open Image" dialog
  TFileDialogData ListData;   // the "Open List" and "Save List" dialogs
  TFileDialogData CardData;   // the copy's name on the SD card
  // GTK moves the scroll bar's thumb while it is dragged; the list keeps its
  // own top line so that it follows the thumb only when it is released.
  int TopLine = 0;
  int WheelRotation = 0;
  // Measures image paths in ListFont, fast enough to re-measure a long list
  // after every Delete or OK.
  std::unique_ptr<TTextWidths> NameWidths;
  // The dialogs and message boxes open over the window, which the list is
  // in use while; each takes the line tooltip away as it opens.
  std::unique_ptr<class TModalDialogs> ModalDialogs;
  // The figures of the list's image, its sizes read while the window is
  // idle, and the notice that stands before them until the list changes.
  TImageEstimate Estimate;
  std::string Notice;
  unsigned long NoticeChange = 0;
  // What the caption was last made from.
  std::string ShownPath;
  bool ShownModified = false;

  wxDECLARE_EVENT_TABLE();
};
