// qvimage: builds a disk image from a list of files, with the same engine
// as the window program, answering its questions from the command line.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "cli/list_file.h"
#include "cli/terminal_host.h"
#include "entries/dir_entry.h"
#include "image/build_driver.h"

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
    "Builds the FAT16 disk image IMAGE (*.trk) from the files named in LIST.\n"
    "\n"
    "LIST is a text file (- for standard input) with one entry per line:\n"
    "the image path, a TAB, the real path, for example\n"
    "  SAMPLES\\PIANO.QVF<TAB>/home/me/sounds/piano.qvf\n"
    "Blank lines and lines that begin with # are skipped.\n"
    "\n"
    "Options:\n"
    "  --skip-missing   leave out files that cannot be reached (default: stop)\n"
    "  --skip-clashes   leave out an entry whose name is already in the image\n"
    "                   (default: stop)\n"
    "  --stats          print the statistics and stop without writing anything\n"
    "  -f, --force      replace IMAGE if it exists (default: refuse)\n"
    "  -q, --quiet      no progress bar and no statistics\n"
    "  -h, --help       show this help\n"
    "      --version    show the version\n"
    "\n"
    "Exit status: 0 the image is complete, 1 the build stopped (IMAGE is\n"
    "left as it was), 2 a bad command line or a bad line in LIST.\n";

volatile std::sig_atomic_t Interrupted = 0;

void OnSignal(int) { Interrupted = 1; }

// Ctrl-C, a closed terminal or a kill stop the build between two steps, so
// that the half-written temporary file is removed.
void CatchSignals() {
  struct sigaction sa {};
  sa.sa_handler = OnSignal;
  sigemptyset(&sa.sa_mask);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &sa, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
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
    std::ifstream in(name, std::ios::binary);
    if (!in) {
      std::fprintf(stderr, "%s: cannot be read: %s\n", shown.c_str(), std::strerror(errno));
      return false;
    }
    ok = ReadEntryList(in, entries, error);
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

}  // namespace

int main(int argc, char** argv) {
  TTerminalOptions options;
  bool force = false;
  std::string operands[2];
  int operandCount = 0;
  bool optionsEnd = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (optionsEnd || arg == "-" || arg.empty() || arg[0] != '-') {
      if (operandCount == 2) return UsageError("too many arguments");
      operands[operandCount++] = arg;
    } else if (arg == "--") {
      optionsEnd = true;
    } else if (arg == "--skip-missing") {
      options.SkipMissing = true;
    } else if (arg == "--skip-clashes") {
      options.SkipClashes = true;
    } else if (arg == "--stats") {
      options.StatsOnly = true;
    } else if (arg == "--force" || arg == "-f") {
      force = true;
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
  if (operandCount < 2) return UsageError("LIST and IMAGE are needed");
  const std::string& listName = operands[0];
  options.ImagePath = operands[1];
  if (options.ImagePath == "-") return UsageError("IMAGE must be a file, not standard output");

  TEntryList entries;
  if (!ReadList(listName, entries)) return ExitUsage;

  options.Progress = isatty(STDERR_FILENO) == 1;
  TTerminalHost host(options);
  // Refused before any work is done, as the save dialog would ask first.
  struct stat st;
  if (!options.StatsOnly && lstat(options.ImagePath.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) {
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
