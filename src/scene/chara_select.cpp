// The character select scene: entry, the per-frame order, the players' input, the scene states,
// the side pass with its phases (offline and online), the leave box and the release.
#include "scene/chara_select.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "MenuWindow/game_menu.h"
#include "Sound/soundproc.h"
#include "app/app_state.h"
#include "app/input/app_joystick.h"
#include "app/text_list.h"
#include "battle/battle_records.h"
#include "battle/game_mode.h"
#include "directnet/direct_net_state.h"
#include "scene/chara_preview.h"
#include "scene/credits.h"
#include "scene/game_modes.h"
#include "scene/online_mode_manager.h"
#include "scene/scene_battle.h"
#include "scene/select_results.h"
#include "scene/select_screen.h"
#include "scene/stage_select.h"

int32_t g_SelectColourSoundPlayed[2] = {};

namespace {

constexpr uint32_t kDecideBit = 1u << 0;
constexpr uint32_t kCancelBit = 1u << 1;
constexpr int kSoundStage = 150;
constexpr int kSoundDecide = 151;
constexpr int kSoundCursor = 152;
constexpr int32_t kDecisionLock = 30;
constexpr int kSelectMusic = 99;

void PlaySound(int slot) { g_SeRequest[slot] = 1; }

void SendColourCursor(int side, int randomFlag, int colour) {
  GetNetCtrl().Send(kNetMsgColourCursor, {side, randomFlag, colour});
}

SelectDirectNetHooks MakeDefaultDirectHooks() {
  SelectDirectNetHooks h;
  h.readyTokensArrived = [] { return true; };
  h.sendBarrier = [](int) { return true; };
  h.barrierReached = [](int) { return true; };
  h.startMatchingClient = [] {};
  h.endDirectMatch = [] {};
  h.createDelayOverlay = [] {};
  h.drawDelayOverlay = [] {};
  return h;
}

SelectDirectNetHooks g_DirectHooks = MakeDefaultDirectHooks();

BattleTableChooser g_BattleTable;

void ClearSlot(CharaSelectInput& in) {
  in.direction = 0;
  in.pressed = in.held = 0;
}

void CollectSides(SelectSideResult out[2]) {
  for (int s = 0; s < 2; ++s) {
    out[s].character = g_CharaSelectSides[s].character;
    out[s].colour = g_CharaSelectSides[s].colour;
    out[s].type = g_CharaSelectSides[s].type;
  }
}

}  // namespace

SelectDirectNetHooks& GetSelectDirectNetHooks() { return g_DirectHooks; }
void ResetSelectDirectNetHooks() { g_DirectHooks = MakeDefaultDirectHooks(); }

// ---- lifetime ----

CSceneCharaSelect::CSceneCharaSelect()
    : ownWindows_(std::make_unique<NetVSMessageWindows>()),
      ownClose_(std::make_unique<CKillGameSessionClose>()) {
  windows_ = ownWindows_.get();
  close_ = ownClose_.get();
}

CSceneCharaSelect::~CSceneCharaSelect() { delete box_; }

void CSceneCharaSelect::SetMessageWindows(NetVSMessageWindows* windows) {
  windows_ = windows != nullptr ? windows : ownWindows_.get();
}

void CSceneCharaSelect::SetSessionClose(CKillGameSessionClose* close) {
  close_ = close != nullptr ? close : ownClose_.get();
}

ColourList& CSceneCharaSelect::SideColourList(int side) {
  const int s = side == 1 ? 1 : 0;
  if (CharaPreviewSlot* slot = GetCharaPreviewSlot(s)) return slot->colourList;
  return ownLists_[s];
}

bool CSceneCharaSelect::OnlineMatch() const { return GetOnlineModeManager().IsNetMatchActive(); }

int CSceneCharaSelect::LocalSide() const {
  const int role = GetNetCtrl().GetBattleRole();
  return role == 1 ? 0 : role == 2 ? 1 : -1;
}

void CSceneCharaSelect::ResetTimeLimit() {
  g_SelectTimeLimit = OnlineMatch() || directLink != 0 ? 20.0f : -1.0f;
}

void CSceneCharaSelect::Enter() {
  OnlineModeManager& online = GetOnlineModeManager();
  if (OnlineMatch()) {
    online.BeginNetMatch();
    g_SelectColourSoundPlayed[0] = g_SelectColourSoundPlayed[1] = 0;
  }
  ReseedNetMatchRandom();
  windows_->Reset();
  if (g_NetworkMatch != 0) {
    windows_->LoadKillInfo();
    killInfoLoaded_ = true;
  }
  directLink = 0;
  close_->Reset();

  FlushHan6TextureCache();
  timeLimitDecision = 0;
  StartCharaPreloader();
  directLink = g_DirectNetMode == 1 && g_NetworkMatch == 1 && g_DirectNetSession == 1 ? 1 : 0;
  LoadCharaSelectScreen(0);
  for (StyleDisk& d : disks) d = StyleDisk{};
  for (ColourList& l : ownLists_) l = ColourList{};
  InitSelectSides(false);
  ResetTimeLimit();
  g_SelectOpeningFadeIn = 0.0f;
  frameCounter = 0;
  g_SelectExitFade = 0.0f;
  state = kSelectSides;
  leavingPlayer = 0;
  battleTableResult = 0;
  for (CharaSelectInput& in : inputs) in = CharaSelectInput{};

  g_StageSelect.panel = 1.0f;
  g_StageSelect.previousStage = g_MatchStage;
  LoadStageSelect();
  netStageSeen = g_MatchStage;
  stageDecidedSent = false;

  // A second player may still join an arcade select as a challenger.
  g_CreditState.players[0].joinMode = g_CreditState.players[1].joinMode = 0;

  StopBgm();
  LoadBgm(kSelectMusic);
  StartBgm();

  g_SceneEnter = kSceneRunning;
  delete box_;
  box_ = nullptr;
  Reset();
  delayOverlay = 0;
  if (directLink != 0) {
    g_DirectHooks.createDelayOverlay();
    delayOverlay = 1;
  }
  loaded_ = true;
}

void CSceneCharaSelect::Release() {
  if (!loaded_) return;
  loaded_ = false;
  if (g_NetworkMatch != 0 && killInfoLoaded_) windows_->FreeKillInfo();
  killInfoLoaded_ = false;
  StopCharaPreloader();
  FreeCharaSelectScreen();
  FreeStageSelect();
  delete box_;
  box_ = nullptr;
  delayOverlay = 0;
}

int CSceneCharaSelect::Process(int) {
  if (g_SceneEnter != kSceneRunning) Enter();
  Execute();
  // A new entry of this same scene: the leave hook does not run, so the scene releases here.
  if (g_SceneId == SCENE_CHARA_SELECT && g_SceneEnter != kSceneRunning) Release();
  return 1;
}

// ---- frame ----

void CSceneCharaSelect::Update() {
  if (PollSceneInput() == 0) return;
  ReadInputs();
  if (GetOnlineModeManager().CanAdvanceGame() != 0) RunState();

  CharaSelectScreenFrame f;
  f.mode = 0;
  f.frame = frameCounter;
  f.boxOpen = box_ != nullptr || close_->IsClosing();
  f.onlineMatch = OnlineMatch();
  f.messageWindows = windows_;
  for (int s = 0; s < 2; ++s) {
    f.disks[s] = &disks[s];
    f.colourLists[s] = &SideColourList(s);
  }
  UpdateCharaSelectScreen(f);

  if (CheckNewChallenger() != 0) {
    g_GameModeFlags = MODE_VS_PLAYER;
    g_ChallengeState = 255;
    InitSelectSides(true);
    ResetTimeLimit();
  }

  // The stage select shows while the scene is in its stage state (read after this frame's state
  // machine and challenger check).
  f.stageSelectShowing = state == kSelectStage ? 1 : 0;
  DrawCharaSelectScreen(f);
  if (state == kSelectBattleTable) g_BattleTable.Draw(g_MainSide & 1);
  ++frameCounter;
  if (delayOverlay != 0) g_DirectHooks.drawDelayOverlay();
}

void CSceneCharaSelect::ReadInputs() {
  for (CharaSelectInput& in : inputs) ClearSlot(in);
  const bool online = OnlineMatch();
  const int local = online ? LocalSide() : -1;
  if (g_AppJoystick != nullptr) {
    auto fill = [](CharaSelectInput& in, int player) {
      int dir = 0;
      g_AppJoystick->GetMenuInput(player, &dir, &in.pressed, &in.held, 0);
      in.direction = static_cast<uint8_t>(dir);
    };
    if (!online) {
      for (int p = 0; p < 2; ++p) fill(inputs[p], p);
    } else if (local >= 0) {
      fill(inputs[local], g_MainSide);
    }
  }
  // Kept as it always was: a local slot passes the lock step twice per frame, so a lock of 30
  // keeps that player out for 16 frames, not 30.
  for (int s = 0; s < 2; ++s) {
    const int passes = !online || s == local ? 2 : 1;
    for (int i = 0; i < passes; ++i) {
      if (inputs[s].lock < 0) continue;
      ClearSlot(inputs[s]);
      --inputs[s].lock;
    }
  }
}

void CSceneCharaSelect::DecisionLock(int player) {
  if (player == 0 || player == 1) inputs[player].lock = std::max(inputs[player].lock, kDecisionLock);
}

void CSceneCharaSelect::RunState() {
  switch (state) {
    case kSelectSides: {
      const int r = UpdateSelectSides();
      if (r == kSidesDoneStage) {
        state = kSelectStage;
        if (OnlineMatch()) g_SelectTimeLimit = std::max(g_SelectTimeLimit, 20.0f);
        g_MatchStage = 0;
        netStageSeen = 0;
        stageDecidedSent = false;
      } else if (r == kSidesDoneNoStage) {
        state = kSelectStageAgreement;
      } else if (r == kSidesLeave) {
        state = kSelectLeaveBox;
      } else if (r == kSidesSessionLost) {
        LeaveDirectNetToNetworkMenu(kSelectSessionLostReason);
      } else if (r == kSidesNoticeOver) {
        if (directLink != 0) {
          g_DirectHooks.endDirectMatch();
          GoToNextArcadeStage();
        } else {
          ReturnToNetworkMenu();
        }
      }
      break;
    }
    case kSelectStage:
      RunStageSelect();
      break;
    case kSelectBattleTable: {
      const int main = g_MainSide & 1;
      const int r = g_BattleTable.Input(main, inputs[main].direction, inputs[main].pressed);
      if (r > 0) {
        battleTableResult = r;
        SelectSideResult sides[2];
        CollectSides(sides);
        FinishCharacterSelect(sides, battleTableResult);
        state = kSelectNextScene;
      }
      break;
    }
    case kSelectLeaveBox:
      RunLeaveBox();
      break;
    case kSelectStageAgreement:
      if (!OnlineMatch() || GetNetCtrl().SyncStageStep(4) != 0) state = kSelectExitFade;
      break;
    case kSelectDirectReady:
      if (g_DirectHooks.readyTokensArrived()) state = kSelectExitFade;
      break;
    case kSelectExitFade:
      battleTableResult = 0;
      g_SelectExitFade += 1.0f / 30.0f;
      if (g_SelectExitFade >= 1.0f) {
        g_SelectExitFade = 1.0f;
        SelectSideResult sides[2];
        CollectSides(sides);
        FinishCharacterSelect(sides, battleTableResult);
        if (directLink != 0) {
          if (!g_DirectHooks.sendBarrier(4))
            LeaveDirectNetToNetworkMenu(kSelectBarrierFailedReason);
          else
            state = kSelectDirectBarrier4;
        } else {
          state = kSelectNextScene;
        }
      }
      break;
    case kSelectDirectBarrier4:
      if (g_DirectHooks.barrierReached(4)) {
        g_DirectHooks.sendBarrier(1);
        state = kSelectDirectBarrier1;
      }
      break;
    case kSelectDirectBarrier1:
      if (g_DirectHooks.barrierReached(1)) state = kSelectNextScene;
      break;
    case kSelectNextScene:
      if (directLink != 0) g_DirectHooks.startMatchingClient();
      GoToNextSceneFromSelect(battleTableResult);
      break;
    default:
      break;
  }
}

int CSceneCharaSelect::RunStageSelect() {
  if (!OnlineMatch()) {
    StageSelectPad pads[2];
    for (int p = 0; p < 2; ++p) {
      pads[p].dir = inputs[p].direction;
      pads[p].pressed = inputs[p].pressed;
    }
    const int r = UpdateStageSelect(pads);
    if (r == 255) {
      state = kSelectStageAgreement;
    } else if (r == -1) {
      // Back to the characters with every choice kept.
      for (CharaSelectSide& s : g_CharaSelectSides)
        if (s.controller != kCpuSideNeedsNoChoice) s.phase = 0;
      state = kSelectSides;
    }
    return r;
  }
  NetCtrl& net = GetNetCtrl();
  const bool firstBattler = net.GetBattleRole() == 1;
  if (firstBattler) {
    if (!stageDecidedSent) {
      StageSelectPad pads[2];
      pads[0].dir = inputs[0].direction;
      pads[0].pressed = inputs[0].pressed;
      const int r = UpdateStageSelect(pads);
      if (r == 1) net.Send(kNetMsgStageCursor, {g_MatchStage});
      if (r == 255 || g_SelectTimeLimit == 0.0f) {
        net.Send(kNetMsgStageDecided, {g_MatchStage});
        stageDecidedSent = true;
      }
    }
  } else {
    const int32_t stage = net.StageWord();
    if (stage != netStageSeen) {
      netStageSeen = stage;
      g_MatchStage = stage;
      PlaySound(kSoundStage);
    }
  }
  if (net.SettingsFixed() != 0) {
    state = kSelectStageAgreement;
    if (!firstBattler) PlaySound(kSoundDecide);
  }
  return 0;
}

void CSceneCharaSelect::RunLeaveBox() {
  OnlineModeManager& online = GetOnlineModeManager();
  const int player = leavingPlayer == 1 ? 1 : 0;
  if (box_ == nullptr) {
    box_ = new CGameMenu_YESNO();
    box_->layer = 11;
    const int text = online.IsRankSearchStandby() ? 18 : online.IsRoomWaitStandby() ? 19 : 63;
    box_->SetInfoText(GetGameText(text));
    char title[32];
    std::snprintf(title, sizeof title, "Check (%dP)", player + 1);
    box_->title = title;
  }
  const CharaSelectInput& in = inputs[player];
  int button = kMenuButtonNone;
  if (in.pressed & kDecideBit)
    button = kMenuButtonDecide;
  else if ((in.pressed & kCancelBit) && directLink == 0)
    button = kMenuButtonCancel;
  box_->Input(in.direction, button);
  box_->Draw();
  if (box_->openState != CPauseMenu_Default::kClosed) return;
  // Only a taken YES leaves: the box reports a cancel apart from its NO, and a cancel answers
  // no (the box's answered-no flag alone cannot tell the two apart).
  const bool yes = box_->confirmed != 0;
  delete box_;
  box_ = nullptr;
  if (!yes) {
    state = kSelectSides;
    return;
  }
  if (online.IsRankSearchStandby()) {
    online.SetResumeState(5);
    ReturnToNetworkMenu();
  } else if (online.IsRoomWaitStandby()) {
    online.SetResumeState(11);
    ReturnToNetworkMenu();
  } else {
    ReturnToMainMenu();
  }
}

// ---- the side pass ----

int CSceneCharaSelect::UpdateSelectSides() {
  int lowest = 6;
  for (const CharaSelectSide& s : g_CharaSelectSides)
    if (s.controller >= 0 && s.phase >= 0 && s.phase <= 2)
      lowest = std::min(lowest, static_cast<int>(s.phase));

  if (windows_->IsActive()) {
    switch (windows_->Update()) {
      case 1:
        return kSidesContinue;
      case 2: {
        promptSide_ = windows_->IsPromptOpen(0) ? 0 : windows_->IsPromptOpen(1) ? 1 : promptSide_;
        const bool started = close_->RequestClose();
        windows_->ShowConnectionWait();
        return started ? kSidesContinue : kSidesSessionLost;
      }
      case 3:
      case 4:
        return kSidesNoticeOver;
      case 5:
        close_->Step();
        return kSidesContinue;
      case 6:
        if (close_->IsClosing() && close_->PollClose() == 1) {
          close_->MarkClosed();
          close_->OnClosed();
        }
        // The direct connection is always idle outside the direct link.
        windows_->CloseConnectionWait();
        windows_->ShowMatchNotice(promptSide_ + (directLink != 0 ? 2 : 0), 1);
        return kSidesContinue;
      default:
        if (directLink != 0 && g_SelectTimeLimit == 0.0f) {
          for (int s = 0; s < 2; ++s) {
            if (!windows_->IsPromptOpen(s)) continue;
            DecisionLock(s);
            windows_->ClosePrompt(s);
          }
        }
        break;
    }
  }

  bool leaveRequested = false;
  for (int s = 0; s < 2; ++s) {
    CharaSelectSide& side = g_CharaSelectSides[s];
    if (side.cursorCell == -1) continue;
    if (windows_->IsActive() && windows_->IsPromptOpen(s)) ClearSlot(inputs[s]);
    if (side.changed != 0) {
      side.character = RosterCellCharacter(side.cursorCell);
      side.changed = 0;
    }
    if (!g_SelectGridReady) continue;
    if (side.controller < 0) continue;
    const int p = side.controller == 1 ? 1 : 0;
    if (box_ != nullptr) continue;
    if (g_SelectTimeLimit == 0.0f && side.phase == lowest) inputs[p].pressed |= kDecideBit;
    switch (side.phase) {
      case 0: {
        const int r = UpdateCharacterPhase(s, p);
        if (r == 0) {
          leaveRequested = true;
          leavingPlayer = p;
        } else if (r == 2) {
          PlayCharaPreviewDecisionPose(s);
        }
        break;
      }
      case 1:
        if (UpdateStylePhase(s, p) == -100) {
          leaveRequested = true;
          leavingPlayer = p;
        }
        break;
      case 2:
        UpdateColourPhase(s, p);
        break;
      case 4:
        FinishSidePhase(s, p);
        break;
      case 5:
        UndoSideDone(s, p);
        break;
      default:
        break;
    }
  }

  if (timeLimitDecision != 0) {
    NetCtrl& net = GetNetCtrl();
    if (net.SelectRecord(0).characterDecided != 0 && net.SelectRecord(1).characterDecided != 0) {
      timeLimitDecision = 0;
      g_SelectTimeLimit = std::max(g_SelectTimeLimit, 8.0f);
    }
  }
  return CheckSidesDone(leaveRequested);
}

int CSceneCharaSelect::CheckSidesDone(bool leaveRequested) {
  // Kept: a quit request while choosing opens the leave box (the test mode quits without it).
  if (g_AppRunState != nullptr && g_AppRunState->quitRequested.load(std::memory_order_acquire) != 0 &&
      g_AppRunState->testMode == 0)
    return kSidesLeave;
  bool done = true;
  for (const CharaSelectSide& s : g_CharaSelectSides)
    if (s.phase != 5 && s.controller != kCpuSideNeedsNoChoice) done = false;
  if (done) {
    g_CreditState.players[0].joinMode = g_CreditState.players[1].joinMode = 1;
    return g_GameModeFlags == MODE_ARCADE || g_ChallengeState != 0 ? kSidesDoneNoStage : kSidesDoneStage;
  }
  return leaveRequested ? kSidesLeave : kSidesContinue;
}

// ---- phases ----

int CSceneCharaSelect::UpdateCharacterPhase(int s, int p) {
  CharaSelectSide& side = g_CharaSelectSides[s];
  CharaSelectInput& in = inputs[p];
  if (side.locked == 0) g_PlayerSelections[s].decided = 0;
  const bool online = OnlineMatch();
  const int local = online ? LocalSide() : -1;
  const int before = side.cursorCell;
  if (side.locked == 0) {
    const int d = in.direction;
    if (d == 2 || d == 4 || d == 6 || d == 8) {
      side.cursorCell = MoveRosterCursor(side.cursorCell, d);
      if (online && s == local && side.cursorCell != before)
        GetNetCtrl().Send(kNetMsgCursor, {s, side.cursorCell});
    }
  }

  if (!online) {
    side.character = RosterCellCharacter(side.cursorCell);
    // An empty cell or a character the list lacks cannot be confirmed.
    if (((in.pressed & kDecideBit) && IsRosterCellConfirmable(side.cursorCell)) || side.locked != 0) {
      ConfirmCharacter(s, p);
      return 2;
    }
    if (in.pressed & kCancelBit) {
      if (side.link >= 0) {
        HandBackSide(s, p);
      } else if (g_DirectNetSession == 1) {
        windows_->OpenPrompt(p, directLink != 0 ? 2 : 0);
      } else if (g_NetworkMatch == 1) {
        windows_->OpenPrompt(p, 1);
      } else {
        return 0;
      }
    }
    return 1;
  }

  NetCtrl& net = GetNetCtrl();
  if (s == local && (in.pressed & kDecideBit) && IsRosterCellConfirmable(side.cursorCell)) {
    // The peer must see the character itself: a random cell is resolved before it is sent.
    if (RosterCellCharacter(side.cursorCell) == kRosterRandomCell) {
      const int c = PickRandomCharacter();
      if (c >= 0) side.cursorCell = FindRosterCell(c);
    }
    net.Send(kNetMsgCharacter, {s, side.cursorCell});
  }
  const NetSelectRecord& r = net.SelectRecord(s);
  // A record without a cell yet (-1) would take the side out of the select: it is not followed.
  if (r.cell >= 0 && r.cell < kRosterCells) side.cursorCell = r.cell;
  if (side.cursorCell != before) {
    side.character = RosterCellCharacter(side.cursorCell);
    if (s != local) PlaySound(kSoundCursor);
  }
  if (r.characterDecided != 0 && r.character != -1) {
    side.character = r.character;
    ConfirmCharacter(s, p);
    return 2;
  }
  return 1;
}

void CSceneCharaSelect::ConfirmCharacter(int s, int p) {
  CharaSelectSide& side = g_CharaSelectSides[s];
  if (side.locked == 0) PlaySound(kSoundDecide);
  DecisionLock(p);
  // Offline the cursor stays on the random cell while the side takes a random character.
  if (!OnlineMatch() && RosterCellCharacter(side.cursorCell) == kRosterRandomCell) {
    const int c = PickRandomCharacter();
    if (c >= 0) side.character = c;
  }
  side.phase = 1;
  StyleDisk& disk = disks[s];
  disk.initPending = 1;
  disk.burstFrame = 0;
  disk.burstSubTick = 0;
  disk.flash = 0.0f;
  disk.secondFlash = 0.0f;
  if (side.locked == 0) FlashCharaPreview(s);
  if (g_SelectTimeLimit >= 0.0f) timeLimitDecision = 1;
}

int CSceneCharaSelect::UpdateStylePhase(int s, int p) {
  CharaSelectSide& side = g_CharaSelectSides[s];
  const bool online = OnlineMatch();
  SideFrameInput fi;
  fi.direction = inputs[p].direction;
  fi.pressed = inputs[p].pressed;
  fi.online = online;
  fi.directLink = directLink != 0;
  const int r = UpdateStyleChoice(s, disks[s], fi);
  if (!online) {
    if (r == -1) {
      side.phase = 0;
    } else if (r == -100) {
      return -100;
    } else if (r == 255) {
      side.phase = side.locked != 0 ? 4 : 2;
      DecisionLock(p);
      if (g_SelectTimeLimit >= 0.0f) timeLimitDecision = 1;
    }
    return 1;
  }
  NetCtrl& net = GetNetCtrl();
  const int local = LocalSide();
  const NetSelectRecord& rec = net.SelectRecord(s);
  if (s == local) {
    net.Send(kNetMsgType, {s, side.type});
    if (r == 255) net.Send(kNetMsgTypeDecided, {s, side.type});
  } else if (rec.type != side.type) {
    side.type = rec.type;
    disks[s].styleIndex = rec.type;
    PlaySound(kSoundCursor);
  }
  if (rec.typeDecided != 0) {
    disks[s].state = kStyleDiskDecided;
    PlaySound(kSoundDecide);
    side.phase = 2;
    DecisionLock(p);
    if (g_SelectTimeLimit >= 0.0f) timeLimitDecision = 1;
  }
  return 1;
}

int CSceneCharaSelect::UpdateColourPhase(int s, int p) {
  CharaSelectSide& side = g_CharaSelectSides[s];
  ColourList& list = SideColourList(s);
  SideFrameInput fi;
  fi.direction = inputs[p].direction;
  fi.pressed = inputs[p].pressed;
  fi.online = OnlineMatch();
  fi.directLink = directLink != 0;
  if (!fi.online) {
    const int r = UpdateColourChoice(s, list, fi, nullptr);
    if (r == -1) {
      side.phase = 0;  // back to the characters, not to the style
    } else if (r == 255) {
      DecisionLock(p);
      side.phase = 4;
      g_PlayerSelections[s].decided = 1;
    }
    return r;
  }
  NetCtrl& net = GetNetCtrl();
  const int local = LocalSide();
  const NetSelectRecord& rec = net.SelectRecord(s);
  if (s != local && rec.colour != side.colour) {
    side.colour = rec.colour;
    TurnColourList(list, rec.colour);
    PlaySound(kSoundCursor);
  }
  ColourNet cn;
  cn.localSide = s == local;
  cn.layerRandomFlag = rec.randomColour;
  cn.sendColour = SendColourCursor;
  cn.decidedSoundPlayed = &g_SelectColourSoundPlayed[s];
  const int r = UpdateColourChoice(s, list, fi, &cn);
  if (s == local && r == 255) net.Send(kNetMsgColourDecided, {s, side.colour});
  if (rec.colourDecided != 0) {
    DecisionLock(p);
    side.phase = 4;
    g_PlayerSelections[s].decided = 1;
    if (s != local && g_SelectColourSoundPlayed[s] == 0) {
      g_SelectColourSoundPlayed[s] = 1;
      PlaySound(kSoundDecide);
    }
  }
  return r;
}

void CSceneCharaSelect::FinishSidePhase(int s, int p) {
  g_PlayerSelections[s].decided = 1;
  g_CharaSelectSides[s].phase = 5;
  // The player who finished goes on to a side nobody drives yet (the CPU's in versus CPU, CPU
  // against CPU and training).
  for (int o = 0; o < 2; ++o) {
    CharaSelectSide& other = g_CharaSelectSides[o];
    if (o == s || other.controller != -1) continue;
    other.phase = 0;
    other.controller = p;
    other.link = s;
    if (CharaPreviewSlot* slot = GetCharaPreviewSlot(o)) {
      // Only a slot the preloader is not loading is the logic thread's to clear.
      if (slot->shown.load(std::memory_order_acquire) == 1 &&
          slot->loadState.load(std::memory_order_acquire) != kPreviewLoading)
        SetCharaSpriteTarget(slot->player, -1, -1);
    }
    break;
  }
}

void CSceneCharaSelect::HandBackSide(int s, int p) {
  CharaSelectSide& side = g_CharaSelectSides[s];
  const int linked = side.link;
  if (linked == 0 || linked == 1) {
    g_CharaSelectSides[linked].phase = 0;
    g_CharaSelectSides[linked].controller = p;
    g_PlayerSelections[linked].decided = 0;
  }
  side.link = -1;
  side.controller = -1;
}

void CSceneCharaSelect::UndoSideDone(int s, int p) {
  if (OnlineMatch() || !(inputs[p].pressed & kCancelBit)) return;
  for (int o = 0; o < 2; ++o)
    if (o != s && g_CharaSelectSides[o].controller == p) return;
  g_CharaSelectSides[s].phase = 0;
  g_PlayerSelections[s].decided = 0;
}

// ---- scene table ----

CSceneCharaSelect& GetCharaSelectScene() {
  static CSceneCharaSelect scene;
  return scene;
}

int CharaSelectScene(int keepRunning) { return GetCharaSelectScene().Process(keepRunning); }

void LeaveCharaSelect() { GetCharaSelectScene().Release(); }

void InstallCharaSelect() { RegisterScene(SCENE_CHARA_SELECT, {CharaSelectScene, LeaveCharaSelect}); }
