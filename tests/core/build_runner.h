// Runs a whole build against a scripted host, as a dialog's idle loop would.
#pragma once

#include "entries/dir_entry.h"
#include "image/build_driver.h"
#include "script_host.h"

// Steps until the build ends or shows "Done"; the number of steps taken.
inline long RunBuild(TImageBuild& build, long limit = 10000000) {
  build.Start();
  long steps = 0;
  while (build.Running() && steps < limit) {
    build.Step();
    ++steps;
  }
  return steps;
}
