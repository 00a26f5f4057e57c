// The headless battle harness.
#include "battle/battle_harness.h"

#include <string>

#include "Dxtools/GrpManager/grp_draw_list.h"
#include "app/file_loader.h"
#include "app/game_wiring.h"
#include "app/input/app_joystick.h"
#include "app/random.h"
#include "battle/battle_clock.h"
#include "battle/battle_driver.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/battle_tables.h"
#include "battle/chara_list.h"
#include "battle/chara_loader.h"
#include "battle/game_mode.h"
#include "battle/object_state.h"
#include "battle/round_flow.h"
#include "battle/story_routes.h"

namespace {

struct HarnessState {
  uint32_t frame = 0;
  RoundStart start = RoundStart::kGame;
};

HarnessState& State() {
  static HarnessState s;
  return s;
}

// The game wiring, as start-up runs it.
void InstallWiring() { InstallGameWiring(); }

// Reads the game's character list and gives the entry whose File1 is the name, or -1.
int FindListEntryByFile(const std::string& file1) {
  for (int n = 0; n < CharaListItemCount(); ++n) {
    const CharaListEntry* e = GetCharaListEntry(n);
    if (e != nullptr && file1 == e->File1) return n;
  }
  return -1;
}

}  // namespace

bool HarnessLoadMatch(const HarnessCharacter& side0, const HarnessCharacter& side1, bool thread,
                      RoundStart start, uint32_t randomSeed, const HarnessMatchRules& rules) {
  // A fresh match: the first round comes next and no judgement is pending.
  ResetAllBattleGlobals();
  g_GameModeFlags = rules.gameMode;
  g_CpuLevel = rules.cpuLevel;
  g_MainSide = rules.mainSide;
  HarnessState& h = State();
  h = HarnessState{};
  h.start = start;
  InstallWiring();
  // The characters are picked by their entries in the game's list, as the select screen does.
  if (!HarnessLoadCharaList()) return false;
  const HarnessCharacter* c[2] = {&side0, &side1};
  for (int i = 0; i < 2; ++i) {
    PlayerSelection& s = g_PlayerSelections[i];
    s = PlayerSelection{};
    s.character = FindListEntryByFile(c[i]->file1);
    if (s.character < 0) return false;
    s.side = i;
    s.type = c[i]->type;
    s.color = c[i]->color;
    s.controller = c[i]->controller;
    s.decided = 1;
  }
  if (!HarnessLoadSelections(thread)) return false;
  // The route's stage as the arcade flow leaves it before the fight.
  if (StoryBattleRoute* route = StoryBattleRouteOfSide(rules.mainSide)) route->stageIndex = rules.arcadeStage;
  SeedRandomGeneratorsFrom(randomSeed);
  HarnessPrepareRound();
  return true;
}

bool HarnessLoadCharaList() {
  const DataBuffer list = LoadDataFile(".\\charaselect.txt");
  if (!list || LoadCharaSelectList(list.text()) == 0) return false;
  // The game's joystick with its default maps when nothing set one up; no pad state carries
  // over from an earlier match.
  if (!g_AppJoystick) StartAppJoystick();
  g_AppJoystick->ClearAll();
  return true;
}

bool HarnessLoadSelections(bool thread) {
  LoadTypeFile();
  LoadVectorTable();
  if (thread) {
    CCharaDataLoader& loader = GetCharaDataLoader();
    loader.allCpu = 0;
    loader.progress = 0;
    if (!loader.Start()) return false;
    WaitCharaDataLoader();
  } else {
    CharaLoadSetup setups[4];
    BuildCharaLoadSetups(setups, 0);
    LoadCharacters(setups, nullptr);
  }
  RelinkPlayerRecords();
  for (int i = 0; i < 2; ++i) {
    if (!g_PlayerRecords[i].inUse || !g_FrameDataSets[i].patterns) return false;
  }
  InitMatchBattleState();
  return true;
}

void HarnessPrepareRound() {
  InitBattleEngine(State().start);
  State().frame = 0;
}

uint64_t HarnessRunFrame(const HarnessScript& script) {
  HarnessState& h = State();
  const HarnessPad pads[2] = {script(h.frame, 0), script(h.frame, 1)};
  HarnessFeedPads(pads);
  RunBattleFrame();
  DrawBattle();
  ++h.frame;
  return BattleStateHash();
}

HarnessMatchResult HarnessRunMatch(const HarnessScript& script, int frameBudget,
                                   const std::function<void(uint64_t hash)>& onFrame) {
  HarnessMatchResult result;
  while (result.frames < frameBudget) {
    const uint64_t hash = HarnessRunFrame(script);
    ++result.frames;
    if (onFrame) onFrame(hash);
    if (g_RoundRestart == 0) continue;
    if (StartNextRound(State().start)) {
      ++result.rounds;
      continue;
    }
    result.ending = g_RoundRestart;
    break;
  }
  return result;
}

void HarnessFeedPads(const HarnessPad pads[2]) {
  CAppJoystick& joystick = *g_AppJoystick;
  for (size_t port = 0; port < 4; ++port) {
    PadRawState raw;
    if (port < 2) {
      raw.direction = pads[port].dir;
      for (int b = 0; b < 5; ++b)
        if (pads[port].buttons & (1u << b)) raw.buttons |= joystick.battleMap[port][static_cast<size_t>(b)];
    }
    joystick.rawStates[port] = raw;
  }
  joystick.UpdateBanks();
}

HarnessScript HarnessDefaultScript(uint32_t seed) {
  return [seed](uint32_t frame, int side) {
    // Moves held for 24 frames each, chosen by a small integer hash of the seed, side and slot.
    static constexpr HarnessPad kMoves[] = {{0, 0}, {6, 0}, {4, 0}, {2, 0}, {8, 0}, {9, 0}, {6, 1}, {0, 1},
                                            {0, 2}, {0, 4}, {2, 2}, {0, 8}, {9, 1}, {7, 4}, {3, 1}, {6, 0}};
    const uint32_t slot = frame / 24;
    uint32_t x = seed * 2654435761u ^ (slot * 40503u + static_cast<uint32_t>(side) * 977u);
    x ^= x >> 13;
    x *= 0x5bd1e995u;
    x ^= x >> 15;
    HarnessPad pad = kMoves[x % 16];
    const uint32_t t = frame % 24;
    if (pad.buttons == 8) {
      // The D slot enters a quarter circle forward with A ("236A"); side 1 starts facing left,
      // so its forward is screen direction 4.
      static constexpr uint8_t kQuarter[3] = {2, 3, 6};
      pad.dir = t < 9 ? kQuarter[t / 3] : 0;
      if (side == 1) pad.dir = MirrorDirection(pad.dir);
      pad.buttons = t == 8 || t == 9 ? 1 : 0;
      return pad;
    }
    // Buttons are pressed on the first frames of a slot only, then released.
    if (t >= 4) pad.buttons = 0;
    return pad;
  };
}

HarnessScript HarnessScriptedMatch() {
  return [](uint32_t frame, int side) {
    HarnessPad pad;
    if (g_CommandLock != 0 || g_JudgeState != 0 || g_BattlePhase != 255) return pad;
    const BattleObject& me = g_PlayerRecords[side].obj;
    const BattleObject& other = g_PlayerRecords[1 - side].obj;
    const int64_t dx = int64_t{other.posX} - me.posX;
    const uint8_t toward = dx > 0 ? 6 : 4;
    const uint8_t away = dx > 0 ? 4 : 6;
    // Walks in until the standing C reaches, then presses it for two frames in every 24.
    const auto attack = [&] {
      if (dx > 64 * 128 || dx < -64 * 128)
        pad.dir = toward;
      else if (frame % 24 < 2)
        pad.buttons = 0x4;
      return pad;
    };
    switch (g_RoundCounter) {
      case 0:
        return side == 0 ? attack() : pad;
      case 1: {
        const bool firstDone = g_PlayerRecords[1].obj.life <= kMaxLife - 1000;
        const bool secondDone = g_PlayerRecords[0].obj.life <= kMaxLife - 2500;
        if (!firstDone) return side == 0 ? attack() : pad;
        if (!secondDone) return side == 1 ? attack() : pad;
        pad.dir = away;
        return pad;
      }
      default:
        return side == 1 ? attack() : pad;
    }
  };
}

void HarnessRelease() {
  // Without a device nobody runs the draw lists: what the drawing half queued, and the
  // commands it took, would outlive the match.
  ResetDrawCommandPool(&g_MainDrawList);
  for (FrameDataSet& s : g_FrameDataSets) FreeFrameDataSetContents(s);
  FreeFrameDataSetContents(g_CommonFrameData);
  FreeCharaSelectList();
  ResetAllBattleGlobals();
  g_TimerSpeed = 0;
  ResetBattleSeams();
}
