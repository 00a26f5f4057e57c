// The battle scene on the offscreen GL device: matches run through the game's logic frame
// on the scene harness, rendered into the scene targets and presented letterboxed every frame,
// give the same per-frame scene, battle and stage reports as the same matches headless on the
// recording device without queueing: the scripted versus match, versus CPU and CPU against CPU.
// A picture of the fight over the stage is written where VT_SCENE_SHOTS names a folder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "battle/battle_gl_shots.h"
#include "scene/match_fixture.h"

namespace {

using match_test::MatchRun;
using match_test::RunOptions;

struct Row {
  const char* name;
  void (*starter)(int side);
  uint8_t controllers[2];
  int character1;
  int shotFrame;  // -1: no picture
  int frames;     // rendered frames
};
// A whole match rendered costs minutes of CPU on llvmpipe, too much for a test machine of two
// cores: the scripted match renders its first round, its KO and winner calls and the next round's
// call; the CPU rows their first 1500 frames. The whole matches are rendered against headless at
// the battle's own level, and run twice alike through the scene headless.
const Row kRows[] = {
    {"VersusPlayer", nullptr, {0, 0}, match_test::kDuelist, 700, 2600},
    {"VersusCpu", StartVsCpu, {0, 1}, match_test::kDuelist, -1, 1500},
    {"CpuAgainstCpu", StartCpuVsCpu, {1, 1}, match_test::kTester, -1, 1500},
};

// One test per match: a rendered match runs for minutes on llvmpipe.
class SceneBattleGl : public match_test::DrivenMatchTest, public ::testing::WithParamInterface<Row> {};

TEST_P(SceneBattleGl, RenderedMatchReportsAsHeadless) {
  const Row& row = GetParam();
  DrivenMatchSetup setup = VersusSetup(match_test::kDuelist, row.character1);
  setup.starter = row.starter;
  for (int i = 0; i < 2; ++i) setup.sides[i].controller = row.controllers[i];
  std::vector<uint8_t> picture;
  RunOptions rendered;
  rendered.budget = row.frames;
  rendered.gl = true;
  rendered.submit = true;
  rendered.afterFrame = [&](int frame, const DrivenFrame&) {
    if (frame == row.shotFrame) picture = battle_test::ReadSceneTarget(640, 480);
  };
  const MatchRun gl = RunMatch(HarnessScriptedMatch(), setup, rendered);
  RunOptions plain;
  plain.budget = rendered.budget;
  const MatchRun headless = RunMatch(HarnessScriptedMatch(), setup, plain);
  ASSERT_TRUE(gl.started && headless.started);
  EXPECT_EQ(gl.result.route, headless.result.route);
  ExpectSameFrames(gl, headless);
  if (row.shotFrame < 0) return;
  ASSERT_FALSE(picture.empty());
  battle_test::SaveBattleShot(picture, 640, 480, "fight_over_stage", "VT_SCENE_SHOTS");
  // The stage fills the picture: no pixel of the cleared black at the centre of the sky.
  const size_t centre = (static_cast<size_t>(120) * 640 + 320) * 4;
  EXPECT_NE(picture[centre] | picture[centre + 1] | picture[centre + 2], 0);
}

INSTANTIATE_TEST_SUITE_P(Matches, SceneBattleGl, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
