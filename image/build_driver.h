// One image build as a state machine of short steps: scan the entries,
// count the tree, choose the layout, ask for the file, then write the boot
// sector, the FATs, the root directory, every directory and file, and the
// free clusters. Whoever shows the build calls Step() whenever it is idle
// and Cancel() for the user's button; everything the user sees or answers
// goes through the host.
#pragma once

#include <cstdint>
#include <string>

#include "image/build_state.h"

class TBuildHost;
class TEntryList;

struct TBuildOptions {
  // Write to a temporary file beside the chosen name and rename it over that
  // name only once the image is complete; a stopped build leaves nothing
  // under the chosen name. The window program writes the file directly.
  bool WriteViaTemporary = false;
};

class TImageBuild {
 public:
  TImageBuild(const TEntryList& entries, TBuildHost& host, TBuildOptions options = {});
  ~TImageBuild();
  TImageBuild(const TImageBuild&) = delete;
  TImageBuild& operator=(const TImageBuild&) = delete;

  // Once the dialog exists: caption "Initializing Image", button "Cancel",
  // gauge 0, and the build state started on the entry list.
  void Start();
  // One step of the current stage; nothing once the build is idle.
  void Step();
  // The button (Cancel, later Ok), Esc or the close box: releases the tree,
  // the buffer and the file (which stays on disk) and ends with code 2.
  void Cancel();

  // 0 when the free space of the folder of path can take the image; else
  // shows the message and returns 1.
  int CheckFreeSpace(const std::string& path);

  int32_t Stage() const { return S.State; }
  // The image is complete and "Done" is showing.
  bool Done() const { return Completed; }
  // The code the build ended with, or -1 while it has not ended.
  int EndCode() const { return Ended; }
  const TBuildState& State() const { return S; }

 private:
  void StepScan();
  void StepCount();
  void StepOpen();
  void StepFats();
  void StepRootDir();
  void StepData();
  void StepFinish();
  bool AfterWalk();  // layout, statistics, file name; false when it ended
  void Gauge(int percent);
  void End(int code);
  void FileFailed();

  const TEntryList& Entries;
  TBuildHost& Host;
  TBuildOptions Options;
  TBuildState S;
  std::string WritePath;  // the file being written (a temporary one, maybe)
  int GaugeValue = 0;
  bool Completed = false;
  int Ended = -1;
};
