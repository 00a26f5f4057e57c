// The end-to-end run of the game binary (test tooling): with `--input-script` the fake input
// device stands in for the keyboard and pads and the script drives it frame by frame; with
// `--report` the run's events go to a JSON-lines file (scene changes, the logic thread's log
// lines and box texts, match results, battle frames, replay saves and divergences, the exit
// code); with `--unpaced` time is the frame count; with `--play-replay` the first frame starts a
// replay's playback. The logic frame calls the two frame steps; without any option they do
// nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vt::e2e {

struct EndToEndOptions {
  std::string scriptFile;  // "" none
  std::string reportFile;  // "" none
  std::string replayFile;  // "" none; else played from the first frame
  bool unpaced = false;
};

// The calendar time the frame clock starts at.
inline constexpr int kFrameClockYear = 2026, kFrameClockMonth = 4, kFrameClockDay = 1, kFrameClockHour = 12;

// Installs the frame clock (before anything reads a time): the process clock, the calendar, the
// movie clock and the frame waits move 1/60 s per frame and nothing sleeps. The sound then plays
// on a null device advanced by one frame of samples per frame.
void UseFrameClock();
bool FrameClockInUse();

// Reads and parses the script (when one is named) and opens the report (when one is named).
// False with `error` set when the script cannot be read or has a bad line, or the report cannot
// be written; the game then does not start.
bool StartEndToEndRun(const EndToEndOptions& options, std::string* error);
// Before the frame reads its input: the script's steps for this frame. 0 when the run is to end
// (the script's quit, a wait that ran out, a replay that cannot be played), else 1.
int EndToEndFrameStart();
// After the frame's scenes ran: scene changes, the battle's frame and its judgements.
void EndToEndFrameEnd();
// 2 when the replay to play was refused, 3 when a wait ran out, else the given code; writes the
// exit line and closes the report.
int FinishEndToEndRun(int exitCode);
// Ends the run's hooks and the frame clock (tests).
void StopEndToEndRun();

// The text of a yes/no or OK box (as the game draws it, Shift-JIS): a message of the report in
// UTF-8, and what the script's box waits look at. Logic thread only.
void ReportBoxText(std::string_view text);
// The battle scene has read the judge's word (g_RoundRestart not 0): the round's winner and, for a
// decided match, its winner, both sides' marks and the route it takes. Logic thread only.
void ReportJudgement();
// A replay save from the result menu: the file (the game's name for it) and whether it was
// written.
void ReportReplaySave(std::string_view file, bool saved);
// A recorded or played round has started (its seeds and start state applied): from here on the
// round's frames are the replay's, and battle lines carry the round index.
void ReportReplayRoundStart(uint32_t roundIndex);
// A playback's first mismatch in a round (round counted from 1, the frame in its log).
void ReportReplayDivergence(uint32_t round, uint32_t frame);

// A game path as the report shows it: forward slashes, no leading "./".
std::string ReportPath(std::string_view gamePath);
// Shift-JIS (CP932) text as UTF-8; bytes that do not convert become U+FFFD.
std::string SjisToUtf8(std::string_view text);

}  // namespace vt::e2e
