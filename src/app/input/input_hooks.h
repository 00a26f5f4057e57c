// What the input code asks of the rest of the game (scenes, sound, save data, direct netplay).
// Those subsystems install their answers at start-up; until then the defaults describe an
// offline game with nothing pending.
#pragma once

#include <cstdint>
#include <functional>

struct InputGameHooks {
  // The title screen's accepted quit confirmation.
  std::function<bool()> titleQuitConfirmed = [] { return false; };
  // Requests a sound effect slot for this frame (152 is the menu cursor sound).
  std::function<void(int slot)> requestSound = [](int) {};
  std::function<int()> gameMode = [] { return 0; };  // 1 = versus player
  std::function<int()> mainSide = [] { return 0; };
  // The side of a running direct-connection match, -1 when none runs.
  std::function<int()> directMatchSide = [] { return -1; };

  // High-score name entry.
  std::function<int(int player)> nameEntryState = [](int) { return 0; };
  std::function<void(int player, int state)> setNameEntryState = [](int, int) {};
  std::function<int(int player)> registerRankingEntry = [](int) { return 0; };
  std::function<void()> savePlayDataIfLoaded = [] {};
  std::function<void(int player)> clearJoined = [](int) {};
  std::function<void(int side)> resetSideProgress = [](int) {};
  std::function<void(int player, int direction, uint32_t word)> updateNameEntry = [](int, int, uint32_t) {};
};

InputGameHooks& GetInputGameHooks();

// Stores a finished name entry (state 2) through the hooks: the row registered, the play data
// saved, the entry closed (3), the player's joined word and the side's progress cleared. 1 when
// there was one to store. The credit line's input step and the title's and main menu's resets
// all store through here, so none of them drops a qualifying score.
int StoreFinishedNameEntry(int player);
