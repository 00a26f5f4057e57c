// The two threads: the window thread's message loop (which services device resets and
// screen-mode switches when idle) and the logic thread's frame loop, with their hand-off.
#pragma once

// Window thread: runs the pump until quit, then joins the logic thread.
void RunWindowLoop();
// Logic thread body.
int MainLoopThread();
// One frame; 1 to continue, 0 to end the program.
int RunLogicFrame();
// Logic side of the hand-off; 1 when it stored a screen-mode change.
int SyncWithWindowThread();
// Window side of the hand-off, run whenever the event queue is empty.
void ServiceDeviceReset();

#include <cstdint>

namespace vt {
// The clock's counter when the process started (taken by the entry; for the start-up figure).
uint64_t ProcessStartCounter();
// Frames to run before an automatic quit request (0 = none); counted by the logic thread.
void SetAutoQuitFrames(long frames);
long FramesRun();
}  // namespace vt
