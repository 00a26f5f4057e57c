// CPU pattern files (".cpf"): the typed records a CPU character plays, the reader that fills
// them field by field from a file's little-endian bytes, the writer that lays them out again, and
// the four per-slot pattern files the character loader fills.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

// The file is read into a slot of this size: a shorter file leaves the rest zero, bytes past it
// are never read.
inline constexpr size_t kCpuPatternFileSize = 189388;
inline constexpr int kCpuPatternRecords = 100;  // record 0 is never started
inline constexpr int kCpuPatternSteps = 40;
inline constexpr size_t kCpuPatternRecordOffset = 188;
inline constexpr size_t kCpuPatternRecordSize = 1892;
inline constexpr size_t kCpuPatternStepSize = 44;

// Step flags.
enum : uint32_t {
  kCpuStepEndRecord = 0x1,
  kCpuStepClearAction = 0x2,
  kCpuStepWatchContact = 0x4,
  kCpuStepContactNeeds2 = 0x8,
  kCpuStepKeepButton = 0x10,
  kCpuStepEndNear = 0x20,
  kCpuStepRandomPick = 0x80000000u,
};

struct CpuPatternStep {
  uint8_t kind = 0;
  int16_t duration = 0;     // kind 19: first record number
  int16_t randomExtra = 0;  // kind 19: second record number
  int16_t commandId = 0;    // kind 16; kind 19: third record number
  int16_t word8 = 0;        // kind 19: fourth record number
  // Kind 19: the fifth record number. Its low byte is, for every other kind, the step's own
  // byte 10, whose bit 0 ends the record when the character is free as the step starts: the
  // two readings share the byte on purpose.
  int16_t word10 = 0;
  uint32_t flags = 0;
  uint8_t heldDirection = 0;
  uint8_t randomPickValue = 0;

  bool EndsWhenFree() const { return (word10 & 1) != 0; }
  // Kind 19's five record numbers, in their order.
  int16_t JumpRecord(int i) const {
    const int16_t r[5] = {duration, randomExtra, commandId, word8, word10};
    return i >= 0 && i < 5 ? r[i] : 0;
  }
  bool operator==(const CpuPatternStep&) const = default;
};

struct CpuPatternRecord {
  CpuPatternStep steps[kCpuPatternSteps];
  int32_t distanceMin = 0, distanceMax = 0;
  int32_t heightWindow = 0, heightMin = 0, heightMax = 0;
  int32_t chance = 0;  // a chance below 0 counts as 0 from the load on
  int32_t ownStance = 0, targetStance = 0;
  int32_t targetFree = 0;
  int32_t incomingAttack = 0;
  int32_t ownPatternOn = 0, requiredPattern = 0, requiredFrame = 0;
  int32_t ownLife = 0;
  int32_t targetHittable = 0;
  int32_t interruptible = 0;
  int16_t cooldown = 0;  // an int32 in the file, kept as int16
  int32_t minLevel = 0;
  int32_t gauge = 0;
  int32_t weight = 0;  // a weight below 0 counts as 0 from the load on
  bool operator==(const CpuPatternRecord&) const = default;
};

struct CpuPatternFile {
  int32_t guardRate = 0;
  CpuPatternRecord records[kCpuPatternRecords];
  bool operator==(const CpuPatternFile&) const = default;
};

// Fills `out` from a file's bytes as the zero-filled slot holds them: bytes past the end read as
// 0 and only the first kCpuPatternFileSize bytes count. Bytes the game does not read are ignored.
void ReadCpuPatternFile(std::span<const uint8_t> bytes, CpuPatternFile* out);
// The file's kCpuPatternFileSize bytes; bytes the game does not read are 0.
std::vector<uint8_t> WriteCpuPatternFile(const CpuPatternFile& file);

// One pattern file per character slot: 0 and 1 the sides' characters, 2 and 3 the partners or a
// two-body character's second body.
inline constexpr int kCpuPatternSlots = 4;
extern CpuPatternFile g_CpuPatternSlots[kCpuPatternSlots];

// A slot's AI state: the running record and step and the step's frames left (mirrors of the
// object's own fields), the frames before the next pick is allowed, and a cooldown per record.
struct CpuAiState {
  int32_t record = 0;
  int32_t step = 0;
  int32_t stepFrames = 0;
  int32_t waitTimer = 0;
  int16_t cooldown[kCpuPatternRecords] = {};
  bool operator==(const CpuAiState&) const = default;
};
extern CpuAiState g_CpuAiStates[kCpuPatternSlots];

// Clears the slot, then reads the file through the packs, else from the disk: 1 when found
// (at most kCpuPatternFileSize bytes read, the slot's AI state cleared), 0 with the slot left
// zero. A slot outside 0..3 reads nothing and gives 0.
int LoadCpuPatternFile(std::string_view path, int slot);
// Files loaded into the slot so far (each LoadCpuPatternFile counts, found or not): what is said
// once per file is said once per count.
uint32_t CpuPatternLoadCount(int slot);

// The pattern files of character slot `player` (0..3), from its character list entry: the
// type's own file ".\data\<name>_<type>.cpf", else ".\data\<name>.cpf". A two-body
// character's second body goes into slot player + 2 (the sides' slots 0 and 1 load it), so
// slots 2 and 3 of such a character load nothing. Runs on the loader thread and draws no
// random number. Returns 1.
int LoadCharacterCpuPatterns(int player);
