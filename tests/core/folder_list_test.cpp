// The reasons a name from a folder cannot go into an image as it is, and the
// short names that long names get instead.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "entries/dir_entry.h"
#include "entries/dos_name.h"
#include "entries/folder_list.h"
#include "entries/path_rules.h"
#include "entries/short_name.h"
#include "platform/file_system.h"
#include "temp_dir.h"

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

// Long names as Linux folders hold them, and the short names they get.
TEST(ShortName, MakesTheNamesAFatSystemWouldMake) {
  const TFolderNames none;
  const std::pair<const char*, const char*> table[] = {
      // Valid 8.3 names stay, in capitals.
      {"piano.qvf", "PIANO.QVF"}, {"ABCDEFGH.XYZ", "ABCDEFGH.XYZ"}, {"README.", "README."},
      {"~!@#$^&.()-", "~!@#$^&.()-"}, {"GRANDP~1.WAV", "GRANDP~1.WAV"},
      // Blanks go; what is left is cut to 6 and gets a tail.
      {"Grand Piano C3.wav", "GRANDP~1.WAV"}, {"a b.wav", "AB~1.WAV"}, {" x ", "X~1"},
      {"Strings Ensemble.aiff", "STRING~1.AIF"},
      // Periods: leading ones go, the last one splits, the others become "_".
      {".directory", "DIRECT~1"}, {"..hidden.txt", "HIDDEN~1.TXT"}, {". .a", "A~1"},
      {"song.v2.final.wav", "SONG_V~1.WAV"}, {"A.B.C", "A_B~1.C"}, {"long name.", "LONGNA~1"},
      // Long extensions are cut to 3.
      {"photo.jpeg", "PHOTO~1.JPE"}, {"A.WAVE", "A~1.WAV"}, {"backup.tar.gz", "BACKUP~1.GZ"},
      // Every character outside the set is one "_", a UTF-8 one too.
      {"Caf\xC3\xA9.wav", "CAF_~1.WAV"}, {"\xE6\x97\xA5\xE6\x9C\xAC.wav", "__~1.WAV"},
      {"\xFF\xFE.wav", "__~1.WAV"}, {"1+1=2.txt", "1_1_2~1.TXT"}, {"a\\b", "A_B~1"},
      {"tab\there", "TAB_HE~1"}, {"100%.WAV", "100_~1.WAV"},
      // Nothing left: the caller asks as before.
      {"...", ""}, {"   ", ""}, {" . . ", ""}, {"", ""}};
  for (const auto& [longName, shortName] : table)
    EXPECT_EQ(ShortName(longName, none), shortName) << '"' << longName << '"';
}

TEST(ShortName, TakesTheFirstTailThatIsFreeInTheFolder) {
  TFolderNames names;
  names.Take("grandp~2.wav");  // a line typed in lower case
  names.Take("GRANDP~4.WAV.");
  names.Take("GRANDP~5");      // another extension: no clash
  std::vector<std::string> made;
  for (int i = 0; i < 12; ++i) {
    made.push_back(ShortName("Grand Piano C" + std::to_string(i) + ".wav", names));
    names.Take(made.back());
  }
  EXPECT_EQ(made, (std::vector<std::string>{
                      "GRANDP~1.WAV", "GRANDP~3.WAV", "GRANDP~5.WAV", "GRANDP~6.WAV",
                      "GRANDP~7.WAV", "GRANDP~8.WAV", "GRANDP~9.WAV", "GRAND~10.WAV",
                      "GRAND~11.WAV", "GRAND~12.WAV", "GRAND~13.WAV", "GRAND~14.WAV"}));
  for (int n = 15; n < 100; ++n) names.Take("GRAND~" + std::to_string(n) + ".WAV");
  EXPECT_EQ(ShortName("Grand Piano.wav", names), "GRAN~100.WAV");
  // A short base is not padded, and a valid name stays even when it clashes.
  EXPECT_EQ(ShortName("a b", names), "AB~1");
  EXPECT_EQ(ShortName("grandp~1.wav", names), "GRANDP~1.WAV");

  // Names dropped together: the valid ones first, then the long ones in the
  // byte order of their names, whatever order they came in.
  TFolderNames folder;
  folder.Take("STRING~1.WAV");
  EXPECT_EQ(ShortNames({"Strings B.wav", "string~2.wav", "Strings A.wav", "..."}, folder),
            (std::vector<std::string>{"STRING~4.WAV", "STRING~2.WAV", "STRING~3.WAV", ""}));
  EXPECT_TRUE(folder.Taken("STRING~4.WAV"));
  TFolderNames again;
  again.Take("STRING~1.WAV");
  EXPECT_EQ(ShortNames({"...", "Strings A.wav", "string~2.wav", "Strings B.wav"}, again),
            (std::vector<std::string>{"", "STRING~3.WAV", "STRING~2.WAV", "STRING~4.WAV"}));

  TEntryList list;
  for (const char* path : {"\\SAMPLES\\PIANO.QVF", "\\SAMPLES\\DRUMS\\KICK~1.WAV", "\\SAMPLESX.WAV",
                           "\\OTHER\\A.WAV"})
    list.Add(path, "/x");
  const TFolderNames samples = NamesInFolder(list, "\\SAMPLES\\");
  EXPECT_TRUE(samples.Taken("PIANO.QVF"));
  EXPECT_TRUE(samples.Taken("DRUMS"));
  EXPECT_FALSE(samples.Taken("KICK~1.WAV"));
  EXPECT_FALSE(samples.Taken("SAMPLESX.WAV"));
  const TFolderNames root = NamesInFolder(list, "\\");
  for (const char* name : {"SAMPLES", "SAMPLESX.WAV", "OTHER"}) EXPECT_TRUE(root.Taken(name)) << name;
  EXPECT_FALSE(root.Taken("PIANO.QVF"));

  // A folder's short name is free at its level, or that of lines from it.
  const std::string kick = "/home/me/Samples/Drum Kits/909/kick.wav";
  list.Add("\\HOME\\ME\\SAMPLES\\DRUMKI~1\\A.WAV", "/old/Drum Kits Old/a.wav");
  list.Add("\\HOME\\ME\\SAMPLES\\DRUMKI~2", "/old/drums");  // a file
  EXPECT_EQ(ImageFolderOf(list, kick), "\\HOME\\ME\\SAMPLES\\DRUMKI~3\\909\\");
  list.Add("\\HOME\\ME\\SAMPLES\\DRUMKI~3\\909\\KICK.WAV", kick);
  list.Add("\\HOME\\ME\\SAMPLES\\A.WAV", "/home/me/Samples/Drum Kits/a.wav");
  EXPECT_EQ(ImageFolderOf(list, "/home/me/Samples/Drum Kits/909/snare.wav"),
            "\\HOME\\ME\\SAMPLES\\DRUMKI~3\\909\\");
  EXPECT_EQ(ImageFolderOf(list, "/home/me/Samples/Drum Kit/a.wav"),
            "\\HOME\\ME\\SAMPLES\\DRUMKI~4\\");
}

// A real path split in its folder and its own name, as --extract names its
// list and as the window shows a list's name, and what drops and Browse
// take from it: the folder it mirrors in the image, with the drive
// (Windows) left out.
TEST(RealPathParts, FolderAndNameOfARealPath) {
  struct TCase {
    const char* Path;
    const char* Folder;  // FolderOfPath
    const char* Name;
    const char* ImageFolder;
  };
  const TCase table[] = {
      {"/piano.qvf", "/", "piano.qvf", "\\"},
      {"/home/me/x.wav", "/home/me", "x.wav", "\\HOME\\ME\\"},
      {"/home/me/drums/", "/home/me", "drums", "\\HOME\\ME\\"},
      {"/", "/", "", "\\"},
      {"sounds/Kick.wav", "sounds", "Kick.wav", "\\SOUNDS\\"},
      {"/a//b/c.wav", "/a//b", "c.wav", "\\A\\B\\"},
      {"out//", "", "out", "\\"},
      {"show.qvl", "", "show.qvl", "\\"},
#ifdef _WIN32
      {"C:\\SAMPLES\\PIANO.QVF", "C:\\SAMPLES", "PIANO.QVF", "\\SAMPLES\\"},
      {"D:\\PIANO.QVF", "D:\\", "PIANO.QVF", "\\"},
      {"D:\\out\\", "D:\\", "out", "\\"},
      {"c:\\samples\\drums", "c:\\samples", "drums", "\\SAMPLES\\"},
      {"C:PIANO.QVF", "C:", "PIANO.QVF", "\\"},
      {"C:\\", "C:\\", "", "\\"},
      {"C:/Sounds/Bass.wav", "C:/Sounds", "Bass.wav", "\\SOUNDS\\"},
      {"D:\\sounds/out\\/", "D:\\sounds", "out", "\\SOUNDS\\"},
      {"\\\\SERVER\\SHARE\\DIR\\X.WAV", "\\\\SERVER\\SHARE\\DIR", "X.WAV", "\\DIR\\"},
      {"\\\\server\\share\\x.wav", "\\\\server\\share\\", "x.wav", "\\"},
#else
      // A backslash is part of a name here.
      {"/home/a\\b.wav", "/home", "a\\b.wav", "\\HOME\\"},
      {"D:\\out\\", "", "D:\\out\\", "\\"},
#endif
  };
  for (const TCase& c : table) {
    EXPECT_EQ(FolderOfPath(c.Path), c.Folder) << c.Path;
    EXPECT_EQ(NameOfPath(c.Path), c.Name) << c.Path;
    EXPECT_EQ(ImageFolderOf(TEntryList(), c.Path), c.ImageFolder) << c.Path;
  }
}

// The short path Windows keeps names the same file in 8.3 names only; Linux
// keeps none.
TEST(RealPathParts, ShortPathOfAFileWithALongName) {
  TTempDir tmp;
  const std::string file = tmp.File("Grand Piano Sample.qvf", "notes");
  const std::string shortPath = ShortRealPath(file);
#ifdef _WIN32
  if (shortPath.empty() && UpperCase(SystemShortPath(file)) == UpperCase(file))
    GTEST_SKIP() << "this volume makes no short names";
  ASSERT_FALSE(shortPath.empty()) << file;
  std::string checked = shortPath;
  EXPECT_TRUE(CheckPath(checked, 0)) << shortPath;
  EXPECT_TRUE(IsShortName(NameOfPath(shortPath))) << shortPath;
  EXPECT_EQ(NameOfPath(shortPath).substr(NameOfPath(shortPath).size() - 4), ".QVF");
  TPathInfo a, b;
  ASSERT_TRUE(PathInfo(file, a));
  ASSERT_TRUE(PathInfo(shortPath, b));
  EXPECT_TRUE(a.SameFile(b));
  // A name that is an 8.3 name already keeps it.
  const std::string plain = tmp.File("KICK.WAV", "k");
  EXPECT_EQ(NameOfPath(ShortRealPath(plain)), "KICK.WAV");
  EXPECT_EQ(ShortRealPath(tmp / "missing.wav"), "");
#else
  EXPECT_EQ(shortPath, "");
  EXPECT_EQ(SystemShortPath(file), "");
#endif
}
