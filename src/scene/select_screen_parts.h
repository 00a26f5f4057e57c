// The pieces of the character select's screen that move on their own or follow the sides:
// particles, chains, rings and sparks, the roster grid with its cursors, the style disks and
// the colour lists, each with its load, update and draw, and the drawing helpers they share
// with the rest of the screen.
#pragma once

#include <cstdint>

#include "scene/select_screen.h"
#include "scene/select_screen_layout.h"

namespace select_screen {

inline constexpr const char* kSelectSheetFolder = ".\\grp\\c_sel_QZ\\";

// The sheet of the folder named by format and number; null when missing.
TextureHandle* LoadSheet(const char* format, int number);
// Quads that skip a missing sheet.
void Quad(TextureHandle* t, float x, float y, float w, float h, float sx, float sy, float sw, float sh,
          uint32_t colour, uint32_t specular, int priority);
void Piece(TextureHandle* t, float x, float y, const select_layout::Piece& p, uint32_t colour, int priority,
           uint32_t specular);
// A sprite turned about its pivot (degrees about x, y and z), with the pivot placed at (x, y).
void Turned(TextureHandle* t, float x, float y, float w, float h, float pivotX, float pivotY, float sx,
            float sy, float sw, float sh, float rotX, float rotY, float rotZ, uint32_t colour,
            uint32_t specular, int priority);
float SinDegrees(float degrees);
// (cos(180 + t x 180 degrees) + 1) / 2.
float SlideCurve(float t);
uint32_t Alpha(float a);
uint32_t Grey(float level, float alpha);

}  // namespace select_screen

// The icons, particle strips, effects, disks and style labels (mode 0).
void LoadSelectParts();
void ReleaseSelectParts();

void UpdateSelectParticles(int32_t frame);
void UpdateSelectEffects(int32_t frame);
void UpdateSelectGrid(int32_t frame);
void UpdateSelectDisks(const CharaSelectScreenFrame& f);
void UpdateSelectColourLists(const CharaSelectScreenFrame& f);

void DrawSelectParticles();
void DrawSelectEffects();
void DrawSelectGrid();
void DrawSelectDisks(const CharaSelectScreenFrame& f);
void DrawSelectColourLists(const CharaSelectScreenFrame& f);
