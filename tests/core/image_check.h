// Independent readers of our images: fsck.fat and mtools.
#pragma once

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#endif
#include <cstdlib>

// Output and exit status of a shell command.
struct TRun {
  int Status = -1;
  std::string Output;
};

#ifdef _WIN32
// Under Wine the same Linux tools run, started as Linux programs through
// the Linux shell. Paths in single quotes are Windows paths there and are
// turned into the Linux paths Wine keeps them at.
inline std::string LinuxPath(const std::string& path) {
  using TUnixName = char*(__cdecl*)(const wchar_t*);
  static const auto unixName = reinterpret_cast<TUnixName>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
  if (!unixName || path.size() < 3 || path[1] != ':') return path;
  std::wstring wide(path.begin(), path.end());
  char* name = unixName(wide.c_str());
  if (!name) return path;
  std::string linux(name);
  HeapFree(GetProcessHeap(), 0, name);
  return linux;
}

inline TRun RunCommand(const std::string& command) {
  TRun run;
  std::string script;
  for (std::size_t i = 0; i < command.size(); ++i) {
    if (command[i] == '\'') {
      const std::size_t close = command.find('\'', i + 1);
      script += "'" + LinuxPath(command.substr(i + 1, close - i - 1)) + "'";
      i = close;
    } else {
      script += command[i];
    }
  }
  // Wine starts a Linux program with the terminal's own output and does not
  // wait for it: the shell writes the output and then, as its last step,
  // the status into files beside, which are waited for here.
  static unsigned counter = 0;
  char folder[MAX_PATH + 1];
  GetTempPathA(sizeof folder, folder);
  const std::string base = std::string(folder) + "qvrun." +
                           std::to_string(GetCurrentProcessId()) + "." + std::to_string(++counter);
  const std::string output = base + ".out", status = base + ".status";
  script = "{ " + script + "\n} >'" + LinuxPath(output) + "' 2>&1; echo $? >'" +
           LinuxPath(base) + ".tmp'; mv '" + LinuxPath(base) + ".tmp' '" + LinuxPath(status) + "'";
  std::string line = "Z:\\bin\\sh -c \"";
  for (char c : script) line += c == '"' ? std::string("\\\"") : std::string(1, c);
  line += "\"";
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                      &pi))
    return run;
  if (pi.hProcess) CloseHandle(pi.hProcess);
  if (pi.hThread) CloseHandle(pi.hThread);
  for (int waited = 0; waited < 300 * 100; ++waited) {  // five minutes at most
    if (GetFileAttributesA(status.c_str()) != INVALID_FILE_ATTRIBUTES) break;
    Sleep(10);
  }
  std::ifstream in(status);
  if (in >> run.Status) {
    std::ifstream out(output, std::ios::binary);
    run.Output.assign(std::istreambuf_iterator<char>(out), {});
  }
  in.close();
  DeleteFileA(output.c_str());
  DeleteFileA(status.c_str());
  return run;
}
#else
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
#endif

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
