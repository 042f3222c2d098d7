// A build host for tests: records what the build shows and answers its
// questions from a script.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "image/build_host.h"
#include "image/build_messages.h"

struct TAsked {
  std::string Text, Caption;
  TButtons Buttons;
  TQuestionKind Kind;
};

class TScriptHost : public TBuildHost {
 public:
  // Answers in order; when the script runs out, Fallback answers.
  std::deque<TAnswer> Answers;
  TAnswer Fallback = TAnswer::Abort;
  bool ConfirmStats = true;
  std::deque<std::string> SaveNames;  // empty: the save prompt is cancelled
  uint64_t FreeUnits = uint64_t(1) << 40, UnitSize = 4096;
  std::size_t StatusWidth = 1000;  // characters that fit on the status line
  std::function<void()> OnPaint;   // runs at every PaintNow
  // Runs at every caption, as the work moves on to its next stage.
  std::function<void(const std::string&)> OnCaption;

  std::vector<TAsked> Asked;
  std::vector<std::string> Captions, Statuses, SaveProposals;
  std::vector<int> Gauges;
  std::string ButtonText;
  TStatistics Stats;
  int Ended = -1;
  int Paints = 0;

  void SetCaption(const std::string& c) override {
    Captions.push_back(c);
    if (OnCaption) OnCaption(c);
  }
  void SetStatusText(const std::string& t) override { Statuses.push_back(t); }
  bool StatusFits(const std::string& t) override { return t.size() <= StatusWidth; }
  void SetGauge(int p) override { Gauges.push_back(p); }
  void PaintNow() override {
    ++Paints;
    if (OnPaint) OnPaint();
  }
  void SetButtonText(const std::string& t) override { ButtonText = t; }
  TAnswer Answer(const TQuestion& q) override {
    Asked.push_back({QuestionText(q), QuestionCaption(q.Kind), QuestionButtons(q.Kind), q.Kind});
    if (Answers.empty()) return Fallback;
    TAnswer a = Answers.front();
    Answers.pop_front();
    return a;
  }
  bool ConfirmStatistics(const TStatistics& s) override {
    Stats = s;
    return ConfirmStats;
  }
  bool AskSaveName(std::string& name) override {
    SaveProposals.push_back(name);
    if (SaveNames.empty()) return false;
    name = SaveNames.front();
    SaveNames.pop_front();
    return true;
  }
  bool QueryFreeSpace(const std::string&, uint64_t& units, uint64_t& size) override {
    units = FreeUnits;
    size = UnitSize;
    return true;
  }
  void EndBuild(TBuildEnd end) override { Ended = static_cast<int>(end); }
};
