// The image tree: one node per directory and file of the image, plus the
// "." and ".." nodes of every subdirectory, in on-image name form.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "entries/is_array.h"

enum : uint8_t { KindDirectory = 0, KindFile = 1 };

struct TImageInfo;

// Child order: "." and ".." first, then directories before files, each by
// the 11 name bytes compared as unsigned values.
struct TImageInfoLess {
  bool operator()(const TImageInfo& a, const TImageInfo& b) const;
};

// A directory's children: starts with room for 16 and grows by 16.
class TChildArray : public TISArrayAsVector<TImageInfo, TImageInfoLess> {
 public:
  static constexpr std::size_t InitialCapacity = 16;
  static constexpr std::size_t GrowBy = 16;
  TChildArray() : TISArrayAsVector(InitialCapacity, GrowBy) {}
};

struct TImageInfo {
  // A directory other than "." and ".." gets a child array holding its own
  // "." and ".." nodes. A file keeps a copy of its real path.
  TImageInfo(std::string_view name, std::string_view ext, uint8_t kind,
             const std::string* sourcePath);

  std::array<char, 8> Name;  // base name, blank-padded, no terminator
  std::array<char, 3> Ext;   // extension without the dot, blank-padded
  uint8_t Kind;
  std::string SourcePath;               // files only
  std::unique_ptr<TChildArray> Children;  // directories other than dot nodes
  // A file's size as the scan found it; the layout is made for it and the
  // writer insists on it.
  int64_t MeasuredSize = -1;

  bool IsDot() const { return Name[0] == '.'; }
  bool IsDotDot() const { return Name[0] == '.' && Name[1] == '.'; }
  bool IsDirectory() const { return Kind == KindDirectory; }
  std::string TrimmedName() const;
  std::string TrimmedExt() const;
};

// Position of the child whose trimmed name and extension equal the texts
// (kind is not compared), or -1. Its kind goes to *kind when found.
long FindChild(const TChildArray& array, std::string_view name,
               std::string_view ext, uint8_t* kind);

// An image path \D1\...\Dn\NAME.EXT taken apart.
struct TImagePathParts {
  struct TComponent {
    std::string Name, Ext;
    std::size_t End;  // length of the path up to and including this component
  };
  std::vector<TComponent> Directories;
  std::string Name, Ext;  // the final component
};
TImagePathParts SplitImagePath(const std::string& imagePath);
