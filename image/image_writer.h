// The writing pass: the root directory area, then every directory and file
// of the tree in walk order, one node per step; a large file takes several.
#pragma once

#include "image/build_state.h"

class TBuildHost;

enum class TWriteResult {
  Node,       // one node written
  Part,       // a piece of a large file written; the file goes on next step
  Up,         // a directory finished
  Done,       // the whole tree written
  Cancelled,  // the user chose Cancel at a source that won't open
  Failed,     // the image or a source failed; the message was shown
};

// Appends one zero sector of the root directory area.
bool WriteRootSector(TBuildState& state);

// Writes the node at the walk position: its record into its parent's slot,
// its clusters at the end of the image, its chain into both FATs. A large
// file is copied over several steps (Part until its last piece).
TWriteResult WriteStep(TBuildState& state, TBuildHost& host);
