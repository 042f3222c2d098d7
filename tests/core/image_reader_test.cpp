// The image reader passes what the engine writes and catches each kind of
// damage with its own message.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "build_runner.h"
#include "image/byte_order.h"
#include "image/image_reader.h"
#include "image_check.h"
#include "temp_dir.h"

namespace {
struct TImage {
  TTempDir Tmp;
  TEntryList Entries;
  std::string Path;
  int32_t RootOffset = 0, DataOffset = 0, Fat1 = 0, Fat2 = 0, Cluster = 0;

  TImage() {
    Path = Tmp / "image.trk";
    Entries.Add("\\SUB\\DEEP\\X.WAV", Tmp.File("x.wav", std::string(3000, 'x')));
    Entries.Add("\\SUB\\Y.QVF", Tmp.File("y.qvf", "yyyy"));
    Entries.Add("\\README.", Tmp.File("readme", "hello"));
    Entries.Add("\\EMPTY", Tmp.Dir("empty"));
    Entries.Add("\\ZERO", Tmp.File("zero"));
    TScriptHost host;
    host.SaveNames = {Path};
    TImageBuild build(Entries, host);
    RunBuild(build);
    EXPECT_TRUE(build.Done());
    RootOffset = build.State().RootDirOffset;
    DataOffset = build.State().DataOffset;
    Fat1 = build.State().Fat1Offset;
    Fat2 = build.State().Fat2Offset;
    Cluster = build.State().ClusterSize();
  }
  void Poke(int64_t at, std::initializer_list<uint8_t> bytes) {
    std::fstream f(Path, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(at);
    for (uint8_t b : bytes) f.put(static_cast<char>(b));
  }
  // Offset of the record named name11 in the directory whose data is at dir.
  int64_t FindRecord(int64_t dir, const std::string& name11) {
    std::string bytes = ReadBytes(Path);
    for (int64_t at = dir;; at += 32)
      if (bytes.compare(static_cast<std::size_t>(at), 11, name11) == 0) return at;
  }
  int64_t ClusterAt(uint16_t c) const { return DataOffset + int64_t(c - 2) * Cluster; }
  uint16_t FirstCluster(int64_t record) {
    std::string r = ReadBytes(Path).substr(static_cast<std::size_t>(record), 32);
    return Get16(reinterpret_cast<const uint8_t*>(r.data()) + 26);
  }
};

std::string All(const TImageCheck& c) {
  std::string s;
  for (const auto& p : c.Problems) s += p + "\n";
  return s;
}
}  // namespace

TEST(ImageReader, PassesWhatTheEngineWrites) {
  TImage image;
  TImageCheck check = CheckImage(image.Path, &image.Entries);
  EXPECT_TRUE(check.Ok()) << All(check);
  EXPECT_EQ(check.Files, 4);
  EXPECT_EQ(check.Directories, 3);
  EXPECT_EQ(check.ClusterSize, 512);
  EXPECT_EQ(check.Clusters, 4096);
}

TEST(ImageReader, CatchesEachKindOfDamageWithItsOwnMessage) {
  struct TDamage {
    const char* What;
    std::function<void(TImage&)> Do;
    const char* Expect;
  };
  const TDamage damages[] = {
      {"flipped FAT entry",
       [](TImage& i) {
         uint16_t c = i.FirstCluster(i.FindRecord(i.RootOffset, "README     "));
         i.Poke(i.Fat1 + 2 * c, {0x00, 0x00});
         i.Poke(i.Fat2 + 2 * c, {0x00, 0x00});
       },
       "breaks off at cluster"},
      {"differing FATs", [](TImage& i) { i.Poke(i.Fat2 + 2 * 4000, {0x01, 0x00}); },
       "the two FATs differ at entry 4000"},
      {"wrong size",
       [](TImage& i) { i.Poke(i.FindRecord(i.RootOffset, "README     ") + 28, {0x00, 0x10}); },
       "its size of 4096 bytes needs 8 clusters, its chain has 1"},
      {"wrong ..",
       [](TImage& i) {
         uint16_t sub = i.FirstCluster(i.FindRecord(i.RootOffset, "SUB        "));
         uint16_t deep = i.FirstCluster(i.FindRecord(i.ClusterAt(sub), "DEEP       "));
         i.Poke(i.ClusterAt(deep) + 32 + 26, {0x00, 0x00});
       },
       "\\SUB\\DEEP: \"..\" points to cluster 0, not"},
      {"changed file byte",
       [](TImage& i) {
         uint16_t c = i.FirstCluster(i.FindRecord(i.RootOffset, "README     "));
         i.Poke(i.ClusterAt(c) + 4, {'!'});
       },
       "\\README differs from"},
      {"cluster used twice",
       [](TImage& i) {
         uint16_t c = i.FirstCluster(i.FindRecord(i.RootOffset, "README     "));
         i.Poke(i.FindRecord(i.RootOffset, "EMPTY      ") + 26,
                {uint8_t(c & 0xFF), uint8_t(c >> 8)});
       },
       "is used twice"},
      {"bad signature", [](TImage& i) { i.Poke(510, {0x00}); }, "no 55 AA signature"},
      // FAT readers compare names without case: one of the two is lost.
      {"same name twice",
       [](TImage& i) { i.Poke(i.FindRecord(i.RootOffset, "ZERO       "), {'R', 'E', 'A', 'D', 'M', 'E'}); },
       "\\: the name README is there twice"},
      {"a file renamed to a folder's name",
       [](TImage& i) {
         uint16_t sub = i.FirstCluster(i.FindRecord(i.RootOffset, "SUB        "));
         i.Poke(i.FindRecord(i.ClusterAt(sub), "Y       QVF"), {'D', 'E', 'E', 'P', ' ', ' ', ' ', ' ', ' ', ' ', ' '});
       },
       "\\SUB: the name DEEP is there twice"},
      {"small letters", [](TImage& i) { i.Poke(i.FindRecord(i.RootOffset, "ZERO       "), {'z'}); },
       "holds \"zERO       \", not an 8.3 name"},
      {"control byte", [](TImage& i) { i.Poke(i.FindRecord(i.RootOffset, "ZERO       ") + 9, {0x01}); },
       "holds \"ZERO     \\x01 \", not an 8.3 name"},
      {"blank inside a name", [](TImage& i) { i.Poke(i.FindRecord(i.RootOffset, "ZERO       ") + 2, {' '}); },
       "holds \"ZE O       \", not an 8.3 name"},
      {"label in a subdirectory",
       [](TImage& i) {
         uint16_t sub = i.FirstCluster(i.FindRecord(i.RootOffset, "SUB        "));
         i.Poke(i.FindRecord(i.ClusterAt(sub), "Y       QVF") + 11, {0x08});
       },
       "a stray volume label record"},
      {"volume marked open", [](TImage& i) { i.Poke(37, {0x01}); }, "not closed cleanly"},
      // fsck.fat: "Is a dot with no 8.3 name flag set".
      {"a dot without its 8.3 name",
       [](TImage& i) {
         uint16_t sub = i.FirstCluster(i.FindRecord(i.RootOffset, "SUB        "));
         i.Poke(i.ClusterAt(sub) + 32 + 12, {0x20});
       },
       "\\SUB: \"..\" is marked as having no 8.3 name"},
  };
  for (const TDamage& d : damages) {
    TImage image;
    d.Do(image);
    TImageCheck check = CheckImage(image.Path, &image.Entries);
    EXPECT_FALSE(check.Ok()) << d.What;
    EXPECT_NE(All(check).find(d.Expect), std::string::npos) << d.What << ":\n" << All(check);
  }
}

// A directory whose chain claims 2 GiB of a sparse file: the reader reads
// what it holds, so memory stays small (checked in a child process).
TEST(ImageReader, ADirectoryClaimingGigabytesCostsWhatItHolds) {
  TTempDir tmp;
  const std::string path = tmp / "big.trk";
  constexpr uint32_t Cluster = 64 << 10, Clusters = 32760, SectorsPerFat = 129;
  std::string boot(512, '\0');
  auto put16 = [](std::string& s, std::size_t at, uint16_t v) {
    s[at] = char(v & 0xFF);
    s[at + 1] = char(v >> 8);
  };
  put16(boot, 11, 512);
  boot[13] = char(Cluster / 512);
  put16(boot, 14, 1);
  boot[16] = 2;
  put16(boot, 17, 512);
  boot[21] = char(0xF8);
  put16(boot, 22, SectorsPerFat);
  const uint32_t total = 1 + 2 * SectorsPerFat + 32 + Clusters * (Cluster / 512);
  put16(boot, 32, uint16_t(total));
  put16(boot, 34, uint16_t(total >> 16));
  boot[510] = 0x55;
  boot[511] = char(0xAA);
  std::string fat(SectorsPerFat * 512, '\0');
  put16(fat, 0, 0xFFF8);
  put16(fat, 2, 0xFFFF);
  for (uint32_t c = 2; c < Clusters + 1; ++c) put16(fat, 2 * c, uint16_t(c + 1));
  put16(fat, 2 * (Clusters + 1), 0xFFFF);
  std::string root(32 * 512, '\0');
  root.replace(0, 11, "BIG        ");
  root[11] = 0x10;
  put16(root, 26, 2);
  std::string dots(64, '\0');
  dots.replace(0, 11, ".          ");
  dots.replace(32, 11, "..         ");
  dots[11] = dots[43] = 0x10;
  put16(dots, 26, 2);
  {
    std::ofstream out(path, std::ios::binary);
    out << boot << fat << fat << root << dots;
  }
#ifdef _WIN32
  GTEST_SKIP() << "the reader's memory is measured in a child process, which Windows cannot fork";
#else
  ASSERT_EQ(::truncate(path.c_str(), int64_t(total) * 512), 0);

  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    TImageCheck check = CheckImage(path);
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    _exit(check.Ok() && check.Directories == 1 && usage.ru_maxrss < 256 * 1024 ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
#endif
}

TEST(ImageReader, ReportsMissingEntriesAndUnreadableImages) {
  TImage image;
  TEntryList more;
  more.Add("\\NOT\\THERE.WAV", image.Tmp.File("t", "t"));
  EXPECT_EQ(All(CheckImage(image.Path, &more)), "\\NOT\\THERE.WAV is not in the image\n");
  EXPECT_FALSE(CheckImage(image.Tmp / "missing.trk").Ok());
  std::string truncated = image.Tmp.File("short.trk", ReadBytes(image.Path).substr(0, 5000));
  EXPECT_FALSE(CheckImage(truncated).Ok());
  // A folder is no image.
  const std::string folder = image.Tmp.Dir("folder.trk");
  EXPECT_EQ(All(CheckImage(folder)), "cannot read " + folder + ": it is a directory\n");
#ifndef _WIN32
  // A pipe is refused at once instead of waiting for a writer.
  const std::string fifo = image.Tmp / "fifo.trk";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(All(CheckImage(fifo)), "cannot read " + fifo + ": not a regular file\n");
#endif
}

// Other kinds of image are named for what they are, not taken apart as a
// broken FAT volume; a root that readers place differently is a problem.
TEST(ImageReader, NamesOtherKindsOfImageAndAnOddRoot) {
  TImage image;
  const std::string good = ReadBytes(image.Path);
  auto with = [&](const char* name, int64_t at, const std::string& bytes, std::string base) {
    base.replace(static_cast<std::size_t>(at), bytes.size(), bytes);
    return image.Tmp.File(name, base);
  };
  const std::string zeros(1 << 16, '\0');
  std::string mbr(512, '\0');
  mbr[510] = '\x55', mbr[511] = '\xAA';
  mbr.replace(446, 16, std::string("\x80\0\0\0\x0C\0\0\0\0\x08\0\0\0\x10\0\0", 16));
  std::string fat32 = good.substr(0, 512);
  fat32.replace(17, 2, std::string(2, '\0'));  // no root entries
  fat32.replace(22, 2, std::string(2, '\0'));  // no 16-bit FAT size
  fat32.replace(36, 4, std::string("\x40\0\0\0", 4));  // the 32-bit one
  const std::pair<std::string, std::string> cases[] = {
      {with("x.img", 3, "EXFAT   ", zeros), "it is an exFAT volume"},
      {with("cd.iso", 32769, "CD001", zeros), "it is an ISO 9660 image"},
      {with("disk.img", 0, mbr, zeros),
       "it is a partitioned disk image (its first partition starts at sector 2048)"},
      {with("f32.img", 0, fat32, zeros), "it is a FAT32 volume (this program reads FAT12 and FAT16)"},
      {with("odd.trk", 17, std::string("\x78\0", 2), good),
       "the root directory's 120 entries do not fill whole sectors"},
  };
  for (const auto& [path, expect] : cases) {
    TImageReader reader(path);
    reader.ReadAll();
    EXPECT_EQ(All(reader.Result()).find(expect), 0u) << path << ":\n" << All(reader.Result());
    EXPECT_EQ(reader.ForeignFormat().empty(), path == image.Tmp / "odd.trk") << path;
  }
}
