// The round, fight, KO and winner calls as functions of time: what each shows and requests at
// the points the timelines name, the hand-over from the round call to the fight call and the
// release through the particle pass, the KO kinds and lengths, the winner call's result words and
// score rows, the out-of-range name and stage pictures, and the calls' own random numbers (a pause
// in the fight call leaves the battle's streams as they would have been).
#include "scene/call_overlays.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Sound/soundproc.h"
#include "app/random.h"
#include "battle/battle_draw.h"
#include "battle/battle_fixture.h"
#include "battle/battle_harness.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/particle_pool.h"
#include "battle/round_calls.h"
#include "battle/round_flow.h"
#include "scene/call_draw.h"

namespace {

// The sounds requested since the last call, in slot order.
std::vector<int> TakeSounds() {
  std::vector<int> out;
  for (int i = 0; i < kSeSlotCount; ++i)
    if (g_SeRequest[i]) {
      out.push_back(i);
      g_SeRequest[i] = 0;
    }
  return out;
}

class CallsTest : public battle_test::BattleTest {
 protected:
  void SetUp() override {
    BattleTest::SetUp();
    std::memset(g_SeRequest, 0, sizeof g_SeRequest);
    g_WinnerCall = {};
    g_WinnerCallInfo = {};
  }
  void TearDown() override {
    std::memset(g_SeRequest, 0, sizeof g_SeRequest);
    BattleTest::TearDown();
  }
  // Starts a round call as system effect 256 does with round value r.
  static void StartRound(int r) {
    g_RoundCallRound = r % 10;
    g_RoundCallWins = 2;
    g_RoundCallFirst = r % 10 == 0 ? 1 : 0;
    StartRoundCall();
  }
  // Runs n updates, gathering the sounds each requested with its update number (1-based).
  static std::vector<std::pair<int, int>> Run(const std::function<void()>& update, int n) {
    std::vector<std::pair<int, int>> sounds;
    for (int k = 1; k <= n; ++k) {
      update();
      for (int s : TakeSounds()) sounds.push_back({k, s});
    }
    return sounds;
  }
};

// Round value 10 is the final round (round 0): the ten-glyph title and sound 86, no number; the
// number sound is 76 + round, so round 9 asks for 85. The announcement comes on the first
// update past 0.5 s, the number on the first past 1.5 s.
TEST_F(CallsTest, RoundCallSoundsByRoundValue) {
  struct Case {
    int value;
    std::vector<int> sounds;
  };
  const Case cases[] = {{1, {75, 77}}, {2, {75, 78}}, {9, {75, 85}}, {10, {86}}, {0, {86}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    StartRound(c.value);
    const auto got = Run(UpdateRoundCall, 240);
    ASSERT_EQ(got.size(), c.sounds.size());
    for (size_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i].second, c.sounds[i]);
    // T before update k is (k - 1) / 60: past 0.5 on update 32, past 1.5 on update 92 (the
    // float sums land just above or below the marks).
    EXPECT_NEAR(got[0].first, 32, 1);
    if (got.size() > 1) {
      EXPECT_NEAR(got[1].first, 92, 1);
    }
  }
}

// The body as a function of T, round variant and winner variant.
TEST_F(CallsTest, RoundCallBodyFollowsItsTimeline) {
  struct Point {
    int updates;  // updates run; the fields show the time before the last step
    float dim, band, strip, flicker, flare, programY;
  };
  StartRound(1);
  EXPECT_EQ(g_RoundCall.diskOffset, 1024.0f);
  EXPECT_EQ(g_RoundCall.ringDelay, 0.5f);
  // T = 0.1: dimming; T = 0.75: band and strip opening (160 x (1 - 0.5²)); T = 1.25: the strip flickers; T
  // = 2.0 held; T = 3.6: the band opens toward the whole screen (e = 3.1: 160 + 320 x 0.4²).
  const Point points[] = {{7, 0.8f, 0.0f, 0.0f, 0.0f, 0.0f, 480.0f},
                          {46, 0.5f, 120.0f, 120.0f, 0.0f, 0.0f, 480.0f - 256.0f * 0.25f},
                          {76, 0.5f, 160.0f, 160.0f, 0.0f, 0.0f, 480.0f - 256.0f * 0.75f},
                          {121, 0.5f, 160.0f, 160.0f, 1.0f, 0.0f, 480.0f - 256.0f * 1.5f},
                          {217, 0.5f, 160.0f + 320.0f * 0.16f, 160.0f, 1.0f, 0.0f, 480.0f - 256.0f * 3.1f}};
  int done = 0;
  for (const Point& p : points) {
    SCOPED_TRACE(p.updates);
    for (; done < p.updates; ++done) UpdateRoundCall();
    const RoundCallState& r = g_RoundCall;
    EXPECT_NEAR(r.dim, p.dim, 1e-3f);
    EXPECT_NEAR(r.bandHeight, p.band, 0.05f);
    EXPECT_NEAR(r.stripHeight, p.strip, 0.05f);
    EXPECT_NEAR(r.programY, p.programY, 0.05f);
    if (p.updates != 76) {
      EXPECT_NEAR(r.flicker, p.flicker, 1e-4f);
    }
  }
  // The flare lives from 0.25 to 1.0 s.
  StartRound(1);
  for (int k = 0; k < 31; ++k) UpdateRoundCall();  // T = 0.5
  EXPECT_NEAR(g_RoundCall.flareAlpha, 1.0f - 0.25f / 0.75f, 1e-3f);
  EXPECT_NEAR(g_RoundCall.flareSize, 1.6f + 0.25f / 0.75f / 2.0f, 1e-3f);
  EXPECT_GT(g_RoundCall.streakWidth, 4.0f);
  for (int k = 0; k < 40; ++k) UpdateRoundCall();  // T > 1
  EXPECT_EQ(g_RoundCall.flareAlpha, 0.0f);
  EXPECT_EQ(g_RoundCall.streakWidth, 0.0f);

  // The winner variant: the band at 160 from the start, no strip, black until 0.2 s, rings
  // from 0.4 s, no sounds.
  TakeSounds();
  StartWinnerCall();
  EXPECT_EQ(g_RoundCallRound, -1);
  EXPECT_EQ(g_RoundCall.ringDelay, 0.4f);
  const auto sounds = Run(UpdateRoundCall, 60);
  EXPECT_TRUE(sounds.empty());
  EXPECT_EQ(g_RoundCall.bandHeight, 160.0f);
  EXPECT_EQ(g_RoundCall.stripHeight, 0.0f);
  EXPECT_EQ(g_RoundCall.dim, 0.5f);
  EXPECT_NEAR(g_RoundCall.ringAlpha,
              2.0f * (59.0f / 60.0f - 0.4f) > 1.0f ? 1.0f : 2.0f * (59.0f / 60.0f - 0.4f), 1e-3f);
}

// The bars type their twelve letters from 0.8 s at 20 a second, then the line's frames cycle
// with pauses drawn from the calls' own stream.
TEST_F(CallsTest, BarsTypeTheirLineThenCycle) {
  StartRound(1);
  struct Point {
    int updates;
    int typed;
  };
  // Typing starts on the update whose time before its step is 0.8 (update 49); letter k
  // appears once the typing time reaches 0.05 k (all twelve at 0.6 s).
  const Point points[] = {{48, 0}, {52, 1}, {61, 4}, {86, 12}, {120, 12}};
  int done = 0;
  RandStream streams[kRandStreamCount];
  std::memcpy(streams, g_RandStreams, sizeof streams);
  for (const Point& p : points) {
    for (; done < p.updates; ++done) UpdateRoundCallBars();
    EXPECT_NEAR(g_RoundCallBars.typed, p.typed, 1) << p.updates;
  }
  std::vector<int> frames;
  for (int k = 0; k < 120; ++k) {
    UpdateRoundCallBars();
    frames.push_back(g_RoundCallBars.frame);
  }
  EXPECT_NE(std::count(frames.begin(), frames.end(), 0), 0);
  EXPECT_NE(std::count(frames.begin(), frames.end(), 3), 0);
  EXPECT_EQ(std::memcmp(streams, g_RandStreams, sizeof streams), 0) << "the bars drew from a battle stream";
}

// The typed line shows while the bars run and leaves the strip to the fight call once the wipe
// has handed over; the wipe's white fades out 0.3 s after it.
TEST_F(CallsTest, BarsLineLeavesTheStripToTheFightCall) {
  if (!g_MainDrawList.slots) InitGrpManager();
  LoadRoundCallBarGraphics();
  g_BattleDrawSubmit = true;
  struct Case {
    float t;
    int32_t state;
    uint32_t quads;
  };
  // 2.0 s: the line and its blinking cursor; 2.6 s: the wipe (bar and white), the line beside
  // it; 2.8 s and 3.5 s after the hand-over: the fading white, then nothing.
  const Case cases[] = {{2.0f, 0, 2}, {2.6f, 0, 4}, {2.8f, 2, 1}, {3.5f, 2, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.t);
    g_RoundCallBars = {};
    g_RoundCallBars.t = c.t;
    g_RoundCallBars.typed = 12;
    g_RoundCallBars.blink = 1;
    g_RoundCallBars.state = c.state;
    ResetDrawList(&g_MainDrawList);
    DrawRoundCallBars();
    EXPECT_EQ(g_MainDrawList.quadCount, c.quads);
  }
  ResetDrawList(&g_MainDrawList);
  FreeRoundCallGraphics();
}

// The fight call's glyphs spread in 0.25 s, hold until 1.0 s and then fly apart and fade while
// the band's black fades; sound 89 once, at 0.2 s; released at 1.0 s, done 3.0 s in.
TEST_F(CallsTest, FightCallTimeline) {
  StartFightCall();
  struct Point {
    int updates;
    int row;
    float alpha, spread, bandCut;
  };
  const Point points[] = {{7, 1, 0.4f, 0.4f, 0.5f},
                          {31, 0, 1.0f, 1.0f, 0.5f},
                          {67, 1, 1.0f - 0.1f / 0.2667f, 1.5f, 0.5f + 0.5f * 0.1f / 0.2667f},
                          {121, 1, 0.0f, 1.0f + 5.0f, 1.0f}};
  int done = 0;
  std::vector<std::pair<int, int>> sounds;
  for (const Point& p : points) {
    SCOPED_TRACE(p.updates);
    for (; done < p.updates; ++done) {
      UpdateFightCall();
      for (int s : TakeSounds()) sounds.push_back({done + 1, s});
    }
    EXPECT_EQ(g_FightCall.glyphRow, p.row);
    EXPECT_NEAR(g_FightCall.glyphAlpha, p.alpha, 2e-3f);
    EXPECT_NEAR(g_FightCall.glyphSpread, p.spread, 2e-3f);
    EXPECT_NEAR(g_FightCall.bandCut, p.bandCut, 2e-3f);
  }
  ASSERT_EQ(sounds.size(), 1u);
  EXPECT_EQ(sounds[0].second, 89);
  EXPECT_NEAR(sounds[0].first, 13, 1);
  EXPECT_EQ(g_FightCall.noiseAlpha, 0.0f);
  EXPECT_EQ(g_FightCall.flashAlpha, 0.0f);
}

// Through the particle pass: the round call hands over to the fight call about 2.7 s in, the
// fighters are released 1.0 s into the fight call, the round call ends at 4 s and the fight call
// 3 s after its start. A pause holds the fighters until 1.0 s of unpaused time has passed.
TEST_F(CallsTest, ParticlePassRunsTheCallsInOrder) {
  for (int pauseAt : {-1, 200}) {
    SCOPED_TRACE(pauseAt);
    battle_test::ResetWorld();
    InstallParticleSeams();
    InstallCallOverlays();
    g_CommandLock = 2;
    int32_t block[8] = {};
    block[2] = 1;
    BattleSeamSpawnCallEffect(256, block, 0);
    int fightStart = 0, release = 0, roundDone = 0, fightDone = 0, unpaused = 0;
    for (int frame = 1; frame <= 500; ++frame) {
      g_Paused = pauseAt > 0 && frame > pauseAt && frame <= pauseAt + 40 ? 1 : 0;
      if (!g_Paused) ++unpaused;
      UpdateDrawParticles();
      if (!fightStart && g_FightCall.frameCount > 0) fightStart = unpaused;
      if (!release && g_CommandLock == 0) release = unpaused;
      if (!roundDone && g_RoundCall.done) roundDone = unpaused;
      if (fightStart && !fightDone && g_FightCall.done) fightDone = unpaused;
    }
    g_Paused = 0;
    EXPECT_NEAR(fightStart / 60.0, 2.7, 0.05);
    EXPECT_NEAR((release - fightStart) / 60.0, 1.0, 0.05);
    EXPECT_NEAR(roundDone / 60.0, 4.0, 0.05);
    EXPECT_NEAR((fightDone - fightStart) / 60.0, 3.0, 0.05);
  }
}

// In training the fight call alone opens the round: the round call never runs.
TEST_F(CallsTest, TrainingOpensWithTheFightCallAlone) {
  InstallParticleSeams();
  InstallCallOverlays();
  int32_t block[8] = {};
  BattleSeamSpawnCallEffect(253, block, 0);
  for (int frame = 0; frame < 100; ++frame) UpdateDrawParticles();
  EXPECT_EQ(g_RoundCall.T, 0.0f);
  EXPECT_EQ(g_RoundCallBars.t, 0.0f);
  EXPECT_GT(g_FightCall.t, 1.0f);
  EXPECT_EQ(TakeSounds(), std::vector<int>{89});
}

// Result value to kind, sequence, sound and logo; the length with and without an extra value
// and the extra's sound at 2 s.
TEST_F(CallsTest, KoKindsSoundsAndLengths) {
  struct Case {
    int32_t value, extra;
    int32_t kind, sequence;
    std::vector<int> sounds;
    int32_t pieces, shift;
    int updates;  // until done
  };
  const Case cases[] = {
      {3, 0, 0, 0, {90}, 4, 160, 108},   {12345, 0, 0, 0, {90}, 4, 160, 108},
      {6, 0, 1, 0, {91}, 10, 260, 108},  {99, 2, 2, 0, {95, 94}, 6, 240, 228},
      {1000, 0, 3, 0, {}, 0, 0, 108},    {1001, 1, 4, 0, {92}, 0, 0, 228},
      {20, 0, 5, 1, {98}, 14, 315, 108}, {21, 1, 6, 1, {99, 92}, 14, 310, 228},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    g_KoCall = {};
    g_KoCall.KoKind = KoKindForResult(c.value);
    g_KoCall.extra = c.extra;
    StartKoCall();
    EXPECT_EQ(g_KoCall.KoKind, c.kind);
    EXPECT_EQ(g_KoCall.sequence, c.sequence);
    const KoLogoPiece* pieces;
    int32_t shift;
    EXPECT_EQ(KoLogoPieces(c.kind, &pieces, &shift), c.pieces);
    EXPECT_EQ(shift, c.shift);
    std::vector<std::pair<int, int>> sounds;
    int k = 0;
    while (!g_KoCall.done && k < 1000) {
      UpdateKoCall();
      ++k;
      for (int s : TakeSounds()) sounds.push_back({k, s});
    }
    EXPECT_EQ(k, c.updates);
    ASSERT_EQ(sounds.size(), c.sounds.size());
    for (size_t i = 0; i < sounds.size(); ++i) EXPECT_EQ(sounds[i].second, c.sounds[i]);
    // The kind's sound on the first update with t > 0, the extra's on the first with t > 2.
    if (!sounds.empty() && c.kind != 3 && c.kind != 4) {
      EXPECT_EQ(sounds[0].first, 2);
    }
    if (c.extra != 0) {
      EXPECT_EQ(sounds.back().first, 122);
    }
  }
}

// The effect frames show every 0.03 s while loaded and the sequence ends at its first missing
// frame; the logo flies in for 0.2 s and flattens from 1.5 s.
TEST_F(CallsTest, KoEffectFramesAndFades) {
  g_KoEffectFrames[0] = 5;
  g_KoCall.KoKind = 0;
  g_KoCall.extra = 0;
  StartKoCall();
  std::vector<int32_t> shown;
  for (int k = 0; k < 12; ++k) {
    UpdateKoCall();
    shown.push_back(g_KoCall.shownFrame);
  }
  // Frame floor(t / 0.03) for t = 0, 1/60, ...: 0, 0, 1, 1, 2, 2, 3, 3, 4, then the sixth frame,
  // which is not loaded.
  EXPECT_EQ(shown[0], 0);
  EXPECT_EQ(shown[2], 1);
  EXPECT_EQ(shown[4], 2);
  EXPECT_EQ(shown[8], 4);
  EXPECT_EQ(shown[10], -1);
  EXPECT_EQ(shown[11], -1);
  for (int k = 12; k < 95; ++k) UpdateKoCall();  // t = 94 / 60 before the last step
  EXPECT_EQ(g_KoCall.f, 1.0f);
  EXPECT_NEAR(g_KoCall.g, 1.0f - (94.0f / 60.0f - 1.5f) / 0.2667f, 1e-4f);
  EXPECT_EQ(g_KoCall.alpha, 0.4f);
  g_KoEffectFrames[0] = 0;
}

// The winner call's result words by flag (any other flag reads as flag 0), its bars sliding
// and fading, its sound, and the score rows: all five values 0 show rows 1 to 3 only.
TEST_F(CallsTest, WinnerCallWordsRowsAndSound) {
  struct Word {
    int32_t flag;
    std::vector<int32_t> cells;
  };
  const Word words[] = {{0, {10, 12, -1, 3, 4, 5}},
                        {1, {11, 12, -1, 3, 4, 5}},
                        {16, {0, 1, 2, -1, 3, 4, 5}},
                        {272, {0, 1, 2, -1, 6, 1, 7, 8}},
                        {7, {10, 12, -1, 3, 4, 5}}};
  for (const Word& w : words) {
    int32_t cells[8];
    const int32_t n = ResultWordCells(w.flag, cells);
    EXPECT_EQ(std::vector<int32_t>(cells, cells + n), w.cells) << w.flag;
  }
  const int32_t zero[5] = {0, 0, 0, 0, 0};
  const int32_t some[5] = {0, 0, 0, 12, 34};
  const bool zeroRows[6] = {true, true, true, false, true, false};
  for (int row = 1; row <= 6; ++row) {
    EXPECT_EQ(ScoreRowShown(row, zero), zeroRows[row - 1]) << row;
    EXPECT_TRUE(ScoreRowShown(row, some)) << row;
  }

  for (int32_t flag : {16, 272}) {
    SCOPED_TRACE(flag);
    g_WinnerCallInfo.resultFlag = flag;
    StartWinnerCall();
    EXPECT_EQ(g_WinnerCall.barAlpha, 1.0f);
    std::vector<std::pair<int, int>> sounds;
    for (int k = 1; k <= 60; ++k) {
      UpdateWinnerCall();
      DrawWinnerCall();
      for (int s : TakeSounds()) sounds.push_back({k, s});
      if (k == 6) {
        EXPECT_NEAR(g_WinnerCall.slide, 5.0f / 60.0f / 0.2f, 1e-4f);
      }
    }
    ASSERT_EQ(sounds.size(), 1u);
    EXPECT_EQ(sounds[0].second, flag == 272 ? 97 : 96);
    EXPECT_EQ(sounds[0].first, 25);  // the first draw with w > 0.4
    EXPECT_EQ(g_WinnerCall.slide, 1.0f);
    EXPECT_EQ(g_WinnerCall.barAlpha, 0.0f);
  }
}

// A name outside 0..99 or a stage outside 0..99 has no picture (characters run to 199 and the
// stage word takes any value): nothing is read outside the hundred slots.
TEST_F(CallsTest, NamesAndStagesOutsideTheirHundredSlotsDrawNothing) {
  TextureHandle fake;
  calls::g_CallGraphics.koName[99] = &fake;
  calls::g_CallGraphics.stageName[0] = &fake;
  struct Case {
    int32_t index;
    bool name, stage;
  };
  const Case cases[] = {
      {-1, false, false}, {0, false, true}, {99, true, false}, {100, false, false}, {199, false, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(WinnerNameTexture(c.index) != nullptr, c.name) << c.index;
    EXPECT_EQ(StageNameTexture(c.index) != nullptr, c.stage) << c.index;
  }
  calls::g_CallGraphics.koName[99] = nullptr;
  calls::g_CallGraphics.stageName[0] = nullptr;
}

// The round call's caption takes a fresh number for every scrambled character it draws, paused
// or not, from the calls' own stream; the battle's streams never move.
TEST_F(CallsTest, DrawingTakesNumbersOnlyFromTheCallsStream) {
  StartRound(3);
  for (int k = 0; k < 60; ++k) UpdateRoundCall();  // 64 characters resolving
  RandStream battle[kRandStreamCount];
  std::memcpy(battle, g_RandStreams, sizeof battle);
  const RandStream before = g_CallRandom;
  g_Paused = 1;
  for (int k = 0; k < 5; ++k) {
    DrawRoundCall();
    DrawRoundCallBars();
    DrawFightCall();
  }
  g_Paused = 0;
  EXPECT_EQ(std::memcmp(battle, g_RandStreams, sizeof battle), 0);
  EXPECT_NE(std::memcmp(&before, &g_CallRandom, sizeof before), 0);
  // The stream starts again from its constant with every round.
  ResetRoundCalls();
  RandStream fresh{};
  SeedOwnRandStream(fresh, kCallRandomSeed);
  EXPECT_EQ(std::memcmp(&fresh, &g_CallRandom, sizeof fresh), 0);
}

// A stream of the caller's own gives the numbered streams' numbers for the same seed.
TEST(OwnRandStream, SameGeneratorAsTheNumberedStreams) {
  for (int32_t seed : {0, 1, -77, 2147483647}) {
    RandStream own{};
    SeedOwnRandStream(own, seed);
    SeedRandStream(3, seed);
    for (int k = 0; k < 200; ++k) ASSERT_EQ(OwnRandStreamNext(own), RandStreamNext(3)) << seed << " " << k;
  }
}

// A 40-frame pause in the fight call's tail leaves every battle stream (0..10) as a run
// without it: the calls' drawing, which goes on while paused, takes none of their numbers.
class CallsHarnessTest : public battle_test::HarnessSampleTest {};

TEST_F(CallsHarnessTest, PauseInTheFightCallLeavesTheStreams) {
  auto run = [](bool pause, RandStream out[kRandStreamCount]) {
    if (!HarnessLoadMatch({"duelist", 0, 0}, {"duelist", 0, 1}, false, RoundStart::kGame)) return false;
    const HarnessScript script = HarnessDefaultScript(3);
    int frame = 0;
    // Into the fight call's tail: released, some way from its end.
    while (!(g_FightCall.released && g_FightCall.t > 1.5f) && frame < 3000) {
      HarnessRunFrame(script);
      ++frame;
    }
    if (frame >= 3000) return false;
    if (pause) {
      g_Paused = 1;
      for (int k = 0; k < 40; ++k) HarnessRunFrame([](uint32_t, int) { return HarnessPad{}; });
      g_Paused = 0;
    }
    // Standing pads afterwards: the script reads the harness's frame count, which the paused
    // frames moved on.
    for (int k = 0; k < 120; ++k) HarnessRunFrame([](uint32_t, int) { return HarnessPad{}; });
    std::memcpy(out, g_RandStreams, sizeof(RandStream) * kRandStreamCount);
    HarnessRelease();
    return true;
  };
  RandStream plain[kRandStreamCount], paused[kRandStreamCount];
  ASSERT_TRUE(run(false, plain));
  ASSERT_TRUE(run(true, paused));
  for (int s = 0; s < kRandStreamCount; ++s)
    EXPECT_EQ(std::memcmp(&plain[s], &paused[s], sizeof(RandStream)), 0) << "stream " << s;
}

}  // namespace

namespace {

// Through the game's wiring, the judge's decision starts the winner call (the round word at -1
// and the body reset to its winner variant) and runs it every judged frame to the match's end.
TEST_F(CallsHarnessTest, JudgeRunsTheWinnerCallToTheMatchEnd) {
  // The scripted match's three rounds at the fastest clock (the time-over round ends sooner).
  const uint8_t speed = g_TimerSpeed;
  g_TimerSpeed = 4;
  ASSERT_TRUE(HarnessLoadMatch({"duelist", 0, 0}, {"duelist", 0, 1}, false, RoundStart::kGame));
  const HarnessMatchResult result = HarnessRunMatch(HarnessScriptedMatch(), 12000);
  g_TimerSpeed = speed;
  ASSERT_NE(result.ending, 0);
  EXPECT_EQ(g_RoundCallRound, -1);
  EXPECT_EQ(g_RoundCall.ringDelay, 0.4f);
  EXPECT_EQ(g_RoundCall.stripHeight, 0.0f);
  EXPECT_GT(g_WinnerCall.frameCount, 0);
  EXPECT_NEAR(g_RoundCall.T, g_WinnerCall.frameCount / 60.0f, 0.05f) << "body and winner clocks run together";
  EXPECT_EQ(g_WinnerCallInfo.resultFlag, g_MatchWinnerSide == 1 ? 1 : 0);
}

}  // namespace
