// The battle HUD: its values and bars as functions of the battle records, the training refill,
// the cut-ins each tag type loads, the heat effect spawned once per rise, the zero type row, and
// one recorded draw-command snapshot of a fixed HUD state.
#include "scene/battle_hud.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/gfx_test_env.h"
#include "app/lib_debug.h"
#include "battle/battle_clock.h"
#include "battle/battle_draw.h"
#include "battle/battle_fixture.h"
#include "battle/battle_tables.h"
#include "battle/chara_list.h"
#include "battle/character_draw.h"
#include "battle/round_flow.h"
#include "battle/screen_break.h"
#include "battle/story_routes.h"
#include "platform/image.h"
#include "scene/scene_battle.h"

namespace {

using battle_test::FrameDef;
using battle_test::PlaceCharacter;
using battle_test::TestFrameData;

class BattleHud : public vt::test::RecordingGfx {
 protected:
  void SetUp() override {
    RecordingGfx::SetUp();
    battle_test::ResetWorld();
    ResetBattleDrawSeams();
    InstallBattleHud();
    ResetHudSlots();
    g_HudHeatFade = 0.0f;
    g_SideWinCounts[0] = g_SideWinCounts[1] = 0;
    g_TimerSpeed = 1;
    g_BattleDrawSubmit = true;
    FrameDef hold;
    hold.duration = 100;
    hold.endAction = 3;
    data_.Pattern(0, {hold});
    for (int i = 0; i < 2; ++i) {
      BattleObject& o = PlaceCharacter(i, data_.Set(), i == 0 ? -10000 : 10000);
      o.type = 0;
      g_SideStatus[i].activePlayer = i;
    }
    TypeParams& t = g_TypeParams[0];
    t.magicCircuitMax = 30000;
    t.ggMaxVal = 1000.0f;
    t.gqMaxVal = 100.0f;
  }
  void TearDown() override {
    FreeBattleHudGraphics();
    FreeCharaSelectList();
    ResetDrawList(&g_MainDrawList);
    battle_test::ResetWorld();
    ResetBattleDrawSeams();
    RecordingGfx::TearDown();
  }
  BattleObject& P(int i) { return g_PlayerRecords[i].obj; }
  TestFrameData data_;
};

// ---- fault 3: fractions over a type row of zeros ----

TEST_F(BattleHud, FractionsOfZeroOrNegativeDivisorsAreZeroAndClamped) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const struct {
    float value, divisor, expected;
  } cases[] = {
      {5, 10, 0.5f}, {10, 10, 1.0f}, {25, 10, 1.0f},  {-3, 10, 0.0f}, {5, 0, 0.0f},
      {0, 0, 0.0f},  {5, -2, 0.0f},  {nan, 10, 0.0f}, {5, nan, 0.0f}, {inf, 10, 1.0f},
  };
  for (const auto& c : cases)
    EXPECT_EQ(HudFraction(c.value, c.divisor), c.expected) << c.value << " / " << c.divisor;
}

TEST_F(BattleHud, ZeroTypeRowGivesEmptyGuardAndMeterBarsNotInfinity) {
  // A type whose row of the type file is all zeros (the battle keeps such rows).
  g_TypeParams[3] = TypeParams{};
  P(0).type = 3;
  P(0).guardGauge = 400.0f;
  P(0).guardQuality = 20.0f;
  P(0).circuit = 12000;
  P(1).gaugeMode = 1;
  P(1).heatTimer = 300;
  P(1).gaugeModeMax = 0;  // a mode without length
  DrawBattleHud();
  const HudSlot& h = g_HudSlots[0];
  EXPECT_EQ(h.guardFraction, 0.0f);
  EXPECT_EQ(h.guardBlend, 0.0f);
  EXPECT_EQ(h.meterTarget, 0.0f);
  EXPECT_EQ(g_HudSlots[1].meterTarget, 0.0f);
  // A countdown of length 0 (its timer still running) gives 0 as well.
  P(0).circuitBreakTimer = 50;
  P(0).circuitBreakLength = 0;
  DrawBattleHud();
  EXPECT_EQ(g_HudSlots[0].specialCountdown, 1);
  EXPECT_EQ(g_HudSlots[0].meterTarget, 0.0f);
  // Every queued quad is finite.
  for (uint32_t p = 0; p < g_MainDrawList.slotCount; ++p)
    for (const GrpDrawCommand* c = g_MainDrawList.slots[p].next; c && c->kind != kDrawKindHead; c = c->next)
      for (const auto& v : c->v) ASSERT_TRUE(std::isfinite(v.x) && std::isfinite(v.y)) << "priority " << p;
}

// ---- values ----

TEST_F(BattleHud, TimerDisplayValue) {
  const struct {
    int mode;
    uint8_t speed;
    int32_t timer;
    float expected;
  } cases[] = {
      {MODE_VS_PLAYER, 0, 5000, -1.0f},            // no time limit
      {MODE_TRAINING, 1, 5000, -1.0f},             // training never counts
      {MODE_VS_PLAYER, 1, 0, 0.0f},                // used up
      {MODE_VS_PLAYER, 1, -7, 0.0f},               // past it
      {MODE_VS_PLAYER, 1, 99 * 60, 100.0f},        // round start shows 99 (the digits cap it)
      {MODE_VS_PLAYER, 1, 59, 59.0f / 60.0f + 1},  // the last count still shows 1
      {MODE_VS_PLAYER, 2, 4752, 100.0f},           // 99 counts of 48 steps
      {MODE_VS_PLAYER, 4, 270, 11.0f},             // 27 steps a count
      {MODE_VS_PLAYER, 9, 270, 11.0f},             // a bad speed is taken as 4
  };
  for (const auto& c : cases) {
    g_GameModeFlags = c.mode;
    g_TimerSpeed = c.speed;
    g_RoundTimer = c.timer;
    EXPECT_EQ(TimerDisplayValue(), c.expected) << c.mode << " " << int(c.speed) << " " << c.timer;
    DrawBattleHud();
    EXPECT_EQ(g_TimerShown, c.expected);
  }
}

TEST_F(BattleHud, ShownBarsFollowTheirTargetsByAQuarterWithMinimumSteps) {
  HudSlot& h = g_HudSlots[0];
  const struct {
    float shown, target, next;
  } cases[] = {
      {1.0f, 0.5f, 0.875f},    // a quarter of the difference
      {0.5f, 1.0f, 0.625f},    // up alike
      {0.505f, 0.5f, 0.503f},  // down at least 0.002
      {0.501f, 0.5f, 0.5f},    // never past the target
      {0.5f, 0.51f, 0.505f},   // up at least 0.005
      {0.5f, 0.503f, 0.503f},  // never past it upwards
      {0.25f, 0.25f, 0.25f},   // at rest
  };
  for (const auto& c : cases) {
    h.lifeShown = c.shown;
    h.lifeTarget = c.target;
    UpdateHudBars();
    EXPECT_FLOAT_EQ(h.lifeShown, c.next) << c.shown << " -> " << c.target;
  }
}

TEST_F(BattleHud, HalfLifeHitShrinksTheBarGraduallyAndTheMarkerWaitsForTheComboToEnd) {
  DrawBattleHud();
  EXPECT_EQ(g_HudSlots[1].lifeTarget, 1.0f);  // exactly 1 at full life
  for (int i = 0; i < 40; ++i) DrawBattleHud();
  ASSERT_EQ(g_HudSlots[1].lifeShown, 1.0f);
  ASSERT_EQ(g_HudSlots[1].markerShown, 1.0f);
  // Side 1 is hit for half its life and stays in the hit reaction.
  P(1).life = kMaxLife / 2;
  P(1).hitReaction = 1;
  float before = g_HudSlots[1].lifeShown;
  for (int i = 0; i < 12; ++i) {
    DrawBattleHud();
    const float shown = g_HudSlots[1].lifeShown;
    const float step = before - shown;
    EXPECT_GE(step, std::min(0.002f, before - 0.5f) - 1e-7f);
    EXPECT_NEAR(step, std::max(0.25f * (before - 0.5f), std::min(0.002f, before - 0.5f)), 1e-6f);
    before = shown;
    EXPECT_EQ(g_HudSlots[1].markerShown, 1.0f) << "the marker keeps the life the combo started from";
  }
  // Out of the combo the marker follows.
  P(1).hitReaction = 0;
  DrawBattleHud();
  EXPECT_EQ(g_HudSlots[1].markerTarget, 0.5f);
  EXPECT_LT(g_HudSlots[1].markerShown, 1.0f);
}

TEST_F(BattleHud, ShakenLifeBarFlashesFor24Frames) {
  ShakeHudLifeBar(1);
  EXPECT_EQ(g_HudSlots[1].flash, 24);
  for (int i = 0; i < 30; ++i) UpdateHudBars();
  EXPECT_EQ(g_HudSlots[1].flash, 0);
  ShakeHudLifeBar(7);  // no such slot: nothing
}

TEST_F(BattleHud, MeterLookByModeLevelAndType) {
  const struct {
    int mode, type;
    float shown;
    int countdown;
    int label;
    uint32_t colour;
    int speed;
    bool full;
  } cases[] = {
      {0, 0, 0.0f, 0, -1, 0xFFC80000u, 1, false},
      {0, 0, 0.33f, 0, -1, 0xFFC80000u, 1, false},
      {0, 0, 0.34f, 0, -1, 0xFFC8C800u, 2, false},
      {0, 0, 0.67f, 0, -1, 0xFF00C800u, 3, false},
      {4, 1, 1.0f, 0, -1, 0xFF00C800u, 3, false},
      {7, 1, 0.5f, 0, -1, 0xFFC8C800u, 2, false},   // an unknown mode shows the level
      {0, 2, 0.49f, 0, -1, 0xFFC80000u, 1, false},  // types 2 and 8 switch at 0.5 and 0.75
      {0, 2, 0.5f, 0, -1, 0xFFC8C800u, 2, false},
      {0, 8, 0.74f, 0, -1, 0xFFC8C800u, 2, false},
      {0, 8, 0.75f, 0, -1, 0xFF00C800u, 3, false},
      {1, 0, 0.5f, 0, 1, 0xFF5A5AE6u, -2, false},
      {2, 0, 0.5f, 0, 0, 0xFFFAA000u, -2, false},
      {3, 0, 0.5f, 0, 2, 0xFFB4B4B4u, -2, false},
      {5, 0, 0.1f, 0, 4, 0xFF3296FFu, 2, true},
      {5, 0, 0.1f, 1, 3, 0xFFBE64C8u, 0, false},  // the countdown wins over any mode
      {0, 2, 0.9f, 1, 3, 0xFFBE64C8u, 0, false},
  };
  for (const auto& c : cases) {
    HudSlot s;
    s.gaugeMode = c.mode;
    s.type = c.type;
    s.meterShown = c.shown;
    s.specialCountdown = c.countdown;
    const MeterLook m = GetMeterLook(s);
    EXPECT_EQ(m.label, c.label) << c.mode << " " << c.type << " " << c.shown;
    EXPECT_EQ(m.colour, c.colour) << c.mode << " " << c.type << " " << c.shown;
    EXPECT_EQ(m.speed, c.speed) << c.mode << " " << c.type << " " << c.shown;
    EXPECT_EQ(m.full, c.full) << c.mode << " " << c.type << " " << c.shown;
  }
}

TEST_F(BattleHud, MeterValueByCountdownModeAndCircuit) {
  P(0).circuit = 15000;
  DrawBattleHud();
  EXPECT_EQ(g_HudSlots[0].meterTarget, 0.5f);
  EXPECT_EQ(g_HudSlots[0].meterRaw, 15000);
  P(0).gaugeMode = 1;
  P(0).heatTimer = 150;
  P(0).gaugeModeMax = 600;
  DrawBattleHud();
  EXPECT_EQ(g_HudSlots[0].meterTarget, 0.25f);
  P(0).circuitBreakTimer = 30;
  P(0).circuitBreakLength = 120;
  DrawBattleHud();
  EXPECT_EQ(g_HudSlots[0].specialCountdown, 1);
  EXPECT_EQ(g_HudSlots[0].meterTarget, 0.25f);
  // A partly locked gauge (a rate) is no countdown.
  P(0).circuitBreakRate = 110;
  DrawBattleHud();
  EXPECT_EQ(g_HudSlots[0].specialCountdown, 0);
}

TEST_F(BattleHud, ThePartnerShowsWhenItIsTheSidesActivePlayer) {
  BattleObject& partner = PlaceCharacter(2, data_.Set(), 0);
  partner.side = 0;
  partner.life = kMaxLife / 4;
  DrawBattleHud();
  EXPECT_EQ(g_HudSlots[0].lifeTarget, 1.0f);
  g_SideStatus[0].activePlayer = 2;
  DrawBattleHud();
  EXPECT_EQ(g_HudSlots[0].lifeTarget, 0.25f);
}

// ---- training refill ----

int g_Training[17];

class BattleHudTraining : public BattleHud {
 protected:
  void SetUp() override {
    BattleHud::SetUp();
    for (int& v : g_Training) v = 0;
    g_Training[4] = 4;  // LIFE: no recovery unless a row says so
    g_BattleSeams.TrainingSetting = [](int e) { return e >= 0 && e < 17 ? g_Training[e] : 0; };
    g_GameModeFlags = MODE_TRAINING;
  }
};

TEST_F(BattleHudTraining, LifeSettingKeepsBothLifeValuesWhileNotHit) {
  const struct {
    int setting;
    int32_t life;
  } cases[] = {{0, kMaxLife}, {1, kMaxLife * 3 / 4}, {2, kMaxLife / 2}, {3, kMaxLife / 4}, {4, 1234},
               {9, 1234}};
  for (const auto& c : cases) {
    g_Training[4] = c.setting;
    P(1).life = P(1).redLife = 1234;
    DrawBattleHud();
    EXPECT_EQ(P(1).life, c.life) << c.setting;
    EXPECT_EQ(P(1).redLife, c.life) << c.setting;
  }
  // While the side is hit or held the refill waits.
  g_Training[4] = 2;
  P(1).life = P(1).redLife = 1000;
  P(1).hitReaction = 1;
  DrawBattleHud();
  EXPECT_EQ(P(1).life, 1000);
  P(1).hitReaction = 0;
  P(1).held = 1;
  DrawBattleHud();
  EXPECT_EQ(P(1).life, 1000);
  P(1).held = 0;
  DrawBattleHud();
  EXPECT_EQ(P(1).life, kMaxLife / 2);
  // Paused, or on a skipped slow-motion frame, nothing refills.
  P(1).life = 1000;
  g_Paused = 1;
  DrawBattleHud();
  EXPECT_EQ(P(1).life, 1000);
  g_Paused = 0;
  g_SlowMotion = 10;
  g_BattleFrame = 4;
  DrawBattleHud();
  EXPECT_EQ(P(1).life, 1000);
  g_BattleFrame = 6;
  DrawBattleHud();
  EXPECT_EQ(P(1).life, kMaxLife / 2);
  // Outside training nothing refills.
  g_SlowMotion = 0;
  g_GameModeFlags = MODE_VS_PLAYER;
  P(1).life = 1000;
  DrawBattleHud();
  EXPECT_EQ(P(1).life, 1000);
}

TEST_F(BattleHudTraining, GuardIsLoweredToItsLevelOnlyInGuardState1) {
  g_Training[6] = 2;  // 50 %
  P(0).guardGauge = 900.0f;
  P(0).guardGaugeState = 1;
  DrawBattleHud();
  EXPECT_EQ(P(0).guardGauge, 500.0f);
  P(0).guardGauge = 300.0f;
  DrawBattleHud();
  EXPECT_EQ(P(0).guardGauge, 300.0f);  // never raised
  P(0).guardGauge = 900.0f;
  P(0).guardGaugeState = 0;
  DrawBattleHud();
  EXPECT_EQ(P(0).guardGauge, 900.0f);
}

TEST_F(BattleHudTraining, MagicCircuitSettings) {
  const struct {
    int setting, mode;
    int32_t circuit;
    int expectedMode;
    int32_t expectedCircuit;
  } cases[] = {
      {0, 0, 100, 0, 100},                           // NORMAL
      {1, 0, 100, 0, 30000},                         // MAX
      {2, 0, 100, 0, 30000},                         // Immediately MAX
      {2, 0, 29999, 0, 29999},                       // not at the maximum - 1
      {3, 0, 100, 5, 100},                           // UNLIMITED
      {0, 5, 100, 0, 0},                             // back from UNLIMITED with an empty meter
      {3, 5, 100, 5, 100},     {1, 1, 100, 1, 100},  // a heat mode is left alone
  };
  for (const auto& c : cases) {
    g_Training[5] = c.setting;
    P(0).gaugeMode = static_cast<uint8_t>(c.mode);
    P(0).circuit = c.circuit;
    DrawBattleHud();
    EXPECT_EQ(P(0).gaugeMode, c.expectedMode) << c.setting << " " << c.mode << " " << c.circuit;
    EXPECT_EQ(P(0).circuit, c.expectedCircuit) << c.setting << " " << c.mode << " " << c.circuit;
  }
  // While anyone is hit the meter waits.
  g_Training[5] = 1;
  P(0).gaugeMode = 0;
  P(0).circuit = 100;
  P(1).hitReaction = 1;
  DrawBattleHud();
  EXPECT_EQ(P(0).circuit, 100);
}

// ---- heat ----

TEST_F(BattleHud, HeatSpawnsItsEffectOncePerRise) {
  g_CommonFrameData.patterns = data_.Set()->patterns;
  g_BattlePhase = 1;
  auto live = [] {
    int n = 0;
    for (const ObjectPoolSlot& s : g_ObjectPool) n += s.inUse;
    return n;
  };
  DrawBattleHud();
  EXPECT_EQ(live(), 0);
  P(1).gaugeMode = 1;
  for (int i = 0; i < 5; ++i) DrawBattleHud();
  EXPECT_EQ(live(), 1);
  EXPECT_EQ(g_HudHeatActive, 1);
  EXPECT_NEAR(g_HudHeatFade, 5.0f / 30.0f, 1e-6f);
  // A second heat starting while the first runs is no rise.
  P(0).gaugeMode = 3;
  DrawBattleHud();
  EXPECT_EQ(live(), 1);
  P(0).gaugeMode = 0;
  P(1).gaugeMode = 0;
  DrawBattleHud();
  EXPECT_EQ(g_HudHeatActive, 0);
  P(1).gaugeMode = 1;
  DrawBattleHud();
  EXPECT_EQ(live(), 2);
  // Outside a battle phase a rise spawns nothing (the word still follows).
  P(1).gaugeMode = 0;
  DrawBattleHud();
  g_BattlePhase = 0;
  P(1).gaugeMode = 1;
  DrawBattleHud();
  EXPECT_EQ(live(), 2);
  EXPECT_EQ(g_HudHeatActive, 1);
  g_CommonFrameData.patterns = nullptr;
}

TEST_F(BattleHud, HeatWordJoinsTheBattleStateHash) {
  const uint64_t before = BattleStateHash();
  g_HudHeatActive = 1;
  EXPECT_NE(BattleStateHash(), before);
}

// ---- cut-ins ----

// Writes a tiny PNG whose width tells the cut-in apart.
void WritePng(const std::string& path, int width) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::vector<uint8_t> bgra(static_cast<size_t>(width) * 4 * 4, 0xFF);
  ASSERT_TRUE(vt::image::SaveImage(path, vt::image::kFilePng, bgra.data(), width, 4));
}

// The cut-in's width once its read has finished (none within the wait: 0). A cut-in expected
// to be missing is given a short wait, so a read started by mistake still shows.
int CutInWidth(int player, int index, int expected) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(expected ? 5000 : 30);
  for (;;) {
    TextureHandle* t = GetBattleHudTexture(player, index);
    if (t && t->dx) return t->dx->usedWidth;
    if (std::chrono::steady_clock::now() > end) return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

TEST_F(BattleHud, CutInsByTagType) {
  // Character n's cut-ins are 8 x (n + 1) wide, so each texture names its character.
  for (int n = 0; n < 6; ++n)
    for (int i = 0; i < 5; ++i) {
      char name[64];
      std::snprintf(name, sizeof name, "grp/cut/cut_%02d%02d.png", n, i);
      WritePng(name, 8 * (n + 1));
    }
  std::string list;
  const struct {
    const char* name;
    const char* file1;
    const char* file2;
    int tag;
  } entries[] = {
      {"Solo", "solo", "0", 0}, {"Pair", "Front", "Back", 1}, {"Front", "front", "0", 0},
      {"Back", "back", "0", 0}, {"Tag", "tag", "0", 2},       {"Ghost", "ghost", "0", 255},
      {"Odd", "odd", "0", 7},   {"Lost", "Nobody", "0", 1},
  };
  int n = 0;
  for (const auto& e : entries) {
    char section[256];
    std::snprintf(section, sizeof section,
                  "[CharaNo_%03d]\r\nName=%s\r\nFile1=%s\r\nFile2=%s\r\nTagType=%d\r\n", n++, e.name, e.file1,
                  e.file2, e.tag);
    list += section;
  }
  ASSERT_EQ(LoadCharaSelectList(list), 8);
  const struct {
    const char* what;
    int slot, chara, cutArg;
    int width;  // of every cut-in of the slot, 0 for none
  } cases[] = {
      {"tag 0: the character's own", 0, 0, -1, 8},
      {"tag 0: the argument's character", 1, 0, 3, 32},
      {"tag 1, first slot: by the first file name", 0, 1, -1, 24},
      {"tag 1, partner slot: by the second file name", 2, 1, -1, 32},
      {"tag 1, name not found: none", 1, 7, -1, 0},
      {"tag 2, first slot: its own", 1, 4, -1, 40},
      {"tag 2, partner slot: none of its own", 3, 4, -1, 0},
      {"tag 255: its own", 0, 5, -1, 48},
      {"another tag: none", 0, 6, -1, 0},
      {"an absent character: nothing", 0, 150, -1, 0},
      {"a character past the list: nothing", 0, 400, -1, 0},
  };
  for (const auto& c : cases) {
    LoadBattleHudGraphics(c.slot, c.slot & 1, c.chara, c.cutArg);
    if (c.slot == 3) {
      // Tag types 2 and 3 fold the partner slot onto its side's slot.
      LoadBattleHudGraphics(1, 1, 4, -1);
      for (int i = 0; i < 5; ++i) EXPECT_EQ(CutInWidth(3, i, 40), 40) << c.what;
      continue;
    }
    for (int i = 0; i < 5; ++i)
      EXPECT_EQ(CutInWidth(c.slot, i, c.width), c.width) << c.what << " cut-in " << i;
    EXPECT_EQ(GetBattleHudTexture(c.slot, 5), nullptr) << "the empty eighth word";
    FreeBattleHudGraphics();
    for (int i = 0; i < 5; ++i) EXPECT_EQ(GetBattleHudTexture(c.slot, i), nullptr) << c.what;
  }
  EXPECT_EQ(GetBattleHudTexture(-1, 0), nullptr);
  EXPECT_EQ(GetBattleHudTexture(4, 0), nullptr);
  EXPECT_EQ(GetBattleHudTexture(0, -1), nullptr);
}

TEST_F(BattleHud, FacesAreLoadedPerCharacterAndSide) {
  WritePng("grp/Gauge_QZ/Face/face01_00.png", 8);
  WritePng("grp/Gauge_QZ/Face/face01_01.png", 16);
  WritePng("grp/C_Sel_QZ/Palette/color_c01.png", 32);
  ASSERT_EQ(LoadCharaSelectList("[CharaNo_000]\r\nName=A\r\n[CharaNo_001]\r\nName=B\r\n"), 2);
  LoadBattleHudGraphics(0, 0, 1);
  LoadBattleHudGraphics(1, 1, 1);
  ASSERT_NE(GetHudFace(0), nullptr);
  ASSERT_NE(GetHudFace(1), nullptr);
  EXPECT_EQ(GetHudFace(0)->dx->usedWidth, 8);
  EXPECT_EQ(GetHudFace(1)->dx->usedWidth, 16);
  EXPECT_NE(GetHudPaletteChip(1), nullptr);
  LoadBattleHudGraphics(0, 0, 0);  // no files: null textures
  EXPECT_EQ(GetHudFace(0), nullptr);
  FreePlayerHudGraphics(1);
  EXPECT_EQ(GetHudFace(1), nullptr);
  // The seams the loader and the draw call.
  ASSERT_NE(g_BattleSeams.LoadBattleHudGraphics, nullptr);
  g_BattleSeams.LoadBattleHudGraphics(1, 1, 1);
  EXPECT_NE(GetHudFace(1), nullptr);
  g_BattleSeams.FreeBattleHudGraphics();
  EXPECT_EQ(GetHudFace(1), nullptr);
  ASSERT_NE(g_BattleDrawSeams.HudSlide, nullptr);
  EXPECT_EQ(g_BattleDrawSeams.HudSlide(), 0.0f);
  EXPECT_EQ(g_BattleDrawSeams.CutInTexture, &GetBattleHudTexture);
}

// ---- side texts ----

// The glyph commands queued at a priority (the side texts are counted by their glyphs).
int GlyphsAt(int priority) {
  int n = 0;
  for (const GrpDrawCommand* c = g_MainDrawList.slots[priority].next; c && c->kind != kDrawKindHead;
       c = c->next)
    ++n;
  return n;
}

TEST_F(BattleHud, SideScoreTexts) {
  const struct {
    int mode;
    int wins;
    int glyphs;  // queued at layer 460 + 256 for side 0
  } cases[] = {
      {MODE_VS_PLAYER, 0, 10},                         // "CHALLENGER"
      {MODE_VS_PLAYER, 1, 5},                          // "1 WIN"
      {MODE_VS_PLAYER, 3, 6},                          // "3 WINS"
      {MODE_VS_PLAYER, 12, 7},                         // "12 WINS"
      {MODE_VS_CPU, 0, 10},    {MODE_ARCADE, 0, 0},    // no wins: only the score
      {MODE_ARCADE, 1, 5},     {MODE_TRAINING, 3, 0},  // no side score in training
  };
  for (const auto& c : cases) {
    ResetDrawList(&g_MainDrawList);
    g_GameModeFlags = c.mode;
    g_SideWinCounts[0] = c.wins;
    DrawSideScore(0);
    // The arcade label, the score's eight digits and its two counter glyphs share the priority:
    // take them off.
    const int score = c.mode == MODE_ARCADE ? 11 : 0;
    EXPECT_EQ(GlyphsAt(460 + 256) - score, c.glyphs) << c.mode << " " << c.wins;
  }
}

TEST_F(BattleHud, StageLabelMovesLeftFromStageIndex9) {
  g_GameModeFlags = MODE_ARCADE;
  for (const int stage : {8, 9}) {
    ResetDrawList(&g_MainDrawList);
    g_StoryBattleRoutes[0].stageIndex = stage;
    DrawHudCentre();
    // The label is the 48-pixel-wide HUD 4 quad at priority 706 on row y 16.
    bool found = false;
    for (const GrpDrawCommand* c = g_MainDrawList.slots[706].next; c && c->kind != kDrawKindHead; c = c->next)
      if (c->v[0].y == 16.0f && c->v[1].x - c->v[0].x == 48.0f) {
        EXPECT_EQ(c->v[0].x, stage >= 9 ? 280.0f : 288.0f);
        found = true;
      }
    EXPECT_TRUE(found) << stage;
  }
}

TEST_F(BattleHud, IndicesOutsideTheirTablesDrawNothing) {
  auto queued = [] {
    int n = 0;
    for (uint32_t p = 0; p < g_MainDrawList.slotCount; ++p)
      for (const GrpDrawCommand* c = g_MainDrawList.slots[p].next; c && c->kind != kDrawKindHead; c = c->next)
        ++n;
    return n;
  };
  const struct {
    int type, colour, commands;
  } cases[] = {
      {1, 5, 5},               // icon, chip, its backing and two digits
      {9, 35, 5},              // the last type and colour
      {10, 5, 4},              // no icon
      {-1, 5, 4}, {1, 36, 1},  // no chip, backing or number
      {1, -1, 1}, {-5, 99, 0},
  };
  for (const auto& c : cases) {
    ResetDrawList(&g_MainDrawList);
    g_HudSlots[0].type = c.type;
    g_HudSlots[0].colour = c.colour;
    DrawTypeIcon(0);
    EXPECT_EQ(queued(), c.commands) << c.type << " " << c.colour;
  }
  // The round marks: at most the ten of the block, whatever the count word says.
  ResetDrawList(&g_MainDrawList);
  g_BattleState[BattleStateIndex::kRoundMarks + 1] = 500;
  g_BattleState[BattleStateIndex::kRoundMarks + 13] = -3;
  g_GameModeFlags = MODE_VS_PLAYER;
  DrawBattleHud();
  EXPECT_EQ(GlyphsAt(716) - 10 - 10, 10);  // less both sides' "CHALLENGER"
}

// ---- snapshot ----

// Every queued command in drawing order as text: priority, kind, corners, colour, filter.
std::string DrawListText() {
  std::string out;
  for (uint32_t p = 0; p < g_MainDrawList.slotCount; ++p)
    for (const GrpDrawCommand* c = g_MainDrawList.slots[p].next; c && c->kind != kDrawKindHead; c = c->next) {
      char line[256];
      std::snprintf(line, sizeof line,
                    "%u k%d (%.1f,%.1f)(%.1f,%.1f)(%.1f,%.1f)(%.1f,%.1f) %08X %08X f%d t%d\n", p, c->kind,
                    c->v[0].x, c->v[0].y, c->v[1].x, c->v[1].y, c->v[2].x, c->v[2].y, c->v[3].x, c->v[3].y,
                    c->v[0].diffuse, c->v[0].specular, c->filterMode, c->effectTag != 0);
      out += line;
    }
  return out;
}

uint64_t Fnv(const std::string& s) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char ch : s) h = (h ^ ch) * 1099511628211ull;
  return h;
}

TEST_F(BattleHud, DrawCommandSnapshotOfAFixedHudState) {
  g_GameModeFlags = MODE_VS_PLAYER;
  g_TimerSpeed = 1;
  g_RoundTimer = 45 * 60;
  g_RoundCounter = 1;
  g_BattleFrame = 120;
  g_BattleStepCount = 100;
  g_SideWinCounts[1] = 2;
  g_BattleState[BattleStateIndex::kRoundMarks + 0] = 1;  // side 0 won one round
  g_BattleState[BattleStateIndex::kRoundMarks + 1] = 2;
  g_BattleState[BattleStateIndex::kRoundMarks + 2] = 0;
  g_BattleState[BattleStateIndex::kRoundMarks + 13] = 2;
  P(0).life = P(0).redLife = kMaxLife * 3 / 5;
  P(0).guardGauge = 700.0f;
  P(0).guardQuality = 40.0f;
  P(0).circuit = 21000;
  g_PlayerSelections[0].color = 3;
  P(1).life = kMaxLife / 3;
  P(1).redLife = kMaxLife / 2;
  P(1).gaugeMode = 1;
  P(1).heatTimer = 300;
  P(1).gaugeModeMax = 600;
  P(1).gaugeCount = 5;
  P(1).guardGaugeState = 2;
  P(1).type = 2;
  g_TypeParams[2] = g_TypeParams[0];
  g_PlayerSelections[1].color = 17;
  ShakeHudLifeBar(1);
  for (int i = 0; i < 3; ++i) {
    ResetDrawList(&g_MainDrawList);
    DrawBattleHud();
  }
  const std::string text = DrawListText();
  int lines = 0;
  for (char ch : text) lines += ch == '\n';
  // Recorded from this state; a change in any command's place, size, colour or order moves it.
  EXPECT_EQ(lines, 80) << text;
  EXPECT_EQ(Fnv(text), 0x5925c0df05ebb47eull) << text;
}

// Headless, nothing is queued but every value moves the same.
TEST_F(BattleHud, HeadlessFramesChangeTheSameState) {
  P(1).life = kMaxLife / 3;
  P(1).gaugeMode = 1;
  g_BattlePhase = 1;
  g_CommonFrameData.patterns = data_.Set()->patterns;
  std::vector<HudSlot> drawn;
  for (int run = 0; run < 2; ++run) {
    ResetHudSlots();
    g_HudHeatActive = 0;
    g_HudHeatFade = 0;
    for (ObjectPoolSlot& s : g_ObjectPool) s = ObjectPoolSlot{};
    g_BattleDrawSubmit = run == 0;
    ResetDrawList(&g_MainDrawList);
    for (int i = 0; i < 10; ++i) DrawBattleHud();
    int queued = 0;
    for (uint32_t p = 0; p < g_MainDrawList.slotCount; ++p)
      for (const GrpDrawCommand* c = g_MainDrawList.slots[p].next; c && c->kind != kDrawKindHead; c = c->next)
        ++queued;
    if (run == 0) {
      EXPECT_GT(queued, 50);
    } else {
      EXPECT_EQ(queued, 0);
    }
    drawn.push_back(g_HudSlots[1]);
    EXPECT_EQ(g_HudHeatActive, 1);
  }
  EXPECT_EQ(std::memcmp(&drawn[0], &drawn[1], sizeof(HudSlot)), 0);
  g_BattleDrawSubmit = true;
  g_CommonFrameData.patterns = nullptr;
}

}  // namespace
