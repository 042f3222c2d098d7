#include "entries/dos_name.h"

#include <cstring>

namespace {
constexpr const char* ExtraNameChars = "~!@#$^&()-_{}'";

// Whether the width bytes at p are stored name bytes (at least one unless
// mayBeEmpty), then blanks to the end.
bool IsStoredField(const uint8_t* p, std::size_t width, bool mayBeEmpty) {
  std::size_t n = 0;
  while (n < width && IsStoredNameByte(p[n])) ++n;
  if (n == 0 && !mayBeEmpty) return false;
  for (std::size_t i = n; i < width; ++i)
    if (p[i] != ' ') return false;
  return true;
}
}  // namespace

bool IsNameChar(unsigned char c) {
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
    return true;
  return c != 0 && std::strchr(ExtraNameChars, c) != nullptr;
}

int CountNameChars(std::string_view text, int limit) {
  int n = 0;
  while (n < limit && static_cast<std::size_t>(n) < text.size() &&
         IsNameChar(static_cast<unsigned char>(text[n])))
    ++n;
  return n;
}

bool IsShortName(std::string_view name) {
  const int base = CountNameChars(name, MaxShortBase);
  if (base == 0) return false;
  name.remove_prefix(static_cast<std::size_t>(base));
  if (name.empty()) return true;
  if (name.front() != '.') return false;
  name.remove_prefix(1);
  return static_cast<std::size_t>(CountNameChars(name, MaxShortExt)) == name.size();
}

// DOS keeps short names in capitals; a small letter, a control byte or a
// byte outside ASCII there is damage.
bool IsStoredNameByte(uint8_t c) { return IsNameChar(c) && !(c >= 'a' && c <= 'z'); }

bool IsStoredShortName(const uint8_t* name) {
  return IsStoredField(name, MaxShortBase, false) &&
         IsStoredField(name + MaxShortBase, MaxShortExt, true);
}
