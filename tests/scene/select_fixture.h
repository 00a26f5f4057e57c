// Shared fixture of the character select tests: the sample folder's data in the working folder,
// the character and stage lists loaded, a mode started as the main menu starts it and the select
// entered on the scene harness, and pad scripts of taps and presses per player.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "app/file_loader.h"
#include "app/input/net_input_link.h"
#include "app/lib_debug.h"
#include "battle/battle_fixture.h"
#include "battle/battle_harness.h"
#include "battle/battle_records.h"
#include "battle/chara_list.h"
#include "battle/round_flow.h"
#include "scene/chara_select.h"
#include "scene/online_mode_manager.h"
#include "scene/online_standins.h"
#include "scene/scene_fixture.h"
#include "scene/scene_harness.h"
#include "scene/select_screen.h"
#include "scene/stage_bg.h"
#include "scene/stage_select.h"

namespace select_test {

constexpr uint32_t kDecide = 0x2;  // the pad button the default key settings give menu button 0
constexpr uint32_t kCancel = 0x4;  // and menu button 1
// Frames a confirmation keeps its player out (a lock of 30 passed twice a frame), and one more.
constexpr int kLockFrames = 17;

// A pad script: each step is one frame.
struct Script {
  std::vector<ScenePadFrame> frames;
  Script& Wait(int n) {
    frames.resize(frames.size() + static_cast<size_t>(n));
    return *this;
  }
  Script& Dir(uint8_t d, int player = 0) {
    ScenePadFrame f;
    f.dir[player] = d;
    frames.push_back(f);
    return Wait(1);
  }
  Script& Press(uint32_t buttons, int player = 0) {
    ScenePadFrame f;
    f.buttons[player] = buttons;
    frames.push_back(f);
    return Wait(1);
  }
  // A decision and the frames its lock keeps the player out.
  Script& Decide(int player = 0) { return Press(kDecide, player).Wait(kLockFrames); }
  // Character, style and colour of one side, each confirmed on what is under the cursor.
  Script& WholeSide(int player = 0) { return Decide(player).Decide(player).Decide(player); }
};

// The fight after a road: side 0 closes in and attacks; the other side stands (or is the CPU's).
inline HarnessScript SideZeroAttacks() {
  return [](uint32_t frame, int side) {
    HarnessPad pad;
    if (g_CommandLock != 0 || g_JudgeState != 0 || g_BattlePhase != 255 || side == 1) return pad;
    const int64_t dx = int64_t{g_PlayerRecords[1].obj.posX} - g_PlayerRecords[0].obj.posX;
    if (dx > 64 * 128 || dx < -64 * 128)
      pad.dir = dx > 0 ? 6 : 4;
    else if (frame % 24 < 2)
      pad.buttons = 0x4;
    return pad;
  };
}

inline void CopySampleFolders() {
  namespace fs = std::filesystem;
  battle_test::CopyHarnessSampleData();
  for (const char* folder : {"Bg", "Shader", "grp", "apm_com", "Information", "story"})
    if (!fs::exists(folder) && fs::exists(fs::path(VT_SAMPLE_DIR) / folder))
      fs::copy(fs::path(VT_SAMPLE_DIR) / folder, folder, fs::copy_options::recursive);
}

inline void LoadSelectLists() {
  if (const DataBuffer list = LoadDataFile(".\\charaselect.txt")) LoadCharaSelectList(list.text());
  LoadBgList();
}

// The side pass sees the grid ready on the frame after the screen reported it; false when the
// grid never took input.
inline bool RunUntilGridReady(SceneHarness& h) {
  for (int i = 0; i < 600; ++i) {
    if (g_SceneId == SCENE_CHARA_SELECT && g_SceneEnter == 0 && g_SelectGridReady) {
      h.RunFrame(ScenePadFrame{});
      return true;
    }
    h.RunFrame(ScenePadFrame{});
  }
  return false;
}

inline void Play(SceneHarness& h, const Script& s, int extra = 0) {
  h.SetPads(s.frames);
  h.Run(static_cast<int>(s.frames.size()) + extra);
}

// Runs neutral frames until the stage panel has slid in. The screen slides it as it draws the
// stage select; a screen that does not draw it yet leaves it out, and the panel is then put in
// place here as the screen would.
inline void WaitForStagePanel(SceneHarness& h) {
  for (int i = 0; i < 120 && g_StageSelect.panel != 0.0f; ++i) h.RunFrame(ScenePadFrame{});
  if (g_StageSelect.panel != 0.0f) g_StageSelect.panel = 0.0f;
}

// Runs neutral frames until the scene leaves the select (or the budget runs out).
inline int RunUntilSceneLeaves(SceneHarness& h, int budget = 200) {
  for (int i = 0; i < budget && g_SceneId == SCENE_CHARA_SELECT; ++i) h.RunFrame(ScenePadFrame{});
  return g_SceneId;
}

class SelectTest : public scene_test::SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    CopySampleFolders();
    vt::SetDebugQuiet(true);
  }
  void TearDown() override {
    harness_.Stop();
    GetCharaSelectScene().SetMessageWindows(nullptr);
    GetCharaSelectScene().SetSessionClose(nullptr);
    SetNetCtrl(nullptr);
    SetOnlineModeManager(nullptr);
    SetNetInputLink(nullptr);
    vt::SetDebugQuiet(false);
    SceneTest::TearDown();
  }

  // Starts the harness, loads the lists, runs `setUp` (a mode starter and the test's own words)
  // and enters the select; then runs until the grid takes input.
  void Enter(void (*starter)(int), int side = 0, void (*setUp)() = nullptr) {
    SceneHarnessOptions o;
    o.gl = gl_;
    ASSERT_TRUE(harness_.Start(o));
    LoadSelectLists();
    if (starter != nullptr) starter(side);
    if (setUp != nullptr) setUp();
    ChangeScene(SCENE_CHARA_SELECT);
    RunUntilGridReady();
  }
  void RunUntilGridReady() {
    ASSERT_TRUE(select_test::RunUntilGridReady(harness_)) << "the grid never took input";
  }
  void Play(const Script& s, int extra = 0) { select_test::Play(harness_, s, extra); }
  void WaitForStagePanel() { select_test::WaitForStagePanel(harness_); }
  int RunUntilSceneLeaves(int budget = 200) { return select_test::RunUntilSceneLeaves(harness_, budget); }
  static CSceneCharaSelect& Scene() { return GetCharaSelectScene(); }
  static CharaSelectSide& Side(int s) { return g_CharaSelectSides[s]; }

  SceneHarness harness_;
  bool gl_ = false;
};

}  // namespace select_test
