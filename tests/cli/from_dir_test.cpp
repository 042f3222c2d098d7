// qvimage --from-dir: a folder tree becomes an image under its own names in
// capitals; names an image cannot hold are all listed and nothing is written.
#include <gtest/gtest.h>

#include "qvimage_fixture.h"

using namespace qvtest;

namespace {

class QvImageFromDir : public QvImage {
 protected:
  // A tree of nested folders, empty folders and files of every kind of size,
  // in mixed case; returns image path (as mcopy writes it) -> real path.
  std::vector<std::pair<std::string, std::string>> GoodTree() {
    Work.Dir("tree/Empty");
    Work.Dir("tree/Sounds/Deep/Deeper/Void");
    return {
        {"SONG.WAV", Work.File("tree/song.wav", RandomBytes(100000, 21))},
        {"README", Work.File("tree/readme", "hello\n")},
        {"ZERO.QVF", Work.File("tree/Zero.qvf")},
        {"SOUNDS/PIANO.QVF", Work.File("tree/Sounds/Piano.QVF", RandomBytes(4096, 22))},
        {"SOUNDS/DEEP/A-B_C.AIF", Work.File("tree/Sounds/Deep/a-b_c.aif", RandomBytes(513, 23))},
        {"SOUNDS/DEEP/DEEPER/X.QVX",
         Work.File("tree/Sounds/Deep/Deeper/x.qvx", RandomBytes(70000, 24))},
    };
  }
};

TEST_F(QvImageFromDir, AGoodTreeBecomesAnImageThatReadersAndCheckAccept) {
  auto files = GoodTree();
  TResult r = Run({"-q", "--from-dir", "tree", "out/tree.trk"});
  ASSERT_EQ(r.Code, 0) << r.Err;
  EXPECT_EQ(r.Err, "");
  ExpectReadable(Out + "/tree.trk", files);
  for (const char* folder : {"EMPTY", "SOUNDS/DEEP/DEEPER/VOID"})
    EXPECT_TRUE(fs::is_directory(Io / (std::string("extracted/") + folder))) << folder;

  TResult check = Run({"--check", "--from-dir", "tree", "out/tree.trk"});
  EXPECT_EQ(check.Code, 0) << check.Out << check.Err;
  EXPECT_NE(check.Out.find("Directories: 5\nFiles: 6\n"), std::string::npos) << check.Out;
  EXPECT_NE(check.Out.find("Entries compared: 11\nOK\n"), std::string::npos) << check.Out;

  // The build options apply as to a LIST: an existing image needs --force,
  // and the same tree gives the same image, byte for byte.
  EXPECT_EQ(Run({"-q", "--from-dir", "tree", "out/tree.trk"}).Code, 1);
  TResult again = Run({"-q", "--force", "--from-dir", Work / "tree/", "out/again.trk"});
  ASSERT_EQ(again.Code, 0) << again.Err;
  EXPECT_EQ(ReadBytes(Out + "/again.trk"), ReadBytes(Out + "/tree.trk"));
  EXPECT_EQ(Run({"--stats", "--from-dir", "tree", "out/stats.trk"}).Out,
            "Directories & files: 11\nCluster size: 512\nNumber of clusters: 4096\n"
            "Sectors per FAT: 17\nImage file size: 2131456\n"
            "Fits an 80-minute CD-R (and a 74-minute one).\n");
}

TEST_F(QvImageFromDir, EveryBadNameIsListedAndNothingIsWritten) {
  GoodTree();
  Work.File("tree/My Song.wav", "x");
  Work.File("tree/Sounds/Deep/grandpiano.qvf", "x");
  Work.File("tree/Sounds/piano.qvf", "x");  // meets Piano.QVF in the image
  Work.File("tree/Sounds/Long Folder/ok.wav", "x");
  TResult r = Run({"--from-dir", "tree", "out/x.trk"});
  EXPECT_EQ(r.Code, 2);
  EXPECT_TRUE(OutFiles().empty());
  EXPECT_EQ(r.Out, "");
  EXPECT_EQ(r.Err,
            "qvimage: 4 names under tree cannot go into the image as they are; "
            "rename or remove them and run again:\n"
            "  tree/My Song.wav as \\MY SONG.WAV: a blank is not allowed\n"
            "  tree/Sounds/Deep/grandpiano.qvf as \\SOUNDS\\DEEP\\GRANDPIANO.QVF: "
            "more than 8 characters before the dot\n"
            "  tree/Sounds/Long Folder as \\SOUNDS\\LONG FOLDER: a blank is not allowed, "
            "more than 8 characters\n"
            "  tree/Sounds/piano.qvf as \\SOUNDS\\PIANO.QVF: "
            "the same name in the image as tree/Sounds/Piano.QVF\n"
            "qvimage: or run with --short-names, which gives 3 of them short names as a FAT "
            "system would.\n");

  // One bad name alone is enough to stop it.
  fs::remove_all(Work / "tree/Sounds/Long Folder");
  fs::remove(Work / "tree/My Song.wav");
  fs::remove(Work / "tree/Sounds/piano.qvf");
  TResult one = Run({"--from-dir", "tree", "out/x.trk"});
  EXPECT_EQ(one.Code, 2);
  EXPECT_NE(one.Err.find("1 name under tree cannot go into the image as it is"),
            std::string::npos) << one.Err;
  EXPECT_NE(one.Err.find("GRANDPIANO.QVF"), std::string::npos);
  EXPECT_TRUE(OutFiles().empty());
}

// A folder of samples as a musician keeps them: long names, blanks,
// accents, and one name made on an instrument that a short name must avoid.
TEST_F(QvImageFromDir, WithShortNamesLongNamesGoInUnderTheirShortNames) {
  std::vector<std::pair<std::string, std::string>> files;
  for (int i = 1; i <= 9; ++i) {
    const std::string name = "Grand Piano C" + std::to_string(i) + ".wav";
    const char* tail[] = {"", "~1", "~3", "~4", "~5", "~6", "~7", "~8", "~9", "~10"};
    files.push_back({(i < 9 ? "GRANDP" : "GRAND") + std::string(tail[i]) + ".WAV",
                     Work.File("long/" + name, RandomBytes(1000 + i, i))});
  }
  files.push_back({"GRANDP~2.WAV", Work.File("long/grandp~2.wav", "made on the instrument")});
  files.push_back({"STRING~1.AIF", Work.File("long/Strings Ensemble.aiff", RandomBytes(3000, 30))});
  files.push_back({"CAF_~1.WAV", Work.File("long/Caf\xC3\xA9.wav", "cafe")});
  files.push_back({"PIANO.QVF", Work.File("long/piano.qvf", "piano")});
  files.push_back({"DRUMLO~1/KICK12~1.WAV", Work.File("long/Drum Loops/Kick 120bpm.wav", "kick")});

  // Without the option nothing changes: every long name is listed.
  TResult refused = Run({"--from-dir", "long", "out/long.trk"});
  EXPECT_EQ(refused.Code, 2);
  EXPECT_NE(refused.Err.find("13 names under long cannot go"), std::string::npos) << refused.Err;

  TResult r = Run({"-q", "--short-names", "--from-dir", "long", "out/long.trk"});
  ASSERT_EQ(r.Code, 0) << r.Err;
  EXPECT_EQ(r.Err, "");
  ExpectReadable(Out + "/long.trk", files);
  TResult check = Run({"--check", "-q", "--short-names", "--from-dir", "long", "out/long.trk"});
  EXPECT_EQ(check.Out, "OK\n") << check.Err;

  // A name with nothing left for a short name is still refused.
  Work.File("long/...", "dots");
  TResult dots = Run({"-q", "--short-names", "--from-dir", "long", "out/dots.trk"});
  EXPECT_EQ(dots.Code, 2);
  EXPECT_NE(dots.Err.find("1 name under long cannot go"), std::string::npos) << dots.Err;
  EXPECT_NE(dots.Err.find("long/... as \\...: begins with a dot"), std::string::npos) << dots.Err;
  EXPECT_EQ(Run({"--short-names", "list.txt", "out/x.trk"}).Code, 2);
}

TEST_F(QvImageFromDir, LinksAreFollowedExceptBackIntoTheirOwnFolder) {
  std::string target = Work.File("elsewhere/real.wav", RandomBytes(2000, 25));
  Work.File("elsewhere/inner/x.txt", "inner");
  Work.File("tree/a.txt", "a");
  fs::create_symlink(target, Work / "tree/link.wav");
  fs::create_symlink(Work / "elsewhere/inner", Work / "tree/inner");
  TResult r = Run({"-q", "--from-dir", "tree", "out/x.trk"});
  ASSERT_EQ(r.Code, 0) << r.Err;
  ExpectReadable(Out + "/x.trk",
                 {{"A.TXT", Work / "tree/a.txt"}, {"LINK.WAV", target}, {"INNER/X.TXT", Work / "elsewhere/inner/x.txt"}});
  fs::remove(Out + "/x.trk");

  fs::create_symlink(Work / "tree", Work / "elsewhere/inner/up");
  TResult loop = Run({"-q", "--from-dir", "tree", "out/x.trk"});
  EXPECT_EQ(loop.Code, 2);
  EXPECT_NE(loop.Err.find("tree/inner/up as \\INNER\\UP: a link back to a folder that holds it"),
            std::string::npos) << loop.Err;
  fs::remove(Work / "elsewhere/inner/up");

  // A link to nothing is a source that has gone, as in a LIST.
  fs::create_symlink(Work / "gone.wav", Work / "tree/gone.wav");
  TResult gone = Run({"-q", "--from-dir", "tree", "out/x.trk"});
  EXPECT_EQ(gone.Code, 1);
  EXPECT_NE(gone.Err.find("Error accessing file tree/gone.wav"), std::string::npos) << gone.Err;
  EXPECT_TRUE(OutFiles().empty());
  EXPECT_EQ(Run({"-q", "--skip-missing", "--from-dir", "tree", "out/x.trk"}).Code, 0);
}

TEST_F(QvImageFromDir, AnImageInsideItsOwnFolderIsNoSourceOfTheNextOne) {
  auto files = GoodTree();
  ASSERT_EQ(Run({"-q", "--from-dir", "tree", "tree/show.trk"}).Code, 0);
  TResult again = Run({"-q", "-f", "--from-dir", "tree", "tree/show.trk"});
  ASSERT_EQ(again.Code, 0) << again.Err;
  ExpectReadable(Work / "tree/show.trk", files);  // no SHOW.TRK inside
  TResult check = Run({"--check", "-q", "--from-dir", "tree", "tree/show.trk"});
  EXPECT_EQ(check.Out, "OK\n");
}

TEST_F(QvImageFromDir, AFolderThatIsMissingOrEmptyIsRefused) {
  Work.Dir("empty");
  Work.File("file.txt", "x");
  for (const char* dir : {"empty", "nowhere", "file.txt"}) {
    TResult r = Run({"--from-dir", dir, "out/x.trk"});
    EXPECT_EQ(r.Code, 2) << dir;
    EXPECT_NE(r.Err.find(dir), std::string::npos) << r.Err;
  }
  EXPECT_EQ(Run({"--from-dir", "empty"}).Code, 2);
  EXPECT_TRUE(OutFiles().empty());
}

}  // namespace
