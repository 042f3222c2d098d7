// Icon 300, 32 x 32, as XPM text: the frame's icon inside the program, and
// the source of the PNG icons the desktop shows in its menus
// (packaging/make_icon_png.cpp). No wx here, so both can include it.
#pragma once

// clang-format off
const char* const IconApp[] = {
  "32 32 7 1",
  "  c None",
  "c c #00FFFF",
  "d c #808080",
  "k c #000000",
  "n c #000080",
  "s c #C0C0C0",
  "w c #FFFFFF",
  "                                ",
  "              dddddddddd        ",
  "            ddssssssssssdd      ",
  "           dssssssssssssssd     ",
  "          dsssscsssssssssssd    ",
  "         dssscccssssssssssssd   ",
  "        dsssccccsssssssssssssd  ",
  "       dsssccccccsssssssssssssd ",
  "       dsscccccccsssssssssssssd ",
  "      dssscccccssssssssssssssssd",
  "      dsscccccsssddddssssssssssd",
  "      dsssssccssddddddsssssssssd",
  "      dssssssssdd    ddssssssssd",
  "      dssssssssdd    ddssssssssd",
  "      dssssssssdd    ddssssssssd",
  "  kkkkkkkkkkkkkkd    ddssssssssd",
  "  kwwwwwwwwwwwwkddddddsswwsssssd",
  "  kwwwwwwwwwwwwksddddssswwwwwssd",
  "  kwwwwwwwwwwwwkssssssswwwwwsssd",
  "  kwnnnnnnnnnnwkssssswwwwwwwssd ",
  "  kwwwwwwwwwwwwkssssswwwwwwsssd ",
  "  kwwwwwwwwwwwwksssssswwwwsssd  ",
  "  kwnnnnnnnnnnwksssssswwwsssd   ",
  "  kwwwwwwwwwwwwksssssswssssd    ",
  "  kwwwwwwwwwwwwkssssssssssd     ",
  "  kwnnnnnnnnnnwkssssssssdd      ",
  "  kwwwwwwwwwwwwkdddddddd        ",
  "  kwwwwwwwwwwwwk                ",
  "  kwnnnnnnnnnnwk                ",
  "  kwwwwwwwwwwwwk                ",
  "  kkkkkkkkkkkkkk                ",
  "                                "};
// clang-format on
