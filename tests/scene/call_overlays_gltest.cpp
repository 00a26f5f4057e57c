// The calls on the GL device with the sample pictures: the round call's band shows the battle
// while the rest is half dark, the fight call's strip darkens only its own rows; with
// VT_CALL_SHOTS set, pictures of the round call, the bars with the fight call, the KO call and
// the winner call with scores over the harbour stage are written into that folder.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "Dxtools/gfx_test_env.h"
#include "app/lib_debug.h"
#include "battle/battle_draw.h"
#include "battle/battle_gl_shots.h"
#include "battle/battle_records.h"
#include "battle/round_calls.h"
#include "battle/round_flow.h"
#include "platform/gfx/texture.h"
#include "platform/image.h"
#include "scene/call_overlays.h"
#include "scene/stage_driver.h"

namespace vt::test {
namespace {

struct Pixel {
  int r, g, b;
};

class CallsGl : public GlWindowGfx {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(StartGl("calls", 640, 480));
    vt::SetDebugQuiet(true);
    StageDriver::CopySample();
    LoadShaderEffects();
    ASSERT_EQ(CreateFrameRenderTargets(), 1);
    ResetAllBattleGlobals();
    LoadFightCallGraphics();
    LoadRoundCallBarGraphics();
    LoadRoundCallGraphics();
    LoadWinnerCallGraphics();
    LoadKoEffectGraphics();
    g_CallPriority = CallPriorities{};
    g_CallPriority.body = g_CallPriority.bars = g_CallPriority.fight = g_CallPriority.ko =
        g_CallPriority.winner = kBattleCallPriority;
    g_BattleDrawSubmit = true;
  }
  void TearDown() override {
    StageDriver::Stop();
    FreeRoundCallGraphics();
    FreeWinnerCallGraphics();
    FreeKoEffectGraphics();
    FreeFightCallGraphics();
    ResetAllBattleGlobals();
    FreeShaderEffects();
    StopGl();
    vt::SetDebugQuiet(false);
  }

  // One frame: the backdrop (a red screen, or the harbour stage), the calls' draws, rendered into
  // the scene target; returns its 640 x 480 picture.
  std::vector<uint8_t> Frame(bool stage, const std::function<void()>& draws) {
    ResetDrawList(&g_MainDrawList);
    if (stage)
      DrawStageBg(1);
    else
      DrawRect(&g_MainDrawList, 0, 0, 640, 480, 0xFFFF0000u, 0xFFFF0000u, 0xFFFF0000u, 0xFFFF0000u, 1);
    draws();
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
  static Pixel At(const std::vector<uint8_t>& bgra, int x, int y) {
    const size_t i = (static_cast<size_t>(y) * 640 + x) * 4;
    return {bgra[i + 2], bgra[i + 1], bgra[i]};
  }
  static void Shot(const std::vector<uint8_t>& bgra, const std::string& name) {
    battle_test::SaveBattleShot(bgra, 640, 480, name, "VT_CALL_SHOTS");
  }
  static void RoundCallTo(int round, int updates) {
    g_RoundCallRound = round % 10;
    g_RoundCallWins = 2;
    g_RoundCallFirst = round % 10 == 0 ? 1 : 0;
    StartRoundCall();
    for (int k = 0; k < updates; ++k) {
      UpdateRoundCall();
      UpdateRoundCallBars();
    }
  }
};

// At 2 s the band (y 160..320) shows the battle untouched and the screen above it is half dark.
TEST_F(CallsGl, RoundCallBandShowsTheBattle) {
  RoundCallTo(1, 121);
  const std::vector<uint8_t> shot = Frame(false, [] {
    DrawRoundCall();
    DrawRoundCallBars();
  });
  ASSERT_FALSE(shot.empty());
  const Pixel band = At(shot, 20, 240), above = At(shot, 630, 20);
  EXPECT_GT(band.r, 240);
  EXPECT_LT(band.g, 20);
  EXPECT_NEAR(above.r, 128, 20) << "half dark";
  EXPECT_LT(above.g, 20);
}

// 1.1 s into the fight call its strip's black is fading (a third left); above the strip the
// battle shows untouched.
TEST_F(CallsGl, FightCallStripDarkensItsRows) {
  StartFightCall();
  for (int k = 0; k < 67; ++k) UpdateFightCall();
  const std::vector<uint8_t> shot = Frame(false, [] { DrawFightCall(); });
  ASSERT_FALSE(shot.empty());
  const Pixel strip = At(shot, 20, 300), outside = At(shot, 20, 100);
  const float cut = g_FightCall.bandCut;
  EXPECT_NEAR(strip.r, 255.0f * cut, 20.0f);
  EXPECT_LT(strip.r, 230);
  EXPECT_GT(outside.r, 240);
  EXPECT_LT(outside.g, 20);
}

// Pictures for looking at (written only with VT_CALL_SHOTS set).
TEST_F(CallsGl, Pictures) {
  ASSERT_TRUE(StageDriver::Start(1));
  g_MatchStage = 1;
  RoundCallTo(2, 72);  // 1.2 s: title, caption resolving, rings, strip flickering
  Shot(Frame(true,
             [] {
               DrawRoundCall();
               DrawRoundCallBars();
             }),
       "round_call");
  // The real hand-over: the fight call starts when the bars' wipe has finished.
  RoundCallTo(2, 0);
  auto step = [] {
    UpdateRoundCall();
    UpdateRoundCallBars();
    if (g_RoundCallBars.state == 1) {
      StartFightCall();
      g_RoundCallBars.state = 2;
    } else if (g_RoundCallBars.state == 2) {
      UpdateFightCall();
    }
  };
  for (int k = 0; k < 155; ++k) step();  // 2.58 s: the line typed, the wipe sweeping in
  Shot(Frame(true,
             [] {
               DrawRoundCall();
               DrawRoundCallBars();
             }),
       "bars_wipe");
  while (g_FightCall.t < 0.5f) step();  // half a second into the fight call
  Shot(Frame(true,
             [] {
               DrawRoundCall();
               DrawRoundCallBars();
               DrawFightCall();
             }),
       "bars_and_fight_call");
  g_KoCall = {};
  g_KoCall.KoKind = 0;
  g_KoCall.extra = 0;
  StartKoCall();
  for (int k = 0; k < 30; ++k) UpdateKoCall();
  Shot(Frame(true, [] { DrawKoCall(); }), "ko_call");
  g_WinnerCallInfo = WinnerCallInfo{};
  g_WinnerCallInfo.resultFlag = 16;
  g_WinnerCallInfo.winnerCharacter = 1;
  const int32_t scores[5] = {84, 50, 33, 12, 179};
  for (int i = 0; i < 5; ++i) g_WinnerCallInfo.scores[i] = scores[i];
  StartWinnerCall();
  for (int k = 0; k < 90; ++k) UpdateWinnerCall();
  Shot(Frame(true, [] { DrawWinnerCall(); }), "winner_call");
}

}  // namespace
}  // namespace vt::test
