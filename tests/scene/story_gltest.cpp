// The story on the GL device with the sample pictures and fonts: a dialogue with both faces over a
// stage, the lower band over a stage, an ending picture after its crossfade, and the staff roll
// scrolling and at its logo. Checks a few pixels of each; with VT_STORY_SHOTS set, the pictures are
// written into that folder.
#include <SDL.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "Dxtools/Text/fnt_font.h"
#include "Dxtools/gfx_test_env.h"
#include "app/lib_debug.h"
#include "battle/battle_gl_shots.h"
#include "battle/battle_records.h"
#include "scene/scene_frame.h"
#include "scene/staff_roll.h"
#include "scene/stage_bg.h"
#include "scene/stage_driver.h"
#include "scene/story_draw.h"
#include "scene/story_script.h"

namespace vt::test {
namespace {

namespace fs = std::filesystem;

struct Pixel {
  int r, g, b;
};

class StoryGl : public GlWindowGfx {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(StartGl("story", 640, 480));
    vt::SetDebugQuiet(true);
    StageDriver::CopySample();
    for (const char* folder : {"story"})
      if (!fs::exists(folder))
        fs::copy(fs::path(VT_SAMPLE_DIR) / folder, folder, fs::copy_options::recursive);
    for (const char* font : {"fontl.fnt", "fonts.fnt", "font.fnt", "fontl_eng.fnt"})
      if (!fs::exists(font)) fs::copy(fs::path(VT_SAMPLE_DIR) / font, font);
    LoadShaderEffects();
    ASSERT_EQ(CreateFrameRenderTargets(), 1);
    vt::text::LoadStoryFonts();
    g_SceneId = SCENE_STORY;
    g_MainSide = 0;
  }
  void TearDown() override {
    EndStoryScript();
    StaffRollRelease();
    StageDriver::Stop();
    vt::text::FreeStoryFonts();
    FreeShaderEffects();
    StopGl();
    vt::SetDebugQuiet(false);
  }

  // Renders what the last story frame queued into the scene target and reads it back.
  static std::vector<uint8_t> Render() {
    BindSceneRenderTargets();
    {
      std::lock_guard<std::recursive_mutex> lock(g_DrawListLock);
      RenderDrawList(g_MainDrawList.slots);
    }
    RestoreBackBufferTargets();
    ReleaseEffectTags();
    ResetDrawList(&g_MainDrawList);
    return battle_test::ReadSceneTarget(640, 480);
  }
  // Runs the script for `frames` frames and renders the last.
  static std::vector<uint8_t> RunAndRender(int frames, int pressedFrames = 0) {
    StoryInput in;
    in.active = 1;
    for (int f = 0; f < frames; ++f) {
      ResetDrawList(&g_MainDrawList);
      in.advance = f < pressedFrames;
      RunStoryScript(in);
    }
    return Render();
  }
  static Pixel At(const std::vector<uint8_t>& bgra, int x, int y) {
    const size_t i = (static_cast<size_t>(y) * 640 + x) * 4;
    return {bgra[i + 2], bgra[i + 1], bgra[i]};
  }
  static void Shot(const std::vector<uint8_t>& bgra, const std::string& name) {
    battle_test::SaveBattleShot(bgra, 640, 480, name, "VT_STORY_SHOTS");
  }
};

std::string Kana(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) {
    s += static_cast<char>(0x82);
    s += static_cast<char>(0xA0 + 2 * (i % 20));
  }
  return s;
}

TEST_F(StoryGl, DialogueWithBothFacesOverTheStage) {
  ASSERT_TRUE(StageDriver::Start(1));
  // The right side speaks first (a press completes and closes it), then the left with both faces.
  LoadStoryScriptText("GB 1\r\nFC 1 2 1\r\nMD 1 0\r\n" + Kana(4) + "\\\r\nFC 0 1 1\r\nMD 0 2\r\n" + Kana(12) +
                      "\r\n" + Kana(4) + "<" + Kana(3) + ">" + Kana(3) + "\x81\xdd\\\r\nRT\r\n");
  const std::vector<uint8_t> shot = RunAndRender(80, 4);
  ASSERT_FALSE(shot.empty());
  Shot(shot, "story_dialogue");
  // The left face (red) stands at the bottom left, the right one (blue) at the bottom right.
  const Pixel left = At(shot, 96, 400), right = At(shot, 544, 400);
  EXPECT_GT(left.r, left.b + 60);
  EXPECT_GT(right.b, right.r + 60);
  // The first glyph's cell is white text somewhere in (64..84, 54..74).
  int white = 0;
  for (int y = 54; y < 74; ++y)
    for (int x = 64; x < 84; ++x) {
      const Pixel p = At(shot, x, y);
      white += p.r > 200 && p.g > 200 && p.b > 200;
    }
  EXPECT_GT(white, 10);
}

TEST_F(StoryGl, LowerBandTalkOverTheStage) {
  ASSERT_TRUE(StageDriver::Start(1));
  LoadStoryScriptText("GB 1\r\nXW 1 10\r\nFC 4 2 2\r\nMD 4 0\r\n" + Kana(10) + "\\\r\nRT\r\n");
  const std::vector<uint8_t> shot = RunAndRender(60);
  ASSERT_FALSE(shot.empty());
  Shot(shot, "story_talk");
  EXPECT_EQ(GetStoryState().lowerBand, 255);
}

TEST_F(StoryGl, EndingPictureAfterItsCrossfade) {
  LoadStoryScriptText("XH 101 0\r\nRT\r\n");
  const std::vector<uint8_t> shot = RunAndRender(70);
  ASSERT_FALSE(shot.empty());
  Shot(shot, "story_ending");
  const Pixel top = At(shot, 20, 4);
  EXPECT_GT(top.r, 200) << "the lettered picture's warm top";
  EXPECT_GT(At(shot, 630, 4).r, 200) << "stretched over the whole screen";
}

TEST_F(StoryGl, StaffRollAndItsLogo) {
  StaffRollReset();
  StaffRollLoad();
  StaffRollState& roll = GetStaffRoll();
  ASSERT_EQ(roll.speed, 60.0f);
  roll.scriptEnded = 1;
  for (int f = 0; f < 360; ++f) {
    ResetDrawList(&g_MainDrawList);
    StaffRollUpdate();
    StaffRollDraw();
  }
  const std::vector<uint8_t> scrolling = Render();
  ASSERT_FALSE(scrolling.empty());
  Shot(scrolling, "story_staffroll");
  int white = 0;
  for (int y = 0; y < 480; ++y) white += At(scrolling, 420, y).r > 100;
  EXPECT_GT(white, 20) << "strips are on screen";
  roll.input = 1;
  for (int f = 0; f < 90; ++f) {
    ResetDrawList(&g_MainDrawList);
    StaffRollUpdate();
    StaffRollDraw();
  }
  const std::vector<uint8_t> logo = Render();
  Shot(logo, "story_stafflogo");
  const Pixel bar = At(logo, 196, 136);
  EXPECT_GT(bar.r, 180) << "the logo's gold bar";
}

}  // namespace
}  // namespace vt::test
