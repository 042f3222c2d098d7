// Checks and pictures of whole dialogs, shared by the window tests and the
// screenshot runs.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <wx/dialog.h>
#include <wx/colour.h>
#include <wx/gdicmn.h>

// No control overlaps another, none is smaller than its best size, and all
// lie inside the dialog.
inline void ExpectControlsApart(wxDialog* dialog) {
  wxRect inside(wxPoint(0, 0), dialog->GetClientSize());
  std::vector<wxWindow*> controls;
  for (wxWindow* child : dialog->GetChildren())
    if (child->IsShown()) controls.push_back(child);
  for (size_t i = 0; i < controls.size(); ++i) {
    wxRect r = controls[i]->GetRect();
    EXPECT_TRUE(inside.Contains(r)) << dialog->GetTitle() << " control " << i;
    EXPECT_GE(r.height, controls[i]->GetBestSize().y) << dialog->GetTitle() << " control " << i;
    EXPECT_GE(r.width, controls[i]->GetBestSize().x) << dialog->GetTitle() << " control " << i;
    for (size_t j = i + 1; j < controls.size(); ++j)
      EXPECT_FALSE(r.Intersects(controls[j]->GetRect()))
          << dialog->GetTitle() << " controls " << i << " and " << j;
  }
}

// How far apart two colours are for the eye: 1 (the same) to 21 (black on
// white); text wants at least 4.5, large marks at least 3.
inline double ContrastRatio(const wxColour& a, const wxColour& b) {
  auto luminance = [](const wxColour& c) {
    auto channel = [](int v) {
      double s = v / 255.0;
      return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.Red()) + 0.7152 * channel(c.Green()) + 0.0722 * channel(c.Blue());
  };
  double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The screen around the given windows, the window manager's borders and
// title bar included, saved as name in $QV_SCREENSHOT_DIR (or here).
inline void Shoot(const std::string& name, std::initializer_list<wxWindow*> windows) {
  const char* dir = std::getenv("QV_SCREENSHOT_DIR");
  wxRect area;
  for (wxWindow* w : windows) area = area.IsEmpty() ? w->GetRect() : area.Union(w->GetRect());
  area.Inflate(8);
  area.y -= 28;
  area.height += 28;
  area.Intersect(wxRect(wxPoint(0, 0), wxGetDisplaySize()));
  std::string command = "import -window root -crop " + std::to_string(area.width) + "x" +
                        std::to_string(area.height) + "+" + std::to_string(area.x) + "+" +
                        std::to_string(area.y) + " +repage '" + (dir ? dir : ".") + "/" + name +
                        "'";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
}

// A real file for a picture, size bytes (sparse, nothing is written) at
// name below folder, its folders made: the status bar then shows the
// figures of a real CD. Its path.
inline std::string PicturedFile(const std::string& folder, const std::string& name,
                                std::uintmax_t size) {
  const std::filesystem::path path = std::filesystem::path(folder) / name;
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path).close();
  std::filesystem::resize_file(path, size);
  return path.string();
}
