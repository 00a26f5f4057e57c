// Shared by the boot and title tests: the scene harness on the recording device with the movie
// clock set from the frame count, and the pictures and movies those scenes read, written into the
// test's working directory.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "Dxtools/Dshowtool/Dshowtool.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "app/save_data.h"
#include "platform/image.h"
#include "platform/movie/movie_writer.h"
#include "platform/window_events.h"
#include "scene/scene_harness.h"

namespace boot_title_test {

inline void WritePicture(const std::string& path, int w, int h, uint32_t argb) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::vector<uint8_t> bgra(static_cast<size_t>(w) * h * 4);
  for (size_t i = 0; i < bgra.size(); i += 4) std::memcpy(&bgra[i], &argb, 4);
  ASSERT_TRUE(vt::image::SaveImage(path, vt::image::kFilePng, bgra.data(), w, h));
}

inline void WriteMovie(const std::string& path, double seconds) {
  vt::movie::MovieRecipe recipe;
  recipe.width = 64;
  recipe.height = 48;
  recipe.fps = 25;
  recipe.seconds = seconds;
  recipe.sound = false;
  recipe.paint = [](int n, uint8_t* rgb) { std::memset(rgb, 16 + (n % 200), 64 * 48 * 3); };
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  ASSERT_TRUE(vt::movie::WriteMpegMovie(path, recipe));
}

// Commands queued at a priority of the main list, first queued first.
inline std::vector<const GrpDrawCommand*> Queued(int priority) {
  std::vector<const GrpDrawCommand*> out;
  const GrpDrawCommand* head = &g_MainDrawList.slots[priority];
  for (const GrpDrawCommand* c = head->next; c && c->kind != kDrawKindHead; c = c->next) out.push_back(c);
  return {out.rbegin(), out.rend()};
}

inline uint32_t Alpha(const GrpDrawCommand* c) { return c->v[0].diffuse >> 24; }

// The harness with the movie clock following the frames run (1/60 s a frame).
class HarnessTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::memset(&config_, 0, sizeof config_);
    FillDefaultGameData(config_);
    g_GameData = &config_;
    SetMovieClock([this] { return static_cast<int64_t>(harness_.framesRun()) * 1000000000 / 60; });
  }
  void TearDown() override {
    harness_.Stop();
    ReleaseMovie();
    SetMovieClock({});
    vt::platform::RunWindowThreadCalls();
    g_GameData = nullptr;
  }
  bool Start(int firstScene = 0) {
    SceneHarnessOptions o;
    o.firstScene = firstScene;
    return harness_.Start(o);
  }
  // Runs frames until the scene id is `id` (at most `limit`); the frames run.
  int RunUntilScene(int id, int limit) {
    for (int i = 0; i < limit; ++i)
      if (harness_.RunFrame().sceneId == id) return i + 1;
    return -1;
  }
  // Frame with player 1's decide button pressed.
  static ScenePadFrame Press() {
    ScenePadFrame f;
    f.buttons[0] = 2;
    return f;
  }

  SceneHarness harness_;
  GameData config_{};
};

}  // namespace boot_title_test
