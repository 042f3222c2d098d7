// Unpacking an image into a folder: what comes out builds the same image
// byte for byte, other tools' images come out as their sources, and nothing
// is replaced or written outside the folder.
#include <gtest/gtest.h>

#include <filesystem>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "build_runner.h"
#include "image/image_unpack.h"
#include "image_check.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {
struct TUnpackRun {
  TScriptHost Host;
  std::unique_ptr<TImageUnpack> Unpack;
  long Steps = 0;
  // Steps after which no further item was written: a file copied in parts.
  long StepsWithinAFile = 0;
  std::string Asked() const { return Host.Asked.empty() ? "" : Host.Asked[0].Text; }
};

std::unique_ptr<TUnpackRun> Unpack(const std::string& image, const std::string& folder,
                                   TUnpackOptions options = {}) {
  auto run = std::make_unique<TUnpackRun>();
  run->Unpack = std::make_unique<TImageUnpack>(image, folder, run->Host, options);
  run->Unpack->Start();
  while (run->Unpack->Running() && run->Steps < 1000000) {
    const std::size_t before = run->Unpack->ItemsWritten();
    run->Unpack->Step();
    ++run->Steps;
    if (run->Unpack->ItemsWritten() == before && run->Host.Captions.back() == "Unpacking Image")
      ++run->StepsWithinAFile;
  }
  return run;
}

std::string Build(const TEntryList& entries, const std::string& path) {
  TScriptHost host;
  host.SaveNames = {path};
  TImageBuild build(entries, host);
  RunBuild(build);
  EXPECT_TRUE(build.Done());
  return ReadBytes(path);
}

std::string Pattern(std::size_t size, unsigned seed) {
  std::string s(size, '\0');
  for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>((i * 131 + seed) >> 3);
  return s;
}
}  // namespace

TEST(ImageUnpack, WhatComesOutBuildsTheSameImageByteForByte) {
  TTempDir tmp;
  TEntryList entries;
  entries.Add("\\SUB\\DEEP\\X.WAV", tmp.File("x.wav", Pattern(20 << 20, 1)));  // several steps
  entries.Add("\\SUB\\Y.QVF", tmp.File("y.qvf", Pattern(3000, 2)));
  entries.Add("\\README.", tmp.File("readme", "hello"));
  entries.Add("\\EMPTY", tmp.Dir("empty"));
  entries.Add("\\ZERO", tmp.File("zero"));
  const std::string first = Build(entries, tmp / "first.trk");

  TUnpackOptions options;
  options.ListPath = tmp / "out.qvl";
  auto run = Unpack(tmp / "first.trk", tmp / "out", options);
  ASSERT_TRUE(run->Unpack->Done()) << run->Asked();
  EXPECT_EQ(run->Host.Captions.back(), "Done");
  EXPECT_EQ(run->Host.Gauges.back(), 100);
  EXPECT_GE(run->StepsWithinAFile, 2);  // 20 MiB in parts of 8 MiB
  EXPECT_EQ(ReadBytes(tmp / "out/SUB/DEEP/X.WAV"), ReadBytes(tmp / "x.wav"));
  EXPECT_EQ(ReadBytes(tmp / "out/README"), "hello");
  EXPECT_TRUE(fs::is_directory(tmp / "out/EMPTY"));

  // The list names each file and the empty folder, relative to its folder.
  EXPECT_EQ(ReadBytes(tmp / "out.qvl"),
            "# Quorel CD-ROM Image Maker entry list: image path, TAB, real path\n"
            "\\EMPTY\tout/EMPTY\n\\README\tout/README\n\\SUB\\DEEP\\X.WAV\tout/SUB/DEEP/X.WAV\n"
            "\\SUB\\Y.QVF\tout/SUB/Y.QVF\n\\ZERO\tout/ZERO\n");
  // Its entries, with absolute paths, build the image again.
  EXPECT_EQ(run->Unpack->Entries().Count(), 5u);
  EXPECT_EQ(*run->Unpack->Entries().RealPathAt(0), tmp / "out/EMPTY");
  EXPECT_TRUE(Build(run->Unpack->Entries(), tmp / "second.trk") == first);

  // Stopped within the large file, whose room was set aside at its start:
  // the part written goes, and nothing of its length is left behind.
  TScriptHost stopHost;
  TImageUnpack stopped(tmp / "first.trk", tmp / "half", stopHost);
  stopped.Start();
  const std::string half = tmp / "half/SUB/DEEP/X.WAV";
  while (stopped.Running() && !fs::exists(half)) stopped.Step();
  ASSERT_TRUE(fs::exists(half));
  EXPECT_LT(fs::file_size(half), uintmax_t(20) << 20);
  stopped.Cancel();
  EXPECT_TRUE(stopped.Ended());
  EXPECT_FALSE(fs::exists(half));
  EXPECT_TRUE(fs::exists(tmp / "half/SUB/DEEP"));

  // Into a folder holding one of its names: nothing is replaced, nothing
  // written, without leave.
  tmp.File("two/README", "mine");
  options.ListPath.clear();
  auto again = Unpack(tmp / "first.trk", tmp / "two", options);
  EXPECT_TRUE(again->Unpack->Ended());
  EXPECT_EQ(again->Asked(), "The file " + tmp / "two/README" + " already exists. It is not replaced.");
  EXPECT_EQ(ReadBytes(tmp / "two/README"), "mine");
  EXPECT_FALSE(fs::exists(tmp / "two/SUB"));
  options.Replace = true;
  EXPECT_TRUE(Unpack(tmp / "first.trk", tmp / "two", options)->Unpack->Done());
  EXPECT_EQ(ReadBytes(tmp / "two/README"), "hello");
}

TEST(ImageUnpack, NeverWritesThroughALinkOrFromADamagedImage) {
  TTempDir tmp;
  TEntryList entries;
  entries.Add("\\SUB\\Y.QVF", tmp.File("y.qvf", "yyyy"));
  Build(entries, tmp / "a.trk");

#ifndef _WIN32
  // A link in the folder where the image has a folder leads outside.
  tmp.Dir("outside");
  tmp.Dir("out");
  ASSERT_EQ(::symlink((tmp / "outside").c_str(), (tmp / "out/SUB").c_str()), 0);
  TUnpackOptions replace;
  replace.Replace = true;
  auto linked = Unpack(tmp / "a.trk", tmp / "out", replace);
  EXPECT_TRUE(linked->Unpack->Ended());
  EXPECT_EQ(linked->Asked(), tmp / "out/SUB" + " is not a folder.");
  EXPECT_TRUE(fs::is_empty(tmp / "outside"));

  // Links where the image has files, one to a file outside and one to
  // nothing yet: refused without leave; with it, the links themselves give
  // way to the files, and nothing outside is written or made.
  const std::string victim = tmp.File("victim", "keep");
  tmp.Dir("files/SUB");
  ASSERT_EQ(::symlink(victim.c_str(), (tmp / "files/SUB/Y.QVF").c_str()), 0);
  auto refused = Unpack(tmp / "a.trk", tmp / "files");
  EXPECT_TRUE(refused->Unpack->Ended());
  EXPECT_EQ(refused->Asked(),
            "The file " + tmp / "files/SUB/Y.QVF" + " already exists. It is not replaced.");
  EXPECT_TRUE(Unpack(tmp / "a.trk", tmp / "files", replace)->Unpack->Done());
  EXPECT_FALSE(fs::is_symlink(tmp / "files/SUB/Y.QVF"));
  EXPECT_EQ(ReadBytes(tmp / "files/SUB/Y.QVF"), "yyyy");
  EXPECT_EQ(ReadBytes(victim), "keep");
  fs::remove(tmp / "files/SUB/Y.QVF");
  ASSERT_EQ(::symlink((tmp / "nowhere").c_str(), (tmp / "files/SUB/Y.QVF").c_str()), 0);
  EXPECT_TRUE(Unpack(tmp / "a.trk", tmp / "files", replace)->Unpack->Done());
  EXPECT_EQ(ReadBytes(tmp / "files/SUB/Y.QVF"), "yyyy");
  EXPECT_FALSE(fs::exists(tmp / "nowhere"));
#endif

  // A cancel between steps ends it at once.
  auto cancelled = std::make_unique<TUnpackRun>();
  TImageUnpack unpack(tmp / "a.trk", tmp / "c", cancelled->Host);
  unpack.Start();
  unpack.Cancel();
  EXPECT_TRUE(unpack.Ended());
  EXPECT_EQ(cancelled->Host.Ended, 2);

  // A damaged image stops with the reader's message; the folder is not made.
  std::string bytes = ReadBytes(tmp / "a.trk");
  bytes[512 * 3 + 1] ^= 0x40;  // in the root directory's first record
  const std::string bad = tmp.File("bad.trk", bytes);
  auto damaged = Unpack(bad, tmp / "d");
  EXPECT_TRUE(damaged->Unpack->Ended());
  EXPECT_NE(damaged->Asked().find("Sorry, I can't unpack " + bad + ": "), std::string::npos)
      << damaged->Asked();
  EXPECT_FALSE(fs::exists(tmp / "d"));
  auto missing = Unpack(tmp / "none.trk", tmp / "d");
  EXPECT_TRUE(missing->Unpack->Ended());
  EXPECT_FALSE(fs::exists(tmp / "d"));
}

// Another program's image: made by mkfs.fat and filled by mcopy, with long
// names, a volume label, 4 reserved sectors, 1 FAT, a small root; and a
// FAT12 one.
TEST(ImageUnpack, OtherToolsImagesComeOutAsTheirSources) {
  if (!HaveTool("mkfs.fat") || !HaveTool("mcopy")) GTEST_SKIP() << "dosfstools or mtools missing";
  TTempDir tmp;
  tmp.File("src/Long File Name.txt", Pattern(5000, 3));
  tmp.File("src/SHORT.BIN", Pattern(70000, 4));
  tmp.File("src/dir/inner.dat", Pattern(1, 5));
  tmp.Dir("src/dir/empty");
  // The diskettes' FATs begin with their media byte F0, not F8.
  for (const char* format : {"-F 16 -R 4 -f 1 -r 112 -n QLABEL", "-F 12 -r 64", "-F 12 floppy 1440",
                             "-F 12 floppy 2880"}) {
    const std::string image = tmp / "other.img";
    fs::remove(image);
    std::string options = format, kilobytes = "8192";
    if (const std::size_t floppy = options.find(" floppy "); floppy != std::string::npos) {
      kilobytes = options.substr(floppy + 8);
      options.resize(floppy);
    }
    ASSERT_EQ(RunCommand("mkfs.fat -C " + options + " '" + image + "' " + kilobytes).Status, 0);
    ASSERT_EQ(RunCommand("cd '" + tmp / "src" + "' && MTOOLS_SKIP_CHECK=1 mcopy -s -i '" + image +
                         "' * ::/")
                  .Status,
              0);
    fs::remove_all(tmp / "out");
    auto run = Unpack(image, tmp / "out");
    ASSERT_TRUE(run->Unpack->Done()) << format << ": " << run->Asked();
    std::vector<std::string> paths;
    for (const TImageItem& item : run->Unpack->Items()) paths.push_back(item.Path);
    EXPECT_EQ(paths, (std::vector<std::string>{"\\LONGFI~1.TXT", "\\SHORT.BIN", "\\DIR",
                                               "\\DIR\\INNER.DAT", "\\DIR\\EMPTY"}))
        << format;
    EXPECT_EQ(ReadBytes(tmp / "out/LONGFI~1.TXT"), ReadBytes(tmp / "src/Long File Name.txt"));
    EXPECT_EQ(ReadBytes(tmp / "out/SHORT.BIN"), ReadBytes(tmp / "src/SHORT.BIN"));
    EXPECT_EQ(ReadBytes(tmp / "out/DIR/INNER.DAT"), ReadBytes(tmp / "src/dir/inner.dat"));
    EXPECT_TRUE(fs::is_directory(tmp / "out/DIR/EMPTY"));
  }

  // A file in two pieces: mcopy fills the room a deleted file left, then
  // goes on after the next file. With 512-byte clusters and the file between
  // 1 and 8 clusters long, the second piece keeps its place in a memory page
  // for one of the lengths, so it is copied by the system while the first
  // goes through memory, each to its own place in the file.
  tmp.File("frag/A.BIN", Pattern(3 * 512, 6));
  tmp.File("frag/C.BIN", Pattern(100000, 7));
  for (int clusters = 1; clusters <= 8; ++clusters) {
    const std::string image = tmp / "frag.img";
    fs::remove(image);
    fs::remove_all(tmp / "frag-out");
    tmp.File("frag/B.BIN", Pattern(clusters * 512 - 100, 8));
    const std::string in = "cd '" + tmp / "frag" + "' && MTOOLS_SKIP_CHECK=1 ";
    ASSERT_EQ(RunCommand("mkfs.fat -C -F 16 -s 1 '" + image + "' 8192").Status, 0);
    ASSERT_EQ(RunCommand(in + "mcopy -i '" + image + "' A.BIN B.BIN ::/ && " + in + "mdel -i '" +
                         image + "' ::/A.BIN && " + in + "mcopy -i '" + image + "' C.BIN ::/")
                  .Status,
              0);
    auto run = Unpack(image, tmp / "frag-out");
    ASSERT_TRUE(run->Unpack->Done()) << clusters << ": " << run->Asked();
    EXPECT_EQ(ReadBytes(tmp / "frag-out/C.BIN"), ReadBytes(tmp / "frag/C.BIN")) << clusters;
    EXPECT_EQ(ReadBytes(tmp / "frag-out/B.BIN"), ReadBytes(tmp / "frag/B.BIN")) << clusters;
  }

  // A tree deeper than an entry list can name is refused: no list could
  // build it again.
  std::string deep = "deep";
  for (int i = 0; i < 29; ++i) deep += "/FOLDER_" + std::to_string(i % 10);
  tmp.File(deep + "/LAST.TXT", "x");
  const std::string image = tmp / "deep.img";
  ASSERT_EQ(RunCommand("mkfs.fat -C '" + image + "' 4096").Status, 0);
  ASSERT_EQ(RunCommand("MTOOLS_SKIP_CHECK=1 mcopy -s -i '" + image + "' '" + tmp / "deep/FOLDER_0" +
                       "' ::/").Status, 0);
  auto run = Unpack(image, tmp / "deep-out");
  EXPECT_TRUE(run->Unpack->Ended());
  EXPECT_NE(run->Asked().find("FOLDER_8 is longer than 260 characters"), std::string::npos)
      << run->Asked();
  EXPECT_FALSE(fs::exists(tmp / "deep-out"));
}

// What is in the way stays whole: a replaced file until its successor is
// complete, the image being read always, a list that appears meanwhile;
// and a refused unpacking makes no folder.
TEST(ImageUnpack, ReplacesOnlyWhatItMayAndOnlyWhenComplete) {
  TTempDir tmp;
  TEntryList entries;
  entries.Add("\\BIG.BIN", tmp.File("big", Pattern(20 << 20, 9)));  // several steps
  entries.Add("\\A.TXT", tmp.File("a", "new"));
  tmp.Dir("in");
  Build(entries, tmp / "in/A.TXT");
  const std::string image = tmp / "in/A.TXT", bytes = ReadBytes(image);
  TUnpackOptions replace;
  replace.Replace = true;

  // Stopped within a file it replaces: the old one stays, nothing beside it.
  tmp.File("out/BIG.BIN", "old");
  TScriptHost host;
  TImageUnpack stopped(image, tmp / "out", host, replace);
  stopped.Start();
  while (stopped.Running() && !fs::exists(tmp / "out/.BIG.BIN.1")) stopped.Step();
  ASSERT_TRUE(stopped.Running());
  stopped.Cancel();
  EXPECT_EQ(ReadBytes(tmp / "out/BIG.BIN"), "old");
  EXPECT_FALSE(fs::exists(tmp / "out/.BIG.BIN.1"));

  // The image itself is never replaced, as a file of the folder or as the list.
  auto over = Unpack(image, tmp / "in", replace);
  EXPECT_EQ(over->Asked(), "The file " + tmp / "in/A.TXT" + " is the image being unpacked. It is not replaced.");
  replace.ListPath = image;
  EXPECT_EQ(Unpack(image, tmp / "x", replace)->Asked(),
            "The file " + image + " is the image being unpacked. It is not replaced.");
  EXPECT_TRUE(ReadBytes(image) == bytes);
  EXPECT_FALSE(fs::exists(tmp / "x"));

  // A list that appears while the files are written is left as it is.
  TUnpackOptions listed;
  listed.ListPath = tmp / "late.qvl";
  TScriptHost late;
  TImageUnpack unpack(image, tmp / "late", late, listed);
  unpack.Start();
  while (unpack.Running() && (late.Statuses.empty() || late.Statuses.back() != "Writing List"))
    unpack.Step();
  tmp.File("late.qvl", "mine");
  while (unpack.Running()) unpack.Step();
  EXPECT_EQ(late.Asked.back().Text,
            "The file " + tmp / "late.qvl" + " already exists. It is not replaced.");
  EXPECT_EQ(ReadBytes(tmp / "late.qvl"), "mine");

#ifndef _WIN32
  // A folder whose path no list can hold is refused before it is made.
  auto tab = Unpack(image, tmp / "tab\tdir", listed);
  EXPECT_EQ(tab->Asked(), "Sorry, I can't unpack into " + tmp / "tab\tdir" +
                              ": an entry list cannot hold its path (control character in the "
                              "real path).");
  EXPECT_FALSE(fs::exists(tmp / "tab\tdir"));
#endif
}
