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
  // may not grow past that many bytes (SIGXFSZ ignored, so writes fail).
  TOutcome Run(const std::vector<std::string>& args, rlim_t fileLimit = RLIM_INFINITY) {
    const std::string err = Io / "stderr";
    pid_t pid = fork();
    if (pid == 0) {
      if (chdir(Work.Path.c_str()) != 0) _exit(126);
      int in = open("/dev/null", O_RDONLY);
      int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (in < 0 || e < 0) _exit(126);
      dup2(in, 0);
      dup2(in, 1);
      dup2(e, 2);
      if (fileLimit != RLIM_INFINITY) {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{fileLimit, fileLimit};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
      }
      std::vector<char*> argv{const_cast<char*>(QVIMAGE_PATH)};
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(QVIMAGE_PATH, argv.data());
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
  List("\\BIG.BIN\t" + Work.File("big.bin", Random(1536 << 10, 4)) + "\n");
  TOutcome r = Run({"-q", "list.txt", "out/x.trk"}, 512 << 10);
  EXPECT_EQ(r.Code, 1);
  EXPECT_EQ(r.Err, "qvimage: Sorry, I can't write the file out/x.trk: File too large\n");
  EXPECT_TRUE(OutFiles().empty());
}

TEST_F(QvImageFaults, AnOutputFolderThatTakesNoFileLeavesNothing) {
  List("\\A.BIN\t" + Work.File("a.bin", Random(3000, 5)) + "\n");
  {
    TReadOnlyFolder readOnly(Out);
    if (!readOnly.Ok()) GTEST_SKIP() << readOnly.Why();
    TOutcome r = Run({"-q", "list.txt", "out/x.trk"});
    EXPECT_EQ(r.Code, 1);
    EXPECT_EQ(r.Err, "qvimage: Sorry, I can't open the file out/x.trk for writing.\n");
    EXPECT_TRUE(OutFiles().empty());
  }

  // A folder too small for the image is refused before anything is written.
  TMountedFolder small(Out, "size=256k");
  if (!small.Ok()) GTEST_SKIP() << small.Why();
  TOutcome r = Run({"-q", "list.txt", "out/x.trk"});
  EXPECT_EQ(r.Code, 1);
  EXPECT_EQ(r.Err,
            "qvimage: Not enough space on drive out/  Please free space or choose another drive.\n");
  EXPECT_TRUE(OutFiles().empty());
}
