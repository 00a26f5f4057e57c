// Frame data ("Vazuvu6DataFile"): the in-memory patterns, frames, states, attacks, boxes,
// conditions and effects the battle engine reads, the reader of the tag stream (every count,
// slot, pool entry and length checked; on any damage reading stops and the patterns already
// stored stay), the writer, and the lookups on a pattern set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

struct CutSpriteSheet;
struct PAniData;

inline constexpr int kHan6PatternSlots = 1000;
// Fixed pointer arrays of a frame in separate storage.
inline constexpr int kHan6SeparateConditions = 6;
inline constexpr int kHan6SeparateEffects = 8;
inline constexpr int kHan6SeparateBoxes = 30;
inline constexpr int kHan6SeparateAttackBoxes = 8;
inline constexpr int kHan6ConditionParams = 10;
inline constexpr int kHan6EffectParams = 12;
inline constexpr int kHan6MaxVectors = 8;

struct Han6Box {
  int16_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  bool operator==(const Han6Box&) const = default;
};

struct Han6Condition {
  int32_t type = 0;
  int32_t params[kHan6ConditionParams] = {};
  bool operator==(const Han6Condition&) const = default;
};

struct Han6Effect {
  int32_t type = 0;
  int32_t number = 0;
  int32_t params[kHan6EffectParams] = {};
  bool operator==(const Han6Effect&) const = default;
};

struct Han6Motion {
  uint8_t flags = 0;  // high nibble x, low nibble y: 0 leave, 1 set, other add
  int16_t velocityX = 0, velocityY = 0, accelerationX = 0, accelerationY = 0;
  bool operator==(const Han6Motion&) const = default;
};

struct Han6StateExtra {
  uint8_t mode = 0;
  int16_t amplitudeX = 0, amplitudeY = 0, periodX = 0, periodY = 0;
  float phaseX = 0.0f, phaseY = 0.0f;
  bool operator==(const Han6StateExtra&) const = default;
};

struct Han6FrameState {
  std::optional<Han6Motion> motion;
  int16_t asmx = 0;
  std::optional<Han6StateExtra> extra;
  uint8_t stance = 0;
  uint8_t asys = 0, ascn = 0, ascs = 0, asaa = 0, asmv = 0, asct = 0;
  int32_t asf0 = 0, asf1 = 0;
  bool operator==(const Han6FrameState&) const = default;
};

struct Han6AttackData {
  int32_t atgd = 0;
  int16_t hitVectors[kHan6MaxVectors] = {};
  int16_t guardVectors[kHan6MaxVectors] = {};
  int16_t athe[2] = {};
  int16_t atge[2] = {};
  int16_t atsn = 0, atsu = 0;
  uint8_t atkk = 0, atng = 0, level = 0, aths = 0, atht = 0;
  int16_t atgn = 0;
  float atuh = 0.0f;
  int32_t atf1 = 0, atf2 = 0;
  int16_t atat = 0, atca = 0, atgs = 0, atkz = 0, atbt = 0;
  uint8_t atbg = 0;
  bool operator==(const Han6AttackData&) const = default;
};

struct Han6Frame {
  int16_t spriteKind = 0;
  int16_t spriteIndex = 0;
  int32_t offsetX = 0, offsetY = 0;
  uint16_t duration = 0;
  uint8_t endAction = 0;
  uint8_t flowFlags = 0;
  int16_t jumpTarget = 0, landingTarget = 0, loopCount = 0, loopExitTarget = 0;
  uint8_t colorR = 255, colorG = 255, colorB = 255;
  uint8_t blendMode = 0, alpha = 0, afhk = 0;
  float rotationX = 0.0f, rotationY = 0.0f, rotationZ = 0.0f;
  uint8_t rotationOrder = 0;
  int16_t priority = 0;
  float scaleX = 1.0f, scaleY = 1.0f;
  // Records are owned by the pattern; several frames may point at one (shared boxes, states).
  Han6FrameState* state = nullptr;
  Han6AttackData* attack = nullptr;
  uint8_t conditionCount = 0, effectCount = 0, boxCount = 0, attackBoxCount = 0;
  // Sized to their counts, or empty (the null array); entries may be null.
  std::vector<Han6Condition*> conditions;
  std::vector<Han6Effect*> effects;
  std::vector<Han6Box*> boxes;
  std::vector<Han6Box*> attackBoxes;
};

enum : int32_t { kHan6Separate = 0, kHan6Pooled = 1, kHan6Discarded = 255 };

struct Han6Pattern {
  Han6Pattern() = default;
  Han6Pattern(const Han6Pattern&) = delete;
  Han6Pattern& operator=(const Han6Pattern&) = delete;

  char title[32] = {};  // NUL-padded; a title of 32 characters has no NUL
  std::string comment;  // empty: none
  int32_t psts = 0, plvl = 0, pflg = 0;
  int32_t storageMode = kHan6Pooled;
  std::vector<Han6Frame> frames;
  uint16_t stateCount = 0;  // entries of the state pool as "PDS2" gives them; 0 for separate patterns
  // The pattern's records. Pooled patterns size them from their PDS2 counts; separate ones
  // append a record per use. Deques keep the frames' pointers valid as they grow.
  std::deque<Han6FrameState> statePool;
  std::deque<Han6Box> boxPool;
  std::deque<Han6Condition> conditionPool;
  std::deque<Han6Effect> effectPool;
  std::deque<Han6AttackData> attackPool;
};

struct Han6PatternSet {
  Han6PatternSet() : patterns(kHan6PatternSlots) {}
  int32_t pooled = 1;
  std::vector<std::unique_ptr<Han6Pattern>> patterns;
};

// One character's (or the common effects') frame data with its sprites.
struct FrameDataSet {
  Han6PatternSet* patterns = nullptr;
  CutSpriteSheet* sprites = nullptr;
  PAniData* pani = nullptr;
};

Han6PatternSet* InitHan6PatternSet();
void FreeHan6PatternSet(Han6PatternSet* set);
// Frees the part animations, the sheet and the patterns of a set, in that order.
void FreeFrameDataSetContents(FrameDataSet& set);

bool IsHan6DataImage(std::span<const uint8_t> image);
// Reads one data file image into a set (pooled). Returns 1 when the file was read up to its
// "_END" tag, else 0; patterns completed before a failure stay in the set.
int ParseHan6DataFile(std::span<const uint8_t> image, Han6PatternSet& set, const char* name = "");

Han6Frame* GetHan6Frame(Han6PatternSet* set, int pattern, int frame);
Han6AttackData* GetHan6FrameAttack(Han6PatternSet* set, int pattern, int frame);
int IsHan6BoxValid(const Han6Box* box);
// Marks in pageMask (maskSize bytes) every page that a kind-0 frame's sprite uses, over the
// patterns whose pflg bit 0 is clear; pages at or past maskSize are not marked. Returns the
// sheet's page count (0 when either argument is null).
int MarkUsedCutSprites(const Han6PatternSet* set, const CutSpriteSheet* sheet, uint8_t* pageMask,
                       size_t maskSize);

// Writes a set as a data file: pooled patterns with PDS2 (shared boxes and states as
// HRNS/HRAS/ASSM), separate ones with PDST.
std::vector<uint8_t> WriteHan6DataFile(const Han6PatternSet& set);
