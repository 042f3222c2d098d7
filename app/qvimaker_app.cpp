// The window program: the application object and the program entry.
#include <wx/app.h>

#include <csignal>
#include <string>

#include "app/list_window.h"
#include "app/main_frame.h"
#include "app/text_convert.h"

class TMyApp : public wxApp {
 public:
  bool OnInit() override {
#ifdef SIGXFSZ
    // A file-size limit reached while writing an image is a failed write,
    // reported like any other, not the end of the program.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    SetAppDisplayName(AppTitle);
    TMyDecoratedFrame* frame = BuildMainWindow();
    SetTopWindow(frame);
    // qvimaker LIST opens that list once the window is up; a list that
    // cannot be opened is shown as a message over an empty list.
    if (argc > 1) {
      std::string list = FromWx(argv[1]);
      frame->Client->CallAfter([frame, list] { frame->Client->OpenList(list); });
    }
    return true;
  }
};

wxIMPLEMENT_APP(TMyApp);
