// The row of push buttons at the bottom of the entry dialogs. GTK buttons
// are often wider than their dialog units: the left ones keep their order
// from the left edge, the right ones keep the right edge, and the dialog
// widens rather than let two of them overlap.
#pragma once

#include <vector>

#include <wx/gdicmn.h>

class wxWindow;

struct TRowButton {
  wxWindow* Button;
  wxRect Place;  // pixels, converted from the dialog units
  bool RightAligned = false;
};

// Widens each button to at least its best width and moves it as above.
// Returns how much wider the dialog must become.
int FitButtonRow(std::vector<TRowButton>& row, int gap);
