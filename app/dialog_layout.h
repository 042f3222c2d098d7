// Dialogs are drawn in dialog units; GTK controls are often taller than a
// unit rectangle allows. This places them so that none is smaller than its
// best height and none overlaps the row below.
#pragma once

#include <vector>

#include <wx/gdicmn.h>

class wxWindow;

// A rectangle of a dialog's template, in dialog units, in pixels of w's
// default font.
wxRect DialogUnitsToPixels(wxWindow* w, const wxRect& units);

struct TDialogItem {
  wxWindow* Control;
  wxRect Place;             // pixels, converted from the dialog units
  bool BestWidth = false;   // grows to its best width, keeping its centre
  bool BestHeight = true;   // grows to its best height (a picture keeps its place)
};

// Places every item. A control grows to its best height; an item moves
// down by the most that the items ending above its top have moved their
// bottoms, so a control beside a taller one stays where it was.
// Returns the extra height the dialog needs at its bottom.
int PlaceDialogItems(std::vector<TDialogItem> items);
