// The rules behind the character select's choices, kept apart from the scene so that other
// screens use them too: the roster grid and its cursor, how each side starts, the random
// character, colour and style, which styles a character offers and how the style disk turns,
// how the 36 colours are browsed, and the clash rule that keeps two sides from looking alike.
// They work on the two side records, the two `PlayerSelection` records and the character list,
// which they read only through its accessor (a character it does not hold is absent).
#pragma once

#include <array>
#include <cstdint>

// ---- the roster grid ----

inline constexpr int kRosterColumns = 9;
inline constexpr int kRosterRows = 7;
inline constexpr int kRosterCells = kRosterColumns * kRosterRows;
inline constexpr int kRosterEmptyCell = -1;
inline constexpr int kRosterRandomCell = 99;
// The grid cells that hold a character (neither empty nor the random cell).
inline constexpr int kRosterCharacterCount = 31;

// The character (or -1 empty, 99 random) of a cell; -1 for a cell outside the grid.
int RosterCellCharacter(int cell);
// The first cell holding the character, -1 when none.
int FindRosterCell(int character);
// True when the character is on the grid and the character list holds it.
bool IsRosterCharacterPresent(int character);
// True when a decide on the cell may confirm it: a present character, or the random cell while
// some grid character is present. Empty cells and absent characters cannot be confirmed.
bool IsRosterCellConfirmable(int cell);

// One cell of the built grid; the screen animates its cover.
struct RosterCell {
  int32_t cell = 0;
  int32_t revealOrder = 0;
  int32_t character = -1;
  float x = 0.0f, y = 0.0f;
  float coverAlpha = 1.0f;
};
// All 63 cells with their screen places: the grid opens in a zig-zag from the top left.
std::array<RosterCell, kRosterCells> BuildRosterGrid();

// One cursor move by a numeric-keypad direction (2 down, 8 up, 4 left, 6 right) over the
// non-empty cells; any other direction leaves the cell. A move requests sound 152.
int MoveRosterCursor(int cell, int direction);

// ---- the side records ----

// One per screen side, kept for the whole run (a side's last choices preset the next select).
struct CharaSelectSide {
  int32_t changed = 0;     // 1: the cursor cell was set from outside; the shown character follows
  int32_t phase = 0;       // 0 character, 1 style, 2 colour, 4 finishing, 5 done
  int32_t controller = 0;  // player index; -1 none yet; kCpuSideNeedsNoChoice
  int32_t link = 0;        // the side whose player handed over to this side, -1 none
  int32_t cursorCell = 0;  // -1: the side takes no part
  int32_t character = 0;
  int32_t type = 0;
  int32_t colour = 0;
  int32_t locked = 0;
};
inline constexpr int32_t kCpuSideNeedsNoChoice = -10000;
extern CharaSelectSide g_CharaSelectSides[2];

// Both sides before the first frame of a select (fresh form) or when a challenger joins during
// it (challenger form), by the game mode, the challenge state and the arcade routes.
void InitSelectSides(bool challengerForm);

// ---- selections ----

// Both records: controller CPU, colour and character none, type 0, size 100, no partner.
void ResetPlayerSelections();
// -1 for size percent 40, 1 for 160, else 0.
int GetPlayerScaleClass(int side);

// ---- random picks (one draw of the common stream each) ----

// A character drawn from the grid's characters: one draw modulo their number (31). Characters
// the list lacks are left out of the draw; -1, with no draw, when the list holds none of them.
int PickRandomCharacter();
// A free colour: one draw modulo 36, then the clash rule.
int PickRandomColour(int side);
// One draw over the side's available styles, written as its selection's type and returned;
// with none available nothing is drawn or changed and the present type is returned.
int PickRandomStyle(int side);

// ---- styles ----

inline constexpr int kStyleCount = 3;
// 1 when `.\data\<File1>_<style>.txt` exists (and the second file's when it has one) for the
// character of the side's selection.
int IsStyleAvailable(int side, int style);

// The disk a side turns to choose its style. The rules move the index and set the angle, spin
// and state; the screen animates the rest.
struct StyleDisk {
  int32_t initPending = 0;
  int32_t state = 0;  // 0 hidden, 1 shown, 100 decided, 1000 burst, 1001 finished
  int32_t styleIndex = 0;
  int32_t tick = 0;
  float angle = 0.0f;  // degrees
  float spin = 0.0f;
  float appear = 0.0f;
  float easedAppear = 0.0f;
  float flash = 0.0f;
  int32_t burstFrame = 0;
  int32_t burstSubTick = 0;
  float secondFlash = 0.0f;
  float x = 0.0f, y = 0.0f;
};
inline constexpr int32_t kStyleDiskHidden = 0;
inline constexpr int32_t kStyleDiskShown = 1;
inline constexpr int32_t kStyleDiskDecided = 100;

// The index reached by turning from `from` one step at a time in `step` (+1 or -1) until an
// available style comes; at most three steps, and style 0 when none of them is available.
int TurnStyleDisk(int side, int from, int step);

// What the select's side pass gives the style and colour phases of one side for one frame.
struct SideFrameInput {
  uint8_t direction = 0;  // a new numeric-keypad direction this frame, 0 none
  uint32_t pressed = 0;   // bit 0 decide, bit 1 cancel
  bool online = false;    // an online match runs
  bool directLink = false;
};

// The style phase of a side, one frame: 1 goes on, 255 decided, -1 cancelled, -100 cancel on a
// locked side (a request to leave).
int UpdateStyleChoice(int side, StyleDisk& disk, const SideFrameInput& in);

// ---- colours ----

inline constexpr int kColourCount = 36;
inline constexpr int kColourGroupSize = 6;
// 1 when the colours of the two characters clash when equal.
bool CharactersClash(int a, int b, int colour);
// 1 when no other decided side has this colour with a character clashing with this side's.
int IsColourFree(int side, int colour);
// The colour when free, else the first free colour from 0; 0 when all 36 clash.
int ResolveColourClash(int side, int colour);

// A side's list of the 36 colours: where it stands (on the side's colour, or on the random
// entry) and where each colour is laid out. The screen slides and turns it.
struct ColourList {
  int32_t openCounter = 0;
  float slide = 0.0f;
  int32_t timer = 0;
  int32_t randomFlag = 0;
  float transition = 0.0f;  // 1 right after a turn, falling to 0 as the colours reach their places
  struct Place {
    float previous = 0.0f;
    float position = 0.0f;
  } places[36];
};
// The place of a colour in a list turned to `colour`: that colour's group takes places 0..5,
// the other groups follow in group order after it, wrapping.
int ColourListPosition(int colour, int turnedTo);
// Turns the list to a colour: every colour leaves from where it was for its new place.
void TurnColourList(ColourList& list, int colour);

// What the colour phase needs of an online match: the random flag the net-battle control layer
// holds for the side, and the sender of message 33 (side, random flag, colour).
struct ColourNet {
  bool localSide = false;
  int32_t layerRandomFlag = 0;
  void (*sendColour)(int side, int randomFlag, int colour) = nullptr;
  // The once-per-side-and-match flag of the decision sound.
  int32_t* decidedSoundPlayed = nullptr;
};

// The colour phase of a side, one frame: 1 goes on, 255 decided (the colour resolved against
// the clash rule and stored in the side and its selection), -1 cancelled. `net` is null
// outside an online match.
int UpdateColourChoice(int side, ColourList& list, const SideFrameInput& in, const ColourNet* net);

// A side whose shown character changes from one character to another (not from none) starts
// again at type 0 and colour 0.
void NoteShownCharacterChange(int side, int previousCharacter, int newCharacter);
