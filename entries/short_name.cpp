#include "entries/short_name.h"

#include <algorithm>
#include <map>

#include "entries/dir_entry.h"
#include "entries/dos_name.h"
#include "entries/path_rules.h"
#include "platform/file_system.h"

namespace {
// "~999999" leaves one character of the base: the last tail there is.
constexpr int MaxTail = 999999;

// How many bytes the UTF-8 character that begins with lead takes (1 for a
// byte that begins none), so that one character outside ASCII makes one "_".
std::size_t Utf8Length(unsigned char lead) {
  if (lead >= 0xC0 && lead < 0xE0) return 2;
  if (lead >= 0xE0 && lead < 0xF0) return 3;
  if (lead >= 0xF0 && lead < 0xF8) return 4;
  return 1;
}

// Capitals, name characters and "_" for every other character; "." stays.
std::string NameCharsOf(std::string_view name) {
  std::string out;
  for (std::size_t i = 0; i < name.size();) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (c == '.' || IsNameChar(c)) {
      out += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : static_cast<char>(c);
      ++i;
      continue;
    }
    out += '_';
    std::size_t n = Utf8Length(c);
    ++i;
    while (--n > 0 && i < name.size() && (static_cast<unsigned char>(name[i]) & 0xC0) == 0x80) ++i;
  }
  return out;
}
}  // namespace

std::string TFolderNames::Key(std::string_view name) {
  // A final dot names no extension: the image holds the name without it.
  if (!name.empty() && name.back() == '.') name.remove_suffix(1);
  return UpperCase(std::string(name));
}

void TFolderNames::Take(std::string_view name) { Names.insert(Key(name)); }

bool TFolderNames::Taken(std::string_view name) const { return Names.count(Key(name)) != 0; }

namespace {
// What is left of a long name for its short name: the base, not yet cut,
// and "." with the extension cut to 3 (or nothing).
struct TBasis {
  std::string Base, Suffix;
};

// False when nothing is left of the name.
bool BasisOf(std::string_view longName, TBasis& basis) {
  // Blanks anywhere and periods in front go without a trace.
  std::string kept;
  for (char c : longName)
    if (c != ' ' && !(c == '.' && kept.empty())) kept += c;
  const std::size_t dot = kept.rfind('.');
  basis.Base = NameCharsOf(std::string_view(kept).substr(0, dot));
  // Periods before the last one are no name characters either.
  for (char& c : basis.Base)
    if (c == '.') c = '_';
  std::string ext = dot == std::string::npos ? std::string() : NameCharsOf(kept.substr(dot + 1));
  if (ext.size() > MaxShortExt) ext.resize(MaxShortExt);
  basis.Suffix = ext.empty() ? std::string() : "." + ext;
  return !basis.Base.empty();
}

// The first name with a tail from firstTail on that names does not hold
// (its tail in tail), or empty. The name was not a short name, so
// something of it was lost: the tail goes on even when the base would fit,
// and the base is cut so that base and tail fit in 8.
std::string FirstFree(const TBasis& basis, const TFolderNames& names, int firstTail, int& tail) {
  for (int n = firstTail; n <= MaxTail; ++n) {
    const std::string number = std::to_string(n);
    const std::size_t room = MaxShortBase - 1 - number.size();
    std::string name = basis.Base.substr(0, room) + "~" + number + basis.Suffix;
    if (!names.Taken(name)) {
      tail = n;
      return name;
    }
  }
  return std::string();
}
}  // namespace

std::string ShortName(std::string_view longName, const TFolderNames& names) {
  std::string upper = UpperCase(std::string(longName));
  if (IsShortName(upper)) return upper;
  TBasis basis;
  int tail = 0;
  return BasisOf(longName, basis) ? FirstFree(basis, names, 1, tail) : std::string();
}

std::vector<std::string> ShortNames(const std::vector<std::string>& longNames,
                                    TFolderNames& names) {
  std::vector<std::string> made(longNames.size());
  std::vector<std::size_t> order;
  for (std::size_t i = 0; i < longNames.size(); ++i) {
    std::string upper = UpperCase(longNames[i]);
    if (IsShortName(upper)) {
      names.Take(upper);
      made[i] = std::move(upper);
    } else {
      order.push_back(i);
    }
  }
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return longNames[a] < longNames[b]; });
  // Names can only be taken, never freed, so the next search for the same
  // tails starts where the last one ended: a folder of thousands of
  // "Sample 00001.wav" takes one look per name, not thousands.
  std::map<std::string, int> nextTail;
  for (std::size_t i : order) {
    TBasis basis;
    if (!BasisOf(longNames[i], basis)) continue;
    // Bases that agree in their first 6 characters try the same names.
    int& next = nextTail.try_emplace(basis.Base.substr(0, MaxShortBase - 2) + basis.Suffix, 1)
                    .first->second;
    int tail = 0;
    made[i] = FirstFree(basis, names, next, tail);
    if (made[i].empty()) {
      next = MaxTail + 1;
      continue;
    }
    names.Take(made[i]);
    next = tail + 1;
  }
  return made;
}

namespace {
// Calls take(rest, line) for each line whose image path lies below folder,
// with the part of its path after the folder.
template <class F>
void EachLineBelow(const TEntryList& entries, std::string_view folder, F take) {
  for (std::size_t i = entries.LowerBound(folder); i < entries.Count(); ++i) {
    std::string_view path = entries[i].ImagePath;
    if (path.substr(0, folder.size()) != folder) break;
    if (path.size() == folder.size()) continue;
    take(path.substr(folder.size()), entries[i]);
  }
}
}  // namespace

TFolderNames NamesInFolder(const TEntryList& entries, std::string_view folder) {
  TFolderNames names;
  EachLineBelow(entries, folder, [&](std::string_view rest, const TDirEntry&) {
    names.Take(rest.substr(0, rest.find('\\')));
  });
  return names;
}

std::map<std::string, std::string> RealPathNames(const TEntryList& entries,
                                                 std::string_view folder) {
  std::map<std::string, std::string> names;
  EachLineBelow(entries, folder, [&](std::string_view rest, const TDirEntry& line) {
    if (rest.find('\\') == std::string_view::npos) names.emplace(line.RealPath, rest);
  });
  return names;
}

namespace {
// How many names a path holds between its separators.
std::size_t NameCount(std::string_view path, bool (*separator)(char)) {
  std::size_t count = 0;
  bool inName = false;
  for (char c : path) {
    if (separator(c))
      inName = false;
    else if (!inName)
      inName = true, ++count;
  }
  return count;
}

bool IsImageSeparator(char c) { return c == '\\'; }

// The name of the folder right inside imageFolder whose lines come from
// realFolder on disk, each as deep below it there as on disk; empty when
// no line does.
std::string NameHeldFor(const TEntryList& entries, std::string_view imageFolder,
                        std::string_view realFolder) {
  for (std::size_t i = entries.LowerBound(imageFolder); i < entries.Count(); ++i) {
    std::string_view image = entries[i].ImagePath;
    if (image.substr(0, imageFolder.size()) != imageFolder) break;
    image.remove_prefix(imageFolder.size());
    std::string_view real = entries[i].RealPath;
    if (real.substr(0, realFolder.size()) != realFolder) continue;
    real.remove_prefix(realFolder.size());
    // "/a/Drums 2/x.wav" does not lie in "/a/Drums".
    if (!real.empty() && !IsPathSeparator(real.front())) continue;
    if (NameCount(image, IsImageSeparator) == NameCount(real, IsPathSeparator) + 1)
      return std::string(image.substr(0, image.find('\\')));
  }
  return std::string();
}
}  // namespace

std::string ImageFolderOf(const TEntryList& entries, const std::string& realPath) {
  const std::string folder = FolderOfPath(realPath);
  std::string image = "\\";
  for (std::size_t at = DriveLength(folder); at < folder.size();) {
    // One "\\" however many separators stand together.
    if (IsPathSeparator(folder[at])) {
      ++at;
      continue;
    }
    std::size_t end = at;
    while (end < folder.size() && !IsPathSeparator(folder[end])) ++end;
    const std::string part = folder.substr(at, end - at);
    std::string name = UpperCase(part);
    if (!IsShortName(name)) {
      name = NameHeldFor(entries, image, std::string_view(folder).substr(0, end));
      if (name.empty()) name = ShortName(part, NamesInFolder(entries, image));
      if (name.empty()) return std::string();
    }
    image += name + "\\";
    at = end;
  }
  return image;
}

std::string ShortRealPath(const std::string& realPath) {
  std::string shortPath = UpperCase(SystemShortPath(realPath));
  if (shortPath.empty() || !CheckPath(shortPath, 0)) return std::string();
  return shortPath;
}
