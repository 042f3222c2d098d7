// The list window under load, for bench/load: for each list size in
// QV_LOAD_SIZES (default "1000 5000 20000 60000") a list file of that many
// lines in shuffled order is opened, then the list is filled by drops of
// 500 files, and every single action a person takes on it is timed: a new
// line through the entry dialog's OK, Delete at the start, middle and end,
// a page of scrolling, a jump to the end and back, and a paint of the whole
// window. After an open, a drop, an OK and a Delete, the status bar's
// figures are worked out as the idle steps do it, from real (empty) files:
// the time until they are there and the longest step. Prints
// "LOAD <size> <action> <milliseconds>" lines (the median of a few runs)
// and "LOADSTEPS <size> <action> <steps>". Disabled in the normal run.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <random>
#include <sstream>
#include <unistd.h>

#include "entries/list_file.h"
#include "platform/file_system.h"
#include "tests/core/temp_dir.h"

#include "app/command_ids.h"
#include "drop_answers.h"
#include "entries/ui/edit_dialog.h"

namespace {

// Files per drop, as a folder's worth dragged from the file manager.
constexpr int DropSize = 500;
// Runs of each action; the median is printed.
constexpr int Runs = 9;
// Rows the window shows, about a full-screen window.
constexpr int ShownRows = 30;
// A frame and a little more: what is still to paint is painted by then.
constexpr int SettleMs = 20;
// Longest wait for the paint an action asked for.
constexpr int PaintWaitMs = 500;

// The X server draws after the program has sent its requests: wait for it,
// so that a paint is timed with the server's share. GTK is loaded already;
// two calls need no header of its own.
void SyncWithServer() {
  using TGetDefault = void* (*)();
  using TSync = void (*)(void*);
  static auto getDefault =
      reinterpret_cast<TGetDefault>(dlsym(RTLD_DEFAULT, "gdk_display_get_default"));
  static auto sync = reinterpret_cast<TSync>(dlsym(RTLD_DEFAULT, "gdk_display_sync"));
  if (getDefault && sync) sync(getDefault());
}

using TClock = std::chrono::steady_clock;

double MillisSince(TClock::time_point start) {
  return std::chrono::duration<double, std::milli>(TClock::now() - start).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

class TLoadBench : public TFrameTest {
 protected:
  void Report(int size, const char* action, double ms) {
    printf("LOAD %d %s %.4f\n", size, action, ms);
    fflush(stdout);
  }
  void Scroll(wxEventType type) {
    wxScrollWinEvent event(type, 0, wxVERTICAL);
    event.SetEventObject(Window);
    Window->GetEventHandler()->ProcessEvent(event);
  }
  // The real file of line i: the files of a folder's worth of lines lie in
  // a folder of their own.
  std::string Source(int i) {
    char name[32];
    snprintf(name, sizeof name, "/o%03d/g%05d.qv", i / DropSize, i);
    return Files.Path + name;
  }
  // Makes the empty files of lines 0 .. count-1.
  void MakeSources(int count) {
    for (int i = 0; i < count; ++i) {
      if (i % DropSize == 0) mkdir(FolderOfPath(Source(i)).c_str(), 0700);
      close(open(Source(i).c_str(), O_CREAT | O_WRONLY, 0600));
    }
  }
  // Drops the `count` files of folder <folder> into folder D<folder>, one drop.
  void Drop(int folder, int count) {
    wxArrayString names;
    char name[64];
    for (int i = 0; i < count; ++i) names.Add(ToWx(Source(folder * DropSize + i)));
    snprintf(name, sizeof name, "\\D%03d\\", folder);
    Drops.Destination = name;
    DropFiles(*Window, names);
  }
  // The action, then the paint it asked for: GTK paints at the display's
  // next frame, so the wait for that frame is left out and the paint's own
  // time, with the X server's share, is added. The idle steps of the status
  // bar's figures wait meanwhile (they are measured on their own, below).
  template <class F>
  double Timed(F action) {
    Pump(SettleMs);  // earlier paints done
    wxIdleEvent::SetMode(wxIDLE_PROCESS_SPECIFIED);
    int before = Paints;
    TClock::time_point start = TClock::now();
    action();
    double ms = MillisSince(start);
    TClock::time_point end = TClock::now() + std::chrono::milliseconds(PaintWaitMs);
    while (Paints == before && TClock::now() < end) wxYield();
    if (Paints != before) {
      SyncWithServer();
      ms += MillisSince(PaintStart);
    }
    wxIdleEvent::SetMode(wxIDLE_PROCESS_ALL);
    return ms;
  }
  // The status bar's figures worked out after an action, as the idle steps
  // do it: the time until they are there, the longest step, the steps.
  void Figures(int size, const std::string& action) {
    int steps = 0;
    double longest = 0;
    TClock::time_point start = TClock::now();
    while (!Window->FiguresUpToDate()) {
      TClock::time_point at = TClock::now();
      Window->StepEstimate();
      longest = std::max(longest, MillisSince(at));
      ++steps;
    }
    Report(size, ("figures_" + action).c_str(), MillisSince(start));
    Report(size, ("figures_" + action + "_step").c_str(), longest);
    printf("LOADSTEPS %d %s %d\n", size, action.c_str(), steps);
  }
  void Measure(int size);

  TTempDir Files;
  TDropAnswers Drops;
  int Paints = 0;
  TClock::time_point PaintStart;
};

void TLoadBench::Measure(int size) {
  // Open List of a file in shuffled order, as a script or find writes it,
  // with names the window has not measured before.
  {
    std::vector<int> order(static_cast<std::size_t>(size));
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), std::mt19937(size));
    std::string text;
    char line[96];
    for (int i : order) {
      snprintf(line, sizeof line, "\\O%03d\\G%05d.QV\t", i / DropSize, i);
      text += line + Source(i) + "\n";
    }
    char path[] = "/tmp/qvload.XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fd);
    Report(size, "open_list", Timed([&] { EXPECT_TRUE(Window->OpenList(path)); }));
    // Opened again, every file is read anew.
    EXPECT_TRUE(Window->OpenList(path));
    Figures(size, "open");
    unlink(path);
    ASSERT_EQ(Window->Entries.Count(), static_cast<std::size_t>(size));
  }

  Window->Entries.Flush();
  Window->CurrentLine = 0;
  Lines();

  // Filling: one drop per folder (the list work, without the paints); then
  // one drop more as a single action on the full list.
  int folders = (size + DropSize - 1) / DropSize;
  TClock::time_point start = TClock::now();
  for (int folder = 0; folder < folders; ++folder)
    Drop(folder, std::min(DropSize, size - folder * DropSize));
  Report(size, "fill_by_drops", MillisSince(start));
  ASSERT_EQ(Window->Entries.Count(), static_cast<std::size_t>(size));
  Report(size, "drop_500_more", Timed([&] { Drop(folders, DropSize); }));
  // The figures of the full list first, as the idle steps between drops
  // would have made them.
  while (Window->StepEstimate()) {}
  Drop(folders + 1, DropSize);
  Figures(size, "drop");
  Window->CurrentLine = 0;

  // The column measure that Delete of the widest line and every OK run.
  {
    std::vector<double> times;
    for (int i = 0; i < Runs; ++i) {
      TClock::time_point at = TClock::now();
      Window->MeasureNameColumn();
      times.push_back(MillisSince(at));
    }
    Report(size, "measure_column", Median(times));
  }

  // New Line, OK: the dialog's own check and change of the list. The lines
  // go into the middle of the list.
  {
    EditMode = EditNewLine;
    TNewEditDialog dialog(*Window);
    std::vector<double> times;
    for (int i = 0; i < Runs; ++i) {
      char image[32];
      snprintf(image, sizeof image, "\\D%03d\\NEW%05d.QV", folders / 2, i);
      dialog.ImageEdit->ChangeValue(image);
      dialog.RealEdit->ChangeValue("/load/new.qv");
      times.push_back(Timed([&] { EXPECT_TRUE(dialog.Accept()); }));
    }
    Report(size, "insert_one_ok", Median(times));
    dialog.ImageEdit->ChangeValue(ToWx("\\D000\\NEWER.QV"));
    EXPECT_TRUE(dialog.Accept());
    Figures(size, "ok");
  }

  // Delete at three places, each the current line.
  auto deleteAt = [&](const char* action, auto where) {
    std::vector<double> times;
    for (int i = 0; i < Runs; ++i) {
      Window->CurrentLine = where();
      times.push_back(Timed([&] { Command(CmDelete); }));
    }
    Report(size, action, Median(times));
  };
  deleteAt("delete_start", [] { return 0; });
  deleteAt("delete_middle", [&] { return static_cast<int>(Window->Entries.Count()) / 2; });
  deleteAt("delete_end", [&] { return static_cast<int>(Window->Entries.Count()) - 1; });
  Command(CmDelete);
  Figures(size, "delete");

  // Scrolling: a page down from the top, then to the end and back.
  Scroll(wxEVT_SCROLLWIN_TOP);
  Window->SetCurrentLine(0);
  std::vector<double> page, end, top;
  for (int i = 0; i < Runs; ++i) page.push_back(Timed([&] { Scroll(wxEVT_SCROLLWIN_PAGEDOWN); }));
  for (int i = 0; i < Runs; ++i) {
    end.push_back(Timed([&] { Scroll(wxEVT_SCROLLWIN_BOTTOM); }));
    top.push_back(Timed([&] { Scroll(wxEVT_SCROLLWIN_TOP); }));
  }
  Report(size, "scroll_page", Median(page));
  Report(size, "scroll_to_end", Median(end));
  Report(size, "scroll_to_start", Median(top));

  // The whole window painted, from the middle of the list.
  Window->SetCurrentLine(static_cast<int>(Window->Entries.Count()) / 2);
  std::vector<double> paint;
  for (int i = 0; i < Runs; ++i) paint.push_back(Timed([&] { Window->Refresh(); }));
  Report(size, "paint_window", Median(paint));
  printf("LOADPAINTS %d\n", Paints);
}

TEST_F(TLoadBench, DISABLED_ListActionsBySize) {
  ShowLines(ShownRows);
  // Bound handlers run before the window's own: the start of its paint.
  Window->Bind(wxEVT_PAINT, [this](wxPaintEvent& e) {
    if (++Paints) PaintStart = TClock::now();
    e.Skip();
  });
  const char* env = std::getenv("QV_LOAD_SIZES");
  std::istringstream sizes(env ? env : "1000 5000 20000 60000");
  std::vector<int> all;
  for (int size; sizes >> size;) all.push_back(size);
  // The largest list, and the two drops beyond it.
  if (!all.empty()) MakeSources(*std::max_element(all.begin(), all.end()) + 3 * DropSize);
  for (int size : all) {
    Measure(size);
    if (HasFatalFailure()) return;
  }
}

}  // namespace
