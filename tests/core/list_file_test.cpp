#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>

#include "entries/list_file.h"
#include "entries/dir_entry.h"
#include "platform/file_system.h"
#include "temp_dir.h"

namespace {

struct TParsed {
  bool Ok;
  TListError Error;
  TEntryList Entries;
};

std::string ReadFileOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void Parse(const std::string& text, TParsed& p) {
  p.Ok = ReadEntryList(text, p.Entries, p.Error);
}

// A real path with '/' between its folders: on Windows '\\' is the same
// separator, which the program joins paths with.
static std::string OneSeparator(std::string path) {
#ifdef _WIN32
  for (char& c : path)
    if (c == '\\') c = '/';
#endif
  return path;
}

TEST(ListFile, TakesEntriesNormalisedAndSorted) {
  TParsed p;
  Parse("# sounds for the show\n"
        "\n"
        "samples\\Piano.qvf\t/home/me/piano.qvf\r\n"
        "   \t  \r\n"
        " \\README.TXT \t  readme with blanks.txt \n"
        "\\A\t/srv/a",  // no LF at the end
        p);
  ASSERT_TRUE(p.Ok) << p.Error.Line << ": " << p.Error.Message;
  ASSERT_EQ(p.Entries.Count(), 3u);
  EXPECT_EQ(*p.Entries.ImagePathAt(0), "\\A");
  EXPECT_EQ(*p.Entries.ImagePathAt(1), "\\README.TXT");
  // Taken exactly as written: "song.wav " is another file than "song.wav".
  EXPECT_EQ(*p.Entries.RealPathAt(1), "  readme with blanks.txt ");
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
      {"\\A.TXT\t   \r", "blanks only"},
      {"\\MY FILE.WAV\t/a", "invalid image path \\MY FILE.WAV"},
      {"\\my file.wav\t/a", "invalid image path \\my file.wav"},
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
  EXPECT_EQ(error.Line, 0);
  EXPECT_NE(error.Message.find("is not a list file"), std::string::npos);
  EXPECT_LT(endless.Given, 1 << 20);
}

// Relative real paths start from the list's folder; absolute ones and the
// current folder's ("" for a list on standard input) stay as written.
TEST(ListFile, RelativeRealPathsStartFromTheListsFolder) {
  struct TCase {
    const char* Folder;
    const char* Written;
    const char* Taken;
  } cases[] = {
      {"/home/me/show", "samples/a.wav", "/home/me/show/samples/a.wav"},
      {"/home/me/show", "./a.wav", "/home/me/show/./a.wav"},
      {"/home/me/show", "../a.wav", "/home/me/show/../a.wav"},
      {"/home/me/show", "/srv/a.wav", "/srv/a.wav"},
      {"/", "a.wav", "/a.wav"},
      {"lists", "a.wav", "lists/a.wav"},
      {"", "a.wav", "a.wav"},
      {"/home/me/show", " a.wav", "/home/me/show/ a.wav"},
  };
  for (const TCase& c : cases) {
    TEntryList entries;
    TListError error;
    ASSERT_TRUE(ReadEntryList(std::string("\\A.WAV\t") + c.Written + "\n", entries, error,
                              c.Folder))
        << c.Written << ": " << error.Message;
    EXPECT_EQ(OneSeparator(*entries.RealPathAt(0)), c.Taken) << c.Folder << " + " << c.Written;
  }
  EXPECT_EQ(FolderOfPath("/home/me/show/songs.qvl"), "/home/me/show");
  EXPECT_EQ(FolderOfPath("/songs.qvl"), "/");
  EXPECT_EQ(FolderOfPath("lists/songs.qvl"), "lists");
  EXPECT_EQ(FolderOfPath("songs.qvl"), "");
}

TEST(ListFile, WrittenRealPathsAreRelativeOnlyBelowTheListsFolder) {
  struct TCase {
    const char* Real;
    const char* Listed;
  } cases[] = {
      {"/home/me/show/a.wav", "a.wav"},
      {"/home/me/show/samples/a b.wav ", "samples/a b.wav "},
      {"/home/me/showtime/a.wav", "/home/me/showtime/a.wav"},  // a sibling, not below
      {"/home/me/show", "/home/me/show"},
      {"/home/me/a.wav", "/home/me/a.wav"},
      {"b.wav", "/home/me/work/b.wav"},  // relative to the program's folder
  };
  for (const TCase& c : cases)
    EXPECT_EQ(OneSeparator(ListedRealPath(c.Real, "/home/me/show", "/home/me/work")), c.Listed)
        << c.Real;
  EXPECT_EQ(ListedRealPath("/a.wav", "/", "/w"), "a.wav");
}

// Saved, then opened again: the same entries, also after the folder of the
// list and its samples has moved; lines saved sorted, whatever the order
// they were read in.
TEST(ListFile, SavedListOpensAgainWithTheSameEntriesWhereverItsFolderMoves) {
  TTempDir dir;
  const std::string show = dir.Dir("show");
  TEntryList entries;
  entries.Add("\\Z.WAV", show + "/samples/z.wav ");
  entries.Add("\\A.WAV", "/srv/elsewhere/a.wav");
  entries.Add("\\A.WAV", show + "/a.wav");
  entries.Add("\\SUB", show + "/sub");
  std::string error;
  ASSERT_TRUE(SaveEntryList(show + "/songs.qvl", entries, error)) << error;
  EXPECT_EQ(ReadFileOf(show + "/songs.qvl"),
            "# Quorel CD-ROM Image Maker entry list: image path, TAB, real path\n"
            "\\A.WAV\t/srv/elsewhere/a.wav\n"
            "\\A.WAV\ta.wav\n"
            "\\SUB\tsub\n"
            "\\Z.WAV\tsamples/z.wav \n");

  // Named from inside its folder, by a bare or a "./" name: the same text.
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(show);
  for (const char* name : {"back.qvl", "./back.qvl"}) {
    ASSERT_TRUE(SaveEntryList(name, entries, error)) << error;
    EXPECT_EQ(ReadFileOf(show + "/back.qvl"), ReadFileOf(show + "/songs.qvl")) << name;
  }
  std::filesystem::current_path(before);

  std::filesystem::rename(show, dir / "moved");
  TEntryList again;
  TListError readError;
  ASSERT_TRUE(LoadEntryList(dir / "moved/songs.qvl", again, readError)) << readError.Message;
  ASSERT_EQ(again.Count(), entries.Count());
  const std::string moved = dir / "moved";
  const std::string want[][2] = {{"\\A.WAV", "/srv/elsewhere/a.wav"},
                                 {"\\A.WAV", moved + "/a.wav"},
                                 {"\\SUB", moved + "/sub"},
                                 {"\\Z.WAV", moved + "/samples/z.wav "}};
  for (std::size_t i = 0; i < again.Count(); ++i) {
    EXPECT_EQ(again[i].ImagePath, want[i][0]);
    EXPECT_EQ(OneSeparator(again[i].RealPath), OneSeparator(want[i][1]));
  }
}

// A save that fails says why and leaves the old file (and no new one).
TEST(ListFile, FailedSaveLeavesTheOldFileAsItWas) {
  TTempDir dir;
  TEntryList entries;
  entries.Add("\\A.WAV", "/a.wav");
  std::string error;
  EXPECT_FALSE(SaveEntryList(dir / "no such folder/songs.qvl", entries, error));
  EXPECT_NE(error.find("No such file"), std::string::npos) << error;
  // A folder in the list's place cannot be replaced by the rename.
  const std::string taken = dir.Dir("songs.qvl");
  dir.File("songs.qvl/keep", "old");
  EXPECT_FALSE(SaveEntryList(taken, entries, error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(ReadFileOf(taken + "/keep"), "old");
  std::size_t files = 0;
  for (auto& e : std::filesystem::directory_iterator(dir.Path)) files += e.path() != taken;
  EXPECT_EQ(files, 0u) << "a temporary file was left";

#ifndef _WIN32  // Windows keeps no permission bits to keep
  // Replacing a list keeps its permissions.
  const std::string list = dir.File("mode.qvl", "old\n");
  ::chmod(list.c_str(), 0640);
  ASSERT_TRUE(SaveEntryList(list, entries, error)) << error;
  struct stat st;
  ASSERT_EQ(::stat(list.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
#endif
}

TEST(ListFile, AListThatIsNoFileIsRefusedWithItsReason) {
  TTempDir dir;
  TEntryList entries;
  TListError error;
  EXPECT_FALSE(LoadEntryList(dir.Path, entries, error));
  EXPECT_EQ(error.Line, 0);
  EXPECT_NE(error.Message.find("is a directory"), std::string::npos) << error.Message;
  EXPECT_FALSE(LoadEntryList(dir / "missing.qvl", entries, error));
  EXPECT_NE(error.Message.find("No such file"), std::string::npos) << error.Message;
  // A sample or notes opened by mistake: no list, rather than a bad line.
  for (const std::string& text :
       {std::string("RIFF\x24\x08\0\0WAVE\t/x\n", 16), std::string("# notes\nGrand piano: keep\n")}) {
    EXPECT_FALSE(LoadEntryList(dir.File("wrong", text), entries, error));
    EXPECT_EQ(error.Line, 0);
    EXPECT_EQ(error.Message.rfind("is not a list file", 0), 0u) << error.Message;
  }
#ifndef _WIN32
  // Bytes without end and without a line: refused after a piece.
  EXPECT_FALSE(LoadEntryList("/dev/zero", entries, error));
  EXPECT_EQ(error.Line, 0);
  EXPECT_NE(error.Message.find("is not a list file"), std::string::npos) << error.Message;
#endif
#ifdef __linux__
  // A read that fails (here at once) is no empty list.
  EXPECT_FALSE(LoadEntryList("/proc/self/mem", entries, error));
  EXPECT_NE(error.Message.find("cannot be read: "), std::string::npos) << error.Message;
#endif
  EXPECT_EQ(entries.Count(), 0u);
}

#ifndef _WIN32
// A list given as <(...) comes through a pipe, in as many pieces as it takes.
TEST(ListFile, AListComesThroughAPipe) {
  TTempDir dir;
  const std::string pipe = dir / "list";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  std::string text;
  constexpr int Lines = 5000;  // over 100 KB: lines cross the pieces read
  for (int i = 0; i < Lines; ++i)
    text += "\\F" + std::to_string(i) + ".WAV\t/samples/" + std::to_string(i) + ".wav\n";
  std::signal(SIGPIPE, SIG_IGN);  // a reader that stops early must not end the test
  std::thread writer([&] { std::ofstream(pipe, std::ios::binary) << text; });
  TEntryList entries;
  TListError error;
  const bool ok = LoadEntryList(pipe, entries, error);
  if (!ok) ::close(::open(pipe.c_str(), O_RDONLY | O_NONBLOCK));  // frees a writer still waiting
  writer.join();
  ASSERT_TRUE(ok) << error.Line << ": " << error.Message;
  ASSERT_EQ(entries.Count(), std::size_t(Lines));
  for (std::size_t i = 0; i < entries.Count(); ++i) {
    const std::string& image = entries[i].ImagePath;
    EXPECT_EQ(entries[i].RealPath, "/samples/" + image.substr(2, image.size() - 6) + ".wav");
  }
}
#endif

}  // namespace
