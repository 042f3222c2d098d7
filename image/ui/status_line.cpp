#include "image/ui/status_line.h"

#include <wx/dcclient.h>
#include <wx/settings.h>

#include "app/text_convert.h"

namespace {
constexpr int FirstPrintable = 0x20, LastPrintable = 0x7E;
}

TStatusLine::TStatusLine(wxWindow* parent, wxWindowID id, const wxFont& font)
    : wxWindow(parent, id, wxDefaultPosition, wxDefaultSize, wxBORDER_NONE), TextFont(font) {
  SetFont(font);
  for (int c = FirstPrintable; c <= LastPrintable; ++c) {
    int w = 0, h = 0;
    GetTextExtent(wxString(static_cast<char>(c)), &w, &h, nullptr, nullptr, &TextFont);
    AsciiWidth[c] = w;
  }
  Bind(wxEVT_PAINT, &TStatusLine::OnPaint, this);
}

wxSize TStatusLine::DoGetBestSize() const {
  int w = 0, h = 0;
  GetTextExtent("Ag", &w, &h, nullptr, nullptr, &TextFont);
  return wxSize(w, h);
}

void TStatusLine::SetText(const wxString& text) {
  if (text == Shown) return;
  Shown = text;
  // Marked once until it is painted (a new path at every step would mark
  // it again and again): the paint shows the latest text.
  if (Marked) return;
  Marked = true;
  Refresh();
}

bool TStatusLine::Fits(const std::string& text) {
  int available = GetClientSize().x;
  // Summed advances are the text's width without kerning, which only ever
  // narrows a line of these characters: a sum that fits is a text that fits.
  long sum = 0;
  bool ascii = true;
  for (unsigned char c : text) {
    if (c < FirstPrintable || c > LastPrintable) {
      ascii = false;
      break;
    }
    sum += AsciiWidth[c];
  }
  if (ascii && sum <= available) return true;
  int w = 0, h = 0;
  GetTextExtent(ToWx(text), &w, &h, nullptr, nullptr, &TextFont);
  return w <= available;
}

void TStatusLine::OnPaint(wxPaintEvent&) {
  Marked = false;
  wxPaintDC dc(this);
  dc.SetFont(TextFont);
  dc.SetTextForeground(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNTEXT));
  dc.SetBackgroundMode(wxTRANSPARENT);
  dc.DrawText(Shown, 0, 0);
}
