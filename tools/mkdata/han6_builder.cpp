// Canvas shapes and the frame-data builder for the sample data.
#include "han6_builder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace mkdata {

void IndexCanvas::Set(int x, int y, uint8_t v) {
  if (x >= 0 && y >= 0 && x < width && y < height) pixels[static_cast<size_t>(y) * width + x] = v;
}

void IndexCanvas::Rect(int x0, int y0, int x1, int y1, uint8_t v) {
  for (int y = std::min(y0, y1); y <= std::max(y0, y1); ++y)
    for (int x = std::min(x0, x1); x <= std::max(x0, x1); ++x) Set(x, y, v);
}

void IndexCanvas::Disc(float cx, float cy, float r, uint8_t v) {
  for (int y = static_cast<int>(cy - r - 1); y <= static_cast<int>(cy + r + 1); ++y)
    for (int x = static_cast<int>(cx - r - 1); x <= static_cast<int>(cx + r + 1); ++x)
      if ((x + 0.5f - cx) * (x + 0.5f - cx) + (y + 0.5f - cy) * (y + 0.5f - cy) <= r * r) Set(x, y, v);
}

void IndexCanvas::Segment(float x0, float y0, float x1, float y1, float r, uint8_t v) {
  const float dx = x1 - x0, dy = y1 - y0;
  const float len2 = dx * dx + dy * dy;
  for (int y = static_cast<int>(std::min(y0, y1) - r - 1); y <= static_cast<int>(std::max(y0, y1) + r + 1);
       ++y) {
    for (int x = static_cast<int>(std::min(x0, x1) - r - 1); x <= static_cast<int>(std::max(x0, x1) + r + 1);
         ++x) {
      const float px = x + 0.5f - x0, py = y + 0.5f - y0;
      float t = len2 > 0 ? (px * dx + py * dy) / len2 : 0.0f;
      t = std::clamp(t, 0.0f, 1.0f);
      const float ex = px - t * dx, ey = py - t * dy;
      if (ex * ex + ey * ey <= r * r) Set(x, y, v);
    }
  }
}

void IndexCanvas::Limb(float x0, float y0, float x1, float y1, float r, uint8_t fill, uint8_t outline) {
  Segment(x0, y0, x1, y1, r + 1.0f, outline);
  Segment(x0, y0, x1, y1, r, fill);
}

void IndexCanvas::Ball(float cx, float cy, float r, uint8_t fill, uint8_t outline) {
  Disc(cx, cy, r + 1.0f, outline);
  Disc(cx, cy, r, fill);
}

namespace {
void Blend(ColorCanvas& c, int x, int y, uint8_t r, uint8_t g, uint8_t b, float a) {
  if (x < 0 || y < 0 || x >= c.width || y >= c.height || a <= 0.0f) return;
  uint8_t* p = &c.pixels[(static_cast<size_t>(y) * c.width + x) * 4];
  const uint8_t alpha = static_cast<uint8_t>(std::clamp(a, 0.0f, 1.0f) * 255.0f);
  if (alpha <= p[3]) return;
  p[0] = b;
  p[1] = g;
  p[2] = r;
  p[3] = alpha;
}
}  // namespace

void ColorCanvas::Glow(float cx, float cy, float r, uint8_t red, uint8_t green, uint8_t blue) {
  for (int y = static_cast<int>(cy - r); y <= static_cast<int>(cy + r); ++y)
    for (int x = static_cast<int>(cx - r); x <= static_cast<int>(cx + r); ++x) {
      const float d = std::sqrt((x + 0.5f - cx) * (x + 0.5f - cx) + (y + 0.5f - cy) * (y + 0.5f - cy)) / r;
      Blend(*this, x, y, red, green, blue, 1.0f - d);
    }
}

void ColorCanvas::Star(float cx, float cy, float inner, float outer, int spikes, uint8_t red, uint8_t green,
                       uint8_t blue) {
  const float pi = 3.14159265f;
  for (int y = static_cast<int>(cy - outer); y <= static_cast<int>(cy + outer); ++y)
    for (int x = static_cast<int>(cx - outer); x <= static_cast<int>(cx + outer); ++x) {
      const float px = x + 0.5f - cx, py = y + 0.5f - cy;
      const float d = std::sqrt(px * px + py * py);
      const float a = std::atan2(py, px);
      // The edge radius swings between inner and outer with the spikes.
      const float phase = std::fabs(std::fmod(a * spikes / (2 * pi) + 100.0f, 1.0f) - 0.5f) * 2.0f;
      const float edge = inner + (outer - inner) * (1.0f - phase);
      if (d <= edge) Blend(*this, x, y, red, green, blue, 1.0f - 0.6f * d / edge);
    }
}

void ColorCanvas::Ring(float cx, float cy, float r0, float r1, uint8_t red, uint8_t green, uint8_t blue) {
  const float mid = (r0 + r1) / 2, half = (r1 - r0) / 2;
  for (int y = static_cast<int>(cy - r1); y <= static_cast<int>(cy + r1); ++y)
    for (int x = static_cast<int>(cx - r1); x <= static_cast<int>(cx + r1); ++x) {
      const float d = std::sqrt((x + 0.5f - cx) * (x + 0.5f - cx) + (y + 0.5f - cy) * (y + 0.5f - cy));
      Blend(*this, x, y, red, green, blue, 1.0f - std::fabs(d - mid) / half);
    }
}

PatternDef& PatternDef::Loop(int16_t to) {
  if (!frames_.empty()) {
    frames_.back().endAction = 2;
    frames_.back().jump = to;
  }
  return *this;
}

PatternDef& PatternDef::EndInto(int16_t next) {
  if (!frames_.empty()) {
    frames_.back().endAction = 0;
    frames_.back().jump = next;
  }
  return *this;
}

std::unique_ptr<Han6Pattern> PatternDef::Build() const {
  auto p = std::make_unique<Han6Pattern>();
  std::snprintf(p->title, sizeof p->title, "%s", title_.c_str());
  p->pflg = pflg_;
  p->storageMode = kHan6Pooled;
  p->frames.resize(frames_.size());
  // Equal boxes and states are stored once; deques keep the shared pointers valid.
  auto box = [&](const BoxDef& b) -> Han6Box* {
    const Han6Box v{static_cast<int16_t>(b.x1), static_cast<int16_t>(b.y1), static_cast<int16_t>(b.x2),
                    static_cast<int16_t>(b.y2)};
    for (Han6Box& existing : p->boxPool)
      if (existing == v) return &existing;
    return &p->boxPool.emplace_back(v);
  };
  for (size_t i = 0; i < frames_.size(); ++i) {
    const FrameDef& s = frames_[i];
    Han6Frame& f = p->frames[i];
    f.spriteKind = s.spriteKind;
    f.spriteIndex = s.sprite;
    f.duration = s.duration;
    f.endAction = s.endAction;
    f.jumpTarget = s.jump;
    f.offsetX = s.offsetX;
    f.offsetY = s.offsetY;
    f.blendMode = s.blendMode;
    f.alpha = s.alpha;
    f.scaleX = s.scaleX;
    f.scaleY = s.scaleY;
    f.rotationZ = s.rotationZ;
    if (s.state) {
      Han6FrameState* shared = nullptr;
      for (Han6FrameState& existing : p->statePool)
        if (existing == *s.state) shared = &existing;
      f.state = shared != nullptr ? shared : &p->statePool.emplace_back(*s.state);
    }
    if (s.hit) f.attack = &p->attackPool.emplace_back(*s.hit);
    for (const BoxDef& b : s.hurt) f.boxes.push_back(box(b));
    for (const BoxDef& b : s.attack) f.attackBoxes.push_back(box(b));
    for (const Han6Condition& c : s.conditions) f.conditions.push_back(&p->conditionPool.emplace_back(c));
    for (const Han6Effect& e : s.effects) f.effects.push_back(&p->effectPool.emplace_back(e));
    f.boxCount = static_cast<uint8_t>(f.boxes.size());
    f.attackBoxCount = static_cast<uint8_t>(f.attackBoxes.size());
    f.conditionCount = static_cast<uint8_t>(f.conditions.size());
    f.effectCount = static_cast<uint8_t>(f.effects.size());
  }
  p->stateCount = static_cast<uint16_t>(p->statePool.size());
  return p;
}

std::vector<uint8_t> FrameDataBuilder::Write() const {
  Han6PatternSet set;
  for (const PatternDef& def : patterns_)
    if (def.Number() >= 0 && def.Number() < kHan6PatternSlots) set.patterns[def.Number()] = def.Build();
  return WriteHan6DataFile(set);
}

Han6FrameState StandingState(uint8_t stance, bool free) {
  Han6FrameState s;
  s.stance = stance;
  s.asmv = free ? 1 : 0;
  return s;
}

Han6AttackData Strike(int16_t damage, uint8_t level, int16_t hitVector) {
  Han6AttackData a;
  a.atat = damage;
  a.atca = static_cast<int16_t>(damage / 10);
  a.level = level;
  for (int i = 0; i < 3; ++i) a.hitVectors[i] = hitVector;
  // The guard stun standing, in the air and crouching (99 is the knock-out fall).
  a.guardVectors[0] = 20;
  a.guardVectors[1] = 22;
  a.guardVectors[2] = 21;
  a.atgd = 0x7;  // guardable standing, in the air and crouching
  a.athe[0] = 1;
  a.athe[1] = 1;
  return a;
}

}  // namespace mkdata
