// Little-endian stores and loads for the on-disk structures of the image.
#pragma once

#include <cstdint>
#include <cstring>

inline void Put8(uint8_t* p, uint8_t v) { p[0] = v; }
inline void Put16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void Put32(uint8_t* p, uint32_t v) {
  Put16(p, static_cast<uint16_t>(v));
  Put16(p + 2, static_cast<uint16_t>(v >> 16));
}
inline uint16_t Get16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t Get32(const uint8_t* p) {
  return Get16(p) | (static_cast<uint32_t>(Get16(p + 2)) << 16);
}
// A text field: copied without its terminator, padded with blanks.
inline void PutText(uint8_t* p, const char* text, std::size_t width) {
  std::size_t n = std::strlen(text);
  if (n > width) n = width;
  std::memcpy(p, text, n);
  std::memset(p + n, ' ', width - n);
}
