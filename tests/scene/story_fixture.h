// Shared fixture of the story tests: the scene words reset, a recording device with the main draw
// list, the story state ended before and after, and a driver that runs the interpreter frame by
// frame with scripted input.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/GrpManager/grp_frame_targets.h"
#include "scene/scene_fixture.h"
#include "scene/staff_roll.h"
#include "scene/story_script.h"

namespace story_test {

class StoryTest : public scene_test::SceneTest {
 protected:
  void SetUp() override {
    scene_test::SceneTest::SetUp();
    ASSERT_EQ(InitD3DTools(), 1);
    DeviceRequest req;
    req.width = 640;
    req.height = 480;
    ASSERT_EQ(CreateD3DDevice(req), 1);
    ASSERT_TRUE(vt::gfx::MakeDeviceCurrentOnThisThread());
    InitGrpManager();
    ResetDrawList(&g_MainDrawList);
    EndStoryScript();
    g_StoryKind = STORY_NONE;
    g_SceneId = SCENE_STORY;
  }
  void TearDown() override {
    EndStoryScript();
    StaffRollRelease();
    ResetDrawList(&g_MainDrawList);
    FreeFrameRenderTargets();
    ShutdownGrpManager();
    ShutdownD3DTools();
    scene_test::SceneTest::TearDown();
  }

  static StoryInput Active() {
    StoryInput in;
    in.active = 1;
    return in;
  }
  // One frame with the given input; the draw list is emptied as a frame's presentation does.
  static int Frame(StoryInput in = Active()) {
    const int r = RunStoryScript(in);
    ResetDrawList(&g_MainDrawList);
    return r;
  }
  // Frames until the result is not 1 (or the limit); the number of frames run.
  static int RunUntilEnd(int limit, int* result, StoryInput in = Active()) {
    for (int f = 1; f <= limit; ++f) {
      *result = Frame(in);
      if (*result != kStoryRunning) return f;
    }
    return -1;
  }
  static StoryScriptState& S() { return GetStoryState(); }
};

}  // namespace story_test
