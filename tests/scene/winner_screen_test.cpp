// The quote walk: when each unit is due and how bright, new lines, the end of the text (an odd
// byte and a NUL inside a unit among them) and the Japanese widths.
#include "scene/winner_screen.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/random.h"

namespace {

// Two lines: "A" "B", a new line, "C"; full-width letters.
const std::string kTwoLines = std::string("\x82\x60\x82\x61\x81\xA1\x82\x62", 8);

TEST(QuoteWalk, UnitsFallDueEveryTwoFramesAndBrighten) {
  struct Case {
    int n;
    size_t units;
    int lastAlpha;
    int completeLines;
    int partial;
    int result;
  } cases[] = {
      {0, 0, 0, 0, 0, 0},      // not started
      {1, 1, 8, 0, 1, 0},      // unit 0 due at once, faint
      {2, 2, 0, 0, 2, 0},      // unit 1 due with alpha 0: it still moves the positions
      {3, 2, 8, 0, 2, 0},      //
      {5, 3, 8, 1, 0, 0},      // the new line shown counts its line complete
      {6, 4, 0, 1, 1, 1},      // the last unit due: the walk is over, the partial line complete
      {400, 4, 255, 2, 0, 1},  // alpha caps at 255
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.n);
    const QuoteWalk w = WalkWinQuoteText(kTwoLines, c.n, 80, 342, false, nullptr);
    ASSERT_EQ(w.units.size(), c.units);
    if (c.units) EXPECT_EQ(w.units.back().alpha, c.lastAlpha);
    EXPECT_EQ(w.result, c.result);
    if (c.result == 0) {
      EXPECT_EQ(w.completeLines, c.completeLines);
      EXPECT_EQ(w.partialUnits, c.partial);
    }
  }
}

TEST(QuoteWalk, PositionsAcrossANewLine) {
  const QuoteWalk w = WalkWinQuoteText(kTwoLines, 400, 80, 342, false, nullptr, 18);
  ASSERT_EQ(w.units.size(), 4u);
  // Japanese: 24 from the picture, 18 on screen.
  EXPECT_EQ(w.units[0].x, 80);
  EXPECT_EQ(w.units[0].u, 32);
  EXPECT_EQ(w.units[1].x, 98);
  EXPECT_EQ(w.units[1].u, 56);
  EXPECT_EQ(w.units[1].wd, 18);
  EXPECT_EQ(w.units[1].ws, 24);
  // After the new line: back to x and u 32, 30 lower on screen and 24 in the picture.
  EXPECT_EQ(w.units[3].x, 80);
  EXPECT_EQ(w.units[3].y, 372);
  EXPECT_EQ(w.units[3].u, 32);
  EXPECT_EQ(w.units[3].v, 24);
}

TEST(QuoteWalk, EndsInsideTheTextOnOddBytesAndNuls) {
  struct Case {
    const char* name;
    std::string text;
    size_t units;
  } cases[] = {
      {"odd length", std::string("\x82\x60\x82", 3), 1},
      {"NUL in the second byte", std::string("\x82\x60\x82\0\x82\x61", 6), 1},
      {"NUL first", std::string("\0\x82\x60", 3), 0},
      {"no quote", "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QuoteWalk w = WalkWinQuoteText(c.text, 1000, 60, 338, false, nullptr);
    EXPECT_EQ(w.units.size(), c.units);
    EXPECT_EQ(w.result, 1);
  }
}

}  // namespace

namespace {

// A particle past x -512 comes back at 640 with three draws of the common stream; stream 1,
// which placed the particles, is left alone.
TEST(WinnerParticles, RespawnDrawsFromTheCommonStream) {
  SeedRandStream(1, 4);
  SeedRandStream(kRandCommonStream, 9);
  WinnerScreenState& s = GetWinnerScreen();
  for (WinnerScreenParticle& p : s.particles) p = {100.0f, 50.0f, 1.0f, 0};
  s.particles[3] = {-511.5f, 50.0f, 1.0f, 0};
  const RandStream one = g_RandStreams[1];
  RandStream common = g_RandStreams[kRandCommonStream];
  for (int i = 0; i < 3; ++i) OwnRandStreamNext(common);
  UpdateWinnerScreen();
  EXPECT_EQ(std::memcmp(&one, &g_RandStreams[1], sizeof one), 0);
  EXPECT_EQ(std::memcmp(&common, &g_RandStreams[kRandCommonStream], sizeof common), 0);
  EXPECT_EQ(s.particles[3].x, 640.0f);
  EXPECT_EQ(s.particles[0].x, 99.0f);
  EXPECT_GE(s.particles[3].speed, 0.2f);
  s = WinnerScreenState{};
}

}  // namespace
