#include "image/build_state.h"

#include "platform/file_system.h"

int32_t FailedEntry = 0;
std::array<int32_t, MaxWalkDepth> WalkIndex{};

TBuildState::TBuildState() {
  PresetBootSector(BootSector);
  PresetDirRecord(DirRecord);
}

TBuildState::~TBuildState() { Release(); }

void TBuildState::Begin(int32_t entryCount) {
  State = TBuildStage::Scan;
  EntryCount = entryCount;
  ItemCount = 0;
  StepIndex = 0;
  Root = std::make_unique<TChildArray>();
  for (int i = 0; i < CandidateCount; ++i)
    ClusterSizes[i] = static_cast<int32_t>(BootBytesPerSector(BootSector)) << i;
}

void TBuildState::Release() {
  if (Copy.Source != NoFile) CloseFile(Copy.Source);
  Copy = TFileCopy();
  Root.reset();
  if (ImageFile.IsOpen()) ImageFile.Close();
}
