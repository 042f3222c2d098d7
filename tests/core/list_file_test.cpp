#include <gtest/gtest.h>

#include <climits>
#include <sstream>
#include <string>

#include "entries/list_file.h"
#include "entries/dir_entry.h"

namespace {

struct TParsed {
  bool Ok;
  TListError Error;
  TEntryList Entries;
};

void Parse(const std::string& text, TParsed& p) {
  p.Ok = ReadEntryList(text, p.Entries, p.Error);
}

TEST(ListFile, TakesEntriesNormalisedAndSorted) {
  TParsed p;
  Parse("# sounds for the show\n"
        "\n"
        "SAMPLES\\PIANO.QVF\t/home/me/piano.qvf\r\n"
        "   \t  \r\n"
        "\\README.TXT\t  readme with blanks.txt  \n"
        "\\A\t/srv/a",  // no LF at the end
        p);
  ASSERT_TRUE(p.Ok) << p.Error.Line << ": " << p.Error.Message;
  ASSERT_EQ(p.Entries.Count(), 3u);
  EXPECT_EQ(*p.Entries.ImagePathAt(0), "\\A");
  EXPECT_EQ(*p.Entries.ImagePathAt(1), "\\README.TXT");
  EXPECT_EQ(*p.Entries.RealPathAt(1), "readme with blanks.txt");
  EXPECT_EQ(*p.Entries.ImagePathAt(2), "\\SAMPLES\\PIANO.QVF");
  EXPECT_EQ(*p.Entries.RealPathAt(2), "/home/me/piano.qvf");
}

TEST(ListFile, EmptyTextAndOnlyCommentsGiveNoEntries) {
  TParsed a, b;
  Parse("", a);
  Parse("#\n\n# x\t/y\n", b);
  EXPECT_TRUE(a.Ok);
  EXPECT_TRUE(b.Ok);
  EXPECT_EQ(a.Entries.Count() + b.Entries.Count(), 0u);
}

TEST(ListFile, ByteOrderMarkOnTheFirstLineIsIgnored) {
  TParsed p;
  Parse("\xEF\xBB\xBF\\A.TXT\t/a\n", p);
  ASSERT_TRUE(p.Ok) << p.Error.Message;
  EXPECT_EQ(*p.Entries.ImagePathAt(0), "\\A.TXT");
}

TEST(ListFile, RealPathsKeepTheirCaseAndEveryOtherByte) {
  TParsed p;
  Parse("\\X.WAV\t/Data/\xC3\xA9t\xC3\xA9 #1/Mix (final).wav\n", p);
  ASSERT_TRUE(p.Ok) << p.Error.Message;
  EXPECT_EQ(*p.Entries.RealPathAt(0), "/Data/\xC3\xA9t\xC3\xA9 #1/Mix (final).wav");
}

// Each bad line is named by its number, counting skipped lines too, and
// nothing of the good lines before it is added.
TEST(ListFile, FirstBadLineIsNamedAndNothingIsAdded) {
  struct TCase {
    std::string Bad;
    const char* MessagePart;
  } cases[] = {
      {"\\A.TXT /a", "no TAB"},
      {"\t/a", "empty image path"},
      {"  \t/a", "empty image path"},
      {"\\A.TXT\t", "empty real path"},
      {"\\A.TXT\t   \r", "empty real path"},
      {"\\MY FILE.WAV\t/a", "invalid image path \\MY FILE.WAV"},
      {"C:\\X.WAV\t/a", "invalid image path"},
      {"\\DIR\\\t/a", "invalid image path"},
      {"\\ABCDEFGHI.TXT\t/a", "invalid image path"},
      {"\\A.TXT\t/a\tb", "control character"},
      {"\\A.TXT\t/a\x1b[2Jb", "control character"},
      {std::string("\\A.TXT\t/a\0b", 11), "NUL byte"},
      {std::string("\\A\0.TXT\t/a", 10), "NUL byte"},
      {"\\A.TXT\t/" + std::string(PATH_MAX, 'x'), "real path longer"},
  };
  for (const TCase& c : cases) {
    TParsed p;
    Parse("# head\n\\GOOD.TXT\t/good\n\n" + c.Bad + "\n\\LATER.TXT\t/later\n", p);
    EXPECT_FALSE(p.Ok) << c.Bad;
    EXPECT_EQ(p.Error.Line, 4) << c.Bad;
    EXPECT_NE(p.Error.Message.find(c.MessagePart), std::string::npos)
        << c.Bad << " gave: " << p.Error.Message;
    EXPECT_EQ(p.Entries.Count(), 0u) << c.Bad;
  }
}

TEST(ListFile, ImagePathLengthIsBoundAfterTheRootIsAdded) {
  // 259 characters become 260 once "\" is put in front: accepted.
  std::string path;
  while (path.size() + 9 <= 259) path += "ABCDEFGH\\";
  path += std::string(259 - path.size(), 'X');
  ASSERT_EQ(path.size(), 259u);
  TParsed fits, over;
  Parse(path + "\t/a\n", fits);
  ASSERT_TRUE(fits.Ok) << fits.Error.Message;
  EXPECT_EQ(fits.Entries.ImagePathAt(0)->size(), 260u);
  Parse(path + "Y\t/a\n", over);
  EXPECT_FALSE(over.Ok);
  EXPECT_NE(over.Error.Message.find("longer than 260"), std::string::npos) << over.Error.Message;
}

TEST(ListFile, AHugeLineIsRefusedWithoutReadingItWhole) {
  // A stream that would give endless bytes without a line end.
  struct TEndless : std::streambuf {
    long Given = 0;
    int_type underflow() override {
      static char block[4096];
      for (char& c : block) c = 'x';
      Given += sizeof block;
      setg(block, block, block + sizeof block);
      return 'x';
    }
  } endless;
  std::istream in(&endless);
  TEntryList entries;
  TListError error;
  EXPECT_FALSE(ReadEntryList(in, entries, error));
  EXPECT_EQ(error.Line, 1);
  EXPECT_NE(error.Message.find("line longer"), std::string::npos);
  EXPECT_LT(endless.Given, 1 << 20);
}

}  // namespace
