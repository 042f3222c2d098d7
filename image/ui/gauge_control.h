// The build's progress gauge: a bar with its value as "42%" in the middle,
// the text in the face colour over the bar and in the bar colour elsewhere.
#pragma once

#include <wx/font.h>
#include <wx/longlong.h>
#include <wx/window.h>

// The colours a gauge paints with.
struct TGaugeColours {
  wxColour Face, Bar, TextOnFace, TextOnBar;
};

class TMyGauge : public wxWindow {
 public:
  static constexpr int Range = 100;

  TMyGauge(wxWindow* parent, wxWindowID id, const wxFont& font);

  // Clamps to 0..Range. A value that is already shown marks nothing.
  void SetValue(int value);
  int GetValue() const { return Value; }
  // Repaints at once when the shown value changed, unless the gauge was
  // painted less than a frame ago: a repaint costs a round trip to the X
  // server. A change in between is painted with the next frame.
  void PaintNow();
  void SetBarColour(const wxColour& colour);
  // The bar colour with its texts, on the theme's face. A bar that does not
  // stand out from a dark face gives way to the theme's selection colours,
  // so the percentage stays readable.
  TGaugeColours Colours() const;
  wxString Text() const;
  // Repaints asked for since the gauge was made (for measuring).
  long RepaintCount() const { return Repaints; }

 protected:
  wxSize DoGetBestSize() const override;

 private:
  void OnPaint(wxPaintEvent& event);

  int Value = 0;
  bool Pending = false;
  long Repaints = 0;
  wxLongLong LastPaint = 0;  // milliseconds
  wxColour Bar;
  wxFont TextFont;
};
