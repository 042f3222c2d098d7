// qvimage --burn and --drives: images burnt to libburn's stdio: drives,
// where a regular file stands for the disc, and the burn's steps driven as
// the window drives them.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <fstream>

#include "disc/disc_burn.h"
#include "fault_tools.h"
#include "qvimage_fixture.h"
#include "script_host.h"

using namespace qvtest;

namespace {

class QvImageBurn : public QvImage {
 protected:
  void SetUp() override {
    QvImage::SetUp();
    if (IsSkipped()) return;
    List("\\A.BIN\t" + Work.File("a.bin", RandomBytes(1000000, 31)) + "\n");
    ASSERT_EQ(Run({"-q", "list.txt", "out/a.trk"}).Code, 0);
    // What the disc holds: the image and the zeros of its last block.
    Padded = ReadBytes(Out + "/a.trk") + std::string(512, '\0');
  }
  std::string Padded;
};

TEST_F(QvImageBurn, BurnsTheImagePaddedAndReadBackAndTakesNoSecondOne) {
  TResult r = Run({"--burn", "--drive", "stdio:disc", "out/a.trk"});
  ASSERT_EQ(r.Code, 0) << r.Err;
  EXPECT_EQ(r.Out,
            "Burnt out/a.trk with stdio:disc: 1041 blocks of 2048, read back and compared\n");
  EXPECT_TRUE(ReadBytes(Work / "disc") == Padded);
  r = Run({"-q", "--burn", "--drive", "stdio:disc", "out/a.trk"});
  EXPECT_EQ(r.Code, 5);
  EXPECT_EQ(r.Err, "qvimage: The disc in the CD writer stdio:disc is written and closed. Please "
                   "insert a blank CD-R.\n");
  EXPECT_TRUE(ReadBytes(Work / "disc") == Padded);

  // A CD-RW that holds data (a file open for writing only stands for one)
  // is blanked only with --blank.
  const std::string old = RandomBytes(5000, 32), rw = Work.File("rw", old);
  const int fd = ::open(rw.c_str(), O_WRONLY);  // the child inherits it
  ASSERT_GE(fd, 0);
  const std::string drive = "stdio:/dev/fd/" + std::to_string(fd);
  r = Run({"-q", "--burn", "--drive", drive, "out/a.trk"});
  EXPECT_EQ(r.Code, 5);
  EXPECT_EQ(r.Err, "qvimage: The CD-RW in the CD writer " + drive + " holds data. Do you want to "
                   "blank it? Everything on it will be lost.\nqvimage: not blanked; --blank "
                   "blanks it first\n");
  EXPECT_EQ(ReadBytes(rw), old);
  r = Run({"-q", "--burn", "--blank", "--drive", drive, "out/a.trk"});
  EXPECT_EQ(r.Code, 0) << r.Err;
  EXPECT_TRUE(ReadBytes(rw) == Padded);
  ::close(fd);

  // Cancel while it blanks waits for the blank's end (the drive cannot stop
  // it), then ends without a word of a lost disc: the disc is only blank.
  std::ofstream(rw, std::ios::binary) << old;
  const int again = ::open(rw.c_str(), O_WRONLY);
  ASSERT_GE(again, 0);
  TScriptHost host;
  host.Answers = {TAnswer::Yes};  // blank it
  TBurnOptions options;
  options.Drive = "stdio:/dev/fd/" + std::to_string(again);
  TDiscBurn burn(Out + "/a.trk", host, options);
  bool waited = false;
  host.OnCaption = [&](const std::string& caption) {
    if (caption != Msg::CaptionBlank) return;
    burn.Cancel();
    waited = burn.Running();
  };
  burn.Start();
  while (burn.Running()) burn.Step();
  ::close(again);
  EXPECT_TRUE(waited);
  EXPECT_EQ(burn.Why(), TStop::Cancelled);
  EXPECT_EQ(host.Asked.size(), 1u) << host.Asked.back().Text;
  EXPECT_EQ(ReadBytes(rw), "");
}

// Each failure has its words and its exit status, and none writes a disc.
TEST_F(QvImageBurn, EachFailureIsSaidWithItsExitStatusBeforeWriting) {
  std::string damaged = ReadBytes(Out + "/a.trk");
  damaged[510] = 0;
  Work.File("out/bad.trk", damaged);
  struct TCase {
    std::vector<std::string> Args;
    int Code;
    std::string Err;
  } cases[] = {
      {{"--drive", "stdio:", "out/a.trk"},
       3,
       "There is no disc in the CD writer stdio:. Please insert a blank CD-R."},
      {{"--drive", "/dev/qvimage-no-such-drive", "out/a.trk"},
       3,
       "There is no CD writer at /dev/qvimage-no-such-drive: "},
      {{"--drive", "stdio:disc", "out/bad.trk"},
       1,
       "The image out/bad.trk is damaged, so it is not burnt (the instrument could not read it "
       "from a CD either): the boot sector has no 55 AA signature"},
  };
  for (const TCase& c : cases) {
    std::vector<std::string> args{"--burn"};
    args.insert(args.end(), c.Args.begin(), c.Args.end());
    TResult r = Run(args);
    SCOPED_TRACE(c.Err);
    EXPECT_EQ(r.Code, c.Code);
    EXPECT_EQ(r.Err.rfind("qvimage: " + c.Err, 0), 0u) << r.Err;
  }
  EXPECT_FALSE(fs::exists(Work / "disc"));

  // A write that fails half way says so in libburn's words.
  TResult r;
  {
    TFileSizeLimit limit(512 << 10);
    r = Run({"-q", "--burn", "--drive", "stdio:disc", "out/a.trk"});
  }
  EXPECT_EQ(r.Code, 6);
  EXPECT_EQ(r.Err.rfind("qvimage: Sorry, writing the image to the disc in the CD writer "
                        "stdio:disc failed: ", 0), 0u) << r.Err;
  EXPECT_NE(r.Err.find("File too large"), std::string::npos) << r.Err;

  // Without a CD writer, --drives says so.
  bool burner = false;
  for (const char* device : {"/dev/sr0", "/dev/sr1", "/dev/cdrom"}) burner |= fs::exists(device);
  r = Run({"--drives"});
  EXPECT_EQ(r.Code, burner ? 0 : 3) << r.Err;
  if (!burner) {
    EXPECT_EQ(r.Err, "qvimage: No CD writer was found (a user may need to be in the group cdrom "
                     "to use one).\n");
  }

  // libburn takes the free space of a file's file system for the disc's
  // room: too large an image is refused before a byte is written.
  const std::string small = Work.Dir("small");
  TMountedFolder mount(small, "size=1m");
  if (!mount.Ok()) GTEST_SKIP() << mount.Why();
  r = Run({"--burn", "--drive", "stdio:small/disc", "out/a.trk"});
  EXPECT_EQ(r.Code, 5);
  EXPECT_EQ(r.Err, "qvimage: The disc in the CD writer stdio:small/disc is 1083392 bytes too small "
                   "for the image. Nothing was written: use a larger disc, or copy the image to "
                   "an SD card.\n");
  EXPECT_FALSE(fs::exists(small + "/disc"));
}

// A block that the disc gives back changed is found, and named.
TEST_F(QvImageBurn, ADiscThatReadsBackChangedNamesTheFirstBlockThatDiffers) {
  TScriptHost host;
  const std::string disc = Work / "disc";
  host.OnCaption = [&](const std::string& caption) {
    if (caption != Msg::CaptionVerify) return;
    std::fstream f(disc, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(700 * 2048 + 5);
    f.put(static_cast<char>(Padded[700 * 2048 + 5] ^ 1));
  };
  TBurnOptions options;
  options.Drive = "stdio:" + disc;
  TDiscBurn burn(Out + "/a.trk", host, options);
  burn.Start();
  while (burn.Running()) burn.Step();
  ASSERT_EQ(host.Asked.size(), 1u);
  EXPECT_EQ(host.Asked[0].Text, "The disc in the CD writer stdio:" + disc + " differs from the "
                                "image at block 700 (byte 1433605). Please burn the image again "
                                "onto another disc.");
  EXPECT_FALSE(burn.Verified());
  EXPECT_EQ(host.Ended, static_cast<int>(TBuildEnd::Stopped));
}

}  // namespace
