// Copying an image onto an SD card for a CD emulator, as a state machine of
// short steps like the build: read the image through (a damaged one is not
// copied), take the copy's whole room on the card, write it beside its name
// padded with zeros to whole CD blocks, get it onto the card, read it back
// from the card and compare, and only then give it its name. Whoever shows
// it calls Step() when idle and Cancel() for the user's button; it talks
// through the same host as a build. A copy that stops leaves nothing on
// the card.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/image_reader.h"
#include "image/stepped_work.h"

struct TCardOptions {
  // A file under the copy's name is replaced without asking (the window's
  // save prompt has asked already, or qvimage has --force); otherwise the
  // copy asks first.
  bool Replace = false;
};

class TCardCopy : public TSteppedWork {
 public:
  // destination is the card's folder, where the copy gets the name the
  // emulator looks for (CardImageName), or the copy's own file name.
  TCardCopy(std::string imagePath, std::string destination, TBuildHost& host,
            TCardOptions options = {});
  ~TCardCopy() override;

  // Caption "Checking Image", button "Cancel", gauge 0, the image opened.
  void Start() override;
  void Step() override;

  // The copy's file name, once the image is read through.
  const std::string& CopyPath() const { return Target; }
  // The copy's size: the image's, in whole CD blocks.
  int64_t CopySize() const { return Padded; }

 private:
  enum class TStage { Idle, Check, Write, Settle, Compare };
  void StepCheck();
  // The message that keeps the image off the card.
  TQuestion Damaged() const;
  bool Prepare();
  bool TakeRoom();
  void StepWrite();
  void StepSettle();
  void StepCompare();
  void Finish();
  // The image's bytes from offset, zeros beyond its end; false when it
  // cannot be read (the message was shown).
  bool ReadImage(int64_t offset, std::size_t n);
  // Waits until the next piece written is on the card.
  bool SettlePiece();
  // The copy's next n bytes as the card gives them back, or -1.
  int64_t ReadBackPiece(std::size_t n);
  void WriteFailed(int error);
  // Closes the copy; one not yet under its name goes.
  void Release() override;

  std::string ImagePath, Destination;
  TCardOptions Options;
  TImageReader Reader;
  TStage Stage = TStage::Idle;
  std::string Target;     // the copy's name
  std::string WritePath;  // the file beside it, until it has the name
  bool Replacing = false;
  TFileHandle Out = NoFile;
  int64_t ImageBytes = 0, Padded = 0;
  // Bytes written, known to be on the card, and compared.
  int64_t Written = 0, Settled = 0, Compared = 0;
  std::vector<uint8_t> Piece;
  // The card's bytes read back, in memory aligned as reading back needs.
  std::vector<uint8_t> BackStore;
  uint8_t* Back = nullptr;
  TFileHandle ReadBack = NoFile;  // the copy, read back from the card
};
