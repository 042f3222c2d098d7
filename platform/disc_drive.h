// The disc drive: what burning an image asks of a CD writer. On Linux these
// calls bind libburn (disc_drive_libburn.cpp); on Windows there are no drives
// yet (disc_drive_none.cpp) and every call says so.
//
// A drive is named by its address: a device such as /dev/sr0, or
// "stdio:PATH", where a regular file stands for the disc. A new or empty
// file is a blank disc, a file that holds anything is a closed one (so no
// file is ever written over), a file opened read-only and given as
// "stdio:/dev/fd/N" is a closed disc, one opened write-only that holds
// bytes an appendable one that blanking empties, and "stdio:" alone is a
// drive with no disc.
//
// Which calls wait, and how long. ListDiscDrives, OpenDiscDrive and Close
// talk to the hardware: up to some seconds on a real drive (it may load,
// spin up or move its tray), well under a millisecond on a stdio: drive.
// Close also waits for a job still running to stop: a cancelled write half
// a second on a stdio: drive, a blank until it is done. ReadBlocks waits
// for the blocks it is asked for, at most MaxReadBlocks of them: tens of
// milliseconds once a real disc spins. The Poll that finds a job over asks
// the drive what the disc holds now (a few commands to a real drive).
// StartWrite and StartBlank wait, up to a second, only while libburn says
// the thread of the job before has not quite ended. Every other call
// returns at once: writing and blanking run on libburn's own threads, and
// Poll tells how far they are. (Measured on a stdio: drive with the machine
// busy: Poll under 0.1 ms, StartWrite up to 14 ms, the time libburn takes
// to start its thread.)
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/file_system.h"

// The disc's unit of reading and writing: a mode 1 data block.
constexpr int64_t DiscBlockSize = 2048;
// Blocks one ReadBlocks call takes at most: 64 KiB, a few tens of
// milliseconds on a CD drive, so that a verify step stays short.
constexpr int64_t MaxReadBlocks = 32;

enum class TDriveResult {
  Ok,
  Running,       // Poll: the job goes on
  NotAvailable,  // this build has no disc drives (Windows)
  NoDrive,       // nothing at that address is a drive
  Busy,          // another program or TDiscDrive holds the drive, or a job runs
  NotBlank,      // writing needs a blank disc
  NotErasable,   // this disc cannot be blanked
  TooLarge,      // the image does not fit on the disc
  Cancelled,     // the job was cancelled
  Failed         // anything else: Message() has libburn's own words
};

// What kind of disc is in a drive.
enum class TDiscKind { None, CdR, CdRw, CdRom, File, Other };
// What the disc holds.
enum class TDiscState { NoDisc, Blank, Appendable, Closed, Unsuitable };

struct TDiscMedium {
  TDiscKind Kind = TDiscKind::None;
  TDiscState State = TDiscState::NoDisc;
  std::string Name;       // the drive's own name of the disc type ("CD-RW")
  bool Erasable = false;  // holds something that blanking can clear
  int64_t FreeBytes = 0;  // what a new track may hold; 0 unless blank
};

struct TDriveInfo {
  std::string Address, Vendor, Model;
  TDiscMedium Medium;
};

// How to write: Speed in multiples of the CD's 150 KiB/s, 0 for the
// fastest the drive and disc allow; Simulate goes through the motions
// with the laser off (a stdio: drive then leaves an empty file).
struct TWriteOptions {
  int Speed = 0;
  bool Simulate = false;
};

enum class TDriveActivity { Idle, Starting, Writing, Closing, Blanking };

// How far the job is: blocks written of the track's when writing, libburn's
// steps when blanking.
struct TDriveProgress {
  TDriveActivity Activity = TDriveActivity::Idle;
  int64_t Done = 0;
  int64_t Total = 0;
};

// A drive held by this program, released when closed or destroyed.
class TDiscDrive {
 public:
  virtual ~TDiscDrive() = default;

  virtual const TDriveInfo& Info() const = 0;
  // The disc as it was found, and again after each job has ended.
  const TDiscMedium& Medium() const { return Info().Medium; }

  // Starts writing the open image file, from its start, as one data track,
  // padded with zeros to a whole block, and closes the disc: the very file
  // that was checked, whatever its name leads to meanwhile (image stays the
  // caller's; the drive reads a copy of the handle). Refuses (NotBlank,
  // TooLarge, Busy while a job runs, Failed when the image cannot be read or
  // libburn finds no way to write) before anything is written.
  virtual TDriveResult StartWrite(TFileHandle image, const TWriteOptions& options) = 0;
  // Starts blanking a rewritable disc: fast clears only what says what the
  // disc holds. Cannot be cancelled once started.
  virtual TDriveResult StartBlank(bool fast) = 0;
  // Running while the job goes on; then Ok, Cancelled or Failed, for every
  // later call too until the next job starts. Ok when no job ever ran.
  virtual TDriveResult Poll(TDriveProgress& progress) = 0;
  // Asks a write to stop; Poll says when it has (Cancelled). A disc whose
  // writing was stopped is spoiled.
  virtual void Cancel() = 0;

  // Reads count blocks (at most MaxReadBlocks) from first on into data.
  virtual TDriveResult ReadBlocks(int64_t first, int64_t count, uint8_t* data) = 0;

  // Releases the drive, ejecting the disc when asked. A job still running
  // is cancelled and waited for first (a blank runs to its end). The drive
  // then holds no disc for this object.
  virtual TDriveResult Close(bool eject) = 0;

  // libburn's own words on the last call or job that failed, with the
  // system's reason where it gave one.
  virtual const std::string& Message() const = 0;
};

// The drives this computer has, each with the disc it holds; none is an
// empty list and Ok. Fails while a drive is open.
TDriveResult ListDiscDrives(std::vector<TDriveInfo>& drives, std::string& message);
// Takes the drive at address for this program alone.
TDriveResult OpenDiscDrive(const std::string& address, std::unique_ptr<TDiscDrive>& drive,
                           std::string& message);
