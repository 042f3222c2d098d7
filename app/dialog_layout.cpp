#include "app/dialog_layout.h"

#include <algorithm>
#include <map>

#include <wx/window.h>

int PlaceDialogItems(std::vector<TDialogItem> items) {
  // Growth of each row, keyed by its top in the unconverted layout.
  std::map<int, int> rowGrowth;
  for (TDialogItem& item : items) {
    wxSize best = item.Control->GetBestSize();
    int grow = std::max(0, best.y - item.Place.height);
    rowGrowth[item.Place.y] = std::max(rowGrowth[item.Place.y], grow);
  }
  int total = 0;
  std::map<int, int> shiftOfRow;
  for (auto& [top, grow] : rowGrowth) {
    shiftOfRow[top] = total;
    total += grow;
  }
  for (TDialogItem& item : items) {
    wxRect r = item.Place;
    wxSize best = item.Control->GetBestSize();
    r.height = std::max(r.height, best.y);
    r.y += shiftOfRow[item.Place.y];
    if (item.BestWidth && best.x > r.width) {
      r.x -= (best.x - r.width) / 2;
      r.width = best.x;
    }
    item.Control->SetSize(r);
  }
  return total;
}

wxRect DialogUnitsToPixels(wxWindow* w, const wxRect& units) {
  return wxRect(w->ConvertDialogToPixels(units.GetPosition()),
                w->ConvertDialogToPixels(units.GetSize()));
}
