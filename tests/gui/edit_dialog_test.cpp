// The entry dialog in both modes: typed paths, the checks of OK in their
// order, Restore, Browse, Cancel, and what the list looks like afterwards.
#include <filesystem>

#include "app/command_ids.h"
#include "entries/path_rules.h"
#include "tests/core/temp_dir.h"
#include "entry_dialogs_fixture.h"

namespace {

class TEditDialogTest : public TFrameTest {
 protected:
  void Add(const std::string& image, const std::string& real) {
    Window->Entries.Add(image, real);
    Lines();
  }
  static std::string Value(wxTextCtrl* field) { return FromWx(field->GetValue()); }

  TEntryAnswers Answers;
};

TEST_F(TEditDialogTest, NewLineTakesTypedPathsImageInCapitalsRealAsTyped) {
  Add("\\B.WAV", "/b.wav");
  Add("\\Z.WAV", "/z.wav");
  Window->CurrentLine = 1;
  Answers.OnEdit = [](TNewEditDialog* d) {
    EXPECT_EQ(d->GetTitle(), "New Line");
    EXPECT_EQ(d->ActionButton->GetLabel(), "&Browse...");
    EXPECT_EQ(Value(d->ImageEdit), "");
    EXPECT_EQ(Value(d->RealEdit), "");
    ExpectControlsApart(d);
    TypeInto(d->ImageEdit, "  samples\\piano.qvf ");
    EXPECT_EQ(Value(d->ImageEdit), "  SAMPLES\\PIANO.QVF ");
    // A letter typed in the middle goes in there, in capitals.
    d->ImageEdit->SetInsertionPoint(9);
    TypeAt(d->ImageEdit, "x");
    EXPECT_EQ(Value(d->ImageEdit), "  SAMPLESX\\PIANO.QVF ");
    EXPECT_EQ(d->ImageEdit->GetInsertionPoint(), 10);
    d->ImageEdit->ChangeValue("  SAMPLES\\PIANO.QVF ");
    TypeInto(d->RealEdit, "/home/Me/Piano.qvf");
    EXPECT_EQ(Value(d->RealEdit), "/home/Me/Piano.qvf");
    Click(d, wxID_OK);
    EXPECT_FALSE(d->IsModal());
  };
  Command(CmInsert);
  ASSERT_EQ(Answers.EditShown, 1);
  EXPECT_EQ(ListLines(Window), (std::vector<std::string>{
                                   "\\B.WAV|/b.wav",
                                   "\\SAMPLES\\PIANO.QVF|/home/Me/Piano.qvf",
                                   "\\Z.WAV|/z.wav"}));
  // The index stays; the new line took it over.
  EXPECT_EQ(Window->CurrentLine, 1);
  EXPECT_EQ(Window->GetScrollRange(wxVERTICAL), 3);
  int widest = 0;
  Window->GetTextExtent("\\SAMPLES\\PIANO.QVF", &widest, nullptr, nullptr, nullptr,
                        &Window->ListFont);
  EXPECT_EQ(Window->NameColumnWidth, widest);
}

TEST_F(TEditDialogTest, OkRefusesTheImagePathFirstThenTheRealPath) {
  Add("\\B.WAV", "/b.wav");
  Answers.OnEdit = [](TNewEditDialog* d) {
    // Both wrong: the image field is refused and gets the focus.
    d->ImageEdit->ChangeValue("\\MY FILE.WAV");
    d->RealEdit->ChangeValue("/music/a\tb.wav");
    d->RealEdit->SetFocus();
    Click(d, wxID_OK);
    EXPECT_TRUE(d->IsModal());
    EXPECT_EQ(FocusIn(d), d->ImageEdit);
    EXPECT_EQ(Value(d->ImageEdit), "\\MY FILE.WAV");  // as typed

    // An image path that only the empty field would give.
    d->ImageEdit->ChangeValue("   ");
    d->RealEdit->SetFocus();
    Click(d, wxID_OK);
    EXPECT_TRUE(d->IsModal());
    EXPECT_EQ(FocusIn(d), d->ImageEdit);

    // Image right, real path wrong: the real field now.
    d->ImageEdit->ChangeValue("\\A.WAV");
    Click(d, wxID_OK);
    EXPECT_TRUE(d->IsModal());
    EXPECT_EQ(FocusIn(d), d->RealEdit);
    d->RealEdit->ChangeValue("   ");
    Click(d, wxID_OK);
    EXPECT_TRUE(d->IsModal());

    // A POSIX path is fine as it is: long names, blanks, lower case.
    d->RealEdit->ChangeValue("/music/My Samples/a.wav");
    Click(d, wxID_OK);
    EXPECT_FALSE(d->IsModal());
  };
  Command(CmInsert);
  EXPECT_EQ(ListLines(Window), (std::vector<std::string>{"\\A.WAV|/music/My Samples/a.wav",
                                                         "\\B.WAV|/b.wav"}));
  EXPECT_EQ(Window->CurrentLine, 0);
}

TEST_F(TEditDialogTest, ImagePathRulesAndLimitsAtOk) {
  // Each image text with whether OK takes it.
  const std::string deep = [] {
    std::string s;
    while (s.size() + 9 <= ImageFieldLength) s += "\\ABCDEFGH";
    return s;
  }();
  struct TCase {
    std::string Image;
    bool Taken;
  } cases[] = {{"\\README.", true},          {"\\A.\\B", true},   {"\\DIR\\", false},
               {"\\.HIDDEN", false},         {"C:\\X.WAV", false}, {"\\A\\\\B", false},
               {"\\ABCDEFGHI.QVF", false},   {"\\A/B", false},     {deep, true},
               {deep.substr(1) + "\\ABCDEFG", true}};
  for (const TCase& c : cases) {
    Answers.OnEdit = [&](TNewEditDialog* d) {
      d->ImageEdit->ChangeValue(ToWx(c.Image));
      d->RealEdit->ChangeValue("/x");
      Click(d, wxID_OK);
      EXPECT_EQ(!d->IsModal(), c.Taken) << c.Image;
    };
    std::size_t before = Window->Entries.Count();
    Command(CmInsert);
    EXPECT_EQ(Window->Entries.Count(), before + (c.Taken ? 1 : 0)) << c.Image;
  }
  // 259 characters typed, the leading "\" added: the longest image path.
  bool longest = false;
  for (std::size_t i = 0; i < Window->Entries.Count(); ++i)
    longest = longest || Window->Entries[i].ImagePath.size() == MaxImagePath;
  EXPECT_TRUE(longest);
}

TEST_F(TEditDialogTest, EnterPressesOkAndEscCancels) {
  Answers.OnEdit = [](TNewEditDialog* d) {
    TypeInto(d->ImageEdit, "a.wav");
    TypeInto(d->RealEdit, "/a.wav");
    PressToClose(d, WXK_RETURN);
    EXPECT_FALSE(d->IsModal());
  };
  Command(CmInsert);
  EXPECT_EQ(ListLines(Window), std::vector<std::string>{"\\A.WAV|/a.wav"});
  Answers.OnEdit = [](TNewEditDialog* d) {
    TypeInto(d->ImageEdit, "b");
    PressToClose(d, WXK_ESCAPE);
    EXPECT_FALSE(d->IsModal());
  };
  Command(CmEdit);
  EXPECT_EQ(ListLines(Window), std::vector<std::string>{"\\A.WAV|/a.wav"});
}

TEST_F(TEditDialogTest, TheLongestImagePathIsEditedWhole) {
  std::string longest;
  for (int i = 0; i < 28; ++i) longest += "\\ABCDEFGH";
  longest += "\\ABCDEFG";
  std::string stored = longest;
  ASSERT_TRUE(CheckPath(stored, PathRooted));
  ASSERT_EQ(stored.size(), MaxImagePath);
  Add(longest, "/x");
  Answers.OnEdit = [&](TNewEditDialog* d) {
    EXPECT_EQ(Value(d->ImageEdit), longest);
    Click(d, wxID_OK);
    EXPECT_FALSE(d->IsModal());
  };
  Command(CmEdit);
  EXPECT_EQ(ListLines(Window), std::vector<std::string>{longest + "|/x"});
  // The same text without its "\" and one more character: one too many.
  Answers.OnEdit = [&](TNewEditDialog* d) {
    d->ImageEdit->ChangeValue(ToWx(longest.substr(1) + "Z"));
    Click(d, wxID_OK);
    EXPECT_TRUE(d->IsModal());
  };
  Command(CmEdit);
  EXPECT_EQ(ListLines(Window), std::vector<std::string>{longest + "|/x"});
}

TEST_F(TEditDialogTest, RealPathsAsLongAsTheSystemAllows) {
  std::string longReal = "/data";
  while (longReal.size() < 1000) longReal += "/Some Long Folder Name";
  Answers.OnEdit = [&](TNewEditDialog* d) {
    d->ImageEdit->ChangeValue("\\LONG.WAV");
    d->RealEdit->ChangeValue(ToWx(longReal));
    Click(d, wxID_OK);
  };
  Command(CmInsert);
  ASSERT_EQ(Window->Entries.Count(), 1u);
  EXPECT_EQ(Window->Entries[0].RealPath, longReal);
}

TEST_F(TEditDialogTest, EditMovesTheLineToItsPlaceAndKeepsTheIndex) {
  Add("\\B.WAV", "/b.wav");
  Add("\\C.WAV", "/c.wav");
  Add("\\ZZZZZZZZ\\ZZZZZZZZ.WAV", "/z.wav");
  Window->CurrentLine = 2;
  Answers.OnEdit = [](TNewEditDialog* d) {
    EXPECT_EQ(d->GetTitle(), "Edit Current Line");
    EXPECT_EQ(d->ActionButton->GetLabel(), "&Restore");
    EXPECT_EQ(Value(d->ImageEdit), "\\ZZZZZZZZ\\ZZZZZZZZ.WAV");
    EXPECT_EQ(Value(d->RealEdit), "/z.wav");
    ExpectControlsApart(d);
    d->ImageEdit->ChangeValue("\\A.WAV");
    d->RealEdit->ChangeValue(" /new/A.wav ");
    Click(d, wxID_OK);
  };
  Command(CmEdit);
  EXPECT_EQ(ListLines(Window), (std::vector<std::string>{"\\A.WAV|/new/A.wav", "\\B.WAV|/b.wav",
                                                         "\\C.WAV|/c.wav"}));
  EXPECT_EQ(Window->CurrentLine, 2);
  // The widest line is gone: the column narrows.
  int widest = 0;
  Window->GetTextExtent("\\A.WAV", &widest, nullptr, nullptr, nullptr, &Window->ListFont);
  int w = 0;
  for (const char* s : {"\\B.WAV", "\\C.WAV"}) {
    Window->GetTextExtent(s, &w, nullptr, nullptr, nullptr, &Window->ListFont);
    widest = std::max(widest, w);
  }
  EXPECT_EQ(Window->NameColumnWidth, widest);
}

// The status bar follows every OK: the image's size for the worked examples
// of the layout, and an image path taken a second time told at once (a
// build would ask about it); an edited line's file is read anew, and every
// file when the window is active again.
TEST_F(TEditDialogTest, TheStatusBarTellsTheImageAndALineTwiceInTheList) {
  TTempDir dir;
  const std::string sample = dir.File("sample.bin", std::string(1000000, 's'));
  EXPECT_EQ(StatusShown(), "");
  auto ok = [this](const std::string& image, const std::string& real, int command) {
    Answers.OnEdit = [image, real](TNewEditDialog* d) {
      d->ImageEdit->ChangeValue(ToWx(image));
      d->RealEdit->ChangeValue(ToWx(real));
      Click(d, wxID_OK);
    };
    Command(command);
  };
  ok("\\A.BIN", sample, CmInsert);
  const std::string small = "image 2.0 MiB \u00B7 1 % of an 80-minute CD-R";
  EXPECT_EQ(StatusShown(), "1 entry \u00B7 " + small);
  ok("\\A.BIN", sample, CmInsert);
  EXPECT_EQ(StatusShown(), "\\A.BIN is now twice in the list \u2014 2 entries \u00B7 " + small +
                               " \u00B7 1 clashing line");
  Command(CmDelete);
  EXPECT_EQ(StatusShown(), "1 entry \u00B7 " + small);

  // The file grew to the largest volume of 32,768-byte clusters.
  std::filesystem::resize_file(sample, std::uintmax_t(65518) * 32768);
  ok("\\BIG.BIN", sample, CmEdit);
  EXPECT_EQ(StatusShown(),
            "1 entry \u00B7 image 2.00 GiB \u00B7 292 % of an 80-minute CD-R, too large for it");

  // Gone while the user was in another program: the figures follow once
  // the window is active again.
  std::filesystem::remove(sample);
  wxActivateEvent back(wxEVT_ACTIVATE, true);
  Frame->GetEventHandler()->ProcessEvent(back);
  EXPECT_EQ(StatusShown(), "1 entry \u00B7 1 file cannot be read");
}

TEST_F(TEditDialogTest, RestoreUndoesTypingAndCancelChangesNothing) {
  Add("\\B.WAV", "/b.wav");
  Add("\\C.WAV", "/c.wav");
  Window->CurrentLine = 1;
  int width = Window->NameColumnWidth;
  Answers.OnEdit = [](TNewEditDialog* d) {
    TypeInto(d->ImageEdit, "x");
    TypeInto(d->RealEdit, "y");
    EXPECT_EQ(Value(d->ImageEdit), "\\C.WAVX");
    Click(d, IdActionButton);
    EXPECT_TRUE(d->IsModal());
    EXPECT_EQ(Value(d->ImageEdit), "\\C.WAV");
    EXPECT_EQ(Value(d->RealEdit), "/c.wav");
    d->ImageEdit->ChangeValue("\\A.WAV");
    Click(d, wxID_CANCEL);
  };
  Command(CmEdit);
  EXPECT_EQ(Answers.EditShown, 1);
  EXPECT_EQ(ListLines(Window), (std::vector<std::string>{"\\B.WAV|/b.wav", "\\C.WAV|/c.wav"}));
  EXPECT_EQ(Window->CurrentLine, 1);
  EXPECT_EQ(Window->NameColumnWidth, width);
  // Insert with typing, then Cancel: nothing either.
  Answers.OnEdit = [](TNewEditDialog* d) {
    d->ImageEdit->ChangeValue("\\A.WAV");
    d->RealEdit->ChangeValue("/a.wav");
    Click(d, wxID_CANCEL);
  };
  Command(CmInsert);
  EXPECT_EQ(Window->Entries.Count(), 2u);
}

TEST_F(TEditDialogTest, BrowseProposesTheFieldsFolderAndTheFileNameInCapitals) {
  // A line in the image folder already holds the first short name.
  Add("\\SAMPLES\\MYSAMP~1.WAV", "/old/My Sample.wav");
  TTempDir dir;
  std::string piano = dir.File("Samples/Piano.qvf", "QV");
  std::string bass = dir.File("Samples/Bass.wav", "RIFF");
  std::string longName = dir.File("Samples/My Sample.wav", "RIFF");
  std::string dots = dir.File("Samples/. .", "nothing left of its name");
  Answers.FileChoices = {piano, "", bass, longName, dots};
  // GTK matches patterns by case; DOS names come in capitals. The filter
  // chosen last (AIFF, in the cancelled prompt) opens the next prompt.
  int prompt = 0;
  Answers.OnFile = [&prompt](wxFileDialog* files) {
    const bool looked = ++prompt == 1 || prompt == 3;
    for (auto [name, aiff] : {std::pair{"PIANO.QVF", false}, {"piano.qvf", false},
                              {"Strings Ensemble.aiff", true}, {"SONG4.AIF", true}})
      EXPECT_TRUE(!looked || FilterShows(files, name) == (aiff == (prompt == 3))) << name;
    files->SetFilterIndex(prompt == 2 ? 2 : 3);  // All Files for the files chosen
  };
  Answers.OnEdit = [&](TNewEditDialog* d) {
    // An empty field: the file goes into the root.
    Click(d, IdActionButton);
    EXPECT_EQ(Value(d->ImageEdit), "\\PIANO.QVF");
    EXPECT_EQ(Value(d->RealEdit), piano);
    // Cancelled: the fields stay.
    Click(d, IdActionButton);
    EXPECT_EQ(Value(d->ImageEdit), "\\PIANO.QVF");
    EXPECT_EQ(Value(d->RealEdit), piano);
    // The folder typed in the field stays; the name is the file's own.
    d->ImageEdit->ChangeValue("\\SAMPLES\\OLD.WAV");
    Click(d, IdActionButton);
    EXPECT_EQ(Value(d->ImageEdit), "\\SAMPLES\\BASS.WAV");
    EXPECT_EQ(Value(d->RealEdit), bass);
    // A long name: its short name, free in that folder of the list (the
    // folder typed without its leading "\" is the same folder).
    d->ImageEdit->ChangeValue("SAMPLES\\");
    Click(d, IdActionButton);
    EXPECT_EQ(Value(d->ImageEdit), "SAMPLES\\MYSAMP~2.WAV");
    EXPECT_EQ(Value(d->RealEdit), longName);
    // Nothing left of the name: the folder, and the cursor to type one.
    Click(d, IdActionButton);
    EXPECT_EQ(Value(d->ImageEdit), "SAMPLES\\");
    EXPECT_EQ(Value(d->RealEdit), dots);
    EXPECT_EQ(FocusIn(d), d->ImageEdit);
    Click(d, wxID_OK);
    EXPECT_TRUE(d->IsModal());
    TypeInto(d->ImageEdit, "dots");
    Click(d, wxID_OK);
  };
  Command(CmInsert);
  EXPECT_EQ(ListLines(Window), (std::vector<std::string>{"\\SAMPLES\\DOTS|" + dots,
                                                         "\\SAMPLES\\MYSAMP~1.WAV|/old/My Sample.wav"}));
  ASSERT_EQ(Answers.FilesAsked.size(), 5u);
  for (std::size_t i = 0; i < Answers.FilesAsked.size(); ++i) {
    const TFileAsked& asked = Answers.FilesAsked[i];
    EXPECT_EQ(asked.Title, "Browse File");
    EXPECT_EQ(asked.Name, "");  // every prompt starts without a name
    EXPECT_EQ(asked.Wildcard, FromWx(CaseBlindFilter(Window->BrowseData.Filter)));
    EXPECT_EQ(asked.Style, wxFD_OPEN | wxFD_FILE_MUST_EXIST);
    // The next prompt opens where the last choice was made.
    if (i > 0) {
      EXPECT_EQ(asked.Folder, dir / "Samples") << i;
    }
  }
}

TEST_F(TEditDialogTest, BrowsedNameTooLongForTheImageFieldIsNotCutShort) {
  TTempDir dir;
  std::string folder;
  while (folder.size() < ImageFieldLength - 8) folder += "\\ABCDEFGH";
  folder += "\\";
  Answers.FileChoices = {dir.File("abcdefgh.wav", "RIFF")};
  Answers.OnEdit = [&](TNewEditDialog* d) {
    d->ImageEdit->ChangeValue(ToWx(folder + "A.WAV"));
    Click(d, IdActionButton);
    EXPECT_EQ(Value(d->RealEdit), dir / "abcdefgh.wav");
    EXPECT_EQ(Value(d->ImageEdit), folder);
    EXPECT_EQ(FocusIn(d), d->ImageEdit);
  };
  Command(CmInsert);
  EXPECT_EQ(Window->Entries.Count(), 0u);
}

}  // namespace
