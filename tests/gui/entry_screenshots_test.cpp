// Pictures for the README, made by scripts/screenshots: the entry
// dialog in both modes and the drop destination dialog, each over the main
// window, and the window after a drop of long names. Disabled in the
// normal run.
#include "app/command_ids.h"
#include "entry_dialogs_fixture.h"

namespace {

class TEntryScreenshots : public TFrameTest {
 protected:
  void SetUp() override {
    TFrameTest::SetUp();
    Frame->SetSize(40, 60, 760, 380);
    const char* lines[][2] = {
        {"\\SAMPLES\\PIANO\\GRAND.QVF", "/home/user/sounds/piano/grand.qvf"},
        {"\\SAMPLES\\PIANO\\UPRIGHT.QVF", "/home/user/sounds/piano/upright.qvf"},
        {"\\SAMPLES\\STRINGS.QVX", "/home/user/sounds/strings.qvx"},
        {"\\WAVES\\LOOP01.WAV", "/home/user/loops/loop01.wav"},
        {"\\WAVES\\LOOP02.WAV", "/home/user/loops/Loop 02.wav"},
    };
    for (auto& l : lines) Window->Entries.Add(l[0], l[1]);
    Lines();
    Window->SetCurrentLine(1);
    Pump(300);
  }
  TEntryAnswers Answers;
};

TEST_F(TEntryScreenshots, DISABLED_EntryDialogsAndDropDestination) {
  // New Line, the image field typed in small letters.
  Answers.OnEdit = [this](TNewEditDialog* d) {
    TypeInto(d->ImageEdit, "\\waves\\loop03.wav");
    TypeInto(d->RealEdit, "/home/user/loops/Loop 03.wav");
    WaitInLoop(300);
    Shoot("entry_new_line.png", {Frame, d});
  };
  Command(CmInsert);

  Answers.OnEdit = [this](TNewEditDialog* d) {
    WaitInLoop(300);
    Shoot("entry_edit_line.png", {Frame, d});
  };
  Command(CmEdit);

  Answers.OnDest = [this](TDropDestDialog* d) {
    WaitInLoop(300);
    Shoot("drop_destination.png", {Frame, d});
  };
  DropFiles(*Window, wxArrayString(2, std::vector<wxString>{"/home/user/drums/kick.wav",
                                                           "/home/user/drums/snare.wav"}
                                         .data()));

  // Long names go in under short names; the status bar counts them.
  Answers.OnDest = [](TDropDestDialog* d) { Click(d, wxID_OK); };
  DropFiles(*Window, wxArrayString(2, std::vector<wxString>{"/home/user/drums/Big Kick.wav",
                                                           "/home/user/drums/Snare Roll.wav"}
                                         .data()));
  Frame->Refresh();
  Frame->Update();
  WaitInLoop(500);
  Shoot("drop_short_names.png", {Frame});
  EXPECT_EQ(Answers.EditShown, 2);
  EXPECT_EQ(Answers.DestShown, 2);
}

}  // namespace
