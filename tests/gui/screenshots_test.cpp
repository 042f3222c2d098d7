// Pictures for the README, made by scripts/screenshots: the main window with
// a few lines, the statistics dialog and the build dialog in the middle of
// a build. Disabled in the normal run.
#include <wx/timer.h>

#include "app/command_ids.h"
#include "gui_fixture.h"
#include "image/build_driver.h"
#include "image/ui/gauge_control.h"
#include "tests/core/temp_dir.h"
#include "window_checks.h"

namespace {

// Bytes of each source file in the build picture: enough for the build to
// be caught half way.
constexpr std::size_t ShotFileSize = 1 << 20;
constexpr int ShotFiles = 120;
// The build dialog is pictured once its gauge passes this value.
constexpr int ShotGauge = 40;

class TScreenshots : public TFrameTest {
 protected:
  void SetUp() override {
    TFrameTest::SetUp();
    Frame->SetSize(40, 60, 760, 380);
    Pump(300);
  }
};

TEST_F(TScreenshots, DISABLED_MainWindowStatisticsAndBuild) {
  TTempDir dir;
  const struct {
    const char *Image, *Real;
    std::uintmax_t Size;
  } lines[] = {
      {"\\SAMPLES\\PIANO\\GRAND.QVF", "sounds/piano/grand.qvf", 212u << 20},
      {"\\SAMPLES\\PIANO\\UPRIGHT.QVF", "sounds/piano/upright.qvf", 148u << 20},
      {"\\SAMPLES\\STRINGS.QVX", "sounds/strings.qvx", 96u << 20},
      {"\\WAVES\\LOOP01.WAV", "loops/loop01.wav", 31u << 20},
      {"\\WAVES\\LOOP02.WAV", "loops/loop02.wav", 27u << 20},
      {"\\README.TXT", "cd/readme.txt", 1800},
  };
  for (auto& l : lines) Window->Entries.Add(l.Image, PicturedFile(dir.Path, l.Real, l.Size));
  Lines();
  Window->SetCurrentLine(2);
  StatusShown();
  Pump(300);
  Shoot("main_window.png", {Frame});

  // A build of real files, pictured in its statistics and its data stage.
  Window->Entries.Flush();
  std::string bytes(ShotFileSize, 'x');
  for (int i = 0; i < ShotFiles; ++i) {
    char name[40];
    snprintf(name, sizeof name, "\\SAMPLES\\BANK%d\\SOUND%03d.QVF", i / 40, i);
    Window->Entries.Add(name, dir.File("s" + std::to_string(i), bytes));
  }
  Lines();
  Window->SetCurrentLine(0);
  StatusShown();

  TDialogAnswers answers;
  wxTimer timer;
  answers.RunStats = [&](TStatDialog* stats) {
    timer.Bind(wxEVT_TIMER, [&, stats](wxTimerEvent&) {
      Shoot("statistics.png", {Frame, stats});
      stats->EndModal(wxID_OK);
    });
    timer.StartOnce(500);
  };
  answers.FileChoices = {dir / "SAMPLES.trk"};
  bool shot = false;
  answers.OnBuild = [&](TWriteDialog* build) {
    build->Bind(wxEVT_IDLE, [&, build](wxIdleEvent& e) {
      e.Skip();
      if (build->Build().Done() && !shot) {  // too fast to be caught: close it
        wxCommandEvent ok(wxEVT_BUTTON, IdCancelButton);
        build->GetEventHandler()->AddPendingEvent(ok);
        return;
      }
      if (shot || build->Build().Stage() != TBuildStage::Data || build->Gauge->GetValue() < ShotGauge)
        return;
      shot = true;
      build->Update();
      Shoot("build_dialog.png", {Frame, build});
      wxCommandEvent cancel(wxEVT_BUTTON, IdCancelButton);
      build->GetEventHandler()->AddPendingEvent(cancel);
    });
  };
  Command(CmCreateImage);
  EXPECT_TRUE(shot);
  EXPECT_EQ(answers.StatShown, 1);
}

}  // namespace
