// A build reads its sources and never changes them: not their bytes, not
// their times, not their folders, whichever way the image is written, and
// not even when the image is asked to go over one of them.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <random>
#include <string>

#include "build_runner.h"
#include "image/image_reader.h"
#include "image_check.h"
#include "source_snapshot.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

std::string Random(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(gen());
  return s;
}

// Sources of every kind the build reads, under src/.
void MakeSources(const TTempDir& tmp, TEntryList& entries) {
  entries.Add("\\EMPTY", tmp.File("src/empty"));
  entries.Add("\\EXACT.BIN", tmp.File("src/exact.bin", Random(512, 1)));
  entries.Add("\\BIG.WAV", tmp.File("src/sounds/big.wav", Random(300 << 10, 2)));
  entries.Add("\\SOUNDS\\DEEP\\SMALL.QVF", tmp.File("src/sounds/deep/small.qvf", Random(70, 3)));
  entries.Add("\\FOLDER", tmp.Dir("src/folder"));
}

}  // namespace

TEST(SourcesUntouched, ReadOnlySourcesKeepTheirBytesTimesAndFolders) {
  for (bool viaTemporary : {false, true}) {
    SCOPED_TRACE(viaTemporary ? "via a temporary file" : "written in place");
    TTempDir tmp;
    TEntryList entries;
    MakeSources(tmp, entries);
    TReadOnlyTree readOnly(tmp / "src");
    const TSourceSnapshot before = TakeSnapshot(tmp / "src");
    ASSERT_EQ(before.size(), 8u);

    TScriptHost host;
    host.SaveNames = {tmp / "x.trk"};
    TBuildOptions options;
    options.WriteViaTemporary = viaTemporary;
    TImageBuild build(entries, host, options);
    RunBuild(build);
    ASSERT_TRUE(build.Done());
    TImageCheck check = CheckImage(tmp / "x.trk", &entries);
    EXPECT_TRUE(check.Ok()) << check.Problems[0];
    EXPECT_EQ(DescribeChanges(before, TakeSnapshot(tmp / "src")), "");
  }
}

TEST(SourcesUntouched, AnImageIsNeverWrittenOverOneOfItsSources) {
  for (bool viaTemporary : {false, true}) {
    SCOPED_TRACE(viaTemporary ? "via a temporary file" : "written in place");
    TTempDir tmp;
    TEntryList entries;
    std::string source = tmp.File("src/a.bin", Random(3000, 4));
    entries.Add("\\A.BIN", source);
    fs::create_hard_link(source, tmp / "src/link.bin");
    entries.Add("\\B.BIN", tmp.File("src/b.bin", Random(100, 5)));
    TReadOnlyTree readOnly(tmp / "src");
    const TSourceSnapshot before = TakeSnapshot(tmp / "src");

    // The source itself, then another name for it, then a new file.
    TScriptHost host;
    host.SaveNames = {source, tmp / "src/link.bin", tmp / "x.trk"};
    TBuildOptions options;
    options.WriteViaTemporary = viaTemporary;
    TImageBuild build(entries, host, options);
    RunBuild(build);
    ASSERT_TRUE(build.Done());
    ASSERT_EQ(host.Asked.size(), 2u);
    const std::string refused[] = {source, tmp / "src/link.bin"};
    for (int i = 0; i < 2; ++i) {
      const TAsked& a = host.Asked[static_cast<std::size_t>(i)];
      EXPECT_EQ(a.Text, "The file " + refused[i] +
                            " is one of the image's sources. Please choose another name.");
      EXPECT_EQ(a.Caption, "Error");
      EXPECT_EQ(a.Buttons, TButtons::Ok);
    }
    EXPECT_EQ(host.SaveProposals.size(), 3u);
    EXPECT_EQ(DescribeChanges(before, TakeSnapshot(tmp / "src")), "");
    TImageCheck check = CheckImage(tmp / "x.trk", &entries);
    EXPECT_TRUE(check.Ok()) << check.Problems[0];
  }
}
