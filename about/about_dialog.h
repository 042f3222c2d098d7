// The about box (command 199); a double click on its picture opens the game.
#pragma once

class wxWindow;

// Runs the about box modally over parent.
void RunAboutDialog(wxWindow* parent);
