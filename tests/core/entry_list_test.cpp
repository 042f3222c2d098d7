#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "entries/dir_entry.h"

namespace {
std::vector<std::string> Order(const TEntryList& list) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < list.Count(); ++i)
    out.push_back(list[i].ImagePath + "=" + list[i].RealPath);
  return out;
}
}  // namespace

TEST(EntryList, SortsByUnsignedBytesWithBackslashBetweenTheCases) {
  TEntryList list;
  for (const char* p : {"\\B.TXT", "\\a.txt", "\\A.TXT", "\\A\\B.TXT", "\\AB.TXT", "\\A",
                        "\\\xC4.TXT", "\\Z"})
    list.Add(p, "r");
  std::vector<std::string> want = {"\\A=r",     "\\A.TXT=r", "\\AB.TXT=r", "\\A\\B.TXT=r",
                                   "\\B.TXT=r", "\\Z=r",     "\\a.txt=r",  "\\\xC4.TXT=r"};
  EXPECT_EQ(Order(list), want);
}

TEST(EntryList, EqualPathsStayInTheOrderTheyWereAdded) {
  TEntryList list;
  list.Add("\\X", "first");
  list.Add("\\Y", "y");
  list.Add("\\X", "second");
  list.Add("\\A", "a");
  list.Add("\\X", "third");
  std::vector<std::string> want = {"\\A=a", "\\X=first", "\\X=second", "\\X=third", "\\Y=y"};
  EXPECT_EQ(Order(list), want);
}

TEST(EntryList, GrowsByEightAndDestroysByIndex) {
  TEntryList list;
  EXPECT_EQ(list.Capacity(), 8u);
  for (int i = 0; i < 8; ++i) list.Add("\\F" + std::to_string(i), "r");
  EXPECT_EQ(list.Capacity(), 8u);
  list.Add("\\F8", "r");
  EXPECT_EQ(list.Capacity(), 16u);
  for (int i = 9; i < 17; ++i) list.Add("\\G" + std::to_string(i), "r");
  EXPECT_EQ(list.Count(), 17u);
  EXPECT_EQ(list.Capacity(), 24u);

  EXPECT_TRUE(list.Destroy(0));
  EXPECT_EQ(list[0].ImagePath, "\\F1");
  EXPECT_FALSE(list.Destroy(16));
  EXPECT_EQ(list.Count(), 16u);
  list.Flush();
  EXPECT_EQ(list.Count(), 0u);
  EXPECT_EQ(list.Capacity(), 24u);  // never shrinks
}

TEST(EntryList, PathsOutOfRangeGiveNoText) {
  TEntryList list;
  EXPECT_EQ(list.ImagePathAt(0), nullptr);
  list.Add("\\A.WAV", "/tmp/a.wav");
  ASSERT_NE(list.ImagePathAt(0), nullptr);
  EXPECT_EQ(*list.RealPathAt(0), "/tmp/a.wav");
  EXPECT_EQ(list.ImagePathAt(1), nullptr);
  EXPECT_EQ(list.RealPathAt(-1), nullptr);
}

// Many lines at once (a list file, a drop) go exactly where one Add after
// another would have put them, also among equal paths and lines already
// there, and the room grows as for single adds.
TEST(EntryList, AddingManyAtOnceGivesTheOrderOfAddingOneByOne) {
  std::mt19937 random(7);
  for (int round = 0; round < 20; ++round) {
    TEntryList one, many;
    auto line = [&](int n) { return "\\" + std::string(1, static_cast<char>('A' + random() % 5)) + std::to_string(n % 3); };
    for (int i = 0; i < round; ++i) {
      std::string p = line(i);
      one.Add(p, "before" + std::to_string(i));
      many.Add(p, "before" + std::to_string(i));
    }
    std::vector<std::unique_ptr<TDirEntry>> batch;
    for (int i = 0; i < 3 * round + 1; ++i) {
      std::string p = line(i);
      one.Add(p, "new" + std::to_string(i));
      batch.push_back(std::make_unique<TDirEntry>(p, "new" + std::to_string(i)));
    }
    unsigned long changes = many.ChangeCount();
    ASSERT_TRUE(many.AddAll(std::move(batch)));
    EXPECT_NE(many.ChangeCount(), changes);
    EXPECT_EQ(Order(many), Order(one)) << "round " << round;
    EXPECT_EQ(many.Capacity(), one.Capacity()) << "round " << round;
  }
}
