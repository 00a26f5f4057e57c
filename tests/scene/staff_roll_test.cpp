// The staff roll: its layout reader, the scroll and its end, the wait, logo and white fade, fast
// forward and the two skips.
#include <gtest/gtest.h>

#include <string>

#include "story_fixture.h"

namespace story_test {
namespace {

std::string Strip(int page, int v, int h, int next) {
  return "[S]\r\nTPage = " + std::to_string(page) + "\r\nTexV=" + std::to_string(v) + "\r\nTexH=\t" +
         std::to_string(h) + "\r\nNextYPos=" + std::to_string(next) + "\r\n";
}

TEST(StaffRollText, ReaderTable) {
  struct Row {
    const char* name;
    std::string text;
    int strips;
    float speed;
    int firstPage;
  } rows[] = {
      {"plain", "[Data]\r\nSpeed = 45.5\r\n" + Strip(1, 0, 64, 80) + Strip(0, 64, 32, 40), 2, 45.5f, 1},
      {"no Data section", "[Other]\r\nSpeed=3\r\n" + Strip(1, 0, 64, 80), 0, 1.0f, -1},
      {"Data not first", Strip(1, 0, 64, 80) + "[Data]\r\nSpeed=3\r\n", 0, 1.0f, -1},
      {"Speed without =", "[Data]\r\nSpeed\r\n" + Strip(2, 0, 8, 8), 1, 1.0f, 2},
      {"empty", "", 0, 1.0f, -1},
      {"comments and blank lines", "// credits\r\n\r\n[Data]\r\nSpeed=2 // px/s\r\n\r\n" + Strip(3, 0, 8, 8),
       1, 2.0f, 3},
      {"absent TPage ends the roll", "[Data]\r\n[S]\r\nTexH=4\r\n" + Strip(1, 0, 8, 8), 2, 1.0f, -1},
      {"TPage without a value", "[Data]\r\n[S]\r\nTPage\r\nTexH=4\r\n", 1, 1.0f, -1},
      {"unknown key", "[Data]\r\n[S]\r\nColour=3\r\nTPage=4\r\n", 1, 1.0f, 4},
      {"negative speed", "[Data]\r\nSpeed=-3\r\n" + Strip(1, 0, 8, 8), 1, 1.0f, 1},
      {"zero speed", "[Data]\r\nSpeed=0\r\n", 0, 1.0f, -1},
      {"70-character key", "[Data]\r\n[S]\r\n" + std::string(70, 'K') + "=5\r\nTPage=2\r\n", 1, 1.0f, 2},
      {"page 12 is kept for the draw to skip", "[Data]\r\n" + Strip(12, 0, 8, 8), 1, 1.0f, 12},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    StaffRollEntry entries[kStaffRollEntries];
    float speed = 1.0f;
    EXPECT_EQ(ParseStaffRollText(row.text, entries, &speed), row.strips);
    EXPECT_EQ(speed, row.speed);
    EXPECT_EQ(entries[0].TPage, row.firstPage);
    EXPECT_EQ(entries[row.strips].TPage, -1) << "the end marker follows the last strip";
  }
}

TEST(StaffRollText, PlainStripKeepsEveryField) {
  StaffRollEntry entries[kStaffRollEntries];
  float speed = 1.0f;
  ParseStaffRollText("[Data]\r\n[S]\r\nTPage=3\r\nXShift=-7\r\nTexV=96\r\nTexH=48\r\nNextYPos=60\r\n",
                     entries, &speed);
  EXPECT_EQ(entries[0].TPage, 3);
  EXPECT_EQ(entries[0].XShift, -7);
  EXPECT_EQ(entries[0].TexV, 96);
  EXPECT_EQ(entries[0].TexH, 48);
  EXPECT_EQ(entries[0].NextYPos, 60);
}

TEST(StaffRollText, TwoHundredFiftySectionsStopAtTheTable) {
  std::string text = "[Data]\r\nSpeed=10\r\n";
  for (int i = 0; i < 250; ++i) text += Strip(i % 10, 0, 8, 8);
  StaffRollEntry entries[kStaffRollEntries];
  float speed = 1.0f;
  EXPECT_EQ(ParseStaffRollText(text, entries, &speed), kStaffRollEntries - 1);
  EXPECT_EQ(entries[kStaffRollEntries - 1].TPage, -1);
}

class StaffRollTest : public StoryTest {
 protected:
  void SetUp() override {
    StoryTest::SetUp();
    StaffRollReset();
  }
  static StaffRollState& R() { return GetStaffRoll(); }
  static void Step(int32_t input = 0) {
    R().input = input;
    StaffRollUpdate();
    StaffRollDraw();
    ResetDrawList(&g_MainDrawList);
  }
  // Frames until finished (at most limit).
  static int RunToFinish(int limit, int32_t input = 0) {
    for (int f = 1; f <= limit; ++f) {
      Step(input);
      if (R().finished) return f;
    }
    return -1;
  }
};

TEST_F(StaffRollTest, WithoutTheScriptsEndTheRollStaysInItsFirstPhase) {
  float speed = 1.0f;
  ParseStaffRollText("[Data]\r\n" + Strip(0, 0, 32, 32), R().entries, &speed);
  R().speed = 600.0f;
  for (int f = 0; f < 600; ++f) Step();
  EXPECT_EQ(R().phase, 0);
  R().scriptEnded = 1;
  Step();
  EXPECT_EQ(R().phase, 10);
  EXPECT_EQ(R().dimTarget, 0.0f);
}

TEST_F(StaffRollTest, PhasesOfAnEmptyRoll) {
  R().scriptEnded = 1;
  struct Row {
    int frame, phase, ending, finished;
  } rows[] = {{1, 10, 0, 0}, {480, 10, 0, 0}, {481, 100, 1, 0}, {900, 100, 1, 0}, {901, 100, 1, 1}};
  int frame = 0;
  for (const Row& row : rows) {
    while (frame < row.frame) Step(), ++frame;
    SCOPED_TRACE(row.frame);
    EXPECT_EQ(R().phase, row.phase);
    EXPECT_EQ(R().ending, row.ending);
    EXPECT_EQ(R().finished, row.finished);
  }
}

TEST_F(StaffRollTest, FastForwardRunsSixteenTimesAsFastInEveryPhase) {
  R().scriptEnded = 1;
  const int frames = RunToFinish(2000, static_cast<int32_t>(0x80000000u));
  EXPECT_NEAR(frames, 901 / 16, 2);
}

TEST_F(StaffRollTest, SkipGoesToTheLogoThenToTheWhiteFadeOnlyOnce) {
  Step(1);
  EXPECT_EQ(R().phase, 100);
  EXPECT_EQ(R().ending, 1);
  Step(1);
  const float start = R().phaseStart;
  EXPECT_LT(R().seconds - start, 6.0001f);
  EXPECT_GT(R().seconds - start, 5.9999f);
  for (int f = 0; f < 10; ++f) Step();
  Step(1);  // the white fade has begun: a skip changes nothing
  EXPECT_EQ(R().phaseStart, start);
  EXPECT_GT(RunToFinish(100), 0);
}

TEST_F(StaffRollTest, StripsAreDrawnWhileAnyPartIsOnScreenAndPagesOutsideTheTableAreSkipped) {
  float speed = 1.0f;
  ParseStaffRollText("[Data]\r\n" + Strip(0, 0, 100, 100) + Strip(12, 0, 100, 100) + Strip(0, 100, 100, 100),
                     R().entries, &speed);
  R().pages[0] = CreateTexture(512, 512, vt::gfx::FMT_A8R8G8B8);
  R().speed = 60.0f * 60.0f;  // 60 pixels a frame
  struct Row {
    int frame;
    int drawn;
  } rows[] = {{1, 1}, {2, 1}, {6, 2}, {9, 2}, {10, 1}, {12, 1}, {14, 0}};
  int frame = 0;
  for (const Row& row : rows) {
    while (frame < row.frame - 1) Step(), ++frame;
    R().input = 0;
    StaffRollUpdate();
    const uint32_t before = g_MainDrawList.quadCount;
    StaffRollDraw();
    ++frame;
    SCOPED_TRACE(row.frame);
    // Every frame queues the dim layer as well.
    EXPECT_EQ(static_cast<int>(g_MainDrawList.quadCount - before) - 1, row.drawn);
    ResetDrawList(&g_MainDrawList);
  }
  StaffRollRelease();
}

}  // namespace
}  // namespace story_test
