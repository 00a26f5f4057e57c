// The roster grid, side initialisation, random picks, styles and colours of the character select.
#include "scene/chara_roster.h"

#include <cstdio>
#include <filesystem>
#include <string>

#include "FilePacFunc/FilePac.h"
#include "Sound/soundproc.h"
#include "app/random.h"
#include "app/save_data.h"
#include "battle/battle_records.h"
#include "battle/chara_list.h"
#include "battle/game_mode.h"
#include "battle/story_routes.h"
#include "platform/game_path.h"
#include "scene/credits.h"
#include "scene/game_modes.h"

CharaSelectSide g_CharaSelectSides[2];

namespace {

constexpr int kSoundCursor = 152;
constexpr int kSoundDecide = 151;

// Row by row from the top left.
constexpr int8_t kGrid[kRosterCells] = {
    -1, -1, 22, 7,  51, 15, 28, -1, -1,  //
    -1, 8,  2,  0,  30, 11, 9,  31, -1,  //
    -1, 4,  3,  1,  19, 12, 13, 14, -1,  //
    -1, 29, 17, 18, 33, 23, 10, 25, -1,  //
    -1, -1, 35, 5,  20, 6,  34, -1, -1,  //
    -1, -1, -1, -1, 99, -1, -1, -1, -1,  //
    -1, -1, -1, -1, -1, -1, -1, -1, -1,  //
};

void PlaySound(int slot) { g_SeRequest[slot] = 1; }

bool IsEmpty(int cell) { return kGrid[cell] == kRosterEmptyCell; }

constexpr uint32_t kDecideBit = 1u << 0;
constexpr uint32_t kCancelBit = 1u << 1;

}  // namespace

int RosterCellCharacter(int cell) { return cell >= 0 && cell < kRosterCells ? kGrid[cell] : -1; }

int FindRosterCell(int character) {
  for (int cell = 0; cell < kRosterCells; ++cell)
    if (kGrid[cell] == character) return cell;
  return -1;
}

bool IsRosterCharacterPresent(int character) {
  if (character < 0 || character == kRosterRandomCell || FindRosterCell(character) < 0) return false;
  return GetCharaListEntry(character) != nullptr;
}

bool IsRosterCellConfirmable(int cell) {
  const int c = RosterCellCharacter(cell);
  if (c == kRosterRandomCell) {
    for (int k : kGrid)
      if (IsRosterCharacterPresent(k)) return true;
    return false;
  }
  return IsRosterCharacterPresent(c);
}

std::array<RosterCell, kRosterCells> BuildRosterGrid() {
  std::array<RosterCell, kRosterCells> grid{};
  for (int cell = 0; cell < kRosterCells; ++cell) {
    const int row = cell / kRosterColumns, column = cell % kRosterColumns;
    RosterCell& r = grid[cell];
    r.cell = cell;
    // Odd rows count from the right, so the cover lifts in a zig-zag.
    r.revealOrder = (row % 2 == 1 ? kRosterColumns - 1 - column : column) + row;
    r.character = kGrid[cell];
    r.x = static_cast<float>(136 + column * 40);
    r.y = static_cast<float>(38 + row * 45);
    r.coverAlpha = 1.0f;
  }
  return grid;
}

int MoveRosterCursor(int cell, int direction) {
  if (cell < 0 || cell >= kRosterCells) return cell;
  int next = cell;
  // A cursor put on a cell of an empty column or row from outside would search for ever: the
  // search stops after one round and leaves the cursor where it was.
  if (direction == 2 || direction == 8) {
    const int step = direction == 2 ? kRosterColumns : -kRosterColumns;
    for (int i = 0; i < kRosterRows; ++i) {
      next += step;
      if (next < 0) next += kRosterCells;
      if (next >= kRosterCells) next -= kRosterCells;
      if (!IsEmpty(next)) break;
    }
  } else if (direction == 4 || direction == 6) {
    const int row = cell / kRosterColumns;
    int column = cell % kRosterColumns;
    for (int i = 0; i < kRosterColumns; ++i) {
      column = (column + (direction == 6 ? 1 : kRosterColumns - 1)) % kRosterColumns;
      next = row * kRosterColumns + column;
      if (!IsEmpty(next)) break;
    }
  } else {
    return cell;
  }
  if (IsEmpty(next)) next = cell;
  PlaySound(kSoundCursor);
  return next;
}

// ---- sides ----

namespace {

// How the side that is not the main side starts, by game mode.
struct OtherSideSetUp {
  int32_t mode;
  int32_t controller;
  int32_t selectionController;  // 1 CPU
  int32_t joined;
};
constexpr OtherSideSetUp kOtherSideByMode[] = {
    {MODE_ARCADE, kCpuSideNeedsNoChoice, 1, 0},  // needs no choice
    {MODE_VS_CPU, -1, 1, 0},                     // opened for the main player later
    {MODE_CPU_VS_CPU, -1, 1, 0},
    {MODE_TRAINING, -1, 0, 0},
};

// The fresh set-up of a side's record and selection (steps shared by both forms).
void FreshSide(int s) {
  PlayerSelection& sel = g_PlayerSelections[s];
  sel.decided = 0;
  sel.color = 0;
  sel.type = -1;
  CharaSelectSide& side = g_CharaSelectSides[s];
  side = CharaSelectSide{};
  side.character = s == 0 ? 0 : 11;
  side.phase = 0;
  side.controller = s;
  side.changed = 1;
}

}  // namespace

void InitSelectSides(bool challengerForm) {
  for (int s = 0; s < 2; ++s) {
    StoryBattleRoute& route = g_StoryBattleRoutes[s];
    if (route.playerCharacter == -1) {
      ResetStoryBattleRoute(route);
      ResetRouteStages(route);
    }
    PlayerSelection& sel = g_PlayerSelections[s];
    CharaSelectSide& side = g_CharaSelectSides[s];
    sel.drawOption = GetCharaFilter();
    if (!challengerForm) {
      FreshSide(s);
      if (g_ChallengeState != 0 && IsConfigModeOne() == 0 && s == g_MainSide) {
        sel.decided = 1;
        side.locked = g_ChallengeState;
      }
      if (route.playerCharacter != -1) {
        side.character = route.playerCharacter;
        side.colour = route.playerColor;
        side.type = route.playerType;
        // A side decided here never passes the colour choice, which is where a side's colour
        // reaches its selection: the clash rule reads the selection, so it gets it now.
        if (sel.decided != 0) sel.color = side.colour;
      }
    } else if (g_ChallengeState == 0) {
      side.phase = 0;
      side.controller = s;
      side.changed = 1;
    } else {
      if (s != g_MainSide) FreshSide(s);
      sel.decided = 0;
    }
    side.link = -1;
    sel.controller = 0;
    g_CreditState.players[s].joined = 1;
    if (s != g_MainSide) {
      // Other modes: the side is the player's own, human, joined.
      OtherSideSetUp set{0, s, 0, 1};
      for (const OtherSideSetUp& m : kOtherSideByMode)
        if (m.mode == g_GameModeFlags) set = m;
      side.controller = set.controller;
      sel.controller = set.selectionController;
      g_CreditState.players[s].joined = set.joined;
    }
    side.cursorCell = FindRosterCell(side.character);
  }
  // CPU against CPU makes both selections CPU, the main side's too (after the loop: the main
  // side's own pass sets its human word).
  if (g_GameModeFlags == MODE_CPU_VS_CPU)
    g_PlayerSelections[0].controller = g_PlayerSelections[1].controller = 1;
}

void ResetPlayerSelections() {
  for (PlayerSelection& s : g_PlayerSelections) {
    s.controller = 1;
    s.color = -1;
    s.character = -1;
    s.type = 0;
    s.ratio = 100;
    s.overrideMode = 0;
    s.overrideValue = 0;
  }
}

int GetPlayerScaleClass(int side) {
  if (side < 0 || side > 1) return 0;
  const int ratio = g_PlayerSelections[side].ratio;
  return ratio == 40 ? -1 : ratio == 160 ? 1 : 0;
}

// ---- random picks ----

int PickRandomCharacter() {
  // The grid's characters in cell order; with the whole list present the draw is the plain
  // value modulo 31. A list lacking some leaves them out, so the pick never names a character
  // the loader could not load.
  int candidates[kRosterCharacterCount];
  int count = 0;
  for (int c : kGrid)
    if (c >= 0 && c != kRosterRandomCell && IsRosterCharacterPresent(c)) candidates[count++] = c;
  if (count == 0) return -1;
  return candidates[RandNext() % count];
}

int PickRandomColour(int side) { return ResolveColourClash(side, RandNext() % kColourCount); }

int PickRandomStyle(int side) {
  if (side < 0 || side > 1) return -1;
  int available[kStyleCount];
  int count = 0;
  for (int style = 0; style < kStyleCount; ++style)
    if (IsStyleAvailable(side, style)) available[count++] = style;
  PlayerSelection& sel = g_PlayerSelections[side];
  if (count == 0) return sel.type;
  sel.type = available[RandNext() % count];
  return sel.type;
}

// ---- styles ----

namespace {

// In the packs or a plain file on disk (a folder of that name does not count).
bool DataFileExists(const std::string& path) {
  if (GetPackList().Exists(path)) return true;
  std::error_code ec;
  return std::filesystem::is_regular_file(vt::platform::HostPathForGamePath(path), ec);
}

bool StyleFileExists(const char* file, int style) {
  char path[96];
  std::snprintf(path, sizeof path, "%s%s_%0d.txt", ".\\data\\", file, style);
  return DataFileExists(path);
}

}  // namespace

int IsStyleAvailable(int side, int style) {
  if (side < 0 || side > 1 || style < 0 || style >= kStyleCount) return 0;
  const CharaListEntry* e = GetCharaListEntry(g_PlayerSelections[side].character);
  if (e == nullptr || e->File1[0] == '\0') return 0;
  if (!StyleFileExists(e->File1, style)) return 0;
  // An empty second name is taken as none, as "0" is: it names no file.
  if (e->File2[0] != '0' && e->File2[0] != '\0' && !StyleFileExists(e->File2, style)) return 0;
  return 1;
}

int TurnStyleDisk(int side, int from, int step) {
  int index = from;
  // The disk would turn for ever for a character without any style file: three steps visit
  // every style, and then it settles on style 0 (the loader finds nothing; the side stays empty
  // but harmless).
  for (int i = 0; i < kStyleCount; ++i) {
    index = (index + step + kStyleCount) % kStyleCount;
    if (IsStyleAvailable(side, index)) return index;
  }
  return 0;
}

int UpdateStyleChoice(int side, StyleDisk& disk, const SideFrameInput& in) {
  CharaSelectSide& s = g_CharaSelectSides[side];
  PlayerSelection& sel = g_PlayerSelections[side];
  if (disk.initPending != 0) {
    disk.initPending = 0;
    disk.state = kStyleDiskShown;
    sel.character = s.character;
    int index = ((disk.styleIndex % kStyleCount) + kStyleCount) % kStyleCount;
    if (s.type >= 0 && s.type < kStyleCount && IsStyleAvailable(side, s.type)) {
      for (int i = 0; i < kStyleCount && index != s.type; ++i) index = (index + 1) % kStyleCount;
    } else if (!IsStyleAvailable(side, index)) {
      index = TurnStyleDisk(side, index, 1);
    }
    disk.styleIndex = index;
    s.type = index;
  }
  int step = 0;
  if (in.direction == 2 || in.direction == 6) step = 1;
  if (in.direction == 4 || in.direction == 8) step = -1;
  if (step != 0) {
    disk.styleIndex = TurnStyleDisk(side, disk.styleIndex, step);
    PlaySound(kSoundCursor);
    s.type = disk.styleIndex;
    disk.angle += 60.0f * static_cast<float>(step);
    disk.spin = static_cast<float>(step);
  }
  if (in.pressed & kDecideBit) {
    // Online the net-battle control layer's decided flag starts the animation and the sound.
    if (!in.online) {
      disk.state = kStyleDiskDecided;
      PlaySound(kSoundDecide);
    }
    return 255;
  }
  if ((in.pressed & kCancelBit) && !in.online) {
    if (s.locked != 0) return -100;
    disk.state = kStyleDiskHidden;
    return -1;
  }
  return 1;
}

// ---- colours ----

bool CharactersClash(int a, int b, int colour) {
  if (a == b) return true;
  auto pair = [a, b](int x, int y) { return (a == x && b == y) || (a == y && b == x); };
  // 5 and 6 look apart in every colour: they are not listed.
  if (pair(4, 5) || pair(4, 6) || pair(14, 34) || pair(14, 35) || pair(34, 35)) return true;
  if (colour == 0 && (pair(4, 35) || pair(6, 35) || pair(20, 34))) return true;
  return false;
}

int IsColourFree(int side, int colour) {
  if (side < 0 || side > 1) return 1;
  const int own = g_PlayerSelections[side].character;
  for (int other = 0; other < 2; ++other) {
    if (other == side) continue;
    const PlayerSelection& o = g_PlayerSelections[other];
    if (o.decided != 0 && o.color == colour && CharactersClash(own, o.character, colour)) return 0;
  }
  return 1;
}

int ResolveColourClash(int side, int colour) {
  if (colour >= 0 && colour < kColourCount && IsColourFree(side, colour)) return colour;
  for (int c = 0; c < kColourCount; ++c)
    if (IsColourFree(side, c)) return c;
  return 0;
}

int ColourListPosition(int colour, int turnedTo) {
  const int groups = kColourCount / kColourGroupSize;
  const int group = ((colour / kColourGroupSize) - (turnedTo / kColourGroupSize) + groups) % groups;
  return group * kColourGroupSize + colour % kColourGroupSize;
}

void TurnColourList(ColourList& list, int colour) {
  if (colour < 0 || colour >= kColourCount) return;
  for (int c = 0; c < kColourCount; ++c) {
    list.places[c].previous = list.places[c].position;
    list.places[c].position = static_cast<float>(ColourListPosition(c, colour));
  }
  list.transition = 1.0f;
}

namespace {

void SetSideColour(int side, ColourList& list, int colour) {
  CharaSelectSide& s = g_CharaSelectSides[side];
  if (s.colour == colour) return;
  s.colour = colour;
  TurnColourList(list, colour);
  PlaySound(kSoundCursor);
}

}  // namespace

int UpdateColourChoice(int side, ColourList& list, const SideFrameInput& in, const ColourNet* net) {
  CharaSelectSide& s = g_CharaSelectSides[side];
  int direction = in.direction;
  // A direction towards the screen's edge means the same on both sides.
  if (side == 1 && (direction == 4 || direction == 6)) direction = 10 - direction;
  const int colour = ((s.colour % kColourCount) + kColourCount) % kColourCount;
  const int group = colour / kColourGroupSize;
  const bool online = net != nullptr;
  auto moveTo = [&](int next) {
    SetSideColour(side, list, next);
    if (online && net->localSide && net->sendColour != nullptr) net->sendColour(side, 0, next);
  };
  if (list.randomFlag == 0) {
    if (direction == 4 || direction == 6) {
      moveTo((colour + (direction == 6 ? kColourGroupSize : kColourCount - kColourGroupSize)) % kColourCount);
    } else if (direction == 2 || direction == 8) {
      const int next = colour + (direction == 2 ? 1 : -1);
      if (next < 0 || next / kColourGroupSize != group) {
        list.randomFlag = 1;
        PlaySound(kSoundCursor);
      } else {
        moveTo(next);
      }
    }
  } else if (direction == 2 || direction == 8) {
    list.randomFlag = 0;
    moveTo(group * kColourGroupSize + (direction == 2 ? 0 : kColourGroupSize - 1));
    PlaySound(kSoundCursor);
  }
  if (online) {
    if (net->localSide) {
      if (list.randomFlag != net->layerRandomFlag && net->sendColour != nullptr)
        net->sendColour(side, list.randomFlag, s.colour);
    } else if (list.randomFlag != net->layerRandomFlag) {
      list.randomFlag = net->layerRandomFlag;
      PlaySound(kSoundCursor);
    }
  }
  if (in.pressed & kDecideBit) {
    int candidate = s.colour;
    if (list.randomFlag != 0) {
      candidate = PickRandomColour(side);
      list.randomFlag = 0;
    }
    SetSideColour(side, list, ResolveColourClash(side, candidate));
    // The clash rule reads the other side's colour from its selection: a decided side's colour
    // is written there at once, not only when the select ends.
    g_PlayerSelections[side].color = s.colour;
    if (!online || net->decidedSoundPlayed == nullptr) {
      PlaySound(kSoundDecide);
    } else if (*net->decidedSoundPlayed == 0) {
      *net->decidedSoundPlayed = 1;
      PlaySound(kSoundDecide);
    }
    return 255;
  }
  if ((in.pressed & kCancelBit) && !in.directLink) return -1;
  return 1;
}

void NoteShownCharacterChange(int side, int previousCharacter, int newCharacter) {
  if (side < 0 || side > 1 || previousCharacter < 0 || previousCharacter == newCharacter) return;
  g_CharaSelectSides[side].type = 0;
  g_CharaSelectSides[side].colour = 0;
}
