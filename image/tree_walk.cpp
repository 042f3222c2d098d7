#include "image/tree_walk.h"

void WalkStart(TBuildState& s) {
  s.Depth = 0;
  WalkIndex[0] = 0;
}

TChildArray& WalkArray(const TBuildState& s) {
  TChildArray* array = s.Root.get();
  for (int d = 0; d < s.Depth; ++d) array = (*array)[WalkIndex[d]].Children.get();
  return *array;
}

TWalkResult WalkNext(TBuildState& s, TImageInfo** node) {
  TChildArray& array = WalkArray(s);
  if (static_cast<std::size_t>(WalkIndex[s.Depth]) >= array.Count()) {
    if (s.Depth == 0) return TWalkResult::Done;
    --s.Depth;
    ++WalkIndex[s.Depth];
    return TWalkResult::Up;
  }
  *node = &array[WalkIndex[s.Depth]];
  return TWalkResult::Node;
}

void WalkPast(TBuildState& s, const TImageInfo& node) {
  if (node.IsDirectory()) {
    ++s.Depth;
    WalkIndex[s.Depth] = 2;
  } else {
    ++WalkIndex[s.Depth];
  }
}

std::string NodePathText(const TBuildState& s) {
  std::string text;
  const TChildArray* array = s.Root.get();
  for (int d = 0; d <= s.Depth && array; ++d) {
    const TImageInfo& node = (*array)[WalkIndex[d]];
    text += '\\';
    text += node.TrimmedName();
    std::string ext = node.TrimmedExt();
    if (!ext.empty()) text += '.' + ext;
    array = node.Children.get();
  }
  return text;
}
