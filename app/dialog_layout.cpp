#include "app/dialog_layout.h"

#include <algorithm>
#include <vector>

#include <wx/window.h>

int PlaceDialogItems(std::vector<TDialogItem> items) {
  std::stable_sort(items.begin(), items.end(), [](const TDialogItem& a, const TDialogItem& b) {
    return a.Place.y < b.Place.y;
  });
  struct TPlaced {
    int OldBottom, NewBottom;
  };
  std::vector<TPlaced> placed;
  int growth = 0;
  for (const TDialogItem& item : items) {
    wxRect r = item.Place;
    const int oldBottom = r.y + r.height;
    int shift = 0;
    for (const TPlaced& p : placed)
      if (p.OldBottom <= r.y) shift = std::max(shift, p.NewBottom - p.OldBottom);
    r.y += shift;
    wxSize best = item.Control->GetBestSize();
    if (item.BestHeight) r.height = std::max(r.height, best.y);
    if (item.BestWidth && best.x > r.width) {
      r.x -= (best.x - r.width) / 2;
      r.width = best.x;
    }
    item.Control->SetSize(r);
    placed.push_back({oldBottom, r.y + r.height});
    growth = std::max(growth, r.y + r.height - oldBottom);
  }
  return growth;
}

wxRect DialogUnitsToPixels(wxWindow* w, const wxRect& units) {
  return wxRect(w->ConvertDialogToPixels(units.GetPosition()),
                w->ConvertDialogToPixels(units.GetSize()));
}
