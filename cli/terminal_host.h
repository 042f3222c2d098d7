// The build host of qvimage: questions answered from the command-line
// options, messages and a progress bar on stderr, statistics on stdout.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "image/build_host.h"

struct TTerminalOptions {
  bool SkipMissing = false;  // "Error accessing file": Ignore, not Abort
  bool SkipClashes = false;  // "... already exists": No (skip), not Yes (abort)
  bool StatsOnly = false;    // print the statistics and write nothing
  bool Blank = false;        // "Do you want to blank it?" (a CD-RW): Yes, not No
  bool Quiet = false;        // no progress bar and no statistics
  bool Progress = false;     // draw the progress bar (stderr is a terminal)
  std::string ImagePath;     // the answer to the save prompt
};

class TTerminalHost : public TBuildHost {
 public:
  explicit TTerminalHost(TTerminalOptions options);
  ~TTerminalHost() override;

  void SetCaption(const std::string& caption) override;
  void SetStatusText(const std::string& text) override;
  bool StatusFits(const std::string& text) override;
  void SetGauge(int percent) override;
  void PaintNow() override;
  void SetButtonText(const std::string&) override {}

  bool ConfirmStatistics(const TStatistics& stats) override;
  bool AskSaveName(std::string& name) override;
  bool QueryFreeSpace(const std::string& folder, uint64_t& freeUnits,
                      uint64_t& unitSize) override;
  void EndBuild(TBuildEnd) override {}

  // Prints one line on stderr, prefixed with the program's name, without
  // tearing the progress bar.
  void Say(const std::string& text);
  // Takes the progress bar off the screen for good.
  void ClearProgress();

  bool StatisticsShown() const { return StatsShown; }

 protected:
  // Prints the message and answers from the options: by its kind.
  TAnswer Answer(const TQuestion& question) override;

 private:
  void Draw(bool force);
  void Erase();
  int PathRoom() const;

  TTerminalOptions Options;
  std::string Caption, Status;
  int Percent = 0;
  int Columns = 80;
  bool BarShown = false;
  bool StatsShown = false;
  bool SaveAsked = false;
  std::chrono::steady_clock::time_point LastDraw;
};
