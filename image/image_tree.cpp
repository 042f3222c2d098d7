#include "image/image_tree.h"

#include <cstring>

namespace {
template <std::size_t N>
void Pack(std::array<char, N>& field, std::string_view text) {
  field.fill(' ');
  std::memcpy(field.data(), text.data(), text.size() < N ? text.size() : N);
}

template <std::size_t N>
std::string Trim(const std::array<char, N>& field) {
  std::size_t n = 0;
  while (n < N && field[n] != ' ') ++n;
  return std::string(field.data(), n);
}
}  // namespace

TImageInfo::TImageInfo(std::string_view name, std::string_view ext, uint8_t kind,
                       const std::string* sourcePath)
    : Kind(kind) {
  Pack(Name, name);
  Pack(Ext, ext);
  if (Kind == KindFile) {
    if (sourcePath) SourcePath = *sourcePath;
  } else if (!IsDot()) {
    Children = std::make_unique<TChildArray>();
    Children->Add(std::make_unique<TImageInfo>(".", "", KindDirectory, nullptr));
    Children->Add(std::make_unique<TImageInfo>("..", "", KindDirectory, nullptr));
  }
}

std::string TImageInfo::TrimmedName() const { return Trim(Name); }
std::string TImageInfo::TrimmedExt() const { return Trim(Ext); }

bool TImageInfoLess::operator()(const TImageInfo& a, const TImageInfo& b) const {
  if (a.IsDot() != b.IsDot()) return a.IsDot();
  if (a.Kind != b.Kind) return a.Kind < b.Kind;
  int c = std::memcmp(a.Name.data(), b.Name.data(), a.Name.size());
  if (c == 0) c = std::memcmp(a.Ext.data(), b.Ext.data(), a.Ext.size());
  return c < 0;  // memcmp compares as unsigned char
}

namespace {
// A name that packs into the 11 bytes without losing anything: the packed
// key then matches exactly where the trimmed texts would.
bool Packable(std::string_view name, std::string_view ext) {
  return !name.empty() && name.size() <= 8 && ext.size() <= 3 && name[0] != '.' &&
         name.find(' ') == std::string_view::npos && ext.find(' ') == std::string_view::npos;
}
}  // namespace

long FindChild(const TChildArray& array, std::string_view name, std::string_view ext,
               uint8_t* kind) {
  // Directories and files each lie sorted by their packed names, so a
  // lookup is two binary searches; a name no node can carry is looked for
  // the slow way.
  if (Packable(name, ext)) {
    for (uint8_t k : {KindDirectory, KindFile}) {
      TImageInfo key(name, ext, KindFile, nullptr);
      key.Kind = k;
      std::size_t lo = 0, hi = array.Count();
      TImageInfoLess less;
      while (lo < hi) {
        std::size_t mid = lo + (hi - lo) / 2;
        if (less(array[mid], key)) lo = mid + 1; else hi = mid;
      }
      if (lo < array.Count() && !less(key, array[lo])) {
        if (kind) *kind = k;
        return static_cast<long>(lo);
      }
    }
    return -1;
  }
  for (std::size_t i = 0; i < array.Count(); ++i) {
    const TImageInfo& node = array[i];
    if (node.TrimmedName() == name && node.TrimmedExt() == ext) {
      if (kind) *kind = node.Kind;
      return static_cast<long>(i);
    }
  }
  return -1;
}

TImagePathParts SplitImagePath(const std::string& path) {
  TImagePathParts parts;
  std::size_t last = path.rfind('\\');
  std::size_t start = (!path.empty() && path[0] == '\\') ? 1 : 0;
  if (last != std::string::npos && last >= start) {
    // Directory components between the leading "\" and the last "\".
    std::size_t i = start;
    while (i < last) {
      std::size_t end = path.find('\\', i);
      std::string component = path.substr(i, end - i);
      std::size_t dot = component.find('.');
      TImagePathParts::TComponent c;
      c.Name = component.substr(0, dot);
      c.Ext = dot == std::string::npos ? "" : component.substr(dot + 1);
      c.End = end;
      parts.Directories.push_back(std::move(c));
      i = end + 1;
    }
    start = last + 1;
  }
  std::string final = path.substr(start);
  std::size_t dot = final.rfind('.');
  parts.Name = final.substr(0, dot);
  parts.Ext = dot == std::string::npos ? "" : final.substr(dot + 1);
  return parts;
}
