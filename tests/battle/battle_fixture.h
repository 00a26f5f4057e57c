// Shared fixtures of the battle tests: an in-memory frame-data builder, one reset of every
// battle global and seam, and a call recorder for the seams.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "Dxtools/GrpManager/grp_draw_list.h"
#include "FilePacFunc/FilePac.h"
#include "app/lib_debug.h"
#include "app/random.h"
#include "battle/battle_camera.h"
#include "battle/battle_harness.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/battle_tables.h"

namespace battle_test {

// A box of frame data in frame pixels (as the sample data's builder writes them).
struct BoxDef {
  int x1, y1, x2, y2;
};

struct FrameDef {
  uint16_t duration = 1;
  uint8_t endAction = 1;
  int16_t jump = 0;
  uint8_t flow = 0;
  int16_t landing = 0;
  int16_t loopCount = 0;
  int16_t loopExit = 0;
  uint8_t stance = 0;
  uint8_t free = 0;
  std::optional<Han6Motion> motion;
  int32_t asf0 = 0;
  int16_t asmx = 0;
  int16_t sprite = 0;
  int16_t spriteKind = 1;  // not a cut sprite: offsets are not doubled
  int16_t priority = 0;
  bool pushBox = false;
  bool noState = false;
  uint8_t asys = 0;  // invulnerability class
  uint8_t asaa = 0;  // hits of the attack
  // Box slots 0..11 (slot 0 pushes, 1..8 are hurt, 9 shields, 11 clashes); an empty entry is a
  // null slot. When given, they replace the push box above.
  std::vector<std::optional<BoxDef>> boxes;
  std::vector<std::optional<BoxDef>> attack;  // attack boxes, null entries allowed
  std::optional<Han6AttackData> hit;
  std::vector<Han6Effect> effects;
  std::vector<Han6Condition> conditions;
};

class TestFrameData {
 public:
  TestFrameData() { set_.patterns = &patterns_; }
  Han6Pattern& Pattern(int number, const std::vector<FrameDef>& frames) {
    auto p = std::make_unique<Han6Pattern>();
    for (const FrameDef& d : frames) {
      Han6Frame f;
      f.spriteIndex = d.sprite;
      f.spriteKind = d.spriteKind;
      f.duration = d.duration;
      f.endAction = d.endAction;
      f.flowFlags = d.flow;
      f.jumpTarget = d.jump;
      f.landingTarget = d.landing;
      f.loopCount = d.loopCount;
      f.loopExitTarget = d.loopExit;
      f.priority = d.priority;
      if (!d.noState) {
        Han6FrameState st;
        st.stance = d.stance;
        st.asmv = d.free;
        st.motion = d.motion;
        st.asf0 = d.asf0;
        st.asmx = d.asmx;
        st.asys = d.asys;
        st.asaa = d.asaa;
        p->statePool.push_back(st);
        f.state = &p->statePool.back();
      }
      for (const Han6Effect& e : d.effects) {
        p->effectPool.push_back(e);
        f.effects.push_back(&p->effectPool.back());
      }
      f.effectCount = static_cast<uint8_t>(f.effects.size());
      for (const Han6Condition& c : d.conditions) {
        p->conditionPool.push_back(c);
        f.conditions.push_back(&p->conditionPool.back());
      }
      f.conditionCount = static_cast<uint8_t>(f.conditions.size());
      auto box = [&](const std::optional<BoxDef>& b) -> Han6Box* {
        if (!b) return nullptr;
        return &p->boxPool.emplace_back(Han6Box{static_cast<int16_t>(b->x1), static_cast<int16_t>(b->y1),
                                                static_cast<int16_t>(b->x2), static_cast<int16_t>(b->y2)});
      };
      if (!d.boxes.empty()) {
        for (const auto& b : d.boxes) f.boxes.push_back(box(b));
        f.boxCount = static_cast<uint8_t>(f.boxes.size());
      } else if (d.pushBox) {
        f.boxes.push_back(box(BoxDef{-20, -100, 20, 0}));
        f.boxCount = 1;
      }
      for (const auto& b : d.attack) f.attackBoxes.push_back(box(b));
      f.attackBoxCount = static_cast<uint8_t>(f.attackBoxes.size());
      if (d.hit) f.attack = &p->attackPool.emplace_back(*d.hit);
      p->frames.push_back(std::move(f));
    }
    Han6Pattern& ref = *p;
    patterns_.patterns[static_cast<size_t>(number)] = std::move(p);
    return ref;
  }
  FrameDataSet* Set() { return &set_; }

 private:
  Han6PatternSet patterns_;
  FrameDataSet set_;
};

// A hit-vector table with the six recovery vectors (90 up, 91 back, 92 forward, 93-95 the air
// recoveries forward, neutral and back), each starting pattern 100 + its kind.
inline constexpr const char* kRecoveryVectors =
    "0 0 0 0 0\r\n1 300 -200 10 20\r\nEND\r\n"
    "90 up 1 0 0 0 0\r\n1 100 100 5 0 0\r\n"
    "91 back 1 0 0 0 0\r\n1 101 101 5 0 0\r\n"
    "92 fwd 1 0 0 0 0\r\n1 102 102 5 0 0\r\n"
    "93 airf 1 0 0 0 0\r\n1 103 103 5 0 0\r\n"
    "94 airn 1 0 0 0 0\r\n1 104 104 5 0 0\r\n"
    "95 airb 1 0 0 0 0\r\n1 105 105 5 0 0\r\n"
    "END\r\n1 1 1 1 1 1 1\r\n640\r\n1280\r\n";

inline Han6Motion Motion(uint8_t flags, int16_t vx, int16_t vy, int16_t ax, int16_t ay) {
  Han6Motion m;
  m.flags = flags;
  m.velocityX = vx;
  m.velocityY = vy;
  m.accelerationX = ax;
  m.accelerationY = ay;
  return m;
}

inline Han6Effect Effect(int type, int number, std::initializer_list<int32_t> params = {}) {
  Han6Effect e;
  e.type = type;
  e.number = number;
  int i = 0;
  for (int32_t v : params) e.params[i++] = v;
  return e;
}

// The calls the seams received, in order.
inline std::vector<std::string>& SeamCalls() {
  static std::vector<std::string> calls;
  return calls;
}

// Resets every battle global, the seams and the tables, and seeds the random streams.
inline void ResetWorld() {
  // Draws a test queued with no device to run them would otherwise outlive it.
  ResetDrawCommandPool(&g_MainDrawList);
  ResetAllBattleGlobals();
  ResetBattleSeams();
  SeamCalls().clear();
  g_VectorTables = VectorTables{};
  for (TypeParams& t : g_TypeParams) t = TypeParams{};
  SeedRandomGeneratorsFrom(12345);
  g_RandDrawCount = 0;
}

// Puts a character in slot i playing the given frame data, standing at x.
inline BattleObject& PlaceCharacter(int i, FrameDataSet* data, int32_t x, int facing = 0) {
  PlayerRecord& r = g_PlayerRecords[i];
  r.obj.playerIndex = static_cast<uint8_t>(i);
  r.obj.frameData = data;
  r.obj.life = r.obj.redLife = kMaxLife;
  InitPlayerRecord(r, i & 1, x, facing);
  return r.obj;
}

// Puts the battle camera at (x, y), standing still there: its point, the point before the shake
// and its targets.
inline void PlaceCamera(int32_t x, int32_t y) {
  g_CameraX = g_CameraSavedX = g_CameraTargetX = x;
  g_CameraY = g_CameraSavedY = g_CameraTargetY = y;
}

// The camera at a chosen point: the camera seams answer it until the next reset.
inline int32_t& TestCameraPoint(int axis) {
  static int32_t point[2] = {};
  return point[axis];
}
inline void SetCamera(int32_t x, int32_t y) {
  TestCameraPoint(0) = x;
  TestCameraPoint(1) = y;
  g_BattleSeams.CameraX = [] { return TestCameraPoint(0); };
  g_BattleSeams.CameraY = [] { return TestCameraPoint(1); };
}

class BattleTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetWorld(); }
  void TearDown() override { ResetWorld(); }
};

// The names of the object fields that differ between two objects (for tests asserting that
// exactly the documented fields change).
using Fields = std::set<std::string>;
inline Fields Changed(const BattleObject& a, const BattleObject& b) {
  Fields out;
#define VT_CMP_FIELD(type, name) \
  if (std::memcmp(&a.name, &b.name, sizeof a.name) != 0) out.insert(#name);
#define VT_CMP_ARRAY(type, name, n) VT_CMP_FIELD(type, name)
  BATTLE_OBJECT_FIELDS(VT_CMP_FIELD, VT_CMP_ARRAY, VT_CMP_FIELD, VT_CMP_ARRAY)
#undef VT_CMP_FIELD
#undef VT_CMP_ARRAY
  return out;
}

// Copies what the harness reads of the sample game folder into the test's working directory:
// the data folder, the character list it picks its characters from and the finish list.
inline void CopyHarnessSampleData() {
  namespace fs = std::filesystem;
  fs::copy(fs::path(VT_SAMPLE_DIR) / "data", "data",
           fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  fs::copy_file(fs::path(VT_SAMPLE_DIR) / "charaselect.txt", "charaselect.txt",
                fs::copy_options::overwrite_existing);
  fs::copy_file(fs::path(VT_SAMPLE_DIR) / "_FinishList.txt", "_FinishList.txt",
                fs::copy_options::overwrite_existing);
}

// Points the character list at the two generated sample characters, "tester" (0) and
// "duelist" (1), and decides sides 0 and 1 for them.
inline void UseTwoSampleCharacters() {
  g_BattleSeams.CharaListCount = [] { return 2; };
  g_BattleSeams.CharaListFiles = [](int index, std::string* f1, std::string* f2) {
    if (index < 0 || index > 1) return 0;
    *f1 = index == 0 ? "tester" : "duelist";
    *f2 = "0";
    return 1;
  };
  for (int i = 0; i < 2; ++i) {
    PlayerSelection& s = g_PlayerSelections[i];
    s = PlayerSelection{};
    s.character = i;
    s.side = i;
    s.decided = 1;
  }
}

// Tests that run the harness on the sample game folder: the folder copied in, the debug log
// quiet, and the harness released after each test.
class HarnessSampleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CopyHarnessSampleData();
    vt::SetDebugQuiet(true);
  }
  void TearDown() override {
    HarnessRelease();
    vt::SetDebugQuiet(false);
  }
};

// The same with the sample folder's first pack mounted, as the game mounts its packs before the
// disk is read.
class HarnessSamplePackTest : public HarnessSampleTest {
 protected:
  void SetUp() override {
    HarnessSampleTest::SetUp();
    std::filesystem::copy_file(std::filesystem::path(VT_SAMPLE_DIR) / "0000.p", "0000.p",
                               std::filesystem::copy_options::overwrite_existing);
    ASSERT_EQ(MountPack("0000.p"), 1);
  }
  void TearDown() override {
    GetPackList().Clear();
    HarnessSampleTest::TearDown();
  }
};

// Runs this test program again as a second process with only `childTest` selected and the
// environment variable `envVar` naming a file, where the child writes one hexadecimal hash a
// line; gives the hashes read back (empty when the child failed).
inline std::vector<uint64_t> HashesFromAnotherProcess(const std::string& childTest,
                                                      const std::string& envVar) {
  const std::string file = (std::filesystem::current_path() / (envVar + ".txt")).string();
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  const std::string cmd =
      envVar + "='" + file + "' '" + self + "' --gtest_filter=" + childTest + " > /dev/null 2>&1";
  std::vector<uint64_t> hashes;
  if (std::system(cmd.c_str()) != 0) return hashes;
  std::ifstream in(file);
  std::string line;
  while (std::getline(in, line)) hashes.push_back(std::stoull(line, nullptr, 16));
  return hashes;
}

}  // namespace battle_test
