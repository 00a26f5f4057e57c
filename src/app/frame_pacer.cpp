// Frame pacing.
#include "app/frame_pacer.h"

#include <cmath>

#include "platform/clock.h"

bool g_FramePacingOff = false;

int PacingStopwatch::WaitNextFrame(double frameTime) {
  elapsedAtEntry = Now();
  if (g_FramePacingOff) {
    const int result = noWait != 0 ? 0 : 1;  // as the wait answers a frame that did not advance
    elapsedAtLastWait = elapsedAtEntry;
    Start();
    noWait = 0;
    return result;
  }
  bool waitRuns = noWait == 0;
  if (waitRuns) {
    vt::platform::GetClock().SleepMs(isMoviePlaying && isMoviePlaying() ? 8 : 2);
  }
  int result = PaceFrame(frameTime);
  if (waitRuns) Start();  // the next frame is measured from the end of this wait
  noWait = 0;
  return result;
}

// The frame loop always paces with 1/60 s, which goes straight to the wait.
int PacingStopwatch::PaceFrame(double frameTime) { return WaitUntil(frameTime); }

int PacingStopwatch::WaitUntil(double frameTime) {
  if (noWait != 0) return 0;
  auto& clock = vt::platform::GetClock();
  double elapsed = Now();
  elapsedAtLastWait = elapsed;
  bool unchanged = sceneUnchanged && sceneUnchanged();
  if (verticalSyncRequested && verticalSyncRequested()) {
    if (unchanged && updateNetConnection) updateNetConnection();
    return 1;
  }
  while (elapsed < frameTime) {
    if (sceneUnchanged && sceneUnchanged() && updateNetConnection && updateNetConnection() == 0) break;
    // Sleep to about 1 ms before the deadline, then yield: no long busy wait on few cores.
    // Within the last millisecond the difference is negative: no sleep (a negative value cast
    // to an unsigned one is undefined).
    const double untilLastMs = std::floor((frameTime - elapsed - 0.001) * 1000.0);
    const uint32_t sleepMs = untilLastMs > 0.0 ? static_cast<uint32_t>(untilLastMs) : 0u;
    if (frameTime - elapsed > 0.002 && sleepMs > 0) {
      clock.SleepMs(sleepMs);
    } else {
      clock.Yield();
    }
    elapsed = Now();
    elapsedAtLastWait = elapsed;
  }
  return 1;
}
