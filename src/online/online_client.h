// The online layer as the program's spine needs it until the online services exist: a client
// whose start-up succeeds (unless forced to fail, to exercise the fatal path), callbacks queued
// and run on the logic thread, the two per-frame task lists and the achievement flush.
#pragma once

#include <functional>

bool OnlineClientInit();
void OnlineClientRunCallbacks();
void OnlineClientShutdown();
// Queues a callback to run at the next OnlineClientRunCallbacks (any thread).
void OnlineClientQueueCallback(std::function<void()> callback);
// Tests (and VT_ONLINE_INIT_FAIL=1) make the next Init fail.
void OnlineClientForceInitFailure(bool fail);

void InitOnlineSystem();
void DeleteOnlineSystem();
// Runs the first (0) or second (1) task list; returns the number of tasks run.
int RunOnlineTaskList(int list);
void FlushAchievements();
