// Files dropped on the list window: the destination dialog, one line per
// valid name, the two questions, and an image built from dropped files.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include <wx/dnd.h>
#include <wx/panel.h>
#include <wx/stattext.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include "app/command_ids.h"
#include "image/build_driver.h"
#include "entries/path_rules.h"
#include "entry_dialogs_fixture.h"
#include "tests/core/image_check.h"
#include "tests/core/temp_dir.h"

namespace {

class TDropTest : public TFrameTest {
 protected:
  void Add(const std::string& image, const std::string& real) {
    Window->Entries.Add(image, real);
    Lines();
  }
  // A drop as the file manager delivers it, through the window's target;
  // false when the target refused it.
  bool Drop(std::vector<std::string> paths) {
    wxArrayString names;
    for (const std::string& p : paths) names.push_back(ToWx(p));
    auto* target = dynamic_cast<TDropTarget*>(Window->GetDropTarget());
    if (!target) {
      ADD_FAILURE() << "no drop target";
      return false;
    }
    const bool taken = target->OnDropFiles(0, 0, names);
    wxTheApp->ProcessPendingEvents();  // the drop is handled after the target returns
    return taken;
  }
  // Answers the destination dialog: shows what it proposed, then OK with
  // the given text (or the proposal).
  void Destination(const char* typed = nullptr) {
    Answers.OnDest = [this, typed](TDropDestDialog* d) {
      Proposed = FromWx(d->DestEdit->GetValue());
      if (typed) d->DestEdit->SetValue(typed);
      Click(d, wxID_OK);
      EXPECT_FALSE(d->IsModal()) << FromWx(d->DestEdit->GetValue());
    };
  }
  // What the status bar says of the last drop, before the list's figures.
  std::string Notice() {
    const std::string shown = StatusShown();
    const std::size_t end = shown.find(" \u2014 ");
    return end == std::string::npos ? std::string() : shown.substr(0, end);
  }
  int WidthOf(const std::string& text) {
    int w = 0;
    Window->GetTextExtent(ToWx(text), &w, nullptr, nullptr, nullptr, &Window->ListFont);
    return w;
  }

  // Create Image... with its statistics accepted, saved as image, and Ok
  // pressed when it is done.
  void CreateImage(const std::string& image) {
    Answers.FileChoices = {image};
    auto pressed = std::make_shared<bool>(false);
    Answers.OnBuild = [pressed](TWriteDialog* build) {
      build->Bind(wxEVT_IDLE, [build, pressed](wxIdleEvent& e) {
        e.Skip();
        if (build->Build().Done() && !*pressed) {
          *pressed = true;
          wxCommandEvent ok(wxEVT_BUTTON, IdCancelButton);
          ok.SetEventObject(build->CancelButton);
          build->GetEventHandler()->AddPendingEvent(ok);
        }
      });
    };
    Command(CmCreateImage);
  }

  TEntryAnswers Answers;
  std::string Proposed;
};

TEST_F(TDropTest, OnDesktopTheQuestionsOfADropComeInFrontOfTheFileManager) {
  if (!HaveWindowManager()) GTEST_SKIP() << "no window manager";
  // Another program's window in front, with the keyboard, as the file
  // manager is while the user drops.
  long manager = wxExecute("xmessage -geometry 400x300+0+0 'file manager'", wxEXEC_ASYNC);
  ASSERT_GT(manager, 0);
  EXPECT_TRUE(PumpUntil([&] { return !Frame->IsActive(); }, 10000));
  Pump(300);
  bool destInFront = false, boxInFront = false;
  wxString typed;
  Answers.OnDest = [&](TDropDestDialog* d) {
    destInFront = WaitInLoopUntil([&] { return d->IsActive(); }, 10000);
    // Keys go to the destination field, not to the other program.
    d->DestEdit->SetFocus();
    d->DestEdit->SetInsertionPointEnd();
    wxUIActionSimulator().Text("x");
    WaitInLoopUntil([&] { return d->DestEdit->GetValue().EndsWith("X"); });
    typed = d->DestEdit->GetValue();
    d->DestEdit->ChangeValue("\\");
    Click(d, wxID_OK);
  };
  Answers.RunBox = [&](TMessageBox* box) {
    box->CallAfter([&, box] {
      boxInFront = WaitInLoopUntil([&] { return box->IsActive(); }, 10000);
      box->EndModal(TMessageBox::IdOf(TAnswer::No));
    });
  };
  Drop({"/data/samples/. . ."});  // nothing left for a short name
  wxKill(manager, wxSIGTERM);
  EXPECT_TRUE(destInFront);
  EXPECT_EQ(typed, "\\DATA\\SAMPLES\\X");
  EXPECT_TRUE(boxInFront);
  EXPECT_EQ(Answers.Boxes.size(), 1u);
}

TEST_F(TDropTest, EveryNameBecomesALineUnderTheProposedFolder) {
  Add("\\A.WAV", "/a.wav");
  Add("\\Z.WAV", "/z.wav");
  Window->CurrentLine = 1;
  Answers.OnDest = [this](TDropDestDialog* d) {
    EXPECT_EQ(d->GetTitle(), "Drop Destination");
    ExpectControlsApart(d);
    Proposed = FromWx(d->DestEdit->GetValue());
    Click(d, wxID_OK);
  };
  Drop({"/data/samples/piano.qvf", "/data/samples/BASS.WAV"});
  EXPECT_EQ(Answers.DestShown, 1);
  EXPECT_EQ(Proposed, "\\DATA\\SAMPLES\\");
  EXPECT_EQ(DropDestination, "\\DATA\\SAMPLES\\");
  // Capitals inside the image, the real paths exactly as dropped.
  EXPECT_EQ(ListLines(Window), (std::vector<std::string>{
                                   "\\A.WAV|/a.wav",
                                   "\\DATA\\SAMPLES\\BASS.WAV|/data/samples/BASS.WAV",
                                   "\\DATA\\SAMPLES\\PIANO.QVF|/data/samples/piano.qvf",
                                   "\\Z.WAV|/z.wav"}));
  EXPECT_EQ(Window->CurrentLine, 1);
  EXPECT_EQ(Window->GetScrollRange(wxVERTICAL), 4);
  EXPECT_EQ(Window->NameColumnWidth,
            std::max(WidthOf("\\DATA\\SAMPLES\\BASS.WAV"), WidthOf("\\DATA\\SAMPLES\\PIANO.QVF")));
  EXPECT_TRUE(Answers.Boxes.empty());
}

TEST_F(TDropTest, ProposalsAndTypedDestinations) {
  EXPECT_EQ(DropProposal(Window->Entries, "/piano.qvf"), "\\");
  EXPECT_EQ(DropProposal(Window->Entries, "/home/me/x.wav"), "\\HOME\\ME\\");
  EXPECT_EQ(DropProposal(Window->Entries, "/home/me/drums/"), "\\HOME\\ME\\");
  EXPECT_EQ(DropProposal(Window->Entries, "/"), "\\");
  EXPECT_EQ(DropProposal(Window->Entries, "/data/. . ./x.wav"), "\\");

  struct TCase {
    const char* Typed;
    const char* Stored;
  } cases[] = {{"samples\\piano", "\\SAMPLES\\PIANO\\"}, {"", "\\"}, {"  \\A\\B\\ ", "\\A\\B\\"}};
  for (const TCase& c : cases) {
    Window->Entries.Flush();
    Destination(c.Typed);
    Drop({"/x/a.wav"});
    EXPECT_EQ(DropDestination, c.Stored) << c.Typed;
    EXPECT_EQ(ListLines(Window), std::vector<std::string>{c.Stored + std::string("A.WAV|/x/a.wav")});
  }
}

TEST_F(TDropTest, RefusedDestinationStaysOpenAndDefaultShowsItNormalised) {
  Answers.OnDest = [](TDropDestDialog* d) {
    TypeInto(d->DestEdit, "x");  // typed letters are capitals
    EXPECT_EQ(FromWx(d->DestEdit->GetValue()), "\\HOME\\ME\\X");
    d->DestEdit->ChangeValue("\\SAM PLES");
    Click(d, wxID_OK);
    EXPECT_TRUE(d->IsModal());
    EXPECT_EQ(FocusIn(d), d->DestEdit);
    d->DestEdit->ChangeValue("\\OTHER\\");
    Click(d, IdDropDefault);
    EXPECT_EQ(FromWx(d->DestEdit->GetValue()), "\\SAM PLES\\");
    d->DestEdit->ChangeValue("\\SAMPLES.DIRX\\");
    Click(d, wxID_OK);
    EXPECT_TRUE(d->IsModal());
    Click(d, wxID_CANCEL);
  };
  Drop({"/home/me/a.wav"});
  EXPECT_EQ(Answers.DestShown, 1);
  EXPECT_EQ(Window->Entries.Count(), 0u);
}

TEST_F(TDropTest, CancelInTheDestinationDialogAddsNothing) {
  Answers.OnDest = [](TDropDestDialog* d) { Click(d, wxID_CANCEL); };
  Drop({"/x/a.wav", "/x/b.wav"});
  EXPECT_EQ(Answers.DestShown, 1);
  EXPECT_EQ(Window->Entries.Count(), 0u);
  EXPECT_TRUE(Answers.Boxes.empty());
}

TEST_F(TDropTest, NothingIsDroppedWhileABuildRuns) {
  Add("\\A.WAV", "/a.wav");
  Destination("\\");
  {
    TWriteDialog build(Window, Window->Entries, Window->SaveData, Window->DialogFont);
    Window->WriteDialog = &build;
    EXPECT_FALSE(Drop({"/x/b.wav"}));
    Window->WriteDialog = nullptr;
  }
  EXPECT_EQ(Answers.DestShown, 0);
  EXPECT_EQ(Window->Entries.Count(), 1u);
}

// A drop while Edit Current Line is open is refused; whatever else changes
// the list meanwhile, OK replaces the line the dialog opened, and an OK
// that changed nothing leaves the list as it was.
TEST_F(TDropTest, NothingIsDroppedWhileADialogIsOpenAndAnEditKeepsToItsLine) {
  Add("\\A\\ONE.WAV", "/a/one.wav");
  Add("\\B\\TWO.WAV", "/b/two.wav");
  Add("\\C\\THREE.TXT", "/c/three.txt");
  Window->CurrentLine = 2;
  Destination("\\AAA\\");
  Answers.OnEdit = [this](TNewEditDialog* d) {
    EXPECT_FALSE(Drop({"/x/new.wav"}));
    Window->Entries.Add("\\AAA\\X.WAV", "/x/x.wav");
    d->ImageEdit->ChangeValue("\\C\\THREE2.TXT");
    Click(d, wxID_OK);
  };
  Command(CmEdit);
  EXPECT_EQ(Answers.DestShown, 0);
  EXPECT_EQ(ListLines(Window),
            (std::vector<std::string>{"\\AAA\\X.WAV|/x/x.wav", "\\A\\ONE.WAV|/a/one.wav",
                                      "\\B\\TWO.WAV|/b/two.wav", "\\C\\THREE2.TXT|/c/three.txt"}));
  const unsigned long changes = Window->Entries.ChangeCount();
  Answers.OnEdit = [](TNewEditDialog* d) { Click(d, wxID_OK); };
  Command(CmEdit);
  EXPECT_EQ(Window->Entries.ChangeCount(), changes);

  // The desktop's own file dialogs are no windows of wx's list (Open List
  // or Open Image would then throw a dropped line away).
  bool taken = true;
  Answers.OnFile = [&](wxFileDialog* files) {
    files->CallAfter([&] { taken = Drop({"/x/late.wav"}); });
  };
  Answers.FileChoices = {""};
  Command(CmSaveListAs);
  EXPECT_FALSE(taken);
  EXPECT_EQ(Window->Entries.ChangeCount(), changes);
}

TEST_F(TDropTest, InvalidNameAsksNoSkipsItYesEndsTheDrop) {
  const std::vector<std::string> drop = {"/x/one.wav", "/x/. . .", "/x/three.wav"};
  Destination("\\");
  Answers.BoxAnswers = {TAnswer::No};
  Drop(drop);
  ASSERT_EQ(Answers.Boxes.size(), 1u);
  EXPECT_EQ(Answers.Boxes[0].Text,
            "/x/. . . is not a valid filename. Please use the File Manager for "
            "drag-&-drop.\n\nDo you want to abort?");
  EXPECT_EQ(Answers.Boxes[0].Caption, "File Error");
  EXPECT_EQ(Answers.Boxes[0].Buttons, TButtons::YesNo);
  EXPECT_EQ(ListLines(Window), (std::vector<std::string>{"\\ONE.WAV|/x/one.wav",
                                                         "\\THREE.WAV|/x/three.wav"}));

  Window->Entries.Flush();
  Answers.Boxes.clear();
  Answers.BoxAnswers = {TAnswer::Yes};
  Drop(drop);
  EXPECT_EQ(Answers.Boxes.size(), 1u);
  // Lines added before the abort stay; the scroll range counts them.
  EXPECT_EQ(ListLines(Window), std::vector<std::string>{"\\ONE.WAV|/x/one.wav"});
  EXPECT_EQ(Window->GetScrollRange(wxVERTICAL), 1);
}

TEST_F(TDropTest, QuestionShowsEveryAmpersandOfItsText) {
  const wxString text =
      "/music/Rock & Roll.wav is not a valid filename. Please use the File Manager for "
      "drag-&-drop.\n\nDo you want to abort?";
  TMessageBox box(Window, text, "File Error", TButtons::YesNo);
  wxString shown;
  for (wxWindow* child : box.GetChildren())
    if (auto* label = dynamic_cast<wxStaticText*>(child)) shown = label->GetLabelText();
  shown.Replace("\n", " ");
  wxString expected = text;
  expected.Replace("\n", " ");
  // Wrapping may turn blanks into line breaks; the characters stay.
  EXPECT_EQ(shown, expected);
}

TEST_F(TDropTest, LongNamesGoInUnderShortNamesAndOnlyUnusableOnesAreAsked) {
  // A name that is no DOS name gets the short name a FAT system would make,
  // free among the folder's lines and the names of the same drop; its
  // folders may be anything the system allows.
  Add("\\D\\NINECH~1.WAV", "/old/ninechars.wav");
  Add("\\D\\SUB\\X.WAV", "/old/x.wav");
  Destination("\\D\\");
  const std::vector<std::string> refused = {"/", "/x/...", "/x/a\nb.wav"};
  Answers.BoxAnswers = std::deque<TAnswer>(refused.size(), TAnswer::No);
  std::vector<std::string> drop = refused;
  for (const char* name : {"/x/ninechars.wav", "/x/a.wave", "/x/A\\B.WAV", "/x/c:", "/x/.hidden",
                           "/x/100%.wav", "/x/Sub Folder", "/My Music/été/ok~1.wav", "/x/drums/",
                           "/x/nine chars.wav"})
    drop.push_back(name);
  Drop(drop);
  ASSERT_EQ(Answers.Boxes.size(), refused.size());
  for (std::size_t i = 0; i < refused.size(); ++i)
    EXPECT_EQ(Answers.Boxes[i].Text.rfind(refused[i] + " is not a valid filename", 0), 0u);
  EXPECT_EQ(ListLines(Window), (std::vector<std::string>{
                                   "\\D\\100_~1.WAV|/x/100%.wav",
                                   "\\D\\A_B~1.WAV|/x/A\\B.WAV",
                                   "\\D\\A~1.WAV|/x/a.wave",
                                   "\\D\\C_~1|/x/c:",
                                   "\\D\\DRUMS|/x/drums/",
                                   "\\D\\HIDDEN~1|/x/.hidden",
                                   "\\D\\NINECH~1.WAV|/old/ninechars.wav",
                                   "\\D\\NINECH~2.WAV|/x/nine chars.wav",
                                   "\\D\\NINECH~3.WAV|/x/ninechars.wav",
                                   "\\D\\OK~1.WAV|/My Music/été/ok~1.wav",
                                   "\\D\\SUBFOL~1|/x/Sub Folder",
                                   "\\D\\SUB\\X.WAV|/old/x.wav"}));
  EXPECT_EQ(Notice(), "8 long names were shortened to 8.3 names");
  // A drop of 8.3 names only leaves no word of an earlier one.
  Drop({"/x/plain.wav"});
  EXPECT_EQ(Notice(), "");
}

TEST_F(TDropTest, TooLongImagePathAsksTheSecondQuestion) {
  std::string dest = "\\";
  while (dest.size() < 250) dest += "ABCDEFGH\\";  // 253 characters
  ASSERT_LE(dest.size(), DestFieldLength);
  Answers.OnDest = [&](TDropDestDialog* d) {
    d->DestEdit->ChangeValue(ToWx(dest));
    Click(d, wxID_OK);
  };
  // 253 + 5 fits, 253 + 7 is 260: too long.
  Answers.BoxAnswers = {TAnswer::No};
  Drop({"/x/ABCDEFGH.WAV", "/x/AB.WAV"});
  ASSERT_EQ(Answers.Boxes.size(), 1u);
  EXPECT_EQ(Answers.Boxes[0].Text, dest + "ABCDEFGH.WAV is too long.\n\nDo you want to abort?");
  EXPECT_EQ(Answers.Boxes[0].Buttons, TButtons::YesNo);
  ASSERT_EQ(Window->Entries.Count(), 1u);
  EXPECT_EQ(Window->Entries[0].ImagePath, dest + "AB.WAV");

  Window->Entries.Flush();
  Answers.BoxAnswers = {TAnswer::Yes};
  Drop({"/x/ABCDEFGH.WAV", "/x/AB.WAV"});
  EXPECT_EQ(Window->Entries.Count(), 0u);
}

TEST_F(TDropTest, NameColumnOnlyGrows) {
  Add("\\AAAAAAAA\\BBBBBBBB\\CCCCCCCC.WAV", "/w");
  int wide = Window->NameColumnWidth;
  Destination("\\");
  Drop({"/x/a.wav"});
  EXPECT_EQ(Window->NameColumnWidth, wide);
  Window->Entries.Destroy(0);  // the widest line goes; a drop does not re-measure
  Drop({"/x/b.wav"});
  EXPECT_EQ(Window->NameColumnWidth, wide);
  Destination("\\AAAAAAAA\\BBBBBBBB\\CCCCCCCC\\");
  Drop({"/x/d.wav"});
  EXPECT_EQ(Window->NameColumnWidth, WidthOf("\\AAAAAAAA\\BBBBBBBB\\CCCCCCCC\\D.WAV"));
}

// Drags files with the mouse from a window of their own, as a file manager
// does, over the X server's drag-and-drop protocol onto the list window.
TEST_F(TDropTest, FilesDraggedWithTheMouseArriveThroughTheDesktopProtocol) {
  auto* source = new wxFrame(nullptr, wxID_ANY, "files", wxPoint(700, 500), wxSize(200, 150));
  auto* panel = new wxPanel(source);
  source->Show();
  Frame->SetPosition(wxPoint(0, 0));
  PumpUntil([&] { return source->IsShownOnScreen(); });
  Pump(200);
  const std::vector<std::string> files = {"/home/me/Drums/kick.wav", "/home/me/Drums/Snare 2.wav"};
  int dragResult = -1;
  panel->Bind(wxEVT_LEFT_DOWN, [&](wxMouseEvent&) {
    wxFileDataObject data;
    for (const std::string& f : files) data.AddFile(ToWx(f));
    wxDropSource drag(data, panel);
    // The pointer travels to the list window while the drag runs.
    wxTimer mover;
    int step = 0;
    wxPoint from = panel->GetScreenPosition() + wxPoint(50, 50);
    wxPoint to = Window->GetScreenPosition() + wxPoint(100, 40);
    mover.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
      wxUIActionSimulator sim;
      if (++step <= 10) {
        sim.MouseMove(from + (to - from) * step / 10);
      } else {
        mover.Stop();
        sim.MouseUp();
      }
    });
    mover.Start(50);
    dragResult = drag.DoDragDrop(wxDrag_CopyOnly);
    mover.Stop();
  });
  Answers.OnDest = [this](TDropDestDialog* d) {
    Proposed = FromWx(d->DestEdit->GetValue());
    Click(d, wxID_OK);
  };
  wxUIActionSimulator sim;
  sim.MouseMove(panel->GetScreenPosition() + wxPoint(50, 50));
  Pump(100);
  sim.MouseDown();
  PumpUntil([&] { return Answers.DestShown > 0 || dragResult >= 0; }, 5000);
  Pump(200);
  wxTheApp->ProcessPendingEvents();
  source->Destroy();
  EXPECT_EQ(dragResult, wxDragCopy);
  EXPECT_EQ(Answers.DestShown, 1);
  EXPECT_TRUE(Answers.Boxes.empty());
  EXPECT_EQ(Proposed, "\\HOME\\ME\\DRUMS\\");
  // "Snare 2.wav" is no DOS name: it goes in under its short name.
  EXPECT_EQ(ListLines(Window), (std::vector<std::string>{
                                   "\\HOME\\ME\\DRUMS\\KICK.WAV|/home/me/Drums/kick.wav",
                                   "\\HOME\\ME\\DRUMS\\SNARE2~1.WAV|/home/me/Drums/Snare 2.wav"}));
}

TEST_F(TDropTest, DroppedFilesBuildAnImageThatFsckAndMtoolsRead) {
  TTempDir dir;
  std::string a = dir.File("src/piano.qvf", std::string(5000, 'p'));
  std::string b = dir.File("src/Bass.wav", std::string(70000, 'b'));
  std::string c = dir.Dir("src/drums");
  dir.File("src/drums/kick.wav", "not in the image: the folder comes empty");
  // The temporary folder is proposed in short names; the user types another.
  Answers.OnDest = [this](TDropDestDialog* d) {
    Proposed = FromWx(d->DestEdit->GetValue());
    d->DestEdit->Clear();
    TypeInto(d->DestEdit, "sounds");
    PressToClose(d, WXK_RETURN);  // Enter in the field is OK
    EXPECT_FALSE(d->IsModal());
  };
  Drop({a, b, c});
  std::string proposed = Proposed;
  EXPECT_TRUE(CheckPath(proposed, PathRooted | PathDirectory)) << Proposed;
  ASSERT_EQ(ListLines(Window), (std::vector<std::string>{"\\SOUNDS\\BASS.WAV|" + b,
                                                         "\\SOUNDS\\DRUMS|" + c,
                                                         "\\SOUNDS\\PIANO.QVF|" + a}));
  std::string image = dir / "OUT.trk";
  CreateImage(image);
  ASSERT_TRUE(std::filesystem::exists(image));

  if (!HaveTool("fsck.fat") || !HaveTool("mcopy")) GTEST_SKIP() << "dosfstools or mtools missing";
  EXPECT_EQ(FsckProblems(image), "");
  std::string out = dir.Dir("out");
  ASSERT_EQ(ExtractImage(image, out).Status, 0);
  EXPECT_EQ(ReadBytes(out + "/SOUNDS/PIANO.QVF"), ReadBytes(a));
  EXPECT_EQ(ReadBytes(out + "/SOUNDS/BASS.WAV"), ReadBytes(b));
  EXPECT_TRUE(std::filesystem::is_directory(out + "/SOUNDS/DRUMS"));
  EXPECT_TRUE(std::filesystem::is_empty(out + "/SOUNDS/DRUMS"));
}

// Samples as a musician keeps them, all dropped at once: they go in under
// the short names a FAT system makes, and qvimage makes the same image of
// the same folder.
TEST_F(TDropTest, AFolderOfLongNamesDroppedBuildsTheImageQvimageMakesOfIt) {
  TTempDir dir;
  std::vector<std::string> drop;
  for (int i = 1; i <= 10; ++i)
    drop.push_back(dir.File("Samples/Grand Piano C" + std::to_string(i) + ".wav",
                            std::string(1000 * i, static_cast<char>('a' + i))));
  drop.push_back(dir.File("Samples/Strings Ensemble.aiff", std::string(3000, 's')));
  drop.push_back(dir.File("Samples/Caf\xC3\xA9 Bells.wav", "bells"));
  drop.push_back(dir.File("Samples/piano.qvf", "piano"));
  drop.push_back(dir.Dir("Samples/Drum Loops"));
  std::reverse(drop.begin(), drop.end());  // the file manager's order does not matter
  Destination("\\");
  Drop(drop);
  EXPECT_TRUE(Answers.Boxes.empty());
  EXPECT_EQ(Notice(), "13 long names were shortened to 8.3 names");
  auto images = [this] {
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < Window->Entries.Count(); ++i)
      paths.push_back(Window->Entries[i].ImagePath);
    return paths;
  };
  const std::vector<std::string> names = {
      "\\CAF_BE~1.WAV", "\\DRUMLO~1",     "\\GRANDP~1.WAV", "\\GRANDP~2.WAV", "\\GRANDP~3.WAV",
      "\\GRANDP~4.WAV", "\\GRANDP~5.WAV", "\\GRANDP~6.WAV", "\\GRANDP~7.WAV", "\\GRANDP~8.WAV",
      "\\GRANDP~9.WAV", "\\GRAND~10.WAV", "\\PIANO.QVF",    "\\STRING~1.AIF"};
  EXPECT_EQ(images(), names);

  const std::string image = dir / "window.trk";
  CreateImage(image);
  ASSERT_TRUE(std::filesystem::exists(image));
  if (!HaveTool("fsck.fat") || !HaveTool("mcopy")) GTEST_SKIP() << "dosfstools or mtools missing";
  EXPECT_EQ(FsckProblems(image), "");
  std::string out = dir.Dir("out");
  ASSERT_EQ(ExtractImage(image, out).Status, 0);
  // "Grand Piano C10.wav" comes second in byte order.
  EXPECT_EQ(ReadBytes(out + "/GRANDP~2.WAV"), ReadBytes(dir / "Samples/Grand Piano C10.wav"));
  EXPECT_EQ(ReadBytes(out + "/GRAND~10.WAV"), ReadBytes(dir / "Samples/Grand Piano C9.wav"));
  EXPECT_EQ(ReadBytes(out + "/CAF_BE~1.WAV"), "bells");
  EXPECT_TRUE(std::filesystem::is_directory(out + "/DRUMLO~1"));

  const std::string cli = dir / "cli.trk";
  const std::string command = std::string("'") + QVIMAGE_PATH + "' -q --short-names --from-dir '" +
                              (dir / "Samples") + "' '" + cli + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  EXPECT_TRUE(ReadBytes(cli) == ReadBytes(image));

  // Dropped again, the files keep their names: each line comes out twice,
  // as a build will ask about, and the status bar says so at once.
  Drop(drop);
  EXPECT_EQ(Notice(), "14 dropped files were in \\ already");
  std::vector<std::string> twice;
  for (const std::string& name : names) twice.insert(twice.end(), 2, name);
  EXPECT_EQ(images(), twice);
  EXPECT_NE(StatusShown().find("28 entries \u00B7 image 2.0 MiB"), std::string::npos);
  EXPECT_NE(StatusShown().find("14 clashing lines"), std::string::npos);
}

}  // namespace
