// qvimage --card: an image copied onto a card, a small file system in
// memory mounted where the card would be, and read back as an emulator
// would serve it.
#include <gtest/gtest.h>

#include "disc/card_copy.h"
#include "fault_tools.h"
#include "qvimage_fixture.h"
#include "script_host.h"

using namespace qvtest;

namespace {

class QvImageCard : public QvImage {
 protected:
  void SetUp() override {
    QvImage::SetUp();
    if (IsSkipped()) return;
    List("\\A.BIN\t" + Work.File("a.bin", RandomBytes(1000000, 21)) + "\n");
    ASSERT_EQ(Run({"-q", "list.txt", "out/a.trk"}).Code, 0);
    // What an emulator serves: the image and the zeros of its last block.
    Padded = ReadBytes(Out + "/a.trk") + std::string(512, '\0');
    Card = Work.Dir("card");
  }

  std::set<std::string> CardFiles() const {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(Card)) names.insert(e.path().filename().string());
    return names;
  }

  std::string Padded, Card;
};

TEST_F(QvImageCard, CopiesPaddedUnderTheFirstFreeIdAndReplacesOnlyWithForce) {
  TMountedFolder mount(Card, "size=16m");
  if (!mount.Ok()) GTEST_SKIP() << mount.Why();
  TResult r = Run({"--card", "out/a.trk", "card"});
  ASSERT_EQ(r.Code, 0) << r.Err;
  EXPECT_EQ(r.Out, "Copied to card/CD3.iso: 2131968 bytes, 1041 blocks of 2048, read back and "
                   "compared\n");
  EXPECT_EQ(ReadBytes(Card + "/CD3.iso"), Padded);

  // An id is taken whatever the case of its name's letters.
  Work.File("card/cd4.ISO", "old");
  r = Run({"-q", "--card", "out/a.trk", "card"});
  ASSERT_EQ(r.Code, 0) << r.Err;
  EXPECT_EQ(r.Out, "");
  EXPECT_EQ(ReadBytes(Card + "/CD5.iso"), Padded);
  Work.File("card/CD6.iso", "old");
  r = Run({"-q", "--card", "out/a.trk", "card"});
  EXPECT_EQ(r.Code, 1);
  EXPECT_EQ(r.Err, "qvimage: The folder card holds CD3.iso to CD6.iso already. Please choose "
                   "another name for the copy.\n");

  r = Run({"-q", "--card", "out/a.trk", "card/CD6.iso"});
  EXPECT_EQ(r.Code, 1);
  EXPECT_NE(r.Err.find("use --force to replace it"), std::string::npos) << r.Err;
  EXPECT_EQ(ReadBytes(Card + "/CD6.iso"), "old");
  r = Run({"-q", "-f", "--card", "out/a.trk", "card/CD6.iso"});
  ASSERT_EQ(r.Code, 0) << r.Err;
  EXPECT_EQ(ReadBytes(Card + "/CD6.iso"), Padded);
  EXPECT_EQ(CardFiles(), (std::set<std::string>{"CD3.iso", "cd4.ISO", "CD5.iso", "CD6.iso"}));

  // A bare name goes into the working folder, and a copy that worked says so.
  r = Run({"-q", "--card", "out/a.trk", "copy.iso"});
  EXPECT_EQ(r.Code, 0) << r.Err;
  EXPECT_EQ(ReadBytes(Work / "copy.iso"), Padded);
}

TEST_F(QvImageCard, AFullCardOrADamagedImageIsAMessageAndLeavesNothing) {
  TMountedFolder mount(Card, "size=1m");
  if (!mount.Ok()) GTEST_SKIP() << mount.Why();
  TResult r = Run({"--card", "out/a.trk", "card"});
  EXPECT_EQ(r.Code, 1);
  EXPECT_EQ(r.Err, "qvimage: Not enough space on card/ for the copy of 2131968 bytes. Please free "
                   "space on the card or use another one.\n");
  EXPECT_TRUE(CardFiles().empty());

  std::string damaged = ReadBytes(Out + "/a.trk");
  damaged[510] = 0;
  Work.File("out/bad.trk", damaged);
  r = Run({"--card", "out/bad.trk", "card"});
  EXPECT_EQ(r.Code, 1);
  EXPECT_EQ(r.Err, "qvimage: The image out/bad.trk is damaged, so it is not copied (the "
                   "instrument could not read it from a card either): the boot sector has no 55 "
                   "AA signature\n");
  EXPECT_TRUE(CardFiles().empty());
}

// Cancel, as the window's button gives it, once the copy is on the card
// and before it is compared: nothing is left there.
TEST_F(QvImageCard, ACancelledCopyLeavesNothing) {
  TScriptHost host;
  TCardCopy copy(Out + "/a.trk", Card, host);
  copy.Start();
  while (copy.Running() && host.Captions.back() != Msg::CaptionCompare) copy.Step();
  ASSERT_TRUE(copy.Running());
  EXPECT_EQ(CardFiles().size(), 1u);
  copy.Cancel();
  EXPECT_TRUE(CardFiles().empty());
  EXPECT_EQ(host.Ended, static_cast<int>(TBuildEnd::Stopped));
}

}  // namespace
