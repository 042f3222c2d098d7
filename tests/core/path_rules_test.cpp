#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "entries/dos_name.h"
#include "entries/path_rules.h"

namespace {
struct TCase {
  const char* In;
  int Flags;
  const char* Out;  // normalised text
  bool Valid;
};

constexpr int Image = PathRooted;
constexpr int Real = 0;
constexpr int Dest = PathRooted | PathDirectory;

const TCase Cases[] = {
    // image paths
    {"SAMPLES\\PIANO.QVF", Image, "\\SAMPLES\\PIANO.QVF", true},
    {"  \t\\A.WAV \r\n", Image, "\\A.WAV", true},
    {"   ", Image, "\\", false},
    {"", Image, "\\", false},
    {"\\", Image, "\\", false},
    {"\\DIR\\", Image, "\\DIR\\", false},
    {"\\README.", Image, "\\README.", true},
    {"\\A.\\B", Image, "\\A.\\B", true},
    {"\\.\\X", Image, "\\.\\X", false},
    {"\\..\\X", Image, "\\..\\X", false},
    {"\\.HIDDEN", Image, "\\.HIDDEN", false},
    {"\\ABCDEFGH.QVF", Image, "\\ABCDEFGH.QVF", true},
    {"\\ABCDEFGHI.QVF", Image, "\\ABCDEFGHI.QVF", false},
    {"\\A.QVFX", Image, "\\A.QVFX", false},
    {"\\A.B.C", Image, "\\A.B.C", false},
    {"\\MY FILE.WAV", Image, "\\MY FILE.WAV", false},
    {"\\100%.WAV", Image, "\\100%.WAV", false},
    {"\\~!@#$^&.()-", Image, "\\~!@#$^&.()-", true},
    {"\\{_}'.WAV", Image, "\\{_}'.WAV", true},
    {"C:\\X.WAV", Image, "\\C:\\X.WAV", false},
    {"\\A\\\\B", Image, "\\A\\\\B", false},
    {"\\A/B", Image, "\\A/B", false},
    {"\\piano.qvf", Image, "\\piano.qvf", true},
    {"\\A\xE9.WAV", Image, "\\A\xE9.WAV", false},
    {"\\A+B", Image, "\\A+B", false},
    // the short-name grammar, as other callers use it
    {"C:\\SAMPLES\\PIANO.QVF", Real, "C:\\SAMPLES\\PIANO.QVF", true},
    {"C:PIANO.QVF", Real, "C:PIANO.QVF", true},
    {"SAMPLES\\PIANO.QVF", Real, "SAMPLES\\PIANO.QVF", true},
    {"C:", Real, "C:", true},
    {"C:\\", Real, "C:\\", false},
    {"C:\\SAMPLES\\", Real, "C:\\SAMPLES\\", false},
    {"1:\\X", Real, "1:\\X", false},
    {"\\\\SERVER\\SHARE\\X", Real, "\\\\SERVER\\SHARE\\X", false},
    {"C:\\My Samples\\Piano.qvf", Real, "C:\\My Samples\\Piano.qvf", false},
    // drop destinations
    {"", Dest, "\\", true},
    {"SAMPLES", Dest, "\\SAMPLES\\", true},
    {"\\A\\B\\", Dest, "\\A\\B\\", true},
    {"\\SAMPLES.DIRX\\", Dest, "\\SAMPLES.DIRX\\", false},
    {"\\SAM PLES", Dest, "\\SAM PLES\\", false},
    {" samples\\piano ", Dest, "\\samples\\piano\\", true},
};
}  // namespace

TEST(CheckPath, NormalisesAndJudgesEveryKindOfPath) {
  for (const TCase& c : Cases) {
    std::string text = c.In;
    bool valid = CheckPath(text, c.Flags);
    EXPECT_EQ(text, c.Out) << "input [" << c.In << "] flags " << c.Flags;
    EXPECT_EQ(valid, c.Valid) << "input [" << c.In << "] flags " << c.Flags;
  }
}

TEST(CheckPath, AValidPathStaysTheSameWhenCheckedAgain) {
  for (const TCase& c : Cases) {
    if (!c.Valid) continue;
    std::string text = c.In;
    CheckPath(text, c.Flags);
    std::string again = text;
    EXPECT_TRUE(CheckPath(again, c.Flags));
    EXPECT_EQ(again, text);
  }
}

TEST(CheckPath, StepsWorkAlone) {
  EXPECT_EQ(CountNameChars("ABCDEFGHIJ", 8), 8);
  EXPECT_EQ(CountNameChars("AB.C", 8), 2);
  EXPECT_EQ(CountNameChars("", 3), 0);
  std::string text = "\v X \f";
  TrimBlanks(text);
  EXPECT_EQ(text, "X");
  std::string empty;
  AddSeparators(empty, PathDirectory);
  EXPECT_EQ(empty, "");  // nothing to end with a separator
  EXPECT_FALSE(FindPathFault("\\A\\", PathRooted | PathDirectory));
  EXPECT_TRUE(FindPathFault("\\A\\", PathRooted));
}

TEST(CheckRealPath, AcceptsPosixPathsAsTheyAre) {
  std::string path = "  /home/me/My Samples/Piano.qvf\t";
  EXPECT_TRUE(CheckRealPath(path));
  EXPECT_EQ(path, "/home/me/My Samples/Piano.qvf");  // case and inner blanks kept
  std::string relative = "sounds/ä.wav";
  EXPECT_TRUE(CheckRealPath(relative));
  std::string longPath = "/" + std::string(PATH_MAX - 2, 'x');
  EXPECT_TRUE(CheckRealPath(longPath));
}

TEST(CheckRealPath, RefusesEmptyControlAndOverlongPaths) {
  for (std::string bad : {std::string(" \t "), std::string("/tmp/a\nb"),
                          std::string("/tmp/a\x7f"), std::string("/tmp/a\0b", 8),
                          "/" + std::string(PATH_MAX, 'x')})
    EXPECT_FALSE(CheckRealPath(bad)) << bad;
}

TEST(UpperCase, TouchesOnlyAsciiLetters) {
  EXPECT_EQ(UpperCase("/Home/ä/piano.qvf"), "/HOME/ä/PIANO.QVF");
}
