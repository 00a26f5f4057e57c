// The character select's screen: the scrolling background and panels, chains, rings, sparks and
// particles, the roster grid's reveal and cursors, the colour lists, the style disks' animation,
// the time limit, the fades and the operator texts. The select scene owns the choices; the screen
// animates and draws them. Mode 0 is the select itself; mode 1 (background and chains only) is
// what the ranking screen shows.
#pragma once

#include <array>
#include <cstdint>

#include "scene/chara_roster.h"

struct TextureHandle;
class NetVSMessageWindows;

// The values the select scene and its screen share, beside the scene object.
// Seconds left to choose: 20 in an online match, -1 when there is no limit.
extern float g_SelectTimeLimit;
// 0..1, grown by the scene in its exit state; the screen draws it as the bright cover.
extern float g_SelectExitFade;
// 0..1, the time limit's alpha; restarts at 0 on entry.
extern float g_SelectOpeningFadeIn;
// Set once every grid cell has lost its cover: until then no side takes input.
extern bool g_SelectGridReady;

// What the scene tells the screen each frame.
struct CharaSelectScreenFrame {
  int mode = 0;          // 0 the select, 1 background and chains only
  int32_t frame = 0;     // the scene's frame counter
  bool boxOpen = false;  // a confirmation box is open or the close handler is busy
  bool onlineMatch = false;
  StyleDisk* disks[2] = {nullptr, nullptr};
  // Null: the list of the side's preview slot.
  ColourList* colourLists[2] = {nullptr, nullptr};
  // The stage select's "showing" argument: 1 while the scene is in its stage-select state.
  int stageSelectShowing = 0;
  // The online prompts and notices, drawn in an online match; null when the scene has none.
  NetVSMessageWindows* messageWindows = nullptr;
};

// Loads the sheets (a missing one stays null and what would draw it is skipped) and resets every
// animated value; the grid is rebuilt covered.
void LoadCharaSelectScreen(int mode);
// Frees every sheet; safe to call twice.
void FreeCharaSelectScreen();
// One frame of the screen, after the scene's state machine: the previews first, then the
// background values, the time limit and the opening fade-in (which stand still while a box is
// open or the grid is not ready), particles, chains, effects, the grid's reveal (which sets
// g_SelectGridReady), the style disks and the colour lists.
void UpdateCharaSelectScreen(const CharaSelectScreenFrame& f);
// Draws the whole select in order: previews, background, fades, time limit, panels, particles,
// chains, effects, grid, disks, colour lists, exit fade, the online message windows, the stage
// select and the operator texts.
void DrawCharaSelectScreen(const CharaSelectScreenFrame& f);

// ---- the screen's state, for the scene, the ranking screen and the tests ----

// The sheets, each null when its file is missing.
struct CharaSelectSheets {
  TextureHandle* background[2] = {};
  TextureHandle* colourMask[2] = {};
  TextureHandle* styleLegend = nullptr;
  TextureHandle* icons = nullptr;
  TextureHandle* particles = nullptr;
  TextureHandle* chains[2] = {};
  TextureHandle* effects = nullptr;
  TextureHandle* disks[2] = {};
  TextureHandle* styleLabels = nullptr;
};

// The texture holders of the parts sheet and the cursor sheet: static objects whose texture the
// select loads on entry and frees when it ends; whatever is still held goes with them at exit.
class CCharaSelectCommonTexture {
 public:
  virtual ~CCharaSelectCommonTexture();
  virtual void Load() = 0;
  void Free();
  TextureHandle* texture = nullptr;
};
class CCharaSelectCursorTexture : public CCharaSelectCommonTexture {
 public:
  void Load() override;
};
class CCharaSelectBgPartsTexture : public CCharaSelectCommonTexture {
 public:
  void Load() override;
};
extern CCharaSelectCursorTexture g_CharaSelectCursorTexture;
extern CCharaSelectBgPartsTexture g_CharaSelectPartsTexture;

// The background's animated values (the ranking screen steps them itself).
struct SelectBackgroundValues {
  float scrollA = 0.0f;
  float scrollB = 90.0f;
  float brightness = 0.5f;
  float openingFade = 1.0f;
};

struct SelectChain {
  float x = 0.0f;
  float angle = 0.0f;  // degrees
  int32_t kind = 0;    // 0 swings between 0 and the limit, 1 starts over from 0
  float limit = 0.0f;
  float speed = 0.0f;
  int32_t holdFrames = 0;
  float position = 0.0f;
  float direction = 1.0f;
  int32_t hold = 0;
};

struct SelectParticle {
  int32_t state = 0;  // 0 free, 1 fading in, 10 holding, 100 fading out
  int32_t timer = 0;
  int32_t row = 0;
  float x = 0.0f, y = 0.0f;
  int32_t holdFrames = 0;
  float speed = 0.0f;
};

struct SelectRing {
  bool active = false;
  int32_t age = 0;
  float scale = 0.0f;
  float growth = 0.0f;
};

struct SelectSpark {
  bool active = false;
  int32_t look = 0;
  float direction = 1.0f;
  float speed = 0.0f;
  float risen = 0.0f;
  float phase = 0.0f;
};

// The side of the roster the cursors' animation follows.
struct SelectCursorAnim {
  int32_t frame = 0;  // 0..9, every second frame
  int32_t hue = 0;    // 0..511, +18 per frame
  int32_t tick = 0;
};

struct CharaSelectScreen {
  int mode = 0;
  CharaSelectSheets sheets;
  SelectBackgroundValues background;
  float headerFirst = 0.0f, headerSecond = 0.0f, headerGlow = 1.0f, headerThird = 0.0f;
  float sidePanel[2] = {0.0f, 0.0f};
  float chainAlpha = 0.0f;
  std::array<SelectChain, 7> chains{};
  std::array<SelectParticle, 10> particles{};
  std::array<SelectRing, 4> rings{};
  std::array<SelectSpark, 20> sparks{};
  int32_t sparkCountdown = 90;
  std::array<RosterCell, kRosterCells> grid{};
  int32_t revealClock = 0;
  SelectCursorAnim cursors[2];
  int32_t lastDiskState[2] = {0, 0};
};
CharaSelectScreen& GetCharaSelectScreen();

// The icon of a character on the icon sheet (the random cell has its own); -1 for none, and for
// any number outside the table.
int SelectIconNumber(int character);

// The place of colour-list position p (0..35) on a side: the bar's x and y and its grey level.
struct ColourListPlace {
  float x = 0.0f, y = 0.0f;
  float grey = 0.0f;
};
ColourListPlace ColourListPlaceOf(int side, int position);

// The time limit as drawn: "%02d.%02d" (at most 99.99), and its colour (0xAARRGGBB) at an alpha.
void FormatSelectTime(float seconds, char out[8]);
uint32_t SelectTimeColour(float seconds, float alpha);

// The background and chains in the form other screens show (mode 1: no style legend, no header,
// grid or time limit): the ranking screen loads, steps and draws them through these.
void LoadSelectBackground(int mode);
void ReleaseSelectBackground();
void LoadSelectChains();
void ReleaseSelectChains();
void UpdateSelectChains();
void DrawSelectChains();
void DrawSelectBackground();
// The style disk of a side as the select starts it: hidden, at its corner place.
void ResetStyleDisk(StyleDisk& disk, int side);
