// The disc drive, burnt for real to libburn's stdio: drives, where a regular
// file stands for the disc: what lands in it, what is refused before
// anything is written, and how a write that fails or is stopped ends.
#include <gtest/gtest.h>

#include <fcntl.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <thread>

#include "fault_tools.h"
#include "image_check.h"
#include "platform/disc_drive.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {
#ifdef _WIN32
TEST(DiscDrive, WindowsHasNoDrivesYet) {
  std::vector<TDriveInfo> drives;
  std::unique_ptr<TDiscDrive> drive;
  std::string message;
  EXPECT_EQ(ListDiscDrives(drives, message), TDriveResult::NotAvailable);
  EXPECT_EQ(OpenDiscDrive("D:", drive, message), TDriveResult::NotAvailable);
  EXPECT_FALSE(drive);
}
#else
// The size the design notes measured: 1,040 blocks and a part of one.
constexpr std::size_t ImageSize = 2131456;

std::string Random(std::size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(gen());
  return s;
}

uintmax_t SizeOf(const std::string& path) { return fs::exists(path) ? fs::file_size(path) : 0; }

std::unique_ptr<TDiscDrive> Open(const std::string& address) {
  std::unique_ptr<TDiscDrive> drive;
  std::string message;
  EXPECT_EQ(OpenDiscDrive(address, drive, message), TDriveResult::Ok) << address << ": " << message;
  return drive;
}

// Starts writing the image file at path, as the burn does with the file it
// has checked.
TDriveResult Write(TDiscDrive& drive, const std::string& path, const TWriteOptions& options) {
  const TFileHandle image = OpenForReading(path);
  const TDriveResult started = drive.StartWrite(image, options);
  if (image != NoFile) CloseFile(image);
  return started;
}

// Polls the job to its end, as the burning steps do; its last progress.
TDriveResult Finish(TDiscDrive& drive, TDriveProgress& progress) {
  TDriveResult result;
  while ((result = drive.Poll(progress)) == TDriveResult::Running)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  return result;
}

std::string ReadBack(TDiscDrive& drive, int64_t blocks) {
  std::string bytes(static_cast<std::size_t>(blocks * DiscBlockSize), '\0');
  for (int64_t first = 0; first < blocks; first += MaxReadBlocks) {
    int64_t count = std::min(MaxReadBlocks, blocks - first);
    auto* data =
        reinterpret_cast<uint8_t*>(&bytes[static_cast<std::size_t>(first * DiscBlockSize)]);
    EXPECT_EQ(drive.ReadBlocks(first, count, data), TDriveResult::Ok) << drive.Message();
  }
  return bytes;
}

TEST(DiscDrive, BurntDiscHoldsTheImagePaddedAndReadsBackEveryChange) {
  TTempDir tmp;
  std::string image = tmp.File("x.trk", Random(ImageSize, 1)), disc = tmp / "disc";
  auto drive = Open("stdio:" + disc);
  ASSERT_TRUE(drive);
  EXPECT_EQ(drive->Medium().Kind, TDiscKind::File);
  ASSERT_EQ(drive->Medium().State, TDiscState::Blank);
  EXPECT_GT(drive->Medium().FreeBytes, 0);

  // A simulated burn writes nothing and leaves the disc blank.
  TDriveProgress progress;
  ASSERT_EQ(Write(*drive, image, {0, true}), TDriveResult::Ok) << drive->Message();
  EXPECT_EQ(Finish(*drive, progress), TDriveResult::Ok) << drive->Message();
  EXPECT_EQ(SizeOf(disc), 0u);
  EXPECT_EQ(drive->Medium().State, TDiscState::Blank);

  ASSERT_EQ(Write(*drive, image, {}), TDriveResult::Ok);
  EXPECT_EQ(Finish(*drive, progress), TDriveResult::Ok) << drive->Message();
  EXPECT_EQ(progress.Done, 1041);
  EXPECT_EQ(progress.Total, 1041);
  std::string padded = ReadBytes(image) + std::string(1041 * DiscBlockSize - ImageSize, '\0');
  EXPECT_TRUE(ReadBytes(disc) == padded);
  EXPECT_TRUE(ReadBack(*drive, 1041) == padded);
  // Burnt once, the disc takes no second image.
  EXPECT_EQ(drive->Medium().State, TDiscState::Closed);
  EXPECT_EQ(Write(*drive, image, {}), TDriveResult::NotBlank);

  // What is read back is what the disc holds now, not what was written.
  {
    std::fstream f(disc, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(700 * DiscBlockSize + 5);
    f.put(static_cast<char>(padded[700 * DiscBlockSize + 5] ^ 1));
  }
  std::string changed = ReadBack(*drive, 1041);
  ASSERT_EQ(changed.size(), padded.size());
  EXPECT_EQ(std::mismatch(changed.begin(), changed.end(), padded.begin()).first - changed.begin(),
            700 * DiscBlockSize + 5);
  EXPECT_EQ(drive->Close(true), TDriveResult::Ok);
}

// What each kind of disc is taken for, and which calls it refuses before a
// byte is written. Files stand for discs: empty or new is blank, a file that
// holds bytes is written (never written over), read-only is closed and
// write-only an appendable disc that blanking empties.
TEST(DiscDrive, EachDiscIsTakenForWhatItHolds) {
  TTempDir tmp;
  std::string image = tmp.File("x.trk", Random(ImageSize, 2));
  std::string old = Random(5000, 3), used = tmp.File("used", old);
  int readOnly = ::open(tmp.File("ro", old).c_str(), O_RDONLY);
  int writeOnly = ::open(tmp.File("wo", old).c_str(), O_WRONLY);
  struct TCase {
    std::string Address;
    TDiscState State;
    bool Erasable;
  } cases[] = {
      {"stdio:" + tmp.File("empty"), TDiscState::Blank, false},
      {"stdio:" + used, TDiscState::Closed, false},
      {"stdio:/dev/fd/" + std::to_string(readOnly), TDiscState::Closed, false},
      {"stdio:/dev/fd/" + std::to_string(writeOnly), TDiscState::Appendable, true},
      {"stdio:", TDiscState::NoDisc, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Address);
    auto drive = Open(c.Address);
    ASSERT_TRUE(drive);
    EXPECT_EQ(drive->Medium().State, c.State);
    EXPECT_EQ(drive->Medium().Erasable, c.Erasable);
    if (c.State != TDiscState::Blank) {
      EXPECT_EQ(Write(*drive, image, {}), TDriveResult::NotBlank);
    }
    if (!c.Erasable) {
      EXPECT_EQ(drive->StartBlank(true), TDriveResult::NotErasable);
    }
  }
  EXPECT_EQ(ReadBytes(used), old);

  auto appendable = Open("stdio:/dev/fd/" + std::to_string(writeOnly));
  ASSERT_EQ(appendable->StartBlank(true), TDriveResult::Ok) << appendable->Message();
  TDriveProgress progress;
  EXPECT_EQ(Finish(*appendable, progress), TDriveResult::Ok) << appendable->Message();
  EXPECT_EQ(appendable->Medium().State, TDiscState::Blank);
  EXPECT_EQ(fs::file_size(tmp / "wo"), 0u);
  appendable.reset();
  ::close(readOnly);
  ::close(writeOnly);

  std::unique_ptr<TDiscDrive> none;
  std::string message;
  for (const char* address : {"/dev/qvimage-no-such-drive", "stdio:/qvimage-no-such-folder/disc"}) {
    EXPECT_EQ(OpenDiscDrive(address, none, message), TDriveResult::NoDrive) << address;
    EXPECT_FALSE(message.empty()) << address;
  }
  // This machine may have no burner; what it has is listed by address.
  std::vector<TDriveInfo> drives;
  EXPECT_EQ(ListDiscDrives(drives, message), TDriveResult::Ok) << message;
  for (const TDriveInfo& d : drives) EXPECT_FALSE(d.Address.empty());
}

// libburn takes a file system's free space for the disc's capacity, and
// would write until it is full: too large an image is refused at once.
TEST(DiscDrive, AnImageLargerThanTheDiscIsRefusedBeforeWriting) {
  TTempDir tmp;
  std::string image = tmp.File("x.trk", Random(ImageSize, 4)), small = tmp.Dir("small");
  TMountedFolder disk(small, "size=1m");
  if (!disk.Ok()) GTEST_SKIP() << disk.Why();
  auto drive = Open("stdio:" + small + "/disc");
  ASSERT_TRUE(drive);
  EXPECT_EQ(drive->Medium().FreeBytes, 1 << 20);
  EXPECT_EQ(Write(*drive, image, {}), TDriveResult::TooLarge);
  EXPECT_FALSE(fs::exists(small + "/disc"));
}

// A write that fails half way ends Failed, in libburn's words with the
// system's reason, never Ok.
TEST(DiscDrive, AWriteErrorEndsTheJobWithTheReason) {
  TTempDir tmp;
  std::string image = tmp.File("x.trk", Random(ImageSize, 5));
  auto drive = Open("stdio:" + tmp / "disc");
  ASSERT_TRUE(drive);
  TDriveProgress progress;
  TDriveResult result;
  {
    TFileSizeLimit limit(512 << 10);
    ASSERT_EQ(Write(*drive, image, {}), TDriveResult::Ok) << drive->Message();
    result = Finish(*drive, progress);
  }
  EXPECT_EQ(result, TDriveResult::Failed);
  EXPECT_NE(drive->Message().find("File too large"), std::string::npos) << drive->Message();
  EXPECT_LT(progress.Done, 1041);

  // A disc file that cannot even be made fails the same way.
  std::string readOnly = tmp.Dir("ro");
  TReadOnlyFolder noWrites(readOnly);
  if (!noWrites.Ok()) GTEST_SKIP() << noWrites.Why();
  auto unwritable = Open("stdio:" + readOnly + "/disc");
  ASSERT_TRUE(unwritable);
  ASSERT_EQ(Write(*unwritable, image, {}), TDriveResult::Ok) << unwritable->Message();
  EXPECT_EQ(Finish(*unwritable, progress), TDriveResult::Failed);
  EXPECT_FALSE(unwritable->Message().empty());
}

// Cancelled at once, while libburn's thread still starts, or by closing the
// drive mid-write (a window closed during the burn): the write stops early,
// and a burn started right after gets its whole image.
TEST(DiscDrive, ACancelledOrClosedWriteStopsEarlyAndTheNextBurnIsWhole) {
  TTempDir tmp;
  constexpr int64_t Blocks = 131072;  // 256 MiB, read from a sparse file
  std::string large = tmp.File("large.trk"), image = tmp.File("x.trk", Random(ImageSize, 6));
  fs::resize_file(large, Blocks * DiscBlockSize);
  TDriveProgress progress;
  for (bool byClose : {false, true}) {
    SCOPED_TRACE(byClose ? "closed" : "cancelled");
    std::string disc = tmp / (byClose ? "closed" : "cancelled");
    auto drive = Open("stdio:" + disc);
    ASSERT_TRUE(drive);
    ASSERT_EQ(Write(*drive, large, {}), TDriveResult::Ok) << drive->Message();
    if (byClose) {
      EXPECT_EQ(drive->Close(false), TDriveResult::Ok) << drive->Message();
    } else {
      drive->Cancel();
      EXPECT_EQ(Finish(*drive, progress), TDriveResult::Cancelled) << drive->Message();
    }
    EXPECT_LT(SizeOf(disc), static_cast<uintmax_t>(Blocks * DiscBlockSize / 2));
  }
  auto next = Open("stdio:" + tmp / "next");
  ASSERT_TRUE(next);
  ASSERT_EQ(Write(*next, image, {}), TDriveResult::Ok) << next->Message();
  EXPECT_EQ(Finish(*next, progress), TDriveResult::Ok) << next->Message();
  EXPECT_EQ(SizeOf(tmp / "next"), static_cast<uintmax_t>(1041 * DiscBlockSize));
}
#endif
}  // namespace
