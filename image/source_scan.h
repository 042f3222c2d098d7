// The scan that hangs each entry into the image tree, and the measuring
// pass that counts the clusters the tree needs.
#pragma once

#include "platform/file_system.h"

#include "image/build_state.h"

class TBuildHost;
class TEntryList;

enum class TScanResult {
  Next,       // go on with the next entry (added, or skipped at the user's choice)
  Stop,       // stop the build at this entry
  Cancelled,  // the user cancelled at a source that won't open
};
// Checks entry i's real file and adds it to the tree, creating the
// directories of its image path on the way; a file keeps the size found.
TScanResult ScanEntry(TBuildState& state, TBuildHost& host, const TEntryList& entries, long i);

enum class TCountResult {
  Node,  // one node counted
  Up,    // a directory finished
  Done,  // the whole tree counted
};
// Counts the clusters of the node at the walk position, from the size the
// scan found: the file itself is not looked at again.
TCountResult CountStep(TBuildState& state, TBuildHost& host);

// Opens a source file for reading, asking Retry or Cancel while it cannot
// be opened. Returns the open file, or NoFile when the user cancelled. With
// size, also makes sure it is a regular file and tells its size.
TFileHandle OpenSource(TBuildHost& host, const std::string& path, int64_t* size = nullptr);
