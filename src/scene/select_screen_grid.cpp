// The character select's roster grid (its reveal, icons and cursors), the two colour lists and
// the two style disks: their animation and drawing.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "scene/chara_preview.h"
#include "scene/select_screen_parts.h"

using namespace select_screen;
namespace L = select_layout;

namespace {

constexpr float kPi = static_cast<float>(std::numbers::pi);
float Sin(float degrees) { return SinDegrees(degrees); }
float Cos(float degrees) { return std::cos(degrees * kPi / 180.0f); }

CharaSelectScreen& S() { return GetCharaSelectScreen(); }

// Turned about its centre.
void Turned(TextureHandle* t, float x, float y, float w, float h, float sx, float sy, float sw, float sh,
            float rotX, float rotY, float rotZ, uint32_t colour, uint32_t specular, int priority) {
  select_screen::Turned(t, x, y, w, h, w / 2, h / 2, sx, sy, sw, sh, rotX, rotY, rotZ, colour, specular,
                        priority);
}

// The highest character number the icon table speaks of.
constexpr int kIconTableEnd = 51;

void IconSource(int icon, bool highlighted, float* sx, float* sy) {
  *sx = static_cast<float>(icon % L::kIconsPerRow * L::kIconW);
  *sy = static_cast<float>((icon / L::kIconsPerRow + (highlighted ? L::kIconHighlightRows : 0)) * L::kIconH);
}

bool IsCharacterCell(int character) { return character >= 0 && character != kRosterRandomCell; }

}  // namespace

int SelectIconNumber(int character) {
  if (character == kRosterRandomCell) return 29;
  if (character < 0 || character > kIconTableEnd) return -1;
  if (character <= 15) return character;
  if (character == 16) return 33;
  if (character >= 17 && character <= 20) return character - 1;
  if (character == 22 || character == 23) return character - 2;
  if (character == 25) return 23;
  if (character == 28) return 22;
  if (character >= 29 && character <= 33) return character - 5;
  if (character == 34 || character == 35) return character - 3;
  if (character == 51) return 34;
  return -1;
}

// ---- grid ----

void UpdateSelectGrid(int32_t frame) {
  CharaSelectScreen& s = S();
  if (frame >= 30) {
    // Every cell counts, empty ones too: the select opens only once the whole grid is clear.
    bool covered = false;
    for (RosterCell& c : s.grid) {
      if (c.revealOrder < s.revealClock / 4 && c.coverAlpha > 0.0f)
        c.coverAlpha = std::max(0.0f, c.coverAlpha - 0.05f);
      if (c.coverAlpha > 0.0f) covered = true;
    }
    ++s.revealClock;
    if (!covered) g_SelectGridReady = true;
  }
  if (!g_SelectGridReady) return;
  for (SelectCursorAnim& a : s.cursors) {
    if (++a.tick % 2 == 0) a.frame = (a.frame + 1) % 10;
    a.hue = (a.hue + 18) % 512;
  }
}

void DrawSelectGrid() {
  const CharaSelectScreen& s = S();
  TextureHandle* icons = s.sheets.icons;
  for (const RosterCell& c : s.grid) {
    if (c.character == kRosterEmptyCell) continue;
    const int icon = SelectIconNumber(c.character);
    const bool present = c.character == kRosterRandomCell || IsRosterCharacterPresent(c.character);
    if (icon >= 0 && present) {
      float sx, sy;
      IconSource(icon, false, &sx, &sy);
      // The icon turns face-on as its cover lifts, lit up while it turns.
      const float turn = c.coverAlpha * 90.0f;
      const uint32_t lit = static_cast<uint32_t>(c.coverAlpha * 255.0f) * 0x010101u;
      Turned(icons, c.x + 24, c.y + 32, L::kIconW, L::kIconH, sx, sy, L::kIconW, L::kIconH, turn, turn, 0,
             0xFFFFFFFFu, lit, 356);
    } else if (IsCharacterCell(c.character) && c.coverAlpha < 1.0f) {
      // A character the list lacks (or one without an icon) keeps its place as a dark square.
      const uint32_t dark = Alpha(0.5f * (1.0f - c.coverAlpha));
      DrawRect(nullptr, static_cast<int32_t>(c.x) + 12, static_cast<int32_t>(c.y) + 20, 24, 24, dark, dark,
               dark, dark, 356);
    }
  }
  if (!g_SelectGridReady) return;
  TextureHandle* cursor = g_CharaSelectCursorTexture.texture;
  for (int side = 0; side < 2; ++side) {
    const CharaSelectSide& sd = g_CharaSelectSides[side];
    if (sd.controller == kCpuSideNeedsNoChoice || sd.cursorCell < 0 || sd.cursorCell >= kRosterCells)
      continue;
    const RosterCell& c = s.grid[static_cast<size_t>(sd.cursorCell)];
    const int icon = SelectIconNumber(c.character);
    if (icon >= 0 && (c.character == kRosterRandomCell || IsRosterCharacterPresent(c.character))) {
      float sx, sy;
      IconSource(icon, true, &sx, &sy);
      Quad(icons, c.x, c.y, L::kIconW, L::kIconH, sx, sy, L::kIconW, L::kIconH, 0xFFFFFFFFu, 0, 357);
    }
    const SelectCursorAnim& a = s.cursors[side];
    float level = 1.0f;
    if (sd.phase == 0 && sd.controller >= 0)
      level = 0.75f + 0.25f * Sin(static_cast<float>(a.hue) * 360.0f / 512.0f);
    const int frames[2] = {a.frame + 10 * side, 20 + side};
    for (int i = 0; i < 2; ++i) {
      const float fx = static_cast<float>(frames[i] % L::kCursorsPerRow * L::kCursorSize);
      const float fy = static_cast<float>(frames[i] / L::kCursorsPerRow * L::kCursorSize);
      Quad(cursor, c.x - 8, c.y, L::kCursorSize, L::kCursorSize, fx, fy, L::kCursorSize, L::kCursorSize,
           i == 0 ? Grey(level, 1.0f) : 0xFFFFFFFFu, 0, 358 + i);
    }
  }
}

// ---- colour lists ----

ColourListPlace ColourListPlaceOf(int side, int p) {
  const int group = p / 6;
  ColourListPlace out;
  out.x = static_cast<float>(side == 0 ? (p - (2 * group + 32)) * 4 : (2 * group + 116 - p) * 4);
  out.y = static_cast<float>(16 * p - 93 * group + 290);
  out.grey = 255.0f / static_cast<float>(group + 1);
  return out;
}

namespace {

ColourList* ListOf(const CharaSelectScreenFrame& f, int side) {
  if (f.colourLists[side] != nullptr) return f.colourLists[side];
  CharaPreviewSlot* slot = GetCharaPreviewSlot(side);
  return slot != nullptr ? &slot->colourList : nullptr;
}

}  // namespace

void UpdateSelectColourLists(const CharaSelectScreenFrame& f) {
  for (int side = 0; side < 2; ++side) {
    ColourList* list = ListOf(f, side);
    if (list == nullptr) continue;
    // The timer holds how far the chosen colour stands out (0..32 pixels).
    if (g_CharaSelectSides[side].phase == 2) {
      ++list->openCounter;
      list->slide = std::min(1.0f, list->slide + (1.0f - list->slide) / 10.0f + 0.01f);
      list->timer = std::min(32, list->timer + 4);
    } else {
      list->openCounter = 0;
      list->slide = std::max(0.0f, list->slide - list->slide / 10.0f - 0.01f);
      list->timer = std::max(0, list->timer - 4);
    }
    list->transition = std::max(0.0f, list->transition - 0.08f);
  }
}

void DrawSelectColourLists(const CharaSelectScreenFrame& f) {
  TextureHandle* parts = g_CharaSelectPartsTexture.texture;
  for (int side = 0; side < 2; ++side) {
    const ColourList* list = ListOf(f, side);
    if (list == nullptr || list->slide <= 0.0f) continue;
    const CharaSelectSide& sd = g_CharaSelectSides[side];
    const CharaPreviewSlot* slot = GetCharaPreviewSlot(side);
    TextureHandle* chips = slot != nullptr && slot->portraitsPresent != 0 ? slot->paletteChips : nullptr;
    const float out = (1.0f - list->slide) * 320.0f * (side == 0 ? -1.0f : 1.0f);
    const float inward = side == 0 ? 1.0f : -1.0f;
    const float standOut = static_cast<float>(list->timer) * inward;
    const float t = list->transition;
    for (int c = 0; c < kColourCount; ++c) {
      const int from = static_cast<int>(list->places[c].previous),
                to = static_cast<int>(list->places[c].position);
      const ColourListPlace a = ColourListPlaceOf(side, std::clamp(from, 0, 35));
      const ColourListPlace b = ColourListPlaceOf(side, std::clamp(to, 0, 35));
      const bool chosen = list->randomFlag == 0 && c == sd.colour;
      const float x = b.x + (a.x - b.x) * t + out + (chosen ? standOut : 0.0f);
      const float y = b.y + (a.y - b.y) * t;
      const float grey = (b.grey + (a.grey - b.grey) * t) / 255.0f;
      const int priority = 352 - std::clamp(to, 0, 35) / 6;
      const uint32_t colour = Grey(grey, list->slide);
      const float barY = static_cast<float>(L::kBarY + (side * 2 + (chosen ? 1 : 0)) * L::kBarH);
      // Within a priority the command queued last draws first: the chip and the digits go
      // before the bar they lie on.
      const float inner = side == 0 ? x + L::kBarW - 36.0f : x + 4.0f;
      if (chips != nullptr)
        Quad(chips, inner, y, 32, 16, static_cast<float>(c % 8 * 32), static_cast<float>(c / 8 * 16), 32, 16,
             colour, 0, priority);
      if (to < 6) {
        const int number = c + 1;
        const float digitsX = side == 0 ? inner - 36.0f : inner + 36.0f;
        for (int d = 0; d < 2; ++d) {
          const int digit = d == 0 ? number / 10 : number % 10;
          Quad(parts, digitsX + static_cast<float>(d * 16), y, 16, 16, static_cast<float>(digit * 16),
               L::kSmallDigitY, 16, 16, colour, 0, priority);
        }
      }
      Quad(parts, x, y, L::kBarW, L::kBarH, 0, barY, L::kBarW, L::kBarH, colour, 0, priority);
    }
    // The random-colour entry under the list, the header above it and its label.
    const float edgeX = side == 0 ? 0.0f : 384.0f;
    const uint32_t white = Alpha(list->slide) | 0xFFFFFFu;
    const bool onRandom = list->randomFlag != 0;
    const float randomX = (side == 0 ? 16.0f : 544.0f) + out + (onRandom ? standOut : 0.0f);
    const float barY = static_cast<float>(L::kBarY + (side * 2 + (onRandom ? 1 : 0)) * L::kBarH);
    Piece(parts, randomX, 386, L::kRandomEntry[onRandom ? 1 : 0], white, 352, 0);
    Quad(parts, side == 0 ? randomX - 224.0f : randomX, 386, L::kBarW, L::kBarH, 0, barY, L::kBarW, L::kBarH,
         white, 0, 352);
    Piece(parts, edgeX + out + (side == 0 ? 152.0f : 8.0f), 272, L::kColourLabel, white, 352, 0);
    Piece(parts, edgeX + out, 268, L::kColourHeader, white, 352, 0);
  }
}

// ---- style disks ----

void ResetStyleDisk(StyleDisk& disk, int side) {
  disk = StyleDisk{};
  disk.x = side == 0 ? 151.0f : 489.0f;
  disk.y = 50.0f;
}

void UpdateSelectDisks(const CharaSelectScreenFrame& f) {
  CharaSelectScreen& s = S();
  for (int side = 0; side < 2; ++side) {
    StyleDisk* d = f.disks[side];
    if (d == nullptr) continue;
    if (d->x == 0.0f && d->y == 0.0f) {
      d->x = side == 0 ? 151.0f : 489.0f;
      d->y = 50.0f;
    }
    const int32_t stateAtStart = d->state;
    // A decision lights the disk up as it starts to shrink away.
    if (d->state == kStyleDiskDecided && s.lastDiskState[side] != kStyleDiskDecided) d->flash = 1.0f;
    if (d->state == kStyleDiskShown) {
      d->appear = std::min(1.0f, d->appear + 1.0f / 16.0f);
    } else if (d->state == kStyleDiskDecided) {
      d->appear -= 1.0f / 30.0f;
      if (d->appear <= 0.0f) {
        d->appear = 0.0f;
        d->state = 1000;
        d->burstFrame = 0;
        d->burstSubTick = 0;
      }
    } else {
      d->appear = std::max(0.0f, d->appear - 1.0f / 16.0f);
    }
    if (d->spin > 0.0f) d->spin = std::max(0.0f, d->spin - 1.0f / 12.0f);
    if (d->spin < 0.0f) d->spin = std::min(0.0f, d->spin + 1.0f / 12.0f);
    d->flash = std::max(0.0f, d->flash - 1.0f / 30.0f);
    d->secondFlash = std::max(0.0f, d->secondFlash - 1.0f / 16.0f);
    // The burst starts counting on the frame after the disk has gone.
    if (stateAtStart == 1000) {
      if (++d->burstSubTick % 2 == 0) ++d->burstFrame;
      if (d->burstFrame > 14) {
        d->state = 1001;
        d->secondFlash = 1.0f;
      }
    }
    d->easedAppear = SlideCurve(d->appear);
    ++d->tick;
    s.lastDiskState[side] = d->state;
  }
}

void DrawSelectDisks(const CharaSelectScreenFrame& f) {
  const CharaSelectScreen& s = S();
  TextureHandle* disk0 = s.sheets.disks[0];
  TextureHandle* disk1 = s.sheets.disks[1];
  TextureHandle* labels = s.sheets.styleLabels;
  float legend = 0.0f;
  for (int side = 0; side < 2; ++side) {
    const StyleDisk* d = f.disks[side];
    if (d == nullptr) continue;
    const float mirror = side == 0 ? 1.0f : -1.0f;
    const float homeX = side == 0 ? 108.0f : 532.0f, homeY = 372.0f;
    const float e = d->easedAppear;
    const uint32_t flash = static_cast<uint32_t>(d->flash * 255.0f) * 0x010101u;
    const float turn = (d->angle - 60.0f * Sin(d->spin * 90.0f)) * mirror;
    if (d->state == kStyleDiskDecided) {
      // Decided: the disk shrinks towards its corner.
      const float size = 377.0f * d->appear + 32.0f;
      const float x = d->x + (homeX - d->x) * e, y = d->y + (homeY - d->y) * e;
      Turned(disk0, x, y, size, size, L::kDisk.x, L::kDisk.y, L::kDisk.w, L::kDisk.h, 0, 0, turn, 0xFFFFFFFFu,
             flash, 347);
      continue;
    }
    if (d->state == 1000 || d->state == 1001) {
      const uint32_t second = static_cast<uint32_t>(d->secondFlash * 255.0f) * 0x010101u;
      Turned(disk0, d->x, d->y, 32, 32, L::kDisk.x, L::kDisk.y, L::kDisk.w, L::kDisk.h, 0, 0, turn,
             0xFFFFFFFFu, second, 347);
      if (d->state == 1000) {
        const int k = std::clamp(d->burstFrame, 0, 14);
        Turned(disk0, d->x, d->y, L::kBurstSmall, L::kBurstSmall,
               static_cast<float>(k % L::kBurstSmallPerRow * L::kBurstSmall),
               static_cast<float>(L::kBurstSmallY + k / L::kBurstSmallPerRow * L::kBurstSmall),
               L::kBurstSmall, L::kBurstSmall, 0, 0, 0, 0xFFFFFFFFu, 0, 351);
        Turned(disk0, d->x, d->y, L::kBurstLarge, L::kBurstLarge,
               static_cast<float>(k % L::kBurstLargePerRow * L::kBurstLarge),
               static_cast<float>(L::kBurstLargeY + k / L::kBurstLargePerRow * L::kBurstLarge),
               L::kBurstLarge, L::kBurstLarge, 0, 0, 0, 0xFFFFFFFFu, 0, 352);
      }
      continue;
    }
    if (d->appear <= 0.0f) continue;
    legend = std::max(legend, e);
    // Appearing, the disk comes in three times its size and shrinks onto it.
    const float size = 409.0f * (1.0f + 2.0f * (1.0f - e));
    const uint32_t colour = Alpha(e) | 0xFFFFFFu;
    Turned(disk0, homeX, homeY, size, size, L::kDisk.x, L::kDisk.y, L::kDisk.w, L::kDisk.h, 0, 0, turn,
           colour, flash, 346);
    Turned(disk1, homeX, homeY, size, size, 0, 0, 256, 256, 0, 0, static_cast<float>(d->tick % 360) * mirror,
           colour, 0, 347);
    const float spinTurn = -60.0f * Sin(d->spin * 90.0f);
    for (int k = 0; k < 5; ++k) {
      const int style = ((d->styleIndex + k - 2) % kStyleCount + kStyleCount) % kStyleCount;
      const float a = (side == 0 ? 0.0f : 180.0f) + (static_cast<float>(k - 2) * 60.0f + spinTurn) * mirror;
      const float r = 155.0f * size / 409.0f;
      Turned(labels, homeX + r * Cos(a), homeY + r * Sin(a), L::kStyleLabelW, L::kStyleLabelH, 0,
             static_cast<float>(style * L::kStyleLabelH), L::kStyleLabelW, L::kStyleLabelH, 0, 0, 0,
             Grey(k == 2 ? 1.0f : 0.6f, e), 0, 348);
    }
    // The style's name and type plates slide in beside the disk.
    const float nameX = side == 0 ? -96.0f * (1.0f - e) : 384.0f + 96.0f * (1.0f - e);
    const float typeX = side == 0 ? -256.0f * (1.0f - e) : 384.0f + 256.0f * (1.0f - e);
    const int style = std::clamp(d->styleIndex, 0, kStyleCount - 1);
    Quad(labels, nameX, 300, L::kStyleLabelW, L::kStyleLabelH, L::kStyleNameX,
         static_cast<float>(style * L::kStyleLabelH), L::kStyleLabelW, L::kStyleLabelH, colour, 0, 349);
    Quad(disk0, typeX, 332, L::kTypePlateW, L::kTypePlateH, L::kTypePlateX,
         static_cast<float>(style * L::kTypePlateH), L::kTypePlateW, L::kTypePlateH, colour, 0, 349);
  }
  if (legend > 0.0f)
    Quad(s.sheets.styleLegend, 192, 396, 256, 32, L::kLegend.x, L::kLegend.y, L::kLegend.w, L::kLegend.h,
         Alpha(legend) | 0xFFFFFFu, 0, 350);
}
