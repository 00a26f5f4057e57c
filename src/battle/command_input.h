// Command input: the pad read into button words, the seven-channel run-length input history,
// the notation compiler and tokenizer, the backwards matcher, and the command list's
// availability tests, conditions, execution and scan.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "battle/battle_records.h"
#include "battle/chara_command.h"

struct PadState;

inline constexpr uint8_t kNotationEnd = 0xFF;
inline constexpr int kNotationInvalid = -100;

// Directions from pads, replays and peers may carry 10..15: anything outside 0..9 reads 0.
inline uint8_t SaneDirection(int dir) { return dir >= 0 && dir <= 9 ? static_cast<uint8_t>(dir) : 0; }
uint8_t ReverseDirection(uint8_t dir);  // point reflection (out-of-range reads 0)
uint8_t MirrorDir(uint8_t dir);         // left-right (out-of-range reads 0)

// Rebuilds the button word (pressed | held << 12) and the released word from the pad; the word
// holds last frame's word on entry. Returns the 5-bit held mask.
uint32_t ReadPadButtons(const PadState& pad, uint32_t* buttons, uint32_t* released);
// Reads the direction (reversed, then mirrored when facing left) and the buttons.
void ReadBattlePadInto(const PadState& pad, uint8_t* dir, uint32_t* buttons, uint32_t* released, int facing,
                       int reversed);

void PushInputHistory(InputHistory& h, int dir, uint32_t heldBits);
void ExpireInputHistory(InputHistory& h);
// Mirrors channel 0 once after a ground turn; 1 when it flipped.
int FlipInputHistory(BattleObject& o);

// Writes text as compiled codes ('0'..'9' become 0..9) and the end byte into out; the text is
// cut to fit. Returns the number of codes before the end byte. The result holds byte 0: it is
// never a C string.
int CompileNotation(std::span<uint8_t> out, std::string_view text);

struct NotationToken {
  int dir = -1;  // -1 none, else the direction character's code (0..9 or a class character)
  uint8_t mask = 0;
};
// Reads the token ending at position p, backwards. Returns the position where the next
// (earlier) token ends, -1 when this token is the first, kNotationInvalid when invalid.
int ReadNotationToken(std::span<const uint8_t> notation, int p, NotationToken* token);

// 1 when the compiled notation (up to its end byte or the span's end) was entered.
int MatchCommandNotation(const InputHistory& h, std::span<const uint8_t> notation);
// A direction tapped from neutral: which 0 up, 1 forward, 2 down, 3 back.
int MatchDirectionTap(BattleObject& o, int which);

// The counter-limit byte L: below 100 action counter (L % 100) / 10 must be below L % 10; from
// 100 up battle-wide counter L / 100 must be below L % 100. 0 means no limit.
bool CounterLimitPasses(const BattleObject& o, int limit);

int IsCommandAvailable(PlayerRecord& r, int index);
int CheckExComChecks(PlayerRecord& r, int index);
int EvalExComCheck(PlayerRecord& r, const ExComCheck& check);
int CheckCommandConditions(BattleObject& o, const CommandEntry& e, int mode, uint32_t* marks);
int ExecuteCommand(PlayerRecord& r, int index);
int ScanCommandList(PlayerRecord& r);

// Battle-wide progress of the command achievements (reset at the match set-up): counts of
// character 35's and 20's commands, character 13's flag, and the route characters' counts.
struct CommandAchievementCounters {
  int32_t chara35 = 0, chara20 = 0, chara13Flag = 0;
  int32_t route9 = 0, route12 = 0, route22 = 0, route28 = 0;
};
extern CommandAchievementCounters g_CommandAchievementCounters;
// The achievement hooks of a fired command (local side only).
void RunCommandAchievementHooks(const BattleObject& o, int index);

// Lets any human player confirm: the menu bank's triggered direction (a later side's wins) and
// the pressed and held button masks of the players the game mode lets act; held may be null.
void ReadHumanPlayersInput(int* dir, uint32_t* pressed, uint32_t* held);

// Installs the history, expiry, notation compiler and command scan into the battle seams.
void InstallCommandInputSeams();
// Installs the pad read from the joystick's battle bank (the game and the harness alike).
void InstallBattlePadSeam();
