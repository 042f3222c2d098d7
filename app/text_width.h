// Pixel widths of short ASCII texts in one font, as the window's own text
// measuring gives them, for lists of tens of thousands of image paths.
//
// On GTK each measured text is shaped by Pango, about 13 microseconds a
// path: a second to open a list of 60,000 lines. A line of plain ASCII
// text is as wide as the sum of its glyphs' advances, each advance
// depending on the glyph and the one after it (kerning); those advances
// are measured once per pair of characters, in Pango's units before
// rounding, and a path then costs one addition per character. Texts with
// other bytes are measured whole. Elsewhere the system's measuring is fast
// and used as it is.
#pragma once

#include <string>
#include <vector>

#include <wx/font.h>
#include <wx/window.h>

class TTextWidths {
 public:
  TTextWidths(wxWindow& window, const wxFont& font);
  ~TTextWidths();
  TTextWidths(const TTextWidths&) = delete;
  TTextWidths& operator=(const TTextWidths&) = delete;

  // The width GetTextExtent gives text in the font, in pixels.
  int Width(const std::string& text);
  // The same, measured whole by the toolkit.
  int MeasuredWidth(const std::string& text) const;
  // Checks a width from Width() against the toolkit's own; on a mismatch
  // (a font whose shaping reaches beyond two characters) every later text
  // is measured whole. True when they agree.
  bool Confirm(const std::string& text, int width);

 private:
  wxWindow& Window;
  wxFont Font;
  bool PairsHold = true;
#ifdef __WXGTK__
  struct _PangoLayout* Layout = nullptr;
  // Pango units of one character alone, and of the first character of a
  // pair as the pair shapes it; -1 / unset until first needed.
  std::vector<int> Single;
  std::vector<int> Leading;
  int Units(const char* text, int length);
#endif
};
