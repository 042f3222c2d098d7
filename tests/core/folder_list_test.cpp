// The reasons a name from a folder cannot go into an image as it is.
#include <gtest/gtest.h>

#include "entries/folder_list.h"

TEST(ShortNameFault, NamesWhatIsWrongWithAName) {
  for (const char* good : {"A", "PIANO.QVF", "ABCDEFGH.XYZ", "README.", "~!@#$^&.()-", "{_}'.WAV"})
    EXPECT_EQ(ShortNameFault(good), "") << good;
  EXPECT_EQ(ShortNameFault(".HIDDEN"), "begins with a dot");
  EXPECT_EQ(ShortNameFault("A.B.C"), "more than one dot");
  EXPECT_EQ(ShortNameFault("NINECHARS"), "more than 8 characters");
  EXPECT_EQ(ShortNameFault("A.WAVE"), "more than 3 characters after the dot");
  EXPECT_EQ(ShortNameFault("MY FILE+1.WAV"),
            "a blank is not allowed, \"+\" is not allowed, more than 8 characters before the dot");
  EXPECT_EQ(ShortNameFault("CAF\xC3\x89"), "a character outside ASCII is not allowed");
  EXPECT_EQ(ShortNameFault("A\tB"), "a control character is not allowed");
}
