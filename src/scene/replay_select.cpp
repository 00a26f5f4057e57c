// The replay select scene: browser creation, the per-frame routine with the delete confirmation,
// the fades and the leave that plays the chosen replay or returns to the main menu.
#include "scene/replay_select.h"

#include <filesystem>
#include <system_error>

#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "MenuWindow/game_menu.h"
#include "Replay/replay_controller.h"
#include "Sound/soundproc.h"
#include "app/input/app_joystick.h"
#include "app/lib_debug.h"
#include "app/text_list.h"
#include "battle/battle_records.h"
#include "platform/path_translate.h"
#include "scene/online_mode_manager.h"
#include "scene/scene_frame.h"

namespace fs = std::filesystem;

namespace {
constexpr const char* kReplayRoot = ".\\ReplayVS";
constexpr float kFadeStep = 0.0625f;
}  // namespace

CSceneReplayVSMenu g_SceneReplayVSMenu;
CGameMenu_YESNO* g_ReplayDeleteBox = nullptr;

CSceneReplayVSMenu::~CSceneReplayVSMenu() {
  delete g_ReplayDeleteBox;
  g_ReplayDeleteBox = nullptr;
  chosenPath.clear();
}

void CreateReplayBrowser() {
  CSceneReplayVSMenu& s = g_SceneReplayVSMenu;
  if (s.browser) s.browser->Close();
  StopBgm();
  g_MatchStageByte = 1;
  s.browser = std::make_unique<CReplayFilerLayer>();
  s.browser->state = CReplayFilerLayer::kOpenRequested;
  s.browser->layer = 10;
  s.browser->folder = kReplayRoot;
  s.frameCounter = 0;
  s.fadeState = CSceneReplayVSMenu::kFadeStart;
}

void OpenDeleteReplayConfirm() {
  g_ReplayDeleteBox = new CGameMenu_YESNO();
  g_ReplayDeleteBox->layer = 11;
  g_ReplayDeleteBox->title = "Check";
  g_ReplayDeleteBox->SetInfoText(GetGameText(68));
}

int DeleteCursorReplay() {
  CReplayFilerLayer* b = g_SceneReplayVSMenu.browser.get();
  const ReplayFileEntry* e = b ? b->CursorEntry() : nullptr;
  if (e == nullptr || e->isFolder || ProbeReplayFile(e->path) != 1) return 0;
  std::error_code ec;
  const fs::path host = vt::platform::ResolveGamePath(e->path);
  const fs::path root = fs::canonical(vt::platform::ResolveGamePath(kReplayRoot), ec);
  if (ec) {
    DebugPrint("replay select: %s not deleted: %s\n", e->path.c_str(), ec.message().c_str());
    return 0;
  }
  // A link, or a file that resolves outside the replay folder, is never deleted.
  const fs::path real = fs::canonical(host, ec);
  const std::string r = real.string(), top = root.string() + "/";
  if (ec || !fs::is_regular_file(fs::symlink_status(host, ec)) || r.compare(0, top.size(), top) != 0) {
    DebugPrint("replay select: %s not deleted: not a replay file inside the replay folder\n",
               e->path.c_str());
    return 0;
  }
  if (!fs::remove(host, ec) || ec) {
    DebugPrint("replay select: %s not deleted: %s\n", e->path.c_str(),
               ec ? ec.message().c_str() : "no such file");
    return 0;
  }
  return 1;
}

void DrawReplaySelectFade() {
  CSceneReplayVSMenu& s = g_SceneReplayVSMenu;
  switch (s.fadeState) {
    case CSceneReplayVSMenu::kFadeStart:
      s.fadeLevel = 1.0f;
      s.fadeState = CSceneReplayVSMenu::kFadingIn;
      break;
    case CSceneReplayVSMenu::kFadingIn:
      s.fadeLevel -= kFadeStep;
      if (s.fadeLevel <= 0.0f) {
        s.fadeLevel = 0.0f;
        s.fadeState = CSceneReplayVSMenu::kShown;
      }
      break;
    case CSceneReplayVSMenu::kFadingOut:
      s.fadeLevel += kFadeStep;
      if (s.fadeLevel >= 1.0f) {
        s.fadeLevel = 1.0f;
        s.fadeState = CSceneReplayVSMenu::kFadedOut;
      }
      break;
    default:
      break;
  }
  const uint32_t c = static_cast<uint32_t>(s.fadeLevel * 255.0f) << 24;
  DrawRect(nullptr, 0, 0, 640, 480, c, c, c, c, 300);
}

void PlayChosenReplay() {
  CSceneReplayVSMenu& s = g_SceneReplayVSMenu;
  ReplayController& c = g_ReplayController;
  if (c.file.Load(s.chosenPath) != 1) {
    DebugPrint("replay select: %s not played: %s\n", s.chosenPath.c_str(), c.file.errorText.c_str());
    ReturnToMainMenu();
    return;
  }
  if (!StartReplayPlayback()) {
    std::string why;
    CheckReplayHeader(c.file.header, &why);
    DebugPrint("replay select: %s not played: %s\n", s.chosenPath.c_str(),
               why.empty() ? "the replay holds no round" : why.c_str());
    ReturnToMainMenu();
  }
}

void LeaveReplaySelect() {
  CSceneReplayVSMenu& s = g_SceneReplayVSMenu;
  if (s.browser && s.browser->state == CReplayFilerLayer::kChosen && !s.chosenPath.empty())
    PlayChosenReplay();
  else
    ReturnToMainMenu();
  if (s.browser) s.browser->Close();
  s.browser.reset();
}

int RunReplaySelectScene(int) {
  CSceneReplayVSMenu& s = g_SceneReplayVSMenu;
  if (g_ReplaySelectFromMenu || !s.browser) {
    CreateReplayBrowser();
    g_ReplaySelectFromMenu = 0;
  }
  g_SceneEnter = kSceneRunning;
  int dir = 0;
  uint32_t pressed = 0, held = 0;
  if (g_AppJoystick != nullptr) {
    g_AppJoystick->ReadDevices();
    g_AppJoystick->UpdateBanks();
    g_AppJoystick->GetMenuInput(g_MainSide & 3, &dir, &pressed, &held, 0);
  }
  if (GetOnlineModeManager().IsConnectionLost()) dir = 0;
  // Cancel wins when both come in the same frame.
  const int button = (pressed & 2) ? 2 : (pressed & 1) ? 1 : 0;
  CReplayFilerLayer& b = *s.browser;
  if ((pressed & 4) && g_ReplayDeleteBox == nullptr) OpenDeleteReplayConfirm();
  if (g_ReplayDeleteBox != nullptr) {
    g_ReplayDeleteBox->Input(dir, button);
    g_ReplayDeleteBox->Draw();
    b.inputDirection = 0;
    b.inputButton = 0;
    if (g_ReplayDeleteBox->openState == CPauseMenu_Default::kClosed) {
      // Only an explicit YES deletes; NO and a cancel leave everything as it was.
      const bool yes = g_ReplayDeleteBox->confirmed != 0;
      delete g_ReplayDeleteBox;
      g_ReplayDeleteBox = nullptr;
      if (yes && DeleteCursorReplay() == 1) {
        CreateReplayBrowser();
        return 1;  // the fresh browser opens on the next frame
      }
    }
  } else {
    b.inputDirection = dir;
    b.inputButton = button;
  }
  if (b.state == CReplayFilerLayer::kOpenRequested)
    b.Open();
  else if (b.state == CReplayFilerLayer::kBrowsing)
    b.Update();
  b.Draw();
  if (s.fadeState != CSceneReplayVSMenu::kFadingOut) {
    if (b.state == CReplayFilerLayer::kChosen) {
      const ReplayFileEntry* e = b.CursorEntry();
      s.chosenPath = e ? e->path : std::string();
      s.fadeState = CSceneReplayVSMenu::kFadingOut;
    } else if (b.state == CReplayFilerLayer::kCancelled) {
      s.chosenPath.clear();
      s.fadeState = CSceneReplayVSMenu::kFadingOut;
    }
  }
  DrawReplaySelectFade();
  if (TextureHandle* bg = b.BackgroundTexture(); bg && bg->dx)
    DrawSprite(nullptr, bg, 0, 0, 640, 480, 0, 0, static_cast<float>(bg->dx->usedWidth),
               static_cast<float>(bg->dx->usedHeight), 0xFFFFFFFF, 0, 1);
  if (s.fadeState == CSceneReplayVSMenu::kFadedOut) LeaveReplaySelect();
  ++s.frameCounter;
  return 1;
}

void ReleaseReplaySelect() {
  CSceneReplayVSMenu& s = g_SceneReplayVSMenu;
  delete g_ReplayDeleteBox;
  g_ReplayDeleteBox = nullptr;
  if (s.browser) s.browser->Close();
  s.browser.reset();
  s.chosenPath.clear();
  s.frameCounter = 0;
  s.fadeLevel = 0.0f;
  s.fadeState = CSceneReplayVSMenu::kFadeStart;
}

void InstallReplaySelectScene() {
  RegisterScene(SCENE_REPLAY_SELECT, {RunReplaySelectScene, ReleaseReplaySelect});
}
