// The battle's pause control: who may pause with the start button in each game mode, the pause
// words, the pause menu's life while the battle is frozen and what its result does, the attract
// demo's end on any input, the hand-over to the training menus and the arcade's new-challenger
// interrupt. The battle reaches it through its IsPauseAllowed and UpdatePauseControl seams.
#pragma once

#include <cstdint>
#include <memory>

// Pause words (logic thread only).
extern uint8_t g_PauseStep;         // 0 none, 1 pausing, 2 resuming
extern int32_t g_PauseMenuActive;   // 1 while a pause or training menu opened from training runs
extern int32_t g_PausePlayer;       // the player (0 or 1) whose start button was seen
extern int32_t g_PauseMenuPlayer;   // the player whose menu bank drives the open menu
extern int32_t g_PauseResult;       // -1 none, else the menu's result code
extern int32_t g_PauseResultReady;  // 1 once the menu stored its result

// The pause menu's result codes.
inline constexpr int32_t kPauseContinue = 0;
inline constexpr int32_t kPauseReturnToMenu = 3;
inline constexpr int32_t kPauseCharacterSelect = 4;
inline constexpr int32_t kPauseResetRound = 10;
inline constexpr int32_t kPauseNextRound = 11;
inline constexpr int32_t kPausePreviousRound = 12;
inline constexpr int32_t kPauseReplaySelect = 13;

// The open in-battle pause menu as the control drives it. Deleting it stores its result in
// g_PauseResult and g_PauseResultReady.
class PauseMenu {
 public:
  virtual ~PauseMenu() = default;
  virtual void Draw() = 0;
  // direction: numeric keypad or 0; button: 0 none, 1 decide, 2 cancel.
  virtual void Input(int direction, int button) = 0;
  // 4 once the menu has closed.
  virtual int State() = 0;
};
extern std::unique_ptr<PauseMenu> g_PauseMenu;

// What the control asks of the pause menu and the training mode, which fill these hooks. With
// no pause menu nothing opens and nothing pauses (no frozen battle that nobody could resume);
// without the training menus the training start press does not pause either.
struct PauseControlHooks {
  // Makes the pause menu for a player, its title refreshed; null when there is none.
  std::unique_ptr<PauseMenu> (*createPauseMenu)(int player) = nullptr;
  // Training: the action-time display; the dummy recording's limit check (1 when reached, the
  // record/play indicator in *indicator); the dummy's status display; the replay time display
  // setting; the training menu of a paused frame; the hotkeys and the dummy control of an
  // unpaused frame; the dummy playback's end (restarts or holds the slot, never pauses).
  void (*drawActionTime)() = nullptr;
  int (*checkDummyRecordLimit)(int* indicator) = nullptr;
  void (*drawDummyReplayStatus)(int indicator) = nullptr;
  int (*replayTimeDisplay)() = nullptr;
  void (*updateTrainingMenu)() = nullptr;
  void (*handleTrainingHotkeys)() = nullptr;
  void (*updateTrainingFrame)() = nullptr;
  void (*dummyPlaybackEnd)() = nullptr;
};
extern PauseControlHooks g_PauseControlHooks;

// 1 when the battle runs its pause control this frame: a battle phase and no online match.
int IsPauseAllowed();
void UpdatePauseControl();
// Flips g_Paused for the training menus; returns the new paused state.
int TogglePause();

// The steps, for the tests and the training menus.
int ReadPauseRequest();
int ReadPauseRequestWhilePaused();
void HandlePauseRequest(int start);
void DispatchPauseMenu(int start);
void OpenPauseMenu();
void CreatePauseMenu(int player);
void FeedPauseMenuInput();
int CheckChallengerInterrupt();
int IsChallengerAllowed();
// 1 while the challenger interrupt runs.
int RunChallengerInterrupt();

// Every pause word back to its start value, the menu deleted.
void ResetPauseControl();

// Installs the two battle seams; the game wiring calls it after the battle's rules.
void InstallPauseControl();
