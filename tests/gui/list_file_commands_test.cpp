// File > New, Open List..., Save List, Save List As... and Open Image...:
// the caption that names the list, the question about unsaved changes,
// lists that cannot be opened or saved, the keys, and an image unpacked
// into a folder that builds the same image again.
#include <cstdlib>
#include <filesystem>
#include <memory>

#include <wx/menu.h>
#include <wx/toolbar.h>
#include <wx/uiaction.h>

#include "app/command_ids.h"
#include "drop_answers.h"
#include "entries/list_file.h"
#include "image/image_unpack.h"
#include "resources/menu_resources.h"
#include "tests/core/image_check.h"
#include "tests/core/temp_dir.h"

namespace {

class TListFileTest : public TFrameTest {
 protected:
  void SetUp() override {
    TFrameTest::SetUp();
    TMyWindow::FolderPrompt = [this](TMyWindow&, std::string& folder) {
      FolderProposals.push_back(folder);
      if (Folders.empty()) return false;
      folder = Folders.front();
      Folders.pop_front();
      return !folder.empty();
    };
    // The progress dialog runs for real; its Ok is pressed once it is done.
    Answers.OnBuild = [](TWriteDialog* dialog) {
      auto pressed = std::make_shared<bool>(false);
      dialog->Bind(wxEVT_IDLE, [dialog, pressed](wxIdleEvent& e) {
        e.Skip();
        if (!dialog->Work().Done() || *pressed) return;
        *pressed = true;
        wxCommandEvent ok(wxEVT_BUTTON, IdCancelButton);
        ok.SetEventObject(dialog->CancelButton);
        dialog->GetEventHandler()->AddPendingEvent(ok);
      });
    };
  }
  void TearDown() override {
    TMyWindow::FolderPrompt = TMyWindow::RunFolderPrompt;
    TFrameTest::TearDown();
  }
  std::string Caption() { return FromWx(Frame->GetTitle()); }
  bool Enabled(int id) {
    Frame->UpdateWindowUI(wxUPDATE_UI_RECURSE);
    bool menu = Frame->GetMenuBar()->IsEnabled(id);
    EXPECT_EQ(Frame->GetToolBar()->FindById(id) ? Frame->GetToolBar()->GetToolEnabled(id) : menu,
              menu)
        << "tool " << id;
    return menu;
  }
  std::vector<std::string> Shown() const {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < Window->Entries.Count(); ++i)
      out.push_back(Window->Entries[i].ImagePath + "=" + Window->Entries[i].RealPath);
    return out;
  }

  TDropAnswers Answers;
  TTempDir Dir;
  // The list file dialogs shown so far (the desktop's own, answered by
  // Answers.FileChoices): save or open, and the path they proposed.
  struct TPrompt {
    bool Save;
    std::string Proposal;
  };
  std::vector<TPrompt> Prompts() const {
    std::vector<TPrompt> out;
    for (const TFileAsked& asked : Answers.FilesAsked) {
      if (asked.Title != "Open List" && asked.Title != "Save List") continue;
      EXPECT_NE(asked.Wildcard.find("*.[qQ][vV][lL]"), std::string::npos) << asked.Wildcard;
      out.push_back({(asked.Style & wxFD_SAVE) != 0,
                     asked.Folder.empty() ? asked.Name : asked.Folder + "/" + asked.Name});
    }
    return out;
  }
  std::deque<std::string> Folders;  // Open Image's folder prompt, alike
  std::vector<std::string> FolderProposals;
};

TEST_F(TListFileTest, SavedListOpensAgainAndTheCaptionFollowsTheList) {
  const std::string title = "Quorel CD-ROM Image Maker";
  EXPECT_EQ(Caption(), title);
  EXPECT_FALSE(Enabled(CmSaveList));
  EXPECT_FALSE(Enabled(CmSaveListAs));
  EXPECT_TRUE(Enabled(CmNewList) && Enabled(CmOpenList));

  AddLines(3);
  Window->ShowListState();
  EXPECT_EQ(Caption(), "*Untitled - " + title);
  EXPECT_TRUE(Enabled(CmSaveList) && Enabled(CmSaveListAs));

  // Save List of a list without a file asks for one; the extension is added.
  Answers.FileChoices = {Dir / "show"};
  Command(CmSaveList);
  ASSERT_EQ(Prompts().size(), 1u);
  EXPECT_TRUE(Prompts()[0].Save);
  EXPECT_EQ(Prompts()[0].Proposal, "Untitled.qvl");
  EXPECT_EQ(Window->Document.Path(), Dir / "show.qvl");
  EXPECT_EQ(Caption(), "show.qvl - " + title);
  EXPECT_FALSE(Enabled(CmSaveList));

  // A drop marks the list changed once the program is idle again.
  Answers.Destination = "\\DROP\\";
  wxArrayString dropped;
  dropped.Add("/src/one.wav");
  DropFiles(*Window, dropped);
  Pump(50);
  EXPECT_EQ(Caption(), "*show.qvl - " + title);
  Command(CmSaveList);  // to the same file, without a prompt
  EXPECT_EQ(Prompts().size(), 1u);
  EXPECT_EQ(Caption(), "show.qvl - " + title);
  const std::vector<std::string> four = Shown();

  Command(CmNewList);
  EXPECT_EQ(Window->Entries.Count(), 0u);
  EXPECT_EQ(Caption(), title);
  Window->CurrentLine = 0;

  Answers.FileChoices = {Dir / "show.qvl"};
  Command(CmOpenList);
  EXPECT_FALSE(Prompts().back().Save);
  EXPECT_EQ(Answers.FilesAsked.back().Folder, Dir.Path) << "the last list's folder";
  EXPECT_EQ(Shown(), four);
  EXPECT_EQ(Caption(), "show.qvl - " + title);
  EXPECT_FALSE(Window->Document.Modified());

  // Save List As... to a new name, then the old file is left as it was.
  Command(CmDelete);
  Answers.FileChoices = {Dir / "less.qvl"};
  Command(CmSaveListAs);
  EXPECT_EQ(Prompts().back().Proposal, Dir / "show.qvl");
  EXPECT_EQ(Caption(), "less.qvl - " + title);
  TEntryList again;
  TListError error;
  ASSERT_TRUE(LoadEntryList(Dir / "less.qvl", again, error)) << error.Message;
  EXPECT_EQ(again.Count(), 3u);
  TEntryList old;
  ASSERT_TRUE(LoadEntryList(Dir / "show.qvl", old, error));
  EXPECT_EQ(old.Count(), 4u);
}

// New, Open, Quit and closing the window with unsaved changes ask Save,
// Don't Save or Cancel; Cancel keeps everything as it was.
TEST_F(TListFileTest, UnsavedChangesAreAskedAboutBeforeTheyGo) {
  AddLines(2);
  const std::vector<std::string> two = Shown();

  Answers.BoxAnswers = {TAnswer::Cancel};
  Command(CmNewList);
  EXPECT_EQ(Shown(), two);
  ASSERT_EQ(Answers.Boxes.size(), 1u);
  EXPECT_EQ(Answers.Boxes[0].Buttons, TButtons::SaveDontSaveCancel);
  EXPECT_EQ(Answers.Boxes[0].Text,
            "The list Untitled has changed.\n\nDo you want to save the changes?");

  Answers.BoxAnswers = {TAnswer::Cancel};
  Command(CmOpenList);
  EXPECT_TRUE(Prompts().empty()) << "no file is asked for after Cancel";

  Answers.BoxAnswers = {TAnswer::Cancel};
  EXPECT_FALSE(Frame->Close());
  EXPECT_TRUE(Frame->IsShown());
  EXPECT_EQ(Shown(), two);

  // Save, but the file prompt is cancelled: nothing goes either.
  Answers.BoxAnswers = {TAnswer::Save};
  Answers.FileChoices = {""};
  Command(CmNewList);
  EXPECT_EQ(Shown(), two);

  // Save, then the new list.
  Answers.BoxAnswers = {TAnswer::Save};
  Answers.FileChoices = {Dir / "kept.qvl"};
  Command(CmNewList);
  EXPECT_EQ(Window->Entries.Count(), 0u);
  EXPECT_TRUE(std::filesystem::exists(Dir / "kept.qvl"));

  // Don't Save: the changes go.
  AddLines(1);
  Answers.BoxAnswers = {TAnswer::No};
  Answers.FileChoices = {Dir / "kept.qvl"};
  Command(CmOpenList);
  EXPECT_EQ(Shown(), two);
  EXPECT_TRUE(Answers.BoxAnswers.empty());
  // Nothing changed since the open: no question.
  Command(CmNewList);
  EXPECT_EQ(Answers.Boxes.size(), 6u);

  // Quit, Don't Save: the window goes.
  AddLines(1);
  Answers.BoxAnswers = {TAnswer::No};
  Command(CmQuit);
  EXPECT_TRUE(Answers.BoxAnswers.empty());
  EXPECT_TRUE(wxTheApp->IsScheduledForDestruction(Frame));
}

// A list with a bad line is not half-loaded, and a save that fails keeps
// the list unsaved; both say why.
TEST_F(TListFileTest, ListsThatCannotBeOpenedOrSavedSayWhyAndChangeNothing) {
  AddLines(2);
  Answers.FileChoices = {Dir / "first.qvl"};
  Command(CmSaveListAs);
  const std::vector<std::string> two = Shown();

  const std::string bad = Dir.File("bad.qvl", "\\A.WAV\t/a\n# note\nno tab here\n");
  const std::string folder = Dir.Dir("folder.qvl");
  for (const std::string& path : {bad, folder}) {
    Answers.BoxAnswers = {TAnswer::Ok};
    Answers.FileChoices = {path};
    Command(CmOpenList);
    EXPECT_EQ(Shown(), two) << path;
    EXPECT_EQ(Window->Document.Path(), Dir / "first.qvl");
    EXPECT_EQ(Answers.Boxes.back().Caption, "File Error");
  }
  ASSERT_EQ(Answers.Boxes.size(), 2u);
  EXPECT_EQ(Answers.Boxes[0].Text,
            bad + ":3: no TAB between the image path and the real path");
  EXPECT_EQ(Answers.Boxes[1].Text, folder + ": is a directory, not a list file");

  Command(CmDelete);
  Answers.BoxAnswers = {TAnswer::Ok};
  // (The desktop's dialog cannot choose a missing folder: the save is asked
  // for directly.)
  EXPECT_FALSE(Window->SaveList(Dir / "no such folder/x.qvl"));
  ASSERT_EQ(Answers.Boxes.size(), 3u);
  EXPECT_EQ(Answers.Boxes[2].Text.rfind("Sorry, I can't save the list " + Dir.Path +
                                            "/no such folder/x.qvl: No such file",
                                        0),
            0u)
      << Answers.Boxes[2].Text;
  EXPECT_TRUE(Window->Document.Modified());
  EXPECT_EQ(Window->Document.Path(), Dir / "first.qvl");

  // The list named at start is opened like Open List opens it.
  Answers.BoxAnswers = {TAnswer::No};
  EXPECT_TRUE(Window->AskSaveChanges());
  EXPECT_TRUE(Window->OpenList(Dir / "first.qvl"));
  EXPECT_EQ(Shown(), two);
}

// The keys act once each, through the list window's accelerators.
TEST_F(TListFileTest, ControlKeysRunTheFileCommandsOnce) {
  AddLines(1);
  Frame->Raise();
  Window->SetFocus();
  Pump(30);
  wxUIActionSimulator sim;
  Answers.FileChoices = {""};
  sim.Char('s', wxMOD_CONTROL);
  Pump(60);
  ASSERT_EQ(Prompts().size(), 1u);
  EXPECT_TRUE(Prompts()[0].Save);
  Answers.FileChoices = {""};
  sim.Char('s', wxMOD_CONTROL | wxMOD_SHIFT);
  Pump(60);
  ASSERT_EQ(Prompts().size(), 2u);
  Answers.BoxAnswers = {TAnswer::Cancel};
  sim.Char('o', wxMOD_CONTROL);
  Pump(60);
  EXPECT_EQ(Answers.Boxes.size(), 1u);
  EXPECT_EQ(Prompts().size(), 2u);
  Answers.BoxAnswers = {TAnswer::No};
  sim.Char('n', wxMOD_CONTROL);
  Pump(60);
  EXPECT_EQ(Answers.Boxes.size(), 2u);
  EXPECT_EQ(Window->Entries.Count(), 0u);
}

// Open Image...: an image made by qvimage, unpacked into a new folder (a
// folder with files in it is refused), becomes the unsaved list, and
// Create Image makes the same image of it byte for byte.
TEST_F(TListFileTest, AnOpenedImageIsTheUnsavedListAndBuildsTheSameImageAgain) {
  Frame->UpdateWindowUI(wxUPDATE_UI_RECURSE);
  wxMenuItem* item = Frame->GetMenuBar()->FindItem(CmOpenImage);
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->GetItemLabelText(), "Open Image...");
  EXPECT_EQ(item->GetHelp(), CommandHint(CmOpenImage));
  EXPECT_TRUE(Enabled(CmOpenImage));

  std::string large(70000, '\0');
  for (std::size_t i = 0; i < large.size(); ++i) large[i] = static_cast<char>(i * 7 + i / 251);
  Dir.File("src/PIANO.QVF", large);
  Dir.File("src/SOUNDS/BASS.WAV", "bass");
  Dir.Dir("src/SOUNDS/DRUMS");
  const std::string image = Dir / "show.trk";
  const std::string command = std::string("'") + QVIMAGE_PATH + "' -q --from-dir '" +
                              (Dir / "src") + "' '" + image + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;

  AddLines(1);
  const std::string busy = Dir.File("busy/KEEP.TXT", "mine");
  const std::string fresh = Dir / "fresh";
  Answers.BoxAnswers = {TAnswer::No, TAnswer::Ok};
  Answers.FileChoices = {image};
  Folders = {Dir / "busy", fresh};
  Command(CmOpenImage);

  ASSERT_EQ(Answers.FilesAsked.size(), 1u);
  EXPECT_EQ(Answers.FilesAsked[0].Title, "Open Image");
  EXPECT_NE(Answers.FilesAsked[0].Wildcard.find("*.[tT][rR][kK]"), std::string::npos);
  ASSERT_EQ(Answers.Boxes.size(), 2u);
  EXPECT_EQ(Answers.Boxes[0].Buttons, TButtons::SaveDontSaveCancel);
  EXPECT_EQ(Answers.Boxes[1].Text, "The folder " + Dir / "busy" +
                                       " is not empty.\n\nChoose an empty or new folder to "
                                       "unpack the image into.");
  // The folder is proposed where the image lies, then where it was refused.
  EXPECT_EQ(FolderProposals, (std::vector<std::string>{Dir.Path, Dir / "busy"}));
  EXPECT_EQ(ReadBytes(busy), "mine");
  EXPECT_EQ(std::filesystem::directory_iterator(Dir / "busy")->path().filename(), "KEEP.TXT");

  EXPECT_EQ(Shown(), (std::vector<std::string>{"\\PIANO.QVF=" + fresh + "/PIANO.QVF",
                                               "\\SOUNDS\\BASS.WAV=" + fresh + "/SOUNDS/BASS.WAV",
                                               "\\SOUNDS\\DRUMS=" + fresh + "/SOUNDS/DRUMS"}));
  EXPECT_EQ(ReadBytes(fresh + "/PIANO.QVF"), large);
  EXPECT_TRUE(Window->Document.Modified());
  EXPECT_TRUE(Window->Document.Path().empty());
  Window->ShowListState();
  EXPECT_EQ(Caption(), "*Untitled - Quorel CD-ROM Image Maker");

  const std::string again = Dir / "again.trk";
  Answers.FileChoices = {again};
  Command(CmCreateImage);
  ASSERT_TRUE(std::filesystem::exists(again));
  EXPECT_TRUE(ReadBytes(again) == ReadBytes(image)) << "the rebuilt image differs";

  // Cancel at the image prompt or at the folder prompt changes nothing.
  const std::vector<std::string> opened = Shown();
  Answers.BoxAnswers = {TAnswer::No, TAnswer::No};
  Answers.FileChoices = {"", image};
  Command(CmOpenImage);
  Folders = {""};
  Command(CmOpenImage);
  EXPECT_EQ(Shown(), opened);
  EXPECT_TRUE(Answers.FileChoices.empty() && Answers.BoxAnswers.empty());
}

// An image that cannot be read stops the unpacking with the reader's word,
// the box shown for real; the window is free again afterwards.
TEST_F(TListFileTest, AnImageThatCannotBeReadIsSaidAndTheWindowGoesOn) {
  AddLines(1);
  const std::vector<std::string> before = Shown();
  const std::string bad = Dir.File("bad.trk", std::string(3000, 'x'));
  Answers.RunBox = [](TMessageBox* box) {
    box->CallAfter([box] { box->EndModal(TMessageBox::IdOf(TAnswer::Ok)); });
  };
  EXPECT_FALSE(Window->OpenImage(bad, Dir / "into"));
  ASSERT_EQ(Answers.Boxes.size(), 1u);
  EXPECT_EQ(Answers.Boxes[0].Text.rfind("Sorry, I can't unpack " + bad + ": ", 0), 0u)
      << Answers.Boxes[0].Text;
  EXPECT_EQ(Window->WriteDialog, nullptr);
  EXPECT_EQ(Shown(), before);
  EXPECT_FALSE(std::filesystem::exists(Dir / "into")) << "no folder is made for nothing";

  // Open Image says so before it asks for a folder.
  Answers.Boxes.clear();
  Answers.RunBox = nullptr;
  Answers.BoxAnswers = {TAnswer::No, TAnswer::Ok};
  Answers.FileChoices = {bad};
  Command(CmOpenImage);
  ASSERT_EQ(Answers.Boxes.size(), 2u);
  EXPECT_EQ(Answers.Boxes[1].Text.rfind("Sorry, I can't unpack " + bad + ": ", 0), 0u)
      << Answers.Boxes[1].Text;
  EXPECT_TRUE(FolderProposals.empty());
  EXPECT_EQ(Shown(), before);
}

}  // namespace
