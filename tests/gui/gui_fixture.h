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

 protected:
  int Enter(wxDialog* dialog) override {
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
  void Exit(wxDialog*) override {}
};

class TFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Frame = BuildMainWindow();
    Window = Frame->Client;
    PumpUntil([&] { return Frame->IsShownOnScreen(); });
  }
  void TearDown() override {
    TWriteDialog::SavePrompt = TWriteDialog::RunSaveDialog;
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
  void Command(int id) {
    wxCommandEvent event(wxEVT_MENU, id);
    event.SetEventObject(Frame);
    Frame->GetEventHandler()->ProcessEvent(event);
  }

  TMyDecoratedFrame* Frame = nullptr;
  TMyWindow* Window = nullptr;
};
