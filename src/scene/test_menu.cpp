// The test menu (scene 50) and its screens. Each screen keeps what it loads in its own record
// here and frees it when it ends, when it is set up anew, and when the scene is left by anyone
// (the leave hook), so nothing stays loaded after scene 50.
#include "scene/test_menu.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <numbers>

#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/Text/system_font.h"
#include "Sound/soundproc.h"
#include "app/input/app_joystick.h"
#include "app/input/input_manager.h"
#include "app/random.h"
#include "battle/round_calls.h"
#include "battle/round_flow.h"
#include "scene/call_overlays.h"
#include "scene/next_stage_map.h"
#include "scene/scene_frame.h"
#include "scene/staff_roll.h"
#include "scene/story_draw.h"
#include "scene/story_script.h"
#include "scene/vs_presentation.h"

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kStep = 1.0f / 60.0f;
constexpr uint32_t kTeal = 0xFF008080;

TestMenuState g_State;

// ---- shared pieces ----

struct MenuInput {
  int dir = 0;
  uint32_t pressed = 0;
  uint32_t held = 0;
};

MenuInput ReadMenuInput() {
  MenuInput in;
  if (g_AppJoystick) g_AppJoystick->GetAllPlayersMenuInput(&in.dir, &in.pressed, &in.held, 0);
  return in;
}
bool Pressed(const MenuInput& in, int button) { return (in.pressed >> button) & 1u; }

void Release(TextureHandle*& t) {
  FreeTexture(t);
  t = nullptr;
}

void FullScreen(TextureHandle* t, uint32_t colour, int priority) {
  if (t) DrawSprite(&g_MainDrawList, t, 0, 0, 640, 480, 0, 0, 640, 480, colour, 0, priority);
}

void TealBackground() { DrawRect(nullptr, 0, 0, 640, 480, kTeal, kTeal, kTeal, kTeal, 0); }

struct Mouse {
  float x = 0.0f, y = 0.0f;
};
Mouse ReadMouse() {
  Mouse m;
  GetMousePicturePosition(&m.x, &m.y);
  return m;
}

// The common ending rules: button 2 sets the screen up anew next frame; the end button frees
// what the screen loaded and, unless a restart is pending, goes back to the menu. True when the
// screen ended this frame (nothing more is drawn).
bool HandleEnd(const MenuInput& in, int endButton, void (*free)()) {
  if (Pressed(in, 2)) g_State.restart = 1;
  if (!Pressed(in, endButton)) return false;
  free();
  if (g_State.restart == 0) {
    g_State.runningId = 0;
    g_State.restart = 1;
  }
  return true;
}

// ---- "StaffRoll" ----

bool g_StaffRollLoaded = false;
void FreeStaffRollTest() {
  if (g_StaffRollLoaded) StaffRollRelease();
  g_StaffRollLoaded = false;
}
void TestStaffRoll() {
  if (g_State.restart) {
    FreeStaffRollTest();
    StaffRollReset();
    StaffRollLoad();
    g_StaffRollLoaded = true;
    g_State.restart = 0;
  }
  const MenuInput in = ReadMenuInput();
  if (HandleEnd(in, 1, FreeStaffRollTest)) return;
  int32_t word = 0;
  if ((in.held >> 3) & 1u) word |= static_cast<int32_t>(0x80000000u);
  if (Pressed(in, 0)) word |= 1;
  GetStaffRoll().input = word;
  StaffRollUpdate();
  StaffRollDraw();
}

// ---- "NextStage" ----

bool g_NextStageLoaded = false;
void FreeNextStageTest() {
  if (g_NextStageLoaded) FreeNextStageGraphics();
  g_NextStageLoaded = false;
}
void TestNextStage() {
  if (g_State.restart) {
    FreeNextStageTest();
    NextStageRoute& r = g_NextStage.route;
    r = NextStageRoute{};
    std::snprintf(r.name, sizeof r.name, "TEST");
    r.character = RandInt(10);
    r.count = 11;
    for (int i = 0; i < r.count; ++i) {
      r.entries[i].stage = RandInt(10);
      r.entries[i].opponent = RandInt(10);
    }
    r.current = RandInt(11);
    LoadNextStageGraphics();
    g_NextStageLoaded = true;
    g_NextStage.frames = 0;
    g_NextStage.seconds = 0.0f;
    g_NextStage.flashClock = g_NextStage.shutterClock = 0.0f;
    StopBgm();
    if (LoadBgm(85)) StartBgm();
    g_State.restart = 0;
  }
  const MenuInput in = ReadMenuInput();
  if (HandleEnd(in, 1, FreeNextStageTest)) return;
  TickNextStage();
  DrawNextStageMap();
}

// ---- "VS SCREEN" ----

bool g_VsLoaded = false;
int32_t g_VsFrames = 0;
void FreeVsTest() {
  if (g_VsLoaded) FreeVsScreen();
  g_VsLoaded = false;
}
void TestVsScreen() {
  if (g_State.restart) {
    FreeVsTest();
    // Characters 2 and 18, a style variant 0..2 for each.
    VsInfo info;
    info.count = 2;
    const int32_t characters[2] = {2, 18};
    for (int i = 0; i < 2; ++i) {
      VsInfoEntry& e = info.entries[i];
      e.character = characters[i];
      e.slotSide = i;
      e.type = RandInt(3);
    }
    g_VsInfo = info;
    LoadVsScreen();
    g_VsLoaded = true;
    g_VsFrames = 0;
    g_State.restart = 0;
  }
  const MenuInput in = ReadMenuInput();
  if (HandleEnd(in, 0, FreeVsTest)) return;
  UpdateVsScreen();
  DrawVsScreen();
  ++g_VsFrames;
}

// ---- "WIN RESULT" ----

// The winner call's graphics are the battle's (loaded only where missing, kept for the battles).
void FreeNothing() {}
void TestWinResult() {
  if (g_State.restart) {
    LoadWinnerCallGraphics();
    g_WinnerCallInfo.resultFlag = 0x10;
    for (int32_t& s : g_WinnerCallInfo.scores) s = RandInt(1000000);
    g_RoundCallWins = RandInt(100);
    StartWinnerCall();  // round -1 and the round call's body reset
    g_State.restart = 0;
  }
  const MenuInput in = ReadMenuInput();
  if (HandleEnd(in, 0, FreeNothing)) return;
  TealBackground();
  UpdateWinnerCall();
  DrawWinnerCall();
}

// ---- pictures of the shader screens ----

struct ShaderPictures {
  TextureHandle* a = nullptr;
  TextureHandle* b = nullptr;
  int32_t frames = 0;
};
ShaderPictures g_Pictures;
void FreePictures() {
  Release(g_Pictures.a);
  Release(g_Pictures.b);
}
// Sets a shader screen up: the effects and its two pictures (b may be null).
void SetUpPictures(const char* a, const char* b) {
  FreePictures();
  LoadShaderEffects();
  g_Pictures.a = LoadTexture(a);
  if (b) g_Pictures.b = LoadTexture(b);
  g_Pictures.frames = 0;
  g_State.restart = 0;
}
constexpr char kBg03[] = ".\\grp\\ending\\ed_bg\\ed_chaBG03_00";

void TestFade() {
  if (g_State.restart) SetUpPictures(kBg03, ".\\grp\\ending\\ed_bg\\ed_chaBG04_00");
  const MenuInput in = ReadMenuInput();
  if (HandleEnd(in, 1, FreePictures)) return;
  const float seconds = static_cast<float>(g_Pictures.frames) * kStep;
  if (g_Pictures.b)
    DrawFadeScreen(&g_MainDrawList, g_Pictures.b, 0, 0, 640, 480, 0, 0, 640, 480, 0xFFFFFFFF, 0, seconds, 1);
  FullScreen(g_Pictures.a, 0xFFFFFFFF, 0);
  ++g_Pictures.frames;
}

// ---- "NORMAL TEST" ----

struct Drop {
  float scale, x, y, speed, angle;
};
constexpr const char* kNormalModes[5] = {"1)MOUSEPOINT", "2)MOUSEPOINT Particle", "3)Random Particle10",
                                         "4)Random Particle100", "5)Random Particle256"};
constexpr int kNormalCounts[5] = {1, 1, 10, 100, 256};
std::vector<Drop> g_Drops;

void FreeNormalTest() {
  FreePictures();
  g_Drops.clear();
}
void TestNormal() {
  if (g_State.restart) {
    SetUpPictures(".\\grp\\_NewFx\\WaterDrop00", ".\\grp\\ending\\ed_bg\\ed_chaBG20c_00");
    const int mode = std::clamp(g_State.normalMode, 0, 4);
    g_Drops.assign(static_cast<size_t>(kNormalCounts[mode]), Drop{});
    for (Drop& d : g_Drops) {
      d.scale = 0.2f + static_cast<float>(RandFloat());
      d.x = static_cast<float>(RandFloat()) * 640.0f;
      d.y = static_cast<float>(RandFloat()) * 480.0f;
      d.speed = 0.5f + 20.0f * static_cast<float>(RandFloat());
      d.angle = 360.0f * static_cast<float>(RandFloat());
    }
  }
  const MenuInput in = ReadMenuInput();
  // Button 2 moves on to the next mode; button 0 sets the same mode up again.
  if (Pressed(in, 2)) g_State.normalMode = (g_State.normalMode + 1) % 5;
  if (Pressed(in, 0)) g_State.restart = 1;
  if (HandleEnd(in, 1, FreeNormalTest)) return;
  const int mode = std::clamp(g_State.normalMode, 0, 4);
  const Mouse m = ReadMouse();
  FullScreen(g_Pictures.b, 0xFFFFFFFF, 0);
  auto drop = [](float x, float y, float size, float turn) {
    NormalAngle n{};
    n.x = static_cast<int32_t>(x);
    n.y = static_cast<int32_t>(y);
    n.w = n.h = static_cast<int32_t>(size);
    n.power = 1.0f;
    n.angle = turn;
    n.normal = g_Pictures.a;
    n.colour = 0xFFFFFFFF;
    n.priority = 1;
    DrawNormalAngle(n);
  };
  if (mode == 0) {
    drop(m.x, m.y, 256.0f, static_cast<float>(g_Pictures.frames % 600) / 600.0f);
  } else {
    for (Drop& d : g_Drops) {
      if (mode == 1) {
        d.x = m.x;
        d.y = m.y;
      } else {
        d.x += d.speed * std::cos(d.angle * kPi / 180.0f);
        d.y += d.speed * std::sin(d.angle * kPi / 180.0f);
        if (d.x < -128.0f) d.x += 896.0f;
        if (d.x > 768.0f) d.x -= 896.0f;
        if (d.y < -128.0f) d.y += 736.0f;
        if (d.y > 608.0f) d.y -= 736.0f;
      }
      drop(d.x, d.y, 256.0f * d.scale, static_cast<float>(g_Pictures.frames % 600) / 600.0f);
    }
  }
  using vt::text::DrawSysFontText;
  DrawSysFontText(4, 420, "A:ModeChange B:Exit", 255, 255, 100, 1, 14, 24, 0, 0);
  DrawSysFontText(5, 441, kNormalModes[mode], 0, 255, 100, 1, 14, 24, 0, 0);
  DrawSysFontText(4, 440, kNormalModes[mode], 255, 255, 100, 1, 14, 24, 0, 0);
  ++g_Pictures.frames;
}

// ---- "ShaderTest" (point blur) ----

void TestPointBlur() {
  if (g_State.restart) SetUpPictures(kBg03, ".\\grp\\EXFADE08");
  const MenuInput in = ReadMenuInput();
  if (HandleEnd(in, 1, FreePictures)) return;
  const Mouse m = ReadMouse();
  const float phase = static_cast<float>(g_Pictures.frames % 300) / 300.0f;
  PointBlur blur{
      0, 0, 640, 480, m.x, m.y, 0.02f + 0.005f * std::sin(2.0f * kPi * phase), 1.0f, 0.0f, &g_MainDrawList,
      1};
  DrawPointBlur(blur);
  FullScreen(g_Pictures.a, 0xFFFFFFFF, 0);
  ++g_Pictures.frames;
}

// ---- "ShaderTest BLOOM" ----

// The story's dialogue band in its left-speaker layout, drawn from the picture this screen loaded
// (the story's own state is put back afterwards: no story runs in scene 50).
void DrawLeftSpeakerBand(TextureHandle* band) {
  StoryScriptState& s = GetStoryState();
  StoryTextures& t = GetStoryTextures();
  const int32_t speaker = s.speaker, style = s.windows[0].style, lower = s.lowerBand;
  TextureHandle* savedBand = t.band;
  s.speaker = 0;
  s.windows[0].style = 1;
  s.lowerBand = 0;
  t.band = band;
  DrawStoryBand();
  t.band = savedBand;
  s.speaker = speaker;
  s.windows[0].style = style;
  s.lowerBand = lower;
}

void TestBloom() {
  if (g_State.restart) SetUpPictures(kBg03, ".\\story\\window\\st_win00");
  const MenuInput in = ReadMenuInput();
  if (HandleEnd(in, 1, FreePictures)) return;
  const float value = std::clamp(ReadMouse().x / 640.0f, 0.0f, 1.0f);
  if (g_Pictures.b) {
    UseEffect("TecBloom_Blt");
    DrawLeftSpeakerBand(g_Pictures.b);
    SetCurrentEffectTag(nullptr);
  }
  for (int mode : {3, 1}) {  // fill, then make
    BloomPass pass{};
    pass.mode = mode;
    pass.w = 640;
    pass.h = 480;
    pass.shift = 1.0f;
    pass.value = value;
    pass.colour = 0xFFFFFFFF;
    pass.list = &g_MainDrawList;
    pass.priority = 2;
    DrawBloomPass(pass);
  }
  FullScreen(g_Pictures.a, 0xFFFFFFFF, 1);
}

// ---- "ShaderTest NOISE" ----

void TestNoise() {
  if (g_State.restart) SetUpPictures(kBg03, nullptr);
  const MenuInput in = ReadMenuInput();
  if (HandleEnd(in, 1, FreePictures)) return;
  const float value = std::clamp(ReadMouse().x / 640.0f, 0.0f, 1.0f);
  NoiseEffect noise{RandInt(321), 0, 320, 480, 1.0f, value, &g_MainDrawList, 2};
  DrawNoiseEffect(noise);
  FullScreen(g_Pictures.a, 0xFF808080, 1);
}

// ---- "Particle Smoke" ----

struct SmokeTest {
  TextureHandle* sheet = nullptr;
  TextureHandle* ring = nullptr;
  std::vector<std::unique_ptr<CParticlePrim>> particles;
  int32_t frames = 0;
};
SmokeTest g_Smoke;
void FreeSmokeTest() {
  g_Smoke.particles.clear();
  Release(g_Smoke.sheet);
  Release(g_Smoke.ring);
}
void TestSmoke() {
  if (g_State.restart) {
    FreeSmokeTest();
    g_Smoke.sheet = LoadTexture(".\\grp\\_test\\sm_04");
    g_Smoke.ring = LoadTexture(".\\grp\\system\\eff00");
    g_Smoke.particles.reserve(1000);
    g_Smoke.frames = 0;
    g_State.restart = 0;
  }
  const MenuInput in = ReadMenuInput();
  if (HandleEnd(in, 1, FreeSmokeTest)) return;
  TealBackground();
  const Mouse m = ReadMouse();
  for (int i = 0; i < 2; ++i) g_Smoke.particles.emplace_back(MakeSmokePuff(m.x, m.y, g_Smoke.sheet));
  if (g_Smoke.frames % 8 == 0) g_Smoke.particles.emplace_back(MakeRing(m.x, m.y, g_Smoke.ring));
  std::erase_if(g_Smoke.particles,
                [](const std::unique_ptr<CParticlePrim>& p) { return p->Update(kStep) == 0; });
  g_DrawFilterMode = 2;
  for (const auto& p : g_Smoke.particles) p->Draw();
  g_DrawFilterMode = 1;
  ++g_Smoke.frames;
}

// ---- "ParticleTest" (ribbon) ----

constexpr int kTrailPoints = 40;
struct TrailPoint {
  float x = 0.0f, y = 0.0f, dx = 1.0f, dy = 0.0f;
};
struct TrailTest {
  TrailPoint points[kTrailPoints];
  int head = 0;
};
TrailTest g_Trail;
void FreeTrailTest() { g_Trail = TrailTest{}; }
void TestRibbon() {
  if (g_State.restart) {
    const Mouse m = ReadMouse();
    g_Trail = TrailTest{};
    for (TrailPoint& p : g_Trail.points) p = {m.x, m.y, 1.0f, 0.0f};
    g_State.restart = 0;
  }
  const MenuInput in = ReadMenuInput();
  if (HandleEnd(in, 1, FreeTrailTest)) return;
  TealBackground();
  const Mouse m = ReadMouse();
  const TrailPoint& last = g_Trail.points[g_Trail.head];
  TrailPoint p{m.x, m.y, m.x - last.x, m.y - last.y};
  const float len = std::sqrt(p.dx * p.dx + p.dy * p.dy);
  if (len > 0.0f) {
    p.dx /= len;
    p.dy /= len;
  } else {
    p.dx = last.dx;
    p.dy = last.dy;
  }
  g_Trail.head = (g_Trail.head + 1) % kTrailPoints;
  g_Trail.points[g_Trail.head] = p;
  // From the head (8 pixels wide, white) to the tail (nothing, black).
  auto side = [](const TrailPoint& q, float width, float sign, vt::gfx::ScreenVertex* v, uint32_t colour) {
    *v = vt::gfx::ScreenVertex{
        q.x - q.dy * width * sign, q.y + q.dx * width * sign, 0.0f, 1.0f, colour, 0, 0.0f, 0.0f};
  };
  for (int i = 0; i + 1 < kTrailPoints; ++i) {
    const TrailPoint& a = g_Trail.points[(g_Trail.head - i + kTrailPoints) % kTrailPoints];
    const TrailPoint& b = g_Trail.points[(g_Trail.head - i - 1 + kTrailPoints) % kTrailPoints];
    const float fa = 1.0f - static_cast<float>(i) / kTrailPoints;
    const float fb = 1.0f - static_cast<float>(i + 1) / kTrailPoints;
    auto grey = [](float f) {
      const uint32_t g = static_cast<uint32_t>(255.0f * f);
      return 0xFF000000u | g << 16 | g << 8 | g;
    };
    GrpDrawCommand quad;
    quad.kind = kDrawKindQuad;
    side(a, 4.0f * fa, -1.0f, &quad.v[0], grey(fa));
    side(a, 4.0f * fa, 1.0f, &quad.v[1], grey(fa));
    side(b, 4.0f * fb, -1.0f, &quad.v[2], grey(fb));
    side(b, 4.0f * fb, 1.0f, &quad.v[3], grey(fb));
    DrawQuad(&g_MainDrawList, &quad, 1);
  }
}

// Every screen's free, for the leave hook.
void FreeEveryTest() {
  FreeStaffRollTest();
  FreeNextStageTest();
  FreeVsTest();
  FreePictures();
  FreeNormalTest();
  FreeSmokeTest();
  FreeTrailTest();
}

}  // namespace

const TestMenuRow g_TestMenuRows[kTestMenuRowCount + 1] = {
    {64, 100, 1, "StaffRoll", TestStaffRoll},
    {0, 24, 2, "NextStage", TestNextStage},
    {0, 24, 3, "VS SCREEN", TestVsScreen},
    {0, 24, 4, "WIN RESULT", TestWinResult},
    {0, 24, 9, "FADE TEST", TestFade},
    {0, 24, 8, "NORMAL TEST", TestNormal},
    {0, 24, 5, "ShaderTest", TestPointBlur},
    {0, 24, 7, "ShaderTest BLOOM", TestBloom},
    {0, 24, 6, "ShaderTest NOISE", TestNoise},
    {0, 24, 10, "Particle Smoke", TestSmoke},
    {0, 24, 11, "ParticleTest", TestRibbon},
    {0, 32, kTestMenuExitId, "Exit", nullptr},
    {0, 0, 0, nullptr, nullptr},
};

TestMenuState& GetTestMenuState() { return g_State; }

void RunTest() {
  for (const TestMenuRow& row : g_TestMenuRows) {
    if (row.id == 0) break;
    if (row.id == g_State.runningId && row.test) {
      row.test();
      return;
    }
  }
  g_State.runningId = 0;
  g_State.restart = 1;
}

int TestMenu() {
  const MenuInput in = ReadMenuInput();
  if (in.dir == 2) g_State.cursor = g_State.cursor + 1 >= kTestMenuRowCount ? 0 : g_State.cursor + 1;
  if (in.dir == 8) g_State.cursor = g_State.cursor - 1 < 0 ? kTestMenuRowCount - 1 : g_State.cursor - 1;
  g_State.cursor = std::clamp(g_State.cursor, 0, kTestMenuRowCount - 1);
  g_DrawFilterMode = 2;
  int x = 0, y = 0;
  for (int i = 0; i < kTestMenuRowCount; ++i) {
    const TestMenuRow& row = g_TestMenuRows[i];
    x += row.xStep;
    y += row.yStep;
    vt::text::DrawSysFontText(i == g_State.cursor ? x - 24 : x, y, row.name, 255, 255, 2, 2, 16, 24, 0, 0);
  }
  g_DrawFilterMode = 1;
  TealBackground();
  if (!Pressed(in, 0)) return 0;
  g_State.restart = 1;
  return g_TestMenuRows[g_State.cursor].id;
}

int ProcTestScene() {
  if (g_SceneEnter != 0) {
    g_SceneEnter = 0;
    g_State.runningId = 0;
    g_State.cursor = 0;
    g_State.restart = 1;
  }
  PollSceneInput();
  if (g_State.runningId != 0) {
    RunTest();
    return g_State.runningId;
  }
  const int decided = TestMenu();
  if (decided == kTestMenuExitId) return -1;
  g_State.runningId = decided;
  return decided;
}

void LeaveTestMenuScene() {
  FreeEveryTest();
  g_State.runningId = 0;
  g_State.restart = 1;
}

void InstallTestMenuScene() {
  RegisterScene(SCENE_PROC_TEST, {[](int) { return ProcTestScene(); }, LeaveTestMenuScene});
}

// ---- particles ----

int CParticlePrim::Update(float dt) {
  const float d = dt * timeScale;
  for (int i = 0; i < 3; ++i) {
    offset[i] += velocity[i] * d;
    velocity[i] += acceleration[i] * d;
  }
  age += d;
  return age < life ? 1 : 0;
}

int CParticle_Normal::Update(float dt) {
  // A puff given no life is dead at once (its cell and deceleration would divide by 0).
  if (!(life > 0.0f)) return 0;
  return CParticlePrim::Update(dt);
}

int CParticle_Normal::Cell() const {
  const float t = life > 0.0f ? age / life : 1.0f;
  return std::clamp(static_cast<int>(t * 32.0f), 0, 31);
}

void CParticle_Normal::Draw() {
  if (textures.empty() || !(life > 0.0f)) return;
  const float t = std::clamp(age / life, 0.0f, 1.0f);
  const int cell = Cell();
  const float size = 64.0f + 64.0f * t;
  const float cx = origin[0] + offset[0], cy = origin[1] + offset[1];
  const uint32_t alpha = static_cast<uint32_t>(255.0f * (1.0f - t));
  DrawSprite(&g_MainDrawList, textures[0], static_cast<int32_t>(cx - size / 2),
             static_cast<int32_t>(cy - size / 2), static_cast<int32_t>(size), static_cast<int32_t>(size),
             static_cast<float>(cell % 8 * 64), static_cast<float>(cell / 8 * 64), 64, 64,
             alpha << 24 | (colour & 0xFFFFFF), 0, 1);
}

int CParticle_RingTex::Update(float dt) {
  angle[2] += spin;
  const int r = CParticlePrim::Update(dt);
  const float t = life > 0.0f ? age / life : 1.0f;
  float a = 1.0f;
  if (t < 0.2f) a = t / 0.2f;
  if (t > 0.8f) a = (1.0f - t) / 0.2f;
  alpha = static_cast<int>(255.0f * std::clamp(a, 0.0f, 1.0f));
  return r;
}

void CParticle_RingTex::Draw() {
  if (textures.empty()) return;
  vt::gfx::Texture* tex = HandleTexture(textures[0]);
  if (!tex) return;
  constexpr int kSegments = 30;
  constexpr float kCamera = 480.0f;  // the camera's distance in pixels
  constexpr float kScale = 240.0f;
  const float cx = origin[0] + offset[0], cy = origin[1] + offset[1];
  const float ax = angle[0] * kPi / 180.0f, ay = angle[1] * kPi / 180.0f, az = angle[2] * kPi / 180.0f;
  // Rotations about z, then x, then y; a perspective divide.
  auto project = [&](float theta, float radius, float* sx, float* sy) {
    float x = std::cos(theta + az) * radius, y = std::sin(theta + az) * radius, z = 0.0f;
    const float y1 = y * std::cos(ax) - z * std::sin(ax), z1 = y * std::sin(ax) + z * std::cos(ax);
    const float x2 = x * std::cos(ay) + z1 * std::sin(ay), z2 = -x * std::sin(ay) + z1 * std::cos(ay);
    const float k = kScale * scale;
    const float depth = kCamera / (kCamera + z2 * k);
    *sx = cx + x2 * k * depth;
    *sy = cy + y1 * k * depth;
  };
  // The ring strip of the effect sheet: u along the ring, v from the outer edge to the inner.
  const float u0 = 0.5f / static_cast<float>(tex->Width());
  const float u1 = 32.0f / static_cast<float>(tex->Width());
  const float v0 = 192.0f / static_cast<float>(tex->Height()),
              v1 = 256.0f / static_cast<float>(tex->Height());
  const uint32_t colour = static_cast<uint32_t>(std::clamp(alpha, 0, 255)) << 24 | 0xFFFFFF;
  for (int i = 0; i < kSegments; ++i) {
    const float t0 = 2.0f * kPi * static_cast<float>(i) / kSegments;
    const float t1 = 2.0f * kPi * static_cast<float>(i + 1) / kSegments;
    GrpDrawCommand quad;
    quad.kind = kDrawKindQuad;
    quad.texture = tex;
    float x, y;
    project(t0, 1.0f, &x, &y);
    quad.v[0] = {x, y, 0.0f, 1.0f, colour, 0, u0, v0};
    project(t1, 1.0f, &x, &y);
    quad.v[1] = {x, y, 0.0f, 1.0f, colour, 0, u1, v0};
    project(t0, 0.8f, &x, &y);
    quad.v[2] = {x, y, 0.0f, 1.0f, colour, 0, u0, v1};
    project(t1, 0.8f, &x, &y);
    quad.v[3] = {x, y, 0.0f, 1.0f, colour, 0, u1, v1};
    DrawQuad(&g_MainDrawList, &quad, 1);
  }
}

CParticle_Normal* MakeSmokePuff(float x, float y, TextureHandle* sheet) {
  auto* p = new CParticle_Normal();
  p->origin[0] = x + static_cast<float>(RandSignedFloat()) * 16.0f;
  p->origin[1] = y;
  const float speed = 100.0f + 600.0f * static_cast<float>(RandFloat());
  const float direction = (-90.0f + 20.0f * static_cast<float>(RandSignedFloat())) * kPi / 180.0f;
  p->velocity[0] = speed * std::cos(direction);
  p->velocity[1] = speed * std::sin(direction);
  p->life = 1.0f / 3.0f + static_cast<float>(RandSignedFloat()) / 3.0f;
  if (p->life > 0.0f)
    for (int i = 0; i < 3; ++i) p->acceleration[i] = -p->velocity[i] / p->life;
  const uint32_t g = static_cast<uint32_t>(RandInt(256));
  p->colour = 0xFF000000u | g << 16 | g << 8 | g;
  if (sheet) p->textures.push_back(sheet);
  return p;
}

CParticle_RingTex* MakeRing(float x, float y, TextureHandle* ring) {
  auto* p = new CParticle_RingTex();
  p->origin[0] = x;
  p->origin[1] = y;
  p->life = 0.5f;
  p->spin = -5.0f - 10.0f * static_cast<float>(RandFloat());
  p->angle[0] = 360.0f * static_cast<float>(RandFloat());
  p->angle[1] = 360.0f * static_cast<float>(RandFloat());
  if (ring) p->textures.push_back(ring);
  return p;
}
