// Runs qvimage as a user runs it: the real binary in a folder of real
// files, its output caught, its images read back by fsck.fat and mtools.
#pragma once

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "image_check.h"
#include "temp_dir.h"

namespace qvtest {
namespace fs = std::filesystem;

struct TResult {
  int Code = -1;
  std::string Out, Err;
};

// Starts qvimage with args in folder cwd; stdin from the file input (or
// /dev/null), stdout and stderr to the files out and err.
inline pid_t Spawn(const std::vector<std::string>& args, const std::string& cwd,
                   const std::string& input, const std::string& out, const std::string& err) {
  pid_t pid = fork();
  if (pid == 0) {
    if (chdir(cwd.c_str()) != 0) _exit(126);
    int in = open(input.empty() ? "/dev/null" : input.c_str(), O_RDONLY);
    int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || o < 0 || e < 0) _exit(126);
    dup2(in, 0);
    dup2(o, 1);
    dup2(e, 2);
    std::vector<char*> argv{const_cast<char*>(QVIMAGE_PATH)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(QVIMAGE_PATH, argv.data());
    _exit(127);
  }
  return pid;
}

inline int Wait(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class QvImage : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTool("fsck.fat") || !HaveTool("mcopy")) GTEST_SKIP() << "dosfstools or mtools missing";
    Out = Work.Dir("out");
  }

  TResult Run(const std::vector<std::string>& args, const std::string& input = "") {
    std::string in;
    if (!input.empty()) in = Io.File("stdin", input);
    TResult r;
    r.Code = Wait(Spawn(args, Work.Path, in, Io / "stdout", Io / "stderr"));
    r.Out = ReadBytes(Io / "stdout");
    r.Err = ReadBytes(Io / "stderr");
    return r;
  }

  // Writes LIST into the work folder.
  std::string List(const std::string& text) { return Work.File("list.txt", text); }

  std::set<std::string> OutFiles() const {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(Out)) names.insert(e.path().filename().string());
    return names;
  }

  // fsck is clean, and every file mcopy takes out holds the bytes of its
  // source (image path -> real path); nothing else is in the image.
  void ExpectReadable(const std::string& image,
                      const std::vector<std::pair<std::string, std::string>>& files) {
    EXPECT_EQ(FsckProblems(image), "");
    std::string into = Io.Dir("extracted");
    fs::remove_all(into);
    fs::create_directories(into);
    TRun run = ExtractImage(image, into);
    ASSERT_EQ(run.Status, 0) << run.Output;
    std::size_t found = 0;
    for (const auto& e : fs::recursive_directory_iterator(into))
      if (e.is_regular_file()) ++found;
    EXPECT_EQ(found, files.size());
    for (const auto& [inImage, real] : files)
      EXPECT_EQ(ReadBytes(into + "/" + inImage), ReadBytes(real)) << inImage;
  }

  TTempDir Work, Io;
  std::string Out;
};

inline std::string RandomBytes(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(gen());
  return s;
}

}  // namespace qvtest
