#include "cli/terminal_host.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "image/build_messages.h"
#include "image/free_space.h"
#include "platform/file_system.h"

namespace {

// A terminal redraw costs a write and the terminal's own work; the build
// calls in after every cluster, so the bar is redrawn at most this often.
constexpr auto RedrawInterval = std::chrono::milliseconds(100);
constexpr int BarWidth = 20;
constexpr int CaptionWidth = 24;  // "Determining Cluster Size"
// Below this width the caption is left out to keep room for the path.
constexpr int ColumnsForCaption = 70;
constexpr int DefaultColumns = 80;

int TerminalColumns() {
  const int columns = ErrorTerminalColumns();
  return columns > 0 ? columns : DefaultColumns;
}

void WriteErr(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

TTerminalHost::TTerminalHost(TTerminalOptions options) : Options(std::move(options)) {
  if (Options.Quiet) Options.Progress = false;
  if (Options.Progress) Columns = TerminalColumns();
  LastDraw = std::chrono::steady_clock::now();
}

TTerminalHost::~TTerminalHost() { ClearProgress(); }

int TTerminalHost::PathRoom() const {
  const int fixed = 2 + BarWidth + 2 + 4 + 1 + (Columns >= ColumnsForCaption ? CaptionWidth : 0);
  // One column is kept free so that the cursor never wraps to a new line.
  return Columns - 1 - fixed;
}

void TTerminalHost::Erase() {
  if (BarShown) WriteErr("\r\033[K");
  BarShown = false;
}

void TTerminalHost::ClearProgress() {
  Erase();
  Options.Progress = false;
}

void TTerminalHost::Draw(bool force) {
  if (!Options.Progress) return;
  auto now = std::chrono::steady_clock::now();
  if (!force && now - LastDraw < RedrawInterval) return;
  LastDraw = now;
  Columns = TerminalColumns();

  std::string line = "\r";
  if (Columns >= ColumnsForCaption) {
    line += Caption.substr(0, CaptionWidth);
    line.append(static_cast<std::size_t>(CaptionWidth) - std::min<std::size_t>(Caption.size(), CaptionWidth), ' ');
  }
  const int filled = Percent * BarWidth / 100;
  line += " [";
  line.append(static_cast<std::size_t>(filled), '#');
  line.append(static_cast<std::size_t>(BarWidth - filled), '.');
  char percent[8];
  std::snprintf(percent, sizeof percent, "] %3d%% ", Percent);
  line += percent;
  const int room = PathRoom();
  if (room > 0) line += Status.substr(0, static_cast<std::size_t>(room));
  line += "\033[K";
  WriteErr(line);
  BarShown = true;
}

void TTerminalHost::SetCaption(const std::string& caption) {
  Caption = caption;
  Draw(false);
}

void TTerminalHost::SetStatusText(const std::string& text) {
  Status = text;
  Draw(false);
}

bool TTerminalHost::StatusFits(const std::string& text) {
  return !Options.Progress || static_cast<int>(text.size()) <= PathRoom();
}

void TTerminalHost::SetGauge(int percent) {
  Percent = percent;
  Draw(false);
}

void TTerminalHost::PaintNow() { Draw(false); }

void TTerminalHost::Say(const std::string& text) {
  Erase();
  WriteErr("qvimage: " + text + "\n");
}

TAnswer TTerminalHost::Answer(const TQuestion& question) {
  Say(QuestionText(question));
  switch (question.Kind) {
    case TQuestionKind::SourceUnreachable:  // Abort, Retry or Ignore
      if (!Options.SkipMissing) return TAnswer::Abort;
      Say("skipped (--skip-missing)");
      return TAnswer::Ignore;
    case TQuestionKind::NameClash:  // "Do you want to abort?"
    case TQuestionKind::DirectoryIsFile:
      if (!Options.SkipClashes) return TAnswer::Yes;
      Say("skipped (--skip-clashes)");
      return TAnswer::No;
    case TQuestionKind::TooDeep: return TAnswer::Yes;
    case TQuestionKind::SourceUnopenable: return TAnswer::Cancel;  // Retry or Cancel
    // Asked only without --force: the file stays.
    case TQuestionKind::CardExists: return TAnswer::No;
    case TQuestionKind::BlankDisc:
      if (!Options.Blank) return TAnswer::No;
      Say("blanking it (--blank)");
      return TAnswer::Yes;
    default: return TAnswer::Ok;  // a message that stops the work
  }
}

bool TTerminalHost::ConfirmStatistics(const TStatistics& stats) {
  StatsShown = true;
  if (!Options.Quiet || Options.StatsOnly) {
    Erase();
    for (const auto& [label, figure] : StatisticsTable(stats))
      std::printf("%s %d\n", label, static_cast<int>(figure));
    std::printf("%s\n", CdFitText(stats.ImageSize).c_str());
    std::fflush(stdout);
  }
  return !Options.StatsOnly;
}

bool TTerminalHost::AskSaveName(std::string& name) {
  // Asked again only after the free-space message: there is no other name
  // to offer, so the build stops.
  if (SaveAsked) return false;
  SaveAsked = true;
  name = Options.ImagePath;
  return true;
}

bool TTerminalHost::QueryFreeSpace(const std::string& folder, uint64_t& freeUnits,
                                   uint64_t& unitSize) {
  return FolderFreeSpace(folder, freeUnits, unitSize);
}
