// Save records: validation, defaults, loading, safe saving; the play-time timers.
#include "app/save_data.h"

#include <cstring>
#include <span>

#include "app/file_loader.h"
#include "app/lib_debug.h"
#include "app/lib_file.h"
#include "platform/clock.h"

GameData* g_GameData = nullptr;
PlayData* g_PlayData = nullptr;
PlayTimer g_PlayTimers[kPlayTimerCount];
uint32_t g_TotalPlayTimeBase = 0;

namespace {

GameData s_GameData;
PlayData s_PlayData;

bool InRange(int32_t v, int32_t lo, int32_t hi) { return v >= lo && v <= hi; }

// Reads a record from disk. False when missing; a file shorter than the record is refused
// (the bytes beyond it are not defined) and logged.
bool ReadRecord(const char* path, void* record, size_t size) {
  CFileLoader loader;
  if (!loader.Open(path, true)) return false;
  if (!loader.ReadAndWait(nullptr, 0, 0) || !loader.ReadComplete()) {
    DebugPrint("%s: read failed; using defaults\n", path);
    return false;
  }
  DataBuffer data = loader.TakeBuffer();
  if (data.size() < size) {
    DebugPrint("%s: %u bytes, shorter than its %zu-byte record; using defaults\n", path, data.size(), size);
    return false;
  }
  std::memcpy(record, data.data(), size);
  return true;
}

template <typename T>
bool WriteRecord(const char* path, const T& record) {
  return lib::SaveFileAtomic(path,
                             std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(&record), sizeof(T)));
}

// Milliseconds from the performance counter (the millisecond timer when there is none).
uint64_t NowMs() {
  vt::platform::Clock& clock = vt::platform::GetClock();
  uint64_t frequency = clock.CounterFrequency();
  if (frequency == 0) return clock.Milliseconds();
  return static_cast<uint64_t>(static_cast<unsigned __int128>(clock.Counter()) * 1000 / frequency);
}

void AddSaturating(uint32_t& value, uint32_t add) {
  uint64_t sum = static_cast<uint64_t>(value) + add;
  value = sum > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(sum);
}

void Stamp(PlayTimer& t, bool running) {
  t.startMs = NowMs();
  t.running = running ? 1 : 0;
}

}  // namespace

// ---- Records ----

bool IsGameDataValid(const GameData& d) {
  if (d.magic != kSaveDataMagic) return false;
  for (const ModeRecord& m : d.modes) {
    if (!InRange(m.Difficulty, 0, 4) || !InRange(m.WinCount, 1, 3) || !InRange(m.DamageLevel, 0, 4) ||
        !InRange(m.TimeSpeed, 0, 4) || !InRange(m.flag, 0, 1)) {
      return false;
    }
  }
  return InRange(d.BgmVolume, 0, 21) && InRange(d.SeVolume, 0, 21) && InRange(d.ConfigMode, 0, 5) &&
         InRange(d.BackgroundSound, 0, 1) && InRange(d.HiddenInputUnlocked, 0, 1) &&
         InRange(d.AltVectorTable, 0, 1) && InRange(d.GameSpeed, 0, 5) && InRange(d.StageAnimation, 0, 1) &&
         d.reserved == 0 && InRange(d.SELECT_LANGUAGE, 0, 1) && InRange(d.ScreenMode, 0, 1) &&
         InRange(d.NetNoticeSeen, 0, 1);
}

bool IsPlayDataValid(const PlayData& d) {
  if (d.magic != kSaveDataMagic) return false;
  for (const CharacterRecord& c : d.characters) {
    for (int32_t v : c.counters) {
      if (v < 0) return false;
    }
  }
  return true;
}

void FillDefaultGameData(GameData& d) {
  std::memset(&d, 0, sizeof(d));
  d.magic = kSaveDataMagic;
  for (ModeRecord& m : d.modes) m = ModeRecord{2, 2, 2, 2, 0};
  d.BackgroundSound = 1;
  d.CharaFilter = 2;
  d.SELECT_LANGUAGE = 1;
  d.ResolutionWidth = 1280;
  d.ResolutionHeight = 720;
  d.ScreenMode = 1;
}

void FillDefaultPlayData(PlayData& d) {
  std::memset(&d, 0, sizeof(d));
  d.magic = kSaveDataMagic;
  ResetRankingTable(d.ranking);
}

int ValidateGameData() { return !g_GameData || IsGameDataValid(*g_GameData) ? 1 : 0; }
int ValidatePlayData() { return !g_PlayData || IsPlayDataValid(*g_PlayData) ? 1 : 0; }

void ResetGameData() {
  if (g_GameData) FillDefaultGameData(*g_GameData);
}
void ResetPlayData() {
  if (g_PlayData) FillDefaultPlayData(*g_PlayData);
}

void LoadGameData() {
  g_GameData = &s_GameData;
  if (!ReadRecord(kGameDataPath, &s_GameData, sizeof(s_GameData))) {
    FillDefaultGameData(s_GameData);
    return;
  }
  if (!IsGameDataValid(s_GameData)) {
    DebugPrint("%s: a field is out of range; using defaults\n", kGameDataPath);
    FillDefaultGameData(s_GameData);
  }
}

void LoadPlayData() {
  g_PlayData = &s_PlayData;
  if (!ReadRecord(kPlayDataPath, &s_PlayData, sizeof(s_PlayData))) {
    FillDefaultPlayData(s_PlayData);
    return;
  }
  if (!IsPlayDataValid(s_PlayData)) {
    DebugPrint("%s: invalid record; using defaults\n", kPlayDataPath);
    FillDefaultPlayData(s_PlayData);
  }
}

bool SaveGameData() {
  if (!g_GameData) return false;
  if (!ValidateGameData()) ResetGameData();
  return WriteRecord(kGameDataPath, *g_GameData);
}

bool SavePlayData() {
  if (!g_PlayData) return false;
  if (!ValidatePlayData()) ResetPlayData();
  return WriteRecord(kPlayDataPath, *g_PlayData);
}

bool CheckScoreTableAtStartup() {
  if (!g_PlayData) return false;
  g_TotalPlayTimeBase = g_PlayData->totalPlayTime;
  if (CheckRankingTable(g_PlayData->ranking)) return false;
  DebugPrint("%s: score table invalid; reset to defaults\n", kPlayDataPath);
  ResetRankingTable(g_PlayData->ranking);
  SavePlayData();
  return true;
}

int32_t GetCharaFilter() { return g_GameData ? g_GameData->CharaFilter : 2; }
int IsConfigModeOne() { return g_GameData && g_GameData->ConfigMode == 1 ? 1 : 0; }
int32_t GetSelectLanguage() { return g_GameData ? g_GameData->SELECT_LANGUAGE : 1; }

int CharacterRecordIndex(int character) {
  if (character >= 0 && character <= 18) return character;
  if (character >= 28 && character <= 35) return character - 5;
  switch (character) {
    case 19:
      return 31;
    case 20:
      return 19;
    case 22:
      return 20;
    case 23:
      return 21;
    case 25:
      return 22;
    case 51:
      return 32;
    default:
      return -1;
  }
}

void CountMatchResultByCharacter(int winnerCharacter, int loserCharacter) {
  if (!g_PlayData) return;
  auto bump = [](int32_t& v) {
    if (v < 2147483647) ++v;
  };
  int w = CharacterRecordIndex(winnerCharacter);
  int l = CharacterRecordIndex(loserCharacter);
  if (w >= 0) bump(g_PlayData->characters[w].counters[2]);
  if (l >= 0) bump(g_PlayData->characters[l].counters[3]);
}

// ---- Timers ----

void PlayTimer::Reset() { Stamp(*this, false); }

uint32_t PlayTimer::ElapsedSeconds() const {
  if (!running) return 0;
  uint64_t now = NowMs();
  return now > startMs ? static_cast<uint32_t>((now - startMs) / 1000) : 0;
}

void StartRunPlayTimer() {
  Stamp(g_PlayTimers[kRunTimer], true);
  for (int t : {kPlayTimer, kModeTimer0, kModeTimer1, kModeTotalTimer, kRoundTimer})
    Stamp(g_PlayTimers[t], false);
}

void ResetPlayTimers() {
  for (int t : {kRoundTimer, kPlayTimer, kModeTimer0, kModeTimer1, kModeTotalTimer})
    Stamp(g_PlayTimers[t], false);
}

void StartPlayTimers(int mask) {
  Stamp(g_PlayTimers[kPlayTimer], true);
  if (mask & 1) Stamp(g_PlayTimers[kModeTimer0], true);
  if (mask & 2) Stamp(g_PlayTimers[kModeTimer1], true);
}

void StopPlayTimers() {
  for (int t : {kPlayTimer, kModeTimer0, kModeTimer1}) Stamp(g_PlayTimers[t], false);
}

void StartModePlayTimer(int n) {
  if (n == 0 || n == 1) Stamp(g_PlayTimers[kModeTimer0 + n], true);
  Stamp(g_PlayTimers[kModeTotalTimer], true);
}

void AccumulatePlayTime() {
  if (!g_PlayData) return;
  uint32_t play = g_PlayTimers[kPlayTimer].ElapsedSeconds();
  if (play >= 1) {
    if (g_PlayData->playCount != 0xFFFFFFFFu) ++g_PlayData->playCount;
    AddSaturating(g_PlayData->playSeconds, play);
    Stamp(g_PlayTimers[kPlayTimer], true);
  }
  uint32_t mode = g_PlayTimers[kModeTotalTimer].ElapsedSeconds();
  if (mode >= 1) {
    if (g_PlayData->modePlayCount != 0xFFFFFFFFu) ++g_PlayData->modePlayCount;
    AddSaturating(g_PlayData->modePlaySeconds, mode);
    Stamp(g_PlayTimers[kModeTotalTimer], false);
  }
}

void UpdateTotalPlayTime() {
  if (!g_PlayData) return;
  uint64_t total = static_cast<uint64_t>(g_TotalPlayTimeBase) + g_PlayTimers[kRunTimer].ElapsedSeconds();
  g_PlayData->totalPlayTime = total > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(total);
}
