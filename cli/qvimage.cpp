// qvimage: builds a disk image from a list of files or a folder tree, with
// the same engine as the window program, answering its questions from the
// command line; and checks an image read back before it is burnt.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "entries/folder_list.h"
#include "entries/list_file.h"
#include "cli/terminal_host.h"
#include "entries/dir_entry.h"
#include "image/build_driver.h"
#include "image/image_reader.h"
#include "platform/file_system.h"

namespace {

#ifndef QV_VERSION
#define QV_VERSION "1.4"
#endif

// Exit codes.
constexpr int ExitComplete = 0;  // the image is complete (or --stats printed)
constexpr int ExitStopped = 1;   // the build stopped; nothing under IMAGE
constexpr int ExitUsage = 2;     // bad command line or bad LIST; nothing written

const char Usage[] =
    "Usage: qvimage [options] LIST IMAGE\n"
    "       qvimage [options] --from-dir DIR IMAGE\n"
    "       qvimage --check [-q] IMAGE [LIST]\n"
    "       qvimage --check [-q] --from-dir DIR IMAGE\n"
    "Builds the FAT16 disk image IMAGE (*.trk) from the files named in LIST,\n"
    "or from every file and folder under DIR; --check reads an image back.\n"
    "\n"
    "LIST is a text file (- for standard input) with one entry per line:\n"
    "the image path, a TAB, the real path, for example\n"
    "  SAMPLES\\PIANO.QVF<TAB>/home/me/sounds/piano.qvf\n"
    "Blank lines and lines that begin with # are skipped.\n"
    "\n"
    "Options:\n"
    "  --from-dir       take the entries from the folder DIR: each file and\n"
    "                   folder below it goes in under its path in capitals;\n"
    "                   names that are not 8.3 names are all listed, and\n"
    "                   nothing is written\n"
    "  --check          check IMAGE: boot sector, both FATs, every chain and\n"
    "                   directory; with LIST (or DIR), also that every entry\n"
    "                   is in it with its source's bytes\n"
    "  --skip-missing   leave out files that cannot be reached (default: stop)\n"
    "  --skip-clashes   leave out an entry whose name is already in the image\n"
    "                   (default: stop)\n"
    "  --stats          print the statistics and stop without writing anything\n"
    "  -f, --force      replace IMAGE if it exists (default: refuse)\n"
    "  -q, --quiet      no progress bar and no statistics (with --check: no\n"
    "                   figures, only OK or the problems)\n"
    "  -h, --help       show this help\n"
    "      --version    show the version\n"
    "\n"
    "Exit status: 0 the image is complete (with --check: it is sound), 1 the\n"
    "build stopped and IMAGE is left as it was (with --check: problems were\n"
    "found), 2 a bad command line, a bad line in LIST or bad names in DIR.\n";

volatile std::sig_atomic_t Interrupted = 0;

void OnSignal(int) { Interrupted = 1; }

// Ctrl-C, a closed terminal or a kill stop the build between two steps, so
// that the half-written temporary file is removed.
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
#endif
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
  if (name == "-") {
    ok = ReadEntryList(std::cin, entries, error);
  } else {
    std::string bytes;
    if (!ReadWholeFile(name, bytes)) {
      std::fprintf(stderr, "%s: cannot be read: %s\n", shown.c_str(), std::strerror(errno));
      return false;
    }
    ok = ReadEntryList(bytes, entries, error);
  }
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
  for (const TFolderFault& f : faults)
    std::fprintf(stderr, "  %s as %s: %s\n", f.RealPath.c_str(), f.ImagePath.c_str(),
                 f.Reason.c_str());
}

bool ReadFolder(const std::string& folder, const std::string& image, TEntryList& entries) {
  TPathInfo info;
  if (!PathInfo(folder, info) || info.Kind != TPathKind::Directory) {
    std::fprintf(stderr, "qvimage: %s is not a folder\n", folder.c_str());
    return false;
  }
  std::vector<TFolderFault> faults;
  // An image made into the folder before is not a source of the new one.
  if (!ListFolder(folder, entries, faults, image)) {
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
    std::printf("Cluster size: %d\n", check.ClusterSize);
    std::printf("Number of clusters: %d\n", check.Clusters);
    std::printf("Sectors per FAT: %d\n", check.SectorsPerFat);
    std::printf("Image file size: %lld\n", static_cast<long long>(check.ImageSize));
    std::printf("Directories: %d\n", check.Directories);
    std::printf("Files: %d\n", check.Files);
    std::printf("Used clusters: %d\n", check.UsedClusters);
    if (entries) std::printf("Entries compared: %zu\n", entries->Count());
  }
  if (check.Ok()) {
    std::puts("OK");
    return ExitComplete;
  }
  std::printf("FAILED: %zu problem%s\n", check.Problems.size(),
              check.Problems.size() == 1 ? "" : "s");
  for (const std::string& p : check.Problems) std::printf("  %s\n", p.c_str());
  return ExitStopped;
}

int BuildMode(const TEntryList& entries, TTerminalOptions options, bool force) {
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
  TImageBuild build(entries, host, buildOptions);
  CatchSignals();
  build.Start();
  while (build.EndCode() < 0 && !build.Done()) {
    if (Interrupted) {
      build.Cancel();
      host.ClearProgress();
      host.Say("interrupted; no image written");
      return ExitStopped;
    }
    build.Step();
  }
  host.ClearProgress();
  if (build.Done()) return ExitComplete;
  if (options.StatsOnly && host.StatisticsShown()) return ExitComplete;
  if (build.State().ItemCount == 0)
    host.Say("every entry was skipped; no image written");
  else if (host.MessagesShown() == 0)
    host.Say("no image written");
  return ExitStopped;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args = ProgramArguments(argc, argv);
  TTerminalOptions options;
  bool force = false, check = false, fromDir = false, buildOption = false;
  std::vector<std::string> operands;
  bool optionsEnd = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnd || arg == "-" || arg.empty() || arg[0] != '-') {
      operands.push_back(arg);
    } else if (arg == "--") {
      optionsEnd = true;
    } else if (arg == "--check") {
      check = true;
    } else if (arg == "--from-dir") {
      fromDir = true;
    } else if (arg == "--skip-missing") {
      options.SkipMissing = buildOption = true;
    } else if (arg == "--skip-clashes") {
      options.SkipClashes = buildOption = true;
    } else if (arg == "--stats") {
      options.StatsOnly = buildOption = true;
    } else if (arg == "--force" || arg == "-f") {
      force = buildOption = true;
    } else if (arg == "--quiet" || arg == "-q") {
      options.Quiet = true;
    } else if (arg == "--help" || arg == "-h") {
      std::fputs(Usage, stdout);
      return ExitComplete;
    } else if (arg == "--version") {
      std::puts("qvimage " QV_VERSION);
      return ExitComplete;
    } else {
      return UsageError("unknown option " + arg);
    }
  }

  if (check && buildOption) return UsageError("--check writes nothing and takes no build options");
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
  if (fromDir ? !ReadFolder(operands[0], options.ImagePath, entries) : !ReadList(operands[0], entries))
    return ExitUsage;
  if (check) return CheckMode(options.ImagePath, &entries, options.Quiet);
  return BuildMode(entries, options, force);
}
