// Device state shared by both backends, the recording backend, and the letterbox geometry.
#include "platform/gfx/device.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "app/lib_debug.h"
#include "platform/gfx/gl_backend.h"

namespace vt::gfx {

PixelProgram::~PixelProgram() {
  if (glProgram != 0 && deletions) deletions->PushProgram(glProgram);
}

Device::Device() : deletions_(std::make_shared<GlDeletionQueue>()) {}

Device::~Device() {
  for (auto& t : targets_) t = TextureRef();
  for (auto& t : textures_) t = TextureRef();
  backBuffer_ = TextureRef();
  if (gl_) {
    // Take the context back on this thread to free GL objects; when it cannot be had (still
    // current on a thread that never let it go) the objects are left to the driver.
    if (SDL_GL_MakeCurrent(gl_->window, gl_->context) == 0) {
      gl::DeleteQueued(*deletions_);
    } else {
      gl_->contextUsable = false;
    }
    gl_.reset();
  }
}

std::unique_ptr<Device> Device::CreateRecording(const PresentParameters& params) {
  std::unique_ptr<Device> d(new Device());
  d->params_ = params;
  d->recording_ = true;
  d->MakeBackBuffer();
  return d;
}

std::unique_ptr<Device> Device::CreateGl(SDL_Window* window, const PresentParameters& params,
                                         std::string* error) {
  std::unique_ptr<Device> d(new Device());
  d->params_ = params;
  d->gl_ = gl::Create(window, error);
  if (!d->gl_) return nullptr;
  d->MakeBackBuffer();
  return d;
}

void Device::MakeBackBuffer() {
  uint32_t w = std::max<uint32_t>(1, params_.BackBufferWidth);
  uint32_t h = std::max<uint32_t>(1, params_.BackBufferHeight);
  Format f = params_.BackBufferFormat == FMT_UNKNOWN ? FMT_X8R8G8B8 : params_.BackBufferFormat;
  if (BytesPerPixel(f) == 0) f = FMT_X8R8G8B8;
  backBuffer_ = TextureRef::Adopt(new Texture(w, h, f, POOL_DEFAULT, USAGE_RENDERTARGET, deletions_));
  backBuffer_->MarkBackBuffer();
  targets_[0] = backBuffer_;
  targets_[1] = TextureRef();
  targets_[2] = TextureRef();
  // The automatic depth buffer follows the back buffer (a reset makes a new one).
  depthW_ = params_.EnableAutoDepthStencil ? w : 0;
  depthH_ = params_.EnableAutoDepthStencil ? h : 0;
  viewport_ = Viewport{0, 0, w, h, 0.0f, 1.0f};
}

bool Device::MakeCurrent() {
  if (!gl_) return true;
  if (SDL_GL_MakeCurrent(gl_->window, gl_->context) != 0) {
    DebugPrint("gfx: cannot make the GL context current: %s\n", SDL_GetError());
    return false;
  }
  SDL_GL_SetSwapInterval(0);
  glOwner_.store(std::this_thread::get_id(), std::memory_order_release);
  return true;
}

void Device::ReleaseCurrent() {
  if (!gl_) return;
  SDL_GL_MakeCurrent(gl_->window, nullptr);
  glOwner_.store(std::thread::id(), std::memory_order_release);
}

int32_t Device::TestCooperativeLevel() {
  if (!lostSwitch_.load(std::memory_order_acquire)) return kOk;
  // Exactly one test reports the loss, even when both threads test at once.
  if (!lostReported_.exchange(true, std::memory_order_acq_rel)) return kErrDeviceLost;
  return kErrDeviceNotReset;
}

void Device::ForceLost() {
  lostReported_.store(false, std::memory_order_release);
  lostSwitch_.store(true, std::memory_order_release);
}

int32_t Device::Reset(const PresentParameters& params) {
  // Render targets other than the back buffer must have been released by the caller, as the
  // game's recovery does; the new back buffer and depth buffer get their GL storage lazily.
  params_ = params;
  for (auto& t : textures_) t = TextureRef();
  MakeBackBuffer();
  SetDefaultStates();
  lostSwitch_.store(false, std::memory_order_release);
  lostReported_.store(false, std::memory_order_release);
  if (recording_) records_.push_back(DeviceRecord(DeviceRecord::kReset));
  return kOk;
}

void Device::GetDrawableSize(int* w, int* h) const {
  if (gl_) {
    SDL_GL_GetDrawableSize(gl_->window, w, h);
    return;
  }
  *w = static_cast<int>(params_.BackBufferWidth);
  *h = static_cast<int>(params_.BackBufferHeight);
}

int32_t Device::Present() {
  if (GlHere()) {
    ServiceRenderThread();
    gl::Present(*gl_, *this);
  }
  if (recording_) records_.push_back(DeviceRecord(DeviceRecord::kPresent));
  return lostSwitch_.load(std::memory_order_acquire) ? kErrDeviceLost : kOk;
}

void Device::FailNextTextureCreations(int count, int32_t result) {
  std::lock_guard<std::mutex> lock(failMutex_);
  failCreations_ = count;
  failResult_ = result;
}

TextureRef Device::CreateTexture(uint32_t width, uint32_t height, uint32_t usage, Format format, Pool pool,
                                 int32_t* result) {
  auto fail = [&](int32_t r) {
    if (result) *result = r;
    return TextureRef();
  };
  {
    std::lock_guard<std::mutex> lock(failMutex_);
    if (failCreations_ > 0) {
      --failCreations_;
      return fail(failResult_);
    }
  }
  if (width == 0 || height == 0 || width > 8192 || height > 8192) return fail(kErrInvalidCall);
  if (!IsTextureFormatSupported(format)) return fail(kErrInvalidCall);
  if ((usage & USAGE_RENDERTARGET) && (pool != POOL_DEFAULT || IsBlockCompressed(format)))
    return fail(kErrInvalidCall);
  Texture* t = new (std::nothrow) Texture(width, height, format, pool, usage, deletions_);
  if (!t) return fail(kErrOutOfMemory);
  if (result) *result = kOk;
  return TextureRef::Adopt(t);
}

int32_t Device::SetRenderTarget(int index, Texture* target) {
  if (index < 0 || index >= kMaxRenderTargets) return kErrInvalidCall;
  if (target && !target->IsRenderTarget()) return kErrInvalidCall;
  if (index == 0 && !target) target = backBuffer_.get();
  targets_[index] = TextureRef(target);
  if (index == 0) viewport_ = Viewport{0, 0, target->Width(), target->Height(), 0.0f, 1.0f};
  if (recording_) {
    DeviceRecord r(DeviceRecord::kSetTarget);
    r.targetIndex = index;
    RecordTargets(r);
    records_.push_back(std::move(r));
  }
  return kOk;
}

TextureRef Device::GetRenderTarget(int index) const {
  if (index < 0 || index >= kMaxRenderTargets) return TextureRef();
  return targets_[index];
}

void Device::GrowDepthBuffer(uint32_t width, uint32_t height) {
  if (width > depthW_ || height > depthH_) {
    depthW_ = std::max(depthW_, width);
    depthH_ = std::max(depthH_, height);
  }
}

void Device::RecordTargets(DeviceRecord& r) const {
  for (int i = 0; i < kMaxRenderTargets; ++i) r.targetSerial[i] = targets_[i] ? targets_[i]->Serial() : 0;
}

int32_t Device::Clear(uint32_t flags, uint32_t colour, float z, uint32_t stencil) {
  (void)stencil;
  if (gl_) {
    // Off the rendering thread (the start-up clear on the window thread) there is no context:
    // nothing to clear yet.
    if (GlHere()) {
      ServiceRenderThread();
      gl::Clear(*gl_, *this, flags, colour, z);
    }
  } else if ((flags & CLEAR_TARGET) && targetPixelFills_) {
    // Asked to, the recorder keeps cleared colours in its targets' images, so read-backs and
    // screenshots of a recording device give a known picture.
    uint8_t bgra[4] = {static_cast<uint8_t>(colour), static_cast<uint8_t>(colour >> 8),
                       static_cast<uint8_t>(colour >> 16), static_cast<uint8_t>(colour >> 24)};
    for (auto& t : targets_) {
      if (!t) continue;
      int x0 = static_cast<int>(viewport_.X), y0 = static_cast<int>(viewport_.Y);
      int w = static_cast<int>(std::min(t->Width(), viewport_.X + viewport_.Width));
      int h = static_cast<int>(std::min(t->Height(), viewport_.Y + viewport_.Height));
      int bpp = BytesPerPixel(t->GetFormat());
      if (w <= x0 || h <= y0 || bpp == 0) continue;
      // One row in the target's format, copied down the rectangle.
      uint8_t* base = t->Pixels().data();
      for (int x = x0; x < w; ++x) WritePixelBgra(t->GetFormat(), base, t->Pitch(), x, y0, bgra);
      const uint8_t* row = base + static_cast<size_t>(y0) * t->Pitch() + static_cast<size_t>(x0) * bpp;
      for (int y = y0 + 1; y < h; ++y)
        std::memcpy(base + static_cast<size_t>(y) * t->Pitch() + static_cast<size_t>(x0) * bpp, row,
                    static_cast<size_t>(w - x0) * bpp);
    }
  }
  if (recording_) {
    DeviceRecord r(DeviceRecord::kClear);
    r.clearFlags = flags;
    r.clearColour = colour;
    RecordTargets(r);
    records_.push_back(std::move(r));
  }
  return kOk;
}

void Device::SetFilter(int stage, TextureFilter filter) { filter_[stage & 1] = filter; }

void Device::SetTexture(int stage, Texture* texture) { textures_[stage & 1] = TextureRef(texture); }

void Device::SetDefaultStates() {
  BlendState b;
  b.enable = true;
  b.op = BLENDOP_ADD;
  b.src = BLEND_SRCALPHA;
  b.dst = BLEND_INVSRCALPHA;
  b.separateAlpha = false;
  blend_ = b;
  filter_[0] = filter_[1] = FILTER_POINT;
  fvf_ = kScreenVertexFvf;
  program_ = nullptr;
  TextureRef t0 = targets_[0] ? targets_[0] : backBuffer_;
  if (t0) viewport_ = Viewport{0, 0, t0->Width(), t0->Height(), 0.0f, 1.0f};
}

bool Device::PrepareProgram(PixelProgram* program) {
  if (!program || !GlHere()) return true;
  return gl::BuildProgram(*this, program);
}

int32_t Device::BeginScene() {
  if (inScene_) return kErrInvalidCall;
  inScene_ = true;
  return kOk;
}

int32_t Device::EndScene() {
  if (!inScene_) return kErrInvalidCall;
  inScene_ = false;
  return kOk;
}

int32_t Device::DrawIndexedPrimitiveUP(PrimitiveType type, uint32_t minIndex, uint32_t numVertices,
                                       uint32_t primitiveCount, const uint32_t* indices, const void* vertices,
                                       uint32_t stride) {
  (void)minIndex;
  if (!indices || !vertices || stride != kScreenVertexStride || primitiveCount == 0) return kErrInvalidCall;
  if (type != PT_TRIANGLELIST && type != PT_LINELIST) return kErrInvalidCall;
  uint32_t indexCount = primitiveCount * (type == PT_TRIANGLELIST ? 3 : 2);
  for (uint32_t i = 0; i < indexCount; ++i)
    if (indices[i] >= numVertices) return kErrInvalidCall;
  ++drawCalls_;
  if (GlHere()) {
    ServiceRenderThread();
    gl::Draw(*gl_, *this, type, numVertices, primitiveCount, indices, vertices);
  }
  if (recording_) {
    DeviceRecord r(DeviceRecord::kDraw);
    r.primitive = type;
    r.primitiveCount = primitiveCount;
    r.textureSerial = textures_[0] ? textures_[0]->Serial() : 0;
    r.blend = blend_;
    r.filter = filter_[0];
    if (program_) {
      r.program = program_->label;
      r.uniforms = program_->uniforms;
      for (const auto& s : program_->samplers)
        r.samplers.emplace_back(s.name, s.texture ? s.texture->Serial() : 0);
    }
    const auto* v = static_cast<const ScreenVertex*>(vertices);
    r.vertices.assign(v, v + numVertices);
    r.indices.assign(indices, indices + indexCount);
    RecordTargets(r);
    records_.push_back(std::move(r));
  }
  return kOk;
}

int32_t Device::GetRenderTargetData(Texture* rt, Texture* sys) {
  if (!rt || !sys || !rt->IsRenderTarget() || sys->GetPool() != POOL_SYSTEMMEM) return kErrInvalidCall;
  if (rt->Width() != sys->Width() || rt->Height() != sys->Height()) return kErrInvalidCall;
  if (gl_) {
    if (!GlHere()) return kErrInvalidCall;
    ServiceRenderThread();
    std::vector<uint8_t> bgra(static_cast<size_t>(rt->Width()) * rt->Height() * 4);
    if (!gl::ReadTarget(*gl_, rt, 0, 0, static_cast<int>(rt->Width()), static_cast<int>(rt->Height()),
                        bgra.data()))
      return kErrFail;
    ConvertRect(FMT_A8R8G8B8, bgra.data(), static_cast<int>(rt->Width()) * 4, 0, 0, sys->GetFormat(),
                sys->Pixels().data(), sys->Pitch(), 0, 0, static_cast<int>(rt->Width()),
                static_cast<int>(rt->Height()));
  } else {
    ConvertRect(rt->GetFormat(), rt->Pixels().data(), rt->Pitch(), 0, 0, sys->GetFormat(),
                sys->Pixels().data(), sys->Pitch(), 0, 0, static_cast<int>(rt->Width()),
                static_cast<int>(rt->Height()));
  }
  sys->MarkDirty();
  return kOk;
}

int32_t Device::CopyRenderTarget(Texture* source, const Rect& rect, Texture* destination) {
  if (!source || !destination || !source->IsRenderTarget()) return kErrInvalidCall;
  Rect r = rect;
  r.left =
      std::clamp<int32_t>(r.left, 0, static_cast<int32_t>(std::min(source->Width(), destination->Width())));
  r.top =
      std::clamp<int32_t>(r.top, 0, static_cast<int32_t>(std::min(source->Height(), destination->Height())));
  r.right = std::clamp<int32_t>(r.right, r.left,
                                static_cast<int32_t>(std::min(source->Width(), destination->Width())));
  r.bottom = std::clamp<int32_t>(r.bottom, r.top,
                                 static_cast<int32_t>(std::min(source->Height(), destination->Height())));
  if (r.right <= r.left || r.bottom <= r.top) return kOk;
  if (gl_) {
    if (!GlHere()) return kErrInvalidCall;
    ServiceRenderThread();
    if (!gl::CopyTarget(*gl_, source, r, destination)) return kErrFail;
  } else if (targetPixelFills_) {
    ConvertRect(source->GetFormat(), source->Pixels().data(), source->Pitch(), r.left, r.top,
                destination->GetFormat(), destination->Pixels().data(), destination->Pitch(), r.left, r.top,
                r.right - r.left, r.bottom - r.top);
  }
  if (recording_) {
    DeviceRecord rec(DeviceRecord::kCopy);
    rec.targetSerial[0] = destination->Serial();
    rec.textureSerial = source->Serial();
    records_.push_back(std::move(rec));
  }
  return kOk;
}

int32_t Device::CopySurface(Texture* source, const Rect* sourceRect, Texture* destination, int dx, int dy) {
  if (!source || !destination || IsBlockCompressed(destination->GetFormat())) return kErrInvalidCall;
  if (source->IsRenderTarget() && gl_) return kErrInvalidCall;  // read render targets back first
  Rect r = sourceRect
               ? *sourceRect
               : Rect{0, 0, static_cast<int32_t>(source->Width()), static_cast<int32_t>(source->Height())};
  if (r.left < 0 || r.top < 0 || r.right > static_cast<int32_t>(source->Width()) ||
      r.bottom > static_cast<int32_t>(source->Height()) || r.left >= r.right || r.top >= r.bottom)
    return kErrInvalidCall;
  int w = std::min<int>(r.right - r.left, static_cast<int>(destination->Width()) - dx);
  int h = std::min<int>(r.bottom - r.top, static_cast<int>(destination->Height()) - dy);
  if (dx < 0 || dy < 0 || w <= 0 || h <= 0) return kErrInvalidCall;
  ConvertRect(source->GetFormat(), source->Pixels().data(), source->Pitch(), r.left, r.top,
              destination->GetFormat(), destination->Pixels().data(), destination->Pitch(), dx, dy, w, h);
  destination->MarkDirty();
  // A render target's picture lives in its GL texture, which uploads never touch: the copied
  // rectangle goes there too (the movie frame into its display target takes this path).
  if (destination->IsRenderTarget() && GlHere()) gl::UploadRenderTargetRect(*gl_, destination, dx, dy, w, h);
  return kOk;
}

void Device::ServiceRenderThread() {
  if (GlHere()) gl::DeleteQueued(*deletions_);
}

bool Device::GlHere() const {
  return gl_ && glOwner_.load(std::memory_order_acquire) == std::this_thread::get_id();
}

namespace {
std::atomic<Device*> g_activeDevice{nullptr};
}

void SetActiveDevice(Device* device) { g_activeDevice.store(device, std::memory_order_release); }
Device* ActiveDevice() { return g_activeDevice.load(std::memory_order_acquire); }

bool MakeDeviceCurrentOnThisThread() {
  Device* d = ActiveDevice();
  return d != nullptr && d->MakeCurrent();
}

void ReleaseDeviceFromThisThread() {
  if (Device* d = ActiveDevice()) d->ReleaseCurrent();
}

bool RecordingDeviceRequested() {
  const char* v = std::getenv("VT_DEVICE");
  return v != nullptr && std::strcmp(v, "recording") == 0;
}

FitRect FitLetterbox(int areaW, int areaH, float pictureW, float pictureH, float displayW, float displayH) {
  if (areaW <= 0 || areaH <= 0 || pictureW <= 0 || pictureH <= 0 || displayW <= 0 || displayH <= 0)
    return FitRect{0, 0, std::max(areaW, 0), std::max(areaH, 0)};
  double picture = static_cast<double>(pictureW) / pictureH;
  double display = static_cast<double>(displayW) / displayH;
  int w = areaW, h = areaH;
  if (display > picture) {
    w = static_cast<int>(areaW * picture / display + 0.5);
  } else {
    h = static_cast<int>(areaH * display / picture + 0.5);
  }
  return FitRect{(areaW - w) / 2, (areaH - h) / 2, w, h};
}

}  // namespace vt::gfx
