// The story scene, the ending loader, the story start operations and the story's installs.
#include "scene/story_scene.h"

#include <string>

#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Sound/soundproc.h"
#include "app/input/app_joystick.h"
#include "app/lib_debug.h"
#include "app/save_data.h"
#include "battle/battle_match_setup.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/chara_list.h"
#include "battle/story_routes.h"
#include "scene/credits.h"
#include "scene/game_modes.h"
#include "scene/scene_battle.h"
#include "scene/scene_frame.h"
#include "scene/select_results.h"
#include "scene/stage_bg.h"

namespace {

using PathMaker = void (*)(std::string*, const StoryBattleRoute&, std::string_view);

// The script of the main side's character built by `make`, started in scene 9 as `kind`.
bool StartStory(PathMaker make, int32_t kind) {
  const int main = g_MainSide & 1;
  const StoryBattleRoute* route = StoryBattleRouteOfSide(main);
  const CharaListEntry* entry = GetCharaListEntry(g_PlayerSelections[main].character);
  EndStoryScript();
  if (route == nullptr || entry == nullptr) return false;
  std::string path;
  make(&path, *route, entry->Name);
  if (LoadStoryScript(path) == 0) return false;
  ChangeScene(SCENE_STORY);
  g_StoryKind = kind;
  return true;
}

bool StartCharacterStory(int character) {
  const int main = g_MainSide & 1;
  const StoryBattleRoute* route = StoryBattleRouteOfSide(main);
  const CharaListEntry* entry = GetCharaListEntry(character);
  EndStoryScript();
  if (route == nullptr || entry == nullptr) return false;
  std::string path;
  MakeStoryStartTextPath(&path, *route, entry->Name);
  if (LoadStoryScript(path) == 0) return false;
  g_StoryKind = STORY_OPENING;
  return true;
}

bool ScriptEnded() { return !GetStoryState().loaded; }

StoryInput MenuBankInput() {
  StoryInput in;
  in.active = 1;
  const int main = g_MainSide & 1;
  if (g_AppJoystick == nullptr) return in;
  if (g_AppJoystick->IsPlayerMenuButton2Pressed(main))
    in.skip = 1;
  else if (g_AppJoystick->IsPlayerMenuButton1(main, 1))
    in.fastForward = 1;
  else if (g_AppJoystick->IsPlayerMenuButtonPressedExcept1(main))
    in.advance = 1;
  return in;
}

// The round flow's calls: the stage's pre-fight script by the route's path, one frame with the
// main side's buttons, and the end with the stage the script would have chosen.
int BattleLoadStoryScript() {
  std::string path;
  if (MakeStoryBattleTextPath(&path) == 0) return 0;
  return LoadStoryScript(path);
}

int BattleRunStoryScript() {
  StoryInput in = MenuBankInput();
  return RunStoryScript(in);
}

void BattleEndStoryScript() {
  StopVoicePlayback();
  ApplyStoryScriptBackground();
  EndStoryScript();
}

int RouteOpening() {
  const StoryBattleRoute* route = StoryBattleRouteOfSide(g_MainSide & 1);
  if (route == nullptr || route->progress[kRouteOpeningShown] != 0) return 0;
  StartOpeningStoryScript();
  return 1;
}

void LeaveStoryScene() {
  if (GetStoryState().loaded) FinishStoryScene();
}

}  // namespace

bool StartStageStoryScript() {
  if (StartStory(MakeStoryStageTextPath, STORY_STAGE)) return true;
  // Without its script the stage would stay where it is for ever: it goes on to the VS screen.
  ChangeScene(SCENE_VS_SCREEN);
  return false;
}

bool StartEndingStoryScript() {
  if (StartStory(MakeStoryEndingTextPath, STORY_ENDING)) return true;
  // Without an ending the winner demo takes its route-complete path.
  ChangeScene(SCENE_WINNER_DEMO);
  return false;
}

bool StartOpeningStoryScript() {
  if (StartStory(MakeStoryStartTextPath, STORY_OPENING)) return true;
  ChangeScene(SCENE_NEXT_STAGE);
  return false;
}

StoryInput ReadStoryInput() {
  StoryInput in;
  if (g_ChallengeState != 0) {
    in.ending = g_StoryKind == STORY_ENDING;
    return in;
  }
  in = MenuBankInput();
  in.ending = g_StoryKind == STORY_ENDING;
  return in;
}

int RouteStoryResult(int result) {
  if (result != kStoryFinished && result != kStoryEndReached && result != kStorySkipped) return 0;
  if (g_SceneId == SCENE_BATTLE || g_SceneId == SCENE_WINNER_DEMO) return 1;
  const int main = g_MainSide & 1;
  switch (g_StoryKind) {
    case STORY_STAGE:
      ChangeScene(SCENE_VS_SCREEN);
      return 1;
    case STORY_NONE:
      return 0;
    case STORY_ENDING:
      // An ending without a staff roll reports 255 for ever, which the ending would never take:
      // it ends the story as 254 does.
      if (result == kStoryEndReached) {
        DebugPrint("story: ending script ended without a staff roll\n");
        result = kStoryFinished;
      }
      if (result != kStoryFinished) return 0;
      if (BattleSeamIsLocalSide(main)) {
        BattleSeamQueueAchievement(0);
        if (g_GameData != nullptr && g_GameData->modes[0].Difficulty == 4) BattleSeamQueueAchievement(1);
      }
      ChangeScene(SCENE_WINNER_DEMO);
      return 1;
    case STORY_OPENING:
      if (StoryBattleRoute* route = StoryBattleRouteOfSide(main)) route->progress[kRouteOpeningShown] = 1;
      ChangeScene(SCENE_NEXT_STAGE);
      return 1;
    default:
      g_TitleSkipIntro = 0;
      ChangeScene(SCENE_TITLE);
      return 1;
  }
}

void FinishStoryScene() {
  StopVoicePlayback();
  ApplyStoryScriptBackground();
  if (g_StoryKind != STORY_NONE) ResetStageBg();
  EndStoryScript();
}

void UpdateStoryChallenger(int routed, int sceneChanged, const StoryInput& input) {
  const bool ended = routed != 0 || ScriptEnded();
  const int32_t lock = (g_StoryKind == STORY_ENDING || ended) ? 1 : 0;
  g_CreditState.players[0].joinMode = g_CreditState.players[1].joinMode = lock;
  if (g_ChallengeState == 0) {
    if (input.skip || ended || sceneChanged) return;
    if (CheckNewChallenger() == 0) return;
    BattleSeamStartChallengerScreen();
    StopVoicePlayback();
    g_ChallengeState = 1;
    return;
  }
  BattleSeamUpdateChallengerScreen();
  BattleSeamDrawChallengerScreen();
  StopVoicePlayback();
  if (BattleSeamChallengerScreenClock() > 5.0f || sceneChanged) {
    GoToCharacterSelect();
    EndStoryScript();
  }
}

int StoryScene(int /*keepRunning*/) {
  if (g_SceneEnter != 0) {
    InitStoryScript();
    g_SceneEnter = 0;
  }
  if (PollSceneInput() == 0) return 1;
  StoryInput in = ReadStoryInput();
  const int before = g_SceneId;
  // With no script (a failed ending load, or a kind-0 script that has ended) the scene draws no
  // story layers and routes by kind as if the end had been reached.
  const int result = GetStoryState().loaded ? RunStoryScript(in) : kStoryEndReached;
  const int routed = RouteStoryResult(result);
  if (routed) FinishStoryScene();
  UpdateStoryChallenger(routed, g_SceneId != before, in);
  return 1;
}

int StoryEndingLoader(int /*keepRunning*/) {
  StopBgm();
  FreeBgm();
  const int main = g_MainSide & 1;
  EndStoryScript();
  if (const CharaListEntry* entry = GetCharaListEntry(g_PlayerSelections[main].character)) {
    std::string path =
        BattleSeamSelectLanguage() == 1 ? ".\\story\\battle\\eng\\" : ".\\story\\battle\\jpn\\";
    path += entry->Name;
    path += "_ending.txt";
    LoadStoryScript(path);
  }
  // Straight to 9 without the enter flag: the script is already set up.
  g_SceneId = SCENE_STORY;
  g_SceneEnter = 0;
  DrawRect(&g_MainDrawList, 0, 0, 640, 480, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 257);
  return 1;
}

void InstallStoryScene() {
  RegisterScene(SCENE_STORY, {StoryScene, LeaveStoryScene});
  RegisterScene(SCENE_STORY_ENDING, {StoryEndingLoader, nullptr});
  g_BattleSeams.ResetStoryScriptState = ResetStoryScriptState;
  g_BattleSeams.LoadStoryScript = BattleLoadStoryScript;
  g_BattleSeams.RunStoryScript = BattleRunStoryScript;
  g_BattleSeams.EndStoryScript = BattleEndStoryScript;
  g_SceneBattleHooks.storyAfterBattle = [] { StartStageStoryScript(); };
  g_SceneBattleHooks.storyRouteEnd = [] { StartEndingStoryScript(); };
  g_SelectStoryHooks.clearStoryKind = [] { g_StoryKind = STORY_NONE; };
  g_SelectStoryHooks.startCharacterStory = [](int character) { return StartCharacterStory(character); };
  g_SelectStoryHooks.startOpeningStoryScript = [] { StartOpeningStoryScript(); };
  g_SelectStoryHooks.startEndingStoryScript = [] { StartEndingStoryScript(); };
  g_StoryRouteOpeningHook = RouteOpening;
}
