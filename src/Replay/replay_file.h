// Replay and training-dummy files: the match header, the rounds with their seeds, run-length
// input streams, random log and round-start state, and the reader and writer of the file layout
// (little-endian fields back to back). Versus replays are "*.rep" under ".\ReplayVS\", dummy
// recordings "*.dmr" under ".\RepDummy\"; both share this format.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

inline constexpr uint32_t kReplayVersion = 0xC0000004u;
inline constexpr size_t kReplayHeaderSize = 92;
inline constexpr size_t kReplayStartStateSize = 144;
// A round count of this or more is refused as "too large" before anything else is judged.
inline constexpr uint32_t kReplayRoundCountLimit = 0x1E00000u;
inline constexpr int kReplayStreams = 4;
inline constexpr int kReplaySeeds = 32;
inline constexpr int kReplayMarks = 10;
// A run never holds more frames than this.
inline constexpr uint8_t kReplayRunLimit = 248;

struct ReplayFileHeader {
  char magic[16] = {};
  uint32_t version = 0;
  uint32_t reserved0 = 0;
  uint16_t date[6] = {};  // year, month, day, hour, minute, second
  uint32_t reserved1 = 0;
  uint32_t stage = 0;
  uint32_t cpuLevel = 0;
  uint32_t damageLevel = 0;
  uint32_t roundsToWin = 0;
  uint32_t timerSpeed = 0;
  struct Player {
    uint32_t controller = 0;  // 1: CPU
    uint32_t character = 0;
    uint32_t type = 0;
    uint32_t colour = 0;
    bool operator==(const Player&) const = default;
  } players[2];

  // Magic and version, date and reserved words 0, stage 0, CPU level 2, rounds to win 2, timer
  // speed 2, both players 0. The damage level is left as it is.
  void Init();
  // "year/mm/dd hh:mm:ss".
  std::string FormatDate() const;
  bool operator==(const ReplayFileHeader&) const = default;
};

// One run of identical frames of a character's input.
struct ReplayInputEntry {
  uint8_t lever = 0;   // numpad direction, 5 neutral
  uint8_t repeat = 0;  // 1..248 frames
  // Byte 0: bits 12..19 of the button word (held), byte 1: bits 0..7 (pressed), byte 2: the low
  // byte of the third input word.
  uint32_t buttons = 0;

  static uint32_t Pack(uint32_t buttonWord, uint32_t thirdWord);
  uint32_t ButtonWord() const { return ((buttons & 0xFFu) << 12) | ((buttons >> 8) & 0xFFu); }
  uint32_t ThirdWord() const { return (buttons >> 16) & 0xFFu; }
  bool operator==(const ReplayInputEntry&) const = default;
};

struct ReplayInputStream {
  std::vector<ReplayInputEntry> entries;
  uint32_t position = 0;  // frames appended, or played since the last rewind
  uint32_t length = 0;    // cached sum of the repeats; 0 not yet computed
  uint32_t runIndex = 0;
  uint32_t repeatPosition = 0;

  // One frame: extends the current run when it has the same input and room, else starts a run.
  void Append(const ReplayInputEntry& entry);
  bool operator==(const ReplayInputStream&) const = default;
};

// The battle state a round starts from: the final-round word, each side's round marks and
// match-point flag, and each slot's circuit meter, in self-sized blocks.
struct ReplayRoundStartState {
  uint32_t size = kReplayStartStateSize;
  uint32_t finalRound = 0;
  struct Side {
    uint32_t size = 52;
    uint32_t markCount = 0;  // 0..10
    uint32_t marks[kReplayMarks] = {};
    uint32_t sideFlag = 0;
    bool operator==(const Side&) const = default;
  } sides[2];
  struct Meter {
    uint32_t size = 8;
    uint32_t circuit = 0;
    bool operator==(const Meter&) const = default;
  } meters[4];

  void Init() { *this = ReplayRoundStartState{}; }
  bool operator==(const ReplayRoundStartState&) const = default;
};

struct ReplayRound {
  uint32_t seeds[kReplaySeeds] = {};  // 0..9 the numbered streams, 10 the common generator
  uint32_t reserved[3] = {0, 255, 255};
  ReplayRoundStartState startState;
  ReplayInputStream streams[kReplayStreams];
  uint32_t frameCounter = 0;
  std::vector<uint32_t> randomLog;

  // Empties the streams, their cached lengths, the frame counter and the first reserved word;
  // seeds, log and start state stay.
  void Clear();
  void Rewind();
  // One played frame: every stream not yet past its last run moves on by a frame.
  void Step();
  int IsFinished() const;
  uint32_t GetPosition() const;
  uint32_t GetLength();
  void Release();
  bool operator==(const ReplayRound&) const = default;
};

class CReplayFile {
 public:
  CReplayFile() { header.Init(); }
  virtual ~CReplayFile() = default;

  ReplayFileHeader header;
  std::vector<ReplayRound> rounds;
  uint32_t roundIndex = 0;
  uint32_t reserved = 0;
  std::string errorText;  // empty, or what the last failed load found
  std::string path;       // the name of the last successful load, or of the last save

  // Reads the disk file and parses it (below). A file that cannot be opened, or bytes that do
  // not make a whole replay, give 0 with `errorText` (and one log line) naming the file and the
  // first problem; the replay held before stays as it was.
  int Load(std::string_view file);
  // Parses a whole file's bytes into this object, all or nothing; `source` names it in messages.
  int Parse(std::span<const uint8_t> bytes, std::string_view source);
  // Writes the file safely (a temporary beside it, then renamed; the folder made when missing).
  // 1 when written; 0 leaves any old file of that name as it was. The path is stored either way.
  int Save(std::string_view file);
  // The file's bytes.
  std::vector<uint8_t> Serialise() const;

  // Appends one frame to stream `slot` of the current round (a fresh round first when the
  // current index has none).
  void AppendInput(int slot, const ReplayInputEntry& entry);
  // The run being played on stream `slot`, not advanced; a zero entry past the last run or
  // without rounds.
  ReplayInputEntry ReadInput(int slot) const;
  // Empties the error text, rewinds every round and goes back to round 0; the round count.
  uint32_t RewindAll();
  int GetRoundStartState(uint32_t round, ReplayRoundStartState* out) const;
};

// 1 a replay file of this version; -1 it cannot be opened; -2 another magic; -3 another
// version (or too short to hold one). Reads the disk file only; touches no shared state.
int ProbeReplayFile(std::string_view file);
// The 92-byte header of a replay, from a mounted pack first, then the disk. 1 when a file was
// opened (fields past a short file's end keep their values), 0 with the header untouched.
// Touches no shared state.
int ReadReplayFileHeader(ReplayFileHeader* header, std::string_view file);
