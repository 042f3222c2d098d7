// The window program: the application object and the program entry.
#include <wx/app.h>

#include "app/main_frame.h"

class TMyApp : public wxApp {
 public:
  bool OnInit() override {
    SetAppDisplayName(AppTitle);
    SetTopWindow(BuildMainWindow());
    return true;
  }
};

wxIMPLEMENT_APP(TMyApp);
