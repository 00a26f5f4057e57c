// The battle camera and the automatic facing.
#include "battle/battle_camera.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "battle/battle_clock.h"
#include "battle/battle_draw.h"
#include "battle/battle_driver.h"
#include "battle/battle_facing.h"
#include "battle/box_to_screen.h"
#include "battle_fixture.h"

namespace {

using battle_test::BattleTest;
using battle_test::PlaceCamera;
using battle_test::PlaceCharacter;
using battle_test::ResetWorld;

class BattleCamera : public BattleTest {
 protected:
  void SetUp() override {
    BattleTest::SetUp();
    ResetBattleDrawSeams();
    InstallBattleCameraSeams();
  }
  void TearDown() override {
    ResetBattleDrawSeams();
    BattleTest::TearDown();
  }
  // Two fighters, slot 0 at (x0, y0) facing right and slot 1 at (x1, y1) facing left.
  static void Fighters(int32_t x0, int32_t x1, int32_t y0 = 0, int32_t y1 = 0) {
    PlaceCharacter(0, nullptr, x0, 0).posY = y0;
    PlaceCharacter(1, nullptr, x1, 1).posY = y1;
  }
};

float Bits(uint32_t b) { return std::bit_cast<float>(b); }

// One step above the widest zoom: half the view is 48768 in float32, 48767 in double.
const float kZoomFloatDoubleSplit = Bits(0x3F57035Du);

// --- zoom -------------------------------------------------------------------------------------

// Horizontal spreads around the zoom-out thresholds, from a given zoom; the steady count was 5.
TEST_F(BattleCamera, ZoomOutByHorizontalSpread) {
  struct Case {
    int32_t spread;
    float zoom;
    float zoomAfter;
    float targetAfter;
    int32_t steadyAfter;
  } cases[] = {
      {57599, 1.0f, 1.0f, 1.0f, 6},                  // below 450 pixels: nothing moves out
      {57600, 1.0f, 1.0f, 1.0f, 1},                  // want is exactly the zoom: steady again from 0
      {60000, 1.0f, 0.989278674f, 0.989278674f, 1},  // moves out onto want (less than 0.03)
      {80000, 1.0f, 0.970000029f, 0.970000029f, 1},  // at most 0.03 per update
      {80000, 0.85f, 0.85f, 0.899934411f, 6},        // already wider: want becomes the target
      {93440, 0.85f, kCameraMinZoom, kCameraMinZoom, 1},
      {93440, kCameraMinZoom, kCameraMinZoom, kCameraMinZoom, 1},  // want is exactly the widest
      {200000, 0.85f, kCameraMinZoom, kCameraMinZoom, 1},          // never below the widest
  };
  for (const Case& c : cases) {
    ResetBattleCameraState();
    g_CameraZoom = c.zoom;
    g_CameraTargetZoom = c.zoom;
    g_ZoomSteadyFrames = 5;
    UpdateCameraZoom(0, c.spread, 0, 0);
    EXPECT_EQ(g_CameraZoom, c.zoomAfter) << c.spread << " from " << c.zoom;
    EXPECT_EQ(g_CameraTargetZoom, c.targetAfter) << c.spread << " from " << c.zoom;
    EXPECT_EQ(g_ZoomSteadyFrames, c.steadyAfter) << c.spread << " from " << c.zoom;
    EXPECT_EQ(g_CameraScale, c.zoomAfter);
  }
}

// From 93440 (730 pixels) apart the zoom settles on the widest, 0.03 at a time.
TEST_F(BattleCamera, FarApartSettlesOnTheWidestZoom) {
  std::vector<float> seen;
  for (int i = 0; i < 8; ++i) {
    UpdateCameraZoom(-46720, 46720, 0, 0);
    seen.push_back(g_CameraZoom);
  }
  EXPECT_EQ(seen[0], 0.970000029f);
  EXPECT_EQ(seen[1], static_cast<float>(static_cast<double>(0.970000029f) - 0.03));
  EXPECT_EQ(seen[5], kCameraMinZoom);
  EXPECT_EQ(seen[7], kCameraMinZoom);
}

// After a move out the zoom eases back in only on the 31st steady update, by at least 0.002.
TEST_F(BattleCamera, ZoomEasesInOnThe31stSteadyUpdate) {
  UpdateCameraZoom(0, 80000, 0, 0);
  ASSERT_EQ(g_CameraZoom, 0.970000029f);
  for (int n = 1; n <= 30; ++n) {
    UpdateCameraZoom(0, 0, 0, 0);
    ASSERT_EQ(g_CameraZoom, 0.970000029f) << "steady update " << n;
    EXPECT_EQ(g_CameraTargetZoom, 1.0f);
  }
  UpdateCameraZoom(0, 0, 0, 0);
  EXPECT_EQ(g_CameraZoom, 0.972000003f);  // (1 - 0.97) / 16 is below the 0.002 minimum
  // Far from the target the step is a sixteenth of the gap.
  g_CameraZoom = 0.9f;
  UpdateCameraZoom(0, 0, 0, 0);
  EXPECT_EQ(g_CameraZoom, static_cast<float>(0.9f + (1.0 - 0.9f) / 16.0));
}

// Between 55040 and 57600 the target is left alone; below 55040 it returns to 1.0.
TEST_F(BattleCamera, ZoomTargetBandAt55040) {
  struct Case {
    int32_t spreadX, spreadY;
    float target;
  } cases[] = {{55039, 0, 1.0f}, {55040, 0, 0.9f}, {57599, 0, 0.9f}, {0, 29439, 1.0f}, {0, 29440, 0.9f}};
  for (const Case& c : cases) {
    ResetBattleCameraState();
    g_CameraZoom = g_CameraTargetZoom = 0.9f;
    UpdateCameraZoom(0, c.spreadX, -c.spreadY, 0);
    EXPECT_EQ(g_CameraTargetZoom, c.target) << c.spreadX << " " << c.spreadY;
  }
  // Held in the band, the zoom never eases in.
  ResetBattleCameraState();
  g_CameraZoom = g_CameraTargetZoom = 0.9f;
  for (int i = 0; i < 40; ++i) UpdateCameraZoom(0, 56000, 0, 0);
  EXPECT_EQ(g_CameraZoom, 0.9f);
}

// Vertical spreads of 35840 (280 pixels) or more move out by 0.01 toward 35840 / spread.
TEST_F(BattleCamera, ZoomOutByVerticalSpread) {
  UpdateCameraZoom(0, 0, -35840, 0);
  EXPECT_EQ(g_CameraZoom, 1.0f);
  EXPECT_EQ(g_ZoomSteadyFrames, 1);
  UpdateCameraZoom(0, 0, -71680, 0);  // want 0.5
  EXPECT_EQ(g_CameraZoom, 0.99000001f);
  EXPECT_EQ(g_CameraTargetZoom, 0.99000001f);
  for (int i = 0; i < 30; ++i) UpdateCameraZoom(0, 0, -71680, 0);
  EXPECT_EQ(g_CameraZoom, kCameraMinZoom);
  // A spread whose want lies within 0.01: the zoom stops on it.
  ResetBattleCameraState();
  UpdateCameraZoom(0, 0, -36000, 0);
  EXPECT_EQ(g_CameraZoom, static_cast<float>(35840.0 / 36000.0));
}

// A fixed zoom overrides the follow zoom, raised to the widest (the special stage's shows as it).
TEST_F(BattleCamera, FixedZoomRaisedToTheWidest) {
  struct Case {
    float fixed;
    float shown;
  } cases[] = {{Bits(0x3F3E11CBu), kCameraMinZoom},
               {1.0f, 1.0f},
               {0.9f, 0.9f},
               {std::numeric_limits<float>::quiet_NaN(), kCameraMinZoom}};
  for (const Case& c : cases) {
    ResetBattleCameraState();
    SetStageFixedZoom(c.fixed);
    UpdateCameraZoom(0, 200000, 0, 0);
    EXPECT_EQ(g_CameraZoom, c.shown) << c.fixed;
    EXPECT_EQ(g_CameraScale, c.shown) << c.fixed;
  }
}

// --- zoom override ----------------------------------------------------------------------------

TEST_F(BattleCamera, ZoomOverrideRampsHoldsAndEnds) {
  StartZoomOverride(10, 20, 10, 0.5f);
  for (int frame = 1; frame <= 41; ++frame) {
    UpdateZoomOverride();
    float want = 0.0f;
    if (frame < 10)
      want = static_cast<float>(frame) / 10.0f;
    else if (frame < 30)
      want = 1.0f;
    else if (frame < 40)
      want = 1.0f - static_cast<float>(frame - 30) / 10.0f;
    EXPECT_EQ(g_ZoomOverride.weight, want) << "frame " << frame;
    EXPECT_EQ(g_ZoomOverride.active, frame <= 40 ? 1 : 0) << "frame " << frame;
  }
  // Only what is drawn changes.
  StartZoomOverride(10, 20, 10, 0.5f);
  UpdateCameraZoom(0, 0, 0, 0);
  EXPECT_EQ(g_CameraZoom, 1.0f);
  EXPECT_EQ(g_CameraScale, 0.95f);
}

TEST_F(BattleCamera, ZoomOverrideWithoutRampInShowsAtOnce) {
  StartZoomOverride(0, 5, 0, 0.8f);
  for (int frame = 1; frame <= 4; ++frame) {
    UpdateCameraZoom(0, 0, 0, 0);
    EXPECT_EQ(g_CameraScale, 0.8f) << frame;
  }
  // Without a ramp in the hold counts from frame 0, so it shows one frame fewer; frame 5 shows
  // the follow zoom with the override still running, frame 6 ends it.
  UpdateCameraZoom(0, 0, 0, 0);
  EXPECT_EQ(g_CameraScale, 1.0f);
  EXPECT_EQ(g_ZoomOverride.active, 1);
  UpdateCameraZoom(0, 0, 0, 0);
  EXPECT_EQ(g_ZoomOverride.active, 0);
  EXPECT_EQ(g_CameraScale, 1.0f);
  // A stop ends a running override at once.
  StartZoomOverride(3, 3, 3, 0.8f);
  StopZoomOverride();
  UpdateCameraZoom(0, 0, 0, 0);
  EXPECT_EQ(g_CameraScale, 1.0f);
}

// A zoom of 0 or below (or not a number) reads as 1.0.
TEST_F(BattleCamera, ZoomOverrideRefusesAZoomOfNothing) {
  struct Case {
    float zoom;
    float kept;
  } cases[] = {{0.0f, 1.0f},
               {-0.5f, 1.0f},
               {std::numeric_limits<float>::quiet_NaN(), 1.0f},
               {0.5f, 0.5f},
               {2.0f, 2.0f}};
  for (const Case& c : cases) {
    BattleSeamStartZoomOverride(0, 10, 0, c.zoom);
    EXPECT_EQ(g_ZoomOverride.zoom, c.kept) << c.zoom;
    UpdateCameraZoom(0, 0, 0, 0);
    EXPECT_EQ(g_CameraScale, c.kept) << c.zoom;
  }
}

// --- shake and sway ---------------------------------------------------------------------------

TEST_F(BattleCamera, ScreenShake) {
  struct Case {
    int16_t strength;
    int16_t axis;
    float scale;
    int32_t dx, dy;
  } cases[] = {
      {2, 0, 1.0f, 0, -1024},               // a = 128 (the least), V[2] = 8: 8 pixels up
      {14, 0, 1.0f, 0, -1792},              // a = 224
      {1, 0, 1.0f, 0, -512},                // V[1] = 4
      {41, 0, 1.0f, 0, -1024},              // a capped at 256
      {40, 0, 1.0f, 0, 0},                  // 40 mod 4 = 0
      {24, 1, 1.0f, 0, 0},                  // 24 mod 4 = 0: in place this frame
      {23, 1, 1.0f, 1840, 0},               // a = 368, H[3] = -5
      {33, 1, 1.0f, -2560, 0},              // a capped at 512
      {2, 0, 0.5f, 0, -2048},               // divided by the drawn scale
      {2, 0, Bits(0x3F570C64u), 0, -1219},  // float32 a / s x V: 1218 in double
      {2, 2, 1.0f, 0, 0},                   // no such axis
      {0, 0, 1.0f, 0, 0},
      // Strengths from data can be negative: they shake nothing.
      {-1, 0, 1.0f, 0, 0},
      {-2, 0, 1.0f, 0, 0},
      {-3, 1, 1.0f, 0, 0},
      {-7, 1, 1.0f, 0, 0},
      {-32768, 0, 1.0f, 0, 0},
  };
  for (const Case& c : cases) {
    PlaceCamera(1000, -500);
    g_CameraScale = c.scale;
    g_ScreenShake = c.strength;
    g_ScreenShakeAxis = c.axis;
    ApplyScreenShake();
    EXPECT_EQ(g_CameraX - 1000, c.dx) << c.strength << " axis " << c.axis;
    EXPECT_EQ(g_CameraY + 500, c.dy) << c.strength << " axis " << c.axis;
  }
}

TEST_F(BattleCamera, StorySway) {
  g_StorySwayOn = 1;
  g_BattleState[0] = 10;
  g_BattleState[1] = -3;
  ApplyScreenShake();
  EXPECT_EQ(g_CameraX, -960);
  EXPECT_EQ(g_CameraY, 288);
  PlaceCamera(0, 0);
  g_CameraScale = 0.5f;
  ApplyScreenShake();
  EXPECT_EQ(g_CameraX, -1920);
  EXPECT_EQ(g_CameraY, 576);
}

// A drawn scale of 0 or below would divide the shake and the sway by nothing: both are skipped.
TEST_F(BattleCamera, ShakeAndSwaySkippedWithoutAScale) {
  for (float s : {0.0f, -0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN()}) {
    PlaceCamera(1000, -500);
    g_CameraScale = s;
    g_ScreenShake = 2;
    g_ScreenShakeAxis = 0;
    g_StorySwayOn = 1;
    g_BattleState[0] = 10;
    ApplyScreenShake();
    EXPECT_EQ(g_CameraX, 1000) << s;
    EXPECT_EQ(g_CameraY, -500) << s;
  }
}

// The shake is undone by the next moving update, so it never accumulates.
TEST_F(BattleCamera, ShakeDoesNotAccumulate) {
  Fighters(-12800, 12800);
  g_ScreenShake = 2;
  UpdateBattleCamera();
  EXPECT_EQ(g_CameraY, -1024);
  EXPECT_EQ(g_CameraSavedY, 0);
  UpdateBattleCamera();
  EXPECT_EQ(g_CameraY, -1024);
  EXPECT_EQ(g_CameraDeltaY, 0);
  g_ScreenShake = 0;
  UpdateBattleCamera();
  EXPECT_EQ(g_CameraY, 0);
  EXPECT_EQ(g_CameraDeltaY, 1024);
}

// --- the update -------------------------------------------------------------------------------

TEST_F(BattleCamera, ApproachValue) {
  struct Case {
    int32_t value, target, maxStep, minStep, result;
  } cases[] = {
      {0, 100000, 4096, 256, 4096},  // capped
      {0, 8000, 4096, 256, 2000},    // a quarter of the gap
      {0, 600, 4096, 256, 256},      // raised to the least step
      {0, 100, 4096, 256, 100},      // never passes the target
      {0, -8000, 4096, 256, -2000},
      {0, -100, 4096, 256, -100},
      {5, 5, 4096, 256, 5},
      {0, 8000, 0, 256, 0},  // no step at all
      {INT32_MIN, INT32_MAX, 4096, 256, INT32_MIN + 4096},
  };
  for (const Case& c : cases) {
    int32_t v = c.value;
    ApproachValue(v, c.target, c.maxStep, c.minStep);
    EXPECT_EQ(v, c.result) << c.value << " -> " << c.target;
  }
}

// The height: 80 pixels of room above the highest character, the middle once one is higher.
TEST_F(BattleCamera, TargetHeight) {
  struct Case {
    int32_t y0, y1;
    float zoom;
    int32_t target;
  } cases[] = {
      {-12800, 0, 1.0f, 0},           // t = -2560 is negative: (-12800 + 0) / 2 + 10240 = 3840
      {-12800, -12800, 1.0f, -2560},  // both 100 pixels up: 20 pixels up
      {-100000, 0, 1.0f, -39760},
      {-30001, 0, 1.0f, -4760},                    // the middle is taken toward zero
      {-100000, -100000, 1.0f, -43520},            // the ceiling: 340 pixels up
      {-100000, -100000, kCameraMinZoom, -31809},  // -31808 in double
      {5000, 5000, 1.0f, 0},                       // at most 0
  };
  for (const Case& c : cases) {
    ResetBattleCameraState();
    Fighters(-10000, 10000, c.y0, c.y1);
    g_CameraZoom = c.zoom;
    UpdateCameraTargetY();
    EXPECT_EQ(g_CameraTargetY, c.target) << c.y0 << " " << c.y1 << " " << c.zoom;
  }
  // An unfollowed character does not count for the height; neither does one out of focus.
  ResetBattleCameraState();
  Fighters(-10000, 10000, -100000, 0);
  SetCameraLock(0);
  UpdateCameraTargetY();
  EXPECT_EQ(g_CameraTargetY, 0);
  SetCameraLock(1);
  SetCameraFocus(1);
  UpdateCameraTargetY();
  EXPECT_EQ(g_CameraTargetY, 0);
  SetCameraFocus(0);
  UpdateCameraTargetY();
  EXPECT_EQ(g_CameraTargetY, -43520);
}

// The horizontal follow: a dead zone of 180 pixels either side, the middle when far apart.
TEST_F(BattleCamera, TargetX) {
  struct Case {
    int32_t camera, x0, x1, target;
  } cases[] = {
      {0, -12800, 25600, 2560},  // 200 right, 100 left: 20 pixels right
      {0, -12800, 19200, 0},     // 150 and 100: stays
      {0, -25600, 12800, -2560},
      {10000, -20000, 5000, 3040},  // the far one on the left
      {0, -30001, 30000, 0},        // far apart: the middle, toward zero
      {0, -30000, 30001, 0},
      {26000, 60000, 64000, 26624},  // on the limit at zoom 1.0
      {-26000, -64000, -60000, -26624},
  };
  for (const Case& c : cases) {
    ResetBattleCameraState();
    PlaceCamera(c.camera, 0);
    g_CameraTargetX = 777;
    Fighters(c.x0, c.x1);
    UpdateCameraTargetX();
    EXPECT_EQ(g_CameraTargetX, c.target) << c.camera << " " << c.x0 << " " << c.x1;
  }
}

// At zoom 1.0 the centre never leaves -26624..26624; once on a limit it stays exactly on it.
TEST_F(BattleCamera, CameraStaysOnTheLimit) {
  for (int sign : {1, -1}) {
    ResetBattleCameraState();
    Fighters(sign * 60000, sign * 64000);
    int32_t widest = 0;
    for (int i = 0; i < 40; ++i) {
      UpdateBattleCamera();
      widest = std::max(widest, std::abs(g_CameraX));
    }
    EXPECT_EQ(widest, 26624);
    EXPECT_EQ(g_CameraX, sign * 26624);
    EXPECT_EQ(g_CameraEdge, sign == 1 ? 2 : 1);
    for (int i = 0; i < 5; ++i) UpdateBattleCamera();
    EXPECT_EQ(g_CameraX, sign * 26624);
    EXPECT_EQ(g_CameraDeltaX, 0);
  }
}

// One camera unit moves a box by a pixel: the limit must use the float32 half width.
TEST_F(BattleCamera, LimitUsesFloatReciprocalOfTheZoom) {
  g_CameraZoom = kZoomFloatDoubleSplit;
  EXPECT_EQ(CameraHalfWidth(), 48768);  // 48767 as 40960 / z or in double
  PlaceCamera(-30000, 0);
  SetCameraTargetX(-100000);
  EXPECT_EQ(g_CameraTargetX, -18816);
  EXPECT_EQ(g_CameraX, -18816);
  EXPECT_EQ(g_CameraEdge, 1);
  EXPECT_EQ(WorldToScreenX(-1), 466);  // 467 with the camera at -18817
  EXPECT_EQ(GetScreenEdge(0), -18816 - 48768 + 2048);
}

TEST_F(BattleCamera, ScreenEdges) {
  struct Case {
    float zoom;
    int index;
    int32_t edge;
  } cases[] = {
      {1.0f, 0, 1000 - 38912},
      {1.0f, 1, 1000 + 38912},
      {1.0f, 2, -2000 - 54272},
      {1.0f, 3, -2000 + 7168},
      {1.0f, 4, 0},
      {1.0f, -1, 0},
      {kCameraMinZoom, 0, 1000 - 48768 + 2048},
      {kCameraMinZoom, 1, 1000 + 48768 - 2048},
      {kCameraMinZoom, 2, -2000 - 64617},
      {kCameraMinZoom, 3, -2000 + 8534},
      {kZoomFloatDoubleSplit, 1, 1000 + 48768 - 2048},
  };
  for (const Case& c : cases) {
    PlaceCamera(1000, -2000);
    g_CameraZoom = c.zoom;
    EXPECT_EQ(BattleSeamGetScreenEdge(c.index), c.edge) << c.zoom << " " << c.index;
  }
}

TEST_F(BattleCamera, HeldSpanEdgeCorrection) {
  struct Case {
    int32_t x;
    int32_t heldOffset;  // 0: carries nothing
    uint8_t holding;
    int32_t correction;
    uint8_t wallTouch;
  } cases[] = {
      {65536, 0, 0, 0, 9},  // on the wall is inside
      {65537, 0, 0, -1, 1},
      {70000, 0, 0, -4464, 1},
      {-70000, 0, 0, 4464, 2},
      {60000, 10000, 1, -4464, 1},   // the carried object widens the span to the right
      {-60000, -10000, 1, 4464, 2},  // ... or to the left
      {60000, -10000, 1, 0, 9},
      {60000, 10000, 0, 0, 9},  // not holding: the carried object does not count
      {INT32_MAX, 0, 0, -(INT32_MAX - 65536), 1},
  };
  for (const Case& c : cases) {
    ResetWorld();
    BattleObject& o = PlaceCharacter(0, nullptr, c.x);
    BattleObject& v = PlaceCharacter(1, nullptr, c.x);
    o.wallTouch = 9;
    if (c.heldOffset != 0) {
      o.heldObject = &v;
      o.holding = c.holding;
      v.throwOffsetX = c.heldOffset;
    }
    EXPECT_EQ(HeldSpanEdgeCorrection(o), c.correction) << c.x << " " << c.heldOffset;
    EXPECT_EQ(o.wallTouch, c.wallTouch) << c.x << " " << c.heldOffset;
  }
}

TEST_F(BattleCamera, EdgeSide) {
  struct Case {
    int32_t x;
    int side;
  } cases[] = {{65536, 1}, {65535, 0}, {-65535, 0}, {-65536, 2}, {INT32_MIN, 2}, {0, 0}};
  for (const Case& c : cases) EXPECT_EQ(EdgeSide(PlaceCharacter(0, nullptr, c.x)), c.side) << c.x;
}

// The update moves a followed character and the one it carries off the wall.
TEST_F(BattleCamera, UpdateMovesCarrierAndCarriedOffTheWall) {
  BattleObject& a = PlaceCharacter(0, nullptr, 60000);
  BattleObject& v = PlaceCharacter(1, nullptr, 61000);
  a.heldObject = &v;
  a.holding = 1;
  v.held = 1;
  v.throwOffsetX = 10000;
  UpdateBattleCamera();
  EXPECT_EQ(a.posX, 55536);
  EXPECT_EQ(v.posX, 56536);
  EXPECT_EQ(a.wallTouch, 1);
  // An unfollowed character stays where it is.
  BattleObject& b = PlaceCharacter(2, nullptr, 70000);
  g_CameraFollow[2] = 0;
  UpdateBattleCamera();
  EXPECT_EQ(b.posX, 70000);
}

// When nobody counts the camera stands: no movement, old matrices, and deltas of 0 for the
// objects that move along with the camera.
TEST_F(BattleCamera, NobodyCountingLeavesTheCameraStill) {
  Fighters(30000, 60000);
  UpdateBattleCamera();
  ASSERT_NE(g_CameraDeltaX, 0);
  const int32_t x = g_CameraX, y = g_CameraY;
  const Han6Matrix matrix = g_BattleCameraMatrix;
  g_PlayerRecords[0].obj.held = 1;
  SetCameraFocus(0);
  g_CameraScale = 0.5f;
  UpdateBattleCamera();
  EXPECT_EQ(g_CameraX, x);
  EXPECT_EQ(g_CameraY, y);
  EXPECT_EQ(g_CameraDeltaX, 0);
  EXPECT_EQ(g_CameraDeltaY, 0);
  EXPECT_EQ(std::memcmp(&matrix, &g_BattleCameraMatrix, sizeof matrix), 0);
  EXPECT_EQ(BattleSeamCameraDeltaX(), 0);
}

// Paused, frozen or on a slow-motion skip frame the camera keeps its point; the matrices are
// rebuilt all the same.
TEST_F(BattleCamera, GatedFramesKeepThePoint) {
  struct Case {
    uint8_t paused;
    int32_t freeze;
    int16_t slow;
    uint32_t frame;
    bool moves;
  } cases[] = {
      {0, 0, 0, 1, true}, {1, 0, 0, 1, false}, {0, 5, 0, 1, false}, {0, 0, 10, 4, false}, {0, 0, 10, 6, true},
  };
  for (const Case& c : cases) {
    ResetWorld();
    Fighters(30000, 60000);
    g_Paused = c.paused;
    g_GlobalFreeze = c.freeze;
    g_SlowMotion = c.slow;
    g_BattleFrame = c.frame;
    g_CameraScale = 0.5f;
    UpdateBattleCamera();
    EXPECT_EQ(g_CameraX != 0, c.moves) << int{c.paused} << " " << c.freeze << " " << c.slow << " " << c.frame;
    EXPECT_EQ(g_CameraDeltaX, g_CameraX);
    // Rebuilt on every counting update: a moving one also recomputes the scale.
    EXPECT_EQ(g_BattleCameraMatrix.m[0][0], c.moves ? 1.0f : 0.5f);
  }
}

TEST_F(BattleCamera, IsSlowMotionSkipFrame) {
  struct Case {
    int16_t slow;
    uint32_t frame;
    bool skip;
  } cases[] = {{0, 1, false}, {0, 3, false}, {5, 3, false}, {5, 4, true},
               {5, 5, true},  {5, 0, false}, {-1, 7, true}};
  for (const Case& c : cases) {
    g_SlowMotion = c.slow;
    g_BattleFrame = c.frame;
    EXPECT_EQ(IsSlowMotionSkipFrame(), c.skip) << c.slow << " " << c.frame;
  }
}

// Snap 1 recomputes the targets and jumps there; snap 2 jumps to the present targets.
TEST_F(BattleCamera, FixedZoomSnaps) {
  Fighters(-12800, 25600);
  SetFixedZoom(1);
  EXPECT_EQ(g_CameraZoom, kCameraMinZoom);
  EXPECT_EQ(g_CameraSnap, 1);
  UpdateBattleCamera();
  EXPECT_EQ(g_CameraX, 2560);  // straight onto the target, no glide
  EXPECT_EQ(g_CameraSnap, 0);
  EXPECT_EQ(g_CameraZoom, kCameraMinZoom);

  SetFixedZoom(7);
  EXPECT_EQ(g_CameraSnap, 2);
  g_CameraTargetX = 9000;
  const int32_t steady = g_ZoomSteadyFrames;
  UpdateBattleCamera();
  EXPECT_EQ(g_CameraX, 9000);
  EXPECT_EQ(g_ZoomSteadyFrames, steady + 1);  // the zoom update ran after the jump

  SetFixedZoom(0);
  EXPECT_EQ(g_CameraZoom, 1.0f);
  EXPECT_EQ(g_CameraTargetZoom, 1.0f);
  EXPECT_EQ(g_CameraSnap, 1);
}

// While held the targets and the zoom are kept (the override does not advance), and the camera
// glides to the old targets.
TEST_F(BattleCamera, HoldKeepsTheTargets) {
  Fighters(60000, 64000);
  g_CameraTargetX = 4000;
  StartZoomOverride(5, 5, 5, 0.5f);
  SetCameraHold(1);
  UpdateBattleCamera();
  EXPECT_EQ(g_CameraTargetX, 4000);
  EXPECT_EQ(g_CameraX, 1000);
  EXPECT_EQ(g_ZoomOverride.frame, 0);
  SetCameraHold(0);
  UpdateBattleCamera();
  EXPECT_EQ(g_CameraTargetX, 26624);
  EXPECT_EQ(g_ZoomOverride.frame, 1);
}

TEST_F(BattleCamera, ResetBattleCamera) {
  Fighters(60000, 64000, -50000, 0);
  StartZoomOverride(5, 5, 5, 0.5f);
  for (int i = 0; i < 10; ++i) UpdateBattleCamera();
  SetCameraHold(1);
  SetCameraFocus(1);
  SetCameraLock(0);
  g_CameraSnap = 2;
  BattleSeamResetBattleCamera();
  EXPECT_EQ(g_ZoomOverride.active, 0);
  for (int32_t v : {g_CameraX, g_CameraY, g_CameraTargetX, g_CameraTargetY, g_CameraSavedX, g_CameraSavedY,
                    g_CameraDeltaX, g_CameraDeltaY, g_ZoomSteadyFrames, g_CameraSnap})
    EXPECT_EQ(v, 0);
  EXPECT_EQ(g_CameraZoom, 1.0f);
  EXPECT_EQ(g_CameraScale, 1.0f);
  EXPECT_EQ(g_CameraTargetZoom, 1.0f);
  EXPECT_EQ(g_CameraFocus, 255);
  EXPECT_EQ(g_CameraHold, 0);
  EXPECT_EQ(g_CameraFollow[0], 0);  // the round start sets the follow flags, not this reset
  ResetBattleCameraForRound();
  for (uint8_t f : g_CameraFollow) EXPECT_EQ(f, 1);
}

// --- matrices ---------------------------------------------------------------------------------

void Project(const Han6Matrix& m, float x, float y, float z, float* sx, float* sy) {
  float out[4];
  TransformHan6Point(m, x, y, z, out);
  *sx = out[0] / out[3];
  *sy = out[1] / out[3];
}

void ExpectMatrix(const Han6Matrix& actual, const Han6Matrix& expected) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) EXPECT_EQ(actual.m[i][j], expected.m[i][j]) << i << "," << j;
}

TEST_F(BattleCamera, CameraMatrices) {
  PlaceCamera(12800, -6400);  // (100, -50) pixels
  g_CameraScale = 0.5f;
  BuildBattleCameraMatrices();
  // (p - camera) x s + (320, 432)
  float x, y;
  Project(g_BattleCameraMatrix, 200.0f, 100.0f, 0.0f, &x, &y);
  EXPECT_EQ(x, 370.0f);
  EXPECT_EQ(y, 507.0f);
  ExpectMatrix(g_CameraZoomMatrix, {{{0.5f, 0, 0, 0}, {0, 0.5f, 0, 0}, {0, 0, 1, 0}, {-50.0f, 25.0f, 0, 1}}});
  ExpectMatrix(g_BattleCameraMatrix,
               {{{0.5f, 0, 0, 0}, {0, 0.5f, 0, 0}, {0, 0, 1, 0}, {270.0f, 457.0f, 0, 1}}});
  Han6Matrix m;
  g_BattleDrawSeams.CameraMatrix(true, &m);
  ExpectMatrix(m, g_BattleCameraMatrix);
  g_BattleDrawSeams.CameraMatrix(false, &m);
  ExpectMatrix(m, {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {320, 432, 0, 1}}});
}

TEST_F(BattleCamera, PerspectiveMatrices) {
  BuildBattleCameraMatrices();
  const double p22 = 1.5696855771174902;  // cot 32.5 degrees
  const Han6Matrix& p = g_BattleProjection;
  EXPECT_NEAR(p.m[0][0], p22, 1e-6);
  EXPECT_NEAR(p.m[1][1], p22, 1e-6);
  EXPECT_NEAR(p.m[2][2], 1000.0 / 999.9, 1e-6);
  EXPECT_EQ(p.m[2][3], 1.0f);
  EXPECT_NEAR(p.m[3][2], -100.0 / 999.9, 1e-6);
  EXPECT_EQ(p.m[3][3], 0.0f);
  // The view steps back by the y scale, so a unit square at the origin fills the view.
  EXPECT_EQ(g_BattleViewMatrix.m[3][2], p.m[1][1]);
  float x, y;
  Project(MulHan6(g_BattleViewMatrix, g_BattleProjection), 1.0f, 1.0f, 0.0f, &x, &y);
  EXPECT_NEAR(x, 1.0, 1e-6);
  EXPECT_NEAR(y, 1.0, 1e-6);
  // The tilt view looks from +z: in the z = 0 plane x is mirrored, y kept, in pixels.
  Project(g_TiltMatrix, 256.0f, 128.0f, 0.0f, &x, &y);
  EXPECT_NEAR(x, -256.0, 1e-3);
  EXPECT_NEAR(y, 128.0, 1e-3);
  const double q22 = 1.3032253728412058;                // cot 37.5 degrees
  Project(g_TiltMatrix, 256.0f, 0.0f, 512.0f, &x, &y);  // half a unit toward the eye
  EXPECT_NEAR(x, -256.0 * q22 / (q22 - 0.5), 1e-2);
}

// The floor matrix lays a sprite placed at (x, y) on the floor: its ground line keeps its place,
// the rest is seen in perspective.
TEST_F(BattleCamera, FloorMatrix) {
  BuildBattleCameraMatrices();
  BuildFloorMatrix(300.0f, 0.0f);
  const Han6Matrix f = g_FloorMatrix;
  float x, y;
  Project(f, 364.0f, 0.0f, 0.0f, &x, &y);
  EXPECT_NEAR(x, 364.0, 1e-3);
  EXPECT_NEAR(y, 0.0, 1e-3);
  Project(f, 364.0f, -100.0f, 0.0f, &x, &y);
  EXPECT_NEAR(x, 300.0 + 64.0 * 1.5696855771174902 / (1.5696855771174902 - 100.0 / 640.0), 1e-3);
  EXPECT_NEAR(y, 0.0, 1e-3);
}

// --- the drawing half -------------------------------------------------------------------------

// The camera update runs in the drawing half whether or not anything is submitted; the story
// script's fixed height replaces it.
TEST_F(BattleCamera, DrawHalfRunsTheCamera) {
  Fighters(30000, 60000);
  const bool submit = g_BattleDrawSubmit;
  g_BattleDrawSubmit = false;
  DrawBattle();
  EXPECT_NE(g_CameraX, 0);
  EXPECT_EQ(g_CameraDeltaX, g_CameraX);
  const int32_t x = g_CameraX;
  g_StoryCameraY = -5120;
  DrawBattle();
  EXPECT_EQ(g_CameraX, x);
  EXPECT_EQ(g_CameraY, -5120);
  EXPECT_EQ(g_CameraDeltaX, 0);
  EXPECT_EQ(g_CameraDeltaY, 0);
  EXPECT_EQ(g_BattleCameraMatrix.m[3][1], 432.0f + 40.0f);
  g_BattleDrawSubmit = submit;
}

// --- seams and hash ---------------------------------------------------------------------------

TEST_F(BattleCamera, InstallFillsTheCameraRows) {
  const BattleSeams& s = g_BattleSeams;
  const void* rows[] = {
      reinterpret_cast<const void*>(s.SetupMatchCamera),
      reinterpret_cast<const void*>(s.CameraX),
      reinterpret_cast<const void*>(s.CameraY),
      reinterpret_cast<const void*>(s.ResetBattleCamera),
      reinterpret_cast<const void*>(s.SetFixedZoom),
      reinterpret_cast<const void*>(s.SetCameraHold),
      reinterpret_cast<const void*>(s.SetCameraFocus),
      reinterpret_cast<const void*>(s.SetCameraLock),
      reinterpret_cast<const void*>(s.StartZoomOverride),
      reinterpret_cast<const void*>(s.StopZoomOverride),
      reinterpret_cast<const void*>(s.CameraZoom),
      reinterpret_cast<const void*>(s.GetScreenEdge),
      reinterpret_cast<const void*>(s.CameraDeltaX),
      reinterpret_cast<const void*>(s.CameraDeltaY),
      reinterpret_cast<const void*>(s.CameraTargetX),
      reinterpret_cast<const void*>(s.HeldSpanEdgeCorrection),
      reinterpret_cast<const void*>(s.SetStageFixedZoom),
      reinterpret_cast<const void*>(s.UpdateBattleCamera),
      reinterpret_cast<const void*>(s.CameraScale),
      reinterpret_cast<const void*>(s.AutoFace),
      reinterpret_cast<const void*>(s.AutoFacing),
      reinterpret_cast<const void*>(s.FacePartner),
      reinterpret_cast<const void*>(g_BattleDrawSeams.CameraMatrix),
  };
  for (size_t i = 0; i < std::size(rows); ++i) EXPECT_NE(rows[i], nullptr) << i;
  // The stage background's scale is the camera's one scale.
  g_CameraScale = 0.75f;
  EXPECT_EQ(BattleSeamCameraScale(), 0.75f);
  g_CameraZoom = 0.875f;
  EXPECT_EQ(BattleSeamCameraZoom(), 0.875f);
  // Effect 18's switch is slot 0's follow flag.
  BattleSeamSetCameraLock(0);
  EXPECT_EQ(g_CameraFollow[0], 0);
  BattleSeamSetCameraLock(1);
  EXPECT_EQ(g_CameraFollow[0], 1);
  g_CameraScale = 0.5f;
  BattleSeamSetupMatchCamera();
  EXPECT_EQ(g_CameraScale, 1.0f);
}

TEST_F(BattleCamera, HashCoversEveryCameraWord) {
  const std::vector<std::pair<const char*, std::function<void()>>> changes = {
      {"x", [] { g_CameraX = 1; }},
      {"y", [] { g_CameraY = 1; }},
      {"target x", [] { g_CameraTargetX = 1; }},
      {"target y", [] { g_CameraTargetY = 1; }},
      {"saved x", [] { g_CameraSavedX = 1; }},
      {"saved y", [] { g_CameraSavedY = 1; }},
      {"delta x", [] { g_CameraDeltaX = 1; }},
      {"delta y", [] { g_CameraDeltaY = 1; }},
      {"zoom", [] { g_CameraZoom = std::nextafter(1.0f, 0.0f); }},
      {"target zoom", [] { g_CameraTargetZoom = 0.9f; }},
      {"scale", [] { g_CameraScale = 0.9f; }},
      {"steady", [] { g_ZoomSteadyFrames = 1; }},
      {"snap", [] { g_CameraSnap = 1; }},
      {"hold", [] { g_CameraHold = 1; }},
      {"focus", [] { g_CameraFocus = 1; }},
      {"follow 3", [] { g_CameraFollow[3] = 0; }},
      {"edge", [] { g_CameraEdge = 2; }},
      {"override active", [] { g_ZoomOverride.active = 1; }},
      {"override zoom", [] { g_ZoomOverride.zoom = 0.5f; }},
      {"override ramp in", [] { g_ZoomOverride.rampIn = 1; }},
      {"override hold", [] { g_ZoomOverride.hold = 1; }},
      {"override ramp out", [] { g_ZoomOverride.rampOut = 1; }},
      {"override frame", [] { g_ZoomOverride.frame = 1; }},
      {"override weight", [] { g_ZoomOverride.weight = -0.0f; }},  // by bit pattern
      {"fixed zoom on", [] { g_FixedZoomOn = 1; }},
      {"fixed zoom", [] { g_FixedZoom = 0.5f; }},
      {"sway", [] { g_StorySwayOn = 1; }},
      {"story height", [] { g_StoryCameraY = 1; }},
  };
  const uint64_t base = BattleStateHash();
  for (const auto& [name, change] : changes) {
    ResetBattleCameraState();
    change();
    EXPECT_NE(BattleStateHash(), base) << name;
  }
  ResetBattleCameraState();
  EXPECT_EQ(BattleStateHash(), base);
}

// --- facing -----------------------------------------------------------------------------------

struct FaceSetup {
  int32_t x[4];
  uint8_t facing[4];
  uint8_t inUse[4];
  uint8_t partnerState[4];
};

void Place(const FaceSetup& s) {
  for (int i = 0; i < 4; ++i) {
    if (!s.inUse[i]) continue;
    BattleObject& o = PlaceCharacter(i, nullptr, s.x[i], s.facing[i]);
    o.partnerState = s.partnerState[i];
  }
}

// Slot 0 (side 0) picks among slots 1 and 3 (side 1).
TEST_F(BattleCamera, AutoFacePicksTheNearest) {
  struct Case {
    const char* what;
    int32_t gameMode;
    FaceSetup s;
    int chosen;
    uint8_t wanted;
  } cases[] = {
      {"nearest", 0, {{0, 5000, 0, -3000}, {0, 1, 0, 1}, {1, 1, 0, 1}, {0, 0, 0, 0}}, 3, 1},
      {"equal: the one in front", 0, {{0, 3000, 0, -3000}, {0, 1, 0, 1}, {1, 1, 0, 1}, {0, 0, 0, 0}}, 1, 0},
      {"equal facing left: the one in front",
       0,
       {{0, 3000, 0, -3000}, {1, 1, 0, 1}, {1, 1, 0, 1}, {0, 0, 0, 0}},
       3,
       1},
      {"behind, nearer by 1024 outside four-player",
       0,
       {{0, 5000, 0, -3976}, {0, 1, 0, 1}, {1, 1, 0, 1}, {0, 0, 0, 0}},
       3,
       1},
      {"four-player: behind needs more than 1024",
       0x200,
       {{0, 5000, 0, -3976}, {0, 1, 0, 1}, {1, 1, 0, 1}, {0, 0, 0, 0}},
       1,
       0},
      {"four-player: behind by 1025",
       0x200,
       {{0, 5000, 0, -3975}, {0, 1, 0, 1}, {1, 1, 0, 1}, {0, 0, 0, 0}},
       3,
       1},
      {"four-player: an equal one in front replaces one behind",
       0x200,
       {{0, -5000, 0, 5000}, {0, 1, 0, 1}, {1, 1, 0, 1}, {0, 0, 0, 0}},
       3,
       0},
      {"a waiting partner does not count",
       0,
       {{0, 5000, 0, -3000}, {0, 1, 0, 1}, {1, 1, 0, 1}, {0, 0, 0, 1}},
       1,
       0},
      {"nobody", 0, {{0, 5000, 0, -3000}, {0, 1, 0, 1}, {1, 0, 0, 0}, {0, 0, 0, 0}}, -1, 0},
      {"beyond the start distance", 0, {{0, 3000000, 0, 0}, {0, 1, 0, 1}, {1, 1, 0, 0}, {0, 0, 0, 0}}, -1, 0},
  };
  for (const Case& c : cases) {
    ResetWorld();
    g_GameModeFlags = c.gameMode;
    Place(c.s);
    BattleObject& o = g_PlayerRecords[0].obj;
    EXPECT_EQ(AutoFace(o, 0), c.chosen) << c.what;
    EXPECT_EQ(o.wantedFacing, c.wanted) << c.what;
  }
}

// The offset lies in front of the chosen fighter; level with the object nothing changes.
TEST_F(BattleCamera, AutoFaceOffset) {
  struct Case {
    int32_t foeX;
    uint8_t foeFacing;
    int offset;
    uint8_t wantedBefore;
    uint8_t wanted;
  } cases[] = {
      {5000, 1, 0, 0, 0},  {5000, 1, 30, 0, 1},                        // 5000 - 7680 lies left of the object
      {5000, 0, 30, 0, 0}, {-5000, 0, 30, 1, 0}, {2560, 1, 10, 1, 1},  // exactly level: unchanged
      {2560, 1, 10, 0, 0},
  };
  for (const Case& c : cases) {
    ResetWorld();
    BattleObject& o = PlaceCharacter(0, nullptr, 0, c.wantedBefore);
    PlaceCharacter(1, nullptr, c.foeX, c.foeFacing);
    EXPECT_EQ(AutoFace(o, c.offset), 1);
    EXPECT_EQ(o.wantedFacing, c.wanted) << c.foeX << " " << c.offset;
  }
}

// The turn mark is set only on the step a turn first shows.
TEST_F(BattleCamera, AutoFaceMarksOnlyANewTurn) {
  BattleObject& o = PlaceCharacter(0, nullptr, 0, 0);
  BattleObject& foe = PlaceCharacter(1, nullptr, -5000, 1);
  BattleSeamAutoFacing(&o);
  EXPECT_EQ(o.wantedFacing, 1);
  EXPECT_EQ(o.turnMark, 1);
  o.turnMark = 2;  // the history took it
  BattleSeamAutoFacing(&o);
  EXPECT_EQ(o.turnMark, 2);  // still turning: not new
  o.facing = 1;
  o.turnMark = 0;
  BattleSeamAutoFacing(&o);
  EXPECT_EQ(o.turnMark, 0);  // facing agrees
  foe.posX = 5000;
  BattleSeamAutoFacing(&o);
  EXPECT_EQ(o.wantedFacing, 0);
  EXPECT_EQ(o.turnMark, 1);
}

TEST_F(BattleCamera, FacePartner) {
  struct Case {
    int32_t partnerX;
    uint8_t wanted;
    uint8_t mark;
  } cases[] = {{-65536, 1, 1}, {-65537, 0, 0}, {65536, 0, 0}, {0, 0, 0}, {-100, 1, 1}};
  for (const Case& c : cases) {
    ResetWorld();
    BattleObject& o = PlaceCharacter(0, nullptr, 0, 0);
    BattleObject& p = PlaceCharacter(2, nullptr, c.partnerX, 0);
    o.partner = &p;
    FacePartner(o);
    EXPECT_EQ(o.wantedFacing, c.wanted) << c.partnerX;
    EXPECT_EQ(o.turnMark, c.mark) << c.partnerX;
  }
  // Without a partner nothing turns.
  ResetWorld();
  BattleObject& o = PlaceCharacter(0, nullptr, 0, 0);
  PlaceCharacter(1, nullptr, -5000, 1);
  FacePartner(o);
  EXPECT_EQ(o.wantedFacing, 0);
}

}  // namespace
