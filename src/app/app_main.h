// Process entry and the application body.
#pragma once

#include <string>
#include <vector>

// The program's own command-line options, split from the game's command line.
struct LaunchOptions {
  std::string dataFolder;     // --data DIR: the game folder (default: the executable's folder)
  long autoQuitFrames = 0;    // --frames N: request quit after N frames
  std::string traceFile;      // --trace FILE: copy the debugger output into FILE
  std::string onlineService;  // --online-service HOST:PORT: the lobby service to log in to
  std::string onlineProfile;  // --online-profile FILE: the online profile (default: the config folder's)
  std::string inputScript;    // --input-script FILE: end-to-end runs: the script driving a fake input device
  std::string reportFile;     // --report FILE: end-to-end runs: the JSON-lines report
  std::string playReplay;     // --play-replay FILE: end-to-end runs: the replay played from the first frame
  bool unpaced = false;       // --unpaced: end-to-end runs: time is the frame count, nothing sleeps
  std::string commandLine;    // everything else, joined with blanks, as the game sees it
};

LaunchOptions ParseLaunchOptions(const std::vector<std::string>& args);

// "+connect_lobby <id>": the last occurrence with a following argument wins (0 = none).
int64_t ParseConnectLobby(const std::vector<std::string>& gameArgs);

bool PrepareApplication(const std::string& commandLine);
bool MarkFirstBoot();
int RunApplication(const std::string& commandLine);
