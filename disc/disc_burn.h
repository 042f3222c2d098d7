// Burning an image onto a CD-R as a state machine of short steps, like a
// build: read the image through (a damaged one is not burnt), take the CD
// writer, check its disc (a CD-RW that holds data is blanked once the user
// says so; an image larger than the disc is refused before writing), write
// the image as one data track padded to whole blocks and close the disc,
// read the disc back and compare every block with the image, and let the
// drive go, ejecting the disc when asked. libburn writes and blanks on
// threads of its own: those steps only look how far it has got.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "image/image_reader.h"
#include "image/stepped_work.h"
#include "platform/disc_drive.h"

struct TBurnOptions {
  // The drive's address (/dev/sr0, stdio:FILE); empty for the first drive
  // found that holds a blank disc, else the first that holds a CD-RW to
  // blank, else the first one found.
  std::string Drive;
  int Speed = 0;          // in multiples of the CD's 150 KiB/s; 0 the fastest
  bool Simulate = false;  // the laser stays off: nothing is written or verified
  bool Verify = true;     // read the disc back and compare it with the image
  bool Eject = false;     // eject the disc once it is burnt and verified
};

// The message that no CD writer was found: with libburn's words when the
// listing failed, or why a computer may seem to have none.
TQuestion NoDrivesQuestion(const std::string& message);

class TDiscBurn : public TSteppedWork {
 public:
  TDiscBurn(std::string imagePath, TBuildHost& host, TBurnOptions options = {});
  ~TDiscBurn() override;

  // Caption "Checking Image", button "Cancel", gauge 0, the image opened.
  void Start() override;
  void Step() override;

  // The drive burnt to, once it is chosen.
  const std::string& DriveAddress() const { return Address; }
  // The track's blocks of 2048 bytes, once the image is read through.
  int64_t Blocks() const { return TrackBlocks; }
  // The disc holds the whole image and is closed (read back or not).
  bool Burnt() const { return Written; }
  // Every block was read back from the disc and found as written.
  bool Verified() const { return Compared == TrackBlocks && TrackBlocks > 0; }

 private:
  enum class TStage { Idle, Check, Open, Blank, Write, Verify, Close };
  void StepCheck();
  void StepOpen();
  bool ChooseDrive();
  // Starts what the disc in the drive needs next: blanking, once asked, or
  // the write; or says why the disc cannot take the image.
  void UseDisc();
  void StartWrite();
  void StepBlank();
  // A blank cannot be stopped: Cancel waits for its end.
  bool MustGoOn() override;
  void StepWrite();
  void StepVerify();
  void StepClose();
  // A drive call that failed with result: the message that says so.
  void DriveFailed(TDriveResult result, TQuestionKind failure);
  // Lets the drive go, cancelling a write that is still running; say:
  // whether to tell the user that the disc is spoiled then.
  void LetGo(bool say);
  void Release() override;

  std::string ImagePath;
  TBurnOptions Options;
  TImageReader Reader;
  TStage Stage = TStage::Idle;
  std::string Address;
  std::unique_ptr<TDiscDrive> Drive;
  bool Writing = false;  // libburn's write job runs: stopping it spoils the disc
  bool Written = false;  // it ended well, and not as a simulation
  bool Blanked = false;  // the disc was blanked once
  int64_t ImageBytes = 0, TrackBlocks = 0, Compared = 0;
  // The last look at the write's speed: when, and the blocks done then.
  std::chrono::steady_clock::time_point SpeedSince;
  int64_t SpeedBlocks = 0;
  std::vector<uint8_t> Want, Got;
};
