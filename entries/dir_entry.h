// One line of the entry list and the sorted list itself.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "entries/is_array.h"

// Where a file goes inside the image and which file on disk supplies it.
struct TDirEntry {
  TDirEntry(std::string imagePath, std::string realPath)
      : ImagePath(std::move(imagePath)), RealPath(std::move(realPath)) {}
  std::string ImagePath;  // normalised image path, the sort key
  std::string RealPath;   // POSIX path of the source file or directory
};

// Byte order of image paths: unsigned, case-sensitive, a prefix first.
// std::string::compare uses char_traits<char>::compare, which compares as
// unsigned char, so "\" (0x5C) falls between upper and lower case letters.
struct TDirEntryLess {
  bool operator()(const TDirEntry& a, const TDirEntry& b) const {
    return a.ImagePath.compare(b.ImagePath) < 0;
  }
};

// The list starts with room for 8 lines and grows by 8.
class TEntryList : public TISArrayAsVector<TDirEntry, TDirEntryLess> {
 public:
  static constexpr std::size_t InitialCapacity = 8;
  static constexpr std::size_t GrowBy = 8;
  TEntryList() : TISArrayAsVector(InitialCapacity, GrowBy) {}

  long Add(std::string imagePath, std::string realPath) {
    return TISArrayAsVector::Add(
        std::make_unique<TDirEntry>(std::move(imagePath), std::move(realPath)));
  }
  using TISArrayAsVector::Add;

  // No text (null) for an index out of range.
  const std::string* ImagePathAt(long i) const {
    return InRange(i) ? &(*this)[static_cast<std::size_t>(i)].ImagePath : nullptr;
  }
  const std::string* RealPathAt(long i) const {
    return InRange(i) ? &(*this)[static_cast<std::size_t>(i)].RealPath : nullptr;
  }
  // The first line whose image path does not sort before text: the lines
  // beginning with text follow it together.
  std::size_t LowerBound(std::string_view text) const {
    std::size_t low = 0, high = Count();
    while (low < high) {
      std::size_t mid = low + (high - low) / 2;
      if (std::string_view((*this)[mid].ImagePath).compare(text) < 0)
        low = mid + 1;
      else
        high = mid;
    }
    return low;
  }

 private:
  bool InRange(long i) const { return i >= 0 && static_cast<std::size_t>(i) < Count(); }
};
