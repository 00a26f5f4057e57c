// Frame pacing on the scene process's stopwatch: at least the frame time between marks, the
// mark re-stamped after each wait. A short sleep first (2 ms, 8 ms while the opening movie
// plays), then sleeping until about 1 ms before the deadline and yielding for the rest.
#pragma once

#include <functional>

#include "app/lib_timer.h"

// Set under the frame clock (end-to-end runs): time moves only from frame to frame, so the
// frame wait does not sleep; the marks are kept as ever.
extern bool g_FramePacingOff;

class PacingStopwatch : public Stopwatch {
 public:
  double carriedRemainder = 0.0;
  double elapsedAtLastWait = 0.0;
  double elapsedAtEntry = 0.0;
  int noWait = 0;  // set when an online battle frame did not advance

  // Collaborators (the movie player, the device request, the scene ids, direct netplay).
  std::function<bool()> isMoviePlaying;
  std::function<bool()> verticalSyncRequested;
  std::function<bool()> sceneUnchanged;      // last-run scene id == current scene id
  std::function<int()> updateNetConnection;  // 0 = the direct-netplay sequence ended

  int WaitNextFrame(double frameTime);
  int PaceFrame(double frameTime);
  int WaitUntil(double frameTime);
};
