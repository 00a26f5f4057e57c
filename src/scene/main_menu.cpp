// The main menu scene, its menu object, the entry reset and the result actions.
#include "scene/main_menu.h"

#include <algorithm>

#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "Dxtools/Text/system_font.h"
#include "Sound/soundproc.h"
#include "app/file_loader.h"
#include "app/input/app_joystick.h"
#include "app/input/input_hooks.h"
#include "app/save_data.h"
#include "battle/battle_camera.h"
#include "battle/battle_records.h"
#include "battle/battle_sound.h"
#include "battle/chara_list.h"
#include "battle/chara_loader.h"
#include "battle/particle_pool.h"
#include "battle/round_flow.h"
#include "scene/credits.h"
#include "scene/game_modes.h"
#include "scene/online_mode_manager.h"
#include "scene/scene_battle.h"
#include "scene/scene_frame.h"
#include "scene/stage_bg.h"

namespace {

constexpr float kStep = 0.0625f;
constexpr int kCursorSound = 152;

// The menu lives exactly while scene 25 runs: the scene deletes it once it acted, and the leave
// hook frees it when anything else moves the scene away while it is open.
std::unique_ptr<CTitleMenuManager> g_menu;
int g_chooser = 0;

bool English() { return GetSelectLanguage() == 1; }

}  // namespace

// ---- Sets ----

CGameMenuSet_Root::CGameMenuSet_Root(CGameMenuManager* owner) : CGameMenuSet(owner, "MENU_ROOT") {
  AddElement(new CPauseMenu_NormalElement("ARCADE", "ARCADE_MODE"));
  AddElement(new CPauseMenu_FolderElement("VERSUS", "VERSUS", "MENU_VERSUS"));
  AddElement(new CPauseMenu_NormalElement("TRAINING", "TRAINING_MODE"));
  AddElement(new CPauseMenu_NormalElement("OPTION", "OPTION_MODE"));
  AddElement(new CPauseMenu_NormalElement("RANKING", "RANKING_VIEW"));
  AddElement(new CPauseMenu_NormalElement("NETWORK MODE", "NETWORK_MODE"));
  AddElement(new CPauseMenu_SpaceElement());
  AddElement(new CPauseMenu_NormalElement("RETURN TITLE", "RETURN_TITLE"));
  AddElement(new CPauseMenu_NormalElement("EXIT GAME", "EXIT_GAME"));
  for (const char* id : {"ARCADE_MODE", "TRAINING_MODE", "OPTION_MODE", "RANKING_VIEW", "NETWORK_MODE",
                         "RETURN_TITLE", "EXIT_GAME"})
    AddResultName(id);
}

CGameMenuSet_VS::CGameMenuSet_VS(CGameMenuManager* owner) : CGameMenuSet(owner, "MENU_VERSUS") {
  parentName = "MENU_ROOT";
  AddElement(new CPauseMenu_NormalElement("PLAYER VS PLAYER", "VS_PLAYER"));
  AddElement(new CPauseMenu_NormalElement("PLAYER VS CPU", "VS_CPU"));
  AddElement(new CPauseMenu_NormalElement("CPU VS CPU", "VS_CvC"));
  AddElement(new CPauseMenu_NormalElement("REPLAY", "VS_REPLAY"));
  AddElement(new CPauseMenu_SpaceElement());
  AddElement(new CPauseMenu_ExitElement("RETURN", "VS_RETURN"));
  for (const char* id : {"VS_PLAYER", "VS_CPU", "VS_CvC", "VS_REPLAY"}) AddResultName(id);
}

void CGameMenuSet_VS::Reset(int arg) {
  if (arg > 0) {
    cursor = 0;
    MarkCursor();
  }
  CGameMenuSet::Reset(arg);
}

// ---- Menu ----

CTitleMenuManager::CTitleMenuManager() {
  new CGameMenuSet_Root(this);
  new CGameMenuSet_VS(this);
  y = 80;
  lineSpacing = 28;
  centreX = 64;
  glyphWidth = glyphHeight = 16;
  layer = 5;
  drawBackground = 0;
  drawTitleBox = 0;
  labelAlign = 1;
  verticalMode = 1;  // the list hangs from its top line
  for (CGameMenuSet* s : sets)
    for (CGameMenu_Element* e : s->elements)
      if (e->selectable) e->SetHeight(24);
  help.layer = layer;
  help.centreY = 420;
  help.bandHeight = 72;
  help.LoadTexts(English() ? ".\\Information\\eng\\GameMenuInfo.ini"
                           : ".\\Information\\jpn\\GameMenuInfo.ini");
  // A missing picture leaves no texture, and Draw then queues nothing for it: the list shows
  // over whatever lies below instead of over a plain quad of the draw colour.
  background = LoadTexture(".\\grp\\MainMenu\\Menu_Bg");
}

CTitleMenuManager::~CTitleMenuManager() {
  FreeTexture(background);
  delete yesNo;
}

int CTitleMenuManager::Input(int direction, int button) {
  int r;
  if (yesNo != nullptr)
    r = yesNo->Input(direction, button);
  else
    r = inputEnabled ? CGameMenuManager::Input(direction, button) : CGameMenuManager::Input(0, 0);
  Update();
  help.Update();
  if (yesNo == nullptr) {
    std::string key, choiceKey;
    MakeMenuHelpKeys(this, &key, &choiceKey, "");
    help.SetKey(key);
    help.SetKey2(choiceKey);
  }
  if (r) g_SeRequest[kCursorSound] = 1;
  return r;
}

int CTitleMenuManager::AskYesNo(std::string_view q) {
  if (yesNo == nullptr) {
    yesNo = new CGameMenu_YESNO();
    yesNo->layer = 11;
    yesNo->title = "Check";
    yesNo->SetInfoText(q);
    question = std::string(q);
  }
  if (yesNo->openState != kClosed) return -1;
  // Only a taken YES counts: the box reports a cancel apart from its NO, and a cancel answers
  // no (the box's answered-no flag alone cannot tell the two apart).
  const int answer = yesNo->confirmed ? 1 : 0;
  delete yesNo;
  yesNo = nullptr;
  question.clear();
  return answer;
}

void CTitleMenuManager::Update() {
  opacity = menuActive ? std::min(1.0f, opacity + kStep) : std::max(0.3f, opacity - kStep);
  MarkCursorElements();
  switch (openState) {
    case kMenuOpen:
      StepOpenClose();
      stateFrames = 0;
      openState = kMenuRunning;
      // The list shows at full strength from its first frame; the screen does not fade in.
      fade = 1.0f;
      inputEnabled = 1;
      break;
    case kMenuRunning:
    case kMenuClosed:
      // A cancel at the root ends the framework's root set; the menu asks first instead of
      // closing, so the framework's close step must not see it.
      if (endCode == 0) StepOpenClose();
      break;
    case kMenuClosing:
      help.FadeOut();
      screenFade += kStep;
      if (screenFade >= 1.0f) {
        screenFade = 1.0f;
        openState = kMenuClosed;
      }
      break;
    case kMenuConfirm: {
      menuActive = 0;
      const bool toTitle = rootCancel || choice == "RETURN_TITLE";
      // The Japanese questions in the game's Shift-JIS: "タイトル画面へ戻ります、よろしいですか？" and
      // "ゲームを終了します、よろしいですか？".
      static constexpr const char* kToTitleJp =
          "\x83\x5E\x83\x43\x83\x67\x83\x8B\x89\xE6\x96\xCA\x82\xD6\x96\xDF\x82\xE8\x82\xDC\x82\xB7\x81\x41"
          "\x82\xE6\x82\xEB\x82\xB5\x82\xA2\x82\xC5\x82\xB7\x82\xA9\x81\x48";
      static constexpr const char* kQuitJp =
          "\x83\x51\x81\x5B\x83\x80\x82\xF0\x8F\x49\x97\xB9\x82\xB5\x82\xDC\x82\xB7\x81\x41\x82\xE6\x82\xEB"
          "\x82\xB5\x82\xA2\x82\xC5\x82\xB7\x82\xA9\x81\x48";
      const char* text = toTitle ? (English() ? "Return to the title screen?" : kToTitleJp)
                                 : (English() ? "Quit the game?" : kQuitJp);
      const int answer = AskYesNo(text);
      if (answer == 0) {
        menuActive = 1;
        openState = kMenuRunning;
        inputEnabled = 1;
        rootCancel = 0;
      } else if (answer == 1) {
        openState = kMenuClosing;
        inputEnabled = 0;
        if (rootCancel) choice = "RETURN_TITLE";
      }
      break;
    }
    default:
      break;
  }
  if (inputEnabled && openState == kMenuRunning) {
    if (decided) {
      choice = resultName;
      openState = choice == "EXIT_GAME" || choice == "RETURN_TITLE" ? kMenuConfirm : kMenuClosing;
      inputEnabled = 0;
    } else if (endCode != 0) {
      endCode = 0;
      rootCancel = 1;
      openState = kMenuConfirm;
      inputEnabled = 0;
    }
  }
  ++frameCount;
  ++stateFrames;
}

void CTitleMenuManager::Draw() {
  if (screenFade > 0.0f) {
    const uint32_t a = static_cast<uint32_t>(std::min(255, static_cast<int>(screenFade * 255.0f)));
    DrawRect(nullptr, 0, 0, 640, 480, a << 24, a << 24, a << 24, a << 24, layer + 256);
  }
  CPauseMenu_Default::Draw();
  if (yesNo != nullptr) yesNo->Draw();
  help.Draw();
  vt::text::DrawOutlinedText(32, 32, "MAIN MENU", 255, 255, 16, 16, 0, 1);
  if (background != nullptr && background->dx != nullptr)
    DrawSprite(nullptr, background, 0, 0, 640, 480, 0.0f, 0.0f, static_cast<float>(background->dx->usedWidth),
               static_cast<float>(background->dx->usedHeight), 0xFFFFFFFF, 0, 1);
}

// ---- Scene ----

CTitleMenuManager* GetMainMenu() { return g_menu.get(); }

void ResetForMainMenu(int enter) {
  g_AttractDemo = 0;
  FreeBgm();
  ApplySoundVolumes();
  if (const DataBuffer list = LoadDataFile(".\\charaselect.txt")) LoadCharaSelectList(list.text());
  ResetBattleCounters();
  if (enter == 1) StopBgm();
  LoadBgList();
  // A finished name entry (state 2) is stored before it is closed: closing it alone would drop
  // a qualifying score.
  for (int p = 0; p < 2; ++p) StoreFinishedNameEntry(p);
  SavePlayData();
  FreeCharacterData();
  ResetStageBg();
  FreeCharacterSounds();
  FlushHan6TextureCache();
  g_CameraX = g_CameraY = 0;
  g_Paused = 0;
  ClearObjectPool();
  ClearParticlePool();
  ResetSideProgress(0);
  ResetSideProgress(1);
  g_ChallengeState = 0;
  ResetBattleCamera();
  ApplyMatchRules();
  ResetPlayTimers();
}

void MainMenuAction(std::string_view result, int chooser) {
  int scene = 0;
  uint8_t enter = kSceneFreshEntry;
  if (result == "ARCADE_MODE") {
    StartArcadeMode(chooser);
    scene = SCENE_CHARA_SELECT;
  } else if (result == "TRAINING_MODE") {
    StartTrainingMode(chooser);
    scene = SCENE_CHARA_SELECT;
  } else if (result == "VS_PLAYER") {
    StartVsPlayer(chooser);
    scene = SCENE_CHARA_SELECT;
  } else if (result == "VS_CPU") {
    StartVsCpu(chooser);
    scene = SCENE_CHARA_SELECT;
  } else if (result == "VS_CvC") {
    StartCpuVsCpu(chooser);
    scene = SCENE_CHARA_SELECT;
  } else if (result == "VS_REPLAY") {
    StartReplayMode(chooser);
    GoToReplaySelect();
    scene = SCENE_REPLAY_SELECT;
  } else if (result == "OPTION_MODE") {
    PrepareMenuScreen(chooser);
    scene = SCENE_OPTION;
  } else if (result == "RANKING_VIEW") {
    PrepareMenuScreen(chooser);
    g_RankingReturnScene = SCENE_MAIN_MENU;
    g_RankingFromMenu = 1;
    scene = SCENE_RANKING;
  } else if (result == "NETWORK_MODE") {
    StartNetworkMode(chooser);
    ReturnToNetworkMenu();
    scene = SCENE_NETWORK_MENU;
  } else if (result == "RETURN_TITLE") {
    g_TitleSkipIntro = 1;
    scene = SCENE_TITLE;
  } else if (result == "EXIT_GAME") {
    scene = SCENE_QUIT;
    enter = kSceneLeaveProgram;
  } else {
    return;
  }
  g_SceneId = scene;
  g_SceneEnter = enter;
}

int MainMenuScene(int) {
  if (g_SceneEnter != 0) {
    g_CreditState.players[0].joinMode = 3;
    g_CreditState.players[1].joinMode = 3;
    ResetForMainMenu(g_SceneEnter);
    g_menu = std::make_unique<CTitleMenuManager>();
    g_SceneEnter = 0;
  }
  if (g_AppJoystick != nullptr) {
    g_AppJoystick->ReadDevices();
    g_AppJoystick->UpdateBanks();
  }
  int dir = 0;
  uint32_t pressed = 0, held = 0;
  int chooser = 0;
  if (g_AppJoystick != nullptr) {
    g_AppJoystick->GetMenuInput(0, &dir, &pressed, &held, 0);
    if (dir == 0 && pressed == 0 && held == 0) {
      g_AppJoystick->GetMenuInput(1, &dir, &pressed, &held, 0);
      chooser = 1;
    }
  }
  // Cancel wins when both buttons come in the same frame.
  const int button = (pressed & 2) ? kMenuButtonCancel : (pressed & 1) ? kMenuButtonDecide : kMenuButtonNone;
  if (g_menu == nullptr) return 1;
  if (!GetOnlineModeManager().IsConnectionLost()) g_menu->Input(dir, button);
  g_menu->Draw();
  if (g_menu->decided) g_chooser = chooser;
  if (g_menu->openState == CTitleMenuManager::kMenuClosed) {
    g_MainSide = static_cast<uint8_t>(g_chooser);
    const std::string result = g_menu->choice;
    g_menu.reset();
    MainMenuAction(result, g_chooser);
  }
  return 1;
}

void LeaveMainMenu() { g_menu.reset(); }

void InstallMainMenu() { RegisterScene(SCENE_MAIN_MENU, {MainMenuScene, LeaveMainMenu}); }
