// Writes the program's icon as a PNG for the desktop's menus, from the same
// XPM drawing the window program shows, scaled by a whole factor with hard
// pixel edges. Run at build time: make_icon_png OUT.png SCALE
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "resources/app_icon_xpm.h"

namespace {
// Desktop icon sizes go up to 512 pixels; 16 times the drawing is plenty.
constexpr int MaxScale = 16;
// A stored deflate block holds at most this many bytes.
constexpr std::size_t MaxStoredBlock = 65535;

uint32_t Crc32(const uint8_t* p, std::size_t n, uint32_t crc = 0) {
  crc = ~crc;
  for (std::size_t i = 0; i < n; ++i) {
    crc ^= p[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void Put32(std::string& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
}

void Chunk(std::string& png, const char* type, const std::string& data) {
  Put32(png, static_cast<uint32_t>(data.size()));
  std::string body = std::string(type, 4) + data;
  png += body;
  Put32(png, Crc32(reinterpret_cast<const uint8_t*>(body.data()), body.size()));
}

// A zlib stream of stored (uncompressed) blocks: a 32 x 32 icon needs no
// compression, and this keeps the tool free of libraries.
std::string ZlibStored(const std::string& raw) {
  std::string z = "\x78\x01";
  std::size_t at = 0;
  do {
    const std::size_t n = std::min(MaxStoredBlock, raw.size() - at);
    const bool last = at + n == raw.size();
    z += static_cast<char>(last ? 1 : 0);
    z += static_cast<char>(n & 0xFF);
    z += static_cast<char>(n >> 8);
    z += static_cast<char>(~n & 0xFF);
    z += static_cast<char>((~n >> 8) & 0xFF);
    z.append(raw, at, n);
    at += n;
  } while (at < raw.size());
  uint32_t a = 1, b = 0;
  for (unsigned char c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  Put32(z, (b << 16) | a);
  return z;
}

bool ParseColor(const std::string& value, uint32_t& rgba) {
  if (value == "None" || value == "none") {
    rgba = 0;
    return true;
  }
  if (value.size() != 7 || value[0] != '#') return false;
  rgba = static_cast<uint32_t>(std::strtoul(value.c_str() + 1, nullptr, 16)) << 8 | 0xFF;
  return true;
}
}  // namespace

int main(int argc, char** argv) {
  const int scale = argc == 3 ? std::atoi(argv[2]) : 0;
  if (scale < 1 || scale > MaxScale) {
    std::fprintf(stderr, "usage: make_icon_png OUT.png SCALE (1..%d)\n", MaxScale);
    return 2;
  }
  int width = 0, height = 0, colors = 0, perPixel = 0;
  std::istringstream(IconApp[0]) >> width >> height >> colors >> perPixel;
  std::map<std::string, uint32_t> palette;
  for (int i = 1; i <= colors; ++i) {
    const std::string line = IconApp[i];
    std::istringstream rest(line.substr(static_cast<std::size_t>(perPixel)));
    std::string key, value;
    rest >> key >> value;
    if (key != "c" || !ParseColor(value, palette[line.substr(0, static_cast<std::size_t>(perPixel))])) {
      std::fprintf(stderr, "make_icon_png: cannot read colour line \"%s\"\n", line.c_str());
      return 1;
    }
  }

  std::string raw;  // one filter byte (0, none) and RGBA pixels per row
  for (int y = 0; y < height * scale; ++y) {
    raw += '\0';
    const std::string row = IconApp[1 + colors + y / scale];
    for (int x = 0; x < width * scale; ++x) {
      const uint32_t c = palette.at(row.substr(static_cast<std::size_t>(x / scale * perPixel),
                                               static_cast<std::size_t>(perPixel)));
      Put32(raw, c);
    }
  }

  std::string png = "\x89PNG\r\n\x1a\n";
  std::string header;
  Put32(header, static_cast<uint32_t>(width * scale));
  Put32(header, static_cast<uint32_t>(height * scale));
  header += std::string("\x08\x06\x00\x00\x00", 5);  // 8 bits, RGBA, deflate, no filter, no interlace
  Chunk(png, "IHDR", header);
  Chunk(png, "IDAT", ZlibStored(raw));
  Chunk(png, "IEND", "");

  std::ofstream out(argv[1], std::ios::binary);
  out << png;
  out.close();
  if (!out) {
    std::fprintf(stderr, "make_icon_png: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
