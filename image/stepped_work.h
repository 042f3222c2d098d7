// Work that the progress dialog shows one short step at a time: an image
// build or the unpacking of an image. The dialog starts it, steps it when
// idle, and cancels it for the user's button; the work reports through its
// TBuildHost.
#pragma once

class TSteppedWork {
 public:
  virtual ~TSteppedWork() = default;
  // Once the dialog exists.
  virtual void Start() = 0;
  // One short step; nothing once it has ended or is done.
  virtual void Step() = 0;
  // The button (Cancel, later Ok), Esc or the close box; ends as stopped.
  virtual void Cancel() = 0;
  // Finished, and "Done" is showing.
  virtual bool Done() const = 0;
  // Neither done nor ended: Step() has more to do.
  virtual bool Running() const = 0;
};
