// A list of 20,000 real files, dropped folder by folder, built through the
// real Create Image dialog into an image that fsck.fat and mcopy read back.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/command_ids.h"
#include "drop_answers.h"
#include "image/build_driver.h"
#include "tests/core/image_check.h"
#include "tests/core/temp_dir.h"

namespace {

// 40 folders of 500: the root holds only the folders, far below its 512
// records.
constexpr int Folders = 40;
constexpr int FilesPerFolder = 500;
constexpr int LineCount = Folders * FilesPerFolder;

// Sizes from empty to a little over two 512-byte clusters.
std::string Contents(int n) {
  std::string s(static_cast<std::size_t>((n * 37) % 1100), '\0');
  for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char>(i * 7 + n);
  return s;
}

class TLargeListTest : public TFrameTest {
 protected:
  void SetUp() override {
    TFrameTest::SetUp();
    // Forty thousand small files written and read back: in memory where the
    // system has a memory file system, so that a busy disk does not decide
    // the test's time.
    std::string old = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
    if (std::filesystem::is_directory(MemoryFolder)) setenv("TMPDIR", MemoryFolder, 1);
    Temp = std::make_unique<TTempDir>();
    if (old.empty())
      unsetenv("TMPDIR");
    else
      setenv("TMPDIR", old.c_str(), 1);
  }
  void TearDown() override {
    Temp.reset();
    TFrameTest::TearDown();
  }

  static constexpr const char* MemoryFolder = "/dev/shm";
  std::unique_ptr<TTempDir> Temp;
  TDropAnswers Answers;
};

TEST_F(TLargeListTest, TwentyThousandDroppedFilesBuildIntoACleanImage) {
  if (!HaveTool("fsck.fat") || !HaveTool("mcopy")) GTEST_SKIP() << "dosfstools or mtools missing";
  char name[32];
  for (int d = 0; d < Folders; ++d) {
    snprintf(name, sizeof name, "src/d%02d", d);
    std::string folder = Temp->Dir(name);
    wxArrayString dropped;
    for (int f = 0; f < FilesPerFolder; ++f) {
      snprintf(name, sizeof name, "/f%03d.bin", f);
      std::ofstream(folder + name, std::ios::binary) << Contents(d * FilesPerFolder + f);
      dropped.Add(ToWx(folder + name));
    }
    snprintf(name, sizeof name, "\\D%02d\\", d);
    Answers.Destination = name;
    DropFiles(*Window, dropped);
  }
  ASSERT_EQ(Window->Entries.Count(), static_cast<std::size_t>(LineCount));
  EXPECT_EQ(Window->Entries[LineCount - 1].ImagePath, "\\D39\\F499.BIN");

  std::string image = *Temp / "OUT.trk";
  Answers.FileChoices = {image};
  bool done = false;
  wxString caption;
  Answers.OnBuild = [&](TWriteDialog* build) {
    build->Bind(wxEVT_IDLE, [&, build](wxIdleEvent& e) {
      e.Skip();
      if (done || !build->Build().Done()) return;
      done = true;
      caption = build->GetTitle();
      wxCommandEvent ok(wxEVT_BUTTON, IdCancelButton);
      build->GetEventHandler()->AddPendingEvent(ok);
    });
  };
  Command(CmCreateImage);

  ASSERT_TRUE(done);
  EXPECT_EQ(caption, "Done");
  EXPECT_TRUE(Answers.Boxes.empty());
  ASSERT_EQ(Answers.StatShown, 1);
  EXPECT_EQ(Answers.StatValues[0], wxString::Format("%d", Folders + LineCount));
  EXPECT_EQ(Window->Entries.Count(), static_cast<std::size_t>(LineCount));

  EXPECT_EQ(FsckProblems(image), "");
  std::string out = Temp->Dir("out");
  ASSERT_EQ(ExtractImage(image, out).Status, 0);
  int extracted = 0;
  for (auto it = std::filesystem::recursive_directory_iterator(out);
       it != std::filesystem::recursive_directory_iterator(); ++it)
    ++extracted;
  EXPECT_EQ(extracted, Folders + LineCount);
  int differing = 0;
  for (int d = 0; d < Folders; ++d)
    for (int f = 0; f < FilesPerFolder; ++f) {
      snprintf(name, sizeof name, "/D%02d/F%03d.BIN", d, f);
      if (ReadBytes(out + name) != Contents(d * FilesPerFolder + f)) ++differing;
    }
  EXPECT_EQ(differing, 0);
}

}  // namespace
