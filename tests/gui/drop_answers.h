// Drops onto the list without a person at the destination dialog: the
// hook types the destination and presses OK through the dialog's own check.
#pragma once

#include <string>

#include "entries/ui/drop_dialog.h"
#include "entries/ui/drop_target.h"
#include "gui_fixture.h"

class TDropAnswers : public TDialogAnswers {
 public:
  std::string Destination;

 protected:
  int Enter(wxDialog* dialog) override {
    if (auto* dest = dynamic_cast<TDropDestDialog*>(dialog)) {
      dest->DestEdit->ChangeValue(ToWx(Destination));
      return dest->Accept() ? wxID_OK : wxID_CANCEL;
    }
    return TDialogAnswers::Enter(dialog);
  }
};
