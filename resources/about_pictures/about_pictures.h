// The about box's pictures, drawn by make_about_pictures.py beside this file.
#pragma once

// A palette picture: one colour-table index per pixel, top row first.
struct TAboutPicture {
  int Width;
  int Height;
  int BitsPerPixel;      // 4 or 8: the display depth it was made for
  int ColoursUsed;       // entries in the colour table
  int ColoursImportant;  // entries the picture needs to look right
  const unsigned char* Colours;  // ColoursUsed x (red, green, blue)
  const unsigned char* Pixels;   // Width x Height indices
};

extern const TAboutPicture AboutPicture401;  // 16 colours
extern const TAboutPicture AboutPicture402;  // 256 colours, 64 important
