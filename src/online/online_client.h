// The online layer as the program's spine calls it: the platform's start (one OnlineContext for
// the process, on the networked client when a service is named, else offline), the warning hook, the
// frame's callback drain and the platform's shutdown; the online application's two task lists
// and the achievement flush.
#pragma once

namespace vt::online {
class OnlineContext;
struct OnlineClientOptions;
}  // namespace vt::online

// What the command line says about the service and the profile; Init reads it. Until set, there
// is neither (tests that call Init directly start offline and never touch a player's profile).
void OnlineClientSetOptions(const vt::online::OnlineClientOptions& options);
// Creates the process's online context. Fails only when forced (tests, VT_ONLINE_INIT_FAIL=1),
// which keeps the fatal start-up path reachable.
bool OnlineClientInit();
// Runs the current platform's client queue (the frame's callback drain).
void OnlineClientRunCallbacks();
void OnlineClientShutdown();
// Tests (and VT_ONLINE_INIT_FAIL=1) make the next Init fail.
void OnlineClientForceInitFailure(bool fail);
// Routes the platform's warnings to SteamWarningHook.
void OnlineClientInstallWarningHook();
// Copies a platform warning to the debugger output.
void SteamWarningHook(int severity, const char* text);

void InitOnlineSystem();
void DeleteOnlineSystem();
// Runs the first (0) or second (1) task list; returns the number of tasks run.
int RunOnlineTaskList(int list);
void FlushAchievements();
