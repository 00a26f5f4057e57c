// The battle scene's HUD (see battle_hud.h): its per-frame values and bars, the drawing, the
// training refill, and the per-player HUD graphics with their asynchronous cut-in reads.
#include "scene/battle_hud.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "Dxtools/D3D_Tools/d3d_files.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/Han6Files/han6_data.h"
#include "FilePacFunc/FilePac.h"
#include "app/file_loader.h"
#include "battle/battle_clock.h"
#include "battle/battle_draw.h"
#include "battle/battle_math.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/battle_support.h"
#include "battle/battle_tables.h"
#include "battle/chara_list.h"
#include "battle/character_draw.h"
#include "battle/combo_records.h"
#include "battle/object_pool.h"
#include "battle/round_flow.h"
#include "battle/screen_break.h"
#include "battle/story_routes.h"
#include "scene/scene_battle.h"

HudSlot g_HudSlots[kHudSlots];
float g_HudHeatFade;

namespace {

// Nothing in this build slides the HUD: the word stays 0 (HUD in place) and the slide offsets
// below are all 0. Kept as a word so the drawing keeps its one source for them.
float g_HudSlide = 0.0f;

// Training setting entries the refill reads.
constexpr int kTrainingLife = 4;
constexpr int kTrainingMagicCircuit = 5;
constexpr int kTrainingGuardGauge = 6;

constexpr int kCutIns = 5;

// ---- drawing helpers: every queue goes through these, so a headless frame changes the same
// state and only skips the queueing ----

GrpDrawList* HudList() { return g_BattleDrawSeams.DrawList ? g_BattleDrawSeams.DrawList() : nullptr; }

TextureHandle* Hud(int n) { return n >= 0 && n < 10 ? g_BattleHudTextures.gauge[n] : nullptr; }

void Sprite(TextureHandle* t, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy, int32_t sw,
            int32_t sh, uint32_t colour, int32_t priority, uint32_t specular = 0) {
  if (!g_BattleDrawSubmit) return;
  DrawSprite(HudList(), t, x, y, w, h, static_cast<float>(sx), static_cast<float>(sy), static_cast<float>(sw),
             static_cast<float>(sh), colour, specular, priority);
}

void Flat(int32_t x, int32_t y, int32_t w, int32_t h, uint32_t colour, int32_t priority) {
  if (!g_BattleDrawSubmit) return;
  DrawRect(HudList(), x, y, w, h, colour, colour, colour, colour, priority);
}

void Rotated(TextureHandle* t, int32_t x, int32_t y, int32_t d, float pivotX, float pivotY, int32_t sx,
             int32_t sy, int32_t sw, float rotY, float rotZ, uint32_t alpha, int32_t priority) {
  if (!g_BattleDrawSubmit) return;
  g_DrawFilterMode = 2;
  DrawSprite3D(HudList(), t, x, y, 0, d, d, pivotX, pivotY, static_cast<float>(sx), static_cast<float>(sy),
               static_cast<float>(sw), static_cast<float>(sw), 0.0f, rotY, rotZ,
               (alpha & 0xFFu) << 24 | 0xFFFFFFu, 0, priority);
  g_DrawFilterMode = 1;
}

// trunc() of a float that HudFraction has kept finite.
int32_t Trunc(float v) { return static_cast<int32_t>(v); }

// The side slide: slot 0 leaves to the left, slot 1 to the right.
int32_t SideSlide(int slot) { return Trunc((slot == 0 ? -320.0f : 320.0f) * g_HudSlide); }
int32_t TopSlide() { return Trunc(g_HudSlide * 128.0f); }
int32_t BottomSlide() { return Trunc(g_HudSlide * 96.0f); }
int32_t ExtrasSlide() { return Trunc(g_HudSlide * 256.0f); }

// The record shown for a side: slot `side` itself, or its partner slot when the partner is the
// side's active player. Null when that record is not in use.
PlayerRecord* ShownRecord(int side) {
  int index = side;
  if (GetSidePlayerIndex(side, 0) == side + 2) index = side + 2;
  PlayerRecord& r = g_PlayerRecords[index];
  return r.inUse ? &r : nullptr;
}

// A character's type row, or null for a type outside the table (nothing is read then).
const TypeParams* TypeRow(int type) {
  if (type < 0 || type >= static_cast<int>(std::size(g_TypeParams))) return nullptr;
  return &g_TypeParams[type];
}

bool InHitOrHeld(const BattleObject& o) { return o.hitReaction != 0 || o.held != 0; }

bool SideInHitOrHeld(int side) {
  for (const PlayerRecord& r : g_PlayerRecords)
    if (r.inUse && r.obj.side == side && InHitOrHeld(r.obj)) return true;
  return false;
}

bool AnyInHitOrHeld() {
  for (const PlayerRecord& r : g_PlayerRecords)
    if (r.inUse && InHitOrHeld(r.obj)) return true;
  return false;
}

bool IsVersusMode() {
  return g_GameModeFlags == MODE_VS_PLAYER || g_GameModeFlags == MODE_VS_CPU ||
         g_GameModeFlags == MODE_CPU_VS_CPU;
}

// A text centred on x, 12 pixels per character.
void CentredText(int32_t centre, int32_t y, const char* text) {
  const int32_t n = static_cast<int32_t>(std::char_traits<char>::length(text));
  DrawDigitString(centre - n * 12 / 2, y, 12, text, 460);
}

// ---- per-player graphics ----

// A cut-in is read asynchronously; its texture is made from the bytes once the read finished.
struct HudCutIn {
  std::unique_ptr<CFileLoader> read;
  TextureHandle* texture = nullptr;
};

// Face, palette chip, five cut-ins and the empty eighth word (index 5 of the cut-in lookup).
struct HudGraphicsSlot {
  TextureHandle* face = nullptr;
  TextureHandle* chip = nullptr;
  HudCutIn cutIns[kCutIns];
  int32_t tagType = 0;
};

// The loader thread fills the slots while the logic thread draws from them.
std::mutex g_HudGraphicsLock;
HudGraphicsSlot g_HudGraphics[kHudSlots];

std::unique_ptr<CFileLoader> StartImageRead(const std::string& base) {
  static const char* kExtensions[] = {".dds", ".png", ".bmp"};
  for (const char* ext : kExtensions) {
    const std::string name = base + ext;
    if (!GetPackList().Exists(name) && !GfxDiskFileExists(name)) continue;
    auto loader = std::make_unique<CFileLoader>();
    if (loader->Open(name) && loader->Read(nullptr, 0, 0)) return loader;
  }
  return nullptr;
}

// Makes the texture once the read has finished (waiting for it when asked). Called under the
// graphics lock.
void FinishCutIn(HudCutIn& c, bool wait) {
  if (!c.read) return;
  if (c.read->Wait(wait ? CFileLoader::kInfinite : 0) != 2) return;
  if (c.read->ReadComplete()) {
    DataBuffer bytes = c.read->TakeBuffer();
    if (bytes && bytes.size() != 0)
      c.texture = CreateTextureFromMemory(bytes.data(), bytes.size(), nullptr, 0, 0);
  }
  c.read.reset();
}

void ReleaseGraphics(HudGraphicsSlot& g) {
  for (HudCutIn& c : g.cutIns) {
    // The read's buffer is the loader's until it has finished: wait, then drop it.
    if (c.read) c.read->Wait();
    c.read.reset();
    if (c.texture) FreeTexture(c.texture);
    c.texture = nullptr;
  }
  if (g.face) FreeTexture(g.face);
  if (g.chip) FreeTexture(g.chip);
  g = HudGraphicsSlot{};
}

std::string Format(const char* format, const char* folder, int a, int b = 0) {
  char name[128];
  std::snprintf(name, sizeof name, format, folder, a, b);
  return name;
}

// The heat-active word's rise spawns this common effect at player slot 0.
Han6Effect HeatRiseEffect() {
  Han6Effect e;
  e.type = 8;
  e.number = 98;
  e.params[2] = 80;
  e.params[3] = 7360;
  return e;
}

}  // namespace

// ---- values ----

float HudFraction(float value, float divisor) {
  // A zero row of the type file (kept by the battle) or an ended countdown would divide by 0 or
  // below: inf or NaN would then reach trunc() for a bar width. Such a divisor gives 0.
  if (!(divisor > 0.0f)) return 0.0f;
  const float f = value / divisor;
  if (!(f > 0.0f)) return 0.0f;
  return std::min(f, 1.0f);
}

float TimerDisplayValue() {
  if (g_TimerSpeed == 0 || g_GameModeFlags == MODE_TRAINING) return -1.0f;
  if (g_RoundTimer <= 0) return 0.0f;
  return static_cast<float>(g_RoundTimer) / static_cast<float>(kRoundTimeSteps[ClampedTimerSpeed()]) + 1.0f;
}

MeterLook GetMeterLook(const HudSlot& s) {
  MeterLook m;
  if (s.specialCountdown != 0) {
    m.label = 3;
    m.colour = 0xFFBE64C8u;
    m.speed = 0;
    return m;
  }
  switch (s.gaugeMode) {
    case 1:
      m.label = 1, m.colour = 0xFF5A5AE6u, m.speed = -2;
      return m;
    case 2:
      m.label = 0, m.colour = 0xFFFAA000u, m.speed = -2;
      return m;
    case 3:
      m.label = 2, m.colour = 0xFFB4B4B4u, m.speed = -2;
      return m;
    case 5:
      m.label = 4, m.colour = 0xFF3296FFu, m.speed = 2, m.full = true;
      return m;
    default:
      break;
  }
  const bool late = s.type == 2 || s.type == 8;
  const float first = late ? 0.5f : 1.0f / 3.0f, second = late ? 0.75f : 2.0f / 3.0f;
  if (s.meterShown < first) {
    m.level = 1, m.colour = 0xFFC80000u;
  } else if (s.meterShown < second) {
    m.level = 2, m.colour = 0xFFC8C800u;
  } else {
    m.level = 3, m.colour = 0xFF00C800u;
  }
  m.speed = m.level;
  return m;
}

void ResetHudSlots() {
  for (HudSlot& s : g_HudSlots) s = HudSlot{};
}

void ShakeHudLifeBar(int side) {
  if (side < 0 || side >= kHudSlots) return;
  g_HudSlots[side].flash = 24;
}

void RefillTrainingGauges() {
  for (int i = 0; i < kPlayerSlots; ++i) {
    PlayerRecord& r = g_PlayerRecords[i];
    if (!r.inUse) continue;
    BattleObject& o = r.obj;
    const int side = o.side;
    if (side > 3 || GetSidePlayerIndex(side, 0) != i) continue;
    static constexpr float kLife[4] = {1.0f, 0.75f, 0.5f, 0.25f};
    const int life = BattleSeamTrainingSetting(kTrainingLife);
    if (!SideInHitOrHeld(side) && life >= 0 && life <= 3) {
      o.life = o.redLife = FloatToInt32(static_cast<float>(g_MaxLife) * kLife[life]);
    }
    const TypeParams* t = TypeRow(o.type);
    static constexpr float kGuard[5] = {1.0f, 0.75f, 0.5f, 0.25f, 0.0f};
    const int guard = BattleSeamTrainingSetting(kTrainingGuardGauge);
    if (t && guard >= 0 && guard <= 4 && o.guardGaugeState == 1) {
      const float level = t->ggMaxVal * kGuard[guard];
      if (o.guardGauge > level) o.guardGauge = level;
    }
    if (g_HudSlide != 0.0f) continue;
    const int circuit = BattleSeamTrainingSetting(kTrainingMagicCircuit);
    if (o.gaugeMode == 0 && !AnyInHitOrHeld()) {
      const int32_t max = t ? t->magicCircuitMax : 0;
      if (circuit == 1 || (circuit == 2 && o.circuit != max - 1)) o.circuit = max;
      if (circuit == 3) o.gaugeMode = 5;
    } else if (o.gaugeMode == 5 && circuit != 3) {
      o.gaugeMode = 0;
      o.circuit = 0;
    }
  }
}

void UpdateHudValues() {
  for (int s = 0; s < 2; ++s) {
    PlayerRecord* r = ShownRecord(s);
    if (!r) continue;
    const BattleObject& o = r->obj;
    HudSlot& h = g_HudSlots[s];
    h.maxLife = g_MaxLife;
    const float max = static_cast<float>(h.maxLife);
    h.lifeTarget = HudFraction(static_cast<float>(o.life), max);
    h.redTarget = HudFraction(static_cast<float>(o.redLife), max);
    // The marker keeps the life the combo started from until the side is out of it.
    if (IsSideOutOfCombo(s)) h.markerTarget = h.lifeTarget;
    const TypeParams* t = TypeRow(o.type);
    h.guardState = o.guardGaugeState;
    h.guardFraction = HudFraction(o.guardGauge, t ? t->ggMaxVal : 0.0f);
    h.guardBlend = HudFraction(o.guardQuality, t ? t->gqMaxVal : 0.0f);
    h.gaugeMode = o.gaugeMode;
    // The special countdown is the full circuit lock (a counter running at rate 0).
    h.specialCountdown = o.circuitBreakTimer != 0 && o.circuitBreakRate == 0 ? 1 : 0;
    if (h.specialCountdown) {
      h.meterTarget = HudFraction(o.circuitBreakTimer, o.circuitBreakLength);
    } else if (o.gaugeMode == 0) {
      h.meterTarget =
          HudFraction(static_cast<float>(o.circuit), t ? static_cast<float>(t->magicCircuitMax) : 0.0f);
    } else if (o.gaugeModeMax != 0) {
      h.meterTarget = HudFraction(static_cast<float>(o.heatTimer), o.gaugeModeMax);
    } else {
      h.meterTarget = 0.0f;
    }
    h.meterRaw = o.circuit;
    h.type = o.type;
    h.colour = g_PlayerSelections[s].color;
    // No landed record word carries the ring flag: the ring stays at its small size.
    h.ringGrow = 0;
  }
}

void UpdateHudBars() {
  auto move = [](float& shown, float target) {
    if (shown > target) {
      shown = std::max(shown - std::max(0.25f * (shown - target), 0.002f), target);
    } else if (shown < target) {
      shown = std::min(shown + std::max(0.25f * (target - shown), 0.005f), target);
    }
  };
  for (HudSlot& h : g_HudSlots) {
    move(h.lifeShown, h.lifeTarget);
    move(h.redShown, h.redTarget);
    move(h.markerShown, h.markerTarget);
    move(h.meterShown, h.meterTarget);
    if (g_Paused == 0) {
      h.ringAngle += h.lifeTarget * 1.5f;
      if (h.ringAngle >= 360.0f) h.ringAngle -= 360.0f;
      if (h.ringGrow != 0) h.ringAlpha = std::min(h.ringAlpha + 1.0f / 30.0f, 1.0f);
    }
    if (h.flash > 0) --h.flash;
  }
}

// ---- drawing ----

namespace {

void DrawBarGroup(int slot) {
  const HudSlot& h = g_HudSlots[slot];
  const int32_t xs = SideSlide(slot);
  const bool p1 = slot == 0;
  TextureHandle* hud0 = Hud(0);
  const int32_t w = Trunc(h.lifeShown * 212.0f);
  Sprite(hud0, p1 ? xs + 273 - w : xs + 367, 40, w, 10, 0, p1 ? 374 : 406, 212, 10, 0xFFFFFFFFu, 706);
  const int32_t m = Trunc(h.markerShown * 212.0f);
  const int32_t mx = p1 ? xs + 273 - m : xs + 367;
  const uint32_t flashAlpha = static_cast<uint32_t>(std::clamp(h.flash * 200 / 24, 0, 255));
  Flat(mx, 40, m, 10, flashAlpha << 24 | (p1 ? 0xDCDCDCu : 0xC8C8C8u), 706);
  Flat(mx, 40, m, 10, 0x80C89664u, 706);
  const int32_t rw = Trunc(h.redShown * 212.0f);
  if (p1) {
    Sprite(hud0, xs + 273 - rw, 40, rw, 10, 212 - rw, 390, rw, 10, 0xFFDCDCDCu, 706);
  } else {
    Sprite(hud0, xs + 367, 40, rw, 10, 0, 422, rw, 10, 0xFFDCDCDCu, 706);
  }
  Sprite(hud0, p1 ? xs : xs + 320, 18, 320, 96, 0, p1 ? 0 : 96, 320, 96, 0xFFFFFFFFu, 706);
  const int32_t d = Trunc(h.ringAlpha * 80.0f + 80.0f);
  const uint32_t alpha = static_cast<uint32_t>(Trunc((1.0f - h.ringAlpha) * 180.0f));
  Rotated(Hud(8), p1 ? xs + 51 : xs + 588, 85, d, static_cast<float>(d / 2) - 0.5f, static_cast<float>(d / 2),
          112, 80, 80, p1 ? 0.0f : 180.0f, h.ringAngle, alpha, 704);
}

void DrawFace(int slot) {
  const int32_t xs = SideSlide(slot);
  Sprite(GetHudFace(slot), slot == 0 ? xs : xs + 384, 0, 256, 96, 0, 0, 256, 96, 0xFFFFFFFFu, 705);
}

// A 16 x 16 digit cell of HUD 4.
void HudDigit(int32_t x, int32_t y, int d, int32_t priority) {
  Sprite(Hud(4), x, y, 16, 16, d % 8 * 16, d / 8 * 16, 16, 16, 0xFFFFFFFFu, priority);
}

}  // namespace

void DrawGuardBar(int slot) {
  if (slot < 0 || slot > 1) return;
  const HudSlot& h = g_HudSlots[slot];
  const int32_t xs = SideSlide(slot);
  const bool p1 = slot == 0;
  const int32_t w = Trunc(h.guardFraction * 116.0f);
  const uint32_t colour =
      h.guardState == 2 ? 0xFF767676u : LerpColour(0xFF00BEE6u, 0xFFE60A0Au, h.guardBlend);
  TextureHandle* hud0 = Hud(0);
  if (h.guardState == 2) {
    Sprite(hud0, p1 ? xs + 144 : xs + 352, 57, 144, 24, p1 ? 0 : 144, 344, 144, 24, 0xFFFFFFFFu, 707);
  }
  if (p1) {
    Sprite(hud0, xs + 273 - w, 57, w, 24, 436 - w, 72, w, 24, colour, 707);
  } else {
    Sprite(hud0, xs + 367, 57, w, 24, 320, 104, w, 24, colour, 707);
  }
}

void DrawMeter(int slot) {
  if (slot < 0 || slot > 1) return;
  const HudSlot& h = g_HudSlots[slot];
  const int32_t c = BottomSlide();
  const bool p1 = slot == 0;
  const MeterLook look = GetMeterLook(h);
  if (look.label < 0) {
    DrawDecimalValue(p1 ? 118 : 434, c + 446, h.meterRaw / 10, 455);
  } else {
    const bool blink = h.specialCountdown == 0 && (g_BattleStepCount / 3) % 2 != 0;
    Sprite(Hud(2), p1 ? 100 : 424, c + 450, 128, 24, 0, look.label * 24, 128, 24, 0xFFFFFFFFu, 711,
           blink ? 0x808080u : 0u);
  }
  TextureHandle* frame = (h.type == 2 || h.type == 8) ? Hud(9) : Hud(0);
  Sprite(frame, p1 ? 0 : 400, c + 434, 240, 48, 0, p1 ? 192 : 256, 240, 48, 0xFFFFFFFFu, 706);
  if (h.specialCountdown) {
    Sprite(frame, p1 ? 16 : 400, c + 434, 224, 32, p1 ? 0 : 224, 304, 224, 32, 0xFFFFFFFFu, 707);
  }
  const int32_t b = look.full ? 192 : Trunc(h.meterShown * 192.0f);
  if (!g_BattleDrawSubmit) return;
  int32_t speed = p1 ? look.speed : -look.speed;
  const float v = static_cast<float>(speed == 0 ? 2 : speed) * static_cast<float>(g_BattleFrame) * 0.01f;
  const float value = speed > 0 ? v - std::trunc(v) : v + std::trunc(1.0f - v);
  const vt::gfx::Texture* ft = HandleTexture(frame);
  const float width = ft ? static_cast<float>(ft->Width()) : 0.0f;
  if (CDxEffTag* tag = UseEffect("TecMagicCircuitDraw")) {
    tag->AddFloat("fValue", value);
    tag->AddFloat("fColor", speed == 0 ? 0.1f : 1.0f);
    // A missing frame texture has no width: the shader then gets 0, not inf.
    tag->AddFloat("fWidth", width > 0.0f ? 192.0f / width : 0.0f);
    tag->AddFloat("fSU", width > 0.0f ? 224.0f / width : 0.0f);
  }
  if (p1) {
    Sprite(Hud(0), 35, c + 440, b, 32, 224, 374, b, 32, look.colour, 707);
  } else {
    Sprite(Hud(0), 605 - b, c + 440, b, 32, 416 - b, 406, b, 32, look.colour, 707);
  }
  SetCurrentEffectTag(nullptr);
}

void DrawTypeIcon(int slot) {
  if (slot < 0 || slot > 1) return;
  const HudSlot& h = g_HudSlots[slot];
  const int32_t xs = SideSlide(slot);
  const bool p1 = slot == 0;
  // A type or colour outside its table draws nothing of it.
  if (h.type >= 0 && h.type <= 9) {
    const int cell = (h.type == 8 || h.type == 9) ? 3 : h.type % 4;
    Sprite(Hud(6), p1 ? xs + 27 : xs + 565, 60, 48, 48, 48 * cell, 0, 48, 48, 0xFFFFFFFFu, 707);
  }
  if (h.colour < 0 || h.colour > 35) return;
  const int32_t x = p1 ? xs + 72 : xs + 541;
  // Within a priority the command queued last draws first: the backing goes in after the chip.
  Sprite(GetHudPaletteChip(slot), x, 70, 28, 10, h.colour % 8 * 32 + 2, h.colour / 8 * 16 + 3, 28, 10,
         0xFFFFFFFFu, 707);
  Flat(x - 1, 69, 30, 12, 0xFF000000u, 707);
  char text[8];
  std::snprintf(text, sizeof text, "%02d", h.colour + 1);
  DrawDigitString(p1 ? xs + 100 : xs + 516, 67, 11, text, 451);
}

void DrawHudCentre() {
  const int32_t s = TopSlide();
  const int heat = IsAnyHeatActive();
  if (heat != 0 && g_HudHeatActive == 0 && g_BattlePhase != 0 && g_PlayerRecords[0].inUse) {
    SpawnCommonEffect(g_PlayerRecords[0].obj, HeatRiseEffect());
  }
  g_HudHeatActive = heat;
  g_HudHeatFade = heat ? std::min(g_HudHeatFade + 1.0f / 30.0f, 1.0f) : std::max(g_HudHeatFade - 0.05f, 0.0f);

  DrawTimerDigits(32 - s, heat ? 128 : 255, 450);

  if (g_GameModeFlags == MODE_ARCADE) {
    const int side = std::min<int>(g_MainSide, 1);
    const int32_t stage = g_StoryBattleRoutes[side].stageIndex;
    const int32_t x = stage >= 9 ? 280 : 288;
    Sprite(Hud(4), x, 16 - s, 48, 16, 0, 32, 48, 16, 0xFFFFFFFFu, 706);
    char text[16];
    std::snprintf(text, sizeof text, "%2u", static_cast<unsigned>(stage + 1));
    for (int i = 0; i < 2 && text[i] != 0; ++i) {
      if (text[i] < '0' || text[i] > '9') continue;  // the leading blank
      HudDigit(x + 48 + 11 * i, 16 - s, text[i] - '0', 706);
    }
  } else if (IsVersusMode()) {
    Sprite(Hud(4), 292, 16 - s, 56, 16, 0, 80, 56, 16, 0xFFFFFFFFu, 706);
  }

  if (g_GameModeFlags != MODE_TRAINING) {
    if (g_FinalRound == 255) {
      Sprite(Hud(4), 282, 70 - s, 80, 16, 0, 64, 80, 16, 0xFFFFFFFFu, 707);
    } else {
      Sprite(Hud(4), 292, 70 - s, 48, 16, 0, 48, 48, 16, 0xFFFFFFFFu, 707);
      HudDigit(336, 70 - s, (g_RoundCounter + 1) % 10, 707);
    }
  }

  const float timer = g_TimerShown;
  const float u = 101.0f - timer;
  const int32_t q = Trunc(u) / 10;
  const float f = u - static_cast<float>(10 * q);
  const float turn1 =
      f > 9.5f ? static_cast<float>(q) + ((f - 9.5f) * 2.0f) * ((f - 9.5f) * 2.0f) : static_cast<float>(q);
  const float turn2 = (99.0f - timer - static_cast<float>(10 * q)) / 10.0f * 360.0f;
  const uint32_t alpha = static_cast<uint32_t>(Trunc((1.0f - g_HudHeatFade) * 180.0f));
  const int32_t d1 = Trunc(g_HudHeatFade * 320.0f + 112.0f);
  const int32_t d2 = Trunc(g_HudHeatFade * 240.0f + 80.0f);
  Rotated(Hud(8), 320, 48 - s, d1, static_cast<float>(d1 / 2), static_cast<float>(d1 / 2), 0, 0, 112, 0.0f,
          90.0f * turn1, alpha, 706);
  Rotated(Hud(8), 320, 48 - s, d2, static_cast<float>(d2 / 2), static_cast<float>(d2 / 2), 112, 0, 80, 0.0f,
          turn2, alpha, 706);
}

void DrawHudBars() {
  for (int slot = 0; slot < 2; ++slot) DrawBarGroup(slot);
  for (int slot = 0; slot < kHudSlots; ++slot) {
    DrawGuardBar(slot);
    DrawMeter(slot);
    DrawTypeIcon(slot);
  }
  for (int slot = 0; slot < 2; ++slot) DrawFace(slot);
  DrawHudCentre();
}

namespace {

void DrawRoundMarks(int side, int32_t t) {
  const int base = BattleStateIndex::kRoundMarks + 12 * side;
  const int32_t won = g_BattleState[base];
  // The block holds ten marks per side.
  const int32_t count = std::clamp(g_BattleState[base + 1], 0, 10);
  for (int k = 0; k < count; ++k) {
    const int32_t value = g_BattleState[base + 2 + k];
    const int32_t sx = k < won && value >= 0 && value < 100 ? 32 * value : 96;
    Sprite(Hud(7), side == 0 ? 250 - 26 * k : 362 + 26 * k, 76 - t, 32, 32, sx, 0, 32, 32, 0xFFFFFFFFu, 716);
  }
}

void DrawGaugeModeCounters(int side, int32_t t) {
  PlayerRecord* r = ShownRecord(side);
  if (!r) return;
  const BattleObject& o = r->obj;
  char text[16];
  if (o.gaugeMode == 1) {
    const int32_t left = std::max(0, 13 - static_cast<int32_t>(o.gaugeCount));
    std::snprintf(text, sizeof text, "%02d", std::min(left, 99));
    DrawDigitString(side == 0 ? 82 - t : 532 + t, 88, 9, text, 460);
    for (int k = 0; k < 13; ++k) {
      const int32_t x = side == 0 ? 104 - t + 6 * k : 522 + t - 6 * k;
      Sprite(Hud(4), x, 88, 16, 16, 0, 96, 16, 16, k < left ? 0xFFFFFFFFu : 0xFF646464u, 716);
    }
  } else if (o.gaugeMode == 2) {
    const int32_t x = side == 0 ? 86 - t : 520 + t;
    Sprite(Hud(4), x, 88, 16, 16, 16, 96, 16, 16, 0xFFFFFFFFu, 716);
    // The mode's value: the seconds left on its timer.
    std::snprintf(text, sizeof text, "%02d", std::clamp(o.heatTimer / 60, 0, 99));
    DrawDigitString(x + 12, 88, 11, text, 460);
  }
}

}  // namespace

void DrawSideScore(int side) {
  const int32_t t = ExtrasSlide();
  const int32_t bx = side == 0 ? 80 : 380;
  const int32_t y = 16 - t;
  const int32_t wins = g_SideWinCounts[side & 1];
  char text[16];
  if (wins == 1) {
    std::snprintf(text, sizeof text, "1 WIN");
  } else {
    std::snprintf(text, sizeof text, "%d WINS", std::clamp(wins, 0, 9999));
  }
  const int32_t centre = side == 0 ? 168 : 470;
  if (g_GameModeFlags == MODE_ARCADE) {
    if (side != g_MainSide || g_PlayerSelections[side & 1].controller == 1) return;
    if (g_BattleDrawSubmit) g_DrawFilterMode = 2;
    Sprite(Hud(1), bx, y, 80, 16, 0, side * 80, 80, 16, 0xFFFFFFFFu, 716);
    DrawScoreDigits(bx + 80, y, g_SideStatus[side].score, side);
    if (wins > 0) CentredText(centre, y - 14, text);
    g_DrawFilterMode = 1;
  } else if (IsVersusMode()) {
    // Online the name plate comes from the online-mode manager, which has none to give yet.
    if (BattleSeamIsNetMatchActive()) return;
    if (g_BattleDrawSubmit) g_DrawFilterMode = 2;
    CentredText(centre, y, wins > 0 ? text : "CHALLENGER");
    g_DrawFilterMode = 1;
  }
}

void DrawBattleHud() {
  const bool training = g_GameModeFlags == MODE_TRAINING;
  if (training && g_Paused == 0 && (g_SlowMotion == 0 || g_BattleFrame % 3 == 0)) RefillTrainingGauges();
  g_TimerShown = TimerDisplayValue();
  UpdateHudValues();
  UpdateHudBars();
  DrawHudBars();
  const int32_t t = ExtrasSlide();
  for (int side = 0; side < 2; ++side) {
    if (!training) DrawRoundMarks(side, t);
    DrawGaugeModeCounters(side, t);
    if ((g_GameModeFlags & 0x300) == 0) DrawSideScore(side);
  }
}

// ---- graphics ----

void LoadBattleHudGraphics(int slot, int side, int chara, int cutInChara) {
  if (slot < 0 || slot >= kHudSlots) return;
  FreePlayerHudGraphics(slot);
  const CharaListEntry* e = GetCharaListEntry(chara);
  if (!e) return;  // an absent character has no graphics
  const int number = e->index;
  HudGraphicsSlot g;
  g.tagType = e->TagType;
  // The loader passes the side where a colour would be: faces are per character and side.
  g.face = LoadTexture(Format("%sface%02d_%02d", ".\\grp\\Gauge_QZ\\Face\\", number, side).c_str());
  g.chip = LoadTexture(Format("%scolor_c%02d", ".\\grp\\C_Sel_QZ\\Palette\\", number).c_str());
  const int own = cutInChara == -1 ? number : cutInChara;
  int cut = -1;
  switch (e->TagType) {
    case 0:
    case 255:
      cut = own;
      break;
    case 1:
      // The partner behind takes its cut-ins from the character named by the entry's first file
      // name (the side's first slot) or its second (the partner slot).
      cut = FindCharacterByName(slot < 2 ? e->File1 : e->File2);
      break;
    case 2:
    case 3:
      if (slot < 2) cut = own;
      break;
    default:
      break;
  }
  if (cut >= 0 && cut <= 99) {
    for (int i = 0; i < kCutIns; ++i)
      g.cutIns[i].read = StartImageRead(Format("%scut_%02d%02d", ".\\grp\\cut\\", cut, i));
  }
  HudGraphicsSlot old;
  {
    std::lock_guard<std::mutex> lock(g_HudGraphicsLock);
    old = std::move(g_HudGraphics[slot]);
    g_HudGraphics[slot] = std::move(g);
  }
  ReleaseGraphics(old);
}

void FreePlayerHudGraphics(int slot) {
  if (slot < 0 || slot >= kHudSlots) return;
  HudGraphicsSlot old;
  {
    std::lock_guard<std::mutex> lock(g_HudGraphicsLock);
    old = std::move(g_HudGraphics[slot]);
    g_HudGraphics[slot] = HudGraphicsSlot{};
  }
  ReleaseGraphics(old);
}

void FreeBattleHudGraphics() {
  for (int slot = 0; slot < kHudSlots; ++slot) FreePlayerHudGraphics(slot);
}

TextureHandle* GetBattleHudTexture(int player, int index) {
  if (player < 0 || player >= kHudSlots || index < 0 || index >= kCutIns) return nullptr;
  std::lock_guard<std::mutex> lock(g_HudGraphicsLock);
  const int tag = g_HudGraphics[player].tagType;
  if (tag == 2 || tag == 3) player &= 1;
  HudCutIn& c = g_HudGraphics[player].cutIns[index];
  FinishCutIn(c, false);
  return c.texture;
}

TextureHandle* GetHudFace(int slot) {
  if (slot < 0 || slot >= kHudSlots) return nullptr;
  std::lock_guard<std::mutex> lock(g_HudGraphicsLock);
  return g_HudGraphics[slot].face;
}

TextureHandle* GetHudPaletteChip(int slot) {
  if (slot < 0 || slot >= kHudSlots) return nullptr;
  std::lock_guard<std::mutex> lock(g_HudGraphicsLock);
  return g_HudGraphics[slot].chip;
}

void InstallBattleHud() {
  BattleSeams& s = g_BattleSeams;
  s.LoadBattleHudGraphics = [](int slot, int side, int chara) {
    LoadBattleHudGraphics(slot, side, chara, -1);
  };
  s.FreeBattleHudGraphics = FreeBattleHudGraphics;
  g_BattleDrawSeams.CutInTexture = GetBattleHudTexture;
  g_BattleDrawSeams.HudSlide = [] { return g_HudSlide; };
  AddRoundWordsReset(ResetHudSlots);
}
