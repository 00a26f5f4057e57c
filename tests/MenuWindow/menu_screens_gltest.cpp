// Each menu framework drawn on the GL device with the sample game folder's fonts and help texts:
// an in-game menu with choices and a yes/no box over it, a window-menu two-choice box with its
// help window, and the key setting screen. Set VT_MENU_SHOTS to a folder to keep the pictures.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "Dxtools/Text/system_font.h"
#include "Dxtools/gfx_test_env.h"
#include "MenuWindow/game_menu.h"
#include "MenuWindow/info_window.h"
#include "MenuWindow/menu_window.h"
#include "app/input/key_config.h"
#include "menu/key_setting.h"
#include "platform/image.h"

namespace vt::test {
namespace {

using namespace vt::gfx;

class MenuScreensGl : public vt::test::GlWindowGfx {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(StartGl("menus", 640, 480));
    for (const char* name : {"_sysfont.ini", "grp", "Information"})
      std::filesystem::copy(std::filesystem::path(VT_SAMPLE_DIR) / name, name,
                            std::filesystem::copy_options::recursive);
    text::LoadSystemFonts();
    target_ = CreateRenderTargetTexture(640, 480, FMT_A8R8G8B8);
    ASSERT_NE(target_, nullptr);
  }
  void TearDown() override {
    ResetDrawList(&g_MainDrawList);
    FreeTexture(target_);
    text::FreeBitmapFonts();
    StopGl();
  }

  // Renders what draw queues over a backdrop of coloured bands, keeps the picture when asked, and
  // returns its pixels (B, G, R, A).
  std::vector<uint8_t> Shoot(const char* name, const std::function<void()>& draw) {
    SetRenderTargetTexture(target_);
    ClearScreen(CLEAR_TARGET | CLEAR_ZBUFFER, 0xFF000000u);
    ResetDrawList(&g_MainDrawList);
    for (int i = 0; i < 8; ++i) {
      const uint32_t c = 0xFF000000u | (0x30 + i * 0x18) << 16 | 0x40 << 8 | (0xA0 - i * 0x10);
      DrawRect(nullptr, 0, i * 60, 640, 60, c, c, c, c, 1);
    }
    draw();
    EXPECT_EQ(RenderMain(), 1);
    Texture* rt = HandleTexture(target_);
    TextureRef sys = g_D3DDevice->CreateTexture(rt->Width(), rt->Height(), 0, FMT_A8R8G8B8, POOL_SYSTEMMEM);
    EXPECT_EQ(g_D3DDevice->GetRenderTargetData(rt, sys.get()), kOk);
    std::vector<uint8_t> px = sys->Pixels();
    width_ = static_cast<int>(sys->Width());
    if (const char* dir = std::getenv("VT_MENU_SHOTS")) {
      std::filesystem::create_directories(dir);
      // The 640 x 480 screen out of the power-of-two target.
      std::vector<uint8_t> screen;
      for (int y = 0; y < 480; ++y)
        screen.insert(screen.end(), px.begin() + size_t(y) * width_ * 4,
                      px.begin() + (size_t(y) * width_ + 640) * 4);
      vt::image::SaveImage((std::string(dir) + "/" + name).c_str(), vt::image::kFilePng, screen.data(), 640,
                           480);
    }
    SetRenderTargetTexture(nullptr);
    return px;
  }
  // White-ish pixels in a rectangle (text and cursor highlights).
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

TEST_F(MenuScreensGl, InGameMenuWithAYesNoBox) {
  CPauseMenu_Default menu;
  menu.SetTitle("1P PAUSE MENU");
  menu.drawBackground = 0;
  menu.y = 180;
  auto* set = new CGameMenuSet(&menu, "PAUSE_MENU");
  set->AddElement(new CPauseMenu_NormalElement("CONTINUE", "CONTINUE"));
  set->AddElement(new CPauseMenu_SpaceElement(4));
  auto* speed = new CPauseMenu_SelectElement("GAME SPEED", "SPEED", 170);
  for (const char* s : {"SLOW", "NORMAL", "FAST"}) speed->AddChoice({s, "", 0});
  speed->SetChoiceIndex(1);
  set->AddElement(speed);
  set->AddElement(new CPauseMenu_NormalElement("KEYBOARD SETTING", "KEYBOARD_SETTING"));
  set->AddElement(new CPauseMenu_NormalElement("RETURN MAIN MENU", "RETURN_TITLE"));
  for (int i = 0; i < 17; ++i) menu.Input(0, 0);
  menu.Input(2, 0);  // onto GAME SPEED
  for (int i = 0; i < 20; ++i) menu.Input(0, 0);

  CGameMenu_YESNO box;
  box.title = "Check";
  box.layer = 753;
  box.y = 330;
  box.SetInfoText("Return to the main menu?");
  for (int i = 0; i < 17; ++i) box.Input(0, 0);

  CInformationWindow help;
  help.LoadTexts(".\\Information\\eng\\PauseInfo.ini");
  help.layer = 752;
  help.centreY = 430;
  help.bandHeight = 72;
  help.scaleX = 0.7f;
  help.scaleY = 0.9f;
  help.SetKey("RETURN_TITLE");
  for (int i = 0; i < 16; ++i) help.Update();

  auto px = Shoot("in_game_menu.png", [&] {
    menu.Draw();
    box.Draw();
    help.Draw();
  });
  EXPECT_GT(Bright(px, 200, 120, 440, 240), 300);  // the menu labels
  EXPECT_GT(Bright(px, 0, 290, 640, 380), 300);    // the yes/no box
  EXPECT_GT(Bright(px, 40, 400, 640, 460), 100);   // the help line
}

TEST_F(MenuScreensGl, WindowMenuTwoChoiceBoxWithHelp) {
  CInformationWindow help;
  help.LoadTexts(".\\Information\\eng\\SteamNetworkInfo.ini");
  help.centreY = 420;
  CMenuManageYesNoMessageReturn box;
  box.help = &help;
  box.Show("Check", "Leave the rank match and return to the menu?", "YES", "RANK_MATCH", "NO", "RETURN", 1,
           1);
  box.Open(1);
  for (int i = 0; i < 20; ++i) box.Update();
  ASSERT_EQ(box.state, CMenuManagerBase::kOpen);
  auto px = Shoot("window_menu.png", [&] { box.Draw(20); });
  EXPECT_GT(Bright(px, 0, 150, 640, 330), 300);   // message and choices
  EXPECT_GT(Bright(px, 40, 380, 640, 460), 100);  // the help line of the selected choice
}

TEST_F(MenuScreensGl, KeySettingScreen) {
  GetKeyConfig() = KeyConfigData{};
  for (int p = 0; p < 4; ++p) ResetPadDefaults(p);
  KeySettingScreen screen;
  screen.Open(KeySettingScreen::kController);
  for (int i = 0; i < 20; ++i) {
    screen.RequestClose();
    screen.Update();
  }
  auto px = Shoot("key_setting.png", [&] { screen.Draw(); });
  EXPECT_GT(Bright(px, 0, 100, 320, 380), 300);    // 1P menu
  EXPECT_GT(Bright(px, 320, 100, 640, 380), 300);  // 2P menu
  screen.Close();
}

}  // namespace
}  // namespace vt::test
