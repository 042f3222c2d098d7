// The scan that hangs each entry into the image tree, and the measuring
// pass that counts the clusters the tree needs.
#pragma once

#include "platform/file_system.h"

#include "image/build_state.h"

class TBuildHost;
class TEntryList;

// Checks entry i's real file and adds it to the tree, creating the
// directories of its image path on the way. 0: go on with the next entry
// (added, or skipped at the user's choice); 1: stop the build.
int ScanEntry(TBuildState& state, TBuildHost& host, const TEntryList& entries, long i);

// Measures the node at the walk position. 0: one node counted; 1: a
// directory finished; 2: the whole tree counted; 3: the user cancelled.
int CountStep(TBuildState& state, TBuildHost& host);

// Opens a source file for reading, asking Retry or Cancel while it cannot
// be opened. Returns the open file, or NoFile when the user cancelled. With
// size, also makes sure it is a regular file and tells its size.
TFileHandle OpenSource(TBuildHost& host, const std::string& path, int64_t* size = nullptr);
