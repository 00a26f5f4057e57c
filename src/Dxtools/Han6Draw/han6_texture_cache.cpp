// The sprite texture cache and the page textures of cut-sprite sheets.
#include "Dxtools/Han6Draw/han6_texture_cache.h"

#include <atomic>
#include <cstring>
#include <mutex>

#include "Dxtools/Han6Draw/han6_gfx.h"
#include "Dxtools/Han6Files/pani_data.h"
#include "app/lib_debug.h"

namespace {

std::atomic<Han6TextureBackend*> g_backend{nullptr};

struct Cache {
  std::mutex mutex;
  std::vector<Han6CacheEntry> entries;
  int64_t counted = 0;
  int64_t preloaded = 0;
  Cache() { entries.reserve(kHan6CacheInitialRoom); }
};

Cache& TheCache() {
  static Cache cache;
  return cache;
}

Han6TextureBackend* Backend() {
  Han6TextureBackend* b = g_backend.load(std::memory_order_acquire);
  return b != nullptr ? b : GfxHan6TextureBackend();
}

void FreeTextures(const std::vector<TextureHandle*>& textures) {
  Han6TextureBackend* backend = Backend();
  for (TextureHandle* t : textures)
    if (t != nullptr) backend->Free(t);
}

void PageFreeHook(TextureHandle* t) { Backend()->Free(t); }

// Sheets and part animations free their textures through the backend in force.
const bool kHooksInstalled = (g_CutSpritePageFree = &PageFreeHook, g_PAniTextureFree = &PageFreeHook, true);

// Removes entry i under the lock, keeping its texture for freeing after the lock is dropped.
void RemoveLocked(Cache& c, size_t i, std::vector<TextureHandle*>& dead) {
  Han6CacheEntry& e = c.entries[i];
  dead.push_back(e.texture);
  c.counted -= e.bytes;
  c.preloaded -= e.preloadBytes;
  c.entries.erase(c.entries.begin() + static_cast<std::ptrdiff_t>(i));
}

void InsertEntry(const char* name, int32_t key, TextureHandle* texture, int32_t bytes, bool preload) {
  Cache& c = TheCache();
  std::lock_guard<std::mutex> lock(c.mutex);
  for (Han6CacheEntry& e : c.entries) {
    // An entry kept without a texture is the one being rebuilt.
    if (e.key == key && e.texture == nullptr) {
      e.texture = texture;
      e.idleFrames = 0;
      c.counted -= e.bytes;
      c.preloaded -= e.preloadBytes;
      e.bytes = preload ? 0 : bytes;
      e.preloadBytes = preload ? bytes : 0;
      c.counted += e.bytes;
      c.preloaded += e.preloadBytes;
      return;
    }
  }
  Han6CacheEntry e;
  std::snprintf(e.name, sizeof e.name, "%s", name != nullptr ? name : "");
  e.key = key;
  e.texture = texture;
  e.bytes = preload ? 0 : bytes;
  e.preloadBytes = preload ? bytes : 0;
  c.counted += e.bytes;
  c.preloaded += e.preloadBytes;
  c.entries.push_back(e);
}

CutPixelFormat SpriteFormat(const CutSpriteRecord& r, Han6TextureBackend& backend) {
  if (r.bitDepth == 8) return CutPixelFormat::kA1R5G5B5;
  // DXT5 compression of preloaded stage sprites is not made: they stay 32-bit.
  return backend.Display16() ? CutPixelFormat::kA4R4G4B4 : CutPixelFormat::kA8R8G8B8;
}

// Makes and fills the texture of one sprite; null when the backend cannot.
TextureHandle* BuildSpriteTexture(const CutSpriteSheet& sheet, const CutSpriteRecord& r, int32_t& bytes) {
  Han6TextureBackend* backend = Backend();
  const CutPixelFormat format = SpriteFormat(r, *backend);
  int texW = 0, texH = 0;
  TextureHandle* tex =
      backend->CreateTexture(r.right - r.left + 1, r.bottom - r.top + 1, format, false, texW, texH);
  if (tex == nullptr) return nullptr;
  std::vector<CutSpritePageView> views(sheet.pages.size());
  for (size_t p = 0; p < sheet.pages.size(); ++p)
    if (sheet.pages[p] != nullptr) views[p] = backend->PageView(sheet.pages[p]);
  int pitch = 0;
  if (uint8_t* dst = backend->Lock(tex, pitch)) {
    CopyCutSpriteRuns(sheet, r, views, dst, pitch, texW, texH, format);
    backend->Unlock(tex);
  }
  bytes = texW * texH * (r.bitDepth == 8 ? 2 : 4);
  return tex;
}

}  // namespace

Han6TextureBackend* SetHan6TextureBackend(Han6TextureBackend* backend) {
  (void)kHooksInstalled;
  return g_backend.exchange(backend, std::memory_order_acq_rel);
}

Han6TextureBackend* GetHan6TextureBackend() { return Backend(); }

TextureHandle* GetCutSpriteTexture(const CutSpriteSheet* sheet, int spriteNumber, int32_t key, int preload,
                                   int compress) {
  (void)compress;
  const CutSpriteRecord* r = sheet != nullptr ? sheet->Record(spriteNumber) : nullptr;
  if (r == nullptr) return nullptr;
  Cache& c = TheCache();
  {
    std::lock_guard<std::mutex> lock(c.mutex);
    for (Han6CacheEntry& e : c.entries) {
      if (e.key != key) continue;
      e.idleFrames = 0;
      if (e.texture != nullptr) return e.texture;
      break;  // kept without a texture: rebuilt below
    }
  }
  int32_t bytes = 0;
  TextureHandle* tex = BuildSpriteTexture(*sheet, *r, bytes);
  if (tex == nullptr) return nullptr;
  TrimHan6TextureCache();
  InsertEntry(r->name, key, tex, bytes, preload != 0);
  return tex;
}

void PreloadStageSprites(const CutSpriteSheet* sheet, int32_t keyBase) {
  if (sheet == nullptr) return;
  for (int n = 0; n < kCutSpriteSlotCount; ++n) {
    const CutSpriteRecord* r = sheet->Record(n);
    if (r == nullptr) continue;
    const int32_t key = keyBase | n;
    {
      Cache& c = TheCache();
      std::lock_guard<std::mutex> lock(c.mutex);
      bool have = false;
      for (Han6CacheEntry& e : c.entries)
        if (e.key == key && e.texture != nullptr) {
          e.idleFrames = 0;
          have = true;
          break;
        }
      if (have) continue;
    }
    int32_t bytes = 0;
    if (TextureHandle* tex = BuildSpriteTexture(*sheet, *r, bytes))
      InsertEntry(r->name, key, tex, bytes, true);
  }
}

void AgeHan6TextureCache() {
  Cache& c = TheCache();
  std::vector<TextureHandle*> dead;
  {
    std::lock_guard<std::mutex> lock(c.mutex);
    for (size_t i = 0; i < c.entries.size();) {
      Han6CacheEntry& e = c.entries[i];
      if (e.bytes != 0 && ++e.idleFrames >= kHan6CacheIdleLimit) {
        RemoveLocked(c, i, dead);  // the same position is examined again
        continue;
      }
      ++i;
    }
  }
  FreeTextures(dead);
}

void TrimHan6TextureCache() {
  Cache& c = TheCache();
  std::vector<TextureHandle*> dead;
  bool flush = false;
  {
    std::lock_guard<std::mutex> lock(c.mutex);
    if (c.counted < kHan6CacheTrimThreshold) return;
    for (int age = kHan6CacheTrimStartAge; age >= 1; --age) {
      for (size_t i = 0; i < c.entries.size() && c.counted >= kHan6CacheTrimTarget;) {
        const Han6CacheEntry& e = c.entries[i];
        if (e.bytes != 0 && e.idleFrames >= age) {
          RemoveLocked(c, i, dead);
          continue;
        }
        ++i;
      }
      if (c.counted < kHan6CacheTrimThreshold) break;
    }
    flush = c.counted >= kHan6CacheTrimThreshold;
  }
  FreeTextures(dead);
  if (flush) FlushHan6TextureCache();
}

void FlushHan6TextureCache() {
  Cache& c = TheCache();
  std::vector<TextureHandle*> dead;
  {
    std::lock_guard<std::mutex> lock(c.mutex);
    for (const Han6CacheEntry& e : c.entries) dead.push_back(e.texture);
    c.entries.clear();
    c.counted = 0;
    c.preloaded = 0;
  }
  FreeTextures(dead);
}

int64_t Han6CacheCountedBytes() {
  Cache& c = TheCache();
  std::lock_guard<std::mutex> lock(c.mutex);
  return c.counted;
}

int64_t Han6CachePreloadedBytes() {
  Cache& c = TheCache();
  std::lock_guard<std::mutex> lock(c.mutex);
  return c.preloaded;
}

std::vector<Han6CacheEntry> Han6CacheSnapshot() {
  Cache& c = TheCache();
  std::lock_guard<std::mutex> lock(c.mutex);
  return c.entries;
}

void AddHan6CacheEntry(const char* name, int32_t key, TextureHandle* texture, int32_t bytes, bool preload) {
  InsertEntry(name, key, texture, bytes, preload);
}

void FreeCutSpritePages(CutSpriteSheet* sheet) {
  if (sheet == nullptr) return;
  std::vector<TextureHandle*> pages;
  pages.swap(sheet->pages);
  FreeTextures(pages);
}

int CreateCutSpritePages(CutSpriteSheet* sheet, const uint8_t* paletteOverride, const uint8_t* pageMask,
                         size_t maskSize, int keepPixels) {
  if (sheet == nullptr || !sheet->hasPixels) return 0;
  Han6TextureBackend* backend = Backend();
  std::vector<CutSpritePageImage> images;
  if (!ComposeCutSpritePages(*sheet, paletteOverride, pageMask, maskSize, backend->Display16(), images))
    return 0;
  FreeCutSpritePages(sheet);
  sheet->pages.assign(images.size(), nullptr);
  for (size_t p = 0; p < images.size(); ++p) {
    const CutSpritePageImage& img = images[p];
    if (!img.made) continue;
    int w = 0, h = 0;
    TextureHandle* tex =
        backend->CreateTexture(kCutSpritePageEdge, kCutSpritePageEdge, img.format, true, w, h);
    if (tex == nullptr) {
      DebugPrint("sprite page %zu: texture creation failed\n", p);
      continue;
    }
    int pitch = 0;
    if (uint8_t* dst = backend->Lock(tex, pitch)) {
      const size_t row = static_cast<size_t>(kCutSpritePageEdge) * CutPixelFormatBytes(img.format);
      for (int y = 0; y < kCutSpritePageEdge; ++y)
        std::memcpy(dst + static_cast<size_t>(y) * pitch, img.pixels.data() + y * row, row);
      backend->Unlock(tex);
    }
    sheet->pages[p] = tex;
  }
  if (keepPixels == 0) {
    std::vector<uint8_t>().swap(sheet->pixelStore);
    sheet->hasPixels = false;
  }
  return 1;
}

void CreatePAniTextures(PAniData* pani) {
  Han6TextureBackend* backend = Backend();
  if (pani == nullptr) return;
  const CutPixelFormat format = backend->Display16() ? CutPixelFormat::kA4R4G4B4 : CutPixelFormat::kA8R8G8B8;
  for (auto& t : pani->textures) {
    if (t == nullptr || t->pixels.empty() || t->width <= 0 || t->height <= 0) continue;
    int w = 0, h = 0;
    TextureHandle* tex = backend->CreateTexture(t->width, t->height, format, false, w, h);
    if (tex == nullptr) continue;
    int pitch = 0;
    if (uint8_t* dst = backend->Lock(tex, pitch)) {
      WritePixelsToTexture(dst, pitch, format, 1, t->pixels, t->width, t->height, {});
      backend->Unlock(tex);
    }
    if (t->texture != nullptr) backend->Free(t->texture);
    t->texture = tex;
    std::vector<uint8_t>().swap(t->pixels);
  }
}
