// The build dialog: caption, status line, gauge and one button, showing an
// image build, the unpacking of an image into a folder, a copy onto an SD
// card or a burn, that the list window drives one step per idle notice.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include <wx/dialog.h>

#include "image/build_host.h"

class TEntryList;
class TImageBuild;
class TImageUnpack;
class TSteppedWork;
class TMyGauge;
struct TFileDialogData;
class wxButton;
class TStatusLine;

// How a build dialog ends.
constexpr int BuildEndStopped = 2;      // every stop, error, Cancel and Ok
constexpr int BuildEndFailedEntry = 3;  // the scan stopped at FailedEntry
// The dialog's one button: "Cancel" while building, "Ok" when done.
constexpr int IdCancelButton = 2;

class TWriteDialog : public wxDialog, public TBuildHost {
 public:
  // Builds entries over parent; the save prompt keeps its settings in
  // saveData, the status line and gauge draw in font.
  TWriteDialog(wxWindow* parent, const TEntryList& entries, TFileDialogData& saveData,
               const wxFont& font);
  // Unpacks the image at imagePath into folder (made when new).
  TWriteDialog(wxWindow* parent, const std::string& imagePath, const std::string& folder,
               const wxFont& font);
  // Shows the work that make gives with this dialog as its host.
  using TMakeWork = std::function<std::unique_ptr<TSteppedWork>(TBuildHost& host)>;
  TWriteDialog(wxWindow* parent, const TMakeWork& make, const wxFont& font);
  ~TWriteDialog() override;

  // One build step, unless a step is already running (a message box that a
  // step opened runs its own loop). True when the build wants more steps.
  bool StepOnce();
  bool Stepping() const { return InStep; }
  // Steps run so far, and how long the save prompt was up, from its making
  // to its end (for measuring the window's cost per step: the prompt is the
  // desktop's dialog and a person's time).
  long StepsRun() const { return Steps; }
  std::chrono::steady_clock::duration SavePromptTime() const { return PromptTime; }
  // What the dialog shows; Build() only for a build, Unpack() only for
  // an unpacking.
  TSteppedWork& Work() { return *Engine; }
  TImageBuild& Build() { return *Builder; }
  TImageUnpack& Unpack() { return *Unpacker; }

  TStatusLine* StatusText = nullptr;
  TMyGauge* Gauge = nullptr;
  wxButton* CancelButton = nullptr;

  // The "Save Image" prompt over parent; data.FileName holds the proposal
  // and, on true, the chosen path with the default extension added.
  static bool RunSaveDialog(wxWindow* parent, TFileDialogData& data);

  // TBuildHost
  void SetCaption(const std::string& caption) override;
  void SetStatusText(const std::string& text) override;
  bool StatusFits(const std::string& text) override;
  void SetGauge(int percent) override;
  void PaintNow() override;
  void SetButtonText(const std::string& text) override;
  bool ConfirmStatistics(const TStatistics& stats) override;
  bool AskSaveName(std::string& name) override;
  bool QueryFreeSpace(const std::string& folder, uint64_t& freeUnits,
                      uint64_t& unitSize) override;
  void EndBuild(TBuildEnd end) override;

 protected:
  TAnswer Answer(const TQuestion& question) override;

 private:
  void OnInitDialog(wxInitDialogEvent& event);
  void OnCancel(wxCommandEvent& event);
  void OnClose(wxCloseEvent& event);
  void CancelBuild();
  void Finish(int code);
  void PaintAfterPrompt();
  void MakeControls(const wxFont& font);

  TFileDialogData* SaveData = nullptr;  // the save prompt's, for a build
  std::unique_ptr<TSteppedWork> Engine;
  TImageBuild* Builder = nullptr;
  TImageUnpack* Unpacker = nullptr;
  bool InStep = false;
  long Steps = 0;
  std::chrono::steady_clock::duration PromptTime{};
  bool StartQueued = false;
  bool Started = false;
  bool CancelPending = false;
  int PendingEnd = -1;  // an ending that came while the dialog was not modal
  long SavedUpdateInterval = 0;
  std::string ShownStatus;
};
