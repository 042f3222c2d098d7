// The about box (command 199); a double click on its picture opens the game.
#pragma once

#include <vector>

#include <wx/bitmap.h>
#include <wx/dialog.h>
#include <wx/palette.h>

class wxWindow;
class wxButton;
class wxStaticText;
class wxStaticBitmap;
class wxStaticLine;
struct TAboutPicture;

// Runs the about box modally over parent.
void RunAboutDialog(wxWindow* parent);

// Picture 402 (256 colours) on a display of 8 bits per pixel or more, else 401.
const TAboutPicture& AboutPictureForDepth(int bitsPerPixel);

// The about box's picture, drawn unstretched: centred when the control is
// taller than the picture, cropped equally at top and bottom when lower.
// It takes no mouse input of its own: clicks go on to the dialog.
class TMeControl : public wxWindow {
 public:
  TMeControl(wxWindow* parent, int id, const wxRect& place);

  // Only a display of 256 colours or fewer works through a palette; a
  // true-colour X server has none.
  bool PaletteDevice = false;
  wxRect DestRect;       // where the picture goes, in the control's pixels
  wxPoint SourceOrigin;  // picture pixel at DestRect's top left, rows counted from the bottom
  wxBitmap Dib;
  wxPalette Palette;
  int PictureId = 0;  // 401 or 402

  // The picture's row drawn at DestRect's top.
  int SourceTop() const;

 private:
  void SetUp();
  void OnPaint(wxPaintEvent& event);
  void OnMouse(wxMouseEvent& event);
  void OnQueryNewPalette(wxQueryNewPaletteEvent& event);
  void OnPaletteChanged(wxPaletteChangedEvent& event);
  void RedrawWithPalette();
};

class TAboutDialog : public wxDialog {
 public:
  explicit TAboutDialog(wxWindow* parent);

  TMeControl* Picture = nullptr;
  wxStaticBitmap* Icon = nullptr;           // 202
  wxStaticText* Texts[4] = {};              // 203 .. 206
  wxStaticLine* EtchedLine = nullptr;       // 207
  wxButton* OkButton = nullptr;             // 1
  int WidthDelta = 0;  // picture width minus the picture item's width

 private:
  void FitToPicture();
  void OnDoubleClick(wxMouseEvent& event);
  void OnQueryNewPalette(wxQueryNewPaletteEvent& event);
  void OnPaletteChanged(wxPaletteChangedEvent& event);
};
