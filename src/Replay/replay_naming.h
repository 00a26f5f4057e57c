// Replay and dummy file names from templates: the template file's [Header] Name and Ext, tokens
// for the characters, styles, date and direct-netplay user names, and the safe, unique file name
// a versus replay is saved under.
#pragma once

#include <string>
#include <string_view>

#include "Replay/replay_file.h"
#include "platform/clock.h"

inline constexpr char kDefaultReplayTemplate[] = "<1PNAME>x<2PNAME>_<Y><M><D><H><m><S>.rep";
inline constexpr char kDefaultDummyTemplate[] = "RepD_@CPUNAME@_@CPUSTYLE@.dmr";
inline constexpr char kReplayTemplateFile[] = ".\\System\\HeaderReplayVS.txt";
inline constexpr char kReplayNetTemplateFile[] = ".\\System\\HeaderReplayNetVS.txt";
inline constexpr char kDummyTemplateFile[] = ".\\System\\HeaderRepDummy.txt";
inline constexpr char kReplayFolder[] = ".\\ReplayVS\\";
inline constexpr char kDummyFolder[] = ".\\RepDummy\\";

// The direct-netplay session the net tokens read: whether one runs and each side's user name.
// Nothing opens a session yet; the default answers "no session".
struct ReplayNetSessionHook {
  bool (*sessionRunning)() = nullptr;
  std::string (*userName)(int side) = nullptr;
};
extern ReplayNetSessionHook g_ReplayNetSession;

// Appends the expansion of the token at `text` (which starts with "<") and returns how many
// characters it used: up to and including the next ">", or the rest without one. 0 when the text
// does not start with "<". Date tokens read `now`.
size_t ExpandReplayFileName(std::string* out, std::string_view text, const vt::platform::LocalTime& now);

// The template of the file (Name then Ext of its [Header]), or `defaultTemplate` when the file
// is missing or either value is missing or empty; expanded with one clock reading (`now`) and made
// safe for a file name. Always 1.
int BuildReplayFileName(std::string_view templateFile, std::string* out, std::string_view defaultTemplate,
                        const vt::platform::LocalTime& now);

// A file name that stays one file in the replay folder: no path separators, no "..", no control
// characters, reserved device names in their full-width forms, at most 200 bytes before the
// extension (cut at a character boundary). Shift-JIS aware: a trail byte 0x5C is no separator.
std::string SanitiseReplayFileName(std::string_view name);

// A versus replay's name (no folder) from the template file, never naming a file that exists in
// the replay folder ("_1", "_2", ... before the extension; letter case does not count), with the
// header's date taken from the same clock reading.
std::string MakeReplayFileName(std::string_view templateFile, ReplayFileHeader* header);
