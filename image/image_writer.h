// The writing pass: the root directory area, then every directory and file
// of the tree in walk order, one node per step.
#pragma once

#include "image/build_state.h"

class TBuildHost;

enum TWriteResult {
  WriteNode = 0,       // one node written
  WriteUp = 1,         // a directory finished
  WriteDone = 2,       // the whole tree written
  WriteCancelled = 3,  // the user chose Cancel at a source that won't open
  WriteFailed = 4,     // the image or a source failed; the message was shown
};

// Appends one zero sector of the root directory area.
bool WriteRootSector(TBuildState& state);

// Writes the node at the walk position: its record into its parent's slot,
// its clusters at the end of the image, its chain into both FATs.
int WriteStep(TBuildState& state, TBuildHost& host);
