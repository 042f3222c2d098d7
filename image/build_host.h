// What a build asks of whoever shows it: the build dialog, the command-line
// tool, or a test. The build never talks to a window; it calls these.
#pragma once

#include <cstdint>
#include <string>

// SaveDontSaveCancel is the window's question about unsaved changes; a
// build never asks it. Its "Don't Save" answers No.
enum class TButtons { Ok, AbortRetryIgnore, YesNo, RetryCancel, SaveDontSaveCancel };
enum class TAnswer { Ok, Cancel, Abort, Retry, Ignore, Yes, No, Save };

// What a work asks or tells its host. The host words it (QuestionText in
// build_messages.h gives the program's own words) and answers by kind: the
// command line never reads a message's text to decide.
enum class TQuestionKind {
  // The scan: Abort, Retry or Ignore; Path the real path, Detail why.
  SourceUnreachable,
  // The scan, Yes (abort) or No (skip the entry): Path the image path (or
  // the part of it that names a file where a folder goes); TooDeep's
  // Number is the most directories a path may hold.
  DirectoryIsFile,
  NameClash,
  TooDeep,
  // A source that cannot be opened: Retry or Cancel; Path the real path.
  SourceUnopenable,
  // Messages with Ok that stop a build. DirectoryFull: Path the folder,
  // Number its most records; RootFull: Number the root's most records;
  // NoSpace: Path the drive or folder, Number the bytes the image takes
  // there and Available the bytes free; the others name a file in Path, and
  // CantOpen, CantWrite and ReadError give the reason in Detail.
  DirectoryFull,
  RootFull,
  TooLarge,
  NoSpace,
  CantOpen,
  ImageIsSource,
  ImageAppeared,
  CantWrite,
  ReadError,
  SizeChanged,
  // Messages with Ok that stop an unpacking. ImageDamaged: Path the image,
  // Detail the first problem, Number how many more there are;
  // ImagePathTooLong: Path the image, Detail the image path, Number the
  // longest a list takes; UnpackExists, ImageInTheWay, NotAFolder: Path;
  // CantCreate, CantReadImage: Path and the reason in Detail;
  // FolderNotListable: Path the folder, Detail why a list cannot hold it.
  ImageDamaged,
  ImagePathTooLong,
  UnpackExists,
  ImageInTheWay,
  NotAFolder,
  CantCreate,
  CantReadImage,
  FolderNotListable,
  // Copying an image to an SD card; all Ok but CardExists. CardUnreadable:
  // Path the image, Detail why; CardImageDamaged: as ImageDamaged;
  // CardNamesTaken: Path the folder; CardExists (Yes replaces the file, No
  // keeps it) and CardAppeared: Path the copy's name; CardNoSpace: Path the
  // drive or folder, Number the bytes the copy takes; CardDiffers: Path the
  // copy, Number the first byte that differs.
  CardUnreadable,
  CardImageDamaged,
  CardNamesTaken,
  CardExists,
  CardAppeared,
  CardNoSpace,
  CardDiffers,
  // Burning an image onto a CD-R; all Ok but BlankDisc. BurnUnreadable:
  // Path the image, Detail why; BurnImageDamaged: as ImageDamaged;
  // NoDrives: no values. The others name the drive's address in Path:
  // DriveMissing, DriveBusy and DriveFailed with libburn's words in Detail;
  // NoDisc, DiscClosed, DiscAppendable; DiscUnsuitable with the disc's kind
  // in Detail; BlankDisc (Yes blanks a rewritable disc that holds data, No
  // keeps it); DiscTooSmall with the bytes the image has too many in
  // Number; BurnRefused (nothing written), BurnFailed, BlankFailed and
  // VerifyUnreadable with libburn's words in Detail; BurnCancelled; and
  // BurnDiffers with the first byte that differs in Number.
  BurnUnreadable,
  BurnImageDamaged,
  NoDrives,
  DriveMissing,
  DriveBusy,
  DriveFailed,
  NoDisc,
  DiscClosed,
  DiscAppendable,
  DiscUnsuitable,
  BlankDisc,
  DiscTooSmall,
  BurnRefused,
  BurnFailed,
  BlankFailed,
  BurnCancelled,
  VerifyUnreadable,
  BurnDiffers,
};

struct TQuestion {
  TQuestionKind Kind;
  std::string Path = {};
  std::string Detail = {};
  int64_t Number = 0;
  int64_t Available = 0;
};

// How a build ended; the numbers are what the build dialog returns.
enum class TBuildEnd : int {
  Stopped = 2,      // every stop and error, and the user's Ok or Cancel
  FailedEntry = 3,  // an entry's scan stopped the build (FailedEntry says which)
};

// The five figures of the "Some Statistics" confirmation.
struct TStatistics {
  int32_t ItemCount = 0;      // directories and files of the image tree
  int32_t ClusterSize = 0;    // bytes
  int32_t ClusterTotal = 0;   // used clusters plus the added empty ones
  int32_t SectorsPerFat = 0;
  int32_t ImageSize = 0;      // bytes of the file, padded ones too
};

class TBuildHost {
 public:
  virtual ~TBuildHost() = default;

  // Progress.
  virtual void SetCaption(const std::string& caption) = 0;
  // Puts text on the status line as it stands.
  virtual void SetStatusText(const std::string& text) = 0;
  // Whether text fits the status line without clipping.
  virtual bool StatusFits(const std::string& text) = 0;
  // Sets the gauge (percent is within 0..100) and marks it for repainting.
  virtual void SetGauge(int percent) = 0;
  // Repaints the gauge at once, inside the current step.
  virtual void PaintNow() = 0;
  // The dialog's one button: "Cancel" while building, "Ok" when done.
  virtual void SetButtonText(const std::string& text) = 0;

  // Questions and messages, always with the exclamation icon; the buttons
  // are the kind's (QuestionButtons). The kind is remembered, so that a
  // work that stops on it can say why.
  TAnswer Ask(const TQuestion& question) {
    Asked = question.Kind;
    ++AskedCount;
    return Answer(question);
  }
  TQuestionKind LastAsked() const { return Asked; }
  // Questions and messages asked so far.
  int AskedSoFar() const { return AskedCount; }
  // OK (true) lets the build go on; Cancel (false) ends it.
  virtual bool ConfirmStatistics(const TStatistics& stats) = 0;
  // The save prompt. name holds the proposal on entry and the chosen path
  // on return; false when the user cancels.
  virtual bool AskSaveName(std::string& name) = 0;
  // Free space of the folder that will hold the image, in units of
  // unitSize bytes. False when it cannot be told.
  virtual bool QueryFreeSpace(const std::string& folder, uint64_t& freeUnits,
                              uint64_t& unitSize) = 0;

  // The build is over.
  virtual void EndBuild(TBuildEnd end) = 0;

 protected:
  // Shows the question and returns the user's answer (or the host's own).
  virtual TAnswer Answer(const TQuestion& question) = 0;

 private:
  TQuestionKind Asked = TQuestionKind::TooLarge;
  int AskedCount = 0;
};
