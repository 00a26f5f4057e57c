// The sample stages run headless on the recording device: two runs give the same per-frame stage
// hash and end on the recorded hash (so optimised and sanitizer builds agree), and the sample list
// holds the stages it should.
#include "scene/stage_driver.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "Dxtools/gfx_test_env.h"
#include "app/lib_debug.h"
#include "scene/stage_hashes.h"

namespace vt::test {
namespace {

class StageDriverHeadless : public RecordingGfx {
 protected:
  void SetUp() override {
    RecordingGfx::SetUp();
    vt::SetDebugQuiet(true);
    StageDriver::CopySample();
  }
  void TearDown() override {
    StageDriver::Stop();
    vt::SetDebugQuiet(false);
    RecordingGfx::TearDown();
  }
};

TEST_F(StageDriverHeadless, SampleList) {
  ASSERT_EQ(LoadBgList(), 1);
  for (int s : {1, 2, 3}) EXPECT_NE(g_StageList[s], nullptr) << s;
  EXPECT_EQ(g_StageList[4], nullptr) << "its data file is missing";
  EXPECT_EQ(g_StageList[3]->IsGiantStage, 1);
  int32_t stage = 0;
  uint8_t copy = 0;
  for (int i = 0; i < 20; ++i) {
    PickRandomStage(VersusStageExcludeList, &stage, &copy);
    EXPECT_TRUE(stage == 1 || stage == 2) << stage;
  }
}

TEST_F(StageDriverHeadless, TwoRunsAgreeAndEndOnTheRecordedHash) {
  for (int stage = 1; stage <= 3; ++stage) {
    SCOPED_TRACE(stage);
    const std::vector<uint64_t> a = StageDriver::Run(stage, kStageHashFrames, false);
    const std::vector<uint64_t> b = StageDriver::Run(stage, kStageHashFrames, false);
    ASSERT_EQ(a.size(), static_cast<size_t>(kStageHashFrames));
    EXPECT_EQ(a, b);
    std::printf("stage %d final hash 0x%016llxull\n", stage, static_cast<unsigned long long>(a.back()));
    EXPECT_EQ(a.back(), kStageFinalHash[stage - 1]);
  }
}

}  // namespace
}  // namespace vt::test
