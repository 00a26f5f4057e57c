// Textures: the handle every part keeps (TextureHandle -> DxTexture), creators for the three
// pools, textures from image files in memory, packs or disk (with an optional alpha mask), locking,
// freeing, and the register of default-pool textures that the device recovery rebuilds.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/gfx/device.h"

struct DxTexture {
  int32_t usedWidth = 0;
  int32_t usedHeight = 0;
  vt::gfx::Texture* texture = nullptr;  // one reference held
  vt::gfx::Texture* surface = nullptr;  // level 0 (the texture itself here), one reference held
  vt::gfx::SurfaceDesc desc;
  int32_t lockPitch = 0;
  void* lockBits = nullptr;
  float invWidth = 0.0f;
  float invHeight = 0.0f;
  int locked = 0;
};

struct TextureHandle {
  DxTexture* dx = nullptr;
};

extern std::atomic<int> g_TextureCount;

vt::gfx::Texture* CreateD3DTexture(uint32_t width, uint32_t height, uint32_t usage, uint32_t format,
                                   vt::gfx::Pool pool);
// Wraps a texture (the handle takes its own references; the caller keeps its own).
TextureHandle* WrapTexture(vt::gfx::Texture* texture, int32_t width, int32_t height);
int AttachD3DTexture(DxTexture* dx, int32_t width, int32_t height, vt::gfx::Texture* texture);
TextureHandle* CreateTexture(int32_t width, int32_t height, uint32_t format);
TextureHandle* CreateRenderTargetTexture(int32_t width, int32_t height, uint32_t format);
TextureHandle* CreateSystemMemTexture(int32_t width, int32_t height, uint32_t format);
TextureHandle* CreateTextureFromMemory(const void* image, uint32_t imageSize, const void* mask,
                                       uint32_t maskSize, uint32_t format);
class CFileLoader;
// The lookup of LoadTexture: the first of baseName + ".dds", ".png", ".bmp" found in the mounted
// packs or on disk, opened and read whole into the loader (chunks of at least 2048 bytes with a
// pause between them when a chunk size is given). 1 when read; the bytes are the loader's buffer.
int OpenImageFile(const char* baseName, CFileLoader* loader, uint32_t chunkSize = 0, uint32_t pause = 0);
TextureHandle* LoadTexture(const char* baseName, uint32_t chunkSize = 0, uint32_t pause = 0);
TextureHandle* LoadTextureWithAlpha(const char* imageFile, const char* maskFile);
void* LockTexture(DxTexture* dx, const vt::gfx::Rect* rect);
void UnlockTexture(DxTexture* dx);
int32_t GetTexturePitch(TextureHandle* handle);
void FreeTexture(TextureHandle* handle);
void UnregisterDefaultPoolTexture(TextureHandle* handle);
void ReleaseDefaultPoolTextures();
void RecreateDefaultPoolTextures();
// The used size of a registered render target's texture; false when no handle holds it.
bool DefaultPoolUsedSize(const vt::gfx::Texture* texture, int32_t* width, int32_t* height);
// The number of handles in the default-pool register (tests).
size_t DefaultPoolTextureCount();

// The Direct3D texture object behind a handle (null for a null handle).
inline vt::gfx::Texture* HandleTexture(const TextureHandle* h) {
  return h && h->dx ? h->dx->texture : nullptr;
}
