#include "image/stepped_work.h"

#include <algorithm>

#include "image/build_messages.h"
#include "image/image_reader.h"
#include "image/status_text.h"

int PercentOf(int64_t done, int64_t total, int whenEmpty) {
  if (total <= 0) return whenEmpty;
  return static_cast<int>(std::clamp<int64_t>(done * 100 / total, 0, 100));
}

void TSteppedWork::Cancel() {
  // Ok once done ends it too: the host hears of the end then.
  if (Running() && MustGoOn()) {
    CancelWaits = true;
    return;
  }
  End(TBuildEnd::Stopped, TStop::Cancelled);
}

void TSteppedWork::Fail(const TQuestion& question, TBuildEnd end) {
  Host.Ask(question);
  EndOnMessage(end);
}

void TSteppedWork::End(TBuildEnd end, TStop cause) {
  if (HasEnded) return;
  Release();
  HasEnded = true;
  EndedWith = end;
  Cause = cause;
  StoppedBy = Host.LastAsked();
  Host.EndBuild(end);
}

void TSteppedWork::Complete() {
  Completed = true;
  Host.SetCaption(Msg::CaptionDone);
  Host.SetStatusText("");
  Host.SetButtonText(Msg::ButtonOk);
}

bool TSteppedWork::ReadImageStep(TImageReader& reader) {
  const bool more = reader.ReadDirectory();
  if (!reader.Items().empty()) SetStatus(Host, reader.Items().back().Path);
  Gauge(PercentOf(reader.Result().UsedClusters, reader.MarkedClusters(), 100));
  if (!more) reader.Finish();
  return more;
}

void TSteppedWork::Gauge(int percent) {
  percent = std::clamp(percent, 0, 100);
  if (percent == Shown) return;
  Shown = percent;
  Host.SetGauge(percent);
}
