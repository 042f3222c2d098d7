// The build dialog's status line: one line of text, left-aligned and
// clipped at the right. It draws the text itself, so that a new path at
// every build step costs a stored string and an invalidated rectangle
// instead of a label layout.
#pragma once

#include <array>
#include <string>

#include <wx/font.h>
#include <wx/window.h>

class TStatusLine : public wxWindow {
 public:
  TStatusLine(wxWindow* parent, wxWindowID id, const wxFont& font);

  void SetText(const wxString& text);
  const wxString& Text() const { return Shown; }
  // Whether text fits the line's client width in its font.
  bool Fits(const std::string& text);

 protected:
  wxSize DoGetBestSize() const override;

 private:
  void OnPaint(wxPaintEvent& event);

  wxFont TextFont;
  wxString Shown;
  bool Marked = false;  // marked for repainting, not painted yet
  // Advance widths of the printable ASCII characters, measured once; a
  // text of them is summed instead of laid out.
  std::array<int, 128> AsciiWidth{};
};
