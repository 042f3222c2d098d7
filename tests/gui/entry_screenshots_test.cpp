// Pictures for the README, made by scripts/screenshots: the entry
// dialog in both modes and the drop destination dialog, each over the main
// window, and the window after a drop of long names. Disabled in the
// normal run.
#include "app/command_ids.h"
#include "entry_dialogs_fixture.h"
#include "tests/core/temp_dir.h"

namespace {

class TEntryScreenshots : public TFrameTest {
 protected:
  void SetUp() override {
    TFrameTest::SetUp();
    Frame->SetSize(40, 60, 760, 380);
    const struct {
      const char *Image, *Real;
      std::uintmax_t Size;
    } lines[] = {
        {"\\SAMPLES\\PIANO\\GRAND.QVF", "sounds/piano/grand.qvf", 212u << 20},
        {"\\SAMPLES\\PIANO\\UPRIGHT.QVF", "sounds/piano/upright.qvf", 148u << 20},
        {"\\SAMPLES\\STRINGS.QVX", "sounds/strings.qvx", 96u << 20},
        {"\\WAVES\\LOOP01.WAV", "loops/loop01.wav", 31u << 20},
        {"\\WAVES\\LOOP02.WAV", "loops/Loop 02.wav", 27u << 20},
    };
    for (auto& l : lines) Window->Entries.Add(l.Image, PicturedFile(Dir.Path, l.Real, l.Size));
    Lines();
    Window->SetCurrentLine(1);
    Pump(300);
  }
  TTempDir Dir;
  TEntryAnswers Answers;
};

TEST_F(TEntryScreenshots, DISABLED_EntryDialogsAndDropDestination) {
  // New Line, the image field typed in small letters.
  const std::string loop = PicturedFile(Dir.Path, "loops/Loop 03.wav", 24u << 20);
  Answers.OnEdit = [this, loop](TNewEditDialog* d) {
    TypeInto(d->ImageEdit, "\\waves\\loop03.wav");
    TypeInto(d->RealEdit, loop.c_str());
    WaitInLoop(300);
    Shoot("entry_new_line.png", {Frame, d});
  };
  Command(CmInsert);
  StatusShown();

  Answers.OnEdit = [this](TNewEditDialog* d) {
    WaitInLoop(300);
    Shoot("entry_edit_line.png", {Frame, d});
  };
  Command(CmEdit);

  // The folder typed as a person would, over the proposal of the files'
  // own (temporary) folder.
  auto drums = [this](std::vector<const char*> names) {
    wxArrayString paths;
    for (const char* name : names) paths.Add(ToWx(PicturedFile(Dir.Path, name, 3u << 20)));
    return paths;
  };
  Answers.OnDest = [this](TDropDestDialog* d) {
    d->DestEdit->ChangeValue("\\DRUMS\\");
    WaitInLoop(300);
    Shoot("drop_destination.png", {Frame, d});
  };
  DropFiles(*Window, drums({"drums/kick.wav", "drums/snare.wav"}));

  // Long names go in under short names; the status bar counts them.
  Answers.OnDest = [](TDropDestDialog* d) {
    d->DestEdit->ChangeValue("\\DRUMS\\");
    Click(d, wxID_OK);
  };
  DropFiles(*Window, drums({"drums/Big Kick.wav", "drums/Snare Roll.wav"}));
  StatusShown();
  Frame->Refresh();
  Frame->Update();
  WaitInLoop(500);
  Shoot("drop_short_names.png", {Frame});
  EXPECT_EQ(Answers.EditShown, 2);
  EXPECT_EQ(Answers.DestShown, 2);
}

}  // namespace
