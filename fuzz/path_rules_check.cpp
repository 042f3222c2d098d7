// CheckPath and CheckRealPath against a second, independent reading of the
// same rules: this one splits the text at its separators and judges each
// component whole, where the program scans the text once from the left.
// The same reading judges the short names made of the text as file names.
#include <array>
#include <climits>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "entries/dos_name.h"
#include "entries/path_rules.h"
#include "entries/short_name.h"
#include "fuzz_checks.h"
#include "image/image_tree.h"

namespace {

constexpr int FlagCombinations = 4;  // none, rooted, directory, both
constexpr std::size_t MaxBaseName = 8;
constexpr std::size_t MaxExtension = 3;

bool White(unsigned char c) { return c == ' ' || (c >= 0x09 && c <= 0x0D); }
bool Letter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Letters, digits and the fourteen extra characters of a DOS short name.
const std::array<bool, 256>& NameTable() {
  static const std::array<bool, 256> table = [] {
    std::array<bool, 256> t{};
    for (int c = 'A'; c <= 'Z'; ++c) t[c] = t[c + 'a' - 'A'] = true;
    for (int c = '0'; c <= '9'; ++c) t[c] = true;
    for (unsigned char c : std::string_view("~!@#$^&()-_{}'")) t[c] = true;
    return t;
  }();
  return table;
}

bool AllNameChars(std::string_view s) {
  for (unsigned char c : s)
    if (!NameTable()[c]) return false;
  return true;
}

std::string Trimmed(std::string_view t) {
  std::size_t start = 0, end = t.size();
  while (end > 0 && White(static_cast<unsigned char>(t[end - 1]))) --end;
  while (start < end && White(static_cast<unsigned char>(t[start]))) ++start;
  return std::string(t.substr(start, end - start));
}

std::string Normalised(std::string_view input, int flags) {
  std::string t = Trimmed(input);
  if ((flags & PathRooted) && (t.empty() || t[0] != '\\')) t.insert(0, 1, '\\');
  if ((flags & PathDirectory) && !t.empty() && t.back() != '\\') t += '\\';
  return t;
}

// NAME or NAME.EXT: 1..8 name characters, then optionally a dot and 0..3.
bool ComponentOk(std::string_view c) {
  const std::size_t dot = c.find('.');
  const std::string_view name = c.substr(0, dot);
  if (name.empty() || name.size() > MaxBaseName || !AllNameChars(name)) return false;
  if (dot == std::string_view::npos) return true;
  const std::string_view ext = c.substr(dot + 1);
  return ext.size() <= MaxExtension && AllNameChars(ext);
}

std::vector<std::string_view> Split(std::string_view s) {
  std::vector<std::string_view> parts;
  for (;;) {
    std::size_t at = s.find('\\');
    parts.push_back(s.substr(0, at));
    if (at == std::string_view::npos) return parts;
    s.remove_prefix(at + 1);
  }
}

bool Matches(std::string_view t, int flags) {
  const bool directory = (flags & PathDirectory) != 0;
  if (t.empty()) return false;
  if (t.size() >= 2 && t[1] == ':') {
    if (!Letter(static_cast<unsigned char>(t[0])) || (flags & PathRooted)) return false;
    t.remove_prefix(2);
    if (t.empty()) return true;  // a bare drive
  }
  if (t[0] == '\\') {
    t.remove_prefix(1);
    if (t.empty()) return directory;
  }
  std::vector<std::string_view> parts = Split(t);
  if (parts.back().empty()) {
    if (!directory) return false;
    parts.pop_back();
  }
  for (std::string_view part : parts)
    if (!ComponentOk(part)) return false;
  return true;
}

std::string Shown(std::string_view t) {
  std::string out;
  for (unsigned char c : t) {
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return "\"" + out + "\"";
}

// The builder's split of a valid image path agrees with this one, and every
// part fits the 8 + 3 bytes of a directory record's name.
std::string CheckImagePathSplit(const std::string& path) {
  const TImagePathParts parts = SplitImagePath(path);
  const std::vector<std::string_view> mine = Split(std::string_view(path).substr(1));
  if (parts.Directories.size() + 1 != mine.size())
    return Shown(path) + " splits into " + std::to_string(parts.Directories.size() + 1) + " parts";
  std::size_t end = 0;
  for (std::size_t i = 0; i < mine.size(); ++i) {
    const std::size_t dot = mine[i].find('.');
    const std::string_view name = mine[i].substr(0, dot);
    const std::string_view ext = dot == std::string_view::npos ? "" : mine[i].substr(dot + 1);
    const bool last = i + 1 == mine.size();
    const std::string& gotName = last ? parts.Name : parts.Directories[i].Name;
    const std::string& gotExt = last ? parts.Ext : parts.Directories[i].Ext;
    end += 1 + mine[i].size();
    if (gotName != name || gotExt != ext || (!last && parts.Directories[i].End != end))
      return Shown(path) + ": part " + std::to_string(i) + " split as " + Shown(gotName) + " " +
             Shown(gotExt);
    if (gotName.empty() || gotName.size() > MaxBaseName || gotExt.size() > MaxExtension)
      return Shown(path) + ": part " + std::to_string(i) + " does not fit 8.3";
  }
  return {};
}

std::string CheckFlags(const std::string& input, int flags) {
  const std::string expected = Normalised(input, flags);
  std::string t = input;
  const bool valid = CheckPath(t, flags);
  const std::string what = Shown(input) + " with flags " + std::to_string(flags);
  if (t != expected) return what + " normalised to " + Shown(t) + ", not " + Shown(expected);
  if (valid != Matches(expected, flags))
    return what + (valid ? " passed" : " was refused") + " against the grammar";
  if (!valid) return {};

  std::string again = t;
  if (!CheckPath(again, flags) || again != t) return what + ": its normalised text changed or failed";
  if (flags & PathRooted) {
    if (t[0] != '\\') return what + ": a rooted path without its leading separator";
    if (flags & PathDirectory) {
      if (t.back() != '\\') return what + ": a destination without its final separator";
    } else {
      if (t.back() == '\\') return what + ": an image path ending in a separator";
      std::string split = CheckImagePathSplit(t);
      if (!split.empty()) return split;
    }
  }
  return {};
}

std::string CheckRealPathRules(const std::string& input) {
  const std::string expected = Trimmed(input);
  bool fine = !expected.empty() && expected.size() < static_cast<std::size_t>(PATH_MAX);
  for (unsigned char c : expected)
    if (c < 0x20 || c == 0x7F) fine = false;
  std::string t = input;
  const bool valid = CheckRealPath(t);
  if (t != expected) return "real path " + Shown(input) + " trimmed to " + Shown(t);
  if (valid != fine) return "real path " + Shown(input) + (valid ? " passed" : " was refused");
  if (valid) {
    std::string again = t;
    if (!CheckRealPath(again) || again != t) return "real path " + Shown(t) + " changed when checked again";
  }
  return {};
}

// The key under which the image compares two names: no final dot.
std::string NameKey(std::string name) {
  if (!name.empty() && name.back() == '.') name.pop_back();
  return name;
}

// The input as one file name and, cut at its line feeds, as the names of
// one drop: every short name made is a valid 8.3 name in capitals with a
// tail, an 8.3 name stays as it is, nothing is left only of dots and blanks,
// and no two names of the drop meet in the image unless both were 8.3 names.
std::string CheckShortNames(const std::string& input) {
  const TFolderNames none;
  const std::string made = ShortName(input, none);
  const std::string upper = UpperCase(input);
  if (IsShortName(input) != ComponentOk(input))
    return "IsShortName of " + Shown(input) + " disagrees with the grammar";
  if (ComponentOk(upper)) {
    if (made != upper) return Shown(input) + " is an 8.3 name but became " + Shown(made);
  } else if (input.find_first_not_of(" .") == std::string::npos) {
    if (!made.empty()) return Shown(input) + " has nothing left but became " + Shown(made);
  } else if (!ComponentOk(made) || made.find('~') == std::string::npos || made != UpperCase(made)) {
    return Shown(input) + " got the short name " + Shown(made);
  }

  std::vector<std::string> names;
  for (std::string_view rest = input;;) {
    const std::size_t at = rest.find('\n');
    names.emplace_back(rest.substr(0, at));
    if (at == std::string_view::npos) break;
    rest.remove_prefix(at + 1);
  }
  TFolderNames folder;
  const std::vector<std::string> all = ShortNames(names, folder);
  std::set<std::string> seen;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (all[i] != ShortName(names[i], none) && all[i].find('~') == std::string::npos)
      return Shown(names[i]) + " in a drop became " + Shown(all[i]);
    if (ComponentOk(UpperCase(names[i])) || all[i].empty()) continue;
    if (!seen.insert(NameKey(all[i])).second) return "two names of a drop became " + Shown(all[i]);
  }
  for (std::size_t i = 0; i < names.size(); ++i)
    if (ComponentOk(UpperCase(names[i])) && seen.count(NameKey(all[i])))
      return "a short name of a drop took the 8.3 name " + Shown(all[i]);
  return {};
}

}  // namespace

std::string CheckPathRulesInput(const uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  for (int flags = 0; flags < FlagCombinations; ++flags) {
    std::string fault = CheckFlags(input, flags);
    if (!fault.empty()) return fault;
  }
  std::string fault = CheckRealPathRules(input);
  if (!fault.empty()) return fault;

  for (int limit = 0; limit <= 9; ++limit) {
    std::size_t n = 0;
    while (n < static_cast<std::size_t>(limit) && n < input.size() &&
           NameTable()[static_cast<unsigned char>(input[n])])
      ++n;
    if (CountNameChars(input, limit) != static_cast<int>(n))
      return "CountNameChars of " + Shown(input) + " with limit " + std::to_string(limit);
  }
  const std::string upper = UpperCase(input);
  for (std::size_t i = 0; i < input.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(input[i]);
    const char want = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : input[i];
    if (upper.size() != input.size() || upper[i] != want)
      return "UpperCase of " + Shown(input) + " gave " + Shown(upper);
  }
  return CheckShortNames(input);
}
