#include "about/ui/pong_dialog.h"

#include <wx/wx.h>

#include "app/command_ids.h"
#include "app/dialog_layout.h"

// ---- TPongControl

TPongControl::TPongControl(wxWindow* parent, int id, const wxRect& place,
                           wxStaticText* scoreText)
    : wxWindow(parent, id, place.GetPosition(), place.GetSize(), wxBORDER_NONE),
      ScoreText(scoreText),
      Screen(place.GetSize()) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  Bind(wxEVT_PAINT, &TPongControl::OnPaint, this);
  Bind(wxEVT_TIMER, &TPongControl::OnTimer, this, TimerId);
  Game.SetUp(place.width, place.height);
  wxMemoryDC dc(Screen);
  dc.SetBackground(wxBrush(FieldColour()));
  dc.Clear();
  Dc = &dc;
  Game.Paint();
  Dc = nullptr;
  Timer.Start(TickMilliseconds);
}

TPongControl::~TPongControl() { Timer.Stop(); }

wxColour TPongControl::FieldColour() const { return GetParent()->GetBackgroundColour(); }

wxColour TPongControl::DotColour() const { return GetParent()->GetForegroundColour(); }

void TPongControl::FillDot(int col, int row, const wxBrush& brush) {
  if (!Dc) return;
  const wxRect dot(col * TPongGame::CellPitch, row * TPongGame::CellPitch, TPongGame::DotSize,
                   TPongGame::DotSize);
  Dc->SetPen(*wxTRANSPARENT_PEN);
  Dc->SetBrush(brush);
  Dc->DrawRectangle(dot);
  RefreshRect(dot, false);
}

void TPongControl::DrawDot(int col, int row) { FillDot(col, row, wxBrush(DotColour())); }

void TPongControl::EraseDot(int col, int row) { FillDot(col, row, wxBrush(FieldColour())); }

void TPongControl::SetScoreText(const std::string& text) {
  if (ScoreText) ScoreText->SetLabel(wxString::FromUTF8(text));
}

// Whatever part of the field was uncovered or changed is copied from the
// picture in memory, which always holds walls, paddle and ball.
void TPongControl::OnPaint(wxPaintEvent&) {
  wxPaintDC dc(this);  // clipped to the parts to redraw
  dc.DrawBitmap(Screen, 0, 0);
}

void TPongControl::RunTick(int pointerY) {
  wxMemoryDC dc(Screen);
  Dc = &dc;
  Game.Tick(pointerY);
  Dc = nullptr;
  ++Ticks;
}

// The pointer is not captured: it steers the paddle from anywhere.
void TPongControl::OnTimer(wxTimerEvent&) { RunTick(ScreenToClient(wxGetMousePosition()).y); }

// ---- TPongDialog

TPongDialog::TPongDialog(wxWindow* parent)
    : wxDialog(parent, IdPongDialog, "LCD Pong Game", wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX) {
  auto* scoreLabel = new wxStaticText(this, wxID_ANY, "Score:");
  ScoreText = new wxStaticText(this, IdPongScore, "");
  auto* quit = new wxButton(this, wxID_OK, "&Quit");
  quit->SetDefault();
  SetEscapeId(wxID_OK);

  // The field keeps its unit rectangle: the game is laid out on its size.
  const wxRect fieldPlace(ConvertDialogToPixels(wxPoint(4, 4)),
                          ConvertDialogToPixels(wxSize(156, 98)));
  const int grown =
      PlaceDialogItems({{scoreLabel, DialogUnitsToPixels(this, wxRect(4, 109, 26, 10))},
                        {ScoreText, DialogUnitsToPixels(this, wxRect(32, 109, 78, 10))},
                        {quit, DialogUnitsToPixels(this, wxRect(116, 106, 40, 14))}});
  SetClientSize(ConvertDialogToPixels(wxSize(160, 124)) + wxSize(0, grown));
  Field = new TPongControl(this, IdPongField, fieldPlace, ScoreText);
  if (parent) SetPosition(parent->ClientToScreen(ConvertDialogToPixels(wxPoint(78, 78))));
}

void RunPongDialog(wxWindow* parent) {
  TPongDialog dialog(parent);
  dialog.ShowModal();
}
