// Questions to GTK and the X server that wx does not ask (their headers
// define names such as Status and FocusIn, so they stay in this file).
#include <string>

#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <wx/filedlg.h>

bool FilterShows(wxFileDialog* files, const char* name) {
  GtkFileFilter* filter = gtk_file_chooser_get_filter(GTK_FILE_CHOOSER(files->GetHandle()));
  if (!filter) return true;
  GtkFileFilterInfo info = {};
  info.contains = GTK_FILE_FILTER_DISPLAY_NAME;
  info.display_name = name;
  return gtk_file_filter_filter(filter, &info);
}

bool HaveWindowManager() {
  GdkScreen* screen = gdk_screen_get_default();
  return screen && GDK_IS_X11_SCREEN(screen) &&
         std::string(gdk_x11_screen_get_window_manager_name(screen)) != "unknown";
}

int SetDesktopDpi(int dotsPerInch) {
  GtkSettings* settings = gtk_settings_get_default();
  int old = -1;
  g_object_get(settings, "gtk-xft-dpi", &old, nullptr);
  // The setting counts 1/1024 dots; -1 is the X server's default.
  g_object_set(settings, "gtk-xft-dpi", dotsPerInch > 0 ? dotsPerInch * 1024 : -1, nullptr);
  return old > 0 ? old / 1024 : -1;
}
