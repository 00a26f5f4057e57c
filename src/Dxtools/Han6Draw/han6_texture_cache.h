// The sprite texture cache: every cut sprite is assembled once from its pages into a texture of
// its own, kept while it is drawn, aged out after 300 idle frames and trimmed past 48 MiB. The
// list and its byte totals are guarded by a mutex, because the character loader flushes the
// cache on its worker while the logic thread ages it every frame. Textures are made, locked and
// freed through a backend (the graphics layer, or a fake in tests), never under the cache lock.
#pragma once

#include <cstdint>
#include <vector>

#include "Dxtools/BmpcutFiles/cut_sprite_sheet.h"

struct TextureHandle;
struct PAniData;

inline constexpr int64_t kHan6CacheTrimThreshold = 0x3000000;
inline constexpr int64_t kHan6CacheTrimTarget = 40265320;
inline constexpr int kHan6CacheIdleLimit = 300;
inline constexpr int kHan6CacheTrimStartAge = 20;
inline constexpr int kHan6CacheInitialRoom = 2048;

// What the sprite code needs of the graphics layer.
class Han6TextureBackend {
 public:
  virtual ~Han6TextureBackend() = default;
  // A texture of at least width x height (enlarged to powers of two); its allocated size is
  // returned in texWidth/texHeight. Null on failure.
  virtual TextureHandle* CreateTexture(int width, int height, CutPixelFormat format, bool managed,
                                       int& texWidth, int& texHeight) = 0;
  virtual uint8_t* Lock(TextureHandle* texture, int& pitch) = 0;
  virtual void Unlock(TextureHandle* texture) = 0;
  virtual void Free(TextureHandle* texture) = 0;
  // The allocated size of a texture.
  virtual void TextureSize(TextureHandle* texture, int& width, int& height) = 0;
  // The pixels of a page texture as the sprite assembly reads them.
  virtual CutSpritePageView PageView(TextureHandle* page) = 0;
  virtual bool Display16() = 0;
};

// Installs a backend (null goes back to the graphics layer's); returns the previous one.
Han6TextureBackend* SetHan6TextureBackend(Han6TextureBackend* backend);
// The backend in force: the installed one, else the graphics layer's.
Han6TextureBackend* GetHan6TextureBackend();

struct Han6CacheEntry {
  char name[32] = {};
  int32_t key = 0;
  TextureHandle* texture = nullptr;
  int32_t idleFrames = 0;
  int32_t bytes = 0;         // counted and aged
  int32_t preloadBytes = 0;  // neither aged nor trimmed
};

// Builds (or finds) the texture of a sprite; null for an empty slot or a failed creation.
TextureHandle* GetCutSpriteTexture(const CutSpriteSheet* sheet, int spriteNumber, int32_t key, int preload,
                                   int compress);
// Builds every sprite of a stage sheet as preloaded entries with keys keyBase | number.
void PreloadStageSprites(const CutSpriteSheet* sheet, int32_t keyBase);
void AgeHan6TextureCache();
void TrimHan6TextureCache();
void FlushHan6TextureCache();

// Totals and a snapshot of the entries (tests, benchmarks, the debug overlay).
int64_t Han6CacheCountedBytes();
int64_t Han6CachePreloadedBytes();
std::vector<Han6CacheEntry> Han6CacheSnapshot();
// Adds an entry as the cache would after building one (tests use null textures and made-up
// sizes to drive ageing and trimming).
void AddHan6CacheEntry(const char* name, int32_t key, TextureHandle* texture, int32_t bytes, bool preload);

// Page textures of a sheet from its embedded pixels, through the backend: returns 1, or 0 when
// the sheet or its pixels are missing. Pages past maskSize count as unmarked.
int CreateCutSpritePages(CutSpriteSheet* sheet, const uint8_t* paletteOverride, const uint8_t* pageMask,
                         size_t maskSize, int keepPixels);
// Makes the textures of a part-animation file from its embedded images (32-bit, or A4R4G4B4 on a
// 16-bit display); images are dropped once their texture exists.
void CreatePAniTextures(PAniData* pani);

// Frees a sheet's page textures through the backend (the sheet's own free does the same).
void FreeCutSpritePages(CutSpriteSheet* sheet);
