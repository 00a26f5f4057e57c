// Stage data files (`<name>.dat`): the reader over a file image, which checks every offset and
// count against the file and the header region and yields the objects, their frames and event
// records, block A (parts-animation patterns, part definitions and images) and block B (a
// cut-sprite sheet); and the writer that turns a description into such a file (the sample-data
// builder and the tests' fixtures).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "Dxtools/BmpcutFiles/cut_sprite_sheet.h"

inline constexpr int kStageObjectCount = 256;
inline constexpr int kStageFrameSize = 132;
inline constexpr int kStageEventSize = 52;
inline constexpr int kStageObjectHeader = 60;
inline constexpr int kStageFileHeader = 84 + 4 * kStageObjectCount;
// Frame numbers are bytes in the running state: more frames could never be reached.
inline constexpr uint32_t kStageMaxFrames = 256;
inline constexpr int kStageBucketCount = 300;
inline constexpr int kStageAlwaysBucket = 255;
inline constexpr int kStagePatternCount = 1000;
inline constexpr int kStagePartCount = 1000;
inline constexpr int kStagePartSlots = 40;
inline constexpr int kStagePartRefSize = 104;
inline constexpr int kStagePartDefSize = 40;
inline constexpr int kStageImageCount = 50;
inline constexpr int kStageMaxImageSize = 2048;
inline constexpr uint32_t kStageBlockAPatterns = 40;
inline constexpr uint32_t kStageBlockAParts = 4040;
inline constexpr uint32_t kStageBlockADirectory = 40040;
inline constexpr uint32_t kStageBlockAHeader = 40044;
inline constexpr uint32_t kStageDirectoryOffsets = 28;
inline constexpr uint32_t kStageDirectorySizes = 3428;
inline constexpr uint32_t kStageDirectorySize = 3628;

struct StageFrame {
  int16_t image = 0;
  int16_t x = 0, y = 0;
  uint16_t duration = 0;
  uint8_t blend = 0;
  uint8_t alpha = 0;
  uint8_t endAction = 0;
  uint8_t target = 0;
  uint8_t blendNext = 0;
  uint8_t exitFrame = 0;
  uint8_t loopCount = 0;
  uint8_t clearX = 0, clearY = 0, setX = 0, setY = 0;
  int16_t vx = 0, vy = 0, ax = 0, ay = 0;
  std::array<int16_t, 8> conditions{};
  std::array<int16_t, 8> spawns{};
};

// A condition or spawn record. Records that fail the checks stay in place with type 0, which
// neither condition nor spawn acts on.
struct StageEvent {
  int16_t type = 0;
  int16_t object = 0;  // +2
  int32_t a4 = 0, a8 = 0, a12 = 0, a16 = 0;
  int16_t count20 = 0;  // +20 as int16 (spawn type 2)
  int32_t axis20 = 0;   // +20 as int32 (spawn type 100)
};

struct StageObject {
  uint32_t frameCount = 0;
  int16_t scroll = 0;
  int16_t bucket = 0;
  uint8_t spawnOnly = 0, foreground = 0, linear = 0;
  std::vector<StageFrame> frames;
  std::vector<StageEvent> conditions;  // by record number
  std::vector<StageEvent> spawns;
};

struct StagePartRef {
  int32_t part = -1;
  int32_t x = 0, y = 0;
  uint8_t flip = 0, additive = 0, linear = 0;
  int32_t zoomX = 1000, zoomY = 1000;
  uint8_t alpha = 255, red = 255, green = 255, blue = 255;
  uint8_t addRed = 0, addGreen = 0, addBlue = 0;
  uint8_t priority = 0;
};

struct StagePattern {
  std::array<StagePartRef, kStagePartSlots> refs;
};

struct StagePartDef {
  int32_t image = 0;
  int32_t sx = 0, sy = 0, sw = 0, sh = 0;  // as stored (for a 256-pixel image)
  int32_t width = 0, height = 0;
  int32_t pivotX = 0, pivotY = 0;
};

struct StageImage {
  int32_t size = 0;
  std::vector<uint8_t> bgra;  // size x size pixels, B, G, R, A
};

struct StageBlockA {
  std::array<std::unique_ptr<StagePattern>, kStagePatternCount> patterns;
  std::array<std::unique_ptr<StagePartDef>, kStagePartCount> parts;
  std::array<std::unique_ptr<StageImage>, kStageImageCount> images;  // by directory entry
};

// What the reader yields of one file.
struct StageFileData {
  uint32_t headerLength = 0;
  std::array<std::unique_ptr<StageObject>, kStageObjectCount> objects;
  std::unique_ptr<StageBlockA> blockA;
  std::vector<uint8_t> blockB;  // the sheet's bytes, empty without block B
  // The first problem found (empty when none); the reader logs it once with the file name.
  std::string problem;
};

// Reads a file image. Returns null when the file has no usable header region (no block, a block
// at offset 0, or a region past the end of the file). Damaged objects, frames, records, patterns,
// parts and images are dropped one by one; the first problem is logged once, naming the file.
std::unique_ptr<StageFileData> ReadStageFile(std::span<const uint8_t> image, const char* name);

// ---- Writer ----

struct StageFrameDesc {
  int16_t image = 0;
  int16_t x = 0, y = 0;
  uint16_t duration = 1;
  uint8_t blend = 0, alpha = 255;
  uint8_t endAction = 1, target = 0;
  uint8_t blendNext = 0, exitFrame = 0, loopCount = 0;
  uint8_t clearX = 0, clearY = 0, setX = 0, setY = 0;
  int16_t vx = 0, vy = 0, ax = 0, ay = 0;
  std::array<int16_t, 8> conditions{-1, -1, -1, -1, -1, -1, -1, -1};
  std::array<int16_t, 8> spawns{-1, -1, -1, -1, -1, -1, -1, -1};
};

struct StageEventDesc {
  int16_t type = 0;
  int16_t object = 0;
  int32_t a4 = 0, a8 = 0, a12 = 0, a16 = 0, a20 = 0;
};

struct StageObjectDesc {
  int number = 0;
  int16_t scroll = 256;
  uint32_t bucket = 0;
  uint8_t spawnOnly = 0, foreground = 0, linear = 0;
  std::vector<StageFrameDesc> frames;
  std::vector<StageEventDesc> conditions;
  std::vector<StageEventDesc> spawns;
  // Test fixtures: a frame count written in place of the real one.
  std::optional<uint32_t> frameCountOverride;
};

struct StagePatternDesc {
  int number = 0;
  std::array<StagePartRef, kStagePartSlots> refs;  // part -1: empty slot
};

struct StagePartDesc {
  int number = 0;
  StagePartDef def;
};

struct StageImageDesc {
  int number = 0;
  int32_t size = 0;
  std::vector<uint8_t> bgra;
};

struct StageFileDesc {
  std::vector<StageObjectDesc> objects;
  bool blockA = false;
  std::vector<StagePatternDesc> patterns;
  std::vector<StagePartDesc> parts;
  std::vector<StageImageDesc> images;
  std::optional<CutSpriteFileDesc> blockB;
};

// Where the writer put things (tests aim their damage at them).
struct StageFileLayout {
  uint32_t objectOffset[kStageObjectCount] = {};
  uint32_t blockAOffset = 0, blockASize = 0, blockBOffset = 0, blockBSize = 0;
  uint32_t directoryOffset = 0;  // within block A
};

std::vector<uint8_t> WriteStageFile(const StageFileDesc& desc, StageFileLayout* layout = nullptr);
