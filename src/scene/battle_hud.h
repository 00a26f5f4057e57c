// The battle scene's HUD: life, red-life, guard and meter bars, faces, type icons, scores, the
// timer, cut-in portraits, and the graphics the character loader loads for each slot.
#pragma once

#include <cstdint>

struct TextureHandle;

// One HUD slot per player slot; only slots 0 and 1 (the sides' shown characters) are filled
// and drawn. Zeroed at every round start.
struct HudSlot {
  int32_t maxLife = 0;
  float lifeTarget = 0, lifeShown = 0;
  float redTarget = 0, redShown = 0;
  int32_t flash = 0;  // counts down by 1 per frame while positive
  float markerTarget = 0, markerShown = 0;
  int32_t guardState = 0;  // 2: broken
  float guardFraction = 0, guardBlend = 0;
  int32_t gaugeMode = 0;
  float meterTarget = 0, meterShown = 0;
  int32_t meterRaw = 0;
  int32_t type = 0, colour = 0;
  float ringAngle = 0;  // degrees
  int32_t ringGrow = 0;
  float ringAlpha = 0;  // 0..1
  int32_t specialCountdown = 0;
};
inline constexpr int kHudSlots = 4;
extern HudSlot g_HudSlots[kHudSlots];
// The heat fade of the centre rings, 0..1.
extern float g_HudHeatFade;

// value / divisor for the HUD's bars: a divisor of 0 or below (a zero row of the type file)
// gives 0, and the result is kept within 0..1, so no inf or NaN reaches a width.
float HudFraction(float value, float divisor);

// The counts left on the round timer for the timer digits: -1 without a time limit (timer
// speed 0, training), 0 once the time is used up.
float TimerDisplayValue();

// How the meter of a slot looks: its label (-1: the level number instead), bar colour, scroll
// speed and whether the bar is drawn full.
struct MeterLook {
  int32_t label = -1;
  uint32_t colour = 0;
  int32_t speed = 0;
  bool full = false;
  int32_t level = 0;  // 1..3 for the level colours, 0 otherwise
};
MeterLook GetMeterLook(const HudSlot& s);

// The scene's HUD pass, drawn by the battle scene each frame (headless too: only the queueing
// is skipped while g_BattleDrawSubmit is clear).
void DrawBattleHud();
// The training refill of life, guard and meter by the training settings.
void RefillTrainingGauges();
// The HUD values of the shown slots 0 and 1 from their sides' active characters.
void UpdateHudValues();
void UpdateHudBars();
void DrawHudBars();
void DrawGuardBar(int slot);
void DrawMeter(int slot);
void DrawTypeIcon(int slot);
void DrawHudCentre();
void DrawSideScore(int side);
// Zeroes the four HUD slots (every round start).
void ResetHudSlots();
// A hit shakes the life bar: the flash counter of the slot that shows the side set to 24.
void ShakeHudLifeBar(int side);

// The per-player HUD graphics the character loader requests (on its thread): the face of the
// character and side, the palette chip and five cut-ins (read asynchronously). cutInChara -1
// takes the character's own number.
void LoadBattleHudGraphics(int slot, int side, int chara, int cutInChara = -1);
// Frees every slot's graphics; waits for the cut-ins' reads still running.
void FreeBattleHudGraphics();
void FreePlayerHudGraphics(int slot);
// A player's cut-in index (0..4; 5 and anything else: none). Tag types 2 and 3 fold the slot
// onto its side.
TextureHandle* GetBattleHudTexture(int player, int index);
TextureHandle* GetHudFace(int slot);
TextureHandle* GetHudPaletteChip(int slot);

// Fills the HUD's seams (the loader's HUD graphics, the cut-in texture, the HUD slide, ...).
void InstallBattleHud();
