// The character select's moving pieces: floating particles, chains, rings and sparks, the
// roster grid's reveal and cursors, the style disks and the colour lists.
#include "scene/select_screen_parts.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "app/random.h"
#include "app/save_data.h"
#include "scene/chara_preview.h"

using namespace select_screen;
namespace L = select_layout;

namespace {

// Queued with the given blend and filter; the shared modes are put back for whoever queues next.
struct Modes {
  uint8_t blend, filter;
  Modes(uint8_t b, uint8_t f) : blend(g_DrawBlendMode), filter(g_DrawFilterMode) {
    g_DrawBlendMode = b;
    g_DrawFilterMode = f;
  }
  ~Modes() {
    g_DrawBlendMode = blend;
    g_DrawFilterMode = filter;
  }
};
constexpr uint8_t kBlendNormal = 1, kBlendAdd = 2, kFilterPoint = 1, kFilterLinear = 2;

CharaSelectScreen& S() { return GetCharaSelectScreen(); }

// The seven chains as they hang at the start: place, tilt, kind, scroll limit, speed and pause.
constexpr SelectChain kChains[7] = {
    {200.0f, 350.0f, 0, 128.0f, 0.5f, 90}, {440.0f, 10.0f, 0, 128.0f, 0.5f, 90},
    {96.0f, 345.0f, 1, 64.0f, 0.25f, 30},  {544.0f, 15.0f, 1, 64.0f, 0.25f, 30},
    {300.0f, 355.0f, 1, 32.0f, 0.2f, 60},  {340.0f, 5.0f, 1, 32.0f, 0.2f, 60},
    {24.0f, 340.0f, 0, 96.0f, 0.4f, 120},
};

}  // namespace

// ---- chains (both modes) ----

void LoadSelectChains() {
  ReleaseSelectChains();
  CharaSelectScreen& s = S();
  for (int i = 0; i < 2; ++i) s.sheets.chains[i] = LoadSheet("%scsel_Chain%02d", i);
  for (size_t i = 0; i < s.chains.size(); ++i) s.chains[i] = kChains[i];
  s.chainAlpha = 0.0f;
}

void ReleaseSelectChains() {
  for (TextureHandle*& t : S().sheets.chains) {
    FreeTexture(t);
    t = nullptr;
  }
}

void UpdateSelectChains() {
  CharaSelectScreen& s = S();
  s.chainAlpha = std::min(1.0f, s.chainAlpha + 1.0f / 300.0f);
  for (SelectChain& c : s.chains) {
    if (c.hold > 0) {
      if (--c.hold == 0) {
        if (c.kind == 0)
          c.direction = -c.direction;
        else
          c.position = 0.0f;
      }
      continue;
    }
    c.position += c.speed * c.direction;
    const float end = c.direction > 0.0f ? c.limit : 0.0f;
    if ((c.direction > 0.0f && c.position >= end) || (c.direction < 0.0f && c.position <= end)) {
      c.position = end;
      c.hold = c.holdFrames;
      // A chain without a pause turns (or starts over) at once.
      if (c.hold == 0) {
        if (c.kind == 0)
          c.direction = -c.direction;
        else
          c.position = 0.0f;
      }
    }
  }
}

void DrawSelectChains() {
  const CharaSelectScreen& s = S();
  const uint32_t colour = Alpha(s.chainAlpha) | 0xFFFFFFu;
  if (s.chainAlpha <= 0.0f) return;
  for (const SelectChain& c : s.chains) {
    const int kind = c.kind == 0 ? 0 : 1;
    TextureHandle* t = s.sheets.chains[kind];
    if (t == nullptr) continue;
    const float w = static_cast<float>(L::kChainWidth[kind]), len = static_cast<float>(L::kChainLength);
    // The strip's texture is scrolled by its position: the sheet is drawn in two pieces that
    // meet where the texture wraps, both turned about the strip's bottom centre.
    const float pos = std::clamp(std::fmod(c.position, len), 0.0f, len);
    const float upper = len - pos;
    if (upper > 0.0f)
      Turned(t, c.x, 480, w, upper, w / 2, len, 0, pos, w, upper, 0, 0, c.angle, colour, 0, 261);
    if (pos >= 1.0f) Turned(t, c.x, 480, w, pos, w / 2, pos, 0, 0, w, pos, 0, 0, c.angle, colour, 0, 261);
  }
}

// ---- sheets of the select ----

void LoadSelectParts() {
  ReleaseSelectParts();
  CharaSelectSheets& s = S().sheets;
  s.icons = LoadSheet("%scsel_icon00", 0);
  s.particles = LoadSheet("%scsel_Eg00", 0);
  s.effects = LoadSheet("%scsel_ef00", 0);
  for (int i = 0; i < 2; ++i) s.disks[i] = LoadSheet("%scsel_Disk%02d", i);
  s.styleLabels = LoadSheet(GetSelectLanguage() == 1 ? "%scsel_style00_eng" : "%scsel_style00", 0);
  S().grid = BuildRosterGrid();
}

void ReleaseSelectParts() {
  CharaSelectSheets& s = S().sheets;
  for (TextureHandle** t : {&s.icons, &s.particles, &s.effects, &s.disks[0], &s.disks[1], &s.styleLabels}) {
    FreeTexture(*t);
    *t = nullptr;
  }
}

// ---- particles ----

void UpdateSelectParticles(int32_t frame) {
  CharaSelectScreen& s = S();
  if (frame % 40 == 0) {
    for (SelectParticle& p : s.particles) {
      if (p.state != 0) continue;
      // Drawn from the common stream in this order: strip, x, y, hold, speed, sign.
      p.state = 1;
      p.timer = 0;
      p.row = RandNext() % L::kParticleRows;
      p.x = static_cast<float>(RandNext() % 640);
      p.y = static_cast<float>(150 + RandNext() % 298);
      p.holdFrames = 30 + RandNext() % 60;
      p.speed = 0.25f + static_cast<float>(RandNext() % 76) / 100.0f;
      if (RandNext() % 2 != 0) p.speed = -p.speed;
      break;
    }
  }
  for (SelectParticle& p : s.particles) {
    if (p.state == 0) continue;
    p.x += p.speed;
    ++p.timer;
    if (p.state == 1 && p.timer >= 30) {
      p.state = 10;
      p.timer = 0;
    } else if (p.state == 10 && p.timer >= p.holdFrames) {
      p.state = 100;
      p.timer = 0;
    } else if (p.state == 100 && p.timer >= 30) {
      p.state = 0;
      p.timer = 0;
    }
  }
}

void DrawSelectParticles() {
  const CharaSelectScreen& s = S();
  if (s.sheets.particles == nullptr) return;
  Modes modes(kBlendAdd, kFilterLinear);
  for (const SelectParticle& p : s.particles) {
    if (p.state == 0) continue;
    float a = 1.0f;
    if (p.state == 1) a = static_cast<float>(p.timer) / 30.0f;
    if (p.state == 100) a = 1.0f - static_cast<float>(p.timer) / 30.0f;
    Quad(s.sheets.particles, p.x - L::kParticleW / 2.0f, p.y - L::kParticleH / 2.0f, L::kParticleW,
         L::kParticleH, 0, static_cast<float>(p.row * L::kParticleH), L::kParticleW, L::kParticleH,
         Alpha(a) | 0xFFFFFFu, 0, 266);
  }
}

// ---- rings and sparks ----

void UpdateSelectEffects(int32_t frame) {
  CharaSelectScreen& s = S();
  if (frame % 60 == 0) {
    for (SelectRing& r : s.rings) {
      if (r.active) continue;
      r = SelectRing{true, 0, 0.1f, 0.05f};
      break;
    }
  }
  for (SelectRing& r : s.rings) {
    if (!r.active) continue;
    r.scale += r.growth;
    r.growth *= 0.98f;
    if (++r.age >= 120) r.active = false;
  }
  if (--s.sparkCountdown < 1) {
    // Drawn from the common stream in this order: look, turning direction, speed (for a free
    // spark), then the next countdown.
    for (SelectSpark& k : s.sparks) {
      if (k.active) continue;
      k.active = true;
      k.look = RandNext() % 2;
      k.direction = RandNext() % 2 == 0 ? 1.0f : -1.0f;
      k.speed = 0.8f + static_cast<float>(RandNext() % 101) / 100.0f;
      k.risen = 0.0f;
      k.phase = 0.0f;
      break;
    }
    s.sparkCountdown = 20 + RandNext() % 90;
  }
  for (SelectSpark& k : s.sparks) {
    if (!k.active) continue;
    k.risen += k.speed;
    k.phase += 0.005f * k.direction;
    if (k.risen >= 480.0f) k.active = false;
  }
}

void DrawSelectEffects() {
  const CharaSelectScreen& s = S();
  TextureHandle* t = s.sheets.effects;
  if (t == nullptr) return;
  Modes modes(kBlendAdd, kFilterLinear);
  for (const SelectRing& r : s.rings) {
    if (!r.active) continue;
    float a = 1.0f;
    if (r.age < 30) a = static_cast<float>(r.age) / 30.0f;
    if (r.age >= 90) a = 1.0f - static_cast<float>(r.age - 90) / 30.0f;
    const float w = 128.0f * r.scale, h = 24.0f * r.scale;
    Quad(t, 320.0f - w / 2, 420.0f - h / 2, w, h, L::kRing.x, L::kRing.y, L::kRing.w, L::kRing.h,
         Alpha(a) | 0xFFFFFFu, 0, 266);
  }
  for (const SelectSpark& k : s.sparks) {
    if (!k.active) continue;
    const float x = 320.0f + 24.0f * SinDegrees(k.phase * 360.0f), y = 420.0f - k.risen;
    const L::Piece& p = L::kSparks[k.look];
    Quad(t, x - p.w / 2.0f, y - p.h / 2.0f, p.w, p.h, p.x, p.y, p.w, p.h,
         Alpha(1.0f - k.risen / 480.0f) | 0xFFFFFFu, 0, 267);
  }
}
