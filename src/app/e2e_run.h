// The end-to-end run of the game binary (test tooling): with `--input-script` the fake input
// device stands in for the keyboard and pads and the script drives it frame by frame; with
// `--report` the run's events go to a JSON-lines file (scene changes, the logic thread's log
// lines, the exit code). The logic frame calls the two frame steps; without either option they
// do nothing.
#pragma once

#include <string>

namespace vt::e2e {

// Reads and parses the script (when one is named) and opens the report (when one is named).
// False with `error` set when the script cannot be read or has a bad line, or the report cannot
// be written; the game then does not start.
bool StartEndToEndRun(const std::string& scriptFile, const std::string& reportFile, std::string* error);
// Before the frame reads its input: the script's steps for this frame. 0 when the run is to end
// (the script's quit, or a wait that ran out), else 1.
int EndToEndFrameStart();
// After the frame's scenes ran: a scene change is reported.
void EndToEndFrameEnd();
// 3 when a wait ran out, else the given code; writes the exit line and closes the report.
int FinishEndToEndRun(int exitCode);
// Ends the run's hooks (tests).
void StopEndToEndRun();

}  // namespace vt::e2e
