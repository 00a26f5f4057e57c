// The game-level joystick: every part of the game reads pads through it. Once per frame it
// takes the four ports' raw states, maps them through per-player bit maps into game buttons and
// keeps three banks of four PadState records (battle, menu, local). In a network battle the
// battle bank comes from the exchanged inputs instead. Also the menu queries and the
// name-entry input step.
#pragma once

#include <array>
#include <cstdint>

#include "app/input/pad_state.h"

class CAppJoystick {
 public:
  // Synchronisation requests that round flow, judge and the VS result menu OR in.
  uint32_t requestWord = 0;
  // Confirmation latches, one per player; ConsumeLatch tests the first two.
  std::array<uint32_t, 4> latchWords{};
  std::array<PadRawState, 4> rawStates{};
  std::array<std::array<uint32_t, 32>, 4> battleMap{};
  std::array<std::array<uint32_t, 32>, 4> menuMap{};
  std::array<PadState, 4> battleBank{};
  std::array<PadState, 4> menuBank{};
  std::array<PadState, 4> localBank{};
  // Request bits seen by the input exchange and not yet consumed: a player's latch word takes
  // them on the first exchanged frame in which that player presses a battle button.
  uint32_t pendingConfirm = 0;

  virtual ~CAppJoystick() = default;
  virtual void ResetMaps();
  virtual void ClearAll();
  virtual void ClearPlayer(int player);
  virtual void CopyLocalToMenu(int from, int to);
  virtual void ResetBattleMap(int player);
  virtual void ResetMenuMap(int player);

  void ReadDevices();
  void UpdateBanks();
  // 0 when the network frame cannot advance yet (the scene must not advance), else 1.
  int ExchangeNetInput();
  void BuildNetBanks(int player, const NetPadInput& netInput, const NetPadInput& menuInput);
  int ConsumeLatch(uint32_t bits);

  void GetMenuInput(int player, int* dir, uint32_t* pressed, uint32_t* held, int raw) const;
  void GetAllPlayersMenuInput(int* dir, uint32_t* pressed, uint32_t* held, int raw) const;
  int GetMenuDirectionCommand(int bank, uint32_t players, int sound) const;
  int GetMenuLeftRight(uint32_t players) const;
  int GetMenuConfirmCancel(int bank, uint32_t players, int sound) const;

  int IsMenuButton2Pressed(int direct) const;
  int IsMenuButton0Pressed(int direct) const;
  int IsAnyMenuButtonPressed() const;
  int IsPlayerMenuButton2Pressed(int player) const;
  int IsPlayerAnyMenuButtonPressed(int player) const;
  int IsPlayerMenuButtonPressedExcept1(int player) const;
  int IsPlayerMenuButton0(int player, int flags) const;
  int IsPlayerMenuButton1(int player, int flags) const;

  int UpdateNameEntryInput(int player, int enable);

 private:
  const std::array<PadState, 4>& Bank(int bank) const;
  // Calls test(player) for the acting player(s); true when any answers true.
  template <class Test>
  bool ForActingPlayers(int direct, Test test) const;
};

class CAppJoystickWindows : public CAppJoystick {
 public:
  void ResetBattleMap(int player) override;
  void ResetMenuMap(int player) override;
};

// The one joystick object; start-up points g_AppJoystick at it once the input manager runs.
CAppJoystickWindows& GetAppJoystickInstance();
extern CAppJoystick* g_AppJoystick;

// Start-up step after the input manager's Init: g_AppJoystick is set and the default maps of
// all four players are loaded.
void StartAppJoystick();
