// The "LCD Pong Game" dialog hidden behind the about box's picture.
#pragma once

#include <string>

#include <wx/brush.h>
#include <wx/dialog.h>
#include <wx/timer.h>

#include "about/pong_game.h"

class wxDC;
class wxStaticText;

// Runs the game modally over parent until Quit, Esc or the close box.
void RunPongDialog(wxWindow* parent);

// The playing field: the game's dots on a 4-pixel grid, one tick every 50 ms.
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
  // The brush that erases a dot: the shared background brush once the
  // list window has made it, else the dialog's own background.
  wxBrush EraseBrush() const;

 private:
  void DrawDot(int col, int row) override;
  void EraseDot(int col, int row) override;
  void SetScoreText(const std::string& text) override;
  void FillDot(int col, int row, const wxBrush& brush);
  void OnPaint(wxPaintEvent& event);
  void OnTimer(wxTimerEvent& event);

  wxStaticText* ScoreText;
  wxDC* Dc = nullptr;  // where dots go during a paint or a tick
};

class TPongDialog : public wxDialog {
 public:
  explicit TPongDialog(wxWindow* parent);

  wxStaticText* ScoreText = nullptr;  // 252
  TPongControl* Field = nullptr;      // 251
};
