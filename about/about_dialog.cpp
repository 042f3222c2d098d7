#include "about/about_dialog.h"

#include <wx/wx.h>

// Placeholder until the about box is drawn.
void RunAboutDialog(wxWindow*) {}
