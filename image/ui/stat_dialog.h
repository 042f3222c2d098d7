// "Some Statistics": the figures of the chosen layout and which CD-R the
// image fits, for OK or Cancel.
#pragma once

#include <wx/dialog.h>

#include "image/build_host.h"
#include "image/build_messages.h"

class wxStaticText;

class TStatDialog : public wxDialog {
 public:
  static constexpr int Rows = StatisticsRows;

  TStatDialog(wxWindow* parent, const TStatistics& stats);

  // The shown value of row i (0 = "Directories & files:").
  wxString ValueText(int row) const;
  // The line under the figures: which CD-R the image fits.
  wxString FitText() const;

 private:
  wxStaticText* Values[Rows] = {};
  wxStaticText* Fit = nullptr;
};
