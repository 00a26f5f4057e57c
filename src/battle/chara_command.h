// The character command and parameter file "<name>_<n>_c.txt": the command list (up to the
// line "END") and the ini sections after it, read into a `CharaCommandTable`.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

struct PlayerRecord;

inline constexpr uint32_t kMaxCommandId = 1023;
inline constexpr int kMaxNotationChars = 19;
inline constexpr int kMaxExComChecks = 256;

struct CommandEntry {
  uint32_t id = 0;
  char notationText[kMaxNotationChars + 1] = {};  // the notation as written
  uint8_t notation[20] = {0xFF};                  // compiled codes, 0xFF terminated
  uint32_t pattern = 0;
  uint8_t cancelKind = 0;
  uint32_t cost = 0;
  uint8_t partner = 0;
  uint8_t counterLimit = 0;
  uint8_t airLimit = 0;
  uint32_t flags = 0;
};

struct ThrowEntry {
  int16_t enabled = 0, first = 0, second = 0;
};

struct ExComCheck {
  int32_t commandId = 0, type = 0, p[5] = {};
};

struct CharaCommandTable {
  std::vector<std::unique_ptr<CommandEntry>> commands;  // indexed by id; gaps are null
  uint8_t airJumps = 0, destroyCount = 0, flags = 0, spCritical = 0, rareKoVoice = 0, tagHeart = 0;
  int32_t gravityAddY = 150, gravityMaxX = 1000;
  float guardRatio[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  int32_t shieldCounterGround = 0, shieldCounterAir = 0, shieldCounterCrouch = 0;
  int32_t dashCancelGround = 0, dashCancelAir = 0, sparkGround = 0, sparkAir = 0, highJumpPattern = 0;
  ThrowEntry groundThrow, airThrow;
  int32_t koEffect = 0;
  int32_t exComCheckCount = 0;
  std::vector<ExComCheck> exComChecks;
  int32_t tagCallPattern = 0, tagEntryPattern = 0;  // no key in the file: stay 0
};

// The highest accepted id before "END" (0 for an empty list).
uint32_t CountCommandLines(std::string_view text);
// Parses a whole command file image. Never fails: damaged lines are logged and skipped.
std::unique_ptr<CharaCommandTable> ParseCharaCommandFile(std::string_view text, std::string_view name);
// Reads the file and installs the table in the record; 0 (the old table kept) when unreadable.
int LoadCharaCommandFile(PlayerRecord& record, std::string_view path);
void FreeCharaCommandTable(PlayerRecord& record);
