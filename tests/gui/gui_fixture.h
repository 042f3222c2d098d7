// A main frame per test, and a hook that answers the program's dialogs by
// their type, as a person would.
#pragma once

#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/filedlg.h>
#include <wx/modalhook.h>
#include <wx/filename.h>
#include <wx/utils.h>

#include "app/list_window.h"
#include "app/main_frame.h"
#include "app/message_box.h"
#include "app/text_convert.h"
#include "image/ui/stat_dialog.h"
#include "image/ui/write_dialog.h"

// Runs the event loop until done() holds or the time is up; done()'s value.
inline bool PumpUntil(const std::function<bool()>& done, int milliseconds = 3000) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    wxYield();
    wxMilliSleep(5);
  }
  return true;
}

inline void Pump(int milliseconds) {
  PumpUntil([] { return false; }, milliseconds);
}

inline std::string ReadFileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct TShownBox {
  std::string Text, Caption;
  TButtons Buttons;
};

// What the desktop's file dialog was asked.
struct TFileAsked {
  std::string Title, Wildcard, Folder, Name;
  long Style = 0;
};

// Runs the modal loop we are in for a while (wxYield must not start a
// nested modal dialog).
inline void WaitInLoop(int milliseconds) {
  wxEventLoopBase* loop = wxEventLoopBase::GetActive();
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::chrono::steady_clock::now() < end) {
    if (loop) {
      while (loop->Pending()) loop->Dispatch();
      loop->ProcessIdle();
    }
    wxMilliSleep(5);
  }
}

class TDialogAnswers : public wxModalDialogHook {
 public:
  TDialogAnswers() { Register(); }
  ~TDialogAnswers() override { Unregister(); }

  // Message boxes: answered in order; none left fails the test.
  std::deque<TAnswer> BoxAnswers;
  std::vector<TShownBox> Boxes;
  // When set, a message box runs for real and this closes it.
  std::function<void(TMessageBox*)> RunBox;
  // Statistics: OK or Cancel, and the values it showed. When RunStats is
  // set, the dialog runs for real and RunStats closes it.
  bool StatsOk = true;
  std::function<void(TStatDialog*)> RunStats;
  std::vector<wxString> StatValues;
  int StatShown = 0;
  // The build dialog runs for real; this sees it first.
  std::function<void(TWriteDialog*)> OnBuild;
  // The desktop's file dialogs run for real and choose these paths in
  // turn; an empty one is Cancel, and none left fails the test.
  std::deque<std::string> FileChoices;
  std::vector<TFileAsked> FilesAsked;
  std::chrono::steady_clock::duration FileDialogTime{};  // how long they were open
  // Sees each file dialog as it opens.
  std::function<void(wxFileDialog*)> OnFile;

 protected:
  int Enter(wxDialog* dialog) override {
    if (auto* files = dynamic_cast<wxFileDialog*>(dialog)) {
      // GTK's file dialog reaches the hook twice as it opens.
      if (files == FileShown) return wxID_NONE;
      FileShown = files;
      FileOpened = std::chrono::steady_clock::now();
      FilesAsked.push_back({FromWx(files->GetMessage()), FromWx(files->GetWildcard()),
                            FromWx(files->GetDirectory()), FromWx(files->GetFilename()),
                            files->GetWindowStyleFlag()});
      if (OnFile) OnFile(files);
      if (FileChoices.empty()) ADD_FAILURE() << "unexpected file dialog " << files->GetMessage();
      std::string choice = FileChoices.empty() ? std::string() : FileChoices.front();
      if (!FileChoices.empty()) FileChoices.pop_front();
      files->CallAfter([files, choice] {
        if (choice.empty()) {
          files->EndModal(wxID_CANCEL);
          return;
        }
        files->SetPath(ToWx(choice));
        // GTK takes the name over asynchronously.
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (files->GetPath() != ToWx(choice) && std::chrono::steady_clock::now() < end)
          WaitInLoop(20);
        // GTK's chooser reads its folder in the background and then selects
        // the proposed file in its view; closed before that, the late
        // selection runs on a view that is gone (GTK criticals in slow,
        // sanitized runs). A person takes longer anyway.
        WaitInLoop(250);
        files->EndModal(wxID_OK);
      });
      return wxID_NONE;
    }
    if (auto* box = dynamic_cast<TMessageBox*>(dialog)) {
      Boxes.push_back({FromWx(box->Text()), FromWx(box->GetTitle()), box->Buttons()});
      if (RunBox) {
        RunBox(box);
        return wxID_NONE;
      }
      if (BoxAnswers.empty()) {
        ADD_FAILURE() << "unexpected message box: " << Boxes.back().Text;
        return wxID_OK;
      }
      TAnswer a = BoxAnswers.front();
      BoxAnswers.pop_front();
      return TMessageBox::IdOf(a);
    }
    if (auto* stats = dynamic_cast<TStatDialog*>(dialog)) {
      ++StatShown;
      StatValues.clear();
      for (int i = 0; i < TStatDialog::Rows; ++i) StatValues.push_back(stats->ValueText(i));
      if (RunStats) {
        RunStats(stats);
        return wxID_NONE;
      }
      return StatsOk ? wxID_OK : wxID_CANCEL;
    }
    if (auto* build = dynamic_cast<TWriteDialog*>(dialog)) {
      if (OnBuild) OnBuild(build);
      return wxID_NONE;
    }
    ADD_FAILURE() << "unexpected dialog " << dialog->GetClassInfo()->GetClassName();
    return wxID_CANCEL;
  }
  void Exit(wxDialog* dialog) override {
    if (dialog != FileShown) return;
    FileShown = nullptr;
    FileDialogTime += std::chrono::steady_clock::now() - FileOpened;
  }

 private:
  wxDialog* FileShown = nullptr;
  std::chrono::steady_clock::time_point FileOpened;
};

// Whether the file dialog's filter now chosen (the first at the start)
// shows a file of this name.
bool FilterShows(wxFileDialog* files, const char* name);
// Whether a window manager runs: focus and stacking are its to decide.
bool HaveWindowManager();
// Sets the desktop's text resolution (-1: the X server's own), as a desktop
// does when the user scales text; returns the one before.
int SetDesktopDpi(int dotsPerInch);

class TFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Frame = BuildMainWindow();
    Window = Frame->Client;
    PumpUntil([&] { return Frame->IsShownOnScreen(); });
  }
  void TearDown() override {
    Frame->Destroy();
    Pump(20);
  }

  // Fills the list with lines "\Fnnn.QV" -> "/src/fnnn".
  void AddLines(int count) {
    char image[32], real[32];
    for (int i = 0; i < count; ++i) {
      snprintf(image, sizeof image, "\\F%03d.QV", i);
      snprintf(real, sizeof real, "/src/f%03d", i);
      Window->Entries.Add(image, real);
    }
    Lines();
  }
  void Lines() {
    Window->MeasureNameColumn();
    Window->SetLineCount(static_cast<int>(Window->Entries.Count()));
    Window->Refresh();
  }
  // Sizes the list window to show exactly `lines` whole lines.
  void ShowLines(int lines) {
    int h = lines * Window->LineHeight + Window->LineHeight / 2;
    wxSize now = Window->GetClientSize();
    Frame->SetClientSize(Frame->GetClientSize() + wxSize(0, h - now.y));
    PumpUntil([&] { return Window->VisibleLines == lines; });
    ASSERT_EQ(Window->VisibleLines, lines);
  }
  // The status bar's text once the list's figures are worked out.
  std::string StatusShown() {
    EXPECT_TRUE(PumpUntil([&] { return Window->FiguresUpToDate(); }));
    return FromWx(Frame->GetStatusBar()->GetStatusText());
  }
  void Command(int id) {
    wxCommandEvent event(wxEVT_MENU, id);
    event.SetEventObject(Frame);
    Frame->GetEventHandler()->ProcessEvent(event);
  }

  TMyDecoratedFrame* Frame = nullptr;
  TMyWindow* Window = nullptr;
};
