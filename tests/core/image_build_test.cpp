// Whole builds from real files, read back by fsck.fat and mtools, with the
// bytes the layout fixes checked exactly.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <functional>
#include <string>

#include "build_runner.h"
#include "image/byte_order.h"
#include "image/geometry.h"
#include "image/image_estimate.h"
#include "image/image_reader.h"
#include "image/status_text.h"
#include "image_check.h"
#include "platform/file_system.h"
#include "temp_dir.h"

using namespace std::string_literals;

namespace {
const uint8_t* U(const std::string& s, std::size_t at) {
  return reinterpret_cast<const uint8_t*>(s.data()) + at;
}

struct TBuilt {
  TTempDir Tmp;
  TEntryList Entries;
  TScriptHost Host;
  std::string Image;
  std::string Bytes;
  bool Done = false;
  int EndCode = -1;
  TBuildState State;  // a copy of the figures of the finished build

  TBuilt() { Image = Tmp / "out.trk"; }
  void Build(TBuildOptions options = {}) {
    Host.SaveNames = {Image};
    TImageBuild build(Entries, Host, options);
    RunBuild(build);
    Done = build.Done();
    EndCode = build.Ended() ? static_cast<int>(build.EndCode()) : -1;
    const TBuildState& s = build.State();
    State.Chosen = s.Chosen;
    State.ImageSize = s.ImageSize;
    State.DataOffset = s.DataOffset;
    State.RootDirOffset = s.RootDirOffset;
    State.Fat1Offset = s.Fat1Offset;
    State.Fat2Offset = s.Fat2Offset;
    State.ClusterSizes = s.ClusterSizes;
    State.ClusterCounts = s.ClusterCounts;
    State.FreeClusters = s.FreeClusters;
    State.ClustersWritten = s.ClustersWritten;
    Bytes = std::filesystem::is_regular_file(Image) ? ReadBytes(Image) : std::string();
  }
  uint16_t Fat(int cluster) const { return Get16(U(Bytes, State.Fat1Offset + 2 * cluster)); }
  std::string Record(int64_t at) const { return Bytes.substr(static_cast<std::size_t>(at), 32); }
  int64_t Cluster(int n) const {
    return State.DataOffset + int64_t(n - 2) * State.ClusterSizes[State.Chosen];
  }
  // Every source's bytes come back out of the image through mcopy.
  void ExpectExtractsAs(const std::map<std::string, std::string>& files) {
    std::string out = Tmp.Dir("extracted");
    TRun run = ExtractImage(Image, out);
    ASSERT_EQ(run.Status, 0) << run.Output;
    for (const auto& [path, bytes] : files)
      EXPECT_EQ(ReadBytes(out + "/" + path), bytes) << path;
  }
};

std::string Pattern(std::size_t n, int seed) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + seed * 7) % 251);
  return s;
}
}  // namespace

TEST(Layout, WorkedExamplesComeOutExactly) {
  TBuildState s;
  s.Begin(1);
  s.ClusterCounts = {1954, 977, 489, 245, 123, 62, 31, 16};
  ASSERT_TRUE(ChooseClusterSize(s) && ComputeLayout(s));
  EXPECT_EQ(s.Chosen, 0);
  EXPECT_EQ(s.FreeClusters, 2142);
  EXPECT_EQ(BootSectorsPerFat(s.BootSector), 17);
  EXPECT_EQ(s.ImageSize, 2131456);
  EXPECT_EQ(s.TailBytes, 0);
  EXPECT_EQ(s.RootDirSectors, 32);

  s.ClusterCounts = {200000, 100000, 50000, 25000, 12500, 6250, 3125, 1563};
  ASSERT_TRUE(ChooseClusterSize(s) && ComputeLayout(s));
  EXPECT_EQ(s.Chosen, 2);
  EXPECT_EQ(BootSectorsPerFat(s.BootSector), 196);
  EXPECT_EQ(s.ImageSize, 102619136);
  EXPECT_EQ(s.TailBytes, 1536);

  s.ClusterCounts = {INT32_MAX, INT32_MAX, 500000, 300000, 200000, 100000, 65518, 40000};
  ASSERT_TRUE(ChooseClusterSize(s) && ComputeLayout(s));
  EXPECT_EQ(s.Chosen, 6);
  EXPECT_EQ(BootSectorsPerFat(s.BootSector), 256);
  EXPECT_EQ(s.ImageSize, 2147188736);
  EXPECT_EQ(s.TailBytes, 15872);
}

TEST(Layout, TheSmallestSizeThatFitsWinsAndHugeVolumesAreRefused) {
  TBuildState s;
  s.Begin(1);
  s.ClusterCounts = {65519, 65518, 10, 5, 3, 2, 1, 1};
  ASSERT_TRUE(ChooseClusterSize(s));
  EXPECT_EQ(s.Chosen, 1);  // even though larger sizes need fewer clusters
  s.ClusterCounts.fill(70000);
  EXPECT_FALSE(ChooseClusterSize(s));
  // Below 65518 clusters, yet over 2 GiB with 64 KiB clusters.
  s.ClusterCounts = {INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX, 65530,
                     32765};
  ASSERT_TRUE(ChooseClusterSize(s));
  EXPECT_EQ(s.Chosen, 7);
  EXPECT_FALSE(ComputeLayout(s));
  s.ClusterCounts[7] = 32764;
  EXPECT_TRUE(ComputeLayout(s));
}

// The window's figures come from the scan and the layout of a build, made
// from sizes read beforehand: for every shape of list they agree with the
// statistics a build shows (and then writes), and say why a build would stop.
TEST(Layout, TheEstimateOfAListIsWhatItsBuildMakes) {
  // A build that goes on wherever it can: a source it cannot reach is
  // ignored, a clash skipped; it stops at the statistics.
  struct TGoOnHost : TScriptHost {
    TAnswer Answer(const TQuestion& q) override {
      TScriptHost::Answer(q);
      return q.Kind == TQuestionKind::SourceUnreachable ? TAnswer::Ignore : TAnswer::No;
    }
  };
  auto sparse = [](const std::string& path, int64_t size) {
    std::ofstream(path).close();
    std::filesystem::resize_file(path, static_cast<std::uintmax_t>(size));
    return path;
  };
  struct TCase {
    const char* Name;
    std::function<void(const TTempDir&, TEntryList&)> Fill;
    int64_t Size;  // 0: whatever the build makes
    const char* Text;
  };
  const TCase cases[] = {
      {"one file of 1,000,000 bytes",
       [](const TTempDir& t, TEntryList& e) {
         e.Add("\\A", t.File("a", std::string(1000000, 'a')));
       },
       2131456, "1 entry \u00B7 image 2.0 MiB \u00B7 1 % of an 80-minute CD-R"},
      {"the largest volume of 32,768-byte clusters",
       [&](const TTempDir& t, TEntryList& e) { e.Add("\\B", sparse(t / "b", 65518 * 32768ll)); },
       2147188736,
       "1 entry \u00B7 image 2.00 GiB \u00B7 292 % of an 80-minute CD-R, too large for it"},
      {"folders of their own clusters, a folder as a line, clashes, a source gone",
       [&](const TTempDir& t, TEntryList& e) {
         for (int n = 0; n < 15; ++n)  // 17 records: two clusters of 512
           e.Add("\\D17\\F" + std::to_string(n), t.File("d/f" + std::to_string(n), "f"));
         e.Add("\\D17\\F3", t.File("other", std::string(5000, 'o')));  // the first stays
         // Past 4,096 clusters, where every cluster of a folder counts.
         e.Add("\\A\\B\\C\\DEEP.WAV", sparse(t / "deep", 5000000));
         e.Add("\\EMPTY.TXT", t.File("empty"));
         e.Add("\\EMPTY.TXT\\X", t.File("x", "x"));  // a file where a folder goes
         e.Add("\\DRUMS", t.Dir("drums"));
         e.Add("\\DRUMS\\KICK.WAV", t.File("kick", std::string(1500, 'k')));
         e.Add("\\GONE.WAV", t / "gone");
       },
       0, "22 entries \u00B7 image 4.8 MiB \u00B7 1 % of an 80-minute CD-R \u00B7 1 file cannot be "
          "read \u00B7 2 clashing lines"},
      {"over FAT16's limit",
       [&](const TTempDir& t, TEntryList& e) { e.Add("\\HUGE", sparse(t / "huge", 3ll << 30)); },
       0, "1 entry \u00B7 too large for an image (2 GiB at most)"},
      {"513 items in the root",
       [](const TTempDir& t, TEntryList& e) {
         for (int n = 0; n < 513; ++n) e.Add("\\F" + std::to_string(n), t.File("f", "x"));
       },
       0, "513 entries \u00B7 too many entries in \\ (512 at most)"},
      {"nothing that can be read",
       [](const TTempDir& t, TEntryList& e) { e.Add("\\A", t / "a"); e.Add("\\B", t / "b"); },
       0, "2 entries \u00B7 2 files cannot be read"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TTempDir tmp;
    TEntryList entries;
    c.Fill(tmp, entries);
    TGoOnHost host;
    host.ConfirmStats = false;
    TImageBuild build(entries, host);
    RunBuild(build);
    // Worked out one line a step, as the window does it when it is busy.
    TImageEstimate estimate;
    while (estimate.Step(entries, std::chrono::steady_clock::duration::zero())) {}
    ASSERT_TRUE(estimate.UpToDate(entries));
    const TEstimate& e = estimate.Last();
    EXPECT_EQ(EstimateText(e), c.Text);
    if (e.End == TEstimateEnd::Fits) {
      EXPECT_EQ(e.ImageSize, host.Stats.ImageSize);
      if (c.Size) {
        EXPECT_EQ(e.ImageSize, c.Size);
      }
    } else if (e.End == TEstimateEnd::NothingLeft) {
      EXPECT_EQ(build.Why(), TStop::NothingLeft);
    } else {
      EXPECT_EQ(build.StopKind(), e.End == TEstimateEnd::TooLarge ? TQuestionKind::TooLarge
                                                                   : TQuestionKind::RootFull);
    }
  }
}

TEST(ImageBuild, SmallTreeHasExactlyTheLayoutItShould) {
  TBuilt b;
  std::string x = Pattern(1000, 1), f = Pattern(600, 2);
  b.Entries.Add("\\A\\X", b.Tmp.File("x", x));
  b.Entries.Add("\\B", b.Tmp.Dir("b"));
  b.Entries.Add("\\F", b.Tmp.File("f", f));
  b.Build();
  ASSERT_TRUE(b.Done) << (b.Host.Asked.empty() ? "" : b.Host.Asked[0].Text);
  EXPECT_EQ(b.Host.Captions.back(), "Done");
  EXPECT_EQ(b.Host.ButtonText, "Ok");
  ASSERT_EQ(b.Bytes.size(), 2131456u);

  // Boot sector.
  const std::string& i = b.Bytes;
  EXPECT_EQ(i.substr(0, 3), "\xE9\x00\x00"s);
  EXPECT_EQ(i.substr(3, 8), "QVIM1.2 ");
  EXPECT_EQ(Get16(U(i, 11)), 512);
  EXPECT_EQ(uint8_t(i[13]), 1);
  EXPECT_EQ(Get16(U(i, 14)), 1);
  EXPECT_EQ(uint8_t(i[16]), 2);
  EXPECT_EQ(Get16(U(i, 17)), 512);
  EXPECT_EQ(Get16(U(i, 19)), 0);
  EXPECT_EQ(uint8_t(i[21]), 0xF8);
  EXPECT_EQ(Get16(U(i, 22)), 17);
  EXPECT_EQ(Get32(U(i, 24)), 0u);  // sectors per track and heads
  EXPECT_EQ(Get32(U(i, 32)), 4163u);
  EXPECT_EQ(uint8_t(i[38]), 0x29);
  EXPECT_EQ(i.substr(39, 4), "\x00\x25\x00\x20"s);
  EXPECT_EQ(i.substr(43, 19), "QVIMAKERVOLFAT16   ");
  EXPECT_EQ(i.substr(62, 448), std::string(448, '\0'));
  EXPECT_EQ(i.substr(510, 2), "\x55\xAA");

  // A gets cluster 2, X 3-4, B 5, F 6-7; both FATs alike.
  EXPECT_EQ(b.State.Fat1Offset, 512);
  EXPECT_EQ(b.State.Fat2Offset, 512 + 17 * 512);
  EXPECT_EQ(i.substr(512, 4), "\xF8\xFF\xFF\xFF");
  const uint16_t chain[] = {0xFFFF, 4, 0xFFFF, 0xFFFF, 7, 0xFFFF, 0};
  for (int c = 2; c <= 8; ++c) EXPECT_EQ(b.Fat(c), chain[c - 2]) << c;
  EXPECT_EQ(i.substr(512, 17 * 512), i.substr(512 + 17 * 512, 17 * 512));

  // Root records in child order: directories A, B, then file F.
  const int64_t root = b.State.RootDirOffset;
  EXPECT_EQ(root, 512 + 2 * 17 * 512);
  std::string a = b.Record(root);
  EXPECT_EQ(a.substr(0, 11), "A          ");
  EXPECT_EQ(uint8_t(a[11]), 0x10);
  EXPECT_EQ(a.substr(12, 14), std::string(10, '\0') + "\xAE\x9C\x7C\x10");
  EXPECT_EQ(Get16(U(a, 26)), 2);
  EXPECT_EQ(Get32(U(a, 28)), 0u);
  EXPECT_EQ(b.Record(root + 32).substr(0, 11), "B          ");
  std::string fr = b.Record(root + 64);
  EXPECT_EQ(fr.substr(0, 12), "F          \x00"s);
  EXPECT_EQ(Get16(U(fr, 26)), 6);
  EXPECT_EQ(Get32(U(fr, 28)), 600u);
  EXPECT_EQ(b.Record(root + 96), std::string(32, '\0'));

  // A's cluster: ".", ".." (parent is the root: 0), X's record in slot 2.
  int64_t ac = b.Cluster(2);
  EXPECT_EQ(b.Record(ac).substr(0, 12), ".          \x10");
  EXPECT_EQ(Get16(U(i, ac + 26)), 2);
  EXPECT_EQ(b.Record(ac + 32).substr(0, 12), "..         \x10");
  EXPECT_EQ(Get16(U(i, ac + 32 + 26)), 0);
  EXPECT_EQ(Get16(U(i, ac + 64 + 26)), 3);
  EXPECT_EQ(Get32(U(i, ac + 64 + 28)), 1000u);
  EXPECT_EQ(i.substr(ac + 96, 512 - 96), std::string(512 - 96, '\0'));

  // Contents, with the slack of last clusters zero.
  EXPECT_EQ(i.substr(b.Cluster(3), 1000), x);
  EXPECT_EQ(i.substr(b.Cluster(3) + 1000, 24), std::string(24, '\0'));
  EXPECT_EQ(i.substr(b.Cluster(6), 600), f);
  EXPECT_EQ(i.substr(b.Cluster(6) + 600, 424), std::string(424, '\0'));
  EXPECT_EQ(b.State.ClustersWritten, b.State.ClusterCounts[0]);
  EXPECT_EQ(b.Host.Gauges.back(), 100);

  EXPECT_EQ(FsckProblems(b.Image), "");
  b.ExpectExtractsAs({{"A/X", x}, {"F", f}});
}

TEST(ImageBuild, ReadersAcceptEveryShapeOfTree) {
  TBuilt b;
  std::map<std::string, std::string> files;
  auto add = [&](const std::string& image, const std::string& rel, std::string bytes) {
    b.Entries.Add(image, b.Tmp.File("src/" + rel, bytes));
    files[rel] = std::move(bytes);
  };
  add("\\EMPTY.TXT", "EMPTY.TXT", "");
  add("\\EXACT.BIN", "EXACT.BIN", Pattern(512, 3));
  add("\\OVER.BIN", "OVER.BIN", Pattern(513, 4));
  for (int n = 0; n < 14; ++n) add("\\D16\\F" + std::to_string(n), "D16/F" + std::to_string(n), "");
  for (int n = 0; n < 15; ++n) add("\\D17\\F" + std::to_string(n), "D17/F" + std::to_string(n), Pattern(n * 100, n));
  add("\\A\\B\\C\\DEEP.WAV", "A/B/C/DEEP.WAV", Pattern(5000, 5));
  add("\\A\\SIDE.QVF", "A/SIDE.QVF", Pattern(70, 6));
  b.Entries.Add("\\EMPTYDIR", b.Tmp.Dir("emptydir"));
  b.Build();
  ASSERT_TRUE(b.Done);
  EXPECT_EQ(FsckProblems(b.Image), "");
  b.ExpectExtractsAs(files);
  EXPECT_TRUE(std::filesystem::is_directory(b.Tmp / "extracted/EMPTYDIR"));
  // An empty file has no cluster; D17's 17 records take two clusters.
  int64_t root = b.State.RootDirOffset;
  for (int slot = 0; slot < 8; ++slot) {
    std::string r = b.Record(root + 32 * slot);
    if (r.substr(0, 11) == "EMPTY   TXT") {
      EXPECT_EQ(Get16(U(r, 26)), 0);
    }
    if (r.substr(0, 11) == "D17        ") {
      uint16_t c = Get16(U(r, 26));
      EXPECT_EQ(b.Fat(c), c + 1);
      EXPECT_EQ(b.Fat(c + 1), 0xFFFF);
    }
    if (r.substr(0, 11) == "D16        ") {
      EXPECT_EQ(b.Fat(Get16(U(r, 26))), 0xFFFF);
    }
  }
  // The same sources give the same image, byte for byte.
  std::string first = b.Bytes;
  b.Build();
  EXPECT_EQ(b.Bytes, first);
}

TEST(ImageBuild, RootTakesExactly512ItemsAndAFolder65536Records) {
  for (int items : {512, 513}) {
    TBuilt b;
    std::string f = b.Tmp.File("f", "x");
    for (int n = 0; n < items; ++n) b.Entries.Add("\\F" + std::to_string(n), f);
    b.Build();
    if (items == 512) {
      EXPECT_TRUE(b.Done);
      EXPECT_EQ(FsckProblems(b.Image), "");
    } else {
      EXPECT_EQ(b.EndCode, 2);
      ASSERT_EQ(b.Host.Asked.size(), 1u);
      EXPECT_EQ(b.Host.Asked[0].Text,
                "Sorry, I can't continue. The root directory exceeds 512 entries. "
                "Please reduce the number of root directory entries.");
      EXPECT_EQ(b.Host.Asked[0].Caption, "Error");
      EXPECT_TRUE(b.Host.SaveProposals.empty());
    }
  }
  // "." and ".." count: 65,534 files fill \D; one more folder in it is
  // refused. (Names in sorted order keep the list quick to fill; the
  // program's own reader checks the image, as fsck.fat takes long here.)
  for (bool over : {false, true}) {
    TBuilt b;
    std::string f = b.Tmp.File("f");
    char name[16];
    for (int n = 0; n < 65534; ++n) {
      std::snprintf(name, sizeof name, "\\D\\F%05d", n);
      b.Entries.Add(name, f);
    }
    if (over) b.Entries.Add("\\D\\ZZ\\X", f);
    b.Build();
    if (!over) {
      EXPECT_TRUE(b.Done);
      TImageCheck check = CheckImage(b.Image, nullptr);
      EXPECT_TRUE(check.Ok()) << check.Problems[0];
      EXPECT_EQ(check.Files, 65534);
      continue;
    }
    EXPECT_EQ(b.EndCode, 3);  // the scan stopped at that entry
    ASSERT_EQ(b.Host.Asked.size(), 1u);
    EXPECT_EQ(b.Host.Asked[0].Text,
              "Sorry, I can't continue. The directory \\D exceeds 65536 entries. "
              "Please reduce the number of entries in this directory.");
    EXPECT_TRUE(b.Host.SaveProposals.empty());
  }
}

TEST(ImageBuild, LargeVolumesChooseLargerClustersAndFillTheFat) {
  // 70,000 clusters of data at 512 bytes: too many, so 1024-byte clusters.
  TBuilt b;
  std::string big = b.Tmp / "big";
  { std::ofstream(big).close(); }
  std::filesystem::resize_file(big, int64_t(70000) * 512);  // sparse
  b.Entries.Add("\\BIG.BIN", big);
  b.Build();
  ASSERT_TRUE(b.Done);
  EXPECT_EQ(b.State.Chosen, 1);
  EXPECT_EQ(b.Host.Stats.ClusterSize, 1024);
  EXPECT_EQ(b.Host.Stats.ClusterTotal, 35000);
  EXPECT_EQ(b.State.FreeClusters, 0);
  EXPECT_FALSE(std::count(b.Host.Statuses.begin(), b.Host.Statuses.end(), "Writing Free Clusters"));
  EXPECT_EQ(FsckProblems(b.Image), "");
  EXPECT_EQ(int64_t(b.Bytes.size()), b.State.ImageSize);
}

TEST(ImageBuild, SkippedEntriesEndSilentlyAndScanStopsNameTheLine) {
  TBuilt b;
  b.Entries.Add("\\A", b.Tmp / "missing-a");
  b.Entries.Add("\\B", b.Tmp / "missing-b");
  b.Host.Fallback = TAnswer::Ignore;
  b.Build();
  EXPECT_EQ(b.EndCode, 2);
  EXPECT_EQ(b.Host.Asked.size(), 2u);
  EXPECT_FALSE(std::filesystem::exists(b.Image));

  TBuilt c;
  std::string f = c.Tmp.File("f", "x");
  for (int n = 0; n < 7; ++n) c.Entries.Add("\\F" + std::to_string(n), f);
  c.Entries.Add("\\G", c.Tmp / "missing");
  c.Host.Fallback = TAnswer::Abort;
  FailedEntry = -1;
  c.Build();
  EXPECT_EQ(c.EndCode, 3);
  EXPECT_EQ(FailedEntry, 7);
}

TEST(ImageBuild, CancelInTheDialogsCreatesNoFile) {
  TBuilt stats;
  stats.Entries.Add("\\F", stats.Tmp.File("f", "x"));
  stats.Host.ConfirmStats = false;
  stats.Build();
  EXPECT_EQ(stats.EndCode, 2);
  EXPECT_TRUE(stats.Host.SaveProposals.empty());
  EXPECT_FALSE(std::filesystem::exists(stats.Image));

  TBuilt save;
  save.Entries.Add("\\F", save.Tmp.File("f", "x"));
  save.Host.SaveNames.clear();
  TImageBuild build(save.Entries, save.Host);
  RunBuild(build);
  EXPECT_EQ(build.EndCode(), TBuildEnd::Stopped);
  EXPECT_EQ(save.Host.SaveProposals, std::vector<std::string>{"*.trk"});
  EXPECT_EQ(save.Host.Stats.ClusterTotal, 4096);
}

TEST(ImageBuild, TooLittleSpaceAsksForAnotherFileUntilCancel) {
  TBuilt b;
  b.Entries.Add("\\F", b.Tmp.File("f", "x"));
  b.Host.UnitSize = 4096;
  b.Host.FreeUnits = 2131456 / 4096;  // one unit short: a new file takes one more
  b.Host.SaveNames = {b.Image, b.Image};
  TImageBuild build(b.Entries, b.Host);
  RunBuild(build);
  EXPECT_EQ(build.EndCode(), TBuildEnd::Stopped);
  ASSERT_EQ(b.Host.Asked.size(), 2u);
#ifdef _WIN32
  // Windows names the drive, as its users know it.
  const std::string where = b.Tmp.Path.substr(0, 2) + "\\";
  ASSERT_EQ(b.Tmp.Path[1], ':');
#else
  const std::string where = b.Tmp.Path + PathSeparator();
#endif
  EXPECT_EQ(b.Host.Asked[0].Text,
            "Not enough space on drive " + where + "  The image needs 2138112 bytes, and 2129920 "
            "bytes are free. Please free space or choose another drive.");
  EXPECT_EQ(b.Host.SaveProposals, (std::vector<std::string>{"*.trk", b.Image, b.Image}));

  // Replacing an existing file counts its clusters as free.
  b.Tmp.File("out.trk", std::string(8192, 'o'));
  TScriptHost host;
  host.UnitSize = 4096;
  host.FreeUnits = 2131456 / 4096 - 1;
  host.SaveNames = {b.Image};
  TImageBuild replace(b.Entries, host);
  RunBuild(replace);
  EXPECT_TRUE(replace.Done());
}

TEST(ImageBuild, AFileThatCannotBeCreatedIsNamed) {
  TBuilt b;
  b.Entries.Add("\\F", b.Tmp.File("f", "x"));
  b.Image = b.Tmp / "no/such/folder/out.trk";
  b.Build();
  EXPECT_EQ(b.EndCode, 2);
  ASSERT_EQ(b.Host.Asked.size(), 1u);
  EXPECT_EQ(b.Host.Asked[0].Text,
            "Sorry, I can't open the file " + b.Image + " for writing: No such file or directory.");
  EXPECT_EQ(b.Host.Asked[0].Caption, "File Error");
}

TEST(ImageBuild, CancelDuringTheDataLeavesAShorterFileAndNothingHeld) {
  TBuilt b;
  for (int n = 0; n < 4; ++n)
    b.Entries.Add("\\F" + std::to_string(n), b.Tmp.File("f" + std::to_string(n), Pattern(3000, n)));
  b.Host.SaveNames = {b.Image};
  TImageBuild build(b.Entries, b.Host);
  build.Start();
  while (build.Stage() != TBuildStage::Data) build.Step();
  build.Step();
  build.Cancel();
  EXPECT_EQ(build.EndCode(), TBuildEnd::Stopped);
  EXPECT_EQ(build.State().State, TBuildStage::Idle);
  EXPECT_FALSE(build.State().Root);
  EXPECT_EQ(build.State().Copy.Source, -1);
  EXPECT_FALSE(build.State().ImageFile.IsOpen());
  auto size = std::filesystem::file_size(b.Image);
  EXPECT_GT(size, 512u);
  EXPECT_LT(size, 2131456u);
  build.Step();  // nothing more happens after the end
  EXPECT_EQ(std::filesystem::file_size(b.Image), size);
}

TEST(ImageBuild, AFullDiskStopsTheBuildInsteadOfCallingItDone) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows has no device that is always full";
#endif
  TBuilt b;
  b.Entries.Add("\\F", b.Tmp.File("f", Pattern(100000, 1)));
  b.Image = "/dev/full";
  b.Build();
  EXPECT_FALSE(b.Done);
  EXPECT_EQ(b.EndCode, 2);
  ASSERT_FALSE(b.Host.Asked.empty());
  EXPECT_EQ(b.Host.Asked.back().Text,
            "Sorry, I can't write the file /dev/full: No space left on device");
  EXPECT_EQ(b.Host.Asked.back().Caption, "File Error");
  EXPECT_NE(b.Host.Captions.back(), "Done");
}

TEST(ImageBuild, ASourceThatChangesSizeStopsTheBuild) {
  // Shrinking, growing, and growing past a whole number of clusters.
  for (auto [size, changed] : {std::pair{2000, 1999}, {2000, 2001}, {2048, 2049}, {0, 1}}) {
    TBuilt b;
    std::string f = b.Tmp.File("f", Pattern(size, 1));
    b.Entries.Add("\\F", f);
    b.Host.SaveNames = {b.Image};
    TImageBuild build(b.Entries, b.Host);
    build.Start();
    while (build.Stage() != TBuildStage::Data) build.Step();
    std::filesystem::resize_file(f, changed);
    while (build.Running()) build.Step();
    EXPECT_FALSE(build.Done()) << size << " -> " << changed;
    ASSERT_EQ(b.Host.Asked.size(), 1u);
    EXPECT_EQ(b.Host.Asked[0].Text, "The file " + f +
                                        " has changed its size since it was measured. "
                                        "Please create the image again.");
  }
}

TEST(ImageBuild, WritingViaATemporaryLeavesNothingBehindOnAStop) {
  TBuilt b;
  b.Entries.Add("\\F", b.Tmp.File("f", "x"));
  b.Build({true});
  ASSERT_TRUE(b.Done);
  EXPECT_EQ(FsckProblems(b.Image), "");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(b.Tmp.Path),
                          std::filesystem::directory_iterator()),
            2);  // the source and the image

  TBuilt stop;
  std::string f = stop.Tmp.File("f", Pattern(5000, 2));
  stop.Entries.Add("\\F", f);
  stop.Host.SaveNames = {stop.Image};
  TImageBuild build(stop.Entries, stop.Host, {true});
  build.Start();
  while (build.Stage() != TBuildStage::Data) build.Step();
  build.Cancel();
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(stop.Tmp.Path),
                          std::filesystem::directory_iterator()),
            1);  // only the source
}

TEST(SetStatus, CutsTheFrontOneDirectoryAtATime) {
  TScriptHost host;
  host.StatusWidth = 14;
  SetStatus(host, "C:\\SOUNDS\\PIANO\\GRAND.QVF");
  EXPECT_EQ(host.Statuses.back(), "...\\GRAND.QVF");
  host.StatusWidth = 19;
  SetStatus(host, "C:\\SOUNDS\\PIANO\\GRAND.QVF");
  EXPECT_EQ(host.Statuses.back(), "...\\PIANO\\GRAND.QVF");
  host.StatusWidth = 3;
  SetStatus(host, "\\NOCUT.WAV");
  EXPECT_EQ(host.Statuses.back(), "\\NOCUT.WAV");
}
