#include "entries/path_rules.h"

#include <climits>
#include <cstring>

namespace {
constexpr char Separator = '\\';
constexpr const char* ExtraNameChars = "~!@#$^&()-_{}'";
}  // namespace

bool IsBlank(unsigned char c) { return c == ' ' || (c >= 0x09 && c <= 0x0D); }

bool IsNameChar(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
    return true;
  return c != 0 && std::strchr(ExtraNameChars, c) != nullptr;
}

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

int CountNameChars(std::string_view text, int limit) {
  int n = 0;
  while (n < limit && static_cast<std::size_t>(n) < text.size() &&
         IsNameChar(static_cast<unsigned char>(text[n])))
    ++n;
  return n;
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
    int count = CountNameChars(t.substr(i), 8);
    if (count == 0) return true;
    i += static_cast<std::size_t>(count);
    if (i == n) return false;
    if (t[i] == '.') {
      ++i;
      if (i == n) return false;
      i += static_cast<std::size_t>(CountNameChars(t.substr(i), 3));
      if (i == n) return false;
    }
    if (t[i] != Separator) return true;
    ++i;
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
