#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <string>
#include <vector>

#include "entries/dir_entry.h"
#include "image/build_state.h"
#include "image/geometry.h"
#include "image/source_scan.h"
#include "image/tree_walk.h"
#include "platform/file_system.h"
#include "script_host.h"
#include "temp_dir.h"

namespace {
std::string Key(const TImageInfo& n) {
  return std::string(n.Name.data(), 8) + std::string(n.Ext.data(), 3);
}
std::vector<std::string> Names(const TChildArray& a) {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < a.Count(); ++i) {
    std::string name = a[i].TrimmedName();
    if (!a[i].TrimmedExt().empty()) name += "." + a[i].TrimmedExt();
    out.push_back(name);
  }
  return out;
}

// Scans every entry of a list into a fresh build, as the Scan stage does.
struct TScan {
  TBuildState State;
  TScriptHost Host;
  TEntryList Entries;
  std::vector<TScanResult> Results;
  void Run() {
    State.Begin(static_cast<int32_t>(Entries.Count()));
    for (std::size_t i = 0; i < Entries.Count(); ++i)
      Results.push_back(ScanEntry(State, Host, Entries, static_cast<long>(i)));
  }
  const TChildArray& Dir(std::initializer_list<const char*> path) {
    const TChildArray* a = State.Root.get();
    for (const char* name : path) {
      long at = FindChild(*a, name, "", nullptr);
      EXPECT_GE(at, 0) << name;
      a = (*a)[static_cast<std::size_t>(at)].Children.get();
    }
    return *a;
  }
};
}  // namespace

TEST(ImageTree, NodesHoldOnImageNamesAndDirectoriesTheirDotNodes) {
  TImageInfo dir("LONGERNAME", "EXTRA", KindDirectory, nullptr);
  EXPECT_EQ(Key(dir), "LONGERNAEXT");
  ASSERT_TRUE(dir.Children);
  EXPECT_EQ(Names(*dir.Children), (std::vector<std::string>{".", ".."}));
  EXPECT_TRUE((*dir.Children)[1].IsDotDot());
  EXPECT_FALSE((*dir.Children)[0].Children);

  std::string real = "/tmp/x";
  TImageInfo file("A", "", KindFile, &real);
  EXPECT_EQ(Key(file), "A          ");
  EXPECT_EQ(file.SourcePath, real);
  EXPECT_FALSE(file.Children);
}

TEST(ImageTree, ChildOrderKeepsDotsFirstThenDirectoriesThenFiles) {
  TImageInfo sub("SUB", "", KindDirectory, nullptr);
  std::string r = "r";
  for (auto [name, ext, kind] : std::vector<std::tuple<const char*, const char*, uint8_t>>{
           {"AAA", "TXT", KindFile}, {"ZED", "", KindDirectory}, {"A", "TXT", KindFile},
           {"A", "BAT", KindFile}, {"AB", "", KindFile}, {"A", "X", KindFile},
           {"-X", "", KindDirectory}})
    sub.Children->Add(std::make_unique<TImageInfo>(name, ext, kind, &r));
  EXPECT_EQ(Names(*sub.Children),
            (std::vector<std::string>{".", "..", "-X", "ZED", "A.BAT", "A.TXT", "A.X", "AAA.TXT",
                                      "AB"}));
}

TEST(ImageTree, SplitsImagePathsIntoDirectoriesNameAndExtension) {
  TImagePathParts p = SplitImagePath("\\A\\B.X\\C.TXT");
  ASSERT_EQ(p.Directories.size(), 2u);
  EXPECT_EQ(p.Directories[1].Name, "B");
  EXPECT_EQ(p.Directories[1].Ext, "X");
  EXPECT_EQ(std::string("\\A\\B.X\\C.TXT").substr(0, p.Directories[1].End), "\\A\\B.X");
  EXPECT_EQ(p.Name, "C");
  EXPECT_EQ(p.Ext, "TXT");
  TImagePathParts root = SplitImagePath("\\README.");
  EXPECT_TRUE(root.Directories.empty());
  EXPECT_EQ(root.Name, "README");
  EXPECT_EQ(root.Ext, "");
}

TEST(ScanEntry, CreatesDirectoriesOnTheWayAndReusesThem) {
  TTempDir tmp;
  TScan scan;
  scan.Entries.Add("\\A\\B\\C.TXT", tmp.File("c.txt", "c"));
  scan.Entries.Add("\\A\\D.TXT", tmp.File("d.txt", "d"));
  scan.Entries.Add("\\a\\D.TXT", tmp.File("d.txt", "d"));  // differs only in case
  scan.Run();
  EXPECT_EQ(scan.Results, std::vector<TScanResult>(3, TScanResult::Next));
  EXPECT_EQ(scan.State.ItemCount, 3 + 1 + 2);
  EXPECT_TRUE(scan.Host.Asked.empty());
  EXPECT_EQ(Names(*scan.State.Root), (std::vector<std::string>{"A", "a"}));
  EXPECT_EQ(Names(scan.Dir({"A"})), (std::vector<std::string>{".", "..", "B", "D.TXT"}));
  EXPECT_EQ(Names(scan.Dir({"A", "B"})), (std::vector<std::string>{".", "..", "C.TXT"}));
}

TEST(ScanEntry, MissingSourceAsksAbortRetryIgnore) {
  TTempDir tmp;
  for (TAnswer answer : {TAnswer::Abort, TAnswer::Ignore}) {
    TScan scan;
    scan.Entries.Add("\\GONE.WAV", tmp / "gone.wav");
    scan.Host.Answers = {TAnswer::Retry, answer};
    scan.Run();
    ASSERT_EQ(scan.Host.Asked.size(), 2u);  // asked again after Retry
    EXPECT_EQ(scan.Host.Asked[0].Text,
              "Error accessing file " + (tmp / "gone.wav") + ": No such file or directory");
    EXPECT_EQ(scan.Host.Asked[0].Caption, "File Error");
    EXPECT_EQ(scan.Host.Asked[0].Buttons, TButtons::AbortRetryIgnore);
    EXPECT_EQ(scan.Results[0], answer == TAnswer::Abort ? TScanResult::Stop : TScanResult::Next);
    EXPECT_EQ(scan.State.ItemCount, 0);
  }
}

TEST(ScanEntry, RetryFindsAFileThatAppeared) {
  TTempDir tmp;
  // The question is answered after the user has put the file in place.
  struct THost : TScriptHost {
    std::string Make;
    TAnswer Answer(const TQuestion& q) override {
      std::ofstream(Make) << "x";
      return TScriptHost::Answer(q);
    }
  } host;
  host.Make = tmp / "late.wav";
  host.Answers = {TAnswer::Retry};
  TBuildState state;
  TEntryList entries;
  entries.Add("\\LATE.WAV", host.Make);
  state.Begin(1);
  EXPECT_EQ(ScanEntry(state, host, entries, 0), TScanResult::Next);
  EXPECT_EQ(host.Asked.size(), 1u);
  EXPECT_EQ(state.ItemCount, 1);
}

TEST(ScanEntry, RefusesPipesAndDevicesAsSources) {
#ifdef _WIN32
  // Windows has no pipes among files; its null device stands for both.
  TScan scan;
  scan.Entries.Add("\\NULL", "NUL");
  scan.Host.Fallback = TAnswer::Ignore;
  scan.Run();
  ASSERT_EQ(scan.Host.Asked.size(), 1u);
  EXPECT_EQ(scan.Host.Asked[0].Text,
            "Error accessing file NUL: not a regular file or directory");
  EXPECT_EQ(scan.State.ItemCount, 0);
#else
  TTempDir tmp;
  std::string fifo = tmp / "pipe";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  TScan scan;
  scan.Entries.Add("\\PIPE", fifo);
  scan.Entries.Add("\\NULL", "/dev/null");
  scan.Host.Fallback = TAnswer::Ignore;
  scan.Run();
  ASSERT_EQ(scan.Host.Asked.size(), 2u);
  EXPECT_EQ(scan.Host.Asked[0].Text,  // \\NULL sorts first
            "Error accessing file /dev/null: not a regular file or directory");
  EXPECT_EQ(scan.State.ItemCount, 0);
#endif
}

TEST(ScanEntry, ClashesAskYesToAbortOrNoToSkip) {
  TTempDir tmp;
  std::string f = tmp.File("f", "x");
  for (TAnswer answer : {TAnswer::Yes, TAnswer::No}) {
    TScan scan;
    scan.Entries.Add("\\A", f);
    scan.Entries.Add("\\A\\B\\X.TXT", f);  // A is a file
    scan.Entries.Add("\\C.WAV", f);
    scan.Entries.Add("\\C.WAV", f);  // the same path twice
    scan.Host.Answers = {answer, answer};
    scan.Run();
    ASSERT_GE(scan.Host.Asked.size(), 1u);
    EXPECT_EQ(scan.Host.Asked[0].Text,
              "The directory \\A already exists as a regular file. Do you want to abort?");
    EXPECT_EQ(scan.Host.Asked[0].Buttons, TButtons::YesNo);
    if (answer == TAnswer::Yes) {
      EXPECT_EQ(scan.Results[1], TScanResult::Stop);
    } else {
      EXPECT_EQ(scan.Results, std::vector<TScanResult>(4, TScanResult::Next));
      EXPECT_EQ(scan.Host.Asked[1].Text,
                "The file \\C.WAV already exists. Do you want to abort?");
      EXPECT_EQ(scan.State.ItemCount, 2);
    }
  }
}

TEST(ScanEntry, DirectoryEntriesBecomeEmptyDirectoriesThatLaterEntriesFill) {
  TTempDir tmp;
  std::string dir = tmp.Dir("drums");
  tmp.File("drums/kick.wav", "not read");
  TScan scan;
  scan.Entries.Add("\\DRUMS", dir);
  scan.Entries.Add("\\DRUMS\\F.TXT", tmp.File("f", "x"));
  scan.Run();
  EXPECT_EQ(Names(scan.Dir({"DRUMS"})), (std::vector<std::string>{".", "..", "F.TXT"}));
  EXPECT_TRUE(scan.Host.Asked.empty());

  // A directory made implicitly by an earlier entry clashes with a
  // directory entry of the same name.
  TEntryList later;
  later.Add("\\IMPL", dir);
  later.Add("\\IMPL\\G.TXT", tmp.File("g", "x"));
  scan.Host.Answers = {TAnswer::No};
  EXPECT_EQ(ScanEntry(scan.State, scan.Host, later, 1), TScanResult::Next);
  EXPECT_EQ(ScanEntry(scan.State, scan.Host, later, 0), TScanResult::Next);
  ASSERT_EQ(scan.Host.Asked.size(), 1u);
  EXPECT_EQ(scan.Host.Asked[0].Text, "The file \\IMPL already exists. Do you want to abort?");
}

TEST(ScanEntry, RefusesPathsTooDeepForTheWalk) {
  TTempDir tmp;
  std::string f = tmp.File("f", "x");
  std::string dir = tmp.Dir("d");
  std::string path63, path62;
  for (int i = 0; i < 63; ++i) path63 += "\\D";
  path62 = path63.substr(2);
  TScan scan;
  scan.Entries.Add(path63 + "\\F", f);    // 63 directories above a file: fine
  scan.Entries.Add(path63 + "\\D\\F", f);  // 64: refused
  scan.Entries.Add(path62 + "\\E", dir);  // a 63rd directory: fine
  scan.Entries.Add(path63 + "\\E", dir);  // a 64th directory: refused
  scan.Host.Fallback = TAnswer::No;
  scan.Run();
  ASSERT_EQ(scan.Host.Asked.size(), 2u);
  EXPECT_EQ(scan.Host.Asked[0].Text, "The image path " + path63 +
                                         "\\D\\F holds more than 63 directories. "
                                         "Do you want to abort?");
  EXPECT_EQ(scan.State.ItemCount, 63 + 1 + 1);

  // The walk reaches the deepest node without running out of levels.
  WalkStart(scan.State);
  int nodes = 0, deepest = 0;
  for (;;) {
    TImageInfo* node = nullptr;
    TWalkResult r = WalkNext(scan.State, &node);
    if (r == TWalkResult::Done) break;
    if (r == TWalkResult::Node) {
      ++nodes;
      deepest = std::max(deepest, scan.State.Depth);
      WalkPast(scan.State, *node);
    }
  }
  EXPECT_EQ(nodes, scan.State.ItemCount);
  EXPECT_EQ(deepest, 63);
}

TEST(CountStep, MeasuresFilesAndDirectoriesForEveryClusterSize) {
  TTempDir tmp;
  TScan scan;
  scan.Entries.Add("\\EMPTY", tmp.File("empty"));
  scan.Entries.Add("\\ONE", tmp.File("one", std::string(512, 'x')));
  scan.Entries.Add("\\TWO", tmp.File("two", std::string(513, 'x')));
  for (int i = 0; i < 15; ++i)  // 15 children besides the dots: 17 records
    scan.Entries.Add("\\SUB\\F" + std::to_string(i), tmp.File("empty"));
  scan.Run();

  TBuildState& s = scan.State;
  WalkStart(s);
  std::vector<TCountResult> results;
  TCountResult r;
  while ((r = CountStep(s, scan.Host)) != TCountResult::Done) results.push_back(r);
  EXPECT_EQ(std::count(results.begin(), results.end(), TCountResult::Node), s.ItemCount);
  EXPECT_EQ(std::count(results.begin(), results.end(), TCountResult::Up), 1);  // SUB finished
  // ONE: 1 cluster everywhere; TWO: 2 at 512, then 1; SUB: 17 records =
  // 544 bytes, 2 at 512, then 1; the empty files nothing.
  EXPECT_EQ(s.ClusterCounts[0], 1 + 2 + 2);
  for (int i = 1; i < CandidateCount; ++i) EXPECT_EQ(s.ClusterCounts[i], 3);
  EXPECT_EQ(scan.Host.Statuses.front(), "\\SUB");
  EXPECT_EQ(scan.Host.Statuses.back(), "\\TWO");
}

TEST(CountStep, CountsTheSizeTheScanFoundWithoutOpeningTheSource) {
  TTempDir tmp;
  TScan scan;
  std::string f = tmp.File("f", std::string(513, 'x'));
  scan.Entries.Add("\\F", f);
  scan.Run();
  // Gone between scan and count: the writing pass is the one to ask.
  ASSERT_EQ(std::remove(f.c_str()), 0);
  WalkStart(scan.State);
  EXPECT_EQ(CountStep(scan.State, scan.Host), TCountResult::Node);
  EXPECT_TRUE(scan.Host.Asked.empty());
  EXPECT_EQ(scan.State.ClusterCounts[0], 2);
}

TEST(BuildState, StartsWithPresetsAndReleasesEverything) {
  TBuildState s;
  const uint8_t stamp[] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xAE, 0x9C, 0x7C, 0x10};
  EXPECT_TRUE(std::equal(std::begin(stamp), std::end(stamp), s.DirRecord.begin() + 12));
  s.Begin(5);
  EXPECT_EQ(s.State, TBuildStage::Scan);
  EXPECT_EQ(s.EntryCount, 5);
  EXPECT_EQ(s.ClusterSizes,
            (std::array<int32_t, 8>{512, 1024, 2048, 4096, 8192, 16384, 32768, 65536}));
  ASSERT_TRUE(s.Root);
  EXPECT_EQ(s.Root->Count(), 0u);
  EXPECT_EQ(s.Root->Capacity(), 16u);
  TTempDir tmp;
  s.Copy.Source = OpenForReading(tmp.File("source", "x"));
  ASSERT_NE(s.Copy.Source, NoFile);
  const TFileHandle held = s.Copy.Source;
  s.Release();
  EXPECT_FALSE(s.Root);
  EXPECT_EQ(s.Copy.Source, NoFile);
  EXPECT_FALSE(CloseFile(held));  // the source is closed already
  EXPECT_FALSE(s.ImageFile.IsOpen());
}

TEST(Geometry, ClusterTotalsSaturateInsteadOfWrapping) {
  TBuildState s;
  s.Begin(1);
  CountFile(s, int64_t(3) << 30);  // a 3 GiB file
  CountFile(s, int64_t(3) << 40);
  EXPECT_EQ(s.ClusterCounts[0], INT32_MAX);
  EXPECT_TRUE(ChooseClusterSize(s) == false || !ComputeLayout(s));
}
