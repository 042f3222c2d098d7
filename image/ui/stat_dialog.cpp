#include "image/ui/stat_dialog.h"

#include <algorithm>
#include <vector>

#include <wx/button.h>
#include <wx/stattext.h>

#include "app/command_ids.h"
#include "app/dialog_layout.h"

namespace {
// Dialog 240, in dialog units, with a row more for the line saying which
// CD-R the image fits: it runs under the figures, as wide as the dialog,
// in as many lines as it takes.
const wxSize DialogUnits(124, 86);
constexpr int RowTop = 4, RowStep = 10, RowHeight = 8;
constexpr int LabelLeft = 4, LabelWidth = 68;
constexpr int ValueLeft = 74, ValueWidth = 46;
const wxRect OkUnits(22, 68, 38, 14);
const wxRect CancelUnits(64, 68, 38, 14);
}  // namespace

TStatDialog::TStatDialog(wxWindow* parent, const TStatistics& stats)
    : wxDialog(parent, IdStatDialog, "Some Statistics", wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX) {
  const auto table = StatisticsTable(stats);
  auto px = [this](int x, int y) { return ConvertDialogToPixels(wxPoint(x, y)); };

  std::vector<wxStaticText*> labels;
  int labelWidth = px(LabelWidth, 0).x;
  int valueWidth = px(ValueWidth, 0).x;
  for (int i = 0; i < Rows; ++i) {
    auto* label = new wxStaticText(this, wxID_ANY, wxString());
    label->SetLabelText(table[i].first);
    labels.push_back(label);
    Values[i] = new wxStaticText(this, IdStatDialog + 1 + i, wxString::Format("%d", table[i].second),
                                 wxDefaultPosition, wxDefaultSize,
                                 wxALIGN_RIGHT | wxST_NO_AUTORESIZE);
    labelWidth = std::max(labelWidth, label->GetBestSize().x);
    valueWidth = std::max(valueWidth, Values[i]->GetBestSize().x);
  }
  // A wider system font may need more than the units give: the columns
  // widen instead of clipping.
  int labelLeft = px(LabelLeft, 0).x;
  int gap = px(ValueLeft - LabelLeft - LabelWidth, 0).x;
  int valueLeft = labelLeft + labelWidth + gap;
  int width = std::max(px(DialogUnits.x, 0).x, valueLeft + valueWidth + labelLeft);
  Fit = new wxStaticText(this, IdStatDialog + 1 + Rows, wxString());
  Fit->SetLabelText(CdFitText(stats.ImageSize));
  Fit->Wrap(width - 2 * labelLeft);

  std::vector<TDialogItem> items;
  for (int i = 0; i < Rows; ++i) {
    int top = px(0, RowTop + i * RowStep).y;
    int height = px(0, RowHeight).y;
    items.push_back({labels[i], wxRect(labelLeft, top, labelWidth, height)});
    items.push_back({Values[i], wxRect(valueLeft, top, valueWidth, height)});
  }
  items.push_back({Fit, wxRect(labelLeft, px(0, RowTop + Rows * RowStep).y,
                               width - 2 * labelLeft, px(0, RowHeight).y)});
  auto* ok = new wxButton(this, wxID_OK, "OK");
  auto* cancel = new wxButton(this, wxID_CANCEL, "Cancel");
  // The two buttons share one width, at least their best, and stay centred
  // with the gap the units give.
  wxRect okPlace(ConvertDialogToPixels(OkUnits.GetPosition()),
                 ConvertDialogToPixels(OkUnits.GetSize()));
  int buttonWidth = std::max({okPlace.width, ok->GetBestSize().x, cancel->GetBestSize().x});
  int buttonGap = px(CancelUnits.x - OkUnits.x - OkUnits.width, 0).x;
  okPlace.width = buttonWidth;
  okPlace.x = (width - 2 * buttonWidth - buttonGap) / 2;
  wxRect cancelPlace = okPlace;
  cancelPlace.x += buttonWidth + buttonGap;
  items.push_back({ok, okPlace});
  items.push_back({cancel, cancelPlace});
  int extra = PlaceDialogItems(items);
  ok->SetDefault();
  ok->SetFocus();
  SetClientSize(width, px(0, DialogUnits.y).y + extra);
  CentreOnParent();
}

wxString TStatDialog::FitText() const {
  wxString text = Fit->GetLabelText();
  text.Replace("\n", " ");  // as it was before it was wrapped
  return text;
}

wxString TStatDialog::ValueText(int row) const {
  return row >= 0 && row < Rows ? Values[row]->GetLabel() : wxString();
}
