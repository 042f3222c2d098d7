// Builds that meet real trouble half way: sources that vanish, turn
// unreadable or change size, an output folder that takes no file, a disk
// that fills during the data, and the user's Cancel at every stage. Each
// must end with its exact message and code 2, leave on disk only what is
// said, and hold nothing afterwards (the sanitizer build checks for leaks).
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <algorithm>
#include <functional>
#include <memory>
#include <random>
#include <set>
#include <string>

#include "build_runner.h"
#include "fault_tools.h"
#include "image/image_reader.h"
#include "image_check.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

// A script host that can change the world when it is asked something.
class THookHost : public TScriptHost {
 public:
  std::function<void()> OnAsk;
  TAnswer Answer(const TQuestion& q) override {
    if (OnAsk) OnAsk();
    return TScriptHost::Answer(q);
  }
};

std::string Random(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(gen());
  return s;
}

// One build stepped by hand, its image in a folder of its own.
struct TFaulty {
  TTempDir Tmp;
  TEntryList Entries;
  THookHost Host;
  std::string Out, Image;
  std::unique_ptr<TImageBuild> Build;

  TFaulty() : Out(Tmp.Dir("out")), Image(Out + "/x.trk") {}

  void Start(bool viaTemporary, bool replace = false) {
    Host.SaveNames = {Image};
    TBuildOptions options;
    options.WriteViaTemporary = viaTemporary;
    options.ReplaceExisting = replace;
    Build = std::make_unique<TImageBuild>(Entries, Host, options);
    Build->Start();
  }
  bool Running() const { return Build->Running(); }
  void StepTo(TBuildStage stage) {
    while (Running() && Build->Stage() != stage) Build->Step();
    ASSERT_EQ(Build->Stage(), stage);
  }
  void Finish() {
    while (Running()) Build->Step();
  }
  std::set<std::string> OutFiles() const {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(Out)) names.insert(e.path().filename().string());
    return names;
  }
  // The only question asked, with its caption and buttons.
  void ExpectAskedOnce(const std::string& text, const std::string& caption, TButtons buttons) {
    ASSERT_EQ(Host.Asked.size(), 1u) << (Host.Asked.empty() ? "" : Host.Asked.back().Text);
    EXPECT_EQ(Host.Asked[0].Text, text);
    EXPECT_EQ(Host.Asked[0].Caption, caption);
    EXPECT_EQ(Host.Asked[0].Buttons, buttons);
  }
  // Ended with code 2, not done, nothing held any more.
  void ExpectStoppedAndReleased() {
    EXPECT_FALSE(Build->Done());
    EXPECT_EQ(Build->EndCode(), TBuildEnd::Stopped);
    EXPECT_EQ(Host.Ended, 2);
    EXPECT_NE(Host.Captions.back(), "Done");
    const TBuildState& s = Build->State();
    EXPECT_EQ(s.State, TBuildStage::Idle);
    EXPECT_FALSE(s.Root);
    EXPECT_EQ(s.Copy.Source, -1);
    EXPECT_FALSE(s.ImageFile.IsOpen());
  }
  // What a stopped build leaves: nothing when it wrote via a temporary
  // file; otherwise the part it wrote, which no reader takes for an image.
  void ExpectLeftover(bool viaTemporary) {
    if (viaTemporary) {
      EXPECT_EQ(OutFiles(), std::set<std::string>{});
    } else {
      EXPECT_EQ(OutFiles(), std::set<std::string>{"x.trk"});
      EXPECT_FALSE(CheckImage(Image).Ok());
    }
  }
};

const bool WriteModes[] = {false, true};

}  // namespace

// The scan is a source's one look before it is written: one gone after it
// is asked about when the writing pass opens it.
TEST(FaultInjection, ASourceGoneAfterTheScanAsksRetryOrCancelWhenWritten) {
  TFaulty b;
  b.Entries.Add("\\A.BIN", b.Tmp.File("a.bin", Random(3000, 1)));
  std::string gone = b.Tmp.File("b.bin", Random(5000, 2));
  b.Entries.Add("\\B.BIN", gone);
  b.Host.Answers = {TAnswer::Retry, TAnswer::Cancel};
  b.Start(true);
  b.StepTo(TBuildStage::Count);
  ASSERT_EQ(std::remove(gone.c_str()), 0);
  b.Finish();
  ASSERT_EQ(b.Host.Asked.size(), 2u);  // asked again after Retry
  for (const TAsked& a : b.Host.Asked) {
    EXPECT_EQ(a.Text, "Error opening file " + gone);
    EXPECT_EQ(a.Caption, "File Error");
    EXPECT_EQ(a.Buttons, TButtons::RetryCancel);
  }
  b.ExpectStoppedAndReleased();
  EXPECT_EQ(b.Host.Captions.back(), "Writing Image");
  EXPECT_TRUE(b.OutFiles().empty());

  // Put back before Retry, the file is copied and the build completes.
  TFaulty back;
  std::string source = back.Tmp.File("b.bin", Random(5000, 3));
  back.Entries.Add("\\B.BIN", source);
  back.Host.OnAsk = [&] { back.Tmp.File("b.bin", Random(5000, 3)); };
  back.Host.Answers = {TAnswer::Retry};
  back.Start(false);
  back.StepTo(TBuildStage::Count);
  fs::remove(source);
  back.Finish();
  ASSERT_TRUE(back.Build->Done());
  EXPECT_EQ(back.Host.Asked.size(), 1u);
  TImageCheck check = CheckImage(back.Image, &back.Entries);
  EXPECT_TRUE(check.Ok()) << check.Problems[0];
}

TEST(FaultInjection, ASourceGoneAfterItWasMeasuredStopsTheWriting) {
  for (bool viaTemporary : WriteModes) {
    SCOPED_TRACE(viaTemporary ? "via a temporary file" : "written in place");
    TFaulty b;
    b.Entries.Add("\\A.BIN", b.Tmp.File("a.bin", Random(3000, 1)));
    std::string gone = b.Tmp.File("b.bin", Random(5000, 2));
    b.Entries.Add("\\B.BIN", gone);
    b.Host.Answers = {TAnswer::Cancel};
    b.Start(viaTemporary);
    b.StepTo(TBuildStage::Open);  // measured, file chosen, nothing written yet
    ASSERT_EQ(std::remove(gone.c_str()), 0);
    b.Finish();
    b.ExpectAskedOnce("Error opening file " + gone, "File Error", TButtons::RetryCancel);
    b.ExpectStoppedAndReleased();
    b.ExpectLeftover(viaTemporary);
    if (!viaTemporary) {  // the head and A's six clusters, B's record not yet
      EXPECT_EQ(fs::file_size(b.Image), uint64_t(b.Build->State().DataOffset) + 6 * 512);
    }
  }
}

// Root reads any file whatever its permissions, so the unreadable source
// here is a folder put where the file was: open works, read fails.
// A pipe in its place reads as a file cut short.
TEST(FaultInjection, ASourceThatCannotBeReadStopsWithTheSystemsReason) {
  for (bool empty : {false, true}) {
    for (bool viaTemporary : WriteModes) {
      SCOPED_TRACE(std::string(empty ? "empty source, " : "") +
                   (viaTemporary ? "via a temporary file" : "written in place"));
      TFaulty b;
      std::string source = b.Tmp.File("a.bin", empty ? "" : Random(3000, 1));
      b.Entries.Add("\\A.BIN", source);
      b.Start(viaTemporary);
      b.StepTo(TBuildStage::Open);
      fs::remove(source);
      fs::create_directory(source);
      b.Finish();
      b.ExpectAskedOnce("Error reading file " + source + ": Is a directory", "File Error",
                        TButtons::Ok);
      b.ExpectStoppedAndReleased();
      b.ExpectLeftover(viaTemporary);
    }
  }

#ifndef _WIN32
  // A pipe put in its place gives no bytes and must not hang the build.
  for (bool viaTemporary : WriteModes) {
    SCOPED_TRACE(viaTemporary ? "pipe, via a temporary file" : "pipe, written in place");
    TFaulty b;
    std::string source = b.Tmp.File("a.bin", Random(3000, 1));
    b.Entries.Add("\\A.BIN", source);
    b.Start(viaTemporary);
    b.StepTo(TBuildStage::Open);
    fs::remove(source);
    ASSERT_EQ(::mkfifo(source.c_str(), 0600), 0);
    b.Finish();
    b.ExpectAskedOnce("The file " + source +
                          " has changed its size since it was measured. "
                          "Please create the image again.",
                      "File Error", TButtons::Ok);
    b.ExpectStoppedAndReleased();
    b.ExpectLeftover(viaTemporary);
  }
#endif

  // Put there before the count, it is found by the writing pass as well:
  // the count does not look again.
  TFaulty b;
  std::string source = b.Tmp.File("a.bin", Random(3000, 1));
  b.Entries.Add("\\A.BIN", source);
  b.Start(true);
  b.StepTo(TBuildStage::Count);
  fs::remove(source);
  fs::create_directory(source);
  b.Finish();
  b.ExpectAskedOnce("Error reading file " + source + ": Is a directory", "File Error",
                    TButtons::Ok);
  b.ExpectStoppedAndReleased();
  EXPECT_TRUE(b.OutFiles().empty());
}

TEST(FaultInjection, ASourceWithoutReadPermissionCannotBeOpened) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows keeps no read bit for a file; a folder in its place covers an "
                  "unreadable source";
#else
  TFaulty b;
  std::string source = b.Tmp.File("a.bin", Random(3000, 1));
  ASSERT_EQ(::chmod(source.c_str(), 0), 0);
  int probe = ::open(source.c_str(), O_RDONLY);
  if (probe >= 0) {
    ::close(probe);
    GTEST_SKIP() << "this user (root) reads files without read permission; the folder case "
                    "covers an unreadable source";
  }
  b.Entries.Add("\\A.BIN", source);
  b.Host.Answers = {TAnswer::Cancel};
  b.Start(false);
  b.Finish();
  b.ExpectAskedOnce("Error opening file " + source, "File Error", TButtons::RetryCancel);
  b.ExpectStoppedAndReleased();
  EXPECT_TRUE(b.OutFiles().empty());
#endif
}

TEST(FaultInjection, ASourceThatChangesSizeWhileCopiedStopsTheBuild) {
  // 600 KiB: copied in several pieces, so the change lands between two.
  constexpr std::size_t Size = 600 << 10;
  for (std::size_t changed : {Size / 2, Size + 1, Size + 5000}) {
    for (bool viaTemporary : WriteModes) {
      SCOPED_TRACE(std::to_string(Size) + " -> " + std::to_string(changed) +
                   (viaTemporary ? ", via a temporary file" : ", written in place"));
      TFaulty b;
      std::string source = b.Tmp.File("big.bin", Random(Size, 5));
      b.Entries.Add("\\BIG.BIN", source);
      bool done = false;
      b.Host.OnPaint = [&] {
        if (done || b.Host.Statuses.back() != "\\BIG.BIN") return;
        done = true;
        fs::resize_file(source, changed);
      };
      b.Start(viaTemporary);
      b.Finish();
      ASSERT_TRUE(done);
      b.ExpectAskedOnce("The file " + source +
                            " has changed its size since it was measured. "
                            "Please create the image again.",
                        "File Error", TButtons::Ok);
      b.ExpectStoppedAndReleased();
      EXPECT_EQ(b.Host.Captions.back(), "Writing Image");
      b.ExpectLeftover(viaTemporary);
    }
  }

  // Changed before the scan measures it, the new size is the one that counts.
  TFaulty b;
  std::string source = b.Tmp.File("a.bin", Random(3000, 6));
  b.Entries.Add("\\A.BIN", source);
  b.Start(false);
  b.Tmp.File("a.bin", Random(9000, 7));
  b.Finish();
  ASSERT_TRUE(b.Build->Done());
  TImageCheck check = CheckImage(b.Image, &b.Entries);
  EXPECT_TRUE(check.Ok()) << check.Problems[0];
}

TEST(FaultInjection, AReadOnlyOutputFolderTakesNoImage) {
  for (bool viaTemporary : WriteModes) {
    SCOPED_TRACE(viaTemporary ? "via a temporary file" : "written in place");
    TFaulty b;
    b.Entries.Add("\\A.BIN", b.Tmp.File("a.bin", Random(3000, 1)));
    TReadOnlyFolder readOnly(b.Out);
    if (!readOnly.Ok()) GTEST_SKIP() << readOnly.Why();
    b.Start(viaTemporary);
    b.Finish();
    b.ExpectAskedOnce("Sorry, I can't open the file " + b.Image + " for writing: " +
                          readOnly.Refusal() + ".",
                      "File Error",
                      TButtons::Ok);
    b.ExpectStoppedAndReleased();
    EXPECT_TRUE(b.OutFiles().empty());
  }
}

// The disk fills after the free-space check, while the files are copied:
// the build stops with the system's reason instead of calling the image
// done. First through a limit on file size (EFBIG), which works for any
// user, then on a real, small file system (ENOSPC) where one may be mounted.
TEST(FaultInjection, AFileSizeLimitReachedDuringTheDataStopsTheBuild) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows sets no limit on the size of the files a process writes";
#else
  constexpr rlim_t Limit = 512 << 10;
  for (bool viaTemporary : WriteModes) {
    SCOPED_TRACE(viaTemporary ? "via a temporary file" : "written in place");
    TFaulty b;
    b.Entries.Add("\\BIG.BIN", b.Tmp.File("big.bin", Random(1536 << 10, 8)));
    b.Start(viaTemporary);
    {
      TFileSizeLimit limit(Limit);
      b.Finish();
    }
    b.ExpectAskedOnce("Sorry, I can't write the file " + b.Image + ": File too large",
                      "File Error", TButtons::Ok);
    b.ExpectStoppedAndReleased();
    EXPECT_EQ(b.Host.Captions.back(), "Writing Image");
    EXPECT_EQ(b.Host.Statuses.back(), "\\BIG.BIN");
    b.ExpectLeftover(viaTemporary);
    if (!viaTemporary) {
      // Stopped at the limit; the head, kept back until the end, never
      // went out, so the leftover has no boot sector.
      EXPECT_EQ(fs::file_size(b.Image), Limit);
      EXPECT_EQ(ReadBytes(b.Image).substr(0, 512), std::string(512, '\0'));
    }
  }
#endif
}

TEST(FaultInjection, AFullDiskDuringTheDataStopsTheBuild) {
  for (bool viaTemporary : WriteModes) {
    SCOPED_TRACE(viaTemporary ? "via a temporary file" : "written in place");
    TFaulty b;
    b.Entries.Add("\\BIG.BIN", b.Tmp.File("big.bin", Random(1536 << 10, 9)));
    TMountedFolder disk(b.Out, "size=512k");
    if (!disk.Ok()) GTEST_SKIP() << disk.Why();
    b.Start(viaTemporary);
    b.Finish();
    b.ExpectAskedOnce("Sorry, I can't write the file " + b.Image + ": No space left on device",
                      "File Error", TButtons::Ok);
    b.ExpectStoppedAndReleased();
    EXPECT_EQ(b.Host.Statuses.back(), "\\BIG.BIN");
    b.ExpectLeftover(viaTemporary);
  }
}

TEST(FaultInjection, CancelAtEveryStageEndsAtOnceAndKeepsOnlyWhatWasWritten) {
  const TBuildStage stages[] = {TBuildStage::Scan, TBuildStage::Count,   TBuildStage::Open,
                                TBuildStage::Fats, TBuildStage::RootDir, TBuildStage::Data};
  for (TBuildStage stage : stages) {
    for (bool viaTemporary : WriteModes) {
      SCOPED_TRACE("stage " + std::to_string(static_cast<int>(stage)) +
                   (viaTemporary ? ", via a temporary file" : ", written in place"));
      TFaulty b;
      b.Entries.Add("\\D\\F1.BIN", b.Tmp.File("f1", Random(3000, 1)));
      b.Entries.Add("\\F2.BIN", b.Tmp.File("f2"));
      b.Entries.Add("\\F3.BIN", b.Tmp.File("f3", Random(700, 3)));
      b.Start(viaTemporary);
      b.StepTo(stage);
      if (stage != TBuildStage::Open) b.Build->Step();  // one step into the stage
      ASSERT_EQ(b.Build->Stage(), stage);
      b.Build->Cancel();
      b.ExpectStoppedAndReleased();
      EXPECT_TRUE(b.Host.Asked.empty());

      const TBuildState& s = b.Build->State();
      const bool written = stage == TBuildStage::Fats || stage == TBuildStage::RootDir ||
                           stage == TBuildStage::Data;
      if (viaTemporary || !written) {
        EXPECT_TRUE(b.OutFiles().empty());
        continue;
      }
      uint64_t size = fs::file_size(b.Image);
      const uint64_t expected =
          stage == TBuildStage::Fats      ? 512u * (1 + s.StepIndex)
          : stage == TBuildStage::RootDir ? uint64_t(s.RootDirOffset) + 512u * s.StepIndex
                                          : uint64_t(s.DataOffset) + 512u * (s.NextCluster - 2);
      EXPECT_EQ(size, expected);
      // Nothing moves once the build has ended.
      b.Build->Step();
      b.Build->Cancel();
      EXPECT_EQ(fs::file_size(b.Image), size);
    }
  }
}

TEST(FaultInjection, ALargeFileIsCopiedOverShortStepsThatCancelCanEnd) {
  // 9 MiB, at most 4 MiB a step: neither Cancel nor the gauge waits for the
  // whole file.
  for (bool cancel : {false, true}) {
    SCOPED_TRACE(cancel ? "cancelled in the file" : "to the end");
    TFaulty b;
    b.Entries.Add("\\BIG.BIN", b.Tmp.File("big", Random(9 << 20, 4)));
    b.Entries.Add("\\SMALL.BIN", b.Tmp.File("small", Random(3000, 5)));
    b.Start(true);
    b.StepTo(TBuildStage::Data);
    std::vector<int> gauges;  // after each step that left the file open
    while (b.Running() && b.Build->Stage() == TBuildStage::Data) {
      b.Build->Step();
      if (b.Build->State().Copy.Source < 0) continue;
      gauges.push_back(b.Host.Gauges.back());
      if (cancel) break;
    }
    if (cancel) {
      ASSERT_EQ(gauges.size(), 1u);
      b.Build->Cancel();
      b.ExpectStoppedAndReleased();
      EXPECT_TRUE(b.OutFiles().empty());
      continue;
    }
    EXPECT_GE(gauges.size(), 2u);
    EXPECT_TRUE(std::is_sorted(gauges.begin(), gauges.end()));
    EXPECT_LT(gauges.front(), gauges.back());
    b.Finish();
    ASSERT_TRUE(b.Build->Done());
    EXPECT_EQ(FsckProblems(b.Image), "");
    TImageCheck check = CheckImage(b.Image, &b.Entries);
    EXPECT_TRUE(check.Ok()) << check.Problems[0];
  }
}

TEST(FaultInjection, AnImageThatAppearsMeanwhileIsReplacedOnlyWhenAsked) {
  for (bool replace : {false, true}) {
    SCOPED_TRACE(replace ? "replacing" : "not replacing");
    TFaulty b;
    b.Entries.Add("\\A.BIN", b.Tmp.File("a.bin", Random(3000, 6)));
    b.Start(true, replace);
    b.StepTo(TBuildStage::Finish);
    b.Tmp.File("out/x.trk", "someone else's");  // made while the image was written
    b.Finish();
    EXPECT_EQ(b.OutFiles(), std::set<std::string>{"x.trk"});  // no temporary left
    if (replace) {
      ASSERT_TRUE(b.Build->Done());
      TImageCheck check = CheckImage(b.Image, &b.Entries);
      EXPECT_TRUE(check.Ok()) << check.Problems[0];
      continue;
    }
    b.ExpectStoppedAndReleased();
    ASSERT_EQ(b.Host.Asked.size(), 1u);
    EXPECT_EQ(b.Host.Asked[0].Text, "The file " + b.Image +
                                        " appeared while the image was being written and is "
                                        "left as it is. Please create the image again under "
                                        "another name.");
    EXPECT_EQ(b.Host.Asked[0].Caption, "File Error");
    EXPECT_EQ(ReadBytes(b.Image), "someone else's");
  }
}

TEST(FaultInjection, OkAfterDoneKeepsTheImageAndClosingMidwayReleasesAll) {
  for (bool viaTemporary : WriteModes) {
    SCOPED_TRACE(viaTemporary ? "via a temporary file" : "written in place");
    TFaulty b;
    b.Entries.Add("\\A.BIN", b.Tmp.File("a.bin", Random(3000, 1)));
    b.Start(viaTemporary);
    b.Finish();
    ASSERT_TRUE(b.Build->Done());
    EXPECT_EQ(b.Host.Ended, -1);  // waits for the user's Ok
    b.Build->Cancel();
    EXPECT_EQ(b.Build->EndCode(), TBuildEnd::Stopped);
    EXPECT_EQ(b.Host.Ended, 2);
    EXPECT_EQ(b.OutFiles(), std::set<std::string>{"x.trk"});
    TImageCheck check = CheckImage(b.Image, &b.Entries);
    EXPECT_TRUE(check.Ok()) << check.Problems[0];

    // The dialog destroyed in the middle of the data, without a Cancel.
    TFaulty c;
    c.Entries.Add("\\A.BIN", c.Tmp.File("a.bin", Random(3000, 1)));
    c.Entries.Add("\\B.BIN", c.Tmp.File("b.bin", Random(3000, 2)));
    c.Start(viaTemporary);
    c.StepTo(TBuildStage::Data);
    c.Build->Step();
    c.Build.reset();
    EXPECT_EQ(c.OutFiles().size(), viaTemporary ? 0u : 1u);
  }
}
