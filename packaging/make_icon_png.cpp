// Writes the program's icon as a PNG for the desktop's menus, from the same
// XPM drawing the window program shows, scaled by a whole factor with hard
// pixel edges. Run at build time, with no display needed:
//   make_icon_png OUT.png SCALE
#include <cstdio>
#include <cstdlib>

#include <wx/image.h>
#include <wx/init.h>
#include <wx/log.h>

#include "resources/app_icon_xpm.h"

namespace {
// Desktop icon sizes go up to 512 pixels; 16 times the drawing is plenty.
constexpr int MaxScale = 16;
}  // namespace

int main(int argc, char** argv) {
  const int scale = argc == 3 ? std::atoi(argv[2]) : 0;
  if (scale < 1 || scale > MaxScale) {
    std::fprintf(stderr, "usage: make_icon_png OUT.png SCALE (1..%d)\n", MaxScale);
    return 2;
  }
  wxInitializer init;
  if (!init.IsOk()) {
    std::fprintf(stderr, "make_icon_png: cannot start wxWidgets\n");
    return 1;
  }
  wxLog::SetActiveTarget(new wxLogStderr);
  wxImage::AddHandler(new wxPNGHandler);

  wxImage icon(IconApp);
  if (!icon.IsOk()) {
    std::fprintf(stderr, "make_icon_png: cannot read the icon's drawing\n");
    return 1;
  }
  // The drawing's "None" pixels come as a mask colour: make them an alpha
  // channel, and fully transparent pixels black, so that no stray mask
  // colour shows where a desktop blends the edges.
  icon.InitAlpha();
  unsigned char* rgb = icon.GetData();
  const unsigned char* alpha = icon.GetAlpha();
  const long pixels = static_cast<long>(icon.GetWidth()) * icon.GetHeight();
  for (long i = 0; i < pixels; ++i)
    if (alpha[i] == wxIMAGE_ALPHA_TRANSPARENT) rgb[3 * i] = rgb[3 * i + 1] = rgb[3 * i + 2] = 0;

  icon.Rescale(icon.GetWidth() * scale, icon.GetHeight() * scale, wxIMAGE_QUALITY_NEAREST);
  if (!icon.SaveFile(argv[1], wxBITMAP_TYPE_PNG)) {
    std::fprintf(stderr, "make_icon_png: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
