#include "entries/path_rules.h"

#include <algorithm>
#include <climits>

#include "entries/dos_name.h"

namespace {
constexpr char Separator = '\\';
}  // namespace

bool IsBlank(unsigned char c) { return c == ' ' || (c >= 0x09 && c <= 0x0D); }

void TrimBlanks(std::string& text) {
  std::size_t end = text.size();
  while (end > 0 && IsBlank(static_cast<unsigned char>(text[end - 1]))) --end;
  std::size_t start = 0;
  while (start < end && IsBlank(static_cast<unsigned char>(text[start]))) ++start;
  text = text.substr(start, end - start);
}

void AddSeparators(std::string& text, int flags) {
  if ((flags & PathRooted) && (text.empty() || text.front() != Separator))
    text.insert(text.begin(), Separator);
  if ((flags & PathDirectory) && !text.empty() && text.back() != Separator)
    text.push_back(Separator);
}

bool FindPathFault(std::string_view t, int flags) {
  const std::size_t n = t.size();
  const bool directory = (flags & PathDirectory) != 0;
  std::size_t i = 0;
  if (n >= 2 && t[1] == ':') {
    unsigned char d = static_cast<unsigned char>(t[0]);
    bool letter = (d >= 'A' && d <= 'Z') || (d >= 'a' && d <= 'z');
    if (!letter || (flags & PathRooted)) return true;
    i = 2;
  }
  if (i == n) return false;  // a bare drive
  if (t[i] == Separator) {
    ++i;
    if (i == n) return !directory;
  }
  for (;;) {
    const std::size_t end = std::min(t.find(Separator, i), n);
    if (!IsShortName(t.substr(i, end - i))) return true;
    if (end == n) return false;
    i = end + 1;
    if (i == n) return !directory;
  }
}

bool CheckPath(std::string& text, int flags) {
  TrimBlanks(text);
  AddSeparators(text, flags);
  if (text.empty()) return false;
  return !FindPathFault(text, flags);
}

bool CheckRealPath(std::string& text) {
  TrimBlanks(text);
  if (text.empty() || text.size() >= static_cast<std::size_t>(PATH_MAX)) return false;
  for (unsigned char c : text)
    if (c < 0x20 || c == 0x7F) return false;
  return true;
}

std::string UpperCase(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}
