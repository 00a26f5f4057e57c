// The training displays read back as draw lists: the texts each queues (through a fake system font
// whose glyph cells name their characters), the rectangles and icons on the main list, and the
// input history's rows.
#include "menu/training_displays.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "Dxtools/Text/system_font.h"
#include "Dxtools/gfx_test_env.h"
#include "Replay/replay_controller.h"
#include "battle/battle_records.h"
#include "battle/character_draw.h"
#include "battle/cpu_defence.h"
#include "battle/game_mode.h"
#include "menu/pause_control.h"
#include "menu/training_hooks.h"
#include "menu/training_settings.h"

namespace {

// One run of glyphs drawn by one text call in white (the outline's black copies left out).
struct DrawnText {
  int x, y, priority;
  std::string text;
};

// One queued command on the main list.
struct Quad {
  float x0, y0, x1, y1;
  float u0;  // left source edge in texels of the monitor texture
  uint32_t colours[4];
  bool textured;
};

constexpr int kMonitorWidth = 256;

class TrainingDisplays : public vt::test::RecordingGfx {
 protected:
  void SetUp() override {
    RecordingGfx::SetUp();
    for (int i = 0; i < vt::text::kSystemFontCount; ++i) {
      saved[i] = vt::text::g_SystemFonts[i];
      vt::text::SystemFont& f = vt::text::g_SystemFonts[i];
      f = vt::text::SystemFont{};
      f.defaultWidth = 8;
      for (int& w : f.widths) w = 8;
      f.FontWidth = f.FontHeight = 8;
      f.FontWidthNum = 16;
      f.TexWidth = f.TexHeight = 128;
    }
    fontTexture = SolidTexture(128, 128, 0xFFFFFFFF);
    for (auto& f : vt::text::g_SystemFonts) f.texture = fontTexture;
    monitor = SolidTexture(kMonitorWidth, 64, 0xFFFFFFFF);
    g_BattleHudTextures.monitor = monitor;
    vt::text::SetSysFontSpriteSink([this](const vt::text::SysGlyphSprite& g) { glyphs.push_back(g); });
    ResetGlobals();
  }
  void TearDown() override {
    ResetGlobals();
    vt::text::SetSysFontSpriteSink(nullptr);
    g_BattleHudTextures.monitor = nullptr;
    for (int i = 0; i < vt::text::kSystemFontCount; ++i) vt::text::g_SystemFonts[i] = saved[i];
    ResetDrawList(&g_MainDrawList);
    FreeTexture(monitor);
    FreeTexture(fontTexture);
    RecordingGfx::TearDown();
  }

  static void ResetGlobals() {
    ResetTrainingSettings();
    ClearInputHistory();
    g_TrainingSettings[CRITICAL_HIT] = 0;
    g_PauseMenuActive = 0;
    g_MainSide = 0;
    g_TrainingActionTimer = 0;
    g_DummyPlaySlot = 0;
    g_SelectedDummySlot = 0;
    g_BattleState[BattleStateIndex::kTrainingDisplay] = 0;
    for (SideStatus& s : g_SideStatus) s = SideStatus{};
    for (PlayerRecord& p : g_PlayerRecords) {
      p.obj.inputDirFacing = 0;
      p.obj.inputButtons = 0;
      p.obj.reversedFrames = 0;
    }
    g_ReplayController = ReplayController{};
  }

  // The white texts queued since the last call, in drawing order.
  std::vector<DrawnText> Texts() {
    std::vector<DrawnText> out;
    bool open = false;
    for (const vt::text::SysGlyphSprite& g : glyphs) {
      const bool white = (g.colour & 0xFFFFFF) == 0xFFFFFF;
      if (!white) {
        open = false;
        continue;
      }
      const char c = static_cast<char>(32 + g.sy / 8 * 16 + g.sx / 8);
      if (open && out.back().y == g.y && out.back().priority == g.priority && g.x > lastX) {
        out.back().text += c;
      } else {
        out.push_back({g.x, g.y, g.priority, std::string(1, c)});
      }
      lastX = g.x;
      open = true;
    }
    glyphs.clear();
    return out;
  }
  std::vector<std::string> TextStrings() {
    std::vector<std::string> out;
    for (const DrawnText& t : Texts()) out.push_back(t.text);
    return out;
  }

  // The commands queued at a priority, in queue order.
  static std::vector<Quad> Queued(int priority) {
    std::vector<Quad> out;
    GrpDrawCommand* head = &g_MainDrawList.slots[priority];
    for (GrpDrawCommand* c = head->next; c && c->kind != kDrawKindHead; c = c->next) {
      Quad q{};
      q.x0 = q.x1 = c->v[0].x;
      q.y0 = q.y1 = c->v[0].y;
      q.u0 = c->v[0].u;
      for (int i = 0; i < 4; ++i) {
        const auto& v = c->v[i];
        q.x0 = std::min(q.x0, v.x);
        q.x1 = std::max(q.x1, v.x);
        q.y0 = std::min(q.y0, v.y);
        q.y1 = std::max(q.y1, v.y);
        q.u0 = std::min(q.u0, v.u);
        q.colours[i] = v.diffuse;
      }
      q.u0 = std::round(q.u0 * kMonitorWidth - 0.5f);  // texel centres
      q.textured = c->texture != nullptr;
      out.push_back(q);
    }
    std::reverse(out.begin(), out.end());
    return out;
  }

  // A dummy slot of `length` frames, played or recorded up to `position`.
  static void DummySlot(int slot, uint32_t length, uint32_t position) {
    ReplayController& c = g_ReplayController;
    c.dummyMode = 1;
    c.file.rounds.resize(kDummySlots);
    c.file.roundIndex = static_cast<uint32_t>(slot);
    ReplayRound& r = c.file.rounds[static_cast<size_t>(slot)];
    r.Clear();
    for (uint32_t f = 0; f < length; ++f) {
      ReplayInputStream& s = r.streams[0];
      if (s.entries.empty()) s.entries.push_back({});
      ReplayInputEntry& e = s.entries.back();
      if (e.repeat == kReplayRunLimit) s.entries.push_back({});
      ++s.entries.back().repeat;
    }
    r.Rewind();
    for (uint32_t f = 0; f < position; ++f) r.Step();
  }

  std::vector<vt::text::SysGlyphSprite> glyphs;
  int lastX = 0;
  vt::text::SystemFont saved[vt::text::kSystemFontCount];
  TextureHandle* fontTexture = nullptr;
  TextureHandle* monitor = nullptr;
};

TEST_F(TrainingDisplays, ProgressBarQueuesFillThenFramesWithTheFillClamped) {
  struct Case {
    const char* name;
    float fraction;
    float fill;
  } cases[] = {
      {"half", 0.5f, 200},
      {"a hair short of full truncates", 0.9999f, 399},
      {"above 1 clamps", 1.5f, 400},
      {"below 0 is empty", -0.25f, 0},
      {"not a number is empty", std::numeric_limits<float>::quiet_NaN(), 0},
      {"infinite is empty", std::numeric_limits<float>::infinity(), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetDrawList(&g_MainDrawList);
    DrawTrainingProgressBar(127, 400, c.fraction, 449);
    const std::vector<Quad> q = Queued(449);
    ASSERT_EQ(q.size(), 3u);
    // Fill first, then the black frame, then the light one: the last queued lies at the bottom.
    EXPECT_EQ(q[0].x0, 120);
    EXPECT_EQ(q[0].x1 - q[0].x0, c.fill);
    EXPECT_EQ(q[0].y0, 127);
    EXPECT_EQ(q[0].y1, 129);
    EXPECT_EQ(q[0].colours[0], 0xFF007878u);
    EXPECT_EQ(q[0].colours[1], 0xFF00E6E6u);
    EXPECT_FALSE(q[0].textured);
    EXPECT_EQ(q[1].x0, 119);
    EXPECT_EQ(q[1].x1, 521);
    EXPECT_EQ(q[1].y0, 125);
    EXPECT_EQ(q[1].y1, 131);
    EXPECT_EQ(q[1].colours[0], 0xFF000000u);
    EXPECT_EQ(q[2].x0, 117);
    EXPECT_EQ(q[2].x1, 523);
    EXPECT_EQ(q[2].y0, 123);
    EXPECT_EQ(q[2].y1, 133);
    EXPECT_EQ(q[2].colours[0], 0xFFE6E6E6u);
  }
}

TEST_F(TrainingDisplays, ActionTimeOnlyForAnActionOfAStandingJumpingOrCrouchingDummy) {
  struct Case {
    int status, action;
    bool shown;
  } cases[] = {
      {kEnemyStand, 1, true},  {kEnemyJump, 4, true},    {kEnemyCrouch, 2, true},
      {kEnemyStand, 0, false}, {kEnemyStand, 5, false},  {kEnemyStand, 8, false},
      {kEnemyCpu, 1, false},   {kEnemyManual, 2, false}, {kEnemyDummy, 4, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "status " << c.status << " action " << c.action);
    ResetDrawList(&g_MainDrawList);
    g_TrainingSettings[ENEMY_STATUS] = c.status;
    g_TrainingSettings[ENEMY_ACTION] = c.action;
    g_TrainingActionTimer = 61;
    DrawActionTime();
    const std::vector<DrawnText> t = Texts();
    if (!c.shown) {
      EXPECT_TRUE(t.empty());
      EXPECT_TRUE(Queued(449).empty());
      continue;
    }
    ASSERT_EQ(t.size(), 1u);
    // 180 frames left: three seconds.
    EXPECT_EQ(t[0].text, "ACTIONTIME3\"00");
    EXPECT_EQ(t[0].x, 244);
    EXPECT_EQ(t[0].y, 136);
    EXPECT_EQ(t[0].priority, 449 + 256);
    const std::vector<Quad> q = Queued(449);
    ASSERT_EQ(q.size(), 3u);
    EXPECT_EQ(q[0].x0, 230);
    EXPECT_EQ(q[0].y0, 153);
    EXPECT_EQ(q[0].x1 - q[0].x0, 135) << "180 of 240 frames fill three quarters of 180 pixels";
  }
  // A timer past its 241 frames shows zero and an empty bar.
  ResetDrawList(&g_MainDrawList);
  g_TrainingSettings[ENEMY_STATUS] = kEnemyStand;
  g_TrainingSettings[ENEMY_ACTION] = 1;
  g_TrainingActionTimer = 500;
  DrawActionTime();
  EXPECT_EQ(TextStrings(), std::vector<std::string>{"ACTIONTIME0\"00"});
  EXPECT_EQ(Queued(449)[0].x1 - Queued(449)[0].x0, 0);
}

TEST_F(TrainingDisplays, PlaybackAndRecordingStatus) {
  struct Case {
    const char* name;
    int kind;
    int replaySlot, replayType;
    std::vector<DrawnText> texts;
    float fill;
  } cases[] = {
      {"playing slot 3 of a selected slot",
       1,
       0,
       0,
       {{120, 110, 705, "PLAY[03]"}, {196, 110, 705, "05\"00/20\"00"}},
       100},
      {"RECOVER tag at 304",
       1,
       0,
       1,
       {{120, 110, 705, "PLAY[03]"}, {196, 110, 705, "05\"00/20\"00"}, {304, 110, 705, "[RECOVER]"}},
       100},
      {"RANDOM SLOT then WAIT at 404",
       1,
       1,
       2,
       {{120, 110, 705, "PLAY[03]"},
        {196, 110, 705, "05\"00/20\"00"},
        {304, 110, 705, "[RANDOMSLOT]"},
        {404, 110, 705, "[WAIT]"}},
       100},
      {"recording slot 6 against the limit",
       2,
       1,
       2,
       {{120, 110, 705, "RECORDING[06]"}, {236, 110, 705, "05\"00/90\"00"}},
       400 * (1.0f - 300.0f / 5400.0f)},
      {"no kind: a full bar only", 0, 0, 0, {}, 400},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ResetDrawList(&g_MainDrawList);
    g_DummyPlaySlot = 2;
    g_SelectedDummySlot = 5;
    g_TrainingSettings[REPLAY_SLOT] = c.replaySlot;
    g_TrainingSettings[REPLAY_TYPE] = c.replayType;
    DummySlot(2, 1200, 300);
    DrawDummyReplayStatus(c.kind);
    const std::vector<DrawnText> t = Texts();
    ASSERT_EQ(t.size(), c.texts.size());
    for (size_t i = 0; i < t.size(); ++i) {
      EXPECT_EQ(t[i].text, c.texts[i].text);
      EXPECT_EQ(t[i].x, c.texts[i].x) << t[i].text;
      EXPECT_EQ(t[i].y, c.texts[i].y) << t[i].text;
      EXPECT_EQ(t[i].priority, c.texts[i].priority) << t[i].text;
    }
    const std::vector<Quad> q = Queued(449);
    ASSERT_EQ(q.size(), 3u);
    EXPECT_EQ(q[0].y0, 127);
    EXPECT_EQ(q[0].x1 - q[0].x0, std::floor(c.fill));
  }
  EXPECT_EQ(g_DrawFilterMode, 1) << "point filtering again after the status";
}

TEST_F(TrainingDisplays, StatusNumbersStayBoundedAndEmptySlotsShowZero) {
  // No round at all: zero over zero and an empty bar.
  g_DummyPlaySlot = 0;
  DrawDummyReplayStatus(1);
  EXPECT_EQ(TextStrings(), (std::vector<std::string>{"PLAY[01]", "00\"00/00\"00"}));
  EXPECT_EQ(Queued(449)[0].x1 - Queued(449)[0].x0, 0);
  // A slot at the replay limit reads its seconds whole; a slot number from a damaged setting is
  // printed, not spilled.
  ResetDrawList(&g_MainDrawList);
  DummySlot(0, 108000, 108000);
  g_DummyPlaySlot = 2000000000;
  DrawDummyReplayStatus(1);
  EXPECT_EQ(TextStrings(), (std::vector<std::string>{"PLAY[2000000001]", "1800\"00/1800\"00"}));
  // A recording past its limit gives a negative fraction: an empty bar.
  ResetDrawList(&g_MainDrawList);
  DrawDummyReplayStatus(2);
  EXPECT_EQ(TextStrings(), (std::vector<std::string>{"RECORDING[01]", "1800\"00/90\"00"}));
  EXPECT_EQ(Queued(449)[0].x1 - Queued(449)[0].x0, 0);
}

TEST_F(TrainingDisplays, ReplayTimeDisplayOffHidesPlaybackButNotRecording) {
  g_GameModeFlags = MODE_TRAINING;
  PauseControlHooks saved = g_PauseControlHooks;
  g_PauseControlHooks = PauseControlHooks{};
  g_PauseControlHooks.drawActionTime = DrawActionTime;
  g_PauseControlHooks.drawDummyReplayStatus = DrawDummyReplayStatus;
  g_PauseControlHooks.replayTimeDisplay = [] { return g_TrainingSettings[REPLAY_TIME_DISPLAY]; };
  static int indicator = 0;
  g_PauseControlHooks.checkDummyRecordLimit = [](int* out) {
    *out = indicator;
    return 0;
  };
  struct Case {
    int indicator, timeDisplay;
    std::string first;
  } cases[] = {{1, 0, "PLAY[01]"}, {1, 1, ""}, {2, 0, "RECORDING[01]"}, {2, 1, "RECORDING[01]"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "indicator " << c.indicator << " display " << c.timeDisplay);
    ResetDrawList(&g_MainDrawList);
    DummySlot(0, 60, 30);
    indicator = c.indicator;
    g_TrainingSettings[REPLAY_TIME_DISPLAY] = c.timeDisplay;
    UpdatePauseControl();
    const std::vector<std::string> t = TextStrings();
    EXPECT_EQ(t.empty() ? std::string() : t[0], c.first);
    EXPECT_EQ(Queued(449).size(), c.first.empty() ? 0u : 3u);
  }
  g_PauseControlHooks = saved;
  g_GameModeFlags = 0;
}

TEST_F(TrainingDisplays, DamagePanelStandsOppositeTheMainSide) {
  for (int side = 0; side < 2; ++side) {
    SCOPED_TRACE(side);
    g_MainSide = static_cast<uint8_t>(side);
    g_BattleState[BattleStateIndex::kTrainingDisplay] = 1;
    SideStatus& s = g_SideStatus[side];
    s.statShown = 1;
    s.statRecords[1] = {12, 9, 3456, 4000, 210, 0};
    s.statRecords[0] = {99, 99, 99, 99, 99, 99};  // not the shown one
    s.prorationShown = 0;
    s.bestStats[0] = 15;
    s.bestStats[1] = 5000;
    s.bestCombo = 14;
    s.activePlayer = side;
    g_PlayerRecords[side].obj.reversedFrames = 600;
    DrawTrainingDamageInfo();
    const int x = side == 0 ? 420 : 10;
    const std::vector<DrawnText> t = Texts();
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"COMBO", "12(9)"},          {"DAMAGE", "3456(4000)"},   {"VSDAMAGE", "210"},
        {"CORRECTIONVALUE", "100%"}, {"REVERSEPENALTY", "3.3%"}, {"MAXCOMBO", "15(14)"},
        {"MAXDAMAGE", "5000"},
    };
    const int ys[] = {136, 150, 164, 182, 200, 218, 232};
    ASSERT_EQ(t.size(), rows.size() * 2);
    for (size_t i = 0; i < rows.size(); ++i) {
      EXPECT_EQ(t[2 * i].text, rows[i].first);
      EXPECT_EQ(t[2 * i].x, x);
      EXPECT_EQ(t[2 * i].y, ys[i]);
      EXPECT_EQ(t[2 * i].priority, 254 + 256);
      EXPECT_EQ(t[2 * i + 1].text, rows[i].second);
      EXPECT_EQ(t[2 * i + 1].y, ys[i]);
    }
    ResetGlobals();
  }
  // A correction value other than 0 shows itself; a panel switched to another value than 1 stays off.
  g_BattleState[BattleStateIndex::kTrainingDisplay] = 1;
  g_SideStatus[0].prorationShown = 80;
  DrawTrainingDamageInfo();
  const std::vector<std::string> t = TextStrings();
  ASSERT_GE(t.size(), 8u);
  EXPECT_EQ(t[7], "80%");
  g_BattleState[BattleStateIndex::kTrainingDisplay] = 2;
  DrawTrainingDamageInfo();
  EXPECT_TRUE(Texts().empty());
}

TEST_F(TrainingDisplays, PanelValuesAreRightAlignedAtTheColumnEnd) {
  g_BattleState[BattleStateIndex::kTrainingDisplay] = 1;
  g_SideStatus[0].statRecords[0].damage = 7;
  DrawTrainingDamageInfo();
  int rightmost = 0;
  for (const vt::text::SysGlyphSprite& g : glyphs)
    if (g.y == 150 && (g.colour & 0xFFFFFF) == 0xFFFFFF) rightmost = std::max(rightmost, g.x + g.w);
  EXPECT_EQ(rightmost, 620);
}

// The history as rows after feeding (direction, buttons) for a number of frames each.
struct Feed {
  int direction, buttons, frames;
};

TEST_F(TrainingDisplays, InputHistoryRows) {
  struct Case {
    const char* name;
    std::vector<Feed> feeds;
    int count;
    std::vector<InputHistoryRow> newest;  // the newest rows, newest first
  } cases[] = {
      {"a held input counts in one row", {{6, 1, 1500}}, 1, {{6, 1, 1500}}},
      {"a change opens a row", {{6, 0, 3}, {6, 1, 2}, {2, 1, 1}}, 3, {{2, 1, 1}, {6, 1, 2}, {6, 0, 3}}},
      {"idle for 600 frames keeps the history",
       {{6, 0, 1}, {0, 0, 600}, {2, 0, 1}},
       3,
       {{2, 0, 1}, {0, 0, 600}}},
      {"idle for 601 frames starts afresh", {{6, 0, 1}, {0, 0, 601}, {2, 0, 1}}, 1, {{2, 0, 1}}},
      {"a long hold with a button is no idle",
       {{6, 0, 1}, {0, 1, 900}, {2, 0, 1}},
       3,
       {{2, 0, 1}, {0, 1, 900}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClearInputHistory();
    for (const Feed& f : c.feeds)
      for (int i = 0; i < f.frames; ++i) AddInputHistoryRow(f.direction, f.buttons);
    ASSERT_EQ(g_TrainingInputHistory.count, c.count);
    for (size_t i = 0; i < c.newest.size(); ++i) {
      EXPECT_EQ(g_TrainingInputHistory.rows[i].direction, c.newest[i].direction) << i;
      EXPECT_EQ(g_TrainingInputHistory.rows[i].buttons, c.newest[i].buttons) << i;
      EXPECT_EQ(g_TrainingInputHistory.rows[i].framesHeld, c.newest[i].framesHeld) << i;
    }
  }
}

TEST_F(TrainingDisplays, TheThirtyThirdChangeDropsTheOldest) {
  for (int i = 0; i < 33; ++i) AddInputHistoryRow(i % 2 == 0 ? 6 : 4, i % 16);
  ASSERT_EQ(g_TrainingInputHistory.count, 32);
  // Newest is change 32; the oldest kept is change 1 (change 0 dropped).
  EXPECT_EQ(g_TrainingInputHistory.rows[0].buttons, 0u);
  EXPECT_EQ(g_TrainingInputHistory.rows[0].direction, 6u);
  EXPECT_EQ(g_TrainingInputHistory.rows[31].buttons, 1u);
  EXPECT_EQ(g_TrainingInputHistory.rows[31].direction, 4u);
}

TEST_F(TrainingDisplays, InputHistoryDrawsTheNewestTwentyFourRowsFromTheMainSide) {
  struct Case {
    int side;
    int start, step;
    int frameX, barX;
  } cases[] = {{0, 10, 12, 74, 10}, {1, 618, -12, 542, 538}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.side);
    ResetGlobals();
    ResetDrawList(&g_MainDrawList);
    g_MainSide = static_cast<uint8_t>(c.side);
    g_SideStatus[c.side].activePlayer = c.side + 2;  // the partner is the active character
    for (int i = 0; i < 29; ++i) AddInputHistoryRow(i % 2 ? 1 : 3, 0);
    BattleObject& o = g_PlayerRecords[c.side + 2].obj;
    o.inputDirFacing = 6;
    o.inputButtons = 0x1 | 0x8000;  // A pressed, D held
    for (int i = 0; i < 1200; ++i) {
      glyphs.clear();
      ResetDrawList(&g_MainDrawList);
      DrawTrainingInputHistory();
    }
    ASSERT_EQ(g_TrainingInputHistory.count, 30);
    EXPECT_EQ(g_TrainingInputHistory.rows[0].framesHeld, 1200u);
    const std::vector<Quad> icons = Queued(716);
    const std::vector<Quad> bars = Queued(715);
    ASSERT_EQ(bars.size(), 24u);
    // Row 0: the direction 6 icon, then A and D; the other rows a direction alone.
    ASSERT_EQ(icons.size(), 24u + 2u);
    EXPECT_EQ(icons[0].x0, c.start);
    EXPECT_EQ(icons[0].y0, 124);
    EXPECT_EQ(icons[0].x1 - icons[0].x0, 12);
    EXPECT_EQ(icons[0].u0, 150);
    EXPECT_EQ(icons[0].y1 - icons[0].y0, 12);
    EXPECT_EQ(icons[1].x0, c.start + c.step);
    EXPECT_EQ(icons[1].u0, 0);
    EXPECT_EQ(icons[2].x0, c.start + 2 * c.step);
    EXPECT_EQ(icons[2].u0, 75);
    EXPECT_EQ(icons[3].y0, 137);
    EXPECT_EQ(icons.back().y0, 124 + 13 * 23);
    EXPECT_EQ(bars[0].x0, c.barX);
    EXPECT_EQ(bars[0].x1 - bars[0].x0, 92);
    EXPECT_EQ(bars[0].colours[0], 0xA0000000u);
    const std::vector<DrawnText> t = Texts();
    ASSERT_EQ(t.size(), 24u);
    EXPECT_EQ(t[0].text, "999") << "the count shown stops at 999";
    EXPECT_EQ(t[0].x, c.frameX);
    EXPECT_EQ(t[0].y, 123);
    EXPECT_EQ(t[0].priority, 460 + 256);
    EXPECT_EQ(t[1].text, "1");
  }
}

TEST_F(TrainingDisplays, ADirectionOutsideTheIconRowDrawsNoIcon) {
  AddInputHistoryRow(12, 0x2);
  AddInputHistoryRow(-1, 0);
  g_PlayerRecords[0].obj.inputDirFacing = 10;
  DrawTrainingInputHistory();
  const std::vector<Quad> icons = Queued(716);
  // Only row 0's B button: no direction icon for 10, -1 or 12, but the rows are still drawn.
  ASSERT_EQ(icons.size(), 1u);
  EXPECT_EQ(icons[0].y0, 124 + 13 * 2);
  EXPECT_EQ(icons[0].x0, 22) << "the missing icon keeps its place";
  EXPECT_EQ(icons[0].u0, 25);
  EXPECT_EQ(Queued(715).size(), 3u);
}

TEST_F(TrainingDisplays, NothingWhileAMenuIsOpen) {
  g_TrainingSettings[ENEMY_STATUS] = kEnemyStand;
  g_TrainingSettings[ENEMY_ACTION] = 1;
  g_BattleState[BattleStateIndex::kTrainingDisplay] = 1;
  AddInputHistoryRow(6, 0);
  g_PauseMenuActive = 1;
  DrawActionTime();
  DrawDummyReplayStatus(1);
  DrawDummyReplayStatus(2);
  DrawTrainingDamageInfo();
  DrawTrainingInputHistory();
  EXPECT_TRUE(glyphs.empty());
  for (int p : {449, 715, 716}) EXPECT_TRUE(Queued(p).empty()) << p;
  EXPECT_EQ(g_TrainingInputHistory.count, 1);
  EXPECT_EQ(g_TrainingInputHistory.rows[0].framesHeld, 1u) << "no input recorded while paused";
}

TEST_F(TrainingDisplays, EmptiedHistoryStartsWithOneRow) {
  for (int i = 0; i < 5; ++i) AddInputHistoryRow(i, 0);
  ClearInputHistory();
  EXPECT_EQ(g_TrainingInputHistory.count, 0);
  DrawTrainingInputHistory();
  EXPECT_EQ(g_TrainingInputHistory.count, 1);
  EXPECT_EQ(Queued(715).size(), 1u);
}

}  // namespace
