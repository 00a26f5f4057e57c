// The character draw (see character_draw.h).
//
// The drawing half runs every frame, headless too: everything here that changes battle state
// (the aura, heat and status spawns, their random draws, the pulse counters) runs whether or not
// anything is queued; only the queueing itself waits on g_BattleDrawSubmit.
#include "battle/character_draw.h"

#include <algorithm>
#include <cstdlib>
#include <numbers>

#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/Han6Files/han6_data.h"
#include "app/random.h"
#include "battle/afterimage.h"
#include "battle/battle_camera.h"
#include "battle/battle_clock.h"
#include "battle/battle_draw.h"
#include "battle/battle_math.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/battle_support.h"
#include "battle/box_to_screen.h"
#include "battle/chara_list.h"
#include "battle/control_rules.h"
#include "battle/object_pool.h"

int32_t g_HeatPulseCount[4] = {};
uint8_t g_StoryCharacterVisible[4] = {1, 1, 1, 1};
BattleHudTextures g_BattleHudTextures;

namespace {

constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return (r << 16) | (g << 8) | b; }

// The character slot of a fighter, or -1 for any other object.
int SlotOf(const BattleObject& o) {
  for (int i = 0; i < kPlayerSlots; ++i)
    if (&g_PlayerRecords[i].obj == &o) return i;
  return -1;
}

const Han6Frame* CurrentFrame(const BattleObject& o) {
  const FrameDataSet* set = o.frameData;
  return set && set->patterns ? GetHan6Frame(set->patterns, o.pattern, o.frame) : nullptr;
}

bool IsGiant(const BattleObject& o) { return BattleSeamIsGiantCharacter(&o) != 0; }

// Whether the object takes part in this frame's per-step visuals at all: not paused, no global
// freeze, and allowed by the freeze gate.
bool MayStepVisuals(const BattleObject& o) {
  return g_Paused == 0 && g_GlobalFreeze == 0 && CanActDuringFreeze(o) != 0;
}

// A random point inside the first hurt box of the current frame, in screen pixels (two common
// draws, x then y); false without a hurt box (no draw is made then).
bool RandomHurtPoint(const BattleObject& o, int32_t* x, int32_t* y) {
  const Han6Box* box = nullptr;
  for (int n = 1; n <= 8 && !box; ++n) box = FrameBox(o, n);
  if (!box) return false;
  ScreenRect r;
  BoxToScreen(o, *box, &r);
  const int32_t r1 = RandNext();
  const int32_t r2 = RandNext();
  // A box of no width or height has only its corner to offer (and no modulo by zero).
  const int64_t w = int64_t{r.x2} - r.x1, h = int64_t{r.y2} - r.y1;
  *x = Wrap<int32_t>((w > 0 ? r1 % w : 0) + r.x1);
  *y = Wrap<int32_t>((h > 0 ? r2 % h : 0) + r.y1);
  return true;
}

// The five reversed-controls marks circling the head.
void DrawReversedMarks(const BattleObject& o) {
  if (!g_BattleDrawSubmit) return;
  // The marks' sheet is the system-effect texture 0, which the particle drawing loads; until it
  // is handed over here the marks are untextured quads, as with a missing texture file.
  TextureHandle* texture = nullptr;
  GrpDrawList* list = g_BattleDrawSeams.DrawList ? g_BattleDrawSeams.DrawList() : nullptr;
  for (int k = 0; k < 5; ++k) {
    const int32_t a = static_cast<int32_t>((5 * int64_t{g_BattleFrame} + 72 * k) % 360);
    const int32_t b = (a + 90) % 360;
    const double rad = std::numbers::pi / 180.0;
    const float x = static_cast<float>((o.posX >> 7) - 64.0 * BattleSin(a * rad));
    const float y = static_cast<float>((o.posY >> 7) - 16.0 * BattleSin(b * rad) - 192.0);
    const Han6Matrix m = MulHan6(Han6Matrix::Translation(x, y, 0.0f), g_CameraScreenMatrix);
    const float sy = static_cast<float>(32 * (((b + 112) / 45) % 8));
    const int32_t priority = o.drawPriority + (b < 180 ? 255 : 257);
    DrawSpriteMatrix(list, texture, &m, 48, 32, 24.0f, 16.0f, 208.0f, sy, 48.0f, 32.0f, 0xFFFFFFFFu, 0,
                     priority);
  }
}

// The heat aura: effect objects 100 (gauge modes 1 and 2) or 101 (mode 3) on every third step.
void HeatAuraStep(BattleObject& o) {
  if (!MayStepVisuals(o) || IsSlowMotionSkipFrame() || g_BattleTimeStepped == 0) return;
  if (o.held || o.partnerState == 1 || g_JudgeState != 0 || o.stepFrames % 3 != 0) return;
  int number;
  if (o.gaugeMode == 1 || o.gaugeMode == 2)
    number = 100;
  else if (o.gaugeMode == 3)
    number = 101;
  else
    return;
  // Through the pool's one path for engine-made effect records, which counts numbers 101..999
  // from the spawner's pattern as it does for every record.
  SpawnEngineEffect(o, number, 2, 1, 12, 0);
}

// The timed status marks' particles.
void StatusParticleStep(BattleObject& o) {
  if (o.statusTimer == 0 || !MayStepVisuals(o) || g_BattleTimeStepped == 0 || IsSlowMotionSkipFrame()) return;
  const int kind = o.statusKind;
  const bool due =
      kind == 1 || (kind == 2 && o.statusTimer % 2 == 0) || (kind == 3 && o.statusTimer % 5 == 0);
  if (!due) return;
  // The point is drawn only for a particle that is made.
  int32_t sx = 0, sy = 0;
  const bool inBox = RandomHurtPoint(o, &sx, &sy);
  if (kind == 3) {
    // In the object's frame coordinates: its own position is (0, 0).
    if (inBox)
      ScreenToFrameCoords(o, &sx, &sy);
    else
      sx = sy = 0;
    SpawnEngineEffect(o, 179, sx, sy, 0, 0);
    return;
  }
  int32_t block[12] = {};
  if (inBox) {
    // Back from the screen pixel to world units, through the camera the box was placed with.
    block[0] = Wrap<int32_t>(int64_t{BattleSeamCameraX()} + (int64_t{sx} - 320) * 128);
    block[1] = Wrap<int32_t>(int64_t{BattleSeamCameraY()} + (int64_t{sy} - 432) * 128);
  } else {
    block[0] = o.posX;
    block[1] = o.posY;
  }
  block[2] = 1;
  // Through the seam the particle pool installs (tests record the requests there).
  BattleSeamSpawnParticleEffect(kind == 1 ? 6 : 7, block, o.facing, &o);
}

// Where the shadow being drawn is cast from (a stage light's x in pixels); none: the shadow
// falls straight, from the object's own x.
bool g_ShadowFromLight = false;
float g_ShadowLightX = 0.0f;

// The height in pixels of the eye the floor is seen from, above the ground line. The floor
// matrix looks at the floor plane from this height: from height 0 the floor is seen edge on
// and every shadow would be a line.
constexpr float kShadowEyeHeight = 200.0f;

void CharacterFloorMatrix(float x, float y, Han6Matrix* out) {
  BuildFloorMatrix(g_ShadowFromLight ? g_ShadowLightX : x, y - kShadowEyeHeight);
  *out = g_FloorMatrix;
}

BattleDrawLook ShadowBase(const BattleObject& o) {
  BattleDrawLook look;
  look.shadow = true;
  look.blendMode = 1;
  // Priorities are drawn at request + 256; a giant of flag 2 casts its shadow at 269.
  look.priority = BattleSeamIsGiantCharacter(&o) == 2 ? 269 - 256 : 110;
  return look;
}

// The shadows of a fighter: one cast straight down without stage lights, else one per light in
// reach. The pattern drawing multiplies in the frame's alpha, so the look carries the rest.
void DrawShadows(const BattleObject& o, const uint8_t tint[3]) {
  BattleStageLights lights;
  if (g_BattleDrawSeams.StageLights) g_BattleDrawSeams.StageLights(&lights);
  if (lights.count <= 0 || !lights.x || !lights.radius) {
    BattleDrawLook look = ShadowBase(o);
    look.color = lights.colouredShadows == 1 ? (0x7Fu << 24) | Rgb(tint[0], tint[1], tint[2]) : 0x7F000000u;
    DrawBattleObject(o, look);
    return;
  }
  const float px = static_cast<float>(o.posX >> 7);
  for (int i = 0; i < lights.count; ++i) {
    const float r = lights.radius[i];
    if (!(r > 0.0f)) continue;
    const float lx = lights.x[i] - 512.0f;
    const float d = std::abs(px - lx);
    if (d > r) continue;
    const int32_t alpha = std::min(255, FloatToInt32(127.0f * (1.0f - d / r)));
    if (alpha <= 0) continue;
    BattleDrawLook look = ShadowBase(o);
    look.color = static_cast<uint32_t>(alpha) << 24;
    g_ShadowFromLight = true;
    g_ShadowLightX = lx;
    DrawBattleObject(o, look);
    g_ShadowFromLight = false;
  }
}

void ClearCharacterDrawWords() {
  for (int32_t& c : g_HeatPulseCount) c = 0;
}

}  // namespace

void ResetCharacterDrawState() {
  ClearCharacterDrawWords();
  ClearAfterimageTrails();
  for (uint8_t& v : g_StoryCharacterVisible) v = 1;
}

int BuildObjectMatrix(Han6Matrix* m, const BattleObject& o, int frameKind) {
  Han6Matrix r = Han6Matrix::Identity();
  int flipped = 0;
  if (o.scaleX != 1.0f || o.scaleY != 1.0f) r = MulHan6(r, Han6Matrix::Scaling(o.scaleX, o.scaleY, 1.0f));
  if (o.rotation != 0) {
    const float px = static_cast<float>(o.rotationPivotX), py = static_cast<float>(o.rotationPivotY);
    const float radians = static_cast<float>(o.rotation) * (2.0f * std::numbers::pi_v<float> / 10000.0f);
    r = MulHan6(r, Han6Matrix::Translation(-px, -py, 0.0f));
    r = MulHan6(r, Han6Matrix::RotationZ(radians));
    r = MulHan6(r, Han6Matrix::Translation(px, py, 0.0f));
  }
  if (o.facing == 1) {
    r = MulHan6(r, Han6Matrix::Scaling(-1.0f, 1.0f, 1.0f));
    flipped = 1;
  }
  // Cut sprites are stored at half size.
  if (frameKind != 1) r = MulHan6(r, Han6Matrix::Scaling(2.0f, 2.0f, 0.0f));
  *m = r;
  return flipped;
}

// The frame kind is not consulted: read as "nothing is drawn for a part-animation frame", no
// character made of part animations (the giants) would ever show through the camera.
int PlaceObjectMatrix(Han6Matrix* m, int32_t x, int32_t y, int /*frameKind*/, const Han6Matrix* camera) {
  if (camera && y < -650) return 0;
  *m = MulHan6(*m, Han6Matrix::Translation(static_cast<float>(x), static_cast<float>(y), 0.0f));
  if (camera) *m = MulHan6(*m, *camera);
  return 1;
}

void CharacterTint(const BattleObject& o, uint8_t rgb[3]) {
  uint8_t t[3] = {255, 255, 255};
  auto set = [&](uint8_t r, uint8_t g, uint8_t b) {
    t[0] = r;
    t[1] = g;
    t[2] = b;
  };
  if (o.statusTimer != 0 && !IsGiant(o)) {
    switch (o.statusKind) {
      case 1: {
        static constexpr uint8_t k[3][3] = {{255, 100, 0}, {255, 100, 100}, {255, 50, 50}};
        const int i = static_cast<int>(((o.stepFrames % 3) + 3) % 3);
        set(k[i][0], k[i][1], k[i][2]);
        break;
      }
      case 2: {
        static constexpr uint8_t k[3][3] = {{64, 100, 200}, {200, 200, 255}, {64, 100, 250}};
        const int i = o.statusTimer % 3;
        set(k[i][0], k[i][1], k[i][2]);
        break;
      }
      case 3: {
        static constexpr uint8_t k[3][3] = {{255, 255, 128}, {0, 0, 0}, {128, 128, 128}};
        const int i = o.statusTimer % 3;
        set(k[i][0], k[i][1], k[i][2]);
        break;
      }
      case 100:
        set(0, 0, 0);
        break;
      default:
        break;
    }
  }
  // The stage's factors (all 0 while the stage is blacked out).
  uint8_t f[3] = {255, 255, 255};
  if (g_BattleDrawSeams.TintFactors) g_BattleDrawSeams.TintFactors(f);
  for (int i = 0; i < 3; ++i) rgb[i] = static_cast<uint8_t>(t[i] * f[i] / 255);
}

int32_t HitStopShake(const BattleObject& o) {
  const int t = o.hitStopLength;
  if ((t & 1) == 0) return 0;
  const int32_t amount = t < 6 ? 3 : t <= 21 ? t / 2 : 10;
  return o.facing == 1 ? amount : -amount;
}

HeatGlow HeatPulse(BattleObject& o) {
  HeatGlow glow;
  const int slot = SlotOf(o);
  int32_t* count = slot >= 0 ? &g_HeatPulseCount[slot] : nullptr;
  static constexpr float kBlue[4] = {0.2f, 0.2f, 1.0f, 1.0f};
  static constexpr float kGold[4] = {1.0f, 1.0f, 0.0f, 1.0f};
  const float* base = nullptr;
  if (o.gaugeMode == 1 || o.gaugeMode == 2) base = kBlue;
  if (o.gaugeMode == 3 || o.gaugeMode == 5) base = kGold;
  if (!base || o.hitReaction != 0 || o.held || g_JudgeState != 0) {
    if (count) *count = 0;
    return glow;
  }
  const int32_t n = count ? *count : 0;
  const double turn = 2.0 * std::numbers::pi * static_cast<double>(n % 45) / 45.0;
  const float k = static_cast<float>((BattleCos(turn) + 1.0) / 2.0);
  glow.on = true;
  for (int i = 0; i < 4; ++i) glow.value[i] = base[i] * k;
  if (count && g_Paused == 0) *count = Wrap<int32_t>(int64_t{n} + 1);
  return glow;
}

void StatusEffectsStep(BattleObject& o) {
  if (IsGiant(o)) return;
  const bool active = !o.partner || IsSideActive(o);
  const int side = SideIndexOrNone(o.side);
  if (o.reversedFrames != 0 && !o.held && active && (side < 0 || g_SideStatus[side].actionLock == 0))
    DrawReversedMarks(o);
  HeatAuraStep(o);
  StatusParticleStep(o);
}

void DrawCharacter(BattleObject& o) {
  const uint32_t flash = FlashColour(o);
  uint8_t tint[3];
  CharacterTint(o, tint);
  const int side = SideIndexOrNone(o.side);
  const bool shown = !o.partner || IsSideActive(o) || (side >= 0 && g_SideStatus[side].showPartner != 0);
  if (shown) {
    const HeatGlow glow = HeatPulse(o);
    if (g_BattleDrawSubmit) {
      BattleDrawLook look;
      look.color = 0xFF000000u | Rgb(tint[0], tint[1], tint[2]);
      look.specular = flash;
      look.priority = o.drawPriority;
      look.shiftX = HitStopShake(o);
      if (glow.on) {
        look.edgeFlag = 1;
        std::copy(glow.value, glow.value + 4, look.edgeColor);
      }
      DrawBattleObject(o, look);
      const Han6Frame* f = CurrentFrame(o);
      if (f && !(f->spriteKind == 1 && IsGiant(o))) DrawShadows(o, tint);
    }
  }
  // The aura: every seventh step of the pattern, when the object stepped.
  if (shown && o.auraEffect != 0 && MayStepVisuals(o) && o.stepFrames % 7 == 0 && !IsSlowMotionSkipFrame() &&
      o.stepped != 0)
    // "Parameter 48" is taken as the behaviour word: as the placement word its 0x10 would put
    // the aura at the camera's point instead of on the fighter.
    SpawnEngineEffect(o, o.auraEffect - 1, 0, 0, 0, 48);
  StatusEffectsStep(o);
}

void DrawCharacters() {
  for (int i = 0; i < kPlayerSlots; ++i) {
    PlayerRecord& r = g_PlayerRecords[i];
    if (!r.inUse) continue;
    BattleObject& o = r.obj;
    // The special stage's own character stands in its first pattern as part of the scenery.
    if (o.charaIndex == 32 && o.pattern == 0 && g_BattleState[BattleStateIndex::kSpecialStage] != 0) continue;
    if (g_StoryCharacterVisible[i] != 0) DrawCharacter(o);
    // The afterimages are drawn even while the story script hides the character.
    if (o.trailColour != 0) {
      if (o.trailReset) {
        BattleSeamResetTrail(i, &o);
        o.trailReset = 0;
      }
      for (int k = 0; k < o.trailCount; ++k) BattleSeamDrawAfterimage(i, &o, k);
    }
  }
}

int IsAnyHeatActive() {
  if (g_JudgeState != 0) return 0;
  const bool four = (g_GameModeFlags & 0x200) != 0;
  for (int i = 0; i < kPlayerSlots; ++i) {
    const PlayerRecord& r = g_PlayerRecords[i];
    if (!r.inUse) continue;
    if (four) {
      const int side = SideIndexOrNone(r.obj.side);
      if (side < 0 || GetSidePlayerIndex(side, 0) != i) continue;
    }
    if (r.obj.gaugeMode == 1 || r.obj.gaugeMode == 3) return 1;
  }
  return 0;
}

int LoadBattleHudTextures() {
  BattleHudTextures& t = g_BattleHudTextures;
  for (int i = 0; i < 10; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "%sgauge%02d", ".\\grp\\Gauge_QZ\\", i);
    t.gauge[i] = LoadTexture(name);
  }
  t.demoMark = LoadTexture(".\\grp\\system\\P00dem40");
  t.comboDigits[0] = LoadTexture(".\\grp\\Combo\\sys_combo00");
  t.comboDigits[1] = LoadTexture(".\\grp\\Combo\\sys_combo01");
  t.flare = LoadTexture(".\\grp\\system\\Flare00");
  // Kept here rather than in a battle-state word: a texture's address is no battle state, and
  // the state hash would differ between runs.
  t.fade = LoadTexture(".\\grp\\system\\fade_black00");
  t.monitor = LoadTexture(".\\grp\\system\\monitor");
  return 1;
}

void FreeBattleHudTextures() {
  BattleHudTextures& t = g_BattleHudTextures;
  auto free = [](TextureHandle*& h) {
    if (h) FreeTexture(h);
    h = nullptr;
  };
  for (TextureHandle*& h : t.gauge) free(h);
  free(t.demoMark);
  for (TextureHandle*& h : t.comboDigits) free(h);
  free(t.flare);
  free(t.fade);
  free(t.monitor);
}

void InstallCharacterDrawSeams() {
  BattleSeams& s = g_BattleSeams;
  s.DrawCharacters = DrawCharacters;
  s.AnyHeatActive = IsAnyHeatActive;
  AddRoundWordsReset(ClearCharacterDrawWords);
  g_BattleDrawSeams.FloorMatrix = CharacterFloorMatrix;
}
