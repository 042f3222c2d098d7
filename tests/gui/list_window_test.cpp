// The main frame and the entry list window: enabling, keys, mouse, Delete.
#include <wx/display.h>
#include <wx/menu.h>
#include <wx/toolbar.h>
#include <wx/uiaction.h>

#include "app/command_ids.h"
#include "entry_dialogs_fixture.h"
#include "resources/menu_resources.h"

namespace {

const int AllCommands[] = {CmDelete, CmInsert, CmEdit, CmCreateImage, CmRunFileManager, CmAbout};

bool NeedsLines(int id) { return id == CmDelete || id == CmEdit || id == CmCreateImage; }

class TListWindowTest : public TFrameTest {
 protected:
  void Enabling(bool haveLines) {
    Frame->UpdateWindowUI(wxUPDATE_UI_RECURSE);
    for (int id : AllCommands) {
      bool expected = haveLines || !NeedsLines(id);
      EXPECT_EQ(Frame->GetMenuBar()->IsEnabled(id), expected) << "menu item " << id;
      EXPECT_EQ(Frame->GetToolBar()->GetToolEnabled(id), expected) << "tool " << id;
    }
  }
  // A real key press through the X server, with the list focused.
  void Press(int key) {
    Frame->Raise();
    Window->SetFocus();
    Pump(30);
    wxUIActionSimulator sim;
    sim.Char(key);
    Pump(60);
  }
  void Click(int y, wxEventType type = wxEVT_LEFT_DOWN) {
    wxMouseEvent event(type);
    event.SetPosition(wxPoint(10, y));
    event.SetEventObject(Window);
    Window->GetEventHandler()->ProcessEvent(event);
  }
};

TEST_F(TListWindowTest, CommandsNeedingLinesAreGreyedOnlyWhileTheListIsEmpty) {
  Enabling(false);
  AddLines(1);
  Enabling(true);
  Command(CmDelete);
  Enabling(false);
}

TEST_F(TListWindowTest, ToolBarOrderHintsAndTooltips) {
  wxToolBar* tools = Frame->GetToolBar();
  const int order[] = {CmNewList, CmOpenList,       CmSaveList,     wxID_SEPARATOR,
                       CmCreateImage, CmRunFileManager, wxID_SEPARATOR, CmInsert,
                       CmDelete,  CmEdit,           wxID_SEPARATOR, CmAbout};
  ASSERT_EQ(tools->GetToolsCount(), std::size(order));
  for (size_t i = 0; i < std::size(order); ++i) {
    const wxToolBarToolBase* tool = tools->GetToolByPos(static_cast<int>(i));
    if (order[i] == wxID_SEPARATOR)
      EXPECT_TRUE(tool->IsSeparator()) << i;
    else
      EXPECT_EQ(tool->GetId(), order[i]) << i;
  }
  EXPECT_EQ(tools->GetToolShortHelp(CmInsert), "Insert");
  EXPECT_EQ(tools->GetToolLongHelp(CmInsert), "Insert a new entry");
  EXPECT_EQ(tools->GetToolShortHelp(CmCreateImage), "Create Image");
  EXPECT_EQ(tools->GetToolShortHelp(CmRunFileManager), "Run File Manager");
  EXPECT_EQ(tools->GetToolShortHelp(CmOpenList), "Open List");
  EXPECT_EQ(tools->GetToolLongHelp(CmSaveList), "Save the entry list");
  EXPECT_EQ(Frame->GetMenuBar()->GetLabel(CmSaveListAs), wxString("Save List &As...\tShift+Ctrl+S"));
  EXPECT_EQ(Frame->GetMenuBar()->GetHelpString(CmInsert), "Insert a new entry");
  EXPECT_EQ(Frame->GetMenuBar()->GetHelpString(CmAbout), "Open an information dialog box");
  EXPECT_EQ(Frame->GetTitle(), "Quorel CD-ROM Image Maker");
  EXPECT_TRUE(Frame->GetIcon().IsOk());
}

// A hint shows while its menu item or tool is pointed at, then the list's
// own line as it is by then, never one from before the hint.
TEST_F(TListWindowTest, StatusBarShowsTheHintOfAHighlightedItemOrToolOnlyThen) {
  wxStatusBar* status = Frame->GetStatusBar();
  AddLines(1);
  const std::string figures = StatusShown();
  EXPECT_EQ(figures, "1 entry \u00B7 1 file cannot be read");
  wxMenuEvent highlight(wxEVT_MENU_HIGHLIGHT, CmCreateImage);
  Frame->GetEventHandler()->ProcessEvent(highlight);
  EXPECT_EQ(status->GetStatusText(), "Create an image file");
  wxMenuEvent close(wxEVT_MENU_CLOSE);
  Frame->GetEventHandler()->ProcessEvent(close);
  EXPECT_EQ(FromWx(status->GetStatusText()), figures);

  wxToolBar* tools = Frame->GetToolBar();
  // Keys go where the pointer is while no window manager runs: it goes
  // back there after.
  const wxPoint pointer = Window->ScreenToClient(wxGetMousePosition());
  // The pointer rests on the tool bar's free end, past the tools.
  tools->WarpPointer(tools->GetClientSize().x - 4, tools->GetClientSize().y / 2);
  Pump(50);
  tools->OnMouseEnter(CmInsert);
  EXPECT_EQ(status->GetStatusText(), "Insert a new entry");
  // The list changes under the pointer: the hint stays while it is there.
  Window->Entries.Add("\\G.QV", "/src/g");
  EXPECT_TRUE(PumpUntil([&] { return Window->FiguresUpToDate(); }));
  EXPECT_EQ(status->GetStatusText(), "Insert a new entry");
  tools->OnMouseEnter(wxID_ANY);  // the pointer left the button
  const std::string twoLines = "2 entries \u00B7 2 files cannot be read";
  EXPECT_EQ(FromWx(status->GetStatusText()), twoLines);

  // A tool's dialog held the pointer, which has left the tool bar when it
  // closes, untold: the hint goes once the window is idle.
  tools->OnMouseEnter(CmInsert);
  Window->WarpPointer(10, Window->GetClientSize().y - 4);
  EXPECT_TRUE(PumpUntil([&] { return FromWx(status->GetStatusText()) == twoLines; }));
  Window->WarpPointer(pointer.x, pointer.y);
}

TEST_F(TListWindowTest, FrameCannotBeMadeLowerThanItsMinimum) {
  int min = Frame->GetMinSize().y;
  EXPECT_GT(min, Frame->GetToolBar()->GetSize().y + Frame->GetStatusBar()->GetSize().y);
  Frame->SetSize(wxSize(300, 10));
  Pump(50);
  EXPECT_GE(Frame->GetSize().y, min);
}

TEST_F(TListWindowTest, KeysMoveTheCurrentLineAndPageByVisibleLinesLessOne) {
  AddLines(100);
  ShowLines(10);
  Press(WXK_PAGEDOWN);
  EXPECT_EQ(Window->CurrentLine, 9);
  EXPECT_EQ(Window->FirstVisibleLine(), 0);
  Press(WXK_PAGEDOWN);
  EXPECT_EQ(Window->CurrentLine, 18);
  EXPECT_EQ(Window->FirstVisibleLine(), 9);
  Press(WXK_UP);
  EXPECT_EQ(Window->CurrentLine, 17);
  EXPECT_EQ(Window->FirstVisibleLine(), 9);
  Press(WXK_END);
  EXPECT_EQ(Window->CurrentLine, 99);
  EXPECT_EQ(Window->FirstVisibleLine(), 90);
  Press(WXK_DOWN);
  Press(WXK_PAGEDOWN);
  EXPECT_EQ(Window->CurrentLine, 99);
  Press(WXK_PAGEUP);
  EXPECT_EQ(Window->CurrentLine, 90);
  EXPECT_EQ(Window->FirstVisibleLine(), 90);
  Press(WXK_PAGEUP);
  EXPECT_EQ(Window->CurrentLine, 81);
  EXPECT_EQ(Window->FirstVisibleLine(), 81);
  Press(WXK_HOME);
  EXPECT_EQ(Window->CurrentLine, 0);
  EXPECT_EQ(Window->FirstVisibleLine(), 0);
  Press(WXK_UP);
  Press(WXK_PAGEUP);
  EXPECT_EQ(Window->CurrentLine, 0);
}

TEST_F(TListWindowTest, KeysDoNothingOnAnEmptyList) {
  ShowLines(10);
  for (int key : {WXK_DOWN, WXK_END, WXK_PAGEDOWN, WXK_DELETE}) Press(key);
  EXPECT_EQ(Window->CurrentLine, 0);
  EXPECT_EQ(Window->Entries.Count(), 0u);
}

TEST_F(TListWindowTest, ScrollingNeverMovesTheCurrentLineAndDraggingDoesNotFollow) {
  AddLines(100);
  ShowLines(10);
  auto scroll = [&](wxEventType type, int pos = 0) {
    wxScrollWinEvent event(type, pos, wxVERTICAL);
    event.SetEventObject(Window);
    Window->GetEventHandler()->ProcessEvent(event);
  };
  scroll(wxEVT_SCROLLWIN_PAGEDOWN);
  EXPECT_EQ(Window->FirstVisibleLine(), 9);
  scroll(wxEVT_SCROLLWIN_THUMBTRACK, 50);
  EXPECT_EQ(Window->FirstVisibleLine(), 9);
  scroll(wxEVT_SCROLLWIN_THUMBRELEASE, 50);
  EXPECT_EQ(Window->FirstVisibleLine(), 50);
  scroll(wxEVT_SCROLLWIN_BOTTOM);
  EXPECT_EQ(Window->FirstVisibleLine(), 99);
  scroll(wxEVT_SCROLLWIN_LINEDOWN);
  EXPECT_EQ(Window->FirstVisibleLine(), 99);
  scroll(wxEVT_SCROLLWIN_TOP);
  scroll(wxEVT_SCROLLWIN_LINEUP);
  EXPECT_EQ(Window->FirstVisibleLine(), 0);
  EXPECT_EQ(Window->CurrentLine, 0);
}

TEST_F(TListWindowTest, TroughClicksPageTheListAndTheBarShowsWhereItIs) {
  AddLines(100);
  ShowLines(10);
  Frame->Raise();
  Pump(50);
  // The bar: right of the client area, as high as it.
  const wxPoint client = Window->ClientToScreen(wxPoint(0, 0));
  const int x = (client.x + Window->GetClientSize().x + Window->GetScreenRect().GetRight()) / 2;
  const int height = Window->GetClientSize().y;
  wxUIActionSimulator sim;
  auto clickAt = [&](int y) {
    sim.MouseMove(x, client.y + y);
    Pump(30);
    sim.MouseClick();
    Pump(100);
  };
  clickAt(height - 4);  // below the thumb
  EXPECT_EQ(Window->FirstVisibleLine(), 9);
  clickAt(height - 4);
  EXPECT_EQ(Window->FirstVisibleLine(), 18);
  EXPECT_EQ(Window->GetScrollPos(wxVERTICAL), 18);
  clickAt(2);  // above it
  EXPECT_EQ(Window->FirstVisibleLine(), 9);
  EXPECT_EQ(Window->GetScrollPos(wxVERTICAL), 9);
  EXPECT_EQ(Window->CurrentLine, 0);
}

TEST_F(TListWindowTest, TheKeypadsDelInsAndEnterAreTheSameKeys) {
  TEntryAnswers answers;  // the entry dialogs the keys open are cancelled
  AddLines(3);
  ShowLines(10);
  Press(WXK_NUMPAD_DELETE);
  EXPECT_EQ(Window->Entries.Count(), 2u);
  Press(WXK_NUMPAD_INSERT);
  EXPECT_EQ(answers.EditShown, 1);
  EXPECT_EQ(EditMode, EditNewLine);
  Press(WXK_NUMPAD_ENTER);
  EXPECT_EQ(answers.EditShown, 2);
  EXPECT_EQ(EditMode, EditCurrentLine);
}

TEST_F(TListWindowTest, OnDesktopTheFirstWindowShowsTwentyLinesWithinTheWorkArea) {
  Pump(500);  // the window manager has framed it
  EXPECT_GE(Window->VisibleLines, 20) << Window->GetClientSize().y << " " << Window->LineHeight;
  EXPECT_GE(Window->GetClientSize().x, Window->FirstClientSize().x);
  wxRect work = wxDisplay(0u).GetClientArea();
  EXPECT_TRUE(work.Contains(Frame->GetRect())) << Frame->GetRect().width << "x"
                                               << Frame->GetRect().height;
  // Every tool shows: none falls into an overflow menu.
  wxToolBar* tools = Frame->GetToolBar();
  EXPECT_GE(tools->GetSize().x, tools->GetBestSize().x);
}

TEST_F(TListWindowTest, TheListsTextGrowsWithTheDesktopsTextScaling) {
  const int normal = Window->ListFont.GetPixelSize().y;
  const int old = SetDesktopDpi(144);
  auto* scaled = new TMyWindow(Frame);
  const int large = scaled->ListFont.GetPixelSize().y;
  const int line = scaled->LineHeight;
  scaled->Destroy();
  SetDesktopDpi(old);
  EXPECT_NEAR(large, normal * 3 / 2, 1);
  EXPECT_GT(line, Window->LineHeight);
}

TEST_F(TListWindowTest, ClickSelectsALineAndBelowTheLastLineNothing) {
  TEntryAnswers answers;  // the entry dialog that a double click opens is cancelled
  AddLines(3);
  ShowLines(10);
  Click(2 * Window->LineHeight + 1);
  EXPECT_EQ(Window->CurrentLine, 2);
  Click(5 * Window->LineHeight + 1);
  EXPECT_EQ(Window->CurrentLine, 2);
  EditMode = EditNewLine;
  Click(5 * Window->LineHeight + 1, wxEVT_LEFT_DCLICK);
  EXPECT_EQ(EditMode, EditNewLine);  // no line there: no Edit
  Click(1 * Window->LineHeight + 1);
  Click(1 * Window->LineHeight + 1, wxEVT_LEFT_DCLICK);
  EXPECT_EQ(Window->CurrentLine, 1);
  EXPECT_EQ(EditMode, EditCurrentLine);
  EXPECT_EQ(answers.EditShown, 1);
  // The pointer over a line shows both its paths whole in its tooltip.
  Click(2 * Window->LineHeight + 1, wxEVT_MOTION);
  EXPECT_EQ(Window->GetToolTipText(), "\\F002.QV\n/src/f002");
  Window->Entries.Add("\\A.QV", "/src/a");
  Click(2 * Window->LineHeight + 1, wxEVT_ENTER_WINDOW);
  EXPECT_EQ(Window->GetToolTipText(), "\\F001.QV\n/src/f001");
  Click(5 * Window->LineHeight + 1, wxEVT_MOTION);
  EXPECT_EQ(Window->GetToolTipText(), "");
  EXPECT_EQ(Window->CurrentLine, 1);
}

TEST_F(TListWindowTest, DeleteKeepsTheCurrentLineUnlessTheLastWasDeleted) {
  AddLines(5);
  ShowLines(10);
  Window->SetCurrentLine(4);
  Command(CmDelete);
  EXPECT_EQ(Window->Entries.Count(), 4u);
  EXPECT_EQ(Window->CurrentLine, 3);
  Window->SetCurrentLine(0);
  Press(WXK_DELETE);  // once, through the accelerator
  ASSERT_EQ(Window->Entries.Count(), 3u);
  EXPECT_EQ(Window->CurrentLine, 0);
  EXPECT_EQ(Window->Entries[0].ImagePath, "\\F001.QV");
}

TEST_F(TListWindowTest, TheSecondColumnFollowsTheWidestImagePath) {
  Window->Entries.Add("\\A", "/a");
  Window->Entries.Add("\\LONGNAME\\LONGNAME\\LONGNAME.QVF", "/b");
  Lines();
  int wide = Window->NameColumnWidth;
  Window->SetCurrentLine(1);
  Command(CmDelete);
  EXPECT_LT(Window->NameColumnWidth, wide);
  EXPECT_GT(Window->NameColumnWidth, 0);
  Command(CmDelete);
  EXPECT_EQ(Window->NameColumnWidth, 0);
}

TEST_F(TListWindowTest, RunFileManagerReportsAProgramThatCannotStart) {
  TDialogAnswers answers;
  answers.BoxAnswers = {TAnswer::Ok};
  wxString saved = TMyWindow::FileManagerCommand;
  TMyWindow::FileManagerCommand = "/nonexistent/file-manager";
  Command(CmRunFileManager);
  TMyWindow::FileManagerCommand = saved;
  ASSERT_EQ(answers.Boxes.size(), 1u);
  EXPECT_EQ(answers.Boxes[0].Text, "File Manager not found.");
  EXPECT_EQ(answers.Boxes[0].Caption, "File Error");
  EXPECT_EQ(answers.Boxes[0].Buttons, TButtons::Ok);
}

TEST_F(TListWindowTest, RunFileManagerStartsTheProgramOnTheHomeFolder) {
  TDialogAnswers answers;
  std::string out = wxFileName::CreateTempFileName("qvfm").ToStdString();
  std::string script = out + ".sh";
  {
    FILE* f = fopen(script.c_str(), "w");
    fprintf(f, "#!/bin/sh\necho \"$1\" > '%s'\n", out.c_str());
    fclose(f);
  }
  chmod(script.c_str(), 0755);
  wxString saved = TMyWindow::FileManagerCommand;
  TMyWindow::FileManagerCommand = script;
  Command(CmRunFileManager);
  TMyWindow::FileManagerCommand = saved;
  EXPECT_TRUE(PumpUntil([&] { return ReadFileText(out).size() > 1; }));
  EXPECT_EQ(ReadFileText(out), FromWx(wxGetHomeDir()) + "\n");
  EXPECT_TRUE(answers.Boxes.empty());
  remove(out.c_str());
  remove(script.c_str());
}

}  // namespace
