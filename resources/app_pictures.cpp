// The tool-bar glyphs (20 x 20, 16 colours) and the frame's icon, drawn for
// this program as XPM text so they live inside the binary.
#include "resources/app_pictures.h"
#include "resources/app_icon_xpm.h"

#include <wx/bitmap.h>
#include <wx/icon.h>
#include <wx/iconbndl.h>
#include <wx/log.h>

namespace {
const char* const GlyphCreateImage[] = {
  "20 20 5 1",
  "  c None",
  "c c #00FFFF",
  "d c #808080",
  "s c #C0C0C0",
  "w c #FFFFFF",
  "                    ",
  "      dddddddd      ",
  "    ddssssssssdd    ",
  "   ddsscsssssssdd   ",
  "  ddscccssssssssdd  ",
  "  dsccccsssssssssd  ",
  " dssccccssssssssssd ",
  " dsccccssddsssssssd ",
  " dssssssd  dssssssd ",
  " dsssssd    dsssssd ",
  " dsssssd    dsssssd ",
  " dssssssd  dssssssd ",
  " dsssssssddsswwwwsd ",
  " dsssssssssswwwwssd ",
  "  dssssssssswwwwsd  ",
  "  ddsssssssswwwsdd  ",
  "   ddssssssswssdd   ",
  "    ddssssssssdd    ",
  "      dddddddd      ",
  "                    "};

const char* const GlyphFileManager[] = {
  "20 20 4 1",
  "  c None",
  "o c #808000",
  "w c #FFFFFF",
  "y c #FFFF00",
  "                    ",
  "                    ",
  "                    ",
  " ooooooo            ",
  " oyyyyyo            ",
  " oyyyyyoooooooooooo ",
  " oyyyyyyyyyyyyyyyyo ",
  " oyyyyyyyyyyyyyyyyo ",
  " oooooooooooooooooo ",
  " owwwwwwwwwwwwwwwwo ",
  " oyyyyyyyyyyyyyyyyo ",
  " oyyyyyyyyyyyyyyyyo ",
  " oyyyyyyyyyyyyyyyyo ",
  " oyyyyyyyyyyyyyyyyo ",
  " oyyyyyyyyyyyyyyyyo ",
  " oyyyyyyyyyyyyyyyyo ",
  " oooooooooooooooooo ",
  "                    ",
  "                    ",
  "                    "};

const char* const GlyphInsert[] = {
  "20 20 5 1",
  "  c None",
  "d c #808080",
  "g c #008000",
  "k c #000000",
  "w c #FFFFFF",
  "                    ",
  "   kkkkkkkkk        ",
  "   kwwwwwwwkk       ",
  "   kwwwwwwwkwk      ",
  "   kwwwwwwwkkkk     ",
  "   kwwwwwwwwwwk     ",
  "   kwwwwwwwwwwk     ",
  "   kwddddddwwwk     ",
  "   kwwwwwwwwwwk     ",
  "   kwwwwwwwwwwk     ",
  "   kwddddddwwwk     ",
  "   kwwwwwwwwwwk     ",
  "   kwwwwwwwwwggg    ",
  "   kwddddddwwggg    ",
  "   kwwwwwwggggggggg ",
  "   kwwwwwwggggggggg ",
  "   kwwwwwwggggggggg ",
  "   kwwwwwwwwwggg    ",
  "   kkkkkkkkkkggg    ",
  "             ggg    "};

const char* const GlyphDelete[] = {
  "20 20 5 1",
  "  c None",
  "d c #808080",
  "k c #000000",
  "r c #FF0000",
  "w c #FFFFFF",
  "                    ",
  "   kkkkkkkkk        ",
  "   kwwwwwwwkk       ",
  "   kwwwwwwwkwk      ",
  "   kwwwwwwwkkkk     ",
  "   kwwwwwwwwwwk     ",
  "   kwwwwwwwwwwk     ",
  "   kwddddddwwwk     ",
  "   kwwwwwwwwwwk     ",
  "   kwwwwwwwwwwk     ",
  "   kwddddddwwwk     ",
  "   kwwwwwwrrwwk  rr ",
  "   kwwwwwwwrrwk rr  ",
  "   kwddddddwrrkrr   ",
  "   kwwwwwwwwwrrr    ",
  "   kwwwwwwwwwrrr    ",
  "   kwwwwwwwwrrkrr   ",
  "   kwwwwwwwrrwk rr  ",
  "   kkkkkkkrrkkk  rr ",
  "                    "};

const char* const GlyphEdit[] = {
  "20 20 7 1",
  "  c None",
  "d c #808080",
  "k c #000000",
  "m c #800000",
  "o c #808000",
  "w c #FFFFFF",
  "y c #FFFF00",
  "                    ",
  "   kkkkkkkkk        ",
  "   kwwwwwwwkk       ",
  "   kwwwwwwwkwk      ",
  "   kwwwwwwwkkkk     ",
  "   kwwwwwwwwwwk  mm ",
  "   kwwwwwwwwwwk yym ",
  "   kwddddddwwwkyyo  ",
  "   kwwwwwwwwwwyyo   ",
  "   kwwwwwwwwwyyo    ",
  "   kwddddddwyyo     ",
  "   kwwwwwwwyyok     ",
  "   kwwwwwwyyowk     ",
  "   kwddddyyowwk     ",
  "   kwwwwkyowwwk     ",
  "   kwwwwkkwwwwk     ",
  "   kwwwwwwwwwwk     ",
  "   kwwwwwwwwwwk     ",
  "   kkkkkkkkkkkk     ",
  "                    "};

const char* const GlyphAbout[] = {
  "20 20 3 1",
  "  c None",
  "n c #000080",
  "w c #FFFFFF",
  "                    ",
  "       nnnnnn       ",
  "     nnnnnnnnnn     ",
  "    nnnnnnnnnnnn    ",
  "   nnnnnnwwnnnnnn   ",
  "  nnnnnnnwwnnnnnnn  ",
  "  nnnnnnnnnnnnnnnn  ",
  " nnnnnnnnnnnnnnnnnn ",
  " nnnnnnnwwwnnnnnnnn ",
  " nnnnnnnnwwnnnnnnnn ",
  " nnnnnnnnwwnnnnnnnn ",
  " nnnnnnnnwwnnnnnnnn ",
  " nnnnnnnnwwnnnnnnnn ",
  "  nnnnnnnwwnnnnnnn  ",
  "  nnnnnnnwwnnnnnnn  ",
  "   nnnnnwwwwnnnnn   ",
  "    nnnnnnnnnnnn    ",
  "     nnnnnnnnnn     ",
  "       nnnnnn       ",
  "                    "};

// The list commands: a blank sheet (New), a sheet coming out of an open
// folder (Open List) and a diskette (Save List).
const char* const GlyphNewList[] = {
  "20 20 3 1",
  "  c None",
  "k c #000000",
  "w c #FFFFFF",
  "                    ",
  "   kkkkkkkkkk       ",
  "   kwwwwwwwwkk      ",
  "   kwwwwwwwwkwk     ",
  "   kwwwwwwwwkwwk    ",
  "   kwwwwwwwwkkkkk   ",
  "   kwwwwwwwwwwwwk   ",
  "   kwwwwwwwwwwwwk   ",
  "   kwwwwwwwwwwwwk   ",
  "   kwwwwwwwwwwwwk   ",
  "   kwwwwwwwwwwwwk   ",
  "   kwwwwwwwwwwwwk   ",
  "   kwwwwwwwwwwwwk   ",
  "   kwwwwwwwwwwwwk   ",
  "   kwwwwwwwwwwwwk   ",
  "   kwwwwwwwwwwwwk   ",
  "   kwwwwwwwwwwwwk   ",
  "   kwwwwwwwwwwwwk   ",
  "   kkkkkkkkkkkkkk   ",
  "                    "};

const char* const GlyphOpenList[] = {
  "20 20 5 1",
  "  c None",
  "k c #000000",
  "o c #808000",
  "w c #FFFFFF",
  "y c #FFFF00",
  "                    ",
  "                    ",
  "      kkkkkkk       ",
  "      kwwwwwkk      ",
  " oooookwkkkwwkk     ",
  " oyyyykwwwwwwwk     ",
  " oyyyykwkkkkkwk     ",
  " oyyyykwwwwwwwkooo  ",
  " oyyyykwkkkkkwkyyo  ",
  " oyyyykwwwwwwwkyyo  ",
  " oyyoooooooooooooooo",
  " oyyoyyyyyyyyyyyyyo ",
  " oyoyyyyyyyyyyyyyo  ",
  " oyoyyyyyyyyyyyyyo  ",
  " ooyyyyyyyyyyyyyo   ",
  " ooyyyyyyyyyyyyyo   ",
  " oooooooooooooooo   ",
  "                    ",
  "                    ",
  "                    "};

const char* const GlyphSaveList[] = {
  "20 20 6 1",
  "  c None",
  "b c #000080",
  "d c #808080",
  "k c #000000",
  "s c #C0C0C0",
  "w c #FFFFFF",
  "                    ",
  "  kkkkkkkkkkkkkkkk  ",
  "  kbbwwwwwwwwwwbbk  ",
  "  kbbwwwwwwwwwwbbk  ",
  "  kbbwkkkkkkkkwbbk  ",
  "  kbbwwwwwwwwwwbbk  ",
  "  kbbwkkkkkkkkwbbk  ",
  "  kbbwwwwwwwwwwbbk  ",
  "  kbbwwwwwwwwwwbbk  ",
  "  kbbbbbbbbbbbbbbk  ",
  "  kbbbbbbbbbbbbbbk  ",
  "  kbbbssssssssbbbk  ",
  "  kbbbssssddssbbbk  ",
  "  kbbbssssddssbbbk  ",
  "  kbbbssssddssbbbk  ",
  "  kbbbssssddssbbbk  ",
  "  kbbbssssssssbbbk  ",
  "   kkkkkkkkkkkkkkk  ",
  "                    ",
  "                    "};

}  // namespace

wxBitmap ToolGlyph(int command) {
  switch (command) {
    case 101: return wxBitmap(GlyphDelete);
    case 102: return wxBitmap(GlyphInsert);
    case 103: return wxBitmap(GlyphEdit);
    case 104: return wxBitmap(GlyphCreateImage);
    case 105: return wxBitmap(GlyphFileManager);
    case 199: return wxBitmap(GlyphAbout);
    case 106: return wxBitmap(GlyphNewList);
    case 107: return wxBitmap(GlyphOpenList);
    case 108: return wxBitmap(GlyphSaveList);
    default: return wxBitmap();
  }
}

wxIcon AppIcon() { return wxIcon(IconApp); }

wxIconBundle AppIcons() {
#ifdef __WXMSW__
  // The .exe's icon 300 holds every size Windows asks for at any DPI
  // (packaging/windows/); a program built without it has the drawing.
  wxLogNull quiet;
  wxIconBundle icons("#300", 0);
  if (!icons.IsEmpty()) return icons;
#endif
  return wxIconBundle(AppIcon());
}
