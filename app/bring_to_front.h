// Bringing the program's window to the front when it answers something
// the user did in another program's window (a drop from a file manager).
#pragma once

class wxWindow;

// Makes the top-level window of w the active one, with the keyboard focus,
// so the dialogs it opens next come in front of the other program too.
void BringToFront(wxWindow* w);
