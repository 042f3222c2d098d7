// qvimage --check: a sound image passes; a damaged one fails with exit 1
// and the damage named, whichever way it was damaged.
#include <gtest/gtest.h>

#include <fstream>

#include "qvimage_fixture.h"

using namespace qvtest;

namespace {

// The bytes of an image, with the offsets of its regions read from its boot
// sector, so that a test can damage exactly one thing.
struct TImageBytes {
  explicit TImageBytes(std::string bytes) : Bytes(std::move(bytes)) {
    Cluster = static_cast<uint8_t>(Bytes[13]) * 512;
    Fat1 = 512;
    Fat2 = Fat1 + Get16(22) * 512;
    Root = Fat2 + Get16(22) * 512;
    Data = Root + 512 * 32;
  }
  uint16_t Get16(std::size_t at) const {
    return static_cast<uint16_t>(static_cast<uint8_t>(Bytes[at]) |
                                 static_cast<uint8_t>(Bytes[at + 1]) << 8);
  }
  void Put16(std::size_t at, uint16_t v) {
    Bytes[at] = static_cast<char>(v & 0xFF);
    Bytes[at + 1] = static_cast<char>(v >> 8);
  }
  // The record named name11 (8 + 3 characters, blank-padded) in the
  // directory whose records begin at dir.
  std::size_t Record(std::size_t dir, const std::string& name11) const {
    for (std::size_t at = dir; at + 32 <= Bytes.size(); at += 32)
      if (Bytes.compare(at, 11, name11) == 0) return at;
    ADD_FAILURE() << "no record " << name11;
    return 0;
  }
  uint16_t FirstCluster(std::size_t record) const { return Get16(record + 26); }
  std::size_t ClusterAt(uint16_t c) const { return Data + (c - 2u) * Cluster; }
  std::string Bytes;
  std::size_t Cluster, Fat1, Fat2, Root, Data;
};

class QvImageCheck : public QvImage {
 protected:
  void SetUp() override {
    QvImage::SetUp();
    if (IsSkipped()) return;
    Work.File("src/song.wav", RandomBytes(3000, 11));
    Work.File("src/deep/b.qvf", RandomBytes(700, 12));
    Work.File("src/readme", "hello");
    Work.File("src/zero");
    Work.Dir("src/none");
    List("\\SONG.WAV\tsrc/song.wav\n"
         "\\SUB\\DEEP\\B.QVF\tsrc/deep/b.qvf\n"
         "\\README.\tsrc/readme\n"
         "\\ZERO\tsrc/zero\n"
         "\\NONE\tsrc/none\n");
    TResult built = Run({"-q", "list.txt", "out/good.trk"});
    ASSERT_EQ(built.Code, 0) << built.Err;
    Good = ReadBytes(Out + "/good.trk");
  }
  // Writes a copy of the good image, damaged by damage; its path.
  template <class F>
  std::string Damaged(F damage) {
    TImageBytes image(Good);
    damage(image);
    return Work.File("out/bad.trk", image.Bytes);
  }
  std::string Good;
};

TEST_F(QvImageCheck, ASoundImagePassesWithItsFigures) {
  TResult r = Run({"--check", "out/good.trk"});
  EXPECT_EQ(r.Code, 0) << r.Out << r.Err;
  EXPECT_EQ(r.Out,
            "Cluster size: 512\n"
            "Number of clusters: 4096\n"
            "Sectors per FAT: 17\n"
            "Image file size: 2131456\n"
            "Directories: 3\n"
            "Files: 4\n"
            "Used clusters: 12\n"
            "OK\n");
  EXPECT_EQ(r.Err, "");

  // Against its list: every entry found with its source's bytes.
  TResult listed = Run({"--check", "out/good.trk", "list.txt"});
  EXPECT_EQ(listed.Code, 0) << listed.Out;
  EXPECT_NE(listed.Out.find("Entries compared: 5\nOK\n"), std::string::npos) << listed.Out;
  EXPECT_EQ(Run({"--check", "-q", "out/good.trk", "-"}, ReadBytes(Work / "list.txt")).Out,
            "OK\n");
}

TEST_F(QvImageCheck, EachDamageFailsWithItsOwnMessage) {
  struct TDamage {
    const char* What;
    void (*Do)(TImageBytes&);
    const char* Expect;
  };
  const TDamage damages[] = {
      {"flipped FAT entry",
       [](TImageBytes& i) {
         uint16_t c = i.FirstCluster(i.Record(i.Root, "SONG    WAV"));
         i.Put16(i.Fat1 + 2 * c, 0xFFFF);
         i.Put16(i.Fat2 + 2 * c, 0xFFFF);
       },
       "its size of 3000 bytes needs 6 clusters, its chain has 1"},
      {"differing FATs", [](TImageBytes& i) { i.Put16(i.Fat2 + 2 * 3000, 0x0001); },
       "the two FATs differ at entry 3000 (0000 and 0001)"},
      {"wrong size", [](TImageBytes& i) { i.Put16(i.Record(i.Root, "README     ") + 28, 600); },
       "file \\README: its size of 600 bytes needs 2 clusters, its chain has 1"},
      {"wrong ..",
       [](TImageBytes& i) {
         uint16_t sub = i.FirstCluster(i.Record(i.Root, "SUB        "));
         uint16_t deep = i.FirstCluster(i.Record(i.ClusterAt(sub), "DEEP       "));
         i.Put16(i.ClusterAt(deep) + 32 + 26, 0);
       },
       "\\SUB\\DEEP: \"..\" points to cluster 0, not"},
      {"changed file byte",
       [](TImageBytes& i) {
         i.Bytes[i.ClusterAt(i.FirstCluster(i.Record(i.Root, "README     "))) + 1] = 'a';
       },
       "\\README differs from src/readme at byte 1"},
  };
  for (const TDamage& d : damages) {
    std::string bad = Damaged(d.Do);
    TResult r = Run({"--check", bad, "list.txt"});
    EXPECT_EQ(r.Code, 1) << d.What;
    EXPECT_NE(r.Out.find("FAILED: "), std::string::npos) << d.What << ":\n" << r.Out;
    EXPECT_NE(r.Out.find("\n  "), std::string::npos) << d.What << ":\n" << r.Out;
    EXPECT_NE(r.Out.find(d.Expect), std::string::npos) << d.What << ":\n" << r.Out;
  }

  // A changed byte is only seen against the sources.
  std::string changed = Damaged([](TImageBytes& i) {
    i.Bytes[i.ClusterAt(i.FirstCluster(i.Record(i.Root, "SONG    WAV"))) + 2999] ^= 1;
  });
  EXPECT_EQ(Run({"--check", changed}).Code, 0);
  TResult against = Run({"--check", "-q", changed, "list.txt"});
  EXPECT_EQ(against.Code, 1);
  EXPECT_EQ(against.Out, "FAILED: 1 problem\n  \\SONG.WAV differs from src/song.wav at byte 2999\n");

  // Past the first 50 the problems are counted, not listed.
  std::string many;
  for (int i = 0; i < 60; ++i) many += "\\GONE" + std::to_string(i) + ".WAV\tsrc/readme\n";
  List(many);
  TResult counted = Run({"--check", "-q", "out/good.trk", "list.txt"});
  EXPECT_EQ(counted.Code, 1);
  EXPECT_EQ(counted.Out.rfind("FAILED: 60 problems\n", 0), 0u) << counted.Out;
  const std::string tail = "  ... and 10 more\n";
  EXPECT_EQ(counted.Out.substr(counted.Out.size() - tail.size()), tail) << counted.Out;
}

TEST_F(QvImageCheck, UnreadableImagesFailAndBadCommandsExitWithTwo) {
  TResult missing = Run({"--check", "out/none.trk"});
  EXPECT_EQ(missing.Code, 1);
  EXPECT_NE(missing.Out.find("cannot read out/none.trk"), std::string::npos) << missing.Out;
  TResult cut = Run({"--check", Work.File("out/cut.trk", Good.substr(0, 4000))});
  EXPECT_EQ(cut.Code, 1);
  EXPECT_NE(cut.Out.find("FAILED"), std::string::npos);

  List("\\NO BLANKS\tsrc/readme\n");
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--check"}, {"--check", "out/good.trk", "list.txt"},
        {"--check", "out/good.trk", "nolist.txt"}, {"--check", "--force", "out/good.trk"},
        {"--check", "out/good.trk", "list.txt", "more"}}) {
    TResult r = Run(args);
    EXPECT_EQ(r.Code, 2) << args.size() << r.Err;
    EXPECT_FALSE(r.Err.empty());
    EXPECT_EQ(r.Out, "");
  }
}

}  // namespace

namespace {

// --list shows the image; --extract writes it out with a list from which
// qvimage builds the same image, byte for byte.
TEST_F(QvImageCheck, ListAndExtractGiveWhatBuildsTheSameImage) {
  TResult listed = Run({"--list", "out/good.trk"});
  EXPECT_EQ(listed.Code, 0) << listed.Err;
  EXPECT_EQ(listed.Out,
            "     <DIR>  \\NONE\n"
            "     <DIR>  \\SUB\n"
            "     <DIR>  \\SUB\\DEEP\n"
            "       700  \\SUB\\DEEP\\B.QVF\n"
            "         5  \\README\n"
            "      3000  \\SONG.WAV\n"
            "         0  \\ZERO\n");

  TResult unpacked = Run({"--extract", "-q", "out/good.trk", "back"});
  ASSERT_EQ(unpacked.Code, 0) << unpacked.Err;
  EXPECT_EQ(unpacked.Out + unpacked.Err, "");
  EXPECT_EQ(ReadBytes(Work / "back.qvl"),
            "# Quorel CD-ROM Image Maker entry list: image path, TAB, real path\n"
            "\\NONE\tback/NONE\n\\README\tback/README\n\\SONG.WAV\tback/SONG.WAV\n"
            "\\SUB\\DEEP\\B.QVF\tback/SUB/DEEP/B.QVF\n\\ZERO\tback/ZERO\n");
  TResult rebuilt = Run({"-q", "back.qvl", "out/again.trk"});
  ASSERT_EQ(rebuilt.Code, 0) << rebuilt.Err;
  EXPECT_TRUE(ReadBytes(Out + "/again.trk") == Good);

  // Once more: nothing is replaced without -f, everything with it.
  Work.File("back/README", "changed");
  TResult again = Run({"--extract", "out/good.trk", "back"});
  EXPECT_EQ(again.Code, 1);
  EXPECT_NE(again.Err.find("back/SUB/DEEP/B.QVF already exists. It is not replaced.\n"
                          "qvimage: files that exist are replaced only with --force"),
            std::string::npos) << again.Err;
  EXPECT_EQ(ReadBytes(Work / "back/README"), "changed");
  TResult forced = Run({"--extract", "-fq", "out/good.trk", "back"});
  EXPECT_EQ(forced.Code, 0) << forced.Err;
  EXPECT_EQ(ReadBytes(Work / "back/README"), "hello");

  // A link where the list goes is replaced as a link, never written through.
  Work.File("keep.qvl", "mine");
  fs::create_symlink(Work / "keep.qvl", Work / "linked.qvl");
  EXPECT_EQ(Run({"--extract", "-fq", "out/good.trk", "linked"}).Code, 0);
  EXPECT_EQ(ReadBytes(Work / "keep.qvl"), "mine");
  EXPECT_FALSE(fs::is_symlink(Work / "linked.qvl"));
}

// Damage and hostile names stop --list and --extract before anything is
// written; a pipe is refused at once.
TEST_F(QvImageCheck, DamagedOrHostileImagesAreNotUnpacked) {
  const std::pair<const char*, void (*)(TImageBytes&)> damages[] = {
      {"a control byte in a name",
       [](TImageBytes& i) { i.Bytes[i.Record(i.Root, "ZERO       ") + 1] = 0x01; }},
      {"a name twice",
       [](TImageBytes& i) { i.Bytes.replace(i.Record(i.Root, "ZERO       "), 11, "SONG    WAV"); }},
      {"a chain into a loop",
       [](TImageBytes& i) {
         uint16_t c = i.FirstCluster(i.Record(i.Root, "SONG    WAV"));
         i.Put16(i.Fat1 + 2 * (c + 1), c);
         i.Put16(i.Fat2 + 2 * (c + 1), c);
       }},
  };
  for (const auto& [what, damage] : damages) {
    const std::string bad = Damaged(damage);
    for (const char* mode : {"--list", "--extract"}) {
      std::vector<std::string> args{mode, bad};
      if (std::string(mode) == "--extract") args.push_back("unpacked");
      TResult r = Run(args);
      EXPECT_EQ(r.Code, 1) << what << " " << mode;
      EXPECT_NE(r.Err.find(bad), std::string::npos) << what << ":\n" << r.Err;
      EXPECT_EQ(r.Err.find("--force"), std::string::npos) << what << ":\n" << r.Err;
      EXPECT_FALSE(fs::exists(Work / "unpacked")) << what;
    }
  }

  ASSERT_EQ(mkfifo((Work / "pipe.trk").c_str(), 0600), 0);
  for (const char* mode : {"--check", "--list"}) {
    TResult r = Run({mode, "pipe.trk"});
    EXPECT_EQ(r.Code, 1) << mode;
    EXPECT_NE((r.Out + r.Err).find("not a regular file"), std::string::npos) << r.Out << r.Err;
  }

  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--list"}, {"--list", "out/good.trk", "x"},
        {"--extract", "out/good.trk"}, {"--extract", "--stats", "out/good.trk", "x"},
        {"--list", "--check", "out/good.trk"}, {"--extract", "--from-dir=src", "x"},
        {"--list", "-f", "out/good.trk"}, {"--card", "out/good.trk"},
        {"--card", "--pad", "out/good.trk", "x"}, {"--card", "--extract", "out/good.trk", "x"}}) {
    TResult r = Run(args);
    EXPECT_EQ(r.Code, 2) << args[0] << " " << args.size() << r.Err;
    EXPECT_EQ(r.Out, "");
  }
}

}  // namespace
