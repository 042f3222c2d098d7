#include <gtest/gtest.h>

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
