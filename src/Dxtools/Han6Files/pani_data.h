// Part animations ("PAniDataFile"): patterns of up to 40 part references, 1000 part
// definitions and their textures. Readers for the tagged form and the older fixed-layout form
// over a file image (every read checked against the image; an invalid file yields null), and
// writers for both forms.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

struct TextureHandle;

inline constexpr int kPAniPartCount = 1000;
inline constexpr int kPAniSlotCount = 40;
inline constexpr int kPAniInitialPatterns = 1000;
// Highest pattern or texture number a file may use (the game's files stay far below it).
inline constexpr int kPAniMaxNumber = 65535;
// Largest texture edge accepted from a file.
inline constexpr int kPAniMaxTextureEdge = 4096;

struct PAniPartRef {
  int32_t partId = -1;
  int32_t partPriority = 0;
  int32_t x = 0, y = 0;
  int32_t prpa = 0;
  float zoomX = 1.0f, zoomY = 1.0f;
  float angle = 0.0f;  // turns
  uint32_t color = 0xFFFFFFFFu;
  uint32_t specular = 0;
  uint8_t reverse = 0;  // 0x01 mirrors horizontally, 0x02 vertically
  uint8_t blend = 0;    // 1 additive
  uint8_t filter = 0;   // 1 linear
};

struct PAniPattern {
  char name[32] = {};
  std::array<std::unique_ptr<PAniPartRef>, kPAniSlotCount> refs;
};

struct PAniPart {
  char name[32] = {};
  int32_t texture = 0;
  int32_t pptx = 0;
  int32_t u = 0, v = 0, w = 0, h = 0;
  int32_t width = 0, height = 0;
  int32_t pivotX = 0, pivotY = 0;
  int32_t ppjp[2] = {0, 0};
};

struct PAniTexture {
  char name[32] = {};
  int32_t pgtp = 0;
  // The embedded image (B, G, R, A rows of width x 4 bytes) until the drawing layer makes the
  // texture from it; empty when the file was read without pixels.
  int32_t width = 0, height = 0;
  std::vector<uint8_t> pixels;
  TextureHandle* texture = nullptr;
};

struct PAniData {
  PAniData();
  ~PAniData();  // frees the textures through g_PAniTextureFree
  PAniData(const PAniData&) = delete;
  PAniData& operator=(const PAniData&) = delete;

  std::vector<std::unique_ptr<PAniPattern>> patterns;
  std::array<std::unique_ptr<PAniPart>, kPAniPartCount> parts;
  std::vector<std::unique_ptr<PAniTexture>> textures;

  const PAniPart* Part(int32_t number) const;
  const PAniTexture* Texture(int32_t number) const;
  const PAniPattern* Pattern(int32_t number) const;
};

// Frees one texture of a part-animation file; installed by the drawing layer with its backend.
extern void (*g_PAniTextureFree)(TextureHandle* texture);

bool IsPAniImage(std::span<const uint8_t> image);
// Reads either form (the tagged one when the header says "PAniDataFile"); null when invalid,
// with the reason logged under `name`.
PAniData* ParsePAniData(std::span<const uint8_t> image, int embeddedPixels, const char* name = "");
PAniData* ParsePAniDataTagged(std::span<const uint8_t> image, int embeddedPixels, const char* name = "");
PAniData* ParsePAniDataOld(std::span<const uint8_t> image, const char* name = "");
void FreePAniData(PAniData* pani);
const PAniPartRef* GetPAniPartRef(const PAniData* pani, int pattern, int slot);

std::vector<uint8_t> WritePAniData(const PAniData& pani);
// The older form holds patterns and parts 0..999 and square textures 0..49.
std::vector<uint8_t> WritePAniDataOld(const PAniData& pani);
