#include "disc/card_copy.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "disc/padded_image.h"
#include "image/build_messages.h"
#include "image/cd_medium.h"
#include "image/ceil_div.h"
#include "image/damaged_image.h"
#include "image/status_text.h"
#include "platform/file_io.h"

namespace {
// Bytes written, or compared, at a time: a card takes a piece in a few
// hundredths of a second, so a step that waits for one still ends soon.
constexpr std::size_t PieceSize = 256 << 10;
// Bytes that may be on their way to the card at once. The writes wait for
// the card beyond it, so the gauge shows what the card has, memory does not
// fill with the copy, and the last flush is short.
constexpr int64_t InFlight = 4 << 20;
}  // namespace

TCardCopy::TCardCopy(std::string imagePath, std::string destination, TBuildHost& host,
                     TCardOptions options)
    : TSteppedWork(host),
      ImagePath(std::move(imagePath)),
      Destination(std::move(destination)),
      Options(options),
      Reader(ImagePath),
      Piece(PieceSize),
      BackStore(PieceSize + ReadBackAlign) {
  const auto at = reinterpret_cast<std::uintptr_t>(BackStore.data());
  Back = BackStore.data() + (ReadBackAlign - at % ReadBackAlign) % ReadBackAlign;
}

TCardCopy::~TCardCopy() { Release(); }

void TCardCopy::Release() {
  Stage = TStage::Idle;
  if (ReadBack != NoFile) CloseFile(ReadBack);
  ReadBack = NoFile;
  if (Out != NoFile) CloseFile(Out);
  Out = NoFile;
  if (!WritePath.empty()) RemoveFile(WritePath);
  WritePath.clear();
}

void TCardCopy::Start() {
  Host.SetCaption(Msg::CaptionCheckImage);
  Host.SetButtonText(Msg::ButtonCancel);
  Gauge(0);
  if (!Reader.Open()) return Fail(Damaged());
  Stage = TStage::Check;
}

void TCardCopy::Step() {
  if (!Running()) return;
  switch (Stage) {
    case TStage::Check: StepCheck(); break;
    case TStage::Write: StepWrite(); break;
    case TStage::Settle: StepSettle(); break;
    case TStage::Compare: StepCompare(); break;
    case TStage::Idle: break;
  }
}

void TCardCopy::StepCheck() {
  if (ReadImageStep(Reader)) return;
  if (!Reader.Result().Ok()) return Fail(Damaged());
  if (!Prepare()) return;
  Host.SetCaption(Msg::CaptionCopy);
  Host.SetStatusText(Target);
  Gauge(0);
  Stage = TStage::Write;
}

TQuestion TCardCopy::Damaged() const {
  return DamagedImage(Reader, ImagePath, TQuestionKind::CardUnreadable,
                      TQuestionKind::CardImageDamaged);
}

// The copy's name, leave to replace a file there, and the file beside it
// with the copy's whole room.
bool TCardCopy::Prepare() {
  TPathInfo info;
  Target = Destination;
  if (PathInfo(Destination, info) && info.Kind == TPathKind::Directory) {
    Target = CardImageName(Destination);
    if (Target.empty()) {
      Fail({TQuestionKind::CardNamesTaken, Destination});
      return false;
    }
  }
  Replacing = false;
  if (PathInfo(Target, info)) {
    // A device or a pipe under the name is no copy to replace.
    if (info.Kind != TPathKind::File) {
      Fail({TQuestionKind::CantOpen, Target, "it is not a regular file"});
      return false;
    }
    if (!Options.Replace && Host.Ask({TQuestionKind::CardExists, Target}) != TAnswer::Yes) {
      End(TBuildEnd::Stopped, TStop::Declined);
      return false;
    }
    Replacing = true;
  }
  if (!HandleInfo(Reader.Fd(), info)) {
    Fail({TQuestionKind::CantReadImage, ImagePath, std::strerror(errno)});
    return false;
  }
  ImageBytes = info.Size;
  Padded = PaddedToCdBlocks(ImageBytes);
  WritePath = CreateFileBeside(Target);
  if (!WritePath.empty()) Out = OpenForWriting(WritePath);
  if (Out == NoFile) {
    Fail({TQuestionKind::CantOpen, Target, std::strerror(errno)});
    return false;
  }
  return TakeRoom();
}

// The whole room first: a card that is too full says so before a byte is
// written, and the copy lies in one piece there, as emulators want it.
bool TCardCopy::TakeRoom() {
  const std::string folder = FolderHolding(Target);
  bool full = false;
  if (!TakeFileSpace(Out, Padded)) {
    if (errno == ENOSPC) {
      full = true;
    } else if (errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL) {
      // Where room cannot be taken ahead, the free space tells.
      uint64_t units = 0, unitSize = 0;
      full = Host.QueryFreeSpace(folder, units, unitSize) && unitSize > 0 &&
             units < CeilDiv(static_cast<uint64_t>(Padded), unitSize);
    } else {
      WriteFailed(errno);
      return false;
    }
  }
  if (full) Fail({TQuestionKind::CardNoSpace, DriveOfFolder(folder), {}, Padded});
  return !full;
}

void TCardCopy::WriteFailed(int error) {
  Fail({TQuestionKind::CantWrite, Target, std::strerror(error)});
}

bool TCardCopy::ReadImage(int64_t offset, std::size_t n) {
  std::string why;
  if (ReadPaddedImage(Reader.Fd(), ImageBytes, offset, Piece.data(), n, why)) return true;
  Fail({TQuestionKind::CantReadImage, ImagePath, why});
  return false;
}

bool TCardCopy::SettlePiece() {
  const int64_t n = std::min<int64_t>(PieceSize, Written - Settled);
  if (!WriteOutRange(Out, Settled, n, true)) {
    WriteFailed(errno);
    return false;
  }
  Settled += n;
  return true;
}

void TCardCopy::StepWrite() {
  const TStepTimer timer;
  do {
    const auto n = static_cast<std::size_t>(std::min<int64_t>(PieceSize, Padded - Written));
    if (!ReadImage(Written, n)) return;
    if (!WriteFully(Out, Piece.data(), n, Written) || !WriteOutRange(Out, Written, n, false))
      return WriteFailed(errno);
    Written += static_cast<int64_t>(n);
    while (Written - Settled > InFlight)
      if (!SettlePiece()) return;
    Gauge(PercentOf(Settled, Padded));
  } while (Written < Padded && !timer.Spent());
  if (Written == Padded) Stage = TStage::Settle;
}

void TCardCopy::StepSettle() {
  const TStepTimer timer;
  while (Settled < Written) {
    if (!SettlePiece()) return;
    Gauge(PercentOf(Settled, Padded));
    if (timer.Spent()) return;
  }
  // What the card holds now is read back from the card itself, not from
  // the copy in memory: only so does the comparison prove the card.
  if (!SyncFile(Out)) return WriteFailed(errno);
  ReadBack = OpenForReadingBack(WritePath);
  if (ReadBack == NoFile) return Fail({TQuestionKind::CantReadImage, Target, std::strerror(errno)});
  Host.SetCaption(Msg::CaptionCompare);
  Gauge(0);
  Stage = TStage::Compare;
}

// Reads the copy's next n bytes from the card, in whole aligned blocks (its
// end may fall inside the last one): the bytes read, or -1 with errno.
int64_t TCardCopy::ReadBackPiece(std::size_t n) {
  const int64_t whole = int64_t((n + ReadBackAlign - 1) / ReadBackAlign * ReadBackAlign);
  int64_t got = 0;
  while (got < int64_t(n)) {
    const int64_t r = ReadFileAt(ReadBack, Back + got, std::size_t(whole - got), Compared + got);
    if (r < 0) return -1;
    got += r;
    if (r == 0 || got % int64_t(ReadBackAlign) != 0) break;  // the file's end
  }
  return std::min<int64_t>(got, int64_t(n));
}

void TCardCopy::StepCompare() {
  const TStepTimer timer;
  do {
    const auto n = static_cast<std::size_t>(std::min<int64_t>(PieceSize, Padded - Compared));
    if (!ReadImage(Compared, n)) return;
    const int64_t got = ReadBackPiece(n);
    if (got < 0)
      return Fail({TQuestionKind::CantReadImage, Target, std::strerror(errno)});
    const auto same = static_cast<std::size_t>(
        std::mismatch(Back, Back + got, Piece.begin()).first - Back);
    if (same < n) return Fail({TQuestionKind::CardDiffers, Target, {}, Compared + int64_t(same)});
    Compared += static_cast<int64_t>(n);
    Gauge(PercentOf(Compared, Padded));
  } while (Compared < Padded && !timer.Spent());
  if (Compared == Padded) Finish();
}

void TCardCopy::Finish() {
  CloseFile(ReadBack);
  ReadBack = NoFile;
  const bool closed = CloseFile(Out);
  Out = NoFile;
  if (!closed) return WriteFailed(errno);
  const bool renamed =
      Replacing ? RenameFile(WritePath, Target) : RenameWithoutReplacing(WritePath, Target);
  if (!renamed) {
    if (errno == EEXIST) return Fail({TQuestionKind::CardAppeared, Target});
    return WriteFailed(errno);
  }
  WritePath.clear();
  // The new name reaches the card too, before the card may be taken out.
  if (!SyncFolder(FolderHolding(Target))) return WriteFailed(errno);
  Stage = TStage::Idle;
  Complete();
}
