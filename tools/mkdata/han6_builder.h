// Sample-data building blocks for sprites and frame data: an 8-bit and a 32-bit canvas with
// simple shapes, and a builder that declares patterns, frames, boxes, states and attacks as
// data and turns them into a pooled pattern set for the frame-data writer. Equal boxes and
// states within a pattern are stored once and shared, as the game's own files do.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Dxtools/BmpcutFiles/cut_sprite_builder.h"
#include "Dxtools/Han6Files/han6_data.h"

namespace mkdata {

// One byte per pixel (palette indexes; 0 transparent).
struct IndexCanvas {
  int width = 0, height = 0;
  std::vector<uint8_t> pixels;
  IndexCanvas(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h, 0) {}
  void Set(int x, int y, uint8_t v);
  void Rect(int x0, int y0, int x1, int y1, uint8_t v);  // inclusive corners
  void Disc(float cx, float cy, float r, uint8_t v);
  void Segment(float x0, float y0, float x1, float y1, float r, uint8_t v);
  // A segment with a one-pixel outline in `outline`.
  void Limb(float x0, float y0, float x1, float y1, float r, uint8_t fill, uint8_t outline);
  void Ball(float cx, float cy, float r, uint8_t fill, uint8_t outline);
};

// B, G, R, A per pixel.
struct ColorCanvas {
  int width = 0, height = 0;
  std::vector<uint8_t> pixels;
  ColorCanvas(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h * 4, 0) {}
  // A soft disc: colour at the centre fading to transparent at radius r.
  void Glow(float cx, float cy, float r, uint8_t red, uint8_t green, uint8_t blue);
  // A star of n spikes.
  void Star(float cx, float cy, float inner, float outer, int spikes, uint8_t red, uint8_t green,
            uint8_t blue);
  void Ring(float cx, float cy, float r0, float r1, uint8_t red, uint8_t green, uint8_t blue);
};

struct BoxDef {
  int x1, y1, x2, y2;
};

struct FrameDef {
  int16_t spriteKind = 0;
  int16_t sprite = 0;
  uint16_t duration = 4;
  uint8_t endAction = 1;  // 0 end (go to `jump`), 1 next, 2 jump within the pattern
  int16_t jump = 0;
  int32_t offsetX = 0, offsetY = 0;
  uint8_t blendMode = 0, alpha = 255;
  float scaleX = 1.0f, scaleY = 1.0f, rotationZ = 0.0f;
  std::vector<BoxDef> hurt;    // slot 0 is the pushing box
  std::vector<BoxDef> attack;  // attack boxes
  std::optional<Han6FrameState> state;
  std::optional<Han6AttackData> hit;
  std::vector<Han6Condition> conditions;
  std::vector<Han6Effect> effects;
};

class PatternDef {
 public:
  PatternDef(int number, std::string title) : number_(number), title_(std::move(title)) {}
  FrameDef& Frame(int16_t sprite, uint16_t duration) {
    frames_.push_back(FrameDef{});
    frames_.back().sprite = sprite;
    frames_.back().duration = duration;
    return frames_.back();
  }
  // The last frame loops back to frame `to` (a looping stance) or ends into pattern `next`.
  PatternDef& Loop(int16_t to = 0);
  PatternDef& EndInto(int16_t next);
  PatternDef& Flags(int32_t pflg) {
    pflg_ = pflg;
    return *this;
  }
  std::vector<FrameDef>& Frames() { return frames_; }
  int Number() const { return number_; }

  std::unique_ptr<Han6Pattern> Build() const;

 private:
  int number_;
  std::string title_;
  int32_t pflg_ = 0;
  std::vector<FrameDef> frames_;
};

class FrameDataBuilder {
 public:
  PatternDef& Pattern(int number, std::string title) {
    patterns_.emplace_back(number, std::move(title));
    return patterns_.back();
  }
  std::vector<uint8_t> Write() const;

 private:
  std::vector<PatternDef> patterns_;
};

// Common records.
Han6FrameState StandingState(uint8_t stance = 0, bool free = true);
Han6AttackData Strike(int16_t damage, uint8_t level, int16_t hitVector);

// A drawn picture as a cut sprite: (anchorX, anchorY) of the picture lands on the sprite frame's
// origin (128, 224).
inline CutSpriteImage CanvasSprite(int number, std::string name, int32_t pixelType, int width, int height,
                                   int anchorX, int anchorY, std::vector<uint8_t> pixels) {
  CutSpriteImage img;
  img.number = number;
  img.name = std::move(name);
  img.pixelType = pixelType;
  img.left = 128 - anchorX;
  img.top = 224 - anchorY;
  img.width = width;
  img.height = height;
  img.pixels = std::move(pixels);
  return img;
}

}  // namespace mkdata
