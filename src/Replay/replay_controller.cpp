// The replay controller.
#include "Replay/replay_controller.h"

#include <algorithm>
#include <cstdio>

#include "app/e2e_run.h"
#include "app/lib_debug.h"
#include "app/random.h"
#include "app/save_data.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/chara_list.h"
#include "battle/chara_loader.h"
#include "battle/story_routes.h"
#include "scene/menu_player.h"

ReplayController g_ReplayController;
ReplaySceneCalls g_ReplaySceneCalls;

namespace {

constexpr int kSeedsApplied = 11;  // streams 0..9 and the common generator (10)

ReplayRound* CurrentRound() {
  CReplayFile& f = g_ReplayController.file;
  return f.roundIndex < f.rounds.size() ? &f.rounds[f.roundIndex] : nullptr;
}

int32_t* SideMarks(int side) { return &g_BattleState[BattleStateIndex::kRoundMarks + 12 * side]; }

// Nothing is recorded or played through the round's opening, nor in dummy mode once the round
// is judged.
bool Gated() { return g_CommandLock == 2 || (g_ReplayController.dummyMode != 0 && g_JudgeState != 0); }

// The stream a slot's input goes to: its own, or in dummy mode the dummy's streams 0 (first
// character) and 2 (partner) whichever side it stands on; -1 for the main side's characters,
// which keep their pads.
int StreamOf(int slot) {
  if (slot < 0 || slot >= kReplayStreams) return -1;
  if (g_ReplayController.dummyMode == 0) return slot;
  if ((slot & 1) == (g_MainSide & 1)) return -1;
  return slot & ~1;
}

ReplayRoundStartState CaptureStartState() {
  ReplayRoundStartState s;
  s.finalRound = static_cast<uint32_t>(g_FinalRound);
  for (int side = 0; side < 2; ++side) {
    const int32_t* block = SideMarks(side);
    const uint32_t count = static_cast<uint32_t>(std::clamp<int32_t>(block[0], 0, kReplayMarks));
    s.sides[side].markCount = count;
    for (uint32_t i = 0; i < count; ++i) s.sides[side].marks[i] = static_cast<uint32_t>(block[2 + i]);
    s.sides[side].sideFlag = static_cast<uint32_t>(g_BattleState[BattleStateIndex::kMatchPoint0 + side]);
  }
  for (int slot = 0; slot < 4; ++slot)
    s.meters[slot].circuit = static_cast<uint32_t>(g_PlayerRecords[slot].obj.circuit);
  return s;
}

void RestoreStartState(const ReplayRoundStartState& s) {
  g_FinalRound = static_cast<decltype(g_FinalRound)>(s.finalRound);
  for (int side = 0; side < 2; ++side) {
    int32_t* block = SideMarks(side);
    // The state holds ten marks; a larger count (refused by the file reader) is cut to them.
    const uint32_t count = std::min<uint32_t>(s.sides[side].markCount, kReplayMarks);
    block[0] = static_cast<int32_t>(count);
    // The marks past the count are cleared too: in a match they stay 0 until won, and a playback
    // that goes back to an earlier round would otherwise keep the later rounds' marks.
    for (uint32_t i = 0; i < kReplayMarks; ++i)
      block[2 + i] = i < count ? static_cast<int32_t>(s.sides[side].marks[i]) : 0;
    g_BattleState[BattleStateIndex::kMatchPoint0 + side] = static_cast<int32_t>(s.sides[side].sideFlag);
  }
  for (int slot = 0; slot < 4; ++slot)
    g_PlayerRecords[slot].obj.circuit = static_cast<int32_t>(s.meters[slot].circuit);
}

void InputHook(BattleObject* o, int slot) {
  ReplayController& c = g_ReplayController;
  if (o == nullptr || c.mode == 0) return;
  if (ReplayLocksLivePads() && g_CommandLock == 2) {
    // Through the round's opening the characters get a released pad: what the viewer presses
    // there is in no file.
    o->inputDir = 0;
    o->inputButtons = 0;
    o->inputReleased = 0;
    return;
  }
  if (c.mode == 1 && c.recordingAllowed > 0) {
    RecordPlayerInput(slot, o->inputDir, o->inputButtons, o->inputReleased);
  } else if (c.mode == 2) {
    PlayPlayerInput(slot, &o->inputDir, &o->inputButtons, &o->inputReleased);
  }
}

// Playback compares each frame's common draw with the one the recording logged: a replay made
// with other data or another build, or a battle that reads something the file does not hold,
// shows at the first frame that differs. One line per round (the round counted from 1, the frame
// as the index into the round's log) and the playback goes on. A dummy slot's log belongs to
// another match and is not compared.
void CheckRandomLog(uint32_t got) {
  ReplayController& c = g_ReplayController;
  const ReplayRound* r = CurrentRound();
  if (c.dummyMode != 0 || r == nullptr) return;
  const uint32_t frame = c.logPosition++;
  if (c.divergenceLogged != 0) return;
  if (frame < r->randomLog.size() && r->randomLog[frame] == got) return;
  c.divergenceLogged = 1;
  auto hex = [](uint32_t v) {
    char text[12];
    std::snprintf(text, sizeof text, "%08x", v);
    return std::string(text);
  };
  // Built whole rather than through the 256-character formatter: a long file name must not cut
  // off the round and frame.
  const std::string line = "replay " + c.file.path + ": round " + std::to_string(c.file.roundIndex + 1) +
                           ", frame " + std::to_string(frame) + ": random log expected " +
                           (frame < r->randomLog.size() ? hex(r->randomLog[frame]) : "nothing (it ends)") +
                           ", got " + hex(got) + "\n";
  DebugOutput(line.c_str());
  vt::e2e::ReportReplayDivergence(c.file.roundIndex + 1, frame);
}

}  // namespace

// ---- the controller ----

void ReplayController::ClearRounds() {
  recordingAllowed = 1;
  hold = 0;
  file.rounds.clear();
  file.roundIndex = 0;
}

void ReplayController::Reset() {
  ClearRounds();
  dummyMode = 0;
  mode = 0;
}

void ReplayController::RewindCurrentRound() {
  file.errorText.clear();
  logPosition = 0;
  divergenceLogged = 0;
  if (ReplayRound* r = CurrentRound()) r->Rewind();
}

void ReplayController::EnsureRound() {
  if (file.roundIndex == file.rounds.size()) file.rounds.emplace_back();
}

void ReplayController::ApplyRoundSeeds() {
  if (mode == 1) {
    EnsureRound();
    ReplayRound* r = CurrentRound();
    if (r == nullptr) return;
    // The draws are counted here, then each draw counts itself as well: the draw count is
    // bookkeeping nothing in the battle reads.
    g_RandDrawCount += kSeedsApplied;
    for (int i = 0; i < kSeedsApplied; ++i) r->seeds[i] = static_cast<uint32_t>(RandNext());
    for (int i = 0; i < kSeedsApplied; ++i) SeedRandStream(i, static_cast<int32_t>(r->seeds[i]));
  } else if (mode == 2) {
    if (ReplayRound* r = CurrentRound())
      for (int i = 0; i < kSeedsApplied; ++i) SeedRandStream(i, static_cast<int32_t>(r->seeds[i]));
  }
}

void ReplayController::StartDummyRecording(int slot) {
  if (slot < 0 || slot >= kDummySlots) return;
  dummyMode = 1;
  mode = 1;
  if (file.rounds.size() <= static_cast<size_t>(kDummySlots)) file.rounds.resize(kDummySlots);
  file.rounds[static_cast<size_t>(slot)].Clear();
  file.roundIndex = static_cast<uint32_t>(slot);
  file.errorText.clear();
  file.rounds[static_cast<size_t>(slot)].Rewind();
}

void ReplayController::StartDummyPlayback(int slot) {
  dummyMode = 1;
  mode = 2;
  file.roundIndex = static_cast<uint32_t>(std::max(slot, 0));
  file.errorText.clear();
  if (!file.rounds.empty()) RewindCurrentRound();
}

void ReplayController::ClearRoundSlot(int slot) {
  if (slot >= 0 && static_cast<size_t>(slot) < file.rounds.size())
    file.rounds[static_cast<size_t>(slot)].Clear();
}

int ReplayController::IsPlaybackFinished() const {
  if (file.roundIndex >= file.rounds.size()) return 1;
  return file.rounds[file.roundIndex].IsFinished();
}

// ---- battle hooks ----

void ReplayRoundStart() {
  ReplayController& c = g_ReplayController;
  if (c.mode == 0) return;
  if (c.mode == 2) {
    c.RewindCurrentRound();
    ReplayRoundStartState s;
    c.file.GetRoundStartState(c.file.roundIndex, &s);
    RestoreStartState(s);
  } else if (c.mode == 1) {
    const ReplayRoundStartState s = CaptureStartState();
    if (c.file.roundIndex >= c.file.rounds.size()) c.file.rounds.resize(c.file.roundIndex + 1);
    c.file.rounds[c.file.roundIndex].startState = s;
  }
  c.ApplyRoundSeeds();
  BattleSeamResetCpuAiStates();
  ResetBattleCounters();
  vt::e2e::ReportReplayRoundStart(c.file.roundIndex);
}

void RecordPlayerInput(int slot, const uint8_t& direction, const uint32_t& buttons, const uint32_t& third) {
  if (Gated()) return;
  const int stream = StreamOf(slot);
  if (stream < 0) return;
  ReplayInputEntry e;
  e.lever = direction;
  e.buttons = ReplayInputEntry::Pack(buttons, third);
  g_ReplayController.file.AppendInput(stream, e);
}

void PlayPlayerInput(int slot, uint8_t* direction, uint32_t* buttons, uint32_t* third) {
  if (Gated()) return;
  const int stream = StreamOf(slot);
  if (stream < 0) return;
  const ReplayInputEntry e = g_ReplayController.file.ReadInput(stream);
  *direction = e.lever;
  *buttons = e.ButtonWord();
  *third = e.ThirdWord();
}

void ReplayFrameTick() {
  ReplayController& c = g_ReplayController;
  // A paused frame reads no input and steps nothing: it draws nothing either, or a pause (the
  // viewer's too, during playback) would move the common generator out of step.
  if (c.mode == 0 || Gated() || g_Paused) return;
  if (c.mode == 1) {
    c.EnsureRound();
    ReplayRound* r = CurrentRound();
    const int32_t v = RandNext();
    if (r == nullptr) return;
    r->randomLog.push_back(static_cast<uint32_t>(v));
    if (c.recordingAllowed > 0 && r->GetPosition() > kReplayRecordLimit) c.recordingAllowed = 0;
  } else if (c.mode == 2) {
    CheckRandomLog(static_cast<uint32_t>(RandNext()));
    if (c.hold == 0)
      if (ReplayRound* r = CurrentRound()) r->Step();
  }
}

int ReplayLocksLivePads() {
  const ReplayController& c = g_ReplayController;
  return (c.mode == 1 || c.mode == 2) && c.dummyMode == 0 ? 1 : 0;
}

// ---- scene calls ----

void SyncReplaySettings() {
  ReplayController& c = g_ReplayController;
  if (c.dummyMode != 0) return;
  ReplayFileHeader& h = c.file.header;
  if (c.mode == 2) {
    g_CpuLevel = static_cast<int32_t>(h.cpuLevel);
    g_DamageLevel = static_cast<int32_t>(h.damageLevel);
    g_RoundsToWin = static_cast<int32_t>(h.roundsToWin);
    g_TimerSpeed = static_cast<uint8_t>(h.timerSpeed);
  } else if (c.mode == 1) {
    h.cpuLevel = static_cast<uint32_t>(g_CpuLevel);
    h.damageLevel = static_cast<uint32_t>(g_DamageLevel);
    h.roundsToWin = static_cast<uint32_t>(g_RoundsToWin);
    h.timerSpeed = g_TimerSpeed;
  }
}

void SyncReplayStageAndPlayers() {
  ReplayController& c = g_ReplayController;
  ReplayFileHeader& h = c.file.header;
  if (c.mode == 2) {
    g_MatchStage = static_cast<int32_t>(h.stage);
    g_MatchStageByte = static_cast<uint8_t>(h.stage);
    if (g_GameModeFlags == MODE_ARCADE) {
      const StoryBattleRoute& route = g_StoryBattleRoutes[g_MainSide & 1];
      if (route.stageIndex >= 0 && route.stageIndex < kRouteStageSlots &&
          route.stages[route.stageIndex].stage != 0)
        g_MatchStageByte = static_cast<uint8_t>(route.stages[route.stageIndex].stage);
    }
  } else if (c.mode == 1) {
    h.stage = static_cast<uint32_t>(g_MatchStage);
    for (int side = 0; side < 2; ++side) {
      const PlayerSelection& s = g_PlayerSelections[side];
      h.players[side] = {static_cast<uint32_t>(s.controller), static_cast<uint32_t>(s.character),
                         static_cast<uint32_t>(s.type), static_cast<uint32_t>(s.color)};
    }
  }
}

int AdvanceReplayRound() {
  ReplayController& c = g_ReplayController;
  ++c.file.roundIndex;
  c.hold = 0;
  return c.mode == 2 && c.file.roundIndex >= c.file.rounds.size() ? 1 : 0;
}

int CheckReplayHeader(const ReplayFileHeader& h, std::string* why) {
  auto fail = [why](const std::string& text) {
    if (why) *why = text;
    return 0;
  };
  if (h.stage > 99) return fail("stage " + std::to_string(h.stage) + " outside 0..99");
  if (h.cpuLevel > 4) return fail("CPU level " + std::to_string(h.cpuLevel) + " outside 0..4");
  if (h.damageLevel > 4) return fail("damage level " + std::to_string(h.damageLevel) + " outside 0..4");
  if (h.roundsToWin < 1 || h.roundsToWin > 3)
    return fail("rounds to win " + std::to_string(h.roundsToWin) + " outside 1..3");
  if (h.timerSpeed > 4) return fail("timer speed " + std::to_string(h.timerSpeed) + " outside 0..4");
  for (int side = 0; side < 2; ++side) {
    const ReplayFileHeader::Player& p = h.players[side];
    PlayerSelection s;
    s.controller = static_cast<int32_t>(p.controller);
    s.character = static_cast<int32_t>(p.character);
    s.type = static_cast<int32_t>(p.type);
    s.color = static_cast<int32_t>(p.colour);
    s.side = side;
    const std::string name = "player " + std::to_string(side + 1);
    if (p.character > 0x7FFFFFFFu || GetCharaListEntry(s.character) == nullptr)
      return fail(name + ": character " + std::to_string(p.character) + " is not in the character list");
    if (!ValidatePlayerSelection(s, "replay header")) return fail(name + ": a selection out of range");
  }
  return 1;
}

int StartReplayPlayback() {
  ReplayController& c = g_ReplayController;
  std::string why;
  if (!CheckReplayHeader(c.file.header, &why)) {
    c.file.errorText = c.file.path + ": " + why;
    DebugPrint("replay %s\n", c.file.errorText.c_str());
    return 0;
  }
  if (c.file.rounds.empty()) {
    c.file.errorText = c.file.path + ": a replay of no rounds";
    DebugPrint("replay %s\n", c.file.errorText.c_str());
    return 0;
  }
  c.file.RewindAll();
  for (int side = 0; side < 2; ++side) {
    const ReplayFileHeader::Player& p = c.file.header.players[side];
    PlayerSelection& s = g_PlayerSelections[side];
    s = PlayerSelection{};
    s.controller = static_cast<int32_t>(p.controller);
    s.character = static_cast<int32_t>(p.character);
    s.type = static_cast<int32_t>(p.type);
    s.color = static_cast<int32_t>(p.colour);
    s.side = side;
    s.ratio = 100;
    s.drawOption = GetCharaFilter();
    s.overrideMode = 0;
    s.overrideValue = 0;
  }
  const uint8_t mainSide = g_MainSide;
  if (g_ReplaySceneCalls.resetMatchState) g_ReplaySceneCalls.resetMatchState();
  g_MainSide = mainSide;
  g_MenuPlayer = mainSide;
  g_GameModeFlags = MODE_VS_PLAYER;
  g_StoryBattleRoutes[mainSide & 1].stageCount = 1;
  c.mode = 2;
  if (g_ReplaySceneCalls.enterVsScreen) g_ReplaySceneCalls.enterVsScreen();
  return 1;
}

void InstallReplaySeams() {
  g_BattleSeams.ReplayInputHook = InputHook;
  g_BattleSeams.ReplayFrameTick = ReplayFrameTick;
  g_BattleSeams.ReplayMode = [] { return static_cast<int>(g_ReplayController.mode); };
  g_BattleSeams.ReplayRoundStart = ReplayRoundStart;
  g_BattleSeams.ReplayLocksLivePads = ReplayLocksLivePads;
  g_BattleSeams.ReplayNextRound = AdvanceReplayRound;
}
