#include "disc/disc_burn.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

#include "disc/padded_image.h"
#include "image/damaged_image.h"
#include "image/build_messages.h"
#include "image/ceil_div.h"
#include "image/status_text.h"
#include "platform/file_io.h"

namespace {
using K = TQuestionKind;
using TClock = std::chrono::steady_clock;

// libburn works on its own threads; a step that finds it still busy
// pauses this long before handing back, so that the window's idle loop
// (or qvimage's) does not spin a core while the drive writes.
constexpr auto PollPause = std::chrono::milliseconds(10);
// The write's speed on the status line is measured over about this long.
constexpr auto SpeedInterval = std::chrono::milliseconds(500);

// libburn's words on a failure, or that it gave none.
std::string Words(const std::string& message) {
  return message.empty() ? "libburn gave no reason" : message;
}
}  // namespace

TQuestion NoDrivesQuestion(const std::string& message) {
  return {K::NoDrives, {}, message.empty() ? Msg::NoDrivesReason : message};
}

TDiscBurn::TDiscBurn(std::string imagePath, TBuildHost& host, TBurnOptions options)
    : TSteppedWork(host),
      ImagePath(std::move(imagePath)),
      Options(std::move(options)),
      Reader(ImagePath),
      Want(static_cast<std::size_t>(MaxReadBlocks * DiscBlockSize)),
      Got(Want.size()) {}

TDiscBurn::~TDiscBurn() { LetGo(false); }

void TDiscBurn::Release() { LetGo(true); }

void TDiscBurn::LetGo(bool say) {
  Stage = TStage::Idle;
  if (!Drive) return;
  const bool spoiled = Writing && !Options.Simulate;
  Writing = false;
  // A write still running is cancelled and waited for (half a second on a
  // stdio: drive); a blank runs to its end.
  Drive->Close(false);
  Drive.reset();
  if (spoiled && say) Host.Ask({K::BurnCancelled, Address});
}

void TDiscBurn::Start() {
  Host.SetCaption(Msg::CaptionCheckImage);
  Host.SetButtonText(Msg::ButtonCancel);
  Gauge(0);
  if (!Reader.Open())
    return Fail(DamagedImage(Reader, ImagePath, K::BurnUnreadable, K::BurnImageDamaged));
  Stage = TStage::Check;
}

void TDiscBurn::Step() {
  if (!Running()) return;
  switch (Stage) {
    case TStage::Check: StepCheck(); break;
    case TStage::Open: StepOpen(); break;
    case TStage::Blank: StepBlank(); break;
    case TStage::Write: StepWrite(); break;
    case TStage::Verify: StepVerify(); break;
    case TStage::Close: StepClose(); break;
    case TStage::Idle: break;
  }
}

void TDiscBurn::StepCheck() {
  if (ReadImageStep(Reader)) return;
  if (!Reader.Result().Ok())
    return Fail(DamagedImage(Reader, ImagePath, K::BurnUnreadable, K::BurnImageDamaged));
  TPathInfo info;
  if (!HandleInfo(Reader.Fd(), info))
    return Fail({K::CantReadImage, ImagePath, std::strerror(errno)});
  ImageBytes = info.Size;
  TrackBlocks = CeilDiv(ImageBytes, DiscBlockSize);
  Host.SetCaption(Msg::CaptionOpenDrive);
  Host.SetStatusText(Options.Drive);
  Gauge(0);
  Stage = TStage::Open;
}

// Taking a drive talks to the hardware: some seconds on a real one, which
// this one step waits for.
void TDiscBurn::StepOpen() {
  if (!ChooseDrive()) return;
  Host.SetStatusText(Address);
  std::string message;
  const TDriveResult opened = OpenDiscDrive(Address, Drive, message);
  if (opened != TDriveResult::Ok) {
    const K kind = opened == TDriveResult::NoDrive ? K::DriveMissing
                   : opened == TDriveResult::Busy  ? K::DriveBusy
                                                   : K::DriveFailed;
    return Fail({kind, Address, Words(message)});
  }
  UseDisc();
}

bool TDiscBurn::ChooseDrive() {
  Address = Options.Drive;
  if (!Address.empty()) return true;
  std::vector<TDriveInfo> drives;
  std::string message;
  if (ListDiscDrives(drives, message) != TDriveResult::Ok || drives.empty()) {
    Fail(NoDrivesQuestion(message));
    return false;
  }
  const auto holding = [&](bool (*fits)(const TDiscMedium&)) {
    return std::find_if(drives.begin(), drives.end(),
                        [&](const TDriveInfo& d) { return fits(d.Medium); });
  };
  auto chosen = holding([](const TDiscMedium& m) { return m.State == TDiscState::Blank; });
  if (chosen == drives.end()) chosen = holding([](const TDiscMedium& m) { return m.Erasable; });
  Address = (chosen == drives.end() ? drives.front() : *chosen).Address;
  return true;
}

void TDiscBurn::UseDisc() {
  const TDiscMedium& disc = Drive->Medium();
  if (disc.State == TDiscState::NoDisc) return Fail({K::NoDisc, Address});
  // The instrument's drive reads CDs; a stdio: file stands for one.
  const bool cd = disc.Kind == TDiscKind::CdR || disc.Kind == TDiscKind::CdRw ||
                  disc.Kind == TDiscKind::File;
  if (!cd || disc.State == TDiscState::Unsuitable)
    return Fail({K::DiscUnsuitable, Address, DiscMediumText(disc)});
  if (disc.State != TDiscState::Blank) {
    if (!disc.Erasable)
      return Fail({disc.State == TDiscState::Closed ? K::DiscClosed : K::DiscAppendable, Address});
    // Blanked once and still not blank: asking again would go round for ever.
    if (Blanked) return Fail({K::BlankFailed, Address, "the disc still holds data"});
    if (Host.Ask({K::BlankDisc, Address}) != TAnswer::Yes)
      return End(TBuildEnd::Stopped, TStop::Declined);
    Blanked = true;
    const TDriveResult started = Drive->StartBlank(true);
    if (started != TDriveResult::Ok) return DriveFailed(started, K::BlankFailed);
    Stage = TStage::Blank;
    Host.SetCaption(Msg::CaptionBlank);
    Host.SetStatusText(Address);
    Gauge(0);
    return;
  }
  const int64_t beyond = TrackBlocks * DiscBlockSize - disc.FreeBytes;
  if (beyond > 0) return Fail({K::DiscTooSmall, Address, {}, beyond});
  StartWrite();
}

void TDiscBurn::StartWrite() {
  // The file that was checked, and is read back, is the one burnt.
  const TDriveResult started = Drive->StartWrite(Reader.Fd(), {Options.Speed, Options.Simulate});
  if (started != TDriveResult::Ok) return DriveFailed(started, K::BurnRefused);
  Writing = true;
  Host.SetCaption(Msg::CaptionBurn);
  Host.SetStatusText(Msg::StatusWriting);
  Gauge(0);
  SpeedSince = TClock::now();
  SpeedBlocks = 0;
  Stage = TStage::Write;
}

void TDiscBurn::DriveFailed(TDriveResult result, TQuestionKind failure) {
  switch (result) {
    case TDriveResult::Busy: return Fail({K::DriveBusy, Address, Words(Drive->Message())});
    case TDriveResult::NotBlank: return Fail({K::DiscClosed, Address});
    case TDriveResult::TooLarge:
      // libburn counts the room with the way it would write: a little less.
      return Fail({K::DiscTooSmall, Address, {},
                   std::max<int64_t>(1, TrackBlocks * DiscBlockSize - Drive->Medium().FreeBytes)});
    default: return Fail({failure, Address, Words(Drive->Message())});
  }
}

bool TDiscBurn::MustGoOn() {
  if (Stage != TStage::Blank) return false;
  Host.SetStatusText(Msg::StatusBlankWaits);
  return true;
}

void TDiscBurn::StepBlank() {
  TDriveProgress progress;
  const TDriveResult polled = Drive->Poll(progress);
  if (polled == TDriveResult::Running) {
    Gauge(PercentOf(progress.Done, progress.Total));
    std::this_thread::sleep_for(PollPause);
    return;
  }
  if (polled != TDriveResult::Ok) return DriveFailed(polled, K::BlankFailed);
  // Cancelled while it blanked: the disc is blank, and the burn ends here.
  if (CancelAsked()) return End(TBuildEnd::Stopped, TStop::Cancelled);
  UseDisc();  // blank now, and its room known
}

void TDiscBurn::StepWrite() {
  TDriveProgress progress;
  const TDriveResult polled = Drive->Poll(progress);
  if (polled == TDriveResult::Running) {
    Gauge(PercentOf(progress.Done, progress.Total));
    const auto now = TClock::now();
    if (progress.Activity == TDriveActivity::Closing) {
      Host.SetStatusText(Msg::StatusClosing);
    } else if (progress.Activity == TDriveActivity::Writing && now - SpeedSince >= SpeedInterval) {
      const double seconds = std::chrono::duration<double>(now - SpeedSince).count();
      Host.SetStatusText(
          WritingSpeedText(double(progress.Done - SpeedBlocks) * DiscBlockSize / seconds));
      SpeedSince = now;
      SpeedBlocks = progress.Done;
    }
    std::this_thread::sleep_for(PollPause);
    return;
  }
  Writing = false;
  if (polled != TDriveResult::Ok) return DriveFailed(polled, K::BurnFailed);
  Written = !Options.Simulate;
  Gauge(100);
  if (Options.Simulate || !Options.Verify) {
    Stage = TStage::Close;
    return;
  }
  Host.SetCaption(Msg::CaptionVerify);
  Host.SetStatusText(Msg::StatusVerifying);
  Gauge(0);
  Compared = 0;
  Stage = TStage::Verify;
}

// Reads the disc back in pieces of a few tens of milliseconds each on a
// real drive, and compares them with the image padded with zeros.
void TDiscBurn::StepVerify() {
  const TStepTimer timer;
  do {
    const int64_t count = std::min(MaxReadBlocks, TrackBlocks - Compared);
    const int64_t offset = Compared * DiscBlockSize;
    const auto bytes = static_cast<std::size_t>(count * DiscBlockSize);
    const TDriveResult read = Drive->ReadBlocks(Compared, count, Got.data());
    if (read != TDriveResult::Ok) return DriveFailed(read, K::VerifyUnreadable);
    std::string why;
    if (!ReadPaddedImage(Reader.Fd(), ImageBytes, offset, Want.data(), bytes, why))
      return Fail({K::CantReadImage, ImagePath, why});
    const auto same = std::mismatch(Got.begin(), Got.begin() + static_cast<std::ptrdiff_t>(bytes),
                                    Want.begin()).first - Got.begin();
    if (same < static_cast<std::ptrdiff_t>(bytes))
      return Fail({K::BurnDiffers, Address, {}, offset + same});
    Compared += count;
    Gauge(PercentOf(Compared, TrackBlocks));
  } while (Compared < TrackBlocks && !timer.Spent());
  if (Compared == TrackBlocks) Stage = TStage::Close;
}

void TDiscBurn::StepClose() {
  // The disc is written (and verified): a drive that does not quite let go,
  // or an eject that fails, changes nothing on it.
  Drive->Close(Options.Eject);
  Drive.reset();
  Stage = TStage::Idle;
  Complete();
  Host.SetStatusText(Options.Simulate ? Msg::StatusSimulated
                     : Verified()     ? Msg::StatusBurnt
                                      : Msg::StatusBurntUnverified);
}
