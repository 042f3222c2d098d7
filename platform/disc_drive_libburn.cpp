// The disc drive on Linux, through libburn. libburn writes and blanks on
// threads of its own; this side starts those jobs, polls their state and
// keeps libburn's messages, which it queues rather than prints, so that a
// failure reaches the user in libburn's own words.
//
// libburn calls a drive idle before its writing thread has ended: a failed
// or cancelled write to a stdio: drive still sleeps half a second and then
// marks the job failed, and a new job or a new drive object started in that
// time meets "A drive operation is still going on", or worse, finds its
// state reset by the old thread. So a write counts as over only once the
// thread has said it ended.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <libburn/libburn.h>

#include "platform/disc_drive.h"

using namespace burn;

// libburn counts bytes in off_t and takes tracks over 2 GB only with 64 bits.
static_assert(sizeof(off_t) == 8, "libburn needs a 64-bit off_t");

namespace {
// Severity from which libburn's messages are passed on: its failures and
// the refusals that stop a job, not its notes and debug chatter.
char ShownSeverity[] = "SORRY";
// libburn's message codes meaning that another program, or another drive
// object of this one, holds the drive.
constexpr int BusyCodes[] = {0x00020001, 0x00020008, 0x0002014b};
// libburn's debug message "Write thread on drive N ended", the last thing
// its writing thread does.
constexpr int WriterEndedCode = 0x00020178;
// How long a write idle without that message may go before it counts as
// over all the same: libburn refused it without starting a thread (the
// thread's own last pause is half a second).
constexpr auto WriterEndWait = std::chrono::seconds(3);
// libburn's "A drive operation is still going on": a job's thread of this
// drive object, or of the one before it at the same place, has not quite
// ended. Asked again after a pause, up to a second in all.
constexpr int StillGoingCode = 0x00020102;
constexpr int StartAttempts = 200;
// libburn's speeds are in kB/s: 1x CD is 176.4 of them.
constexpr int CdSpeedTenthsKb = 1764;
// The pause between two looks at what libburn's threads are doing.
constexpr auto IdlePause = std::chrono::milliseconds(5);
// burn_allow_drive_role_4: bit 0 makes "stdio:/dev/fd/N" of a descriptor
// opened read-only a closed disc and of one opened write-only an
// appendable disc (bit 3, when it holds bytes), which blanking empties.
constexpr int StdioRoles = 1 | 8;

// libburn's drive roles (burn_drive_get_drive_role).
constexpr int RoleRandomFile = 2, RoleWriteOnlyFile = 5;
// MMC profile numbers (burn_disc_get_profile).
constexpr int ProfileNone = 0, ProfileCdRom = 0x08, ProfileCdR = 0x09, ProfileCdRw = 0x0a,
              ProfileStdioFile = 0xffff;

struct TMessages {
  std::string Text;
  bool Busy = false, WriterEnded = false, StillGoing = false;
};

// Empties libburn's queue into taken: the messages worth showing joined in
// the order they came, each with the system's reason when it gave one.
void TakeMessages(TMessages& taken) {
  static int shown = 0;
  if (shown == 0) burn_text_to_sev(ShownSeverity, &shown, 0);
  int code = 0, systemError = 0, rank = 0;
  char all[] = "ALL", text[BURN_MSGS_MESSAGE_LEN], severity[80];
  while (burn_msgs_obtain(all, &code, text, &systemError, severity) > 0) {
    taken.WriterEnded = taken.WriterEnded || code == WriterEndedCode;
    taken.StillGoing = taken.StillGoing || code == StillGoingCode;
    for (int busy : BusyCodes) taken.Busy = taken.Busy || code == busy;
    if (burn_text_to_sev(severity, &rank, 0) <= 0 || rank < shown) continue;
    std::string line = text;
    if (systemError != 0) line += std::string(" (") + std::strerror(systemError) + ")";
    if (taken.Text.find(line) == std::string::npos)
      taken.Text += (taken.Text.empty() ? "" : "; ") + line;
  }
}

TMessages TakeMessages() {
  TMessages taken;
  TakeMessages(taken);
  return taken;
}

// Starts libburn once for the whole program, and stops it at the end.
class TLibrary {
 public:
  static bool Start(std::string& message) {
    static TLibrary library;
    if (!library.Running) message = "libburn could not be started";
    return library.Running;
  }

 private:
  TLibrary() : Running(burn_initialize() != 0) {
    if (!Running) return;
    static char prefix[] = "", all[] = "ALL", never[] = "NEVER";
    burn_msgs_set_severities(all, never, prefix);
    burn_allow_drive_role_4(StdioRoles);
  }
  ~TLibrary() {
    if (Running) burn_finish();
  }
  bool Running;
};

TDiscKind KindOf(int profile) {
  switch (profile) {
    case ProfileNone: return TDiscKind::None;
    case ProfileCdRom: return TDiscKind::CdRom;
    case ProfileCdR: return TDiscKind::CdR;
    case ProfileCdRw: return TDiscKind::CdRw;
    case ProfileStdioFile: return TDiscKind::File;
    default: return TDiscKind::Other;
  }
}

TDiscState StateOf(burn_disc_status status) {
  switch (status) {
    case BURN_DISC_EMPTY: return TDiscState::NoDisc;
    case BURN_DISC_BLANK: return TDiscState::Blank;
    case BURN_DISC_APPENDABLE: return TDiscState::Appendable;
    case BURN_DISC_FULL: return TDiscState::Closed;
    default: return TDiscState::Unsuitable;
  }
}

// The disc in a grabbed drive.
TDiscMedium ReadMedium(burn_drive* drive) {
  TDiscMedium medium;
  int profile = ProfileNone;
  char name[80] = "";
  burn_disc_get_profile(drive, &profile, name);
  medium.Kind = KindOf(profile);
  medium.Name = name;
  medium.State = StateOf(burn_disc_get_status(drive));
  int role = burn_drive_get_drive_role(drive);
  int readable = 0;
  // libburn writes over the head of a file and keeps its tail: a file that
  // holds anything counts as a written disc, so that no file is spoiled and
  // a disc is always the image alone.
  if (role == RoleRandomFile && medium.State == TDiscState::Blank &&
      burn_get_read_capacity(drive, &readable, 0) > 0 && readable > 0)
    medium.State = TDiscState::Closed;
  bool used = medium.State == TDiscState::Appendable || medium.State == TDiscState::Closed;
  // libburn blanks a write-only file by emptying it but calls it not erasable.
  medium.Erasable = used && (role == RoleWriteOnlyFile || burn_disc_erasable(drive) != 0);
  if (medium.State == TDiscState::Blank)
    medium.FreeBytes = burn_disc_available_space(drive, nullptr);
  return medium;
}

TDriveInfo InfoOf(const burn_drive_info& drive, const std::string& address) {
  TDriveInfo info;
  info.Address = address;
  info.Vendor = drive.vendor;
  info.Model = drive.product;
  return info;
}

TDriveActivity ActivityOf(burn_drive_status status) {
  switch (status) {
    case BURN_DRIVE_IDLE: return TDriveActivity::Idle;
    case BURN_DRIVE_WRITING:
    case BURN_DRIVE_WRITING_LEADIN:
    case BURN_DRIVE_WRITING_PREGAP:
    case BURN_DRIVE_WRITING_SYNC: return TDriveActivity::Writing;
    case BURN_DRIVE_WRITING_LEADOUT:
    case BURN_DRIVE_CLOSING_TRACK:
    case BURN_DRIVE_CLOSING_SESSION: return TDriveActivity::Closing;
    case BURN_DRIVE_ERASING:
    case BURN_DRIVE_FORMATTING: return TDriveActivity::Blanking;
    default: return TDriveActivity::Starting;
  }
}

// The one-track disc of an image, handed to libburn.
class TTrackDisc {
 public:
  ~TTrackDisc() {
    if (Disc) burn_disc_free(Disc);
    if (Session) burn_session_free(Session);
    if (Track) burn_track_free(Track);
  }
  // Builds the disc of one mode 1 track, padded to a whole block, from the
  // open image file; false with the system's reason when it cannot be read.
  bool Build(TFileHandle image, std::string& message) {
    struct stat st;
    const int fd = static_cast<int>(image);
    int error = ::fstat(fd, &st) != 0 ? errno : S_ISREG(st.st_mode) ? 0 : EINVAL;
    // libburn reads its own handle from the start and closes it when done.
    const int copy = error != 0 ? -1 : ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (error == 0 && (copy < 0 || ::lseek(copy, 0, SEEK_SET) != 0)) error = errno;
    if (error != 0) {
      if (copy >= 0) ::close(copy);
      message = std::string("the image: ") + std::strerror(error);
      return false;
    }
    burn_source* source = burn_fd_source_new(copy, -1, st.st_size);
    if (!source) {
      ::close(copy);
      message = std::string("the image: ") + std::strerror(errno);
      return false;
    }
    Disc = burn_disc_create();
    Session = burn_session_create();
    Track = burn_track_create();
    burn_disc_add_session(Disc, Session, BURN_POS_END);
    burn_track_define_data(Track, 0, 0, 1, BURN_MODE1);
    bool ok = burn_track_set_source(Track, source) == BURN_SOURCE_OK;
    burn_source_free(source);  // the track holds it now
    if (!ok) {
      message = "libburn cannot read the image";
      return false;
    }
    burn_session_add_track(Session, Track, BURN_POS_END);
    Blocks = (static_cast<int64_t>(st.st_size) + DiscBlockSize - 1) / DiscBlockSize;
    return true;
  }
  burn_disc* Disc = nullptr;
  burn_session* Session = nullptr;
  burn_track* Track = nullptr;
  int64_t Blocks = 0;
};

class TWriteOpts {
 public:
  explicit TWriteOpts(burn_drive* drive) : Opts(burn_write_opts_new(drive)) {}
  ~TWriteOpts() {
    if (Opts) burn_write_opts_free(Opts);
  }
  burn_write_opts* Opts;
};

class TLibburnDrive : public TDiscDrive {
 public:
  TLibburnDrive(burn_drive_info* infos, const std::string& address)
      : Infos(infos), Drive(infos[0].drive), Information(InfoOf(infos[0], address)) {
    Information.Medium = ReadMedium(Drive);
  }
  ~TLibburnDrive() override { Close(false); }

  const TDriveInfo& Info() const override { return Information; }
  const std::string& Message() const override { return Text; }

  TDriveResult StartWrite(TFileHandle image, const TWriteOptions& options) override {
    if (JobRunning) return TDriveResult::Busy;
    if (Information.Medium.State != TDiscState::Blank) return TDriveResult::NotBlank;
    auto disc = std::make_unique<TTrackDisc>();
    if (!disc->Build(image, Text)) return TDriveResult::Failed;
    TWriteOpts opts(Drive);
    burn_write_opts_set_multi(opts.Opts, 0);  // close the disc
    burn_write_opts_set_simulate(opts.Opts, options.Simulate ? 1 : 0);
    burn_write_opts_set_underrun_proof(opts.Opts, 1);
    TakeMessages();
    char reasons[BURN_REASONS_LEN] = "";
    if (burn_write_opts_auto_write_type(opts.Opts, disc->Disc, reasons, 0) == BURN_WRITE_NONE) {
      Text = TakeMessages().Text;
      if (Text.empty()) Text = reasons;
      return TDriveResult::Failed;
    }
    // libburn would write until the disc is full and only then fail.
    if (disc->Blocks * DiscBlockSize > burn_disc_available_space(Drive, opts.Opts))
      return TDriveResult::TooLarge;
    burn_drive_set_speed(Drive, 0, (options.Speed * CdSpeedTenthsKb + 9) / 10);
    TDriveResult started = Begin(TDriveActivity::Writing, disc->Blocks,
                                 [&] { burn_disc_write(opts.Opts, disc->Disc); });
    if (started == TDriveResult::Ok) Disc = std::move(disc);  // libburn reads it until the end
    return started;
  }

  TDriveResult StartBlank(bool fast) override {
    if (JobRunning) return TDriveResult::Busy;
    if (!Information.Medium.Erasable) return TDriveResult::NotErasable;
    return Begin(TDriveActivity::Blanking, 0, [&] { burn_disc_erase(Drive, fast ? 1 : 0); });
  }

  TDriveResult Poll(TDriveProgress& progress) override {
    if (JobRunning) {
      burn_progress p{};
      burn_drive_status status = burn_drive_get_status(Drive, &p);
      TakeMessages(Said);
      if (status != BURN_DRIVE_IDLE) {
        // A cancel asked for while libburn's thread was starting is reset
        // when it begins to write: ask again until it is seen.
        if (CancelAsked) burn_drive_cancel(Drive);
        Progress.Activity = ActivityOf(status);
        // libburn counts from 0 again while it closes the disc: keep the
        // count where it got to.
        if (p.sectors > 0)
          Progress = {Progress.Activity, std::max<int64_t>(Progress.Done, p.sector), p.sectors};
        IdleSince.reset();
      } else if (Job == TDriveActivity::Writing && !Said.WriterEnded) {
        if (!IdleSince) IdleSince = std::chrono::steady_clock::now();
        if (std::chrono::steady_clock::now() - *IdleSince >= WriterEndWait) EndJob();
      } else {
        EndJob();
      }
      if (JobRunning) {
        progress = Progress;
        return TDriveResult::Running;
      }
    }
    progress = Progress;
    return JobResult;
  }

  void Cancel() override {
    if (!JobRunning || Job != TDriveActivity::Writing) return;
    CancelAsked = true;
    burn_drive_cancel(Drive);
  }

  TDriveResult ReadBlocks(int64_t first, int64_t count, uint8_t* data) override {
    if (JobRunning) return TDriveResult::Busy;
    if (!Infos || count < 1 || count > MaxReadBlocks || first < 0) {
      Text = "cannot read " + std::to_string(count) + " blocks from block " + std::to_string(first);
      return TDriveResult::Failed;
    }
    TakeMessages();
    off_t got = 0;
    int done = burn_read_data(Drive, static_cast<off_t>(first * DiscBlockSize),
                              reinterpret_cast<char*>(data),
                              static_cast<off_t>(count * DiscBlockSize), &got, 0);
    if (done > 0 && got == count * DiscBlockSize) return TDriveResult::Ok;
    Text = TakeMessages().Text;
    if (Text.empty())
      Text = "the drive read " + std::to_string(got / DiscBlockSize) + " of " +
             std::to_string(count) + " blocks from block " + std::to_string(first);
    return TDriveResult::Failed;
  }

  TDriveResult Close(bool eject) override {
    if (!Infos) return TDriveResult::Ok;
    Cancel();
    TDriveProgress ignored;
    while (Poll(ignored) == TDriveResult::Running) std::this_thread::sleep_for(IdlePause);
    burn_drive_release(Drive, eject ? 1 : 0);
    burn_drive_info_free(Infos);
    Infos = nullptr;
    Information.Medium = TDiscMedium();  // no disc to write or blank any more
    TMessages left = TakeMessages();
    if (left.Text.empty()) return TDriveResult::Ok;
    Text = left.Text;
    return TDriveResult::Failed;
  }

 private:
  // Starts one of libburn's jobs. Any other refusal of libburn's shows as
  // the job's failure when Poll finds it over.
  template <class TStart>
  TDriveResult Begin(TDriveActivity job, int64_t total, TStart start) {
    TakeMessages();
    for (int attempt = 1;; ++attempt) {
      start();
      Said = TakeMessages();
      if (!Said.StillGoing) break;
      if (attempt == StartAttempts) {
        Text = Said.Text;
        return TDriveResult::Busy;
      }
      std::this_thread::sleep_for(IdlePause);
    }
    Job = job;
    JobRunning = true;
    CancelAsked = false;
    IdleSince.reset();
    Progress = {TDriveActivity::Starting, 0, total};
    return TDriveResult::Ok;
  }

  void EndJob() {
    JobRunning = false;
    bool well = burn_drive_wrote_well(Drive) != 0;
    JobResult = well          ? TDriveResult::Ok
                : CancelAsked ? TDriveResult::Cancelled
                              : TDriveResult::Failed;
    if (!well) Text = Said.Text;
    Progress.Activity = TDriveActivity::Idle;
    if (well) Progress.Done = Progress.Total;
    Disc.reset();
    // The disc has changed: libburn learns what it holds now.
    burn_drive_re_assess(Drive, 0);
    Information.Medium = ReadMedium(Drive);
  }

  burn_drive_info* Infos;
  burn_drive* Drive;
  TDriveInfo Information;
  std::string Text;
  std::unique_ptr<TTrackDisc> Disc;
  TDriveActivity Job = TDriveActivity::Idle;
  bool JobRunning = false, CancelAsked = false;
  TDriveResult JobResult = TDriveResult::Ok;
  TDriveProgress Progress;
  TMessages Said;  // during the job
  std::optional<std::chrono::steady_clock::time_point> IdleSince;
};
}  // namespace

TDriveResult OpenDiscDrive(const std::string& address, std::unique_ptr<TDiscDrive>& drive,
                           std::string& message) {
  drive.reset();
  if (!TLibrary::Start(message)) return TDriveResult::Failed;
  if (address.size() >= BURN_DRIVE_ADR_LEN) {
    message = "the address is longer than libburn takes";
    return TDriveResult::NoDrive;
  }
  TakeMessages();
  burn_drive_info* infos = nullptr;
  // libburn takes the address as a char*.
  std::vector<char> cAddress(address.c_str(), address.c_str() + address.size() + 1);
  // Loading closes an open tray, as a person putting a disc in expects.
  int grabbed = burn_drive_scan_and_grab(&infos, cAddress.data(), 1);
  TMessages said = TakeMessages();
  if (grabbed <= 0) {
    if (infos) burn_drive_info_free(infos);  // found but not grabbed: forget it
    message = said.Text;
    return said.Busy      ? TDriveResult::Busy
           : grabbed == 0 ? TDriveResult::NoDrive
                          : TDriveResult::Failed;
  }
  drive = std::make_unique<TLibburnDrive>(infos, address);
  return TDriveResult::Ok;
}

TDriveResult ListDiscDrives(std::vector<TDriveInfo>& drives, std::string& message) {
  drives.clear();
  if (!TLibrary::Start(message)) return TDriveResult::Failed;
  TakeMessages();
  burn_drive_info* infos = nullptr;
  unsigned count = 0;
  int scanned;
  // The scan runs on a thread of libburn's; it is done when this says so.
  while ((scanned = burn_drive_scan(&infos, &count)) == 0) std::this_thread::sleep_for(IdlePause);
  if (scanned < 0) {
    message = TakeMessages().Text;
    return TDriveResult::Failed;
  }
  for (unsigned i = 0; i < count; ++i) {
    char address[BURN_DRIVE_ADR_LEN] = "";
    burn_drive_d_get_adr(infos[i].drive, address);
    TDriveInfo info = InfoOf(infos[i], address);
    // Not loaded: listing leaves an open tray open.
    if (burn_drive_grab(infos[i].drive, 0) == 1) {
      info.Medium = ReadMedium(infos[i].drive);
      burn_drive_release(infos[i].drive, 0);
    }
    drives.push_back(info);
  }
  if (infos) burn_drive_info_free(infos);
  TakeMessages();
  return TDriveResult::Ok;
}
