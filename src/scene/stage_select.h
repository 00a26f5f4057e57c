// The stage select inside the character select: the stage pictures and name plates, the step
// over usable stages, one frame of the players' input, and the sliding panel with its list.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

struct TextureHandle;

struct StageSelectEntry {
  TextureHandle* plateJp = nullptr;
  TextureHandle* plateEn = nullptr;
  TextureHandle* view = nullptr;
};

struct StageSelectState {
  // Null for a stage without a view picture.
  std::array<std::unique_ptr<StageSelectEntry>, 100> entries;
  TextureHandle* cursor = nullptr;
  float panel = 1.0f;   // 1 hidden, 0 fully shown
  float scroll = 0.0f;  // -1..1, back to 0 while the list settles
  int32_t previousStage = 0;
};
extern StageSelectState g_StageSelect;

// One player's input of the frame: a new numeric-keypad direction (0 none) and the pressed
// buttons (bit 0 decide, bit 1 cancel).
struct StageSelectPad {
  int dir = 0;
  uint32_t pressed = 0;
};

// Frees what was loaded, then loads the entries of stages 0..99 and the cursor piece.
void LoadStageSelect();
void FreeStageSelect();
// The stage reached by stepping |steps| usable stages in the sign's direction, over the
// exclude list of the present mode and the stages the stage list lacks; 0 (random) is usable.
int StepStage(int stage, int steps);
// One frame of input of the joined players, player 0 first: 1 moved, 255 decided, -1
// cancelled, 0 nothing.
int UpdateStageSelect(const StageSelectPad pads[2]);
// The same from the menu bank of the game's joystick.
int UpdateStageSelect();
// Moves the panel (in while showing, out otherwise) and the scroll, and draws.
void DrawStageSelect(int showing);
