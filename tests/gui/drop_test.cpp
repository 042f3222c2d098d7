// Files dropped on the list window: the destination dialog, one line per
// valid name, the two questions, and an image built from dropped files.
#include <algorithm>
#include <filesystem>

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
  // A drop as the file manager delivers it, through the window's target.
  void Drop(std::vector<std::string> paths) {
    wxArrayString names;
    for (const std::string& p : paths) names.push_back(ToWx(p));
    auto* target = dynamic_cast<TDropTarget*>(Window->GetDropTarget());
    ASSERT_NE(target, nullptr);
    EXPECT_TRUE(target->OnDropFiles(0, 0, names));
    wxTheApp->ProcessPendingEvents();  // the drop is handled after the target returns
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
  int WidthOf(const std::string& text) {
    int w = 0;
    Window->GetTextExtent(ToWx(text), &w, nullptr, nullptr, nullptr, &Window->ListFont);
    return w;
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
  EXPECT_TRUE(PumpUntil([&] { return !Frame->IsActive(); }));
  Pump(300);
  bool destInFront = false, boxInFront = false;
  wxString typed;
  Answers.OnDest = [&](TDropDestDialog* d) {
    destInFront = WaitInLoopUntil([&] { return d->IsActive(); });
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
      boxInFront = WaitInLoopUntil([&] { return box->IsActive(); });
      box->EndModal(TMessageBox::IdOf(TAnswer::No));
    });
  };
  Drop({"/data/samples/a long name.wav"});
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
  EXPECT_EQ(DropProposal("/piano.qvf"), "\\");
  EXPECT_EQ(DropProposal("/home/me/x.wav"), "\\HOME\\ME\\");
  EXPECT_EQ(DropProposal("/home/me/drums/"), "\\HOME\\ME\\");
  EXPECT_EQ(DropProposal("/"), "\\");

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
    Drop({"/x/b.wav"});
    Window->WriteDialog = nullptr;
  }
  EXPECT_EQ(Answers.DestShown, 0);
  EXPECT_EQ(Window->Entries.Count(), 1u);
}

TEST_F(TDropTest, InvalidNameAsksNoSkipsItYesEndsTheDrop) {
  const std::vector<std::string> drop = {"/x/one.wav", "/x/Long File Name.wav", "/x/three.wav"};
  Destination("\\");
  Answers.BoxAnswers = {TAnswer::No};
  Drop(drop);
  ASSERT_EQ(Answers.Boxes.size(), 1u);
  EXPECT_EQ(Answers.Boxes[0].Text,
            "/x/Long File Name.wav is not a valid filename. Please use the File Manager for "
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

TEST_F(TDropTest, NamesThatAreNoDosNameOrNoUsablePath) {
  // A name must be one short name once in capitals; its folders may be
  // anything the system allows.
  Destination("\\D\\");
  const std::vector<std::string> refused = {
      "/x/ninechars.wav", "/x/a.wave", "/x/A\\B.WAV", "/x/c:", "/x/.hidden",
      "/x/100%.wav",      "/",         "/x/a\nb.wav"};
  std::deque<TAnswer> no(refused.size(), TAnswer::No);
  Answers.BoxAnswers = no;
  std::vector<std::string> drop = refused;
  drop.push_back("/My Music/été/ok~1.wav");
  drop.push_back("/x/drums");
  Drop(drop);
  EXPECT_EQ(Answers.Boxes.size(), refused.size());
  EXPECT_TRUE(Answers.BoxAnswers.empty());
  EXPECT_EQ(ListLines(Window), (std::vector<std::string>{
                                   "\\D\\DRUMS|/x/drums",
                                   "\\D\\OK~1.WAV|/My Music/été/ok~1.wav"}));
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
  Answers.BoxAnswers = {TAnswer::No};  // "Snare 2.wav" is no DOS name
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
  ASSERT_EQ(Answers.Boxes.size(), 1u);
  EXPECT_EQ(Answers.Boxes[0].Text.rfind("/home/me/Drums/Snare 2.wav is not a valid filename", 0), 0u);
  EXPECT_EQ(Proposed, "\\HOME\\ME\\DRUMS\\");
  EXPECT_EQ(ListLines(Window), std::vector<std::string>{"\\HOME\\ME\\DRUMS\\KICK.WAV|/home/me/Drums/kick.wav"});
}

TEST_F(TDropTest, DroppedFilesBuildAnImageThatFsckAndMtoolsRead) {
  TTempDir dir;
  std::string a = dir.File("src/piano.qvf", std::string(5000, 'p'));
  std::string b = dir.File("src/Bass.wav", std::string(70000, 'b'));
  std::string c = dir.Dir("src/drums");
  dir.File("src/drums/kick.wav", "not in the image: the folder comes empty");
  // The temporary folder's name is no DOS name: the user types another.
  Answers.OnDest = [this](TDropDestDialog* d) {
    Proposed = FromWx(d->DestEdit->GetValue());
    Click(d, wxID_OK);
    EXPECT_TRUE(d->IsModal());
    d->DestEdit->Clear();
    TypeInto(d->DestEdit, "sounds");
    PressToClose(d, WXK_RETURN);  // Enter in the field is OK
    EXPECT_FALSE(d->IsModal());
  };
  Drop({a, b, c});
  std::string folder = UpperCase(dir.Path + "/src/");
  std::replace(folder.begin(), folder.end(), '/', '\\');
  EXPECT_EQ(Proposed, folder);
  ASSERT_EQ(ListLines(Window), (std::vector<std::string>{"\\SOUNDS\\BASS.WAV|" + b,
                                                         "\\SOUNDS\\DRUMS|" + c,
                                                         "\\SOUNDS\\PIANO.QVF|" + a}));
  std::string image = dir / "OUT.trk";
  Answers.FileChoices = {image};
  bool Pressed = false;
  Answers.OnBuild = [&Pressed](TWriteDialog* build) {
    build->Bind(wxEVT_IDLE, [build, &Pressed](wxIdleEvent& e) {
      e.Skip();
      if (build->Build().Done() && !Pressed) {
        Pressed = true;
        wxCommandEvent ok(wxEVT_BUTTON, IdCancelButton);
        ok.SetEventObject(build->CancelButton);
        build->GetEventHandler()->AddPendingEvent(ok);
      }
    });
  };
  Command(CmCreateImage);
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

}  // namespace
