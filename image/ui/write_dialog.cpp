#include "image/ui/write_dialog.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/filedlg.h>
#include <wx/filename.h>

#include "app/command_ids.h"
#include "app/dialog_layout.h"
#include "app/file_dialog.h"
#include "app/message_box.h"
#include "app/text_convert.h"
#include "image/build_driver.h"
#include "image/build_messages.h"
#include "image/free_space.h"
#include "image/image_unpack.h"
#include "image/ui/gauge_control.h"
#include "image/ui/stat_dialog.h"
#include "image/ui/status_line.h"

namespace {
// Dialog 230, in dialog units.
const wxSize DialogUnits(168, 50);
const wxRect StatusUnits(4, 4, 160, 8);
const wxRect GaugeUnits(4, 16, 160, 12);
const wxRect ButtonUnits(66, 32, 36, 14);
const wxColour GaugeBarColour(0, 0, 128);
}  // namespace

TWriteDialog::TWriteDialog(wxWindow* parent, const TEntryList& entries,
                           TFileDialogData& saveData, const wxFont& font)
    : wxDialog(parent, IdWriteDialog, wxString(), wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX),
      SaveData(&saveData) {
  TBuildOptions options;
  // The image is written beside the chosen name and renamed into place once
  // complete: Cancel or a failed write leaves nothing that looks like an
  // image under the name, and a file the user chose to replace whole.
  options.WriteViaTemporary = true;
  options.ReplaceChosenFile = true;
  auto build = std::make_unique<TImageBuild>(entries, *this, options);
  Builder = build.get();
  Engine = std::move(build);
  MakeControls(font);
}

TWriteDialog::TWriteDialog(wxWindow* parent, const std::string& imagePath,
                           const std::string& folder, const wxFont& font)
    : wxDialog(parent, IdWriteDialog, wxString(), wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX) {
  auto unpack = std::make_unique<TImageUnpack>(imagePath, folder, *this);
  Unpacker = unpack.get();
  Engine = std::move(unpack);
  MakeControls(font);
}

TWriteDialog::TWriteDialog(wxWindow* parent, const TMakeWork& make, const wxFont& font)
    : wxDialog(parent, IdWriteDialog, wxString(), wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX),
      Engine(make(*this)) {
  MakeControls(font);
}

void TWriteDialog::MakeControls(const wxFont& font) {
  StatusText = new TStatusLine(this, IdStatusText, font);
  Gauge = new TMyGauge(this, IdGauge, font);
  CancelButton = new wxButton(this, IdCancelButton, "Cancel");

  int extra = PlaceDialogItems({{StatusText, DialogUnitsToPixels(this, StatusUnits)},
                                {Gauge, DialogUnitsToPixels(this, GaugeUnits)},
                                {CancelButton, DialogUnitsToPixels(this, ButtonUnits), true}});
  wxSize client = ConvertDialogToPixels(DialogUnits);
  SetClientSize(client.x, client.y + extra);
  CentreOnParent();

  SetEscapeId(IdCancelButton);
  CancelButton->SetDefault();
  Bind(wxEVT_INIT_DIALOG, &TWriteDialog::OnInitDialog, this);
  Bind(wxEVT_BUTTON, &TWriteDialog::OnCancel, this, IdCancelButton);
  Bind(wxEVT_CLOSE_WINDOW, &TWriteDialog::OnClose, this);

  // The frame is disabled while the work runs: its tool bar and menu need
  // no enabling pass at every idle notice, which would cost every step.
  SavedUpdateInterval = wxUpdateUIEvent::GetUpdateInterval();
  wxUpdateUIEvent::SetUpdateInterval(-1);
}

TWriteDialog::~TWriteDialog() { wxUpdateUIEvent::SetUpdateInterval(SavedUpdateInterval); }

void TWriteDialog::OnInitDialog(wxInitDialogEvent& event) {
  event.Skip();
  if (StartQueued) return;
  StartQueued = true;
  Gauge->SetBarColour(GaugeBarColour);
  // The work starts inside the dialog's modal loop: while the dialog is
  // being shown it counts as modal already, but ending it then (an image
  // that cannot be read ends the unpacking at once) would leave the loop
  // that follows running for ever, the dialog hidden.
  CallAfter([this] {
    Started = true;
    Engine->Start();
    wxWakeUpIdle();  // the first step's idle notice
  });
}

bool TWriteDialog::StepOnce() {
  if (InStep || !Started) return false;
  if (PendingEnd >= 0) {
    Finish(PendingEnd);
    return false;
  }
  if (!Engine->Running()) return false;
  InStep = true;
  ++Steps;
  Engine->Step();
  InStep = false;
  if (CancelPending) {
    CancelPending = false;
    CancelBuild();
  }
  return Engine->Running();
}

void TWriteDialog::OnCancel(wxCommandEvent&) { CancelBuild(); }

void TWriteDialog::OnClose(wxCloseEvent&) { CancelBuild(); }

void TWriteDialog::CancelBuild() {
  // Input waits for the end of the step that is running.
  if (InStep) {
    CancelPending = true;
    return;
  }
  // A work that cannot stop yet ends itself once it can (EndBuild).
  Engine->Cancel();
  if (!Engine->Running()) Finish(BuildEndStopped);
}

void TWriteDialog::Finish(int code) {
  if (IsModal())
    EndModal(code);
  else
    PendingEnd = code;
}

void TWriteDialog::EndBuild(TBuildEnd end) { Finish(static_cast<int>(end)); }

void TWriteDialog::SetCaption(const std::string& caption) { SetTitle(ToWx(caption)); }

void TWriteDialog::SetStatusText(const std::string& text) {
  if (text == ShownStatus) return;
  ShownStatus = text;
  StatusText->SetText(ToWx(text));
}

bool TWriteDialog::StatusFits(const std::string& text) { return StatusText->Fits(text); }

void TWriteDialog::SetGauge(int percent) { Gauge->SetValue(percent); }

void TWriteDialog::PaintNow() { Gauge->PaintNow(); }

void TWriteDialog::SetButtonText(const std::string& text) {
  CancelButton->SetLabel(ToWx(text));
}

TAnswer TWriteDialog::Answer(const TQuestion& question) {
  const TAnswer answer = ShowMessageBox(this, ToWx(QuestionText(question)),
                                        QuestionCaption(question.Kind),
                                        QuestionButtons(question.Kind));
  PaintAfterPrompt();
  return answer;
}

void TWriteDialog::PaintAfterPrompt() {
  // The step that asked goes on at once, and its work may be long (a file
  // made on a slow disk, a large copy): the dialog the prompt covered is
  // painted first, not when the display's next frame finds time for it.
  Refresh();
  Update();
}

bool TWriteDialog::ConfirmStatistics(const TStatistics& stats) {
  TStatDialog dialog(this, stats);
  return dialog.ShowModal() == wxID_OK;
}

bool TWriteDialog::AskSaveName(std::string& name) {
  if (!SaveData) return false;
  SaveData->FileName = ToWx(name);
  const auto asked = std::chrono::steady_clock::now();
  const bool chosen = RunSaveDialog(this, *SaveData);
  PromptTime += std::chrono::steady_clock::now() - asked;
  if (!chosen) return false;
  PaintAfterPrompt();
  name = FromWx(SaveData->FileName);
  return true;
}

bool TWriteDialog::RunSaveDialog(wxWindow* parent, TFileDialogData& data) {
  for (;;) {
    if (!RunFileDialog(parent, "Save Image", data)) return false;
    wxFileName chosen(data.FileName);
    if (chosen.HasExt() || data.DefaultExt.empty()) {
      data.FileName = chosen.GetFullPath();
      return true;
    }
    // The default extension is added after the dialog asked about replacing
    // the name as typed, so a file of the completed name is asked about here.
    chosen.SetExt(data.DefaultExt.Lower());
    if (chosen.FileExists() &&
        ShowMessageBox(parent, chosen.GetFullPath() + " already exists.\nDo you want to replace it?",
                       "Save Image", TButtons::YesNo) != TAnswer::Yes) {
      data.FileName = "*." + data.DefaultExt.Lower();
      continue;
    }
    data.FileName = chosen.GetFullPath();
    return true;
  }
}

bool TWriteDialog::QueryFreeSpace(const std::string& folder, uint64_t& freeUnits,
                                  uint64_t& unitSize) {
  return FolderFreeSpace(folder, freeUnits, unitSize);
}
