// The title item menu: what the waiting title screen does with a frame's input and its idle
// counter. A press of player 1 or 2 starts the arcade set-up for that player, Escape or pad
// button 9 asks the quit question, and a long idle time prepares the attract demo.
#pragma once

#include <cstdint>

// Action numbers the title screen acts on.
inline constexpr int kTitleActionNone = 0;
inline constexpr int kTitleActionAttract = 5;
inline constexpr int kTitleActionArcade = 6;
inline constexpr int kTitleActionQuit = 8;

// Frames without input after which the attract demo starts (it starts once the counter exceeds it).
inline constexpr int32_t kTitleIdleLimit = 2400;

class TitleItemMenu {
 public:
  // The cursor on the first title item, "ARCADE MODE".
  void Reset();
  // One waiting frame: the action number. A press sets idleFrames to 0; a credit input also
  // does (through the attract step); the counter is not advanced here (the title counts it).
  int Update(int32_t& idleFrames);
  // 6 when the player may join, after the title's arcade start for that player; else 0.
  int Decide(int player);

  int32_t item = 0;  // 0: "ARCADE MODE", the only title item
};
