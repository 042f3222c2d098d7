// The scan that hangs each entry into the image tree, and the measuring
// pass that counts the clusters the tree needs.
#pragma once

#include "platform/file_system.h"

#include "image/build_state.h"

class TBuildHost;
class TEntryList;

// What became of an entry hung into the tree: added, or why not.
enum class THangResult {
  Added,
  TooDeep,          // more directories on its way than the walk has levels
  DirectoryIsFile,  // a directory of its path is a file of the tree
  NameClash,        // its name is in its directory already
  DirectoryFull,    // its directory holds the most records FAT takes
  NoMemory,
};
struct THang {
  THangResult Result = THangResult::Added;
  // DirectoryIsFile and DirectoryFull: the length of the part of the image
  // path that names the directory.
  std::size_t PathEnd = 0;
  TImageInfo* Node = nullptr;  // Added: the entry's node
};
// Adds the entry with imagePath, a directory or the file realPath, to the
// tree, creating the directories of its path on the way. The build and the
// window's estimate of the image both hang entries so.
THang HangEntry(TBuildState& state, const std::string& imagePath, const std::string& realPath,
                bool directory);

enum class TScanResult {
  Next,       // go on with the next entry (added, or skipped at the user's choice)
  Stop,       // stop the build at this entry
  Cancelled,  // the user cancelled at a source that won't open
};
// Checks entry i's real file and adds it to the tree (HangEntry), asking
// about every entry that cannot go in; a file keeps the size found.
TScanResult ScanEntry(TBuildState& state, TBuildHost& host, const TEntryList& entries, long i);

enum class TCountResult {
  Node,  // one node counted
  Up,    // a directory finished
  Done,  // the whole tree counted
};
// Counts the clusters of the node at the walk position, from the size the
// scan found: the file itself is not looked at again.
TCountResult CountStep(TBuildState& state, TBuildHost& host);

// Counts the clusters of array's subtree at once, from the sizes its files
// hold in MeasuredSize: what the counting pass adds up a node a step.
void CountTree(TBuildState& state, const TChildArray& array);

// Opens a source file for reading, asking Retry or Cancel while it cannot
// be opened. Returns the open file, or NoFile when the user cancelled. With
// size, also makes sure it is a regular file and tells its size.
TFileHandle OpenSource(TBuildHost& host, const std::string& path, int64_t* size = nullptr);
