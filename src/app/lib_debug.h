// Debugger output: the stand-in for the debugger channel the game prints its trace lines to.
// Lines go to standard error and, when set, to a trace file (the smoke tests read it).
#pragma once

#include <string>

// Formats into 256 characters and sends the text to the debugger output.
void DebugPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Sends text unchanged to the debugger output.
void DebugOutput(const char* text);

namespace vt {
// Also append every debugger-output text to this file ("" stops it).
void SetDebugTraceFile(const std::string& path);
// Also hands every debugger-output text to this function, on the thread that wrote it (null
// stops it). The end-to-end run reads the logic thread's lines through it.
void SetDebugObserver(void (*observer)(const char* text));
// Silences standard error (tests that exercise noisy failure paths).
void SetDebugQuiet(bool quiet);
}  // namespace vt
