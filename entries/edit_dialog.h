// The entry dialog: New Line (Insert) and Edit Current Line (Edit, Enter,
// double click), as chosen by EditMode.
#pragma once

class TMyWindow;

// Runs the entry dialog modally over the list window; it changes the list
// itself on OK.
void RunEditDialog(TMyWindow& window);
