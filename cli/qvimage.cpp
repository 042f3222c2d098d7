// qvimage: builds a disk image from a list of files or a folder tree, with
// the same engine as the window program, answering its questions from the
// command line; checks an image read back before it is burnt; lists an
// image and unpacks it into a folder with the list that builds it again;
// copies an image onto an SD card for a CD emulator, or burns it onto a
// CD-R (not on Windows yet).
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <getopt.h>
#include <iostream>
#include <string>
#include <vector>
#ifndef _WIN32
#include <fcntl.h>
#endif

#include "entries/folder_list.h"
#include "entries/list_file.h"
#include "cli/terminal_host.h"
#include "disc/card_copy.h"
#include "image/cd_medium.h"
#include "disc/disc_burn.h"
#include "entries/dir_entry.h"
#include "image/build_driver.h"
#include "image/build_messages.h"
#include "image/build_state.h"
#include "image/image_reader.h"
#include "image/image_unpack.h"
#include "platform/file_system.h"
#include "qv_version.h"

namespace {

// Exit codes.
constexpr int ExitComplete = 0;  // the image is complete (or --stats printed)
constexpr int ExitStopped = 1;   // the build stopped; nothing under IMAGE
constexpr int ExitUsage = 2;     // bad command line or bad LIST; nothing written
// CD writers reach 52 times the CD's speed; --speed takes no more.
constexpr long MaxCdSpeed = 52;
// Why a burn stopped, beside 1 for a damaged image, Cancel and Ctrl-C.
constexpr int ExitNoDrive = 3;     // no CD writer (at DRIVE), or no disc in it
constexpr int ExitDriveBusy = 4;   // another program holds the CD writer
constexpr int ExitDiscUnfit = 5;   // the disc cannot take the image; nothing written
constexpr int ExitWriteFailed = 6; // writing or blanking failed
constexpr int ExitDiffers = 7;     // the disc differs from the image, or cannot be read back

// libburn, which burns, is there on Linux only.
#ifndef _WIN32
#define QV_BURNING 1
#endif

const char Usage[] =
    "Usage: qvimage [options] LIST IMAGE\n"
    "       qvimage [options] --from-dir DIR IMAGE\n"
    "       qvimage --check [-q] IMAGE [LIST]\n"
    "       qvimage --check [-q] [--short-names] --from-dir DIR IMAGE\n"
    "       qvimage --list IMAGE\n"
    "       qvimage --extract [-f] [-q] IMAGE DIR\n"
    "       qvimage --card [-f] [-q] IMAGE DEST\n"
#ifdef QV_BURNING
    "       qvimage --burn [-q] [--drive DRIVE] [--speed N] [--simulate] [--no-verify]\n"
    "               [--eject] [--blank] IMAGE\n"
    "       qvimage --drives\n"
#endif
    "Builds the FAT16 disk image IMAGE (*.trk) from the files named in LIST,\n"
    "or from every file and folder under DIR; --check reads an image back;\n"
    "--list and --extract read any FAT12 or FAT16 image; --card copies one\n"
    "onto an SD card for a CD emulator"
#ifdef QV_BURNING
    ", --burn burns one onto a CD-R"
#endif
    ".\n"
    "\n"
    "LIST is a text file (- for standard input) with one entry per line:\n"
    "the image path, a TAB, the real path, for example\n"
    "  SAMPLES\\PIANO.QVF<TAB>/home/me/sounds/piano.qvf\n"
    "Blank lines and lines that begin with # are skipped.\n"
    "\n"
    "Options:\n"
    "  --from-dir DIR   take the entries from the folder DIR: each file and\n"
    "                   folder below it goes in under its path in capitals;\n"
    "                   names that are not 8.3 names are all listed, and\n"
    "                   nothing is written\n"
    "  --short-names    with --from-dir: names that are not 8.3 names go in\n"
    "                   under short names made as FAT systems make them\n"
    "                   (Grand Piano.wav as GRANDP~1.WAV)\n"
    "  --check          check IMAGE: boot sector, both FATs, every chain and\n"
    "                   directory; with LIST (or DIR), also that every entry\n"
    "                   is in it with its source's bytes\n"
    "  --list           print every folder and file of IMAGE with its size, in\n"
    "                   the order of its directories\n"
    "  --extract        write every folder and file of IMAGE under DIR (made if\n"
    "                   needed), and DIR.qvl: a LIST that builds the same image\n"
    "                   again; nothing in DIR is replaced without -f\n"
    "  --card           copy IMAGE to DEST, a card's folder (there the copy is\n"
    "                   named CD3.iso, or CD4.iso ... CD6.iso when that is\n"
    "                   taken) or a file name, padded with zeros to whole\n"
    "                   2048-byte blocks, then read back from the card and\n"
    "                   compared; a damaged IMAGE is not copied; DEST is not\n"
    "                   replaced without -f\n"
#ifdef QV_BURNING
    "  --burn           burn IMAGE onto a blank CD-R (or CD-RW) as one data\n"
    "                   track, close the disc, read it back and compare; a\n"
    "                   damaged IMAGE, or one larger than the disc, is not burnt\n"
    "  --drives         list the CD writers: address, vendor, model and disc\n"
    "  --drive DRIVE    burn with the CD writer DRIVE (/dev/sr0, or stdio:FILE\n"
    "                   for a file standing for the disc); default: the first\n"
    "                   one that holds a blank disc\n"
    "  --speed N        write at N times the CD speed (default: the fastest)\n"
    "  --simulate       go through the burn with the laser off; nothing is\n"
    "                   written or verified\n"
    "  --no-verify      do not read the disc back\n"
    "  --eject          eject the disc once it is burnt\n"
    "  --blank          blank a CD-RW that holds data first (default: stop)\n"
#endif
    "  --skip-missing   leave out files that cannot be reached (default: stop)\n"
    "  --skip-clashes   leave out an entry whose name is already in the image\n"
    "                   (default: stop)\n"
    "  --stats          print the statistics and stop without writing anything\n"
    "  --pad            pad IMAGE with zeros to whole 2048-byte blocks, as a CD\n"
    "                   emulator serves it (--card always pads its copy)\n"
    "  -f, --force      replace IMAGE if it exists (default: refuse); with\n"
    "                   --extract, replace files in DIR; with --card, DEST\n"
    "  -q, --quiet      no progress bar and no statistics (with --check: no\n"
    "                   figures, only OK or the problems)\n"
    "  -h, --help       show this help\n"
    "      --version    show the version\n"
    "\n"
    "Exit status: 0 the image is complete (with --check: it is sound), 1 the\n"
    "build stopped and IMAGE is left as it was (with --check: problems were\n"
    "found; with --list, --extract: IMAGE is damaged or could not be read, or\n"
    "the unpacking stopped; with --card: the copy stopped and nothing is left\n"
    "under its name), or the report of --stats, --check, --list or --card\n"
    "could not be written, 2 a bad command line, a bad line in LIST or bad\n"
    "names in DIR"
#ifdef QV_BURNING
    "; with --burn and --drives: 1 IMAGE is damaged or the burn was\n"
    "interrupted, 3 no CD writer was found (at DRIVE) or it holds no disc, 4\n"
    "the CD writer is in use, 5 the disc cannot take the image (written, not\n"
    "a CD, too small, a CD-RW not blanked), 6 writing or blanking failed, 7\n"
    "the disc differs from IMAGE or cannot be read back"
#endif
    ".\n";

volatile std::sig_atomic_t Interrupted = 0;

void OnSignal(int) { Interrupted = 1; }

// Ctrl-C, a closed terminal or a kill stop the build between two steps, so
// that the half-written temporary file is removed. A file-size limit
// (ulimit -f) makes the write fail instead of killing the program.
void CatchSignals() {
#ifdef _WIN32
  // Ctrl-C and Ctrl-Break reach the program as these two.
  for (int s : {SIGINT, SIGBREAK}) std::signal(s, OnSignal);
#else
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &sa, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
  std::signal(SIGXFSZ, SIG_IGN);
#endif
}

// A closed standard stream must not lend its number to the image file, or
// a report would be written into the image: it is held on /dev/null, read
// only, so that writing to it still fails as on a closed stream.
void HoldStandardStreams() {
#ifndef _WIN32  // Windows gives files handles of their own, never 0, 1 or 2
  for (int fd = 0; fd <= 2; ++fd)
    if (fcntl(fd, F_GETFD) < 0 && errno == EBADF && open("/dev/null", O_RDONLY) < 0) return;
#endif
}

// Steps work to its end, a signal stopping it between two steps; false
// when it was interrupted (the progress bar is gone either way).
bool RunToEnd(TSteppedWork& work, TTerminalHost& host) {
  CatchSignals();
  work.Start();
  while (work.Running()) {
    if (Interrupted) {
      // A work that cannot stop yet (a disc being blanked) goes on to
      // where it can.
      work.Cancel();
      while (work.Running()) work.Step();
      host.ClearProgress();
      return false;
    }
    work.Step();
  }
  host.ClearProgress();
  return true;
}

// Whether the report on stdout (--stats, --check, --list) got there; if not (a full
// disk, a closed stdout), says so: a lost report is no success.
bool ReportWritten() {
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return true;
  const int error = errno;
  std::fprintf(stderr, "qvimage: cannot write the report to standard output: %s\n",
               std::strerror(error));
  return false;
}

int UsageError(const std::string& text) {
  std::fprintf(stderr, "qvimage: %s\nTry 'qvimage --help' for more information.\n",
               text.c_str());
  return ExitUsage;
}

bool ReadList(const std::string& name, TEntryList& entries) {
  const std::string shown = name == "-" ? "<stdin>" : name;
  TListError error;
  bool ok;
  // Relative real paths start from the list's folder; for standard input,
  // from the current one.
  if (name == "-")
    ok = ReadEntryList(std::cin, entries, error);
  else
    ok = LoadEntryList(name, entries, error);
  if (!ok) {
    if (error.Line > 0)
      std::fprintf(stderr, "%s:%ld: %s\n", shown.c_str(), error.Line, error.Message.c_str());
    else
      std::fprintf(stderr, "%s: %s\n", shown.c_str(), error.Message.c_str());
    return false;
  }
  if (entries.Count() == 0) {
    std::fprintf(stderr, "%s: holds no entries\n", shown.c_str());
    return false;
  }
  return true;
}

// Lists every name under folder that cannot go into the image, on stderr.
void SayFolderFaults(const std::string& folder, const std::vector<TFolderFault>& faults) {
  std::fprintf(stderr, "qvimage: %zu name%s under %s cannot go into the image as %s; "
               "rename or remove %s and run again:\n",
               faults.size(), faults.size() == 1 ? "" : "s", folder.c_str(),
               faults.size() == 1 ? "it is" : "they are", faults.size() == 1 ? "it" : "them");
  std::size_t shortens = 0;
  for (const TFolderFault& f : faults) {
    std::fprintf(stderr, "  %s as %s: %s\n", f.RealPath.c_str(), f.ImagePath.c_str(),
                 f.Reason.c_str());
    if (f.Shortens) ++shortens;
  }
  if (shortens == 0) return;
  const std::string which = faults.size() == 1   ? "it a short name"
                            : shortens == faults.size() ? "them short names"
                                                        : std::to_string(shortens) +
                                                              " of them short names";
  std::fprintf(stderr, "qvimage: or run with --short-names, which gives %s as a FAT system "
               "would.\n", which.c_str());
}

bool ReadFolder(const std::string& folder, const std::string& image, TLongNames longNames,
                TEntryList& entries) {
  TPathInfo info;
  if (!PathInfo(folder, info) || info.Kind != TPathKind::Directory) {
    std::fprintf(stderr, "qvimage: %s is not a folder\n", folder.c_str());
    return false;
  }
  std::vector<TFolderFault> faults;
  // An image made into the folder before is not a source of the new one.
  if (!ListFolder(folder, entries, faults, image, longNames)) {
    SayFolderFaults(folder, faults);
    return false;
  }
  if (entries.Count() == 0) {
    std::fprintf(stderr, "qvimage: %s holds nothing to put into an image\n", folder.c_str());
    return false;
  }
  return true;
}

// qvimage --check: the figures the reader found, then OK or the problems,
// all on stdout, so the report can be kept with the image.
int CheckMode(const std::string& image, const TEntryList* entries, bool quiet) {
  const TImageCheck check = CheckImage(image, entries);
  if (!quiet && check.ClusterSize > 0) {
    std::printf("%s %d\n", Msg::LabelClusterSize, check.ClusterSize);
    std::printf("%s %d\n", Msg::LabelClusters, check.Clusters);
    std::printf("%s %d\n", Msg::LabelSectorsPerFat, check.SectorsPerFat);
    std::printf("%s %lld\n", Msg::LabelImageSize, static_cast<long long>(check.ImageSize));
    std::printf("Directories: %d\n", check.Directories);
    std::printf("Files: %d\n", check.Files);
    std::printf("Used clusters: %d\n", check.UsedClusters);
    if (entries) std::printf("Entries compared: %zu\n", entries->Count());
  }
  if (check.Ok()) {
    std::puts("OK");
    return ReportWritten() ? ExitComplete : ExitStopped;
  }
  std::printf("FAILED: %zu problem%s\n", check.ProblemCount, check.ProblemCount == 1 ? "" : "s");
  for (const std::string& p : check.Problems) std::printf("  %s\n", p.c_str());
  if (check.ProblemCount > check.Problems.size())
    std::printf("  ... and %zu more\n", check.ProblemCount - check.Problems.size());
  ReportWritten();
  return ExitStopped;
}

// Reads the whole image, or says why it cannot be read; false then.
bool ReadImage(TImageReader& reader, const std::string& image) {
  reader.ReadAll();
  const std::vector<std::string>& problems = reader.Result().Problems;
  if (problems.empty()) return true;
  if (!reader.ForeignFormat().empty())
    std::fprintf(stderr, "qvimage: %s is %s\n", image.c_str(), reader.ForeignFormat().c_str());
  else if (reader.Unreadable())
    std::fprintf(stderr, "qvimage: %s\n", problems[0].c_str());
  else
    std::fprintf(stderr, "qvimage: %s is damaged; --check lists what is wrong:\n  %s\n",
                 image.c_str(), problems[0].c_str());
  return false;
}

// qvimage --list: one line per folder and file, in directory order, with
// the size of each file as a DOS listing gives it.
int ListMode(const std::string& image) {
  TImageReader reader(image);
  if (!ReadImage(reader, image)) return ExitStopped;
  std::string out;
  for (const TImageItem& item : reader.Items()) {
    out += item.Directory ? std::string("     <DIR>") : FormatText("%10u", item.Size);
    out += "  " + item.Path + "\n";
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return ReportWritten() ? ExitComplete : ExitStopped;
}

// Where --extract puts the list: beside DIR as DIR.qvl, or inside DIR when
// DIR has no name of its own ("." or "/").
std::string ListPathFor(std::string folder, const std::string& image) {
  const std::string base = NameOfPath(folder);
  if (!base.empty() && base != "." && base != "..") {
    while (IsPathSeparator(folder.back())) folder.pop_back();  // stops at the name
    return folder + ".qvl";
  }
  std::string name = NameOfPath(image);
  name = name.substr(0, name.rfind('.'));
  return JoinPath(folder, (name.empty() ? "image" : name) + ".qvl");
}

// qvimage --extract: the unpacking engine on the terminal, like a build.
int ExtractMode(const std::string& image, const std::string& folder, TTerminalOptions options,
                bool force) {
  options.Progress = ErrorIsTerminal();
  TTerminalHost host(options);
  TUnpackOptions unpackOptions;
  unpackOptions.Replace = force;
  unpackOptions.ListPath = ListPathFor(folder, image);
  TImageUnpack unpack(image, folder, host, unpackOptions);
  if (!RunToEnd(unpack, host)) {
    host.Say("interrupted; what was unpacked so far stays in " + folder);
    return ExitStopped;
  }
  if (!unpack.Done()) {
    if (unpack.Why() == TStop::Message && unpack.StopKind() == TQuestionKind::UnpackExists)
      host.Say("files that exist are replaced only with --force");
    return ExitStopped;
  }
  if (!options.Quiet) {
    std::size_t files = 0, folders = 0;
    uint64_t bytes = 0;
    for (const TImageItem& item : unpack.Items()) {
      (item.Directory ? folders : files) += 1;
      bytes += item.Size;
    }
    std::printf("Unpacked: %zu files and %zu folders, %llu bytes, into %s\n", files, folders,
                static_cast<unsigned long long>(bytes), folder.c_str());
    std::printf("List: %s (qvimage %s NEW.trk builds the image again)\n",
                unpackOptions.ListPath.c_str(), unpackOptions.ListPath.c_str());
    if (!ReportWritten()) return ExitStopped;
  }
  return ExitComplete;
}

// qvimage --card: the copy onto a card on the terminal, like a build.
int CardMode(const std::string& image, const std::string& destination, TTerminalOptions options,
             bool force) {
  options.Progress = ErrorIsTerminal();
  TTerminalHost host(options);
  TCardOptions cardOptions;
  cardOptions.Replace = force;
  TCardCopy copy(image, destination, host, cardOptions);
  if (!RunToEnd(copy, host)) {
    host.Say("interrupted; no copy written");
    return ExitStopped;
  }
  if (!copy.Done()) {
    if (copy.Why() == TStop::Declined) host.Say("not replaced; use --force to replace it");
    return ExitStopped;
  }
  if (!options.Quiet) {
    std::printf("Copied to %s: %lld bytes, %lld blocks of %lld, read back and compared\n",
                copy.CopyPath().c_str(), static_cast<long long>(copy.CopySize()),
                static_cast<long long>(copy.CopySize() / DiscBlockSize),
                static_cast<long long>(DiscBlockSize));
    if (!ReportWritten()) return ExitStopped;
  }
  return ExitComplete;
}

#ifdef QV_BURNING
// The exit status of a burn that stopped on a message of kind.
int BurnExit(TQuestionKind kind) {
  using K = TQuestionKind;
  switch (kind) {
    case K::NoDrives:
    case K::DriveMissing:
    case K::DriveFailed:
    case K::NoDisc: return ExitNoDrive;
    case K::DriveBusy: return ExitDriveBusy;
    case K::DiscClosed:
    case K::DiscAppendable:
    case K::DiscUnsuitable:
    case K::DiscTooSmall: return ExitDiscUnfit;
    case K::BurnRefused:
    case K::BurnFailed:
    case K::BlankFailed: return ExitWriteFailed;
    case K::VerifyUnreadable:
    case K::BurnDiffers: return ExitDiffers;
    default: return ExitStopped;
  }
}

// qvimage --burn: the burn on the terminal, like a build.
int BurnMode(const std::string& image, const TBurnOptions& burn, TTerminalOptions options) {
  options.Progress = ErrorIsTerminal();
  TTerminalHost host(options);
  TDiscBurn work(image, host, burn);
  if (!RunToEnd(work, host)) {
    // Stopped while writing, the message said that the disc is spoiled.
    host.Say(host.LastAsked() == TQuestionKind::BurnCancelled ? "interrupted"
             : work.Burnt() ? "interrupted; the disc is burnt, but not read back to its end"
                            : "interrupted; nothing was burnt");
    return ExitStopped;
  }
  if (!work.Done()) {
    if (work.Why() == TStop::Declined) {
      host.Say("not blanked; --blank blanks it first");
      return ExitDiscUnfit;
    }
    return BurnExit(work.StopKind());
  }
  if (!options.Quiet) {
    const char* how = burn.Simulate  ? "simulated, nothing written"
                      : burn.Verify ? "read back and compared"
                                    : "not read back";
    std::printf("Burnt %s with %s: %lld blocks of %lld, %s\n", image.c_str(),
                work.DriveAddress().c_str(), static_cast<long long>(work.Blocks()),
                static_cast<long long>(DiscBlockSize), how);
    if (!ReportWritten()) return ExitStopped;
  }
  return ExitComplete;
}

// qvimage --drives: one line a CD writer, or why there is none.
int DrivesMode() {
  std::vector<TDriveInfo> drives;
  std::string message;
  if (ListDiscDrives(drives, message) != TDriveResult::Ok || drives.empty()) {
    std::fprintf(stderr, "qvimage: %s\n", QuestionText(NoDrivesQuestion(message)).c_str());
    return ExitNoDrive;
  }
  for (const TDriveInfo& drive : drives) std::printf("%s\n", DriveText(drive).c_str());
  return ReportWritten() ? ExitComplete : ExitStopped;
}
#endif

int BuildMode(const TEntryList& entries, TTerminalOptions options, bool force, bool pad) {
  options.Progress = ErrorIsTerminal();
  TTerminalHost host(options);
  // Refused before any work is done, as the save dialog would ask first.
  TPathInfo info;
  if (!options.StatsOnly && LinkInfo(options.ImagePath, info)) {
    if (info.Kind == TPathKind::Directory) {
      host.Say(options.ImagePath + " is a directory");
      return ExitStopped;
    }
    if (!force) {
      host.Say(options.ImagePath + " already exists; use --force to replace it");
      return ExitStopped;
    }
  }

  TBuildOptions buildOptions;
  buildOptions.WriteViaTemporary = true;
  buildOptions.ReplaceExisting = force;
  buildOptions.PadToCdBlocks = pad;
  TImageBuild build(entries, host, buildOptions);
  if (!RunToEnd(build, host)) {
    host.Say("interrupted; no image written");
    return ExitStopped;
  }
  if (build.Done()) return ExitComplete;
  if (options.StatsOnly && host.StatisticsShown())
    return ReportWritten() ? ExitComplete : ExitStopped;
  const std::string* stoppedAt =
      build.EndCode() == TBuildEnd::FailedEntry ? entries.ImagePathAt(FailedEntry) : nullptr;
  if (stoppedAt)
    host.Say("stopped at " + *stoppedAt + "; no image written");
  else if (build.Why() == TStop::NothingLeft)
    host.Say("every entry was skipped; no image written");
  else if (host.AskedSoFar() == 0)
    host.Say("no image written");
  return ExitStopped;
}

}  // namespace

int main(int argc, char** argv) {
  HoldStandardStreams();
  // The arguments as UTF-8 on every system (Windows passes them in UTF-16).
  std::vector<std::string> arguments = ProgramArguments(argc, argv);
  std::vector<char*> pointers;
  for (std::string& a : arguments) pointers.push_back(a.data());
  pointers.push_back(nullptr);
  argc = static_cast<int>(arguments.size());
  argv = pointers.data();
  TTerminalOptions options;
  // buildOption: an option only a build takes; -f goes with more.
  bool force = false, check = false, buildOption = false, list = false, extract = false;
  bool card = false, pad = false, burn = false, drives = false;
  // burnOption: an option only --burn takes.
  bool burnOption = false;
  TBurnOptions burnOptions;
  std::string folder;  // --from-dir DIR
  bool fromDir = false;
  TLongNames longNames = TLongNames::Refuse;

  // Long options without a short form carry ids past the character range.
  enum : int {
    OptCheck = 256, OptFromDir, OptSkipMissing, OptSkipClashes, OptStats, OptVersion,
    OptShortNames, OptList, OptExtract, OptCard, OptPad, OptBurn, OptDrives, OptDrive, OptSpeed,
    OptSimulate, OptNoVerify, OptEject, OptBlank
  };
  static const option LongOptions[] = {
      {"check", no_argument, nullptr, OptCheck},
      {"list", no_argument, nullptr, OptList},
      {"extract", no_argument, nullptr, OptExtract},
      {"card", no_argument, nullptr, OptCard},
      {"pad", no_argument, nullptr, OptPad},
#ifdef QV_BURNING
      {"burn", no_argument, nullptr, OptBurn},
      {"drives", no_argument, nullptr, OptDrives},
      {"drive", required_argument, nullptr, OptDrive},
      {"speed", required_argument, nullptr, OptSpeed},
      {"simulate", no_argument, nullptr, OptSimulate},
      {"no-verify", no_argument, nullptr, OptNoVerify},
      {"eject", no_argument, nullptr, OptEject},
      {"blank", no_argument, nullptr, OptBlank},
#endif
      {"from-dir", required_argument, nullptr, OptFromDir},
      {"skip-missing", no_argument, nullptr, OptSkipMissing},
      {"skip-clashes", no_argument, nullptr, OptSkipClashes},
      {"stats", no_argument, nullptr, OptStats},
      {"short-names", no_argument, nullptr, OptShortNames},
      {"force", no_argument, nullptr, 'f'},
      {"quiet", no_argument, nullptr, 'q'},
      {"help", no_argument, nullptr, 'h'},
      {"version", no_argument, nullptr, OptVersion},
      {nullptr, 0, nullptr, 0},
  };
  // getopt_long names the program by argv[0] in its messages; the user
  // knows it as qvimage whatever path started it.
  argv[0] = const_cast<char*>("qvimage");
  for (int opt; (opt = getopt_long(argc, argv, "fqh", LongOptions, nullptr)) != -1;) {
    switch (opt) {
      case OptCheck: check = true; break;
      case OptList: list = true; break;
      case OptExtract: extract = true; break;
      case OptCard: card = true; break;
      case OptPad: pad = buildOption = true; break;
      case OptBurn: burn = true; break;
      case OptDrives: drives = true; break;
      case OptDrive:
        burnOptions.Drive = optarg;
        burnOption = true;
        if (burnOptions.Drive.empty()) return UsageError("--drive needs a CD writer's address");
        break;
      case OptSpeed: {
        char* end = nullptr;
        errno = 0;
        const long speed = std::strtol(optarg, &end, 10);
        if (*optarg < '0' || *optarg > '9' || *end != '\0' || errno != 0 || speed > MaxCdSpeed)
          return UsageError("--speed takes a number from 0 to " + std::to_string(MaxCdSpeed) +
                            ", not '" + optarg + "'");
        burnOptions.Speed = static_cast<int>(speed);
        burnOption = true;
        break;
      }
      case OptSimulate: burnOptions.Simulate = burnOption = true; break;
      case OptNoVerify:
        burnOptions.Verify = false;
        burnOption = true;
        break;
      case OptEject: burnOptions.Eject = burnOption = true; break;
      case OptBlank: options.Blank = burnOption = true; break;
      case OptFromDir:
        fromDir = true;
        folder = optarg;
        break;
      case OptSkipMissing: options.SkipMissing = buildOption = true; break;
      case OptSkipClashes: options.SkipClashes = buildOption = true; break;
      case OptStats: options.StatsOnly = buildOption = true; break;
      case OptShortNames: longNames = TLongNames::Shorten; break;
      case 'f': force = true; break;
      case 'q': options.Quiet = true; break;
      case 'h': std::fputs(Usage, stdout); return ExitComplete;
      case OptVersion: std::puts("qvimage " QV_VERSION); return ExitComplete;
      default:  // getopt_long has said what was wrong
        std::fputs("Try 'qvimage --help' for more information.\n", stderr);
        return ExitUsage;
    }
  }
  std::vector<std::string> operands(argv + optind, argv + argc);
  if (fromDir) operands.insert(operands.begin(), folder);

  if (int(check) + int(list) + int(extract) + int(card) + int(burn) + int(drives) > 1)
    return UsageError("--check, --list, --extract, --card, --burn and --drives go one at a time");
  if (burnOption && !burn) return UsageError("--drive, --speed, --simulate, --no-verify, "
                                             "--eject and --blank go with --burn");
#ifdef QV_BURNING
  if (burn || drives) {
    if (fromDir || longNames == TLongNames::Shorten || buildOption || force)
      return UsageError(std::string(burn ? "--burn" : "--drives") + " takes no build options");
    if (drives) return operands.empty() ? DrivesMode() : UsageError("--drives takes no arguments");
    if (operands.size() != 1)
      return UsageError(operands.empty() ? "IMAGE is needed" : "too many arguments");
    return BurnMode(operands[0], burnOptions, options);
  }
#endif
  if (list || extract || card) {
    const char* mode = list ? "--list" : extract ? "--extract" : "--card";
    if (fromDir || longNames == TLongNames::Shorten)
      return UsageError(std::string("--from-dir builds an image; it does not go with ") + mode);
    if (buildOption || (list && force))
      return UsageError(std::string(mode) +
                        (list ? " takes no build options" : " takes no build options but -f"));
    const std::size_t want = list ? 1 : 2;
    if (operands.size() != want)
      return UsageError(operands.size() > want ? "too many arguments"
                        : list                 ? "IMAGE is needed"
                        : extract              ? "IMAGE and DIR are needed"
                                               : "IMAGE and DEST are needed");
    if (list) return ListMode(operands[0]);
    if (card) return CardMode(operands[0], operands[1], options, force);
    return ExtractMode(operands[0], operands[1], options, force);
  }
  if (check && (buildOption || force))
    return UsageError("--check writes nothing and takes no build options");
  if (longNames == TLongNames::Shorten && !fromDir)
    return UsageError("--short-names names the files of --from-dir DIR; a LIST names its own");
  if (check && !fromDir) {
    // IMAGE [LIST]
    if (operands.empty()) return UsageError("IMAGE is needed");
    if (operands.size() > 2) return UsageError("too many arguments");
    TEntryList entries;
    if (operands.size() == 2 && !ReadList(operands[1], entries)) return ExitUsage;
    return CheckMode(operands[0], operands.size() == 2 ? &entries : nullptr, options.Quiet);
  }

  if (operands.size() > 2) return UsageError("too many arguments");
  if (operands.size() < 2)
    return UsageError(fromDir ? "DIR and IMAGE are needed" : "LIST and IMAGE are needed");
  options.ImagePath = operands[1];
  if (options.ImagePath == "-") return UsageError("IMAGE must be a file, not standard output");

  TEntryList entries;
  if (fromDir ? !ReadFolder(operands[0], options.ImagePath, longNames, entries)
              : !ReadList(operands[0], entries))
    return ExitUsage;
  if (check) return CheckMode(options.ImagePath, &entries, options.Quiet);
  return BuildMode(entries, options, force, pad);
}
