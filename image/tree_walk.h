// The depth-first walk that the measuring and the writing pass share: one
// node per step, the position kept in Depth and WalkIndex between steps.
#pragma once

#include <string>

#include "image/build_state.h"

enum class TWalkResult {
  Node,  // a node to handle
  Up,    // a directory finished: the position moved up
  Done,  // the whole tree walked
};

// Rewinds the walk to the first node of the root.
void WalkStart(TBuildState& state);
// The array at the walk position, re-walked from the root.
TChildArray& WalkArray(const TBuildState& state);
// Node with *node set, or Up / Done when the level is finished (no node is
// handled in this step then).
TWalkResult WalkNext(TBuildState& state, TImageInfo** node);
// Moves past a handled node: on to its sibling, or into a directory
// (skipping its "." and "..").
void WalkPast(TBuildState& state, const TImageInfo& node);
// The image path of the node at the walk position, as \A\B\C.TXT.
std::string NodePathText(const TBuildState& state);
