#include "about/ui/about_dialog.h"

#include <algorithm>
#include <vector>

#include <wx/wx.h>
#include <wx/statline.h>

#include "about/ui/pong_dialog.h"
#include "app/command_ids.h"
#include "app/dialog_layout.h"
#include "resources/about_pictures/about_pictures.h"
#include "resources/app_pictures.h"
#include "qv_version.h"

namespace {

constexpr int IdPicture = 201, IdIcon = 202, IdName = 203, IdVersion = 204, IdLine1 = 205,
              IdLine2 = 206, IdEtchedLine = 207;
constexpr int PaletteDepth = 8;  // displays up to 256 colours work through a palette

wxBitmap PictureBitmap(const TAboutPicture& picture) {
  wxImage image(picture.Width, picture.Height);
  unsigned char* rgb = image.GetData();
  for (int i = 0; i < picture.Width * picture.Height; ++i) {
    const unsigned char* colour = picture.Colours + 3 * picture.Pixels[i];
    rgb[3 * i] = colour[0];
    rgb[3 * i + 1] = colour[1];
    rgb[3 * i + 2] = colour[2];
  }
  return wxBitmap(image);
}

wxPalette PicturePalette(const TAboutPicture& picture) {
  std::vector<unsigned char> r, g, b;
  for (int i = 0; i < picture.ColoursUsed; ++i) {
    r.push_back(picture.Colours[3 * i]);
    g.push_back(picture.Colours[3 * i + 1]);
    b.push_back(picture.Colours[3 * i + 2]);
  }
  return wxPalette(picture.ColoursUsed, r.data(), g.data(), b.data());
}

}  // namespace

const TAboutPicture& AboutPictureForDepth(int bitsPerPixel) {
  return bitsPerPixel >= 8 ? AboutPicture402 : AboutPicture401;
}

// ---- TMeControl

TMeControl::TMeControl(wxWindow* parent, int id, const wxRect& place)
    : wxWindow(parent, id, place.GetPosition(), place.GetSize(), wxBORDER_NONE) {
  SetUp();
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  Bind(wxEVT_PAINT, &TMeControl::OnPaint, this);
  Bind(wxEVT_LEFT_DOWN, &TMeControl::OnMouse, this);
  Bind(wxEVT_LEFT_UP, &TMeControl::OnMouse, this);
  Bind(wxEVT_LEFT_DCLICK, &TMeControl::OnMouse, this);
  Bind(wxEVT_QUERY_NEW_PALETTE, &TMeControl::OnQueryNewPalette, this);
  Bind(wxEVT_PALETTE_CHANGED, &TMeControl::OnPaletteChanged, this);
}

void TMeControl::SetUp() {
  const int depth = wxDisplayDepth();
  PaletteDevice = depth <= PaletteDepth;
  const TAboutPicture& picture = AboutPictureForDepth(depth);
  PictureId = &picture == &AboutPicture402 ? 402 : 401;
  Dib = PictureBitmap(picture);
  Palette = PicturePalette(picture);

  // Centre a lower picture; crop a taller one equally at top and bottom.
  const int controlHeight = GetClientSize().y;
  const int w = picture.Width, h = picture.Height;
  const int m = (controlHeight - h) / 2;
  const int top = std::max(m, 0);
  DestRect = wxRect(wxPoint(0, top), wxPoint(w - 1, std::min(h + m, controlHeight) - 1));
  SourceOrigin = wxPoint(0, std::max(-m, 0));
}

int TMeControl::SourceTop() const { return Dib.GetHeight() - SourceOrigin.y - DestRect.height; }

void TMeControl::OnPaint(wxPaintEvent&) {
  wxPaintDC dc(this);
  dc.SetBackground(wxBrush(GetParent()->GetBackgroundColour()));
  dc.Clear();
  if (!Dib.IsOk() || DestRect.IsEmpty()) return;
  if (PaletteDevice) dc.SetPalette(Palette);
  wxMemoryDC source(Dib);
  dc.Blit(DestRect.x, DestRect.y, DestRect.width, DestRect.height, &source, SourceOrigin.x,
          SourceTop());
}

// The dialog decides what a click on the picture means.
void TMeControl::OnMouse(wxMouseEvent& event) {
  wxMouseEvent forwarded(event);
  forwarded.SetPosition(event.GetPosition() + GetPosition());
  forwarded.SetEventObject(GetParent());
  forwarded.SetId(GetParent()->GetId());
  GetParent()->GetEventHandler()->ProcessEvent(forwarded);
}

void TMeControl::RedrawWithPalette() {
  if (!PaletteDevice) return;
  Refresh(false);
  Update();
}

void TMeControl::OnQueryNewPalette(wxQueryNewPaletteEvent& event) {
  RedrawWithPalette();
  event.SetPaletteRealized(true);
}

void TMeControl::OnPaletteChanged(wxPaletteChangedEvent& event) {
  if (event.GetChangedWindow() != this) RedrawWithPalette();
}

// ---- TAboutDialog

namespace {
// The source is under the MIT licence; the Linux programs link libburn and
// are therefore distributed under the GPL, version 2 or later.
#ifdef _WIN32
constexpr const char* AboutLicence = "Free software, MIT License";
#else
constexpr const char* AboutLicence = "Free software, GNU GPL 2 or later";
#endif
}  // namespace

TAboutDialog::TAboutDialog(wxWindow* parent)
    : wxDialog(parent, IdAboutDialog, "About...", wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX) {
  Picture = new TMeControl(this, IdPicture,
                           wxRect(ConvertDialogToPixels(wxPoint(4, 4)),
                                  ConvertDialogToPixels(wxSize(16, 76))));
  Icon = new wxStaticBitmap(this, IdIcon, AppIcon());
  const long centred = wxALIGN_CENTRE_HORIZONTAL | wxST_NO_AUTORESIZE;
  Texts[0] = new wxStaticText(this, IdName, "Quorel CD-ROM Image Maker", wxDefaultPosition,
                              wxDefaultSize, centred);
  // This build's own version and the system it runs on.
  Texts[1] = new wxStaticText(this, IdVersion, "Version " QV_VERSION " for " QV_BUILT_FOR,
                              wxDefaultPosition, wxDefaultSize, centred);
  Texts[2] = new wxStaticText(this, IdLine1, "FAT16 images for CD-ROM", wxDefaultPosition,
                              wxDefaultSize, centred);
  Texts[3] = new wxStaticText(this, IdLine2, AboutLicence, wxDefaultPosition, wxDefaultSize,
                              centred);
  EtchedLine = new wxStaticLine(this, IdEtchedLine);
  OkButton = new wxButton(this, wxID_OK, "Ok");
  OkButton->SetDefault();
  SetEscapeId(wxID_OK);

  auto units = [this](int x, int y, int w, int h) {
    return DialogUnitsToPixels(this, wxRect(x, y, w, h));
  };
  const int grown = PlaceDialogItems({{Icon, units(70, 4, 18, 20), false, false},
                                      {Texts[0], units(24, 30, 110, 8)},
                                      {Texts[1], units(24, 40, 110, 8)},
                                      {Texts[2], units(24, 62, 110, 8)},
                                      {Texts[3], units(24, 72, 110, 8)},
                                      {EtchedLine, units(4, 86, 130, 1)},
                                      {OkButton, units(45, 92, 48, 14)}});
  SetClientSize(ConvertDialogToPixels(wxSize(138, 110)) + wxSize(0, grown));
  FitToPicture();
  if (parent) SetPosition(parent->ClientToScreen(ConvertDialogToPixels(wxPoint(84, 46))));

  Bind(wxEVT_LEFT_DCLICK, &TAboutDialog::OnDoubleClick, this);
  Bind(wxEVT_QUERY_NEW_PALETTE, &TAboutDialog::OnQueryNewPalette, this);
  Bind(wxEVT_PALETTE_CHANGED, &TAboutDialog::OnPaletteChanged, this);
}

// The dialog units give the picture item some width; the picture decides it.
void TAboutDialog::FitToPicture() {
  WidthDelta = Picture->Dib.GetWidth() - Picture->GetSize().x;
  Picture->SetSize(Picture->Dib.GetWidth(), Picture->GetSize().y);
  const wxSize client = GetClientSize();
  SetClientSize(client.x + WidthDelta, client.y);
  for (wxWindow* item : {static_cast<wxWindow*>(Icon), static_cast<wxWindow*>(Texts[0]),
                         static_cast<wxWindow*>(Texts[1]), static_cast<wxWindow*>(Texts[2]),
                         static_cast<wxWindow*>(Texts[3])})
    item->Move(item->GetPosition() + wxPoint(WidthDelta, 0));
  EtchedLine->SetSize(EtchedLine->GetSize().x + WidthDelta, EtchedLine->GetSize().y);
  OkButton->Move(OkButton->GetPosition() + wxPoint(WidthDelta / 2, 0));
}

void TAboutDialog::OnDoubleClick(wxMouseEvent& event) {
  if (Picture->GetRect().Contains(event.GetPosition())) RunPongDialog(this);
}

void TAboutDialog::OnQueryNewPalette(wxQueryNewPaletteEvent& event) {
  Picture->GetEventHandler()->ProcessEvent(event);
  event.SetPaletteRealized(true);
}

void TAboutDialog::OnPaletteChanged(wxPaletteChangedEvent& event) {
  Picture->GetEventHandler()->ProcessEvent(event);
}

void RunAboutDialog(wxWindow* parent) {
  TAboutDialog dialog(parent);
  dialog.ShowModal();
}
