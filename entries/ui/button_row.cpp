#include "entries/ui/button_row.h"

#include <algorithm>
#include <climits>

#include <wx/window.h>

int FitButtonRow(std::vector<TRowButton>& row, int gap) {
  int leftEnd = INT_MIN;  // right edge of the last left button, plus the gap
  for (TRowButton& b : row) {
    int best = b.Button->GetBestSize().x;
    if (b.RightAligned) {
      int right = b.Place.x + b.Place.width;
      b.Place.width = std::max(b.Place.width, best);
      b.Place.x = right - b.Place.width;
      continue;
    }
    b.Place.width = std::max(b.Place.width, best);
    b.Place.x = std::max(b.Place.x, leftEnd);
    leftEnd = b.Place.x + b.Place.width + gap;
  }
  // Right buttons, from the right: each stays clear of its right neighbour.
  int rightStart = INT_MAX;
  for (auto it = row.rbegin(); it != row.rend(); ++it) {
    if (!it->RightAligned) continue;
    if (rightStart != INT_MAX) it->Place.x = std::min(it->Place.x, rightStart - gap - it->Place.width);
    rightStart = it->Place.x;
  }
  int widen = rightStart == INT_MAX ? 0 : std::max(0, leftEnd - rightStart);
  for (TRowButton& b : row)
    if (b.RightAligned) b.Place.x += widen;
  return widen;
}
