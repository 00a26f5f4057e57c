// Textures: creators, image loading with masks, locking, freeing and the default-pool register.
#include "Dxtools/D3D_Tools/d3d_texture.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_files.h"
#include "FilePacFunc/FilePac.h"
#include "app/file_loader.h"
#include "app/lib_debug.h"
#include "platform/image.h"

using namespace vt::gfx;

std::atomic<int> g_TextureCount{0};

namespace {
// The register is changed by creation and freeing on any thread and walked by the recovery.
std::mutex g_defaultPoolMutex;
std::vector<TextureHandle*> g_DefaultPoolTextures;

uint32_t PowerOfTwo(uint32_t v, uint32_t minimum) {
  uint32_t p = minimum;
  while (p < v && p < 0x80000000u) p <<= 1;
  return p;
}

Format FormatOr(uint32_t format, Format fallback) {
  return format == 0 ? fallback : static_cast<Format>(format);
}

TextureHandle* CreatePooled(int32_t width, int32_t height, uint32_t format, uint32_t usage, Pool pool) {
  if (width <= 0 || height <= 0) return nullptr;
  auto lock = LockD3DDevice();
  Texture* t =
      CreateD3DTexture(static_cast<uint32_t>(width), static_cast<uint32_t>(height), usage, format, pool);
  if (!t) return nullptr;
  TextureHandle* h = WrapTexture(t, width, height);
  t->Release();
  return h;
}

// Makes a managed texture holding a decoded image at its top-left, sized to powers of two.
Texture* TextureFromImage(const vt::image::Image& img, Format format) {
  Format f = FormatOr(format, img.info.format);
  uint32_t w = PowerOfTwo(img.info.width, 1), h = PowerOfTwo(img.info.height, 1);
  if (IsBlockCompressed(f)) {
    w = std::max<uint32_t>(w, 4);
    h = std::max<uint32_t>(h, 4);
  }
  TextureRef t = g_D3DDevice->CreateTexture(w, h, 0, f, POOL_MANAGED);
  if (!t) return nullptr;
  if (f == img.info.format) {
    int rows = RowCount(f, static_cast<int>(img.info.height));
    int rowBytes = std::min(img.pitch, t->Pitch());
    for (int y = 0; y < rows; ++y)
      std::copy_n(img.pixels.data() + static_cast<size_t>(y) * img.pitch, rowBytes,
                  t->Pixels().data() + static_cast<size_t>(y) * t->Pitch());
  } else if (!IsBlockCompressed(f)) {
    ConvertRect(img.info.format, img.pixels.data(), img.pitch, 0, 0, f, t->Pixels().data(), t->Pitch(), 0, 0,
                static_cast<int>(img.info.width), static_cast<int>(img.info.height));
  } else {
    return nullptr;  // no encoder for block formats
  }
  t->MarkDirty();
  return t.Detach();
}

// Copies a mask's blue channel into a texture's alpha over the overlapping area.
void CopyMaskAlpha(DxTexture* dx, const vt::image::Image& mask) {
  Texture* target = dx->texture;
  if (!target || IsBlockCompressed(target->GetFormat())) return;
  int w = std::min<int>(static_cast<int>(mask.info.width), dx->usedWidth);
  int h = std::min<int>(static_cast<int>(mask.info.height), dx->usedHeight);
  w = std::min<int>(w, static_cast<int>(target->Width()));
  h = std::min<int>(h, static_cast<int>(target->Height()));
  std::vector<uint8_t> maskBgra =
      DecodeToBgra(mask.info.format, mask.pixels.data(), mask.pitch, static_cast<int>(mask.info.width),
                   static_cast<int>(mask.info.height));
  uint8_t px[4];
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      ReadPixelBgra(target->GetFormat(), target->Pixels().data(), target->Pitch(), x, y, px);
      px[3] = maskBgra[(static_cast<size_t>(y) * mask.info.width + x) * 4 + 0];
      WritePixelBgra(target->GetFormat(), target->Pixels().data(), target->Pitch(), x, y, px);
    }
  }
  target->MarkDirty();
}

// The real length of an image given with size 0: only a bitmap, and only when its header's size
// lies within the buffer the caller knows.
bool ResolveSize(const void* data, uint32_t size, size_t known, uint32_t* out, const char* what) {
  if (size != 0) {
    *out = size;
    return true;
  }
  size_t peek = known == 0 ? 6 : std::min<size_t>(known, 6);
  if (known != 0 && known < 6) return false;
  uint32_t header = vt::image::BitmapFileSize({static_cast<const uint8_t*>(data), peek});
  if (header == 0) {
    DebugPrint("%s of size 0 is not a bitmap\n", what);
    return false;
  }
  if (known == 0 || header > known) {
    DebugPrint("%s: bitmap header size %u beyond the known buffer\n", what, header);
    return false;
  }
  *out = header;
  return true;
}
}  // namespace

Texture* CreateD3DTexture(uint32_t width, uint32_t height, uint32_t usage, uint32_t format, Pool pool) {
  if (!g_D3DDevice) return nullptr;
  uint32_t w = PowerOfTwo(width, 16), h = PowerOfTwo(height, 16);
  Format f = FormatOr(format, FMT_A8R8G8B8);
  for (int failures = 1;; ++failures) {
    int32_t result = kOk;
    TextureRef t = g_D3DDevice->CreateTexture(w, h, usage, f, pool, &result);
    if (t) {
      if (usage & USAGE_RENDERTARGET) GrowDepthBuffer(w, h);
      return t.Detach();
    }
    if (failures == 1002) return nullptr;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (result != kErrNotAvailable) return nullptr;
  }
}

int AttachD3DTexture(DxTexture* dx, int32_t width, int32_t height, Texture* texture) {
  if (!dx) return 0;
  UnlockTexture(dx);
  if (dx->surface) dx->surface->Release();
  if (dx->texture) dx->texture->Release();
  dx->surface = nullptr;
  dx->texture = nullptr;
  if (!texture) return 0;
  // The record holds a reference for the texture and one for its level-0 surface.
  dx->texture = texture;
  texture->AddRef();
  dx->surface = texture;
  texture->AddRef();
  dx->desc = texture->GetDesc();
  dx->usedWidth = width > 0 ? width : static_cast<int32_t>(dx->desc.Width);
  dx->usedHeight = height > 0 ? height : static_cast<int32_t>(dx->desc.Height);
  dx->invWidth = 1.0f / static_cast<float>(dx->desc.Width);
  dx->invHeight = 1.0f / static_cast<float>(dx->desc.Height);
  return 1;
}

TextureHandle* WrapTexture(Texture* texture, int32_t width, int32_t height) {
  if (!texture) return nullptr;
  auto* h = new (std::nothrow) TextureHandle();
  if (!h) return nullptr;
  h->dx = new (std::nothrow) DxTexture();
  if (!h->dx) {
    delete h;
    return nullptr;
  }
  AttachD3DTexture(h->dx, width, height, texture);
  if (h->dx->desc.pool == POOL_DEFAULT) {
    std::lock_guard<std::mutex> lock(g_defaultPoolMutex);
    g_DefaultPoolTextures.push_back(h);
  }
  g_TextureCount.fetch_add(1, std::memory_order_relaxed);
  return h;
}

TextureHandle* CreateTexture(int32_t width, int32_t height, uint32_t format) {
  return CreatePooled(width, height, format, 0, POOL_MANAGED);
}

TextureHandle* CreateRenderTargetTexture(int32_t width, int32_t height, uint32_t format) {
  return CreatePooled(width, height, format, USAGE_RENDERTARGET, POOL_DEFAULT);
}

TextureHandle* CreateSystemMemTexture(int32_t width, int32_t height, uint32_t format) {
  return CreatePooled(width, height, format, 0, POOL_SYSTEMMEM);
}

namespace {
TextureHandle* FromMemory(const void* image, uint32_t imageSize, size_t imageKnown, const void* mask,
                          uint32_t maskSize, size_t maskKnown, uint32_t format) {
  if (!g_D3DDevice) return nullptr;
  vt::image::Image img, maskImg;
  bool haveImage = false, haveMask = false;
  if (image) {
    uint32_t size = 0;
    if (!ResolveSize(image, imageSize, imageKnown, &size, "image")) return nullptr;
    if (!vt::image::DecodeImage({static_cast<const uint8_t*>(image), size}, &img, "image")) return nullptr;
    haveImage = true;
  }
  if (mask) {
    uint32_t size = 0;
    if (ResolveSize(mask, maskSize, maskKnown, &size, "mask") &&
        vt::image::DecodeImage({static_cast<const uint8_t*>(mask), size}, &maskImg, "mask"))
      haveMask = true;
  }
  Format f = FormatOr(format, FMT_A8R8G8B8);
  auto lock = LockD3DDevice();
  Texture* small = CreateD3DTexture(2, 2, 0, f, POOL_MANAGED);
  if (!small) return nullptr;
  TextureHandle* h = WrapTexture(small, 2, 2);
  small->Release();
  if (!h) return nullptr;
  if (haveImage) {
    Texture* t = TextureFromImage(img, static_cast<Format>(format));
    if (!t) {
      FreeTexture(h);
      return nullptr;
    }
    AttachD3DTexture(h->dx, static_cast<int32_t>(img.info.width), static_cast<int32_t>(img.info.height), t);
    t->Release();
  } else if (haveMask) {
    Texture* t = CreateD3DTexture(maskImg.info.width, maskImg.info.height, 0, f, POOL_MANAGED);
    if (!t) {
      FreeTexture(h);
      return nullptr;
    }
    AttachD3DTexture(h->dx, static_cast<int32_t>(maskImg.info.width),
                     static_cast<int32_t>(maskImg.info.height), t);
    t->Release();
    std::fill(t->Pixels().begin(), t->Pixels().end(), 0);  // transparent black
  } else {
    return h;
  }
  if (haveMask) CopyMaskAlpha(h->dx, maskImg);
  return h;
}
}  // namespace

TextureHandle* CreateTextureFromMemory(const void* image, uint32_t imageSize, const void* mask,
                                       uint32_t maskSize, uint32_t format) {
  // A size of 0 names a bitmap sized by its header; without the buffer's length that size cannot
  // be trusted, so such calls are refused (the loaders here pass real lengths).
  return FromMemory(image, imageSize, imageSize, mask, maskSize, maskSize, format);
}

int OpenImageFile(const char* baseName, CFileLoader* loader, uint32_t chunkSize, uint32_t pause) {
  if (!baseName || !loader) return 0;
  static const char* kExtensions[] = {".dds", ".png", ".bmp"};
  bool opened = false;
  for (const char* ext : kExtensions) {
    std::string name = std::string(baseName) + ext;
    if ((GetPackList().Exists(name) || GfxDiskFileExists(name)) && loader->Open(name)) {
      opened = true;
      break;
    }
  }
  if (!opened) return 0;
  if (chunkSize != 0) loader->SetChunk(std::max<uint32_t>(chunkSize, 2048), pause);
  if (!loader->ReadAndWait(nullptr, 0, 0) || !loader->ReadComplete()) {
    loader->Close();
    return 0;
  }
  return 1;
}

TextureHandle* LoadTexture(const char* baseName, uint32_t chunkSize, uint32_t pause) {
  CFileLoader loader;
  if (!OpenImageFile(baseName, &loader, chunkSize, pause)) return nullptr;
  DataBuffer bytes = loader.TakeBuffer();
  if (!bytes || bytes.size() == 0) return nullptr;
  TextureHandle* h = FromMemory(bytes.data(), bytes.size(), bytes.size(), nullptr, 0, 0, 0);
  if (!h) DebugPrint("%s: texture not made\n", baseName);
  return h;
}

TextureHandle* LoadTextureWithAlpha(const char* imageFile, const char* maskFile) {
  std::vector<uint8_t> image, mask;
  bool haveImage = imageFile && ReadGfxFile(imageFile, &image) && !image.empty();
  bool haveMask = maskFile && ReadGfxFile(maskFile, &mask) && !mask.empty();
  if (!haveImage && !haveMask) return nullptr;
  uint32_t format =
      (g_AdapterInfo && FormatBitsPerPixel(g_AdapterInfo->displayFormat) == 16) ? FMT_A4R4G4B4 : FMT_A8R8G8B8;
  // Sizes come from the bitmap headers, checked against the lengths actually read.
  return FromMemory(haveImage ? image.data() : nullptr, 0, image.size(), haveMask ? mask.data() : nullptr, 0,
                    mask.size(), format);
}

void* LockTexture(DxTexture* dx, const Rect* rect) {
  if (!dx || !dx->texture) return nullptr;
  if (dx->locked) return dx->lockBits;
  LockedRect lr;
  if (dx->texture->LockRect(&lr, rect) != kOk) return nullptr;
  dx->lockPitch = lr.Pitch;
  dx->lockBits = lr.pBits;
  dx->locked = 1;
  return lr.pBits;
}

void UnlockTexture(DxTexture* dx) {
  if (!dx || !dx->locked) return;
  if (dx->texture) dx->texture->UnlockRect();
  dx->lockPitch = 0;
  dx->lockBits = nullptr;
  dx->locked = 0;
}

int32_t GetTexturePitch(TextureHandle* handle) { return handle && handle->dx ? handle->dx->lockPitch : 0; }

void UnregisterDefaultPoolTexture(TextureHandle* handle) {
  std::lock_guard<std::mutex> lock(g_defaultPoolMutex);
  std::erase(g_DefaultPoolTextures, handle);
}

void FreeTexture(TextureHandle* handle) {
  if (!handle) return;
  UnregisterDefaultPoolTexture(handle);
  if (handle->dx) {
    UnlockTexture(handle->dx);
    if (handle->dx->surface) handle->dx->surface->Release();
    if (handle->dx->texture) handle->dx->texture->Release();
    delete handle->dx;
  }
  delete handle;
  g_TextureCount.fetch_sub(1, std::memory_order_relaxed);
}

void ReleaseDefaultPoolTextures() {
  std::lock_guard<std::mutex> lock(g_defaultPoolMutex);
  for (TextureHandle* h : g_DefaultPoolTextures) {
    DxTexture* dx = h->dx;
    if (!dx) continue;
    if (dx->surface) dx->surface->Release();
    if (dx->texture) dx->texture->Release();
    dx->surface = nullptr;
    dx->texture = nullptr;
  }
}

void RecreateDefaultPoolTextures() {
  std::lock_guard<std::mutex> lock(g_defaultPoolMutex);
  for (TextureHandle* h : g_DefaultPoolTextures) {
    DxTexture* dx = h->dx;
    if (!dx || dx->texture) continue;
    Texture* t = CreateD3DTexture(static_cast<uint32_t>(dx->usedWidth), static_cast<uint32_t>(dx->usedHeight),
                                  USAGE_RENDERTARGET, dx->desc.format, POOL_DEFAULT);
    if (!t) continue;
    AttachD3DTexture(dx, dx->usedWidth, dx->usedHeight, t);
    t->Release();
  }
}

size_t DefaultPoolTextureCount() {
  std::lock_guard<std::mutex> lock(g_defaultPoolMutex);
  return g_DefaultPoolTextures.size();
}

bool DefaultPoolUsedSize(const Texture* texture, int32_t* width, int32_t* height) {
  std::lock_guard<std::mutex> lock(g_defaultPoolMutex);
  for (TextureHandle* h : g_DefaultPoolTextures) {
    if (h->dx && h->dx->texture == texture) {
      *width = h->dx->usedWidth;
      *height = h->dx->usedHeight;
      return true;
    }
  }
  return false;
}
