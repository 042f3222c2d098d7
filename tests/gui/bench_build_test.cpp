// The build through the real dialog, for bench/gui: reads a LIST file
// (IMAGEPATH<TAB>REALPATH lines) named by QV_BENCH_LIST, builds the image
// into QV_BENCH_OUT with the statistics and save prompt answered, and
// prints the time from the command to the end of the dialog, less the time
// the save prompt took from its making to its end, and that time apart.
// Disabled in the normal run.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "app/command_ids.h"
#include "gui_fixture.h"
#include "image/build_driver.h"
#include "image/ui/gauge_control.h"

namespace {

class TBench : public TFrameTest {};

TEST_F(TBench, DISABLED_BuildFromList) {
  const char* list = std::getenv("QV_BENCH_LIST");
  const char* out = std::getenv("QV_BENCH_OUT");
  ASSERT_TRUE(list && out) << "set QV_BENCH_LIST and QV_BENCH_OUT";
  std::ifstream in(list);
  std::string line;
  while (std::getline(in, line)) {
    std::size_t tab = line.find('\t');
    if (line.empty() || line[0] == '#' || tab == std::string::npos) continue;
    Window->Entries.Add(line.substr(0, tab), line.substr(tab + 1));
  }
  Lines();
  ASSERT_GT(Window->Entries.Count(), 0u);
  // A person sees the list before choosing Create Image: its first paint is
  // not the build's.
  Window->Update();

  TDialogAnswers answers;
  answers.FileChoices = {out};
  long steps = 0, gaugeChanges = 0;
  std::chrono::steady_clock::duration prompt{};
  bool done = false;
  answers.OnBuild = [&](TWriteDialog* build) {
    build->Bind(wxEVT_IDLE, [&, build](wxIdleEvent& e) {
      e.Skip();
      if (done || !build->Build().Done()) return;
      done = true;
      steps = build->StepsRun();
      gaugeChanges = build->Gauge->RepaintCount();
      prompt = build->SavePromptTime();
      wxCommandEvent ok(wxEVT_BUTTON, IdCancelButton);
      build->GetEventHandler()->AddPendingEvent(ok);
    });
  };
  auto start = std::chrono::steady_clock::now();
  Command(CmCreateImage);
  // The desktop's save dialog, made, shown and gone, is not the build's.
  double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start - prompt).count();
  ASSERT_TRUE(done);
  printf("BENCH seconds %.4f steps %ld gauge_changes %ld prompt %.4f\n", seconds, steps,
         gaugeChanges, std::chrono::duration<double>(prompt).count());
}

}  // namespace
