// Starts wx once for every GUI test; wx asserts become test failures.
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>

#ifdef __WXGTK__
#include <glib.h>
#endif

namespace {

// Longest one test may take before the run is stopped: a dialog that
// nobody answers would otherwise hang it. The longest test takes some 50 s
// in the sanitized run, with full stacks on every allocation.
constexpr unsigned TestTimeLimitSeconds = 300;

// The test that is running, for the message of a run that was stopped.
char RunningTest[256];

class TGuardEachTest : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo& info) override {
    snprintf(RunningTest, sizeof RunningTest, "%s.%s", info.test_suite_name(), info.name());
    alarm(TestTimeLimitSeconds);
  }
  void OnTestProgramEnd(const ::testing::UnitTest&) override {
    snprintf(RunningTest, sizeof RunningTest, "the end of the run");
    alarm(TestTimeLimitSeconds);
  }
};

void StopHungRun(int) {
  const char head[] = "\na test took too long; the run was stopped in ";
  (void)!write(STDERR_FILENO, head, sizeof head - 1);
  (void)!write(STDERR_FILENO, RunningTest, strlen(RunningTest));
  (void)!write(STDERR_FILENO, "\n", 1);
  _exit(1);
}

class TTestApp : public wxApp {
 public:
  bool OnInit() override { return true; }
};

void FailOnAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
                  const wxString& msg) {
  ADD_FAILURE_AT(file.utf8_str(), line)
      << "wx assert in " << func.utf8_str() << ": " << cond.utf8_str() << " "
      << msg.utf8_str();
}

#ifdef __WXGTK__
// A critical message or a warning of GTK is a fault of the program (a
// call with a wrong argument, a widget asked for a size it cannot have):
// the test that caused it fails.
void FailOnGtkMessage(const gchar* domain, GLogLevelFlags level, const gchar* message,
                      gpointer) {
  const char* kind = (level & G_LOG_LEVEL_CRITICAL) ? "CRITICAL" : "WARNING";
  fprintf(stderr, "(%s-%s) %s\n", domain, kind, message);
  ADD_FAILURE() << domain << "-" << kind << ": " << message;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // A log written to a file shows each test as it starts.
  setvbuf(stdout, nullptr, _IOLBF, 0);
  ::testing::UnitTest::GetInstance()->listeners().Append(new TGuardEachTest);
  signal(SIGALRM, StopHungRun);
  alarm(TestTimeLimitSeconds);
  wxApp::SetInstance(new TTestApp);
  if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
    fprintf(stderr, "cannot start wx (no display?)\n");
    return 77;
  }
  wxSetAssertHandler(FailOnAssert);
#ifdef __WXGTK__
  for (const char* domain : {"Gtk", "Gdk", "GLib-GObject"})
    g_log_set_handler(domain,
                      static_cast<GLogLevelFlags>(G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING),
                      FailOnGtkMessage, nullptr);
#endif
  int result = RUN_ALL_TESTS();
  wxTheApp->OnExit();
  wxEntryCleanup();
  return result;
}
