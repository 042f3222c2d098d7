// The "LCD Pong Game" dialog hidden behind the about box's picture.
#pragma once

#include <string>

#include <wx/bitmap.h>
#include <wx/brush.h>
#include <wx/dialog.h>
#include <wx/timer.h>

#include "about/pong_game.h"

class wxDC;
class wxStaticText;

// Runs the game modally over parent until Quit, Esc or the close box.
void RunPongDialog(wxWindow* parent);

// The playing field: the game's dots on a 4-pixel grid, one tick every 50 ms.
// Dots go into a picture of the field kept in memory; a tick invalidates only
// the dots it changed, and the paint handler copies what was invalidated.
// (GTK 3 does not reliably show drawing done outside a paint handler.)
class TPongControl : public wxWindow, private TDotPainter {
 public:
  static constexpr int TimerId = 1;
  static constexpr int TickMilliseconds = 50;

  TPongControl(wxWindow* parent, int id, const wxRect& place, wxStaticText* scoreText);
  ~TPongControl() override;

  TPongGame Game{*this};
  wxTimer Timer{this, TimerId};
  int Ticks = 0;  // ticks run so far

  // One tick with the pointer at the given height in the field's pixels.
  void RunTick(int pointerY);
  // The field is the dialog's own background with dots in its text colour,
  // so it reads in light and dark themes alike.
  wxColour FieldColour() const;
  wxColour DotColour() const;

 private:
  void DrawDot(int col, int row) override;
  void EraseDot(int col, int row) override;
  void SetScoreText(const std::string& text) override;
  void FillDot(int col, int row, const wxBrush& brush);
  void OnPaint(wxPaintEvent& event);
  void OnTimer(wxTimerEvent& event);

  wxStaticText* ScoreText;
  wxBitmap Screen;     // what the field shows
  wxDC* Dc = nullptr;  // on Screen, while the game draws
};

class TPongDialog : public wxDialog {
 public:
  explicit TPongDialog(wxWindow* parent);

  wxStaticText* ScoreText = nullptr;  // 252
  TPongControl* Field = nullptr;      // 251
};
