#include "image/ui/gauge_control.h"

#include <algorithm>
#include <cstdlib>

#include <wx/dcbuffer.h>
#include <wx/settings.h>

#include <wx/time.h>

namespace {
constexpr int BorderWidth = 1;
// Synchronous repaints closer together than one frame show nothing more.
constexpr int FrameMilliseconds = 16;
// Least difference in brightness (0..255) between the bar and the face for
// the bar's own colour to carry the text.
constexpr int LeastBrightnessStep = 96;

int Brightness(const wxColour& c) { return (299 * c.Red() + 587 * c.Green() + 114 * c.Blue()) / 1000; }
}  // namespace

TMyGauge::TMyGauge(wxWindow* parent, wxWindowID id, const wxFont& font)
    : wxWindow(parent, id, wxDefaultPosition, wxDefaultSize, wxBORDER_NONE),
      Bar(0, 0, 128),
      TextFont(font) {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  SetFont(font);
  Bind(wxEVT_PAINT, &TMyGauge::OnPaint, this);
}

wxSize TMyGauge::DoGetBestSize() const {
  int w = 0, h = 0;
  GetTextExtent("100%", &w, &h, nullptr, nullptr, &TextFont);
  return wxSize(w + 4 * BorderWidth, h + 4 * BorderWidth);
}

wxString TMyGauge::Text() const { return wxString::Format("%d%%", Value); }

void TMyGauge::SetValue(int value) {
  value = std::clamp(value, 0, Range);
  if (value == Value) return;
  Value = value;
  ++Repaints;
  // Marked once until it is painted: the paint shows the latest value.
  if (Pending) return;
  Pending = true;
  Refresh(false);
}

void TMyGauge::PaintNow() {
  if (!Pending) return;
  wxLongLong now = wxGetLocalTimeMillis();
  // Any paint counts, the display's own between two steps as well.
  if (now - LastPaint < FrameMilliseconds) return;
  LastPaint = now;
  Update();
}

void TMyGauge::SetBarColour(const wxColour& colour) {
  Bar = colour;
  Refresh(false);
}

TGaugeColours TMyGauge::Colours() const {
  wxColour face = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE);
  if (std::abs(Brightness(Bar) - Brightness(face)) >= LeastBrightnessStep)
    return {face, Bar, Bar, face};
  return {face, wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT),
          wxSystemSettings::GetColour(wxSYS_COLOUR_BTNTEXT),
          wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHTTEXT)};
}

void TMyGauge::OnPaint(wxPaintEvent&) {
  Pending = false;
  LastPaint = wxGetLocalTimeMillis();
  wxAutoBufferedPaintDC dc(this);
  const TGaugeColours colours = Colours();
  const wxColour& face = colours.Face;
  wxSize size = GetClientSize();

  dc.SetPen(wxPen(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW), BorderWidth));
  dc.SetBrush(wxBrush(face));
  dc.DrawRectangle(0, 0, size.x, size.y);

  wxRect inside(BorderWidth, BorderWidth, size.x - 2 * BorderWidth, size.y - 2 * BorderWidth);
  wxRect bar = inside;
  bar.width = inside.width * Value / Range;

  dc.SetFont(TextFont);
  dc.SetBackgroundMode(wxTRANSPARENT);
  wxString text = Text();
  wxSize extent = dc.GetTextExtent(text);
  wxPoint at(inside.x + (inside.width - extent.x) / 2, inside.y + (inside.height - extent.y) / 2);

  dc.SetTextForeground(colours.TextOnFace);
  dc.DrawText(text, at);
  if (bar.width > 0) {
    wxDCClipper clip(dc, bar);
    dc.SetPen(wxPen(colours.Bar));
    dc.SetBrush(wxBrush(colours.Bar));
    dc.DrawRectangle(bar);
    dc.SetTextForeground(colours.TextOnBar);
    dc.DrawText(text, at);
  }
}
