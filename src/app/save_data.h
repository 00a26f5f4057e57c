// The two save records under ".\System\": `GameData` (400-byte configuration) and `PlayData`
// (992-byte play counts, play times, per-character results and the score table), their
// validation, defaults, loading and saving, and the six play-time timers.
// Only the logic thread (and start-up before it runs) touches them.
#pragma once

#include <cstdint>

#include "scene/RankingTable.h"

constexpr uint32_t kSaveDataMagic = 0xF0FFF004u;
constexpr const char* kGameDataPath = ".\\System\\_QZGameData.dat";
constexpr const char* kPlayDataPath = ".\\System\\_QZPlayData.dat";

struct ModeRecord {
  int32_t Difficulty;   // 0..4
  int32_t WinCount;     // 1..3
  int32_t DamageLevel;  // 0..4
  int32_t TimeSpeed;    // 0..4
  int32_t flag;         // 0..1 ("ReplaySave" in record 1)
};

struct GameData {
  uint32_t magic;
  ModeRecord modes[16];         // 0 arcade, 1 versus, 2..15 kept alike
  int32_t BgmVolume;            // 0..21
  int32_t SeVolume;             // 0..21
  int32_t ConfigMode;           // 0..5
  int32_t BackgroundSound;      // 0..1
  int32_t HiddenInputUnlocked;  // 0..1
  int32_t AltVectorTable;       // 0..1
  int32_t GameSpeed;            // 0..5
  int32_t CharaFilter;          // any
  int32_t StageAnimation;       // 0..1
  int32_t ViewFPS;              // any
  int32_t FrameSkip;            // any
  int32_t reserved;             // must be 0
  int32_t SCREEN_FILTER;        // any
  int32_t LetterboxMode;        // any
  int32_t SELECT_LANGUAGE;      // 0 Japanese, 1 English
  int32_t ResolutionWidth;      // any
  int32_t ResolutionHeight;     // any
  int32_t ScreenMode;           // 0..1
  int32_t NetNoticeSeen;        // 0..1
};
static_assert(sizeof(GameData) == 400);

struct CharacterRecord {
  int32_t counters[4];  // first (unused here), matches played, wins, losses; saturating
};

struct PlayData {
  uint32_t magic;
  uint32_t totalPlayTime;  // seconds
  uint32_t playCount;      // saturating
  uint32_t playSeconds;
  uint32_t modePlayCount;
  uint32_t modePlaySeconds;
  CharacterRecord characters[40];
  RankingTable ranking;  // offset 664
};
static_assert(sizeof(PlayData) == 992);

// Null until loaded.
extern GameData* g_GameData;
extern PlayData* g_PlayData;

// Load the record from disk (never from a pack: the player's file must not be shadowed);
// missing, short or invalid files give the defaults.
void LoadGameData();
void LoadPlayData();
// Validate (defaulting an invalid record) and write the whole record safely (temporary file,
// fsync, rename). False (logged) when the write failed; the old file then stays as it was.
bool SaveGameData();
bool SavePlayData();
// 1 valid or no record loaded, 0 invalid.
int ValidateGameData();
int ValidatePlayData();
void ResetGameData();
void ResetPlayData();
// Defaults into a record that is not loaded (tests, the sample-data builder).
void FillDefaultGameData(GameData& data);
void FillDefaultPlayData(PlayData& data);
bool IsGameDataValid(const GameData& data);
bool IsPlayDataValid(const PlayData& data);

// Start-up after LoadPlayData: a score table with a wrong header word or a damaged row is reset
// and PlayData saved. True when that happened.
bool CheckScoreTableAtStartup();

int32_t GetCharaFilter();
int IsConfigModeOne();
// "SELECT_LANGUAGE": 1 English (also without a record), 0 Japanese.
int32_t GetSelectLanguage();

// The record of a character index, or -1 for the indexes without one.
int CharacterRecordIndex(int character);
// Wins +1 for the winner's character, losses +1 for the loser's (each when it has a record).
void CountMatchResultByCharacter(int winnerCharacter, int loserCharacter);

// ---- Play-time timers ----

// Timers read the platform clock (platform/clock.h; tests install a fake one).
struct PlayTimer {
  int32_t running;
  uint64_t startMs;
  void Reset();                     // stamps its start, stops it
  uint32_t ElapsedSeconds() const;  // whole seconds since the start when running, else 0
};
enum PlayTimerId {
  kRunTimer = 0,
  kPlayTimer,
  kModeTimer0,
  kModeTimer1,
  kModeTotalTimer,
  kRoundTimer,
  kPlayTimerCount
};
extern PlayTimer g_PlayTimers[kPlayTimerCount];
// The total play time loaded at start-up (base of the running total).
extern uint32_t g_TotalPlayTimeBase;

void StartRunPlayTimer();
void ResetPlayTimers();
void StartPlayTimers(int mask);
void StopPlayTimers();
void StartModePlayTimer(int n);
void AccumulatePlayTime();
// Keeps PlayData's total play time at the loaded value plus the run timer's seconds.
void UpdateTotalPlayTime();
