// The story script's presentation: text rendering, transitions, ending pictures, the camera's
// pan, zoom and quakes, and the frame's drawing.
#include "scene/story_draw.h"

#include <algorithm>
#include <cstdio>

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_effect.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/Text/fnt_font.h"
#include "Dxtools/Text/text_texture.h"
#include "Sound/soundproc.h"
#include "app/random.h"
#include "battle/battle_camera.h"
#include "battle/battle_math.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "scene/scene_frame.h"
#include "scene/stage_bg.h"
#include "scene/story_script.h"

namespace {

StoryFontMetrics g_Metrics;

constexpr int32_t kPanHeight = -47552;
constexpr float kZoomSpan = 0.160105f;

float SinDeg(float degrees) {
  return static_cast<float>(BattleSin(static_cast<double>(degrees) * kBattlePi / 180.0));
}

bool IsLead(uint8_t c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

void Free(TextureHandle*& t) {
  if (t) FreeTexture(t);
  t = nullptr;
}

uint32_t Grey(int level, int alpha = 255) {
  const uint32_t l = static_cast<uint32_t>(std::clamp(level, 0, 255));
  return (static_cast<uint32_t>(std::clamp(alpha, 0, 255)) << 24) | (l << 16) | (l << 8) | l;
}

// A picture's used area stretched over the screen at (x, y).
void FullScreenPicture(TextureHandle* t, int x, int y, uint32_t colour, int priority) {
  if (t == nullptr || t->dx == nullptr) return;
  DrawSprite(&g_MainDrawList, t, x, y, 640, 480, 0.0f, 0.0f, static_cast<float>(t->dx->usedWidth),
             static_cast<float>(t->dx->usedHeight), colour, 0, priority);
}

void FullScreenRect(uint32_t colour, int priority) {
  DrawRect(&g_MainDrawList, 0, 0, 640, 480, colour, colour, colour, colour, priority);
}

// The glyph width of one unit for English layout (the cell width without a width table).
int UnitWidth(uint16_t unit) {
  if (!g_Metrics.english || g_Metrics.widthFont == nullptr || !g_Metrics.widthFont->exV1)
    return g_Metrics.cellWidth;
  char bytes[3] = {};
  if (unit > 0xFF) {
    bytes[0] = static_cast<char>(unit >> 8), bytes[1] = static_cast<char>(unit & 0xFF);
  } else {
    bytes[0] = static_cast<char>(unit);
  }
  return vt::text::GetFntGlyphWidth(g_Metrics.widthFont, bytes);
}

// Units of the stripped text are drawn at 0.85 x their width in English.
int EnglishWidth(int w) { return static_cast<int>(0.85f * static_cast<float>(w)); }

void StepFaceAnimation(StoryFaceAnimation& a) {
  if (!a.active) return;
  if (a.delay > 0) {
    --a.delay;
    return;
  }
  if (++a.counter >= a.period) {
    ++a.switchCount;
    a.counter = 0;
  }
  if (a.stop != 0 && 2 * a.stop <= a.switchCount) a.active = 0;
}

void DrawFaces() {
  StoryScriptState& s = GetStoryState();
  StoryTextures& tex = GetStoryTextures();
  const float step = s.fastForward ? 0.125f * 128.0f : 0.125f;
  const int speakerStyle = s.speaker >= 0 && s.speaker < kStoryWindows ? s.windows[s.speaker].style : 0;
  for (int n = 0; n < kStoryFaceSlots; ++n) {
    StoryWindow& w = s.windows[n];
    float& slide = s.faceSlide[n];
    int brightness = 255;
    int priority = 717;
    if (n == s.speaker || speakerStyle == 2) {
      slide = std::max(slide - step, 0.0f);
    } else {
      slide = std::min(slide + step, 1.0f);
      brightness = 100 + static_cast<int>(155.0f * (1.0f - slide));
      priority = 716;
    }
    StepFaceAnimation(s.faceAnims[n]);
    if (!w.faceArmed || s.speaker < 0 || s.lastWindow[n & 1] != n) continue;
    if (n != s.speaker && n == (s.speaker & 1)) continue;
    const int slot = std::clamp(w.faceSlot, 0, kStoryFaceSlots - 1);
    const StoryFaceRecord& rec = s.faces[slot];
    const StoryFaceAnimation& anim = s.faceAnims[slot];
    TextureHandle* face =
        anim.active && anim.switchCount % 2 == 0 && tex.faceAlt[slot] ? tex.faceAlt[slot] : tex.face[slot];
    const uint32_t colour = Grey(brightness);
    const bool left = (n & 1) == 0;
    if ((rec.flags & 1) && face != nullptr && face->dx != nullptr) {
      const int fw = face->dx->usedWidth, fh = face->dx->usedHeight;
      int x = left ? 96 - fw / 2 - static_cast<int>(16.0f * slide)
                   : 544 - fw / 2 + static_cast<int>(16.0f * slide);
      int y = 480 - fh + static_cast<int>(16.0f * slide);
      if (n == 4) x += 24, y = 324 + 8;
      const float sx = left ? 0.0f : static_cast<float>(fw);
      const float sw = left ? static_cast<float>(fw) : -static_cast<float>(fw);
      if (w.faceBottomFade) {
        const int top = fh * 4 / 5;
        DrawSprite(&g_MainDrawList, face, x, y, fw, top, sx, 0.0f, sw, static_cast<float>(top), 0xFF000000, 0,
                   priority);
        DrawSpriteGradient(&g_MainDrawList, face, x, y + top, fw, fh - top, sx, static_cast<float>(top), sw,
                           static_cast<float>(fh - top), 0xFF000000, 0xFF000000, colour, colour, 0, priority);
      } else {
        DrawSprite(&g_MainDrawList, face, x, y, fw, fh, sx, 0.0f, sw, static_cast<float>(fh), colour, 0,
                   priority);
      }
    }
    TextureHandle* plate = tex.name[slot];
    if ((rec.flags & 2) && plate != nullptr && plate->dx != nullptr) {
      const int pw = plate->dx->usedWidth, ph = plate->dx->usedHeight;
      const int cx = left ? 160 + (n == 4 ? 24 : 0) : 480;
      const int bottom = n == 4 ? 332 : 464;
      const int top = bottom - ph;
      DrawSprite(&g_MainDrawList, plate, cx - pw / 2, top, pw, ph, 0.0f, 0.0f, static_cast<float>(pw),
                 static_cast<float>(ph), colour, 0, priority + 1);
      if (n != 4 && tex.band != nullptr)
        DrawSprite(&g_MainDrawList, tex.band, left ? 0 : 384, top + 26, 256, 32, left ? 0.0f : 128.0f, 204.0f,
                   left ? 128.0f : -128.0f, 32.0f, colour, 0, priority + 1);
    }
  }
}

// The extra-glyph sheet of the language, loaded on first use and kept with the band picture.
TextureHandle* FontExSheet(bool english) {
  TextureHandle*& sheet = GetStoryTextures().fontEx[english ? 1 : 0];
  if (sheet == nullptr) sheet = LoadTexture(english ? ".\\grp\\FontEx00_eng" : ".\\grp\\FontEx00");
  return sheet;
}

void DrawTexts() {
  StoryScriptState& s = GetStoryState();
  StoryTextures& tex = GetStoryTextures();
  if (s.speaker < 0 || s.speaker >= kStoryWindows) return;
  const int n = s.speaker;
  const StoryWindow& w = s.windows[n];
  if (!w.visible) return;
  const bool english = g_Metrics.english;
  const float scale = w.scale == 0 || w.scale == 100 ? 1.0f : static_cast<float>(w.scale) / 100.0f;
  const int cellW = static_cast<int>(static_cast<float>(g_Metrics.advance) * scale);
  const int cellH = static_cast<int>(static_cast<float>(g_Metrics.cellHeight) * scale);
  const int gap = english ? 0 : 12;
  TextureHandle* picture = tex.text[n];
  int line = 0, column = 0, sumWidths = 0, sourceX = 32;
  const int shown = std::min(w.revealed, w.length);
  for (int i = 0; i < shown; ++i) {
    const uint16_t unit = w.text[static_cast<size_t>(i)];
    if (unit == kStoryLineBreak) {
      ++line;
      column = sumWidths = 0;
      sourceX = 32;
      continue;
    }
    const int glyph = english ? UnitWidth(unit) : g_Metrics.cellWidth;
    const int dx = english ? w.x + EnglishWidth(sumWidths) - 48 : w.x + column * cellW + s.shakeX;
    const int dw = english ? static_cast<int>(static_cast<float>(EnglishWidth(glyph)) * scale) : cellW;
    const int dy = w.y + line * (cellH + gap) + s.shakeY;
    if (unit == kStorySymbolUnit) {
      if (TextureHandle* sheet = FontExSheet(english))
        DrawSprite(&g_MainDrawList, sheet, dx, dy, dw, cellH, 0.0f, 64.0f, 32.0f, 32.0f, 0xFFFFFFFF, 0, 718);
    } else if (picture != nullptr) {
      const float sy = static_cast<float>(line * g_Metrics.cellHeight);
      DrawSprite(&g_MainDrawList, picture, dx + 1, dy + 1, dw, cellH, static_cast<float>(sourceX), sy,
                 static_cast<float>(glyph), static_cast<float>(g_Metrics.cellHeight), 0xFF404040, 0, 717);
      DrawSprite(&g_MainDrawList, picture, dx, dy, dw, cellH, static_cast<float>(sourceX), sy,
                 static_cast<float>(glyph), static_cast<float>(g_Metrics.cellHeight), 0xFFFFFFFF, 0, 718);
    }
    sourceX += glyph;
    sumWidths += glyph;
    ++column;
  }
  // Readings, unscaled: whole strips for finished lines, the revealed part of the last.
  if (picture != nullptr) {
    for (int l = 0; l <= line; ++l) {
      const int width = l < line ? 1024 : column * g_Metrics.cellWidth;
      if (width <= 0) continue;
      const int rx = english ? w.x - 80 : w.x - 32 + s.shakeX;
      DrawSprite(&g_MainDrawList, picture, rx, w.y + l * (g_Metrics.cellHeight + gap) - 8 + s.shakeY, width,
                 g_Metrics.cellHeight, 0.0f, static_cast<float>(256 + l * g_Metrics.cellHeight),
                 static_cast<float>(width), static_cast<float>(g_Metrics.cellHeight), 0xFFFFFFFF, 0, 717);
    }
  }
  // The wait cursor at the end of the last line.
  if (w.length > 0 && w.revealed >= w.length && s.awaited >= 0 && s.awaited % 100 == n &&
      tex.window != nullptr) {
    const int f = (s.frameCounter / 8) % 3;
    const int cx = english ? w.x + EnglishWidth(s.laidOutWidth) - 48 : w.x + column * cellW + s.shakeX;
    const int cy = w.y + line * (cellH + gap) + cellH - 24 + s.shakeY;
    DrawSprite(&g_MainDrawList, tex.window, cx, cy, 24, 24, static_cast<float>(440 + 24 * f), 488.0f, 24.0f,
               24.0f, 0xFFFFFFFF, 0, 718);
  }
}

void BandPiece(TextureHandle* band, int x0, int x1, bool edge, bool mirrored, uint32_t colour) {
  const float sx = edge ? 32.0f : 0.0f;
  const float sw = edge ? 96.0f : 32.0f;
  DrawSprite(&g_MainDrawList, band, x0, 32, x1 - x0, 204, mirrored ? sx + sw : sx, 0.0f, mirrored ? -sw : sw,
             204.0f, colour, 0, 716);
}

}  // namespace

StoryFontMetrics& GetStoryFontMetrics() { return g_Metrics; }

void SetStoryTextFont(int index) {
  if (index < 0 || index >= vt::text::kStoryFontCount) return;
  const vt::text::FntFont* font = vt::text::g_StoryFonts[index];
  if (font != nullptr) {
    g_Metrics.cellWidth = font->width;
    g_Metrics.cellHeight = font->height;
    g_Metrics.advance = static_cast<int32_t>(static_cast<float>(font->width) * 0.85f);
  }
  g_Metrics.english = BattleSeamSelectLanguage() == 1;
  g_Metrics.widthFont = g_Metrics.english ? vt::text::g_StoryFonts[3] : nullptr;
}

int RenderStoryTextPixels(const vt::text::PixelTarget& target, std::string_view block,
                          const vt::text::FntFont* main, const vt::text::FntFont* reading) {
  using vt::text::PixelTarget;
  // Main text only into rows 0..255, readings only into 256..511.
  PixelTarget upper = target;
  upper.height = std::min(target.height, 256);
  PixelTarget lower = target;
  lower.height = std::max(0, std::min(target.height - 256, 256));
  if (lower.height > 0)
    lower.bits = target.bits + static_cast<std::ptrdiff_t>(256) * target.pitch;
  else
    lower.bits = nullptr;
  const bool widths = g_Metrics.english && main != nullptr && main->exV1;
  const int cellW = main ? main->width : 0;
  const int cellH = main ? main->height : 0;
  const int advance = static_cast<int>(static_cast<float>(cellW) * 0.85f);
  int penX = 32, penY = 0, column = 0;
  size_t i = 0;
  auto at = [&](size_t k) -> uint8_t { return k < block.size() ? static_cast<uint8_t>(block[k]) : 0; };
  auto unitLen = [&](size_t k) -> size_t { return IsLead(at(k)) && at(k + 1) != 0 ? 2 : 1; };
  while (i < block.size() && at(i) != 0 && at(i) != '\\') {
    const uint8_t c = at(i);
    if (IsLead(c) && at(i + 1) == 0) break;  // a final lead byte ends the text
    if (c == '\r' || c == '\n') {
      i += (c == '\r' && at(i + 1) == '\n') ? 2 : 1;
      penY += cellH;
      penX = 32;
      column = 0;
      continue;
    }
    if (c == '<') {
      ++i;
      int count = 0;
      for (size_t k = i; count < 100 && at(k) != 0 && at(k) != '>' && at(k) != '\\'; k += unitLen(k)) ++count;
      const int rw = reading ? reading->width : 0;
      int rx = advance * column - (count * rw + advance) / 2 + 32;
      for (int u = 0; u < count; ++u) {
        const size_t len = unitLen(i);
        if (reading && lower.bits) {
          const std::string unit(block.substr(i, len));
          vt::text::DrawFntGlyphToPixels(reading, lower, rx, penY, unit.c_str(), 0xFFFFFFFF);
        }
        rx += rw;
        i += len;
      }
      // Whatever is left of an over-long reading is passed over up to its ">".
      while (at(i) != 0 && at(i) != '>' && at(i) != '\\') i += unitLen(i);
      if (at(i) == '>') ++i;
      continue;
    }
    if (c == '>') {
      ++i;
      continue;
    }
    const size_t len = unitLen(i);
    const std::string unit(block.substr(i, len));
    const int w = widths ? vt::text::GetFntGlyphWidth(main, unit.c_str()) : cellW;
    if (main) vt::text::DrawFntGlyphToPixels(main, upper, penX, penY, unit.c_str(), 0xFFFFFFFF);
    penX += w;
    ++column;
    i += len;
  }
  return penX - 32;
}

TextureHandle* RenderStoryBlock(std::string_view block, int32_t* laidOutWidth) {
  const vt::text::FntFont* main = vt::text::g_StoryFonts[g_Metrics.english ? 3 : 0];
  const vt::text::FntFont* reading = vt::text::g_StoryFonts[1];
  if (main == nullptr) return nullptr;
  const uint32_t format = (g_AdapterInfo && FormatBitsPerPixel(g_AdapterInfo->displayFormat) == 16)
                              ? vt::gfx::FMT_A4R4G4B4
                              : vt::gfx::FMT_A8R8G8B8;
  TextureHandle* texture = CreateTexture(1024, 512, format);
  if (texture == nullptr) return nullptr;
  vt::text::PixelTarget target;
  if (vt::text::LockTargetTexture(texture, &target)) {
    *laidOutWidth = RenderStoryTextPixels(target, block, main, reading);
    vt::text::UnlockTargetTexture(texture);
  }
  return texture;
}

void StartStoryTransition() {
  StoryScriptState& s = GetStoryState();
  const int32_t* p = s.transParam;
  int timer = 0;
  switch (s.transMode) {
    case 0:
      timer = p[1] == 0 ? 1 : p[1];
      break;
    case 1:
      timer = p[1];
      break;
    case 30000:
      timer = p[0] == 0 ? 60 : p[0];
      s.transMode = 30002 + p[1];
      break;
    case 30001:
      timer = 30;
      break;
    case 30010:
      timer = 45;
      break;
    case 50000:
      timer = 20;
      s.speaker = -2;
      break;
    case 50001:
      // A lower band fade of no frames finishes on its first step.
      timer = std::max(p[1], 1);
      break;
    case 60000:
      timer = 90;
      s.musicFadeStart = g_BgmVolume;
      break;
    default:
      timer = 0;  // modes the table does not list (40002 of FS) get no timer and draw nothing
      break;
  }
  s.transTimer = std::max(timer, 0);
  s.transTotal = s.transTimer;
  if (s.transTimer == 0 && s.transMode != 40002)
    s.transMode = s.transMode == 0 || s.transMode == 1 ? -1 : s.transMode;
}

void StepStoryTransition() {
  StoryScriptState& s = GetStoryState();
  if (s.transTimer <= 0) return;
  s.transTimer = s.fastForward && s.transTimer > 1 ? 1 : s.transTimer - 1;
  const int t = s.transTimer;
  const int T = std::max(s.transTotal, 1);
  const int32_t* p = s.transParam;
  const bool done = t == 0;
  switch (s.transMode) {
    case 0: {
      // Even p1 fades the overlay away, odd p1 raises it; 0 and 1 white, 2 and 3 black.
      const int a = (p[0] & 1) == 0 ? 255 * t / T : 255 - 255 * t / T;
      s.overlayColour = static_cast<uint32_t>(a) << 24 | (p[0] == 0 || p[0] == 1 ? 0xFFFFFFu : 0u);
      break;
    }
    case 1: {
      static constexpr int kOffsets[4][2] = {{0, 8}, {0, -8}, {8, 0}, {-8, 0}};
      int k = 0;
      if (p[0] == 0)
        k = t & 1;
      else if (p[0] == 1)
        k = 2 + (t & 1);
      else
        k = RandStreamNext(1) % 4;
      s.shakeX = done ? 0 : kOffsets[k][0];
      s.shakeY = done ? 0 : kOffsets[k][1];
      break;
    }
    case 50000:
      if (p[0] != 0) {
        s.bandShown = 1;
        s.upperBand = 255 - 255 * t / T;
      } else {
        s.upperBand = 255 * t / T;
        if (done) s.speaker = -1, s.bandShown = 0;
      }
      break;
    case 50001:
      if (p[0] == 0) {
        s.lowerBand = 255 * t / T;
        if (done) s.speaker = -1, s.bandShown = 0;
      } else {
        s.bandShown = 1;
        s.lowerBand = 255 * (T - t) / T;
      }
      break;
    case 60000:
      SetBgmVolume((s.musicFadeStart + 3200) * t / T - 3200);
      if (done) {
        StopBgm();
        SetBgmVolume(s.musicFadeStart);
      }
      break;
    default:
      break;
  }
  if (done) s.transMode = -1;
}

std::string EndingPictureName(int a, bool lettered) {
  if (a < 0) return {};
  char name[96];
  const int letter = a % 100;
  if (lettered && letter <= 25)
    std::snprintf(name, sizeof name, ".\\grp\\ending\\ed_bg\\ed_chaBG%02d%c_00", a / 100, 'a' + letter);
  else
    std::snprintf(name, sizeof name, ".\\grp\\ending\\ed_bg\\ed_chaBG%02d_00", a / 100);
  return name;
}

void LoadEndingPicture(int a) {
  StoryScriptState& s = GetStoryState();
  StoryTextures& tex = GetStoryTextures();
  if (a < 0) return;  // a negative number names no picture
  s.endingIndex = s.endingIndex == 30000 ? 0 : s.endingIndex ^ 1;
  TextureHandle*& slot = tex.ending[s.endingIndex];
  Free(slot);
  // Letters run a..z only: past z the unlettered picture is taken.
  if (a % 100 <= 25) slot = LoadTexture(EndingPictureName(a, true).c_str());
  if (slot == nullptr) slot = LoadTexture(EndingPictureName(a, false).c_str());
  s.pictureVisible[0] = 1;
}

void CaptureStoryStage() {
  // No copy of the finished scene is taken yet: without a capture the dissolve draws nothing.
  Free(GetStoryTextures().capture);
}

void StartStoryPan(int frames) {
  StoryScriptState& s = GetStoryState();
  g_StoryCameraY = kPanHeight;
  s.panAngle = 0.0f;
  if (frames >= 1) {
    s.panLength = frames;
  } else {
    s.panLength = 0;
    g_CameraX = g_CameraY = 0;
  }
}

void StartStoryZoom(int frames) {
  StoryScriptState& s = GetStoryState();
  if (!s.zoomRan) {
    s.savedFixedZoomOn = g_FixedZoomOn;
    s.savedFixedZoom = g_FixedZoom;
    s.zoomRan = 1;
  }
  g_FixedZoomOn = 1;
  // A zoom of no frames takes its end value at once (no division by zero).
  s.zoomLength = frames;
  s.zoomRemaining = frames <= 0 ? 0.0f : 90.0f;
  g_FixedZoom = 1.0f - SinDeg(90.0f - s.zoomRemaining) * kZoomSpan;
}

void ResetStoryCamera() {
  g_CameraX = g_CameraY = 0;
  g_CameraTargetX = g_CameraTargetY = 0;
  g_CameraZoom = g_CameraTargetZoom = 1.0f;
  g_CameraScale = 1.0f;
  BuildBattleCameraMatrices();
}

void StepStoryCamera() {
  StoryScriptState& s = GetStoryState();
  const float ff = s.fastForward ? 128.0f : 1.0f;
  if (s.panLength > 0) {
    s.panAngle = std::min(s.panAngle + 0.005f * static_cast<float>(s.frameCounter) * 90.0f /
                                           static_cast<float>(s.panLength) * ff,
                          90.0f);
    g_StoryCameraY = FloatToInt32(static_cast<float>(kPanHeight) * (1.0f - SinDeg(s.panAngle)));
    if (s.panAngle >= 90.0f) s.panLength = 0, g_StoryCameraY = 0;
  }
  if (s.zoomLength > 0 && s.zoomRemaining > 0.0f) {
    s.zoomRemaining = std::max(s.zoomRemaining - 90.0f / static_cast<float>(s.zoomLength) * ff, 0.0f);
    g_FixedZoom = 1.0f - SinDeg(90.0f - s.zoomRemaining) * kZoomSpan;
  }
  if (s.quakeFrames > 0) {
    --s.quakeFrames;
    if (s.quakeCounter++ % 3 == 0) g_StorySwayOn ^= 1;
    g_BattleState[1] = g_StorySwayOn ? s.quakeAmplitude : -s.quakeAmplitude;
    if (s.quakeFrames == 0) g_BattleState[1] = 0, g_StorySwayOn = 0;
  } else if (s.swayOn) {
    s.swayAngle = s.swayDying ? std::max(s.swayAngle - 0.8f, 0.0f) : std::min(s.swayAngle + 0.8f, 90.0f);
    const float sn = SinDeg(s.swayAngle);
    g_BattleState[0] = FloatToInt32(static_cast<float>(s.swayAmplitude) * sn);
    const int period = static_cast<int>(5.0f - 5.0f * sn) + 2;
    if (++s.swayCounter >= period) {
      s.swayCounter = 0;
      g_StorySwayOn ^= 1;
    }
    if (s.swayDying && s.swayAngle <= 0.0f) s.swayOn = 0;
  } else {
    g_BattleState[0] = 0;
    g_StorySwayOn = 0;
    s.quakeCounter = s.swayCounter = 0;
  }
}

void FreeStoryTextures(bool all) {
  StoryTextures& tex = GetStoryTextures();
  for (TextureHandle*& t : tex.text) Free(t);
  for (TextureHandle*& t : tex.face) Free(t);
  for (TextureHandle*& t : tex.faceAlt) Free(t);
  for (TextureHandle*& t : tex.name) Free(t);
  for (TextureHandle*& t : tex.ending) Free(t);
  Free(tex.picture);
  Free(tex.capture);
  if (all) {
    Free(tex.band);
    Free(tex.window);
    Free(tex.fontEx[0]);
    Free(tex.fontEx[1]);
  }
}

void DrawStoryBand() {
  StoryScriptState& s = GetStoryState();
  TextureHandle* band = GetStoryTextures().band;
  if (band == nullptr || s.lowerBand != 0) return;
  const bool fading = s.transMode == 50000 || s.transMode == 50001;
  if (s.speaker < 0) {
    if (!fading || s.upperBand == 0) return;
    BandPiece(band, 0, 640, false, false, Grey(255, s.upperBand));
    return;
  }
  const uint32_t c = 0xFFFFFFFF;
  const int style = s.speaker < kStoryWindows ? s.windows[s.speaker].style : 0;
  if (style == 0) {
    BandPiece(band, 0, 640, false, false, c);
  } else if (style == 2) {
    BandPiece(band, 0, 64, false, false, c);
    BandPiece(band, 64, 160, true, false, c);
    BandPiece(band, 160, 480, false, false, c);
    BandPiece(band, 480, 576, true, true, c);
    BandPiece(band, 576, 640, false, false, c);
  } else if ((s.speaker & 1) == 0) {
    BandPiece(band, 0, 64, false, false, c);
    BandPiece(band, 64, 160, true, false, c);
    BandPiece(band, 160, 640, false, false, c);
  } else {
    BandPiece(band, 0, 480, false, false, c);
    BandPiece(band, 480, 576, true, true, c);
    BandPiece(band, 576, 640, false, false, c);
  }
}

void DrawStoryLowerBand() {
  StoryScriptState& s = GetStoryState();
  TextureHandle* band = GetStoryTextures().band;
  if (band == nullptr || !s.bandShown || s.lowerBand <= 0) return;
  DrawSprite(&g_MainDrawList, band, 0, 324, 640, 204, 0.0f, 0.0f, 32.0f, 204.0f, Grey(255, s.lowerBand), 0,
             716);
}

void DrawStoryScene() {
  StoryScriptState& s = GetStoryState();
  StoryTextures& tex = GetStoryTextures();
  if (s.transTimer != 0) StepStoryTransition();
  // The running transition's own drawing.
  const int t = s.transTimer;
  const int T = std::max(s.transTotal, 1);
  if (s.transMode == 30002 && t > 0) {
    const int a = 255 * t / T;
    if (s.stageShown == 1 && tex.picture != nullptr)
      FullScreenPicture(tex.picture, s.shakeX, s.shakeY, Grey(255, a), 256);
    else
      FullScreenRect(static_cast<uint32_t>(a) << 24, 256);
  } else if (s.transMode == 30012 && t > 0) {
    const int a = 255 * t / T;
    TextureHandle* previous =
        s.endingIndex == 0 || s.endingIndex == 1 ? tex.ending[s.endingIndex ^ 1] : nullptr;
    if (previous != nullptr)
      FullScreenPicture(previous, 0, 0, Grey(255, a), 257);
    else
      FullScreenRect(static_cast<uint32_t>(a) << 24, 257);
  } else if (s.transMode == 30010 && t > 0 && tex.capture != nullptr) {
    DrawFadeScreen(&g_MainDrawList, tex.capture, 0, 0, 640, 480, 0.0f, 0.0f, 640.0f, 480.0f, 0xFFFFFFFF, 0,
                   1.0f - static_cast<float>(t) / static_cast<float>(T), 271);
  }
  if (!s.drawingOn) return;
  if (s.skipFade != 0) FullScreenRect(static_cast<uint32_t>(s.skipAlpha * 255.0f) << 24, 726);
  if ((s.overlayColour >> 24) != 0) FullScreenRect(s.overlayColour, 726);
  StepStoryCamera();
  DrawStoryBand();
  DrawStoryLowerBand();
  // In the battle the battle's own drawing half steps the camera (the pan height included).
  if (g_SceneId != SCENE_BATTLE) BattleDrawCameraStep();
  if ((s.stageShown == 0 || s.stageShown == 1) && s.stageVisible) DrawStageBg(1);
  TextureHandle* ending = s.endingIndex == 0 || s.endingIndex == 1 ? tex.ending[s.endingIndex] : nullptr;
  if (s.pictureVisible[0] && ending != nullptr)
    FullScreenPicture(ending, s.shakeX, s.shakeY, 0xFFFFFFFF, 257);
  DrawFaces();
  DrawTexts();
}
