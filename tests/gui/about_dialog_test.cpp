// The about box: opened by command 199, widened by its picture, and the
// game behind a double click on the picture.
#include <wx/filename.h>
#include <wx/image.h>
#include <wx/statline.h>
#include <wx/uiaction.h>

#include "about/ui/about_dialog.h"
#include "about/ui/pong_dialog.h"
#include "app/command_ids.h"
#include "gui_fixture.h"
#include "resources/about_pictures/about_pictures.h"
#include "qv_version.h"
#include "window_checks.h"

namespace {

// Lets the about box and the game run for real; the test acts inside their
// modal loops through these callbacks.
class TAboutAnswers : public wxModalDialogHook {
 public:
  TAboutAnswers() { Register(); }
  ~TAboutAnswers() override { Unregister(); }

  std::function<void(TAboutDialog*)> OnAbout;
  std::function<void(TPongDialog*)> OnPong;
  int AboutShown = 0, PongShown = 0;

 protected:
  int Enter(wxDialog* dialog) override {
    if (auto* about = dynamic_cast<TAboutDialog*>(dialog)) {
      ++AboutShown;
      about->CallAfter([this, about] {
        if (OnAbout) OnAbout(about);
        if (about->IsModal()) about->EndModal(wxID_OK);
      });
      return wxID_NONE;
    }
    if (auto* pong = dynamic_cast<TPongDialog*>(dialog)) {
      ++PongShown;
      pong->CallAfter([this, pong] {
        if (OnPong) OnPong(pong);
        if (pong->IsModal()) pong->EndModal(wxID_OK);
      });
      return wxID_NONE;
    }
    ADD_FAILURE() << "unexpected dialog " << dialog->GetTitle();
    return wxID_CANCEL;
  }
  void Exit(wxDialog*) override {}
};

// Runs the modal loop we are in for a while without wxYield, which a nested
// modal dialog must not be started from.
void Wait(int milliseconds) {
  wxEventLoopBase* loop = wxEventLoopBase::GetActive();
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  while (std::chrono::steady_clock::now() < end) {
    while (loop->Pending()) loop->Dispatch();
    loop->ProcessIdle();
    wxMilliSleep(5);
  }
}

// What the X server shows in a window's client area, read back by
// ImageMagick's import (wxScreenDC keeps showing GTK's first frame).
wxImage Grab(wxWindow* window) {
  const wxSize size = window->GetClientSize();
  const wxPoint origin = window->ClientToScreen(wxPoint(0, 0));
  const wxString path = wxFileName::CreateTempFileName("qvgrab") + ".png";
  const wxString command = wxString::Format("import -window root -crop %dx%d+%d+%d +repage %s",
                                            size.x, size.y, origin.x, origin.y, path);
  wxImage image;
  if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) wxImage::AddHandler(new wxPNGHandler);
  if (wxExecute(command, wxEXEC_SYNC | wxEXEC_HIDE_CONSOLE) == 0)
    image.LoadFile(path, wxBITMAP_TYPE_PNG);
  wxRemoveFile(path);
  wxRemoveFile(path.BeforeLast('.'));
  if (!image.IsOk() || image.GetSize() != size) {
    ADD_FAILURE() << "cannot read the screen with " << command.utf8_str();
    return wxImage(size);
  }
  return image;
}

wxColour PixelAt(const wxImage& image, int x, int y) {
  return wxColour(image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y));
}

wxColour PictureColour(const TAboutPicture& picture, int x, int y) {
  const unsigned char* c = picture.Colours + 3 * picture.Pixels[y * picture.Width + x];
  return wxColour(c[0], c[1], c[2]);
}

void DoubleClickAt(wxWindow* window, wxPoint clientPoint) {
  wxUIActionSimulator sim;
  sim.MouseMove(window->ClientToScreen(clientPoint));
  Wait(50);
  sim.MouseDblClick();
  Wait(300);
}

class TAboutBoxTest : public TFrameTest {};

TEST_F(TAboutBoxTest, CommandOpensTheBoxWidenedByItsPicture) {
  TAboutAnswers answers;
  answers.OnAbout = [](TAboutDialog* about) {
    EXPECT_EQ(about->GetTitle(), "About...");
    TMeControl* picture = about->Picture;
    // 24 bits per pixel under Xvfb: the 256-colour picture, and no palette.
    EXPECT_EQ(picture->PictureId, 402);
    EXPECT_FALSE(picture->PaletteDevice);
    EXPECT_EQ(picture->GetSize().x, 92);

    // The dialog, the texts and the line move or grow by WidthDelta; OK by half.
    const int delta = 92 - about->ConvertDialogToPixels(wxSize(16, 0)).x;
    EXPECT_EQ(about->WidthDelta, delta);
    EXPECT_GT(delta, 0);
    EXPECT_EQ(about->GetClientSize().x, about->ConvertDialogToPixels(wxSize(138, 0)).x + delta);
    EXPECT_EQ(about->Icon->GetPosition().x, about->ConvertDialogToPixels(wxPoint(70, 0)).x + delta);
    for (wxStaticText* text : about->Texts)
      EXPECT_EQ(text->GetPosition().x, about->ConvertDialogToPixels(wxPoint(24, 0)).x + delta);
    EXPECT_EQ(about->EtchedLine->GetSize().x,
              about->ConvertDialogToPixels(wxSize(130, 0)).x + delta);
    EXPECT_EQ(about->OkButton->GetPosition().x,
              about->ConvertDialogToPixels(wxPoint(45, 0)).x + delta / 2);
    // Everything fits inside the dialog.
    for (wxWindow* child : about->GetChildren()) {
      EXPECT_LE(child->GetRect().GetRight(), about->GetClientSize().x) << child->GetId();
      EXPECT_LE(child->GetRect().GetBottom(), about->GetClientSize().y) << child->GetId();
    }
    EXPECT_EQ(about->Texts[1]->GetLabelText(), "Version " QV_VERSION " for Linux");

    // The picture on screen, pixel for pixel: centred in its item, not stretched.
    ASSERT_TRUE(PumpUntil([&] { return about->IsShownOnScreen(); }));
    Wait(200);
    const TAboutPicture& art = AboutPicture402;
    const wxRect dest = picture->DestRect;
    ASSERT_EQ(dest.width, 92);
    const int m = (picture->GetClientSize().y - 124) / 2;
    EXPECT_EQ(dest.y, std::max(m, 0));
    wxImage shown = Grab(picture);
    int differ = 0;
    for (int y = 0; y < dest.height; y += 3)
      for (int x = 0; x < dest.width; x += 3)
        differ += PixelAt(shown, dest.x + x, dest.y + y) !=
                  PictureColour(art, x, picture->SourceTop() + y);
    EXPECT_EQ(differ, 0);
  };
  Command(CmAbout);
  EXPECT_EQ(answers.AboutShown, 1);
  EXPECT_EQ(answers.PongShown, 0);
}

TEST_F(TAboutBoxTest, OnlyADoubleClickOnThePictureOpensTheGame) {
  TAboutAnswers answers;
  int ticks = 0;
  bool timerRan = false;
  answers.OnPong = [&](TPongDialog* pong) {
    EXPECT_EQ(pong->GetTitle(), "LCD Pong Game");
    Wait(400);  // about 8 ticks of 50 ms
    ticks = pong->Field->Ticks;
    timerRan = pong->Field->Timer.IsRunning();
  };
  answers.OnAbout = [&](TAboutDialog* about) {
    ASSERT_TRUE(PumpUntil([&] { return about->IsShownOnScreen(); }));
    Wait(200);
    // On the texts, the icon, the empty corner and the OK button's row: nothing.
    DoubleClickAt(about, about->Texts[0]->GetRect().GetPosition() + wxPoint(20, 5));
    DoubleClickAt(about, about->Icon->GetRect().GetPosition() + wxPoint(2, 2));
    DoubleClickAt(about, wxPoint(about->GetClientSize().x - 3, about->GetClientSize().y - 3));
    DoubleClickAt(about, about->Picture->GetRect().GetBottomRight() + wxPoint(1, 0));
    EXPECT_EQ(answers.PongShown, 0);
    // Inside the picture, even its last pixel: the game.
    DoubleClickAt(about, about->Picture->GetRect().GetPosition() + wxPoint(40, 60));
    EXPECT_EQ(answers.PongShown, 1);
    DoubleClickAt(about, about->Picture->GetRect().GetBottomRight());
    EXPECT_EQ(answers.PongShown, 2);
  };
  Command(CmAbout);
  EXPECT_EQ(answers.AboutShown, 1);
  EXPECT_GE(ticks, 4);
  EXPECT_TRUE(timerRan);
}

TEST_F(TAboutBoxTest, EscapeEndsTheGameAndThenTheBox) {
  TAboutAnswers answers;
  auto pressEscape = [](wxDialog* dialog) {
    ASSERT_TRUE(PumpUntil([&] { return dialog->IsShownOnScreen(); }));
    dialog->Raise();
    dialog->SetFocus();
    Wait(200);
    wxUIActionSimulator sim;
    sim.Char(WXK_ESCAPE);
    Wait(300);
    EXPECT_FALSE(dialog->IsModal()) << dialog->GetTitle();
  };
  bool aboutStillOpen = false;
  answers.OnPong = [&](TPongDialog* pong) { pressEscape(pong); };
  answers.OnAbout = [&](TAboutDialog* about) {
    DoubleClickAt(about, about->Picture->GetRect().GetPosition() + wxPoint(40, 60));
    aboutStillOpen = about->IsModal();  // the game ended; the box stays
    pressEscape(about);
  };
  Command(CmAbout);
  EXPECT_EQ(answers.PongShown, 1);
  EXPECT_TRUE(aboutStillOpen);
}

TEST(AboutPictures, SixteenColoursBelowEightBitsAndOnlyImportantColoursUsed) {
  EXPECT_EQ(&AboutPictureForDepth(4), &AboutPicture401);
  EXPECT_EQ(&AboutPictureForDepth(8), &AboutPicture402);
  EXPECT_EQ(&AboutPictureForDepth(24), &AboutPicture402);
  for (const TAboutPicture* picture : {&AboutPicture401, &AboutPicture402}) {
    EXPECT_EQ(picture->Width, 92);
    EXPECT_EQ(picture->Height, 124);
    int highest = 0;
    for (int i = 0; i < 92 * 124; ++i) highest = std::max<int>(highest, picture->Pixels[i]);
    EXPECT_LT(highest, picture->ColoursImportant);
  }
  EXPECT_EQ(AboutPicture401.ColoursUsed, 16);
  EXPECT_EQ(AboutPicture402.ColoursUsed, 256);
  EXPECT_EQ(AboutPicture402.ColoursImportant, 64);
}

class TPongDialogTest : public TFrameTest {
 protected:
  void SetUp() override {
    TFrameTest::SetUp();
    Pong = new TPongDialog(Frame);
    Pong->Field->Timer.Stop();  // the test runs the ticks itself
    Pong->Show();
    PumpUntil([&] { return Pong->IsShownOnScreen(); });
    Pump(200);
  }
  void TearDown() override {
    Pong->Destroy();
    TFrameTest::TearDown();
  }
  bool IsDot(const wxImage& shown, int col, int row) {
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 3; ++x)
        if (PixelAt(shown, col * 4 + x, row * 4 + y) != Pong->Field->DotColour()) return false;
    return PixelAt(shown, col * 4 + 3, row * 4 + 3) != Pong->Field->DotColour();
  }
  TPongDialog* Pong = nullptr;
};

TEST_F(TPongDialogTest, FieldShowsWallsPaddleAndServedBallAsDotsOnTheGrid) {
  TPongControl* field = Pong->Field;
  const TPongGame& game = field->Game;
  EXPECT_EQ(Pong->ScoreText->GetLabel(), "0");
  // The field fills its item to the dialog's right edge.
  EXPECT_EQ(field->GetRect().GetRight() + 1, Pong->GetClientSize().x);
  EXPECT_EQ(game.Cols, field->GetClientSize().x / 4 - 2);
  EXPECT_EQ(game.Rows, field->GetClientSize().y / 4);

  wxImage shown = Grab(field);
  EXPECT_TRUE(IsDot(shown, 0, 0));
  EXPECT_TRUE(IsDot(shown, game.Cols - 1, game.Rows - 1));
  EXPECT_TRUE(IsDot(shown, 0, game.Rows / 2));
  EXPECT_TRUE(IsDot(shown, game.PaddleColumn, game.PaddleTop + 7));
  EXPECT_FALSE(IsDot(shown, game.PaddleColumn, game.PaddleTop + 8));
  EXPECT_FALSE(IsDot(shown, game.Cols, 0));  // right of the paddle: open

  // The paddle follows the pointer's height; the 40th tick serves.
  const int pointer = (10 + TPongGame::PaddleLength / 2) * 4;
  for (int i = 0; i < 40; ++i) field->RunTick(pointer);
  ASSERT_FALSE(game.Serving);
  Pump(50);
  shown = Grab(field);
  EXPECT_TRUE(IsDot(shown, game.PaddleColumn, 10));
  EXPECT_FALSE(IsDot(shown, game.PaddleColumn, 9));
  EXPECT_TRUE(IsDot(shown, game.BallX / 256, game.BallY / 256));
  EXPECT_TRUE(IsDot(shown, game.BallX / 256 + 1, game.BallY / 256 + 1));

  // A ball moved by a tick leaves nothing behind.
  const int oldCol = game.BallX / 256, oldRow = game.BallY / 256;
  field->RunTick(pointer);
  Pump(50);
  shown = Grab(field);
  EXPECT_TRUE(IsDot(shown, game.BallX / 256, game.BallY / 256));
  EXPECT_FALSE(IsDot(shown, oldCol, oldRow));

  // Repainting the dialog redraws all of the field, ball included.
  Pong->Refresh();
  Pong->Update();
  Pump(100);
  shown = Grab(field);
  EXPECT_TRUE(IsDot(shown, game.BallX / 256, game.BallY / 256));
  EXPECT_TRUE(IsDot(shown, 0, 0));
}

TEST_F(TPongDialogTest, OnDesktopDotsStandOutOnAFieldOfTheDialogsOwnColour) {
  TPongControl* field = Pong->Field;
  const wxImage dialog = Grab(Pong);
  const wxImage shown = Grab(field);
  // Between the dots of a cell, and the dialog just below the field.
  const wxColour open = PixelAt(shown, 5 * 4 + 3, 5 * 4 + 3);
  const wxRect place = field->GetRect();
  EXPECT_EQ(open, PixelAt(dialog, place.x + 2, place.GetBottom() + 3));
  EXPECT_EQ(open, field->FieldColour());
  EXPECT_GE(ContrastRatio(field->DotColour(), open), 4.5);
}

TEST_F(TPongDialogTest, TimerTicksEveryFiftyMillisecondsAndStopsWithTheDialog) {
  TPongControl* field = Pong->Field;
  field->Timer.Start(TPongControl::TickMilliseconds);
  Pump(500);
  EXPECT_GE(field->Ticks, 5);
  EXPECT_LE(field->Ticks, 11);
  // Closing the dialog stops the timer: no tick reaches a destroyed field.
  Pong->Destroy();
  Pump(200);
  Pong = new TPongDialog(Frame);
}

}  // namespace

// Pictures for the README, made by scripts/screenshots-about: the about box,
// and the game in the middle of a rally. Disabled in the normal run.
class TAboutScreenshots : public TFrameTest {};

TEST_F(TAboutScreenshots, DISABLED_AboutBoxAndGameMidRally) {
  Frame->SetSize(40, 60, 560, 300);
  Pump(300);
  TAboutAnswers answers;
  answers.OnPong = [&](TPongDialog* pong) {
    TPongControl* field = pong->Field;
    field->Timer.Stop();  // the pointer stays put under Xvfb: the test plays
    const TPongGame& game = field->Game;
    auto midField = [&] {
      return !game.Serving && game.Score >= 3 && game.VelX < 0 && game.BallX > game.MaxX / 3 &&
             game.BallX < game.MaxX * 2 / 3;
    };
    for (int i = 0; i < 2000 && !midField(); ++i) {
      field->RunTick(game.Serving ? 100 : (game.BallY / TPongGame::Scale + 1) * 4);
      if (i % 10 == 0) Wait(5);
    }
    EXPECT_TRUE(midField());
    Wait(300);
    Shoot("pong_game.png", {pong});
  };
  answers.OnAbout = [&](TAboutDialog* about) {
    Wait(600);
    Shoot("about_box.png", {about});
    DoubleClickAt(about, about->Picture->GetRect().GetPosition() + wxPoint(40, 60));
  };
  Command(CmAbout);
  EXPECT_EQ(answers.PongShown, 1);
}
