// Texts of the core are byte strings; real paths may hold any byte but NUL.
#pragma once

#include <string>

#include <wx/string.h>

// UTF-8 when the bytes are valid UTF-8, else one character per byte, so a
// path with a stray byte still shows instead of vanishing.
inline wxString ToWx(const std::string& text) {
  if (text.empty()) return wxString();
  wxString s = wxString::FromUTF8(text.data(), text.size());
  if (s.empty()) s = wxString(text.data(), wxConvISO8859_1, text.size());
  return s;
}

inline std::string FromWx(const wxString& text) {
  wxScopedCharBuffer utf8 = text.utf8_str();
  return std::string(utf8.data(), utf8.length());
}
