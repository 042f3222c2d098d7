// Work that the progress dialog (or qvimage's terminal) shows one short
// step at a time: an image build, the unpacking of an image, its copy onto
// an SD card or its burn onto a CD-R. Its shower
// starts it, steps it when idle, and cancels it for the user's button; the
// work reports through its TBuildHost. What every such work shares lives
// here: its end or completion, the gauge, and the time a step may take.
#pragma once

#include <chrono>
#include <cstdint>

#include "image/build_host.h"

class TImageReader;

// A percentage of done out of total, within 0..100; whenEmpty when there
// is nothing to count.
int PercentOf(int64_t done, int64_t total, int whenEmpty = 0);

// Why a work ended without being done.
enum class TStop {
  None,         // it has not ended
  Cancelled,    // the user's button, Esc, the close box or a signal
  Declined,     // the user said no: to the statistics, the save prompt, a
                // card's file replaced, a disc blanked
  NothingLeft,  // every entry was skipped: there is nothing to build
  Message,      // a message or question stopped it: StopKind() says which
};

// A step that copies in pieces hands back once it has taken this long, so
// that Cancel and repainting never wait longer, even on a slow disk.
class TStepTimer {
 public:
  static constexpr auto Budget = std::chrono::milliseconds(20);
  TStepTimer() : Start(std::chrono::steady_clock::now()) {}
  bool Spent() const { return std::chrono::steady_clock::now() - Start >= Budget; }

 private:
  std::chrono::steady_clock::time_point Start;
};

class TSteppedWork {
 public:
  explicit TSteppedWork(TBuildHost& host) : Host(host) {}
  virtual ~TSteppedWork() = default;
  TSteppedWork(const TSteppedWork&) = delete;
  TSteppedWork& operator=(const TSteppedWork&) = delete;

  // Once the dialog exists.
  virtual void Start() = 0;
  // One short step; nothing once it has ended or is done.
  virtual void Step() = 0;
  // The button (Cancel, later Ok), Esc, the close box or a signal: ends as
  // stopped. A work that cannot stop now (a disc being blanked) goes on
  // stepping until it can, then ends so.
  void Cancel();

  // Finished, and "Done" is showing.
  bool Done() const { return Completed; }
  // It has ended, and how; EndCode() and Why() mean something only then.
  bool Ended() const { return HasEnded; }
  TBuildEnd EndCode() const { return EndedWith; }
  TStop Why() const { return Cause; }
  // With TStop::Message: the kind of the message that stopped it.
  TQuestionKind StopKind() const { return StoppedBy; }
  // Neither done nor ended: Step() has more to do.
  bool Running() const { return !HasEnded && !Completed; }

 protected:
  // Shows a message that stops the work, and ends it.
  void Fail(const TQuestion& question, TBuildEnd end = TBuildEnd::Stopped);
  // Ends the work once: what it holds is let go (Release), then the host
  // hears of the end.
  void End(TBuildEnd end, TStop cause);
  // Ends it on the message asked last.
  void EndOnMessage(TBuildEnd end = TBuildEnd::Stopped) { End(end, TStop::Message); }
  // Finished: caption "Done", an empty status line, the button "Ok".
  void Complete();
  // Cancel was asked while the work could not stop; it ends as cancelled
  // once it can.
  bool CancelAsked() const { return CancelWaits; }
  // Reads the next directory of an open image, showing its last item on
  // the status line and the clusters claimed so far on the gauge; once
  // every directory is read, finishes the reading and returns false.
  bool ReadImageStep(TImageReader& reader);
  // Moves the gauge to percent (within 0..100); the host hears only of a
  // change.
  void Gauge(int percent);
  int GaugeValue() const { return Shown; }

  TBuildHost& Host;

 private:
  // Lets go of the tree, the files and the folders a work holds when it
  // ends; it has not ended before.
  virtual void Release() {}
  // Whether the work must go on now, though cancelled; it says why on the
  // status line itself.
  virtual bool MustGoOn() { return false; }

  bool Completed = false;
  bool HasEnded = false;
  TBuildEnd EndedWith = TBuildEnd::Stopped;
  TStop Cause = TStop::None;
  bool CancelWaits = false;
  TQuestionKind StoppedBy = TQuestionKind::TooLarge;
  int Shown = -1;
};
