// qvimage against real trouble: read-only sources it must not change, an
// image named over one of its sources, a disk that fills during the data,
// an output folder that takes no file, and one with too little room. Every
// stop exits with 1, says why on standard error and leaves nothing under
// IMAGE.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "fault_tools.h"
#include "image_check.h"
#include "source_snapshot.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

struct TOutcome {
  int Code = -1;
  std::string Err;
};

std::string Random(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(gen());
  return s;
}

class QvImageFaults : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTool("fsck.fat") || !HaveTool("mcopy")) GTEST_SKIP() << "dosfstools or mtools missing";
    Out = Work.Dir("out");
  }

  // Runs qvimage in the work folder; with fileLimit, the files it writes
  // may not grow past that many bytes, as under ulimit -f (SIGXFSZ as the
  // shell leaves it: it kills the program unless the program copes).
  // Standard output goes to the file output, or is closed when it is empty.
  // With tracer, the command line runs under it (strace and its options).
  TOutcome Run(const std::vector<std::string>& args, rlim_t fileLimit = RLIM_INFINITY,
               const std::string& output = "/dev/null",
               const std::vector<std::string>& tracer = {}) {
    const std::string err = Io / "stderr";
    pid_t pid = fork();
    if (pid == 0) {
      if (chdir(Work.Path.c_str()) != 0) _exit(126);
      int in = open("/dev/null", O_RDONLY);
      int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      int o = output.empty() ? -1 : open(output.c_str(), O_WRONLY);
      if (in < 0 || e < 0 || (o < 0 && !output.empty())) _exit(126);
      dup2(in, 0);
      if (o >= 0) dup2(o, 1);
      else close(1);
      dup2(e, 2);
      signal(SIGXFSZ, SIG_DFL);
      if (fileLimit != RLIM_INFINITY) {
        rlimit limit{fileLimit, fileLimit};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
      }
      if (!tracer.empty()) {
        // The leak check of a sanitizer build cannot run under a tracer.
        const char* asan = getenv("ASAN_OPTIONS");
        setenv("ASAN_OPTIONS", (std::string(asan ? asan : "") + ":detect_leaks=0").c_str(), 1);
      }
      std::vector<std::string> line = tracer;
      line.push_back(QVIMAGE_PATH);
      line.insert(line.end(), args.begin(), args.end());
      std::vector<char*> argv;
      for (const std::string& a : line) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execvp(argv[0], argv.data());
      _exit(127);
    }
    TOutcome r;
    int status = 0;
    if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) r.Code = WEXITSTATUS(status);
    r.Err = ReadBytes(err);
    return r;
  }

  std::set<std::string> OutFiles() const {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(Out)) names.insert(e.path().filename().string());
    return names;
  }

  std::string List(const std::string& text) { return Work.File("list.txt", text); }

  TTempDir Work, Io;
  std::string Out;
};

}  // namespace

TEST_F(QvImageFaults, ReadOnlySourcesComeOutUnchanged) {
  std::string a = Work.File("src/a.wav", Random(300 << 10, 1));
  std::string b = Work.File("src/deep/b.qvf", Random(513, 2));
  std::string e = Work.File("src/empty");
  Work.Dir("src/folder");
  List("\\A.WAV\tsrc/a.wav\n\\DEEP\\B.QVF\t" + b + "\n\\EMPTY\t" + e + "\n\\FOLDER\tsrc/folder\n");
  TReadOnlyTree readOnly(Work / "src");
  const TSourceSnapshot before = TakeSnapshot(Work / "src");
  TOutcome r = Run({"-q", "list.txt", "out/x.trk"});
  ASSERT_EQ(r.Code, 0) << r.Err;
  EXPECT_EQ(r.Err, "");
  EXPECT_EQ(FsckProblems(Out + "/x.trk"), "");
  EXPECT_EQ(DescribeChanges(before, TakeSnapshot(Work / "src")), "");
}

TEST_F(QvImageFaults, AnImageOverOneOfItsSourcesIsRefusedEvenWithForce) {
  std::string a = Work.File("src/a.bin", Random(3000, 3));
  List("\\A.BIN\t" + a + "\n");
  const TSourceSnapshot before = TakeSnapshot(Work / "src");
  TOutcome r = Run({"-q", "--force", "list.txt", "src/a.bin"});
  EXPECT_EQ(r.Code, 1);
  EXPECT_EQ(r.Err,
            "qvimage: The file src/a.bin is one of the image's sources. "
            "Please choose another name.\n");
  EXPECT_EQ(DescribeChanges(before, TakeSnapshot(Work / "src")), "");
}

TEST_F(QvImageFaults, ADiskThatFillsDuringTheDataLeavesNoImage) {
  // Under ulimit -f the system sends SIGXFSZ; the write fails instead.
  List("\\BIG.BIN\t" + Work.File("big.bin", Random(1536 << 10, 4)) + "\n");
  TOutcome r = Run({"-q", "list.txt", "out/x.trk"}, 512 << 10);
  EXPECT_EQ(r.Code, 1);
  EXPECT_EQ(r.Err, "qvimage: Sorry, I can't write the file out/x.trk: File too large\n");
  EXPECT_TRUE(OutFiles().empty());
}

TEST_F(QvImageFaults, NamesUpToTheSystemsLimitWorkAndOnlyAReplacedImageIsFlushed) {
  const std::string a = Work.File("a.bin", Random(3000, 6));
  List("\\A.BIN\t" + a + "\n");
  // 255 bytes: the longest name, although the temporary one adds to it.
  const std::string name = std::string(251, 'n') + ".trk";
  TOutcome longest = Run({"-q", "list.txt", "out/" + name});
  EXPECT_EQ(longest.Code, 0) << longest.Err;
  EXPECT_EQ(OutFiles(), std::set<std::string>{name});
  EXPECT_EQ(FsckProblems(Out + "/" + name), "");

  // A first image goes out without a flush; one that replaces an image
  // reaches the disk before the rename, or a power cut could leave neither.
  if (!HaveTool("strace")) GTEST_SKIP() << "strace missing";
  const std::string trace = Io / "trace";
  const std::vector<std::string> strace{
      "strace", "-f", "-qq", "-e", "trace=fsync,fdatasync,rename,renameat2,link", "-o", trace};
  TOutcome first = Run({"-q", "list.txt", "out/first.trk"}, RLIM_INFINITY, "/dev/null", strace);
  ASSERT_EQ(first.Code, 0) << first.Err;
  EXPECT_EQ(ReadBytes(trace).find("fsync"), std::string::npos) << ReadBytes(trace);
  TOutcome again = Run({"-q", "-f", "list.txt", "out/first.trk"}, RLIM_INFINITY, "/dev/null", strace);
  ASSERT_EQ(again.Code, 0) << again.Err;
  const std::string calls = ReadBytes(trace);
  EXPECT_LT(calls.find("fsync("), calls.find("rename")) << calls;
  EXPECT_EQ(ReadBytes(Out + "/first.trk"), ReadBytes(Out + "/" + name));
}

TEST_F(QvImageFaults, AReportThatCannotBeWrittenIsNoSuccess) {
  List("\\A.BIN\t" + Work.File("a.bin", Random(3000, 7)) + "\n");
  TOutcome full = Run({"--stats", "list.txt", "out/x.trk"}, RLIM_INFINITY, "/dev/full");
  EXPECT_EQ(full.Code, 1);
  EXPECT_EQ(full.Err, "qvimage: cannot write the report to standard output: "
                      "No space left on device\n");
  ASSERT_EQ(Run({"-q", "list.txt", "out/x.trk"}).Code, 0);
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--check", "out/x.trk"}, {"--check", "-q", "out/x.trk", "list.txt"}}) {
    TOutcome closed = Run(args, RLIM_INFINITY, "");
    EXPECT_EQ(closed.Code, 1);
    EXPECT_EQ(closed.Err, "qvimage: cannot write the report to standard output: "
                          "Bad file descriptor\n");
    EXPECT_EQ(Run(args, RLIM_INFINITY, "/dev/full").Code, 1);
  }
  // A closed standard output lends its number to no file of the build.
  TOutcome quiet = Run({"list.txt", "out/y.trk"}, RLIM_INFINITY, "");
  EXPECT_EQ(quiet.Code, 0) << quiet.Err;
  EXPECT_EQ(ReadBytes(Out + "/y.trk"), ReadBytes(Out + "/x.trk"));
}

TEST_F(QvImageFaults, AnOutputFolderThatTakesNoFileLeavesNothing) {
  List("\\A.BIN\t" + Work.File("a.bin", Random(3000, 5)) + "\n");
  {
    TReadOnlyFolder readOnly(Out);
    if (!readOnly.Ok()) GTEST_SKIP() << readOnly.Why();
    TOutcome r = Run({"-q", "list.txt", "out/x.trk"});
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(r.Err, "qvimage: Sorry, I can't open the file out/x.trk for writing: " +
                         readOnly.Refusal() + ".\n");
    EXPECT_TRUE(OutFiles().empty());
  }

  // A folder too small for the image is refused before anything is written.
  TMountedFolder small(Out, "size=256k");
  if (!small.Ok()) GTEST_SKIP() << small.Why();
  TOutcome r = Run({"-q", "list.txt", "out/x.trk"});
  EXPECT_EQ(r.Code, 1);
  EXPECT_EQ(r.Err,
            "qvimage: Not enough space on drive out/  The image needs 2.0 MiB, and 256.0 KiB are free. "
            "Please free space or choose another drive.\n");
  EXPECT_TRUE(OutFiles().empty());
}
