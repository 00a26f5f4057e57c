// The training menu on the offscreen GL device with the sample folder's fonts, help texts and
// game texts: the main menu, each setting menu over it, and a yes/no box. The pictures go to
// /work/shots/trainingmenu when /work/shots exists (or to VT_TRAINING_SHOTS).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "Dxtools/Text/system_font.h"
#include "Dxtools/gfx_test_env.h"
#include "FilePacFunc/FilePac.h"
#include "Replay/replay_controller.h"
#include "app/input/app_joystick.h"
#include "app/text_list.h"
#include "battle/battle_records.h"
#include "battle/game_mode.h"
#include "menu/pause_control.h"
#include "menu/training_menu.h"
#include "menu/training_setting_menus.h"
#include "menu/training_settings.h"
#include "platform/image.h"

namespace vt::test {
namespace {

using namespace vt::gfx;

constexpr uint32_t kDecide = 1u << 0, kCancel = 1u << 1;

std::string ShotDir() {
  if (const char* dir = std::getenv("VT_TRAINING_SHOTS")) return dir;
  return std::filesystem::exists("/work/shots") ? "/work/shots/trainingmenu" : "";
}

class TrainingMenuGl : public GlWindowGfx {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(StartGl("training menu", 640, 480));
    namespace fs = std::filesystem;
    fs::copy(fs::path(VT_SAMPLE_DIR), ".",
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    ASSERT_TRUE(MountPackFiles());  // the game texts are in a pack
    text::LoadSystemFonts();
    LoadGameText();
    target_ = CreateRenderTargetTexture(640, 480, FMT_A8R8G8B8);
    ASSERT_NE(target_, nullptr);
    g_AppJoystick = &GetAppJoystickInstance();
    for (PadState& s : g_AppJoystick->menuBank) s = PadState{};
    g_GameModeFlags = MODE_TRAINING;
    g_MainSide = 0;
    ResetPauseControl();
    ResetTrainingSettings();
    g_ReplayController.Reset();
    g_ReplayController.file = CReplayFile{};
    // Slot 1 holds 12.5 seconds.
    CReplayFile& f = g_ReplayController.file;
    f.rounds.resize(kDummySlots);
    f.roundIndex = 0;
    ReplayInputEntry e;
    e.lever = 5;
    for (int i = 0; i < 750; ++i) f.AppendInput(0, e);
    SaveMenuCursor("TRAINING_MAIN_MENU", "PLAYER_SETTING");
  }
  void TearDown() override {
    CloseTrainingMenu();
    ResetPauseControl();
    ResetDrawList(&g_MainDrawList);
    FreeTexture(target_);
    text::FreeBitmapFonts();
    StopGl();
    g_ReplayController.Reset();
    g_ReplayController.file = CReplayFile{};
    g_GameTextTable.clear();
    GetPackList().Clear();
    ResetTrainingSettings();
    g_GameModeFlags = 0;
  }

  void Frame(uint32_t buttons = 0, int direction = 0) {
    PadState& s = g_AppJoystick->menuBank[0];
    s = PadState{};
    for (int b = 0; b < 3; ++b)
      if ((buttons >> b) & 1) s.button[b] = PadState::kHeld | PadState::kPressed;
    if (direction) s.menuDirection = static_cast<uint8_t>(direction | PadState::kChanged);
    UpdateTrainingMenu();
    s = PadState{};
    ResetDrawList(&g_MainDrawList);
  }
  void Frames(int n) {
    for (int i = 0; i < n; ++i) Frame();
  }
  CTM_MainMenu& Menu() { return *g_TrainingMainMenu; }

  // Renders the menu over coloured bands (a stand-in for the frozen battle), keeps the picture
  // and returns its pixels (B, G, R, A).
  std::vector<uint8_t> Shoot(const char* name) {
    SetRenderTargetTexture(target_);
    ClearScreen(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000u);
    ResetDrawList(&g_MainDrawList);
    for (int i = 0; i < 8; ++i) {
      const uint32_t c = 0xFF000000u | (0x30 + i * 0x18) << 16 | 0x40 << 8 | (0xA0 - i * 0x10);
      DrawRect(nullptr, 0, i * 60, 640, 60, c, c, c, c, 1);
    }
    Menu().Draw();
    EXPECT_EQ(RenderMain(), 1);
    Texture* rt = HandleTexture(target_);
    TextureRef sys = g_D3DDevice->CreateTexture(rt->Width(), rt->Height(), 0, FMT_A8R8G8B8, POOL_SYSTEMMEM);
    EXPECT_EQ(g_D3DDevice->GetRenderTargetData(rt, sys.get()), kOk);
    std::vector<uint8_t> px = sys->Pixels();
    width_ = static_cast<int>(sys->Width());
    const std::string dir = ShotDir();
    if (!dir.empty()) {
      std::filesystem::create_directories(dir);
      std::vector<uint8_t> screen;
      for (int y = 0; y < 480; ++y)
        screen.insert(screen.end(), px.begin() + size_t(y) * width_ * 4,
                      px.begin() + (size_t(y) * width_ + 640) * 4);
      vt::image::SaveImage((dir + "/" + name).c_str(), vt::image::kFilePng, screen.data(), 640, 480);
    }
    SetRenderTargetTexture(nullptr);
    ResetDrawList(&g_MainDrawList);
    return px;
  }
  int Bright(const std::vector<uint8_t>& px, int x0, int y0, int x1, int y1) const {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) {
        const uint8_t* p = px.data() + (size_t(y) * width_ + x) * 4;
        n += p[0] > 200 && p[1] > 200 && p[2] > 200;
      }
    return n;
  }

  TextureHandle* target_ = nullptr;
  int width_ = 0;
};

TEST_F(TrainingMenuGl, MainMenuSettingMenusAndAYesNoBox) {
  g_Paused = 1;
  g_PauseStep = 1;
  Frame();
  ASSERT_NE(g_TrainingMainMenu, nullptr);
  Frames(30);
  Menu().sets[0]->SetCursorById("ENEMY_STATUS");
  Frame(0, 6);  // STAND -> JUMP
  Frames(20);
  auto px = Shoot("training_menu.png");
  EXPECT_GT(Bright(px, 100, 40, 270, 400), 300);  // the labels, right-aligned at x 266
  EXPECT_GT(Bright(px, 300, 40, 560, 400), 100);  // the choices
  EXPECT_GT(Bright(px, 0, 400, 640, 480), 50);    // the help line

  struct Screen {
    const char* item;
    const char* element;
    const char* file;
  };
  const Screen screens[] = {{"PLAYER_SETTING", "GUARD_GAUGE", "battle_setting.png"},
                            {"ENEMY_SETTING", "AIR_RECOVERY", "enemy_setting.png"},
                            {"TRAINING_DISPLAY", "INPUT_DISPLAY", "display_setting.png"},
                            {"DUMMY_SETTING", "REPLAY_TYPE", "dummy_setting.png"}};
  for (const Screen& s : screens) {
    SCOPED_TRACE(s.item);
    Menu().sets[0]->SetCursorById(s.item);
    Frame(kDecide);
    Frames(20);
    CTM_SettingMenu* menu = Menu().OpenSettingMenu();
    ASSERT_NE(menu, nullptr);
    menu->sets[0]->SetCursorById(s.element);
    Frame(0, 6);
    Frames(20);
    px = Shoot(s.file);
    EXPECT_GT(Bright(px, 80, 100, 260, 300), 200);  // the setting labels, right-aligned at x 250
    Frame(kCancel);
    Frames(20);
    ASSERT_EQ(Menu().OpenSettingMenu(), nullptr);
  }

  Menu().sets[0]->SetCursorById("EXIT");
  Frame(kDecide);
  Frames(20);
  ASSERT_NE(Menu().yesNo, nullptr);
  EXPECT_EQ(Menu().yesNo->question, GetGameText(13));
  EXPECT_FALSE(Menu().yesNo->question.empty());
  px = Shoot("yes_no.png");
  EXPECT_GT(Bright(px, 200, 150, 440, 260), 100);  // YES and NO
}

}  // namespace
}  // namespace vt::test
