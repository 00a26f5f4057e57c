// A device texture (one level): the CPU image in the game's pixel format, plus a GL copy that the
// rendering thread uploads lazily when the image changed. Reference counted; any thread may create,
// lock and release one, and the GL name of a dead texture is queued to the rendering thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/gfx/gfx_types.h"

namespace vt::gfx {

// GL names whose owners died on some thread; the rendering thread deletes them.
struct GlDeletionQueue {
  std::mutex mutex;
  std::vector<uint32_t> textures;
  std::vector<uint32_t> programs;
  void PushTexture(uint32_t name);
  void PushProgram(uint32_t name);
};

class Texture {
 public:
  Texture(uint32_t width, uint32_t height, Format format, Pool pool, uint32_t usage,
          std::shared_ptr<GlDeletionQueue> deletions);
  Texture(const Texture&) = delete;
  Texture& operator=(const Texture&) = delete;

  uint32_t AddRef() { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
  uint32_t Release();
  uint32_t RefCount() const { return refs_.load(std::memory_order_acquire); }

  SurfaceDesc GetDesc() const;
  uint32_t Width() const { return width_; }
  uint32_t Height() const { return height_; }
  Format GetFormat() const { return format_; }
  Pool GetPool() const { return pool_; }
  uint32_t Usage() const { return usage_; }
  bool IsRenderTarget() const { return (usage_ & USAGE_RENDERTARGET) != 0; }
  bool IsBackBuffer() const { return backBuffer_; }
  void MarkBackBuffer() { backBuffer_ = true; }
  // A serial number, unique for the process: tests and the recorder tell textures apart by it.
  uint64_t Serial() const { return serial_; }

  // Locks the level (whole when rect is null). Render targets cannot be locked.
  int32_t LockRect(LockedRect* out, const Rect* rect);
  int32_t UnlockRect();
  bool IsLocked() const { return locked_.load(std::memory_order_acquire); }

  // Direct access to the CPU image (rendering-thread helpers, copies, the recorder's clears).
  std::vector<uint8_t>& Pixels() { return pixels_; }
  const std::vector<uint8_t>& Pixels() const { return pixels_; }
  int Pitch() const { return pitch_; }
  void MarkDirty() { dirty_.store(true, std::memory_order_release); }
  // The rendering thread reads the image between these two; false (nothing to do) while the
  // owner has it locked. A lock taken meanwhile waits for the read to end.
  bool BeginUpload();
  void EndUpload() { uploading_.store(false); }
  bool TakeDirty() { return dirty_.exchange(false, std::memory_order_acq_rel); }

  // GL side, rendering thread only.
  uint32_t glName = 0;
  uint32_t glFormatInternal = 0;
  // Render target contents live on the GPU: the CPU image is stale when this is set.
  bool gpuNewer = false;

 private:
  ~Texture();
  std::atomic<uint32_t> refs_{1};
  uint32_t width_, height_;
  Format format_;
  Pool pool_;
  uint32_t usage_;
  bool backBuffer_ = false;
  uint64_t serial_;
  int pitch_;
  std::vector<uint8_t> pixels_;
  std::atomic<bool> locked_{false};
  std::atomic<bool> dirty_{true};
  std::atomic<bool> uploading_{false};
  std::shared_ptr<GlDeletionQueue> deletions_;
};

// A counted reference (AddRef on copy, Release on drop).
class TextureRef {
 public:
  TextureRef() = default;
  // Adopts a reference that the caller already holds.
  static TextureRef Adopt(Texture* t) {
    TextureRef r;
    r.p_ = t;
    return r;
  }
  explicit TextureRef(Texture* t) : p_(t) {
    if (p_) p_->AddRef();
  }
  TextureRef(const TextureRef& o) : TextureRef(o.p_) {}
  TextureRef(TextureRef&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  TextureRef& operator=(TextureRef o) {
    std::swap(p_, o.p_);
    return *this;
  }
  ~TextureRef() {
    if (p_) p_->Release();
  }
  Texture* get() const { return p_; }
  Texture* operator->() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  Texture* Detach() { return std::exchange(p_, nullptr); }

 private:
  Texture* p_ = nullptr;
};

// Pixel conversion helpers shared by the device, the image readers and the copies.
// Reads pixel (x, y) of an image in a format as 8-bit B, G, R, A (alpha 255 for X formats).
void ReadPixelBgra(Format format, const uint8_t* image, int pitch, int x, int y, uint8_t out[4]);
// Writes a B, G, R, A pixel into an uncompressed image.
void WritePixelBgra(Format format, uint8_t* image, int pitch, int x, int y, const uint8_t bgra[4]);
// Decodes a whole image (any supported format, block formats included) to B, G, R, A rows of
// width * 4 bytes.
std::vector<uint8_t> DecodeToBgra(Format format, const uint8_t* image, int pitch, int width, int height);
// Copies a rectangle between two images with format conversion (block formats as sources only).
void ConvertRect(Format srcFormat, const uint8_t* src, int srcPitch, int sx, int sy, Format dstFormat,
                 uint8_t* dst, int dstPitch, int dx, int dy, int width, int height);

}  // namespace vt::gfx
