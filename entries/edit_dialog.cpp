#include "entries/edit_dialog.h"

// Placeholder until the entry dialog exists.
void RunEditDialog(TMyWindow&) {}
