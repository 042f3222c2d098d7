// The list window's line in the status bar: what the last drop or edit did
// that the list does not show, then what the list's image would come to,
// worked out in short steps while the program is idle.
#include <chrono>

#include "app/list_window.h"

namespace {
// A step of the estimate stops after this long, well within a frame, so
// that keys and the pointer hardly wait for it.
constexpr auto EstimateBudget = std::chrono::milliseconds(8);
// Between the notice and the figures.
constexpr const char* NoticeEnd = " \u2014 ";
}  // namespace

bool TMyWindow::StepEstimate() { return Estimate.Step(Entries, EstimateBudget); }

void TMyWindow::SetNotice(std::string text) {
  Notice = std::move(text);
  NoticeChange = Entries.ChangeCount();
}

std::string TMyWindow::StatusLine() const {
  const std::string figures =
      Estimate.Reading() ? ReadingText(Entries.Count()) : EstimateText(Estimate.Last());
  if (Notice.empty() || NoticeChange != Entries.ChangeCount()) return figures;
  return figures.empty() ? Notice : Notice + NoticeEnd + figures;
}
