// qvimage run as a user runs it: a real binary on real files, its images
// read back by fsck.fat and mtools.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>

#include "qv_version.h"
#include "qvimage_fixture.h"

namespace fs = std::filesystem;
using namespace qvtest;

namespace {

TEST_F(QvImage, BuildsAnImageThatFsckAndMtoolsRead) {
  std::string a = Work.File("src/song one.wav", RandomBytes(100000, 1));
  std::string b = Work.File("src/Deep/b.qvf", RandomBytes(4096 * 3 + 7, 2));
  std::string c = Work.File("src/c.txt", "hello\n");
  std::string empty = Work.File("src/empty");
  std::string dir = Work.Dir("src/folder");
  std::string list =
      List("# the show\r\n"
           "\r\n"
           "SONG.WAV\t" + a + "\r\n"
           "\\SAMPLES\\DEEP\\B.QVF\t" + b + "\n"
           "\\SAMPLES\\C.TXT\tsrc/c.txt\n"  // relative to where qvimage runs
           "\\EMPTY\t" + empty + "\n"
           "\\NOTHING\t" + dir + "\n");
  TResult r = Run({"-q", list, "out/show.trk"});
  ASSERT_EQ(r.Code, 0) << r.Err;
  EXPECT_EQ(r.Out, "");  // --quiet
  EXPECT_EQ(r.Err, "");
  EXPECT_EQ(OutFiles(), std::set<std::string>{"show.trk"});  // no temporary left
  ExpectReadable(Out + "/show.trk", {{"SONG.WAV", a},
                                     {"SAMPLES/DEEP/B.QVF", b},
                                     {"SAMPLES/C.TXT", c},
                                     {"EMPTY", empty}});
  EXPECT_TRUE(fs::is_directory(Io / "extracted/NOTHING"));

  // The same list through standard input gives the same image, byte for byte.
  TResult again = Run({"-q", "-", "out/again.trk"}, ReadBytes(list));
  ASSERT_EQ(again.Code, 0) << again.Err;
  EXPECT_EQ(ReadBytes(Out + "/again.trk"), ReadBytes(Out + "/show.trk"));
}

// A list in another folder finds its relative sources beside it; image
// paths in small letters go in as capitals, and a real path is the file
// named exactly so, a blank at its end included.
TEST_F(QvImage, AListTakesItsRelativePathsFromItsOwnFolder) {
  std::string a = Work.File("show/a.bin", RandomBytes(700, 11));
  std::string blank = Work.File("show/song.wav ", RandomBytes(900, 12));
  Work.File("show/song.wav", RandomBytes(800, 13));
  Work.File("show/show.qvl", "\\sub\\a.bin\ta.bin\n\\SONG.WAV\tsong.wav \n");
  TResult r = Run({"-q", "show/show.qvl", "out/show.trk"});
  ASSERT_EQ(r.Code, 0) << r.Err;
  ExpectReadable(Out + "/show.trk", {{"SUB/A.BIN", a}, {"SONG.WAV", blank}});
}

TEST_F(QvImage, PrintsTheStatisticsAndWithStatsWritesNothing) {
  std::string list = List("\\A.BIN\t" + Work.File("a.bin", RandomBytes(1000000, 3)) + "\n");
  const std::string stats =
      "Directories & files: 1\n"
      "Cluster size: 512\n"
      "Number of clusters: 4096\n"
      "Sectors per FAT: 17\n"
      "Image file size: 2131456\n"
      "Fits an 80-minute CD-R (and a 74-minute one).\n";
  TResult only = Run({"--stats", list, "out/a.trk"});
  EXPECT_EQ(only.Code, 0) << only.Err;
  EXPECT_EQ(only.Out, stats);
  EXPECT_TRUE(OutFiles().empty());

  TResult built = Run({list, "out/a.trk"});
  EXPECT_EQ(built.Code, 0) << built.Err;
  EXPECT_EQ(built.Out, stats);
  EXPECT_EQ(fs::file_size(Out + "/a.trk"), 2131456u);
}

// Images too large to write here, measured from sparse files: the line
// under the figures says which CD-R they fit, or by how much they are too
// large for one.
TEST_F(QvImage, TheStatisticsSayWhichCdRTheImageFits) {
  const std::pair<int64_t, std::string> cases[] = {
      {700000000,
       "Image file size: 700203008\n"
       "Fits an 80-minute CD-R, not a 74-minute one (18219008 bytes too large).\n"},
      // The largest volume of 32768-byte clusters.
      {int64_t(65518) * 32768,
       "Cluster size: 32768\n"
       "Number of clusters: 65518\n"
       "Sectors per FAT: 256\n"
       "Image file size: 2147188736\n"
       "Too large for an 80-minute CD-R by 1409908736 bytes: for an SD-card emulator only.\n"},
  };
  for (const auto& [size, tail] : cases) {
    ASSERT_EQ(truncate(Work.File("big").c_str(), size), 0);
    TResult r = Run({"--stats", List("\\BIG\t" + Work / "big" + "\n"), "out/big.trk"});
    EXPECT_EQ(r.Code, 0) << r.Err;
    ASSERT_GE(r.Out.size(), tail.size());
    EXPECT_EQ(r.Out.substr(r.Out.size() - tail.size()), tail);
  }
}

// --pad brings an image to whole 2048-byte blocks with zeros beyond its
// volume; those, and any other bytes there, are no damage to the readers.
TEST_F(QvImage, APaddedImageIsReadAsItIs) {
  std::string a = Work.File("a.bin", RandomBytes(1000000, 3));
  std::string list = List("\\A.BIN\t" + a + "\n");
  TResult padded = Run({"--pad", list, "out/p.trk"});
  ASSERT_EQ(padded.Code, 0) << padded.Err;
  EXPECT_NE(padded.Out.find("Image file size: 2131968\n"), std::string::npos) << padded.Out;
  ASSERT_EQ(Run({"-q", list, "out/a.trk"}).Code, 0);
  const std::string plain = ReadBytes(Out + "/a.trk");
  EXPECT_EQ(ReadBytes(Out + "/p.trk"), plain + std::string(512, '\0'));  // 1041 blocks

  Work.File("out/junk.trk", plain + "bytes beyond the volume");
  for (const char* image : {"out/p.trk", "out/junk.trk"}) {
    SCOPED_TRACE(image);
    ExpectReadable(Work / image, {{"A.BIN", a}});
    EXPECT_EQ(Run({"--check", "-q", image, list}).Out, "OK\n");
    EXPECT_EQ(Run({"--list", image}).Out, "   1000000  \\A.BIN\n");
    ASSERT_EQ(Run({"-q", "-f", "--extract", image, "x"}).Code, 0);
    EXPECT_EQ(ReadBytes(Work / "x/A.BIN"), ReadBytes(a));
  }
}

TEST_F(QvImage, UsageAndListFaultsExitWithTwoAndWriteNothing) {
  std::string good = Work.File("a.bin", "x");
  std::string list = List("\\A.BIN\t" + good + "\n");
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{}, {list}, {list, "out/x.trk", "more"}, {"--bogus", list, "out/x.trk"},
        {list, "-"}, {"missing.txt", "out/x.trk"}, {"out", "out/x.trk"}}) {
    TResult r = Run(args);
    EXPECT_EQ(r.Code, 2) << r.Err;
    EXPECT_FALSE(r.Err.empty());
  }

  // The bad line is named by its number in the file, counting every line.
  List("# head\n\\A.BIN\t" + good + "\n\n\\TOO LONG NAME.BIN\t" + good + "\n");
  TResult bad = Run({"list.txt", "out/x.trk"});
  EXPECT_EQ(bad.Code, 2);
  EXPECT_EQ(bad.Err.rfind("list.txt:4: ", 0), 0u) << bad.Err;
  EXPECT_EQ(Run({"out", "out/x.trk"}).Err, "out: is a directory, not a list file\n");
  TResult badStdin = Run({"-", "out/x.trk"}, "\\A.BIN " + good + "\n\\B.BIN\t" + good + "\n");
  EXPECT_EQ(badStdin.Code, 2);
  EXPECT_NE(badStdin.Err.find(":1: no TAB"), std::string::npos) << badStdin.Err;
  TResult empty = Run({"-", "out/x.trk"}, "# nothing\n");
  EXPECT_EQ(empty.Code, 2);
  EXPECT_TRUE(OutFiles().empty());

  TResult help = Run({"--help"});
  EXPECT_EQ(help.Code, 0);
  EXPECT_NE(help.Out.find("qvimage [options] LIST IMAGE"), std::string::npos);
  EXPECT_EQ(Run({"--version"}).Out, "qvimage " QV_VERSION "\n");
}

TEST_F(QvImage, OptionsCombineAndTakeValuesAsOnAnyCommandLine) {
  std::string a = Work.File("tree/A.BIN", RandomBytes(3000, 7));
  std::string image = Work.File("out/x.trk", "old");
  // -qf is -q and -f: quiet, and the old image replaced; --from-dir=DIR
  // and an option after the operands work as on every command line.
  TResult r = Run({"-qf", "--from-dir=tree", "out/x.trk"});
  ASSERT_EQ(r.Code, 0) << r.Err;
  EXPECT_EQ(r.Out, "");
  ExpectReadable(image, {{"A.BIN", a}});
  TResult after = Run({"--from-dir", "tree", "out/y.trk", "-q"});
  EXPECT_EQ(after.Code, 0) << after.Err;
  EXPECT_EQ(after.Out, "");
  EXPECT_EQ(ReadBytes(Out + "/y.trk"), ReadBytes(image));

  // The usual messages, named after the program, and exit status 2.
  const std::pair<std::vector<std::string>, std::string> faults[] = {
      {{"-qx", "tree", "out/z.trk"}, "qvimage: invalid option -- 'x'\n"},
      {{"--bogus", "tree", "out/z.trk"}, "qvimage: unrecognized option '--bogus'\n"},
      {{"--force=yes", "--from-dir", "tree", "out/z.trk"},
       "qvimage: option '--force' doesn't allow an argument\n"},
      {{"out/z.trk", "--from-dir"}, "qvimage: option '--from-dir' requires an argument\n"},
  };
  for (const auto& [args, message] : faults) {
    TResult bad = Run(args);
    EXPECT_EQ(bad.Code, 2);
    EXPECT_EQ(bad.Err, message + "Try 'qvimage --help' for more information.\n");
  }
  // After -- a name that begins with - is an operand.
  TResult dashed = Run({"-q", "--", "-missing.lst", "out/z.trk"});
  EXPECT_EQ(dashed.Code, 2);
  EXPECT_NE(dashed.Err.find("-missing.lst: cannot be read"), std::string::npos) << dashed.Err;
  EXPECT_EQ(OutFiles(), (std::set<std::string>{"x.trk", "y.trk"}));
}

TEST_F(QvImage, AStoppedBuildLeavesNoFileUnderImage) {
  std::string a = Work.File("a.bin", RandomBytes(5000, 4));
  std::string b = Work.File("b.bin", RandomBytes(6000, 5));
  List("\\A.BIN\t" + a + "\n\\B.BIN\t" + Work / "gone.bin" + "\n");
  TResult missing = Run({"list.txt", "out/x.trk"});
  EXPECT_EQ(missing.Code, 1);
  EXPECT_NE(missing.Err.find("qvimage: Error accessing file " + Work / "gone.bin"),
            std::string::npos) << missing.Err;
  EXPECT_TRUE(OutFiles().empty());

  TResult skipped = Run({"-q", "--skip-missing", "list.txt", "out/x.trk"});
  EXPECT_EQ(skipped.Code, 0) << skipped.Err;
  ExpectReadable(Out + "/x.trk", {{"A.BIN", a}});
  fs::remove(Out + "/x.trk");

  // Two entries for one name: the first one stays with --skip-clashes.
  List("\\A.BIN\t" + a + "\n\\A.BIN\t" + b + "\n");
  TResult clash = Run({"list.txt", "out/x.trk"});
  EXPECT_EQ(clash.Code, 1);
  EXPECT_NE(clash.Err.find("qvimage: The file \\A.BIN already exists."), std::string::npos)
      << clash.Err;
  EXPECT_TRUE(OutFiles().empty());
  TResult kept = Run({"-q", "--skip-clashes", "list.txt", "out/x.trk"});
  EXPECT_EQ(kept.Code, 0) << kept.Err;
  ExpectReadable(Out + "/x.trk", {{"A.BIN", a}});
  fs::remove(Out + "/x.trk");

  // Every entry skipped: nothing to build. Stopped at the first entry:
  // nothing was skipped, and the message says where it stopped.
  List("\\B.BIN\t" + Work / "gone.bin" + "\n");
  TResult none = Run({"-q", "--skip-missing", "list.txt", "out/x.trk"});
  EXPECT_EQ(none.Code, 1);
  EXPECT_NE(none.Err.find("every entry was skipped; no image written"), std::string::npos)
      << none.Err;
  TResult first = Run({"-q", "list.txt", "out/x.trk"});
  EXPECT_EQ(first.Code, 1);
  EXPECT_NE(first.Err.find("\nqvimage: stopped at \\B.BIN; no image written\n"), std::string::npos)
      << first.Err;
  EXPECT_EQ(first.Err.find("skipped"), std::string::npos) << first.Err;

  // A folder that does not exist cannot take the image.
  List("\\A.BIN\t" + a + "\n");
  TResult nowhere = Run({"-q", "list.txt", "out/no/such/x.trk"});
  EXPECT_EQ(nowhere.Code, 1);
  EXPECT_NE(nowhere.Err.find("can't open the file out/no/such/x.trk"), std::string::npos)
      << nowhere.Err;
  EXPECT_TRUE(OutFiles().empty());
}

TEST_F(QvImage, VolumesOverTheLimitsAreRefusedBeforeWriting) {
  // 513 names in the root; the same empty source serves them all.
  std::string empty = Work.File("empty");
  std::string list;
  for (int i = 0; i < 513; ++i) list += "\\F" + std::to_string(i) + "\t" + empty + "\n";
  List(list);
  TResult root = Run({"-q", "list.txt", "out/x.trk"});
  EXPECT_EQ(root.Code, 1);
  EXPECT_NE(root.Err.find("exceeds 512 entries"), std::string::npos) << root.Err;

  // A folder takes 65,536 records, its "." and ".." among them.
  list.clear();
  char name[16];
  for (int i = 0; i < 65535; ++i) {
    std::snprintf(name, sizeof name, "\\SOUNDS\\F%05d\t", i);  // in sorted order: quick
    list += name + empty + "\n";
  }
  List(list);
  TResult folder = Run({"-q", "list.txt", "out/x.trk"});
  EXPECT_EQ(folder.Code, 1);
  EXPECT_NE(folder.Err.find("qvimage: Sorry, I can't continue. The directory \\SOUNDS exceeds "
                            "65536 entries. Please reduce the number of entries in this "
                            "directory.\n"),
            std::string::npos) << folder.Err;

  // A sparse file of more than 2 GBytes needs no disk space to be refused.
  std::string huge = Work / "huge";
  ASSERT_EQ(truncate(Work.File("huge").c_str(), 2200000000LL), 0);
  List("\\HUGE\t" + huge + "\n");
  TResult large = Run({"-q", "list.txt", "out/x.trk"});
  EXPECT_EQ(large.Code, 1);
  EXPECT_NE(large.Err.find("too large for a DOS partition"), std::string::npos) << large.Err;
  EXPECT_TRUE(OutFiles().empty());
}

TEST_F(QvImage, ExistingImageIsReplacedOnlyWithForce) {
  std::string a = Work.File("a.bin", RandomBytes(3000, 6));
  List("\\A.BIN\t" + a + "\n");
  std::string image = Work.File("out/x.trk", "keep me");
  TResult refused = Run({"-q", "list.txt", "out/x.trk"});
  EXPECT_EQ(refused.Code, 1);
  EXPECT_NE(refused.Err.find("--force"), std::string::npos) << refused.Err;
  EXPECT_EQ(ReadBytes(image), "keep me");

  TResult forced = Run({"-q", "--force", "list.txt", "out/x.trk"});
  EXPECT_EQ(forced.Code, 0) << forced.Err;
  ExpectReadable(image, {{"A.BIN", a}});

  Work.Dir("out/folder.trk");
  EXPECT_EQ(Run({"-q", "--force", "list.txt", "out/folder.trk"}).Code, 1);
}

TEST_F(QvImage, InterruptedBuildRemovesItsTemporaryFile) {
  // Sparse sources: cheap to make, but the image gets real bytes, so the
  // Data stage lasts long enough for the signal to land in it.
  std::string list;
  for (int i = 0; i < 4; ++i) {
    std::string src = Work.File("big" + std::to_string(i));
    ASSERT_EQ(truncate(src.c_str(), 64 << 20), 0);
    list += "\\BIG" + std::to_string(i) + "\t" + src + "\n";
  }
  List(list);
  std::string image = Work.File("out/x.trk", "old");
  pid_t pid = Spawn({"--force", "list.txt", "out/x.trk"}, Work.Path, "", Io / "stdout", Io / "stderr");
  ASSERT_GT(pid, 0);
  // Interrupted while the image is being written beside its final name.
  auto start = std::chrono::steady_clock::now();
  while (OutFiles().size() < 2 && std::chrono::steady_clock::now() - start < std::chrono::seconds(20))
    usleep(500);
  ASSERT_EQ(OutFiles().size(), 2u) << "no temporary file seen";
  kill(pid, SIGINT);
  EXPECT_EQ(Wait(pid), 1) << ReadBytes(Io / "stderr");
  EXPECT_NE(ReadBytes(Io / "stderr").find("interrupted"), std::string::npos);
  EXPECT_EQ(OutFiles(), std::set<std::string>{"x.trk"});
  EXPECT_EQ(ReadBytes(image), "old");
}

}  // namespace
