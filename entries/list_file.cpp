#include "entries/list_file.h"

#include <climits>
#include <sstream>
#include <utility>
#include <vector>

#include "entries/dir_entry.h"
#include "entries/path_rules.h"

namespace {

// Editors on some systems start a UTF-8 text with this mark.
constexpr char ByteOrderMark[] = "\xEF\xBB\xBF";

enum class TRead { Line, End, TooLong };

// One line without its LF. A line that grows past MaxListLine is not kept:
// a stray binary file must not be read into memory whole.
TRead ReadLine(std::streambuf& in, std::string& line) {
  line.clear();
  int c = in.sbumpc();
  if (c == std::char_traits<char>::eof()) return TRead::End;
  for (; c != std::char_traits<char>::eof() && c != '\n'; c = in.sbumpc()) {
    if (line.size() == MaxListLine) return TRead::TooLong;
    line.push_back(static_cast<char>(c));
  }
  return TRead::Line;
}

bool IsBlankLine(const std::string& line) {
  for (unsigned char c : line)
    if (!IsBlank(c)) return false;
  return true;
}

// Why CheckRealPath refused a path (it answers only yes or no).
std::string RealPathFault(const std::string& path) {
  if (path.empty()) return "empty real path";
  for (unsigned char c : path)
    if (c < 0x20 || c == 0x7F) return "control character in the real path";
  if (path.size() >= static_cast<std::size_t>(PATH_MAX))
    return "real path longer than " + std::to_string(PATH_MAX - 1) + " bytes";
  return "invalid real path";
}

// Checks one line that is neither blank nor a comment; an empty result means
// it was taken.
std::string TakeLine(const std::string& line, std::string& image, std::string& real) {
  if (line.find('\0') != std::string::npos) return "NUL byte in the line";
  std::size_t tab = line.find('\t');
  if (tab == std::string::npos) return "no TAB between the image path and the real path";
  image = line.substr(0, tab);
  real = line.substr(tab + 1);

  TrimBlanks(image);
  if (image.empty()) return "empty image path";
  if (!CheckPath(image, PathRooted)) return "invalid image path " + image;
  if (image.size() > MaxImagePath)
    return "image path longer than " + std::to_string(MaxImagePath) + " characters";

  if (!CheckRealPath(real)) return RealPathFault(real);
  return {};
}

}  // namespace

bool ReadEntryList(std::istream& in, TEntryList& entries, TListError& error) {
  error = {};
  std::streambuf* buf = in.rdbuf();
  if (!buf) {
    error.Message = "cannot be read";
    return false;
  }
  // Entries go into the list only once every line has passed.
  std::vector<std::pair<std::string, std::string>> taken;
  std::string line, image, real;
  for (long number = 1;; ++number) {
    TRead r = ReadLine(*buf, line);
    if (r == TRead::End) break;
    if (r == TRead::TooLong) {
      error = {number, "line longer than " + std::to_string(MaxListLine) + " bytes"};
      return false;
    }
    if (number == 1 && line.compare(0, 3, ByteOrderMark) == 0) line.erase(0, 3);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#' || IsBlankLine(line)) continue;
    std::string fault = TakeLine(line, image, real);
    if (!fault.empty()) {
      error = {number, std::move(fault)};
      return false;
    }
    taken.emplace_back(std::move(image), std::move(real));
  }
  if (in.bad()) {
    error.Message = "read error";
    return false;
  }
  for (auto& [i, r] : taken) {
    if (entries.Add(std::move(i), std::move(r)) < 0) {
      error.Message = "out of memory";
      return false;
    }
  }
  return true;
}

bool ReadEntryList(const std::string& text, TEntryList& entries, TListError& error) {
  std::istringstream in(text);
  return ReadEntryList(in, entries, error);
}
