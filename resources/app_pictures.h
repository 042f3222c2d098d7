// Pictures embedded in the program: tool-bar glyphs and icon 300.
#pragma once

class wxBitmap;
class wxIcon;
class wxIconBundle;

// The 20 x 20 glyph of a tool-bar command (101..108, 199); an empty bitmap
// for any other id.
wxBitmap ToolGlyph(int command);
// Icon 300: the frame's icon, also shown in the about box.
wxIcon AppIcon();
// Icon 300 in every size the program carries, for the frame's title bar
// and the taskbar.
wxIconBundle AppIcons();
