// One image build as a state machine of short steps: scan the entries,
// count the tree, choose the layout, ask for the file, then write the boot
// sector, the FATs, the root directory, every directory and file, and the
// free clusters. No step holds its caller long: a large file is copied over
// several. Whoever shows the build calls Step() whenever it is idle
// and Cancel() for the user's button; everything the user sees or answers
// goes through the host.
#pragma once

#include <cstdint>
#include <string>

#include "image/build_host.h"
#include "image/build_state.h"
#include "image/stepped_work.h"

class TEntryList;

struct TBuildOptions {
  // Write to a temporary file beside the chosen name and rename it over that
  // name only once the image is complete; a stopped build leaves nothing
  // under the chosen name.
  bool WriteViaTemporary = false;
  // With WriteViaTemporary: a file found under the chosen name at the end
  // is replaced, once the new image has reached the disk. Without it, a
  // file that appeared there meanwhile is left alone and the build stops.
  bool ReplaceExisting = false;
  // The window program: with WriteViaTemporary, a file that was under the
  // name when the user chose it (the save prompt asked about replacing it)
  // is replaced; one that appeared later is not.
  bool ReplaceChosenFile = false;
  // Zeros after the tail bring the file to whole CD blocks, beyond the
  // volume, so that a CD emulator serves its last bytes too.
  bool PadToCdBlocks = false;
};

class TImageBuild : public TSteppedWork {
 public:
  TImageBuild(const TEntryList& entries, TBuildHost& host, TBuildOptions options = {});
  ~TImageBuild() override;

  // Once the dialog exists: caption "Initializing Image", button "Cancel",
  // gauge 0, and the build state started on the entry list.
  void Start() override;
  // One step of the current stage; nothing once the build is idle.
  void Step() override;

  // True when the free space of the folder of path can take the image;
  // else shows the message and returns false.
  bool CheckFreeSpace(const std::string& path);

  TBuildStage Stage() const { return S.State; }
  const TBuildState& State() const { return S; }

 private:
  void StepScan();
  void StepCount();
  void StepOpen();
  void StepFats();
  void StepRootDir();
  void StepData();
  void StepFinish();
  void Finish();
  bool AfterWalk();  // layout, statistics, file name; false when it ended
  // Releases the tree and the open files (the image stays on disk, but a
  // temporary one goes).
  void Release() override;
  void FileFailed();

  const TEntryList& Entries;
  TBuildOptions Options;
  TBuildState S;
  std::string WritePath;  // the file being written (a temporary one, maybe)
};
