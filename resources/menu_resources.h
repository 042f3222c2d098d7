// Menu 100, the accelerators of the list window and the command hints.
#pragma once

#include <wx/string.h>

class wxMenuBar;
class wxAcceleratorTable;

// Menu 100: File (the list files, Open Image, Create Image, Burn Image (not on
// Windows), Copy to SD Card, Run File Manager, Quit), Edit and Help, with
// every command's hint.
wxMenuBar* CreateMainMenu();
// Accelerator table 500: Del 101, Enter 103, Ins 102, on the keypad too;
// Ctrl+N, Ctrl+O, Ctrl+S and Shift+Ctrl+S for the list files, Ctrl+Q.
wxAcceleratorTable CreateListAccelerators();
// The command's string: the status hint, then optionally "\n" and more.
wxString CommandString(int command);
// The status-bar hint: the command's string up to its first line break.
wxString CommandHint(int command);
// The tool tip: the command's menu text without its first "&", cut at the
// tab and without trailing full stops.
wxString CommandToolTip(int command);
