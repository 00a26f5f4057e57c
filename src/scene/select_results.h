// What a finished character select leaves for the rest of the game: the online copies, both
// PlayerSelection records, the arcade story routes kept or restarted, the pick counts, and the
// next scene; also the battle-table chooser that sets the arcade route's starting point.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One side's choice as the select hands it over.
struct SelectSideResult {
  int32_t character = -1;
  int32_t colour = 0;
  int32_t type = 0;
};

// What the story work answers for the select (it fills them; until then they do nothing and a
// route has no start text, so an arcade start goes to the next-stage map).
struct SelectStoryHooks {
  void (*clearStoryKind)() = nullptr;
  // Ends the running story script, loads the character's start story text and, when there is
  // one, makes it the story script with the interpreter set up and the story kind 255; false
  // without a text.
  bool (*startCharacterStory)(int character) = nullptr;
  void (*startOpeningStoryScript)() = nullptr;
  void (*startEndingStoryScript)() = nullptr;
};
extern SelectStoryHooks g_SelectStoryHooks;

// Writes both records from the sides; a negative type is stored as 0 in the side as well (kept:
// the routes then take the 0).
void WritePlayerSelections(SelectSideResult sides[2]);

enum class RouteFate { kKeep, kRestart, kCpuSide };
// Whether a side's route goes on, restarts, or is the arcade CPU side's (which never restarts
// and stores no character).
RouteFate DecideRouteFate(int32_t mode, int32_t challengeState, bool mainSide, int32_t storedCharacter,
                          int32_t character);
// The routes of both sides after a select; restarted[s] tells which restarted.
void SettleStoryRoutes(const SelectSideResult sides[2], int32_t battleTableResult, bool restarted[2]);
// Counts the picks in the play statistics (the main side when its route restarted, the other
// side during a challenger match) and saves them.
void CountCharacterSelections(const SelectSideResult sides[2], const bool restarted[2]);
// The whole finish: online copies, records, routes, counts.
void FinishCharacterSelect(SelectSideResult sides[2], int32_t battleTableResult);
// The next scene: the VS screen, or in arcade the story or the next-stage map.
void GoToNextSceneFromSelect(int32_t battleTableResult);

// The battle-table chooser: the main side's player picks a route table and a starting point.
struct BattleTableChooser {
  int32_t table = 0;
  int32_t row = 0;
  // The rows as drawn: table change, start message, ending message, one per route stage.
  std::vector<std::string> Rows(int side) const;
  // One frame of input (new direction, pressed buttons): 0 nothing yet, else the result 1 to 3
  // with the main side's route set to its starting point.
  int32_t Input(int side, int dir, uint32_t pressed);
  void Draw(int side) const;
};
