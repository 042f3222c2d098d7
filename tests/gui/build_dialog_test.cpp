// Create Image, Burn Image and Copy to SD Card through the real progress
// dialog, driven by idle notices, with the statistics, file prompts and
// message boxes answered by the hook.
#include <dirent.h>

#include <cstdlib>
#include <filesystem>

#include <wx/button.h>
#include <wx/stattext.h>

#include "app/command_ids.h"
#include "gui_fixture.h"
#include "image/build_driver.h"
#include "image/build_messages.h"
#include "image/build_state.h"
#include "image/ui/gauge_control.h"
#include "image/ui/status_line.h"
#include "image/status_text.h"
#include "tests/core/image_check.h"
#include "tests/core/temp_dir.h"
#include "window_checks.h"

namespace {

int OpenDescriptors() {
  int n = 0;
  if (DIR* d = opendir("/proc/self/fd")) {
    while (readdir(d)) ++n;
    closedir(d);
  }
  return n;
}

std::string Bytes(std::size_t n, unsigned seed) {
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>((i * 131 + seed * 7) >> 3);
  return s;
}

class TBuildDialogTest : public TFrameTest {
 protected:
  void SetUp() override {
    TFrameTest::SetUp();
    Image = Dir / "OUT.trk";
    // Watches the running dialog: gauge values, and "Ok" pressed once it
    // shows "Done".
    Answers.OnBuild = [this](TWriteDialog* dialog) {
      dialog->Bind(wxEVT_IDLE, [this, dialog](wxIdleEvent& e) {
        e.Skip();
        Gauges.push_back(dialog->Gauge->GetValue());
        if (OnIdle) OnIdle(dialog);
        if (dialog->Work().Done() && !PressedOk) {
          PressedOk = true;
          Captions.push_back(FromWx(dialog->GetTitle()));
          ButtonText = FromWx(dialog->CancelButton->GetLabel());
          Press(dialog);
        }
      });
    };
  }
  void TearDown() override {
    TMyWindow::DrivePrompt = TMyWindow::RunDrivePrompt;
    TFrameTest::TearDown();
  }
  static void Press(TWriteDialog* dialog) {
    wxCommandEvent click(wxEVT_BUTTON, IdCancelButton);
    click.SetEventObject(dialog->CancelButton);
    dialog->GetEventHandler()->AddPendingEvent(click);
  }
  void Add(const std::string& image, const std::string& real) {
    Window->Entries.Add(image, real);
    Lines();
  }

  TTempDir Dir;
  std::string Image;
  TDialogAnswers Answers;
  std::vector<std::string> Captions;
  std::vector<int> Gauges;
  std::string ButtonText;
  bool PressedOk = false;
  std::function<void(TWriteDialog*)> OnIdle;
};

TEST_F(TBuildDialogTest, CreatesAnImageThatFsckAndMtoolsRead) {
  std::string a = Dir.File("src/a.txt", "hello\n");
  std::string b = Dir.File("src/b.bin", Bytes(70000, 1));
  std::string c = Dir.File("src/c.qvf", Bytes(3000, 2));
  std::string d = Dir.File("src/d.wav", Bytes(1, 3));
  Add("\\A.TXT", a);
  Add("\\DATA\\B.BIN", b);
  Add("\\TREE", Dir.Dir("src/tree"));
  Add("\\TREE\\C.QVF", c);
  Add("\\TREE\\SUB\\D.WAV", d);
  Answers.FileChoices = {Image};
  Answers.OnFile = [](wxFileDialog* files) {
    for (const char* name : {"OLD.TRK", "old.trk"}) EXPECT_TRUE(FilterShows(files, name)) << name;
    EXPECT_FALSE(FilterShows(files, "OLD.QVF"));
  };

  Command(CmCreateImage);

  EXPECT_EQ(Window->WriteDialog, nullptr);
  EXPECT_TRUE(PressedOk);
  EXPECT_EQ(Captions, std::vector<std::string>{"Done"});
  EXPECT_EQ(ButtonText, "Ok");
  ASSERT_EQ(Answers.FilesAsked.size(), 1u);
  EXPECT_EQ(Answers.FilesAsked[0].Title, "Save Image");
  EXPECT_EQ(Answers.FilesAsked[0].Name, "") << "GTK would take \"*.trk\" as the name";
  ASSERT_EQ(Answers.StatShown, 1);
  // 4096 clusters of 512 bytes: the smallest volume.
  EXPECT_EQ(Answers.StatValues[1], "512");
  EXPECT_EQ(Answers.StatValues[2], "4096");
  EXPECT_EQ(Answers.StatValues[3], "17");
  EXPECT_EQ(Answers.StatValues[4], "2131456");
  EXPECT_EQ(std::filesystem::file_size(Image), 2131456u);
  // The gauge moved through the build, not only to its ends.
  EXPECT_TRUE(std::any_of(Gauges.begin(), Gauges.end(), [](int g) { return g > 0 && g < 100; }));
  // The next prompt (after "Not enough space", or the next build) opens in
  // the folder chosen, not in the working folder.
  Answers.FileChoices = {""};
  Command(CmCreateImage);
  ASSERT_EQ(Answers.FilesAsked.size(), 2u);
  EXPECT_EQ(Answers.FilesAsked[1].Folder, Dir.Path);
  // Opened again with the name chosen before, it shows it in its folder.
  Window->SaveData.FileName = ToWx(Dir.Dir("sub") + "/show.trk");
  Answers.FileChoices = {""};
  EXPECT_FALSE(TWriteDialog::RunSaveDialog(Window, Window->SaveData));
  EXPECT_EQ(Answers.FilesAsked.back().Folder + "/" + Answers.FilesAsked.back().Name,
            Dir / "sub/show.trk");

  if (!HaveTool("fsck.fat") || !HaveTool("mcopy")) GTEST_SKIP() << "dosfstools or mtools missing";
  EXPECT_EQ(FsckProblems(Image), "");
  std::string out = Dir.Dir("out");
  ASSERT_EQ(ExtractImage(Image, out).Status, 0);
  for (auto [inImage, real] : {std::pair{"A.TXT", a}, {"DATA/B.BIN", b}, {"TREE/C.QVF", c},
                                {"TREE/SUB/D.WAV", d}})
    EXPECT_TRUE(ReadBytes(out + "/" + inImage) == ReadBytes(real)) << inImage;
}

TEST_F(TBuildDialogTest, CancelInTheStatisticsOrTheSavePromptCreatesNoFile) {
  Add("\\A.TXT", Dir.File("a.txt", "x"));
  Answers.StatsOk = false;
  Command(CmCreateImage);
  EXPECT_EQ(Answers.StatShown, 1);
  EXPECT_TRUE(Answers.FilesAsked.empty());

  Answers.StatsOk = true;
  Answers.FileChoices = {""};  // the prompt is cancelled
  Command(CmCreateImage);
  EXPECT_EQ(Answers.FilesAsked.size(), 1u);
  EXPECT_TRUE(std::filesystem::is_empty(Dir.Path) ||
              !std::filesystem::exists(Image));
  EXPECT_FALSE(std::filesystem::exists(Image));
  EXPECT_EQ(Window->WriteDialog, nullptr);
}

TEST_F(TBuildDialogTest, AScanStopMakesTheFailingLineCurrentAndVisible) {
  std::string file = Dir.File("f.bin", "1");
  char name[32];
  for (int i = 0; i < 100; ++i) {
    snprintf(name, sizeof name, "\\F%03d.BIN", i);
    Window->Entries.Add(name, i == 57 ? Dir / "missing.bin" : file);
  }
  Lines();
  ShowLines(10);
  Answers.BoxAnswers = {TAnswer::Abort};
  Command(CmCreateImage);
  ASSERT_EQ(Answers.Boxes.size(), 1u);
  EXPECT_EQ(Answers.Boxes[0].Buttons, TButtons::AbortRetryIgnore);
  EXPECT_NE(Answers.Boxes[0].Text.find("missing.bin"), std::string::npos);
  EXPECT_EQ(Window->CurrentLine, 57);
  EXPECT_LE(Window->FirstVisibleLine(), 57);
  EXPECT_GT(Window->FirstVisibleLine() + Window->VisibleLines, 57);
  EXPECT_EQ(Answers.StatShown, 0);
}

TEST_F(TBuildDialogTest, NoStepRunsWhileAMessageBoxOfAStepIsOpen) {
  Add("\\A.BIN", Dir / "missing.bin");
  Add("\\B.BIN", Dir.File("b.bin", "b"));
  int idles = 0;
  int stepAtBox = -1;
  bool moved = false;
  TWriteDialog* build = nullptr;
  Answers.OnBuild = [&](TWriteDialog* dialog) { build = dialog; };
  // The box runs its own loop for a while, asking for idle notices.
  Answers.RunBox = [&](TMessageBox* box) {
    stepAtBox = build->Build().State().StepIndex;
    box->Bind(wxEVT_IDLE, [&, box](wxIdleEvent& e) {
      if (build->Build().State().StepIndex != stepAtBox) moved = true;
      if (++idles < 50) {
        e.RequestMore();
      } else if (box->IsModal()) {
        box->EndModal(wxID_IGNORE);
      }
    });
  };
  Answers.FileChoices = {""};
  Command(CmCreateImage);  // the build is cancelled at the save prompt
  EXPECT_GE(idles, 50);
  EXPECT_FALSE(moved);
  EXPECT_EQ(Answers.StatShown, 1);  // the build went on after the box
}

TEST_F(TBuildDialogTest, CancelDuringTheDataStageLeavesNoNewFileAndAReplacedOneWhole) {
  for (int i = 0; i < 30; ++i) {
    char image[32];
    snprintf(image, sizeof image, "\\F%02d.BIN", i);
    Add(image, Dir.File("src/" + std::to_string(i), Bytes(65536, i)));
  }
  Answers.FileChoices = {Image};
  int32_t imageSize = 0;
  OnIdle = [&](TWriteDialog* dialog) {
    const TBuildState& s = dialog->Build().State();
    if (s.State == TBuildStage::Data && s.StepIndex >= 5 && !PressedOk) {
      imageSize = s.ImageSize;
      PressedOk = true;
      Press(dialog);
    }
  };
  const auto folderSize = [&] {
    return std::distance(std::filesystem::directory_iterator(Dir.Path),
                         std::filesystem::directory_iterator());
  };
  auto files = folderSize();
  int before = OpenDescriptors();
  Command(CmCreateImage);
  EXPECT_EQ(OpenDescriptors(), before);
  ASSERT_GT(imageSize, 0);
  // Nothing that looks like an image is left to be burnt.
  EXPECT_FALSE(std::filesystem::exists(Image));
  EXPECT_EQ(folderSize(), files) << "the unfinished image is removed";
  EXPECT_EQ(Window->WriteDialog, nullptr);

  // A file the user chose to replace stays whole: the new image goes in
  // beside it and would replace it only once complete.
  const std::string old = "an image burnt last year";
  Dir.File(std::filesystem::path(Image).filename().string(), old);
  ++files;
  Answers.FileChoices = {Image};
  PressedOk = false;
  Command(CmCreateImage);
  EXPECT_TRUE(PressedOk);
  EXPECT_TRUE(ReadBytes(Image) == old) << "the replaced file was touched";
  EXPECT_EQ(folderSize(), files) << "the unfinished image is removed";
  EXPECT_EQ(OpenDescriptors(), before);
  // Not stopped, the new image replaces it.
  OnIdle = nullptr;
  PressedOk = false;  // Ok at "Done"
  Answers.FileChoices = {Image};
  Command(CmCreateImage);
  EXPECT_EQ(std::filesystem::file_size(Image), static_cast<uintmax_t>(imageSize));
  EXPECT_EQ(folderSize(), files);
}

// A prompt that closes over the dialog leaves it blank until it is painted
// again, and the step that asked goes on with the writing at once.
TEST_F(TBuildDialogTest, TheDialogIsPaintedBeforeTheStepThatAskedForTheFileGoesOn) {
  Add("\\A.BIN", Dir.File("a.bin", "a"));
  Answers.FileChoices = {Image};
  struct TPromptWatch : wxModalDialogHook {
    bool Closed = false;
    int Enter(wxDialog*) override { return wxID_NONE; }
    void Exit(wxDialog* d) override { Closed = Closed || dynamic_cast<wxFileDialog*>(d); }
  } prompt;
  prompt.Register();
  bool watched = false, painted = false;
  OnIdle = [&](TWriteDialog* dialog) {
    if (watched) return;
    watched = true;
    dialog->StatusText->Bind(wxEVT_PAINT, [&, dialog](wxPaintEvent& e) {
      e.Skip();
      painted |= prompt.Closed && dialog->Build().Stage() == TBuildStage::Count;
    });
  };
  Command(CmCreateImage);
  prompt.Unregister();
  EXPECT_TRUE(PressedOk && painted);
}

TEST_F(TBuildDialogTest, TheCloseBoxAndEscCancelLikeTheButton) {
  for (int i = 0; i < 50; ++i) Add("\\F" + std::to_string(i), Dir.File(std::to_string(i), "x"));
  bool closed = false;
  OnIdle = [&](TWriteDialog* dialog) {
    EXPECT_EQ(dialog->GetEscapeId(), IdCancelButton);
    if (!closed && dialog->Build().Stage() == TBuildStage::Count) {
      closed = true;
      dialog->Close();
    }
  };
  Command(CmCreateImage);
  EXPECT_TRUE(closed);
  EXPECT_EQ(Answers.StatShown, 0);
  EXPECT_TRUE(Answers.FilesAsked.empty());
  EXPECT_EQ(Window->WriteDialog, nullptr);
}

// The image just created is proposed; a burn cancelled while it writes says
// that the disc is lost, and the next burn, proposing the drive used last,
// puts the whole image on a new disc.
TEST_F(TBuildDialogTest, BurnImageBurnsTheImageJustCreatedAndACancelledBurnSaysTheDiscIsLost) {
  Add("\\A.BIN", Dir.File("src/a.bin", Bytes(1000000, 1)));
  Answers.FileChoices = {Image};
  Command(CmCreateImage);
  std::string padded = ReadBytes(Image);
  padded.resize((padded.size() + 2047) / 2048 * 2048, '\0');
  // An image that takes long enough to write for Cancel to come first.
  const std::string large = Dir / "large.trk", source = Dir.File("large/BIG.BIN");
  std::filesystem::resize_file(source, 128 << 20);
  const std::string command = std::string("'") + QVIMAGE_PATH + "' -q --from-dir '" +
                              (Dir / "large") + "' '" + large + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;

  std::vector<std::string> proposed;
  std::string disc = Dir / "lost";
  TMyWindow::DrivePrompt = [&](TMyWindow&, std::string& address) {
    proposed.push_back(address);
    address = "stdio:" + disc;
    return true;
  };
  bool cancelled = false;
  OnIdle = [&](TWriteDialog* dialog) {
    if (!cancelled && FromWx(dialog->GetTitle()) == Msg::CaptionBurn) {
      cancelled = true;
      Press(dialog);
    }
  };
  PressedOk = false;
  Answers.FileChoices = {large};
  Answers.BoxAnswers = {TAnswer::Ok};
  Command(CmBurnImage);
  ASSERT_EQ(Answers.FilesAsked.size(), 2u);
  EXPECT_EQ(Answers.FilesAsked[1].Title, "Burn Image");
  EXPECT_EQ(Answers.FilesAsked[1].Name, "OUT.trk");
  EXPECT_EQ(Answers.FilesAsked[1].Folder, Dir.Path);
  ASSERT_EQ(Answers.Boxes.size(), 1u);
  EXPECT_EQ(Answers.Boxes[0].Text,
            "The burn was cancelled. The disc in the CD writer stdio:" + disc + " is unusable now.");
  EXPECT_LT(std::filesystem::file_size(disc), std::filesystem::file_size(large) / 2);
  EXPECT_FALSE(PressedOk);
  EXPECT_EQ(Window->WriteDialog, nullptr);

  OnIdle = nullptr;
  disc = Dir / "disc";
  Answers.FileChoices = {Image};
  Command(CmBurnImage);
  EXPECT_TRUE(PressedOk);
  EXPECT_EQ(Captions.back(), "Done");
  EXPECT_TRUE(ReadBytes(disc) == padded) << "the disc is not the image";
  EXPECT_EQ(proposed, (std::vector<std::string>{"", "stdio:" + Dir / "lost"}));
  EXPECT_EQ(Answers.Boxes.size(), 1u);
}

// Copy to SD Card proposes the image just created, and in the folder
// chosen last the first CDn.iso that is free; replacing a file is asked
// first.
TEST_F(TBuildDialogTest, CopyToSdCardProposesTheFreeIdAndAsksBeforeReplacing) {
  Frame->UpdateWindowUI(wxUPDATE_UI_RECURSE);
  for (int id : {CmBurnImage, CmCopyToCard})
    EXPECT_TRUE(Frame->GetMenuBar()->IsEnabled(id)) << "no list is needed: " << id;
  Add("\\A.BIN", Dir.File("src/a.bin", Bytes(1000000, 2)));
  Answers.FileChoices = {Image};
  Command(CmCreateImage);
  std::string padded = ReadBytes(Image);
  padded.resize((padded.size() + 2047) / 2048 * 2048, '\0');
  const std::string card = Dir.Dir("card");
  Dir.File("card/CD3.iso", "old");

  PressedOk = false;
  Answers.FileChoices = {Image, card + "/CD4.iso"};
  Command(CmCopyToCard);
  EXPECT_TRUE(PressedOk);
  ASSERT_EQ(Answers.FilesAsked.size(), 3u);
  EXPECT_EQ(Answers.FilesAsked[1].Name, "OUT.trk");
  EXPECT_EQ(Answers.FilesAsked[2].Title, "Copy to SD Card");
  EXPECT_EQ(Answers.FilesAsked[2].Folder, Dir.Path);
  EXPECT_EQ(Answers.FilesAsked[2].Name, "CD3.iso");
  EXPECT_TRUE(ReadBytes(card + "/CD4.iso") == padded);

  PressedOk = false;
  Answers.FileChoices = {Image, card + "/CD3.iso", card + "/CD3.iso"};
  Answers.BoxAnswers = {TAnswer::No, TAnswer::Yes};
  Command(CmCopyToCard);
  EXPECT_TRUE(PressedOk);
  ASSERT_EQ(Answers.Boxes.size(), 2u);
  EXPECT_EQ(Answers.Boxes[1].Text,
            "The file " + card + "/CD3.iso already exists. Do you want to replace it?");
  EXPECT_EQ(Answers.FilesAsked.back().Name, "CD5.iso");
  EXPECT_TRUE(ReadBytes(card + "/CD3.iso") == padded);
}

TEST_F(TBuildDialogTest, StatusLineCutsThePathAtItsFrontUntilItFits) {
  Add("\\A", "/a");
  TWriteDialog dialog(Window, Window->Entries, Window->SaveData, Window->DialogFont);
  std::string longPath;
  for (int i = 0; i < 40; ++i) longPath += "\\DIR" + std::to_string(i);
  longPath += "\\GRAND.QVF";
  SetStatus(dialog, longPath);
  std::string shown = FromWx(dialog.StatusText->Text());
  EXPECT_EQ(shown.rfind("...\\", 0), 0u) << shown;
  EXPECT_TRUE(dialog.StatusFits(shown));
  EXPECT_LT(shown.size(), longPath.size());
  EXPECT_EQ(shown.substr(shown.size() - 10), "\\GRAND.QVF");
  // A name without two backslashes to cut at stays whole, "&" and all.
  std::string wide = "\\" + std::string(300, 'W') + "&B.QVF";
  SetStatus(dialog, wide);
  EXPECT_EQ(FromWx(dialog.StatusText->Text()), wide);
}

TEST_F(TBuildDialogTest, GaugeClampsAndRepaintsOnlyOnChange) {
  Add("\\A", "/a");
  TWriteDialog dialog(Window, Window->Entries, Window->SaveData, Window->DialogFont);
  TMyGauge* gauge = dialog.Gauge;
  gauge->SetValue(42);
  EXPECT_EQ(gauge->Text(), "42%");
  long repaints = gauge->RepaintCount();
  gauge->SetValue(42);
  EXPECT_EQ(gauge->RepaintCount(), repaints);
  gauge->SetValue(150);
  EXPECT_EQ(gauge->GetValue(), 100);
  gauge->SetValue(-5);
  EXPECT_EQ(gauge->GetValue(), 0);
}

TEST_F(TBuildDialogTest, DialogsKeepTheirControlsApartAndWhole) {
  Add("\\A", "/a");
  TWriteDialog write(Window, Window->Entries, Window->SaveData, Window->DialogFont);
  ExpectControlsApart(&write);
  TStatistics stats{2147483, 65536, 65518, 256, 2147188736};
  TStatDialog stat(&write, stats);
  ExpectControlsApart(&stat);
  EXPECT_EQ(stat.GetTitle(), "Some Statistics");
  EXPECT_EQ(stat.ValueText(4), "2147188736");
  EXPECT_EQ(stat.FitText(), "Too large for an 80-minute CD-R by 1409908736 bytes: for an "
                            "SD-card emulator only.");
  TMessageBox box(&write, "Sorry, I can't open the file /tmp/x for writing.", "File Error",
                  TButtons::AbortRetryIgnore);
  ExpectControlsApart(&box);
}

TEST_F(TBuildDialogTest, OnDesktopTheGaugesPercentageReadsOnItsFaceAndOnItsBar) {
  Add("\\A", "/a");
  TWriteDialog dialog(Window, Window->Entries, Window->SaveData, Window->DialogFont);
  dialog.Gauge->SetBarColour(wxColour(0, 0, 128));  // the build's navy
  TGaugeColours c = dialog.Gauge->Colours();
  EXPECT_GE(ContrastRatio(c.TextOnFace, c.Face), 4.5);
  EXPECT_GE(ContrastRatio(c.TextOnBar, c.Bar), 4.5);
  EXPECT_GE(ContrastRatio(c.Bar, c.Face), 1.5);  // the bar shows where it ends
}

TEST_F(TBuildDialogTest, MessageBoxesKeepTheirButtonOrderAndEscape) {
  struct TCase {
    TButtons Set;
    std::vector<wxString> Labels;
    int Escape;
  } cases[] = {
      {TButtons::Ok, {"OK"}, wxID_OK},
      {TButtons::YesNo, {"Yes", "No"}, wxID_NONE},
      {TButtons::AbortRetryIgnore, {"Abort", "Retry", "Ignore"}, wxID_NONE},
      {TButtons::RetryCancel, {"Retry", "Cancel"}, wxID_CANCEL},
  };
  for (const TCase& c : cases) {
    TMessageBox box(Frame, "text", "Error", c.Set);
    std::vector<wxButton*> buttons;
    for (wxWindow* child : box.GetChildren())
      if (auto* b = dynamic_cast<wxButton*>(child)) buttons.push_back(b);
    std::sort(buttons.begin(), buttons.end(),
              [](wxButton* a, wxButton* b) { return a->GetPosition().x < b->GetPosition().x; });
    ASSERT_EQ(buttons.size(), c.Labels.size());
    for (size_t i = 0; i < buttons.size(); ++i)
      EXPECT_EQ(wxStripMenuCodes(buttons[i]->GetLabel()), c.Labels[i]);
    EXPECT_EQ(box.GetEscapeId(), c.Escape);
  }
}

}  // namespace
