// Writes the program's icon as a Windows .ico from the same XPM drawing the
// window program shows, in the sizes Windows picks from, each scaled with
// hard pixel edges. Run at build time (under Wine when cross-building):
//   make_icon_ico OUT.ico
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "resources/app_icon_xpm.h"

namespace {

// Small and large icons at 100 % to 200 % text scale, and the 256 pixels of
// Explorer's largest views.
constexpr int Sizes[] = {16, 24, 32, 48, 64, 256};
constexpr std::uint32_t Transparent = 0;  // ARGB with no alpha
constexpr std::uint32_t Opaque = 0xFF000000u;

struct TDrawing {
  int Width = 0, Height = 0;
  std::vector<std::uint32_t> Argb;  // top row first
};

// The XPM text: "W H COLOURS CHARS", one line per colour ("k c #RRGGBB" or
// "k c None"), then the rows.
bool ReadDrawing(const char* const* xpm, TDrawing& drawing) {
  int colours = 0, chars = 0;
  if (std::sscanf(xpm[0], "%d %d %d %d", &drawing.Width, &drawing.Height, &colours, &chars) != 4 ||
      drawing.Width <= 0 || drawing.Height <= 0 || chars != 1)
    return false;
  std::map<char, std::uint32_t> palette;
  for (int i = 1; i <= colours; ++i) {
    const char* line = xpm[i];
    const char* value = std::strstr(line + 1, " c ");
    if (!value) return false;
    value += 3;
    unsigned rgb = 0;
    if (std::strcmp(value, "None") == 0)
      palette[line[0]] = Transparent;
    else if (std::sscanf(value, "#%6x", &rgb) == 1)
      palette[line[0]] = Opaque | rgb;
    else
      return false;
  }
  for (int y = 0; y < drawing.Height; ++y) {
    const char* row = xpm[1 + colours + y];
    if (static_cast<int>(std::strlen(row)) != drawing.Width) return false;
    for (int x = 0; x < drawing.Width; ++x) {
      auto colour = palette.find(row[x]);
      if (colour == palette.end()) return false;
      drawing.Argb.push_back(colour->second);
    }
  }
  return true;
}

void Put16(std::vector<std::uint8_t>& out, unsigned value) {
  out.push_back(value & 0xFF);
  out.push_back((value >> 8) & 0xFF);
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

// One icon image as Windows keeps it: a BITMAPINFOHEADER of twice the
// height, the 32-bit BGRA rows bottom-up, then the 1-bit mask (set where
// transparent), each mask row padded to 32 bits.
std::vector<std::uint8_t> IconImage(const TDrawing& drawing, int size) {
  std::vector<std::uint8_t> out;
  const int maskRow = (size + 31) / 32 * 4;
  Put32(out, 40);                // biSize
  Put32(out, size);              // biWidth
  Put32(out, 2 * size);          // biHeight: colours and mask
  Put16(out, 1);                 // biPlanes
  Put16(out, 32);                // biBitCount
  Put32(out, 0);                 // biCompression: BI_RGB
  Put32(out, size * size * 4 + size * maskRow);  // biSizeImage
  for (int i = 0; i < 4; ++i) Put32(out, 0);     // resolution, colours used and important
  auto pixel = [&](int x, int y) {
    return drawing.Argb[(y * drawing.Height / size) * drawing.Width + x * drawing.Width / size];
  };
  for (int y = size - 1; y >= 0; --y)
    for (int x = 0; x < size; ++x) {
      const std::uint32_t argb = pixel(x, y);
      Put32(out, argb == Transparent ? 0 : argb);  // stored B, G, R, A
    }
  for (int y = size - 1; y >= 0; --y) {
    std::vector<std::uint8_t> row(maskRow, 0);
    for (int x = 0; x < size; ++x)
      if (pixel(x, y) == Transparent) row[x / 8] |= 0x80 >> (x % 8);
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_icon_ico OUT.ico\n");
    return 2;
  }
  TDrawing drawing;
  if (!ReadDrawing(IconApp, drawing)) {
    std::fprintf(stderr, "make_icon_ico: cannot read the icon's drawing\n");
    return 1;
  }
  constexpr int Count = sizeof Sizes / sizeof Sizes[0];
  constexpr int HeaderBytes = 6, EntryBytes = 16;
  std::vector<std::uint8_t> file;
  Put16(file, 0);  // reserved
  Put16(file, 1);  // an icon, not a cursor
  Put16(file, Count);
  std::vector<std::uint8_t> images;
  for (int size : Sizes) {
    std::vector<std::uint8_t> image = IconImage(drawing, size);
    file.push_back(size & 0xFF);  // width and height; 0 stands for 256
    file.push_back(size & 0xFF);
    file.push_back(0);  // no colour table
    file.push_back(0);  // reserved
    Put16(file, 1);     // planes
    Put16(file, 32);    // bits per pixel
    Put32(file, image.size());
    Put32(file, HeaderBytes + EntryBytes * Count + images.size());
    images.insert(images.end(), image.begin(), image.end());
  }
  file.insert(file.end(), images.begin(), images.end());
  std::FILE* out = std::fopen(argv[1], "wb");
  if (!out || std::fwrite(file.data(), 1, file.size(), out) != file.size() ||
      std::fclose(out) != 0) {
    std::fprintf(stderr, "make_icon_ico: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
