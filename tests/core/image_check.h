// Independent readers of our images: fsck.fat and mtools.
#pragma once

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <sys/wait.h>

// Output and exit status of a shell command.
struct TRun {
  int Status = -1;
  std::string Output;
};

inline TRun RunCommand(const std::string& command) {
  TRun run;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  std::size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.Output.append(buffer, n);
  int status = pclose(pipe);
  run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

inline bool HaveTool(const char* tool) {
  return RunCommand(std::string("command -v ") + tool).Status == 0;
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// fsck.fat -n, with the one complaint our layout earns on purpose (the boot
// sector names a label that has no record in the root) taken out. Empty
// when the image is clean; otherwise what fsck said.
inline std::string FsckProblems(const std::string& image) {
  TRun run = RunCommand("fsck.fat -n '" + image + "'");
  std::istringstream lines(run.Output);
  std::string line, problems;
  bool skipNext = false;
  while (std::getline(lines, line)) {
    if (skipNext) {  // the answer lines that follow the label complaint
      if (line.rfind("  ", 0) == 0 || line.rfind("[", 0) == 0 || line.empty()) continue;
      skipNext = false;
    }
    if (line.find("label") != std::string::npos && line.find("boot sector") != std::string::npos) {
      skipNext = true;
      continue;
    }
    if (line.rfind("fsck.fat ", 0) == 0 || line.find("files,") != std::string::npos ||
        line.rfind("Leaving filesystem unchanged", 0) == 0)
      continue;
    problems += line + "\n";
  }
  if (run.Status != 0 && run.Status != 1) problems += "exit " + std::to_string(run.Status);
  return problems;
}

// Extracts the whole image into folder with mcopy.
inline TRun ExtractImage(const std::string& image, const std::string& folder) {
  return RunCommand("MTOOLS_SKIP_CHECK=1 mcopy -s -n -m -i '" + image + "' ::/ '" + folder + "'");
}
