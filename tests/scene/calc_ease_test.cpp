// The easing curves at their ends and their middle.
#include "scene/calc_ease.h"

#include <gtest/gtest.h>

namespace {

struct EaseCase {
  int mode;
  float t, expected;
};

class CalcEaseTest : public testing::TestWithParam<EaseCase> {};

TEST_P(CalcEaseTest, GivesTheCurveValue) {
  EXPECT_FLOAT_EQ(CalcEase(GetParam().mode, GetParam().t), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Curves, CalcEaseTest,
                         testing::Values(EaseCase{0, 0.5f, 0.5f}, EaseCase{1, 0.5f, 0.75f},
                                         EaseCase{2, 0.5f, 0.25f}, EaseCase{3, 0.5f, 0.5f},
                                         EaseCase{4, 0.5f, 0.5f}, EaseCase{3, 0.25f, 0.125f},
                                         EaseCase{3, 0.75f, 0.875f}, EaseCase{4, 0.25f, 0.375f},
                                         EaseCase{4, 0.75f, 0.625f}, EaseCase{1, 0.0f, 0.0f},
                                         EaseCase{1, 1.0f, 1.0f}, EaseCase{3, 1.0f, 1.0f},
                                         EaseCase{4, 1.0f, 1.0f}, EaseCase{7, 0.3f, 0.3f}));

}  // namespace
