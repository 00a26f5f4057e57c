// The graphics device stand-in: one interface shaped by what the game's device layer calls, with an
// OpenGL 3.3 core backend and a recording backend that renders nothing and logs every state and
// draw call (headless runs and unit tests). Only the rendering (logic) thread may call the drawing
// and presenting operations; textures may be created and released on any thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/gfx/gfx_types.h"
#include "platform/gfx/texture.h"

namespace vt::gfx {

// What an effect pass hands to the device for its draws: a GLSL fragment program and the values of
// its uniforms and samplers. The device keeps the pointer until it is replaced or cleared.
struct ProgramUniform {
  std::string name;
  int components = 0;  // 1..4 floats, or 16 for a matrix
  float value[16] = {};
};
struct ProgramSampler {
  std::string name;
  TextureRef texture;
  TextureFilter filter = FILTER_LINEAR;
  bool wrap = false;  // clamped unless the pass asks to wrap
};
struct PixelProgram {
  std::string label;   // "technique/pass" for the recorder and logs
  std::string source;  // GLSL fragment body (see the effect format)
  bool writesTarget1 = false;
  bool writesTarget2 = false;
  std::vector<ProgramUniform> uniforms;
  std::vector<ProgramSampler> samplers;
  // Filled by the GL backend on the rendering thread.
  uint32_t glProgram = 0;
  bool glFailed = false;
  std::shared_ptr<GlDeletionQueue> deletions;
  ~PixelProgram();
};

// One logged device operation (recording is always on for the recording device and can be
// switched on for the GL device in tests).
struct DeviceRecord {
  enum Kind { kClear, kDraw, kPresent, kSetTarget, kReset, kCopy };
  explicit DeviceRecord(Kind k) : kind(k) {}
  Kind kind;
  // kDraw
  PrimitiveType primitive = PT_TRIANGLELIST;
  uint32_t primitiveCount = 0;
  uint64_t textureSerial = 0;  // stage 0, 0 = none
  BlendState blend;
  TextureFilter filter = FILTER_POINT;
  std::string program;  // effect pass label, "" for the fixed pipeline
  std::vector<ProgramUniform> uniforms;
  std::vector<std::pair<std::string, uint64_t>> samplers;
  std::vector<ScreenVertex> vertices;
  std::vector<uint32_t> indices;
  uint64_t targetSerial[kMaxRenderTargets] = {};
  // kClear
  uint32_t clearFlags = 0;
  uint32_t clearColour = 0;
  // kSetTarget
  int targetIndex = 0;
};

class Device {
 public:
  virtual ~Device();

  // The GL device: makes a GL 3.3 core context on the window (the caller's thread must be the
  // window thread), sets it up and releases it from this thread again. Null with an error text.
  static std::unique_ptr<Device> CreateGl(SDL_Window* window, const PresentParameters& params,
                                          std::string* error);
  static std::unique_ptr<Device> CreateRecording(const PresentParameters& params);

  bool IsRecordingDevice() const { return !gl_; }

  // Makes the GL context current on the calling thread (the rendering thread, once at its start).
  // Does nothing on the recording device.
  bool MakeCurrent();
  // Lets go of the context on the calling thread.
  void ReleaseCurrent();

  // Presentation.
  const PresentParameters& GetPresentParameters() const { return params_; }
  int32_t TestCooperativeLevel();
  // Takes new parameters. Makes no GL call: the rendering thread applies them before its next
  // drawing operation (the caller's thread may be the window thread).
  int32_t Reset(const PresentParameters& params);
  int32_t Present();
  // Test switch: the device answers "lost" to the next cooperative-level test, then "not reset"
  // until Reset is called.
  void ForceLost();

  // Desktop and window geometry used for letterboxing on present.
  void GetDrawableSize(int* w, int* h) const;

  // Resources.
  TextureRef CreateTexture(uint32_t width, uint32_t height, uint32_t usage, Format format, Pool pool,
                           int32_t* result = nullptr);
  // Test hook: the next n texture creations fail with this result.
  void FailNextTextureCreations(int count, int32_t result);
  TextureRef GetBackBuffer() const { return backBuffer_; }

  // Render targets 0..2. Null for target 0 means the back buffer; null for 1 and 2 unbinds.
  // Changing target 0 resets the viewport to the whole target.
  int32_t SetRenderTarget(int index, Texture* target);
  TextureRef GetRenderTarget(int index) const;
  // The one depth buffer: grows to at least width x height.
  void GrowDepthBuffer(uint32_t width, uint32_t height);
  void GetDepthBufferSize(uint32_t* w, uint32_t* h) const {
    *w = depthW_;
    *h = depthH_;
  }
  int32_t Clear(uint32_t flags, uint32_t colour, float z, uint32_t stencil);
  void SetViewport(const Viewport& vp) { viewport_ = vp; }
  const Viewport& GetViewport() const { return viewport_; }

  // States.
  void SetBlendState(const BlendState& state) { blend_ = state; }
  const BlendState& GetBlendState() const { return blend_; }
  void SetFilter(int stage, TextureFilter filter);
  TextureFilter GetFilter(int stage) const { return filter_[stage & 1]; }
  void SetTexture(int stage, Texture* texture);
  Texture* GetTexture(int stage) const { return textures_[stage & 1].get(); }
  void SetFvf(uint32_t fvf) { fvf_ = fvf; }
  uint32_t GetFvf() const { return fvf_; }
  void SetPixelProgram(PixelProgram* program) { program_ = program; }
  PixelProgram* GetPixelProgram() const { return program_; }
  // The fixed-function defaults: blend, filters, no program, textures unbound.
  void SetDefaultStates();

  // Builds an effect program now when this thread holds the GL context (false when it does not
  // build); elsewhere, and on the recording device, the answer is true and a GL device builds it
  // at its first draw.
  bool PrepareProgram(PixelProgram* program);

  int32_t BeginScene();
  int32_t EndScene();
  // Indexed draw from user memory, 32-bit indices, vertices of the screen layout (stride 32).
  int32_t DrawIndexedPrimitiveUP(PrimitiveType type, uint32_t minIndex, uint32_t numVertices,
                                 uint32_t primitiveCount, const uint32_t* indices, const void* vertices,
                                 uint32_t stride);

  // Copies a render target's contents into a system-memory texture of the same size and format.
  int32_t GetRenderTargetData(Texture* renderTarget, Texture* systemMemory);
  // Copies a rectangle of a render target into another texture (the shadow copies effects read).
  int32_t CopyRenderTarget(Texture* source, const Rect& rect, Texture* destination);
  // Surface to surface copy with format conversion (CPU images; block formats only as sources).
  int32_t CopySurface(Texture* source, const Rect* sourceRect, Texture* destination, int dx, int dy);

  // Recording.
  void SetRecording(bool on) { recording_ = on; }
  // Recording device: whether clears and target-to-target copies write the targets' CPU images.
  // Nothing is rasterised on this device, so those images matter only to a caller that reads a
  // target back (a screenshot of a cleared screen); filling them every frame costs more than the
  // rest of an empty frame, so it is off unless asked for.
  void SetTargetPixelFills(bool on) { targetPixelFills_ = on; }
  bool TargetPixelFills() const { return targetPixelFills_; }
  std::vector<DeviceRecord>& Records() { return records_; }
  uint64_t DrawCallCount() const { return drawCalls_; }

  // Rendering thread: the GL work queued by other threads (deletions, a pending reset).
  void ServiceRenderThread();

  std::shared_ptr<GlDeletionQueue> Deletions() const { return deletions_; }

  // Details of the GL backend (null on the recording device).
  struct GlState;
  GlState* Gl() const { return gl_.get(); }

 protected:
  Device();

 private:
  void MakeBackBuffer();
  // True on the thread that has the GL context current (never on the recording device).
  bool GlHere() const;
  void RecordTargets(DeviceRecord& r) const;

  PresentParameters params_;
  // Lost-device flags: set by ForceLost and Reset on one thread and read by the cooperative-level
  // test on both (the window thread's recovery test and the logic thread's render), so they are
  // hand-off flags: stores release, loads acquire.
  std::atomic<bool> lostSwitch_{false};
  std::atomic<bool> lostReported_{false};
  int failCreations_ = 0;
  int32_t failResult_ = kOk;
  std::mutex failMutex_;
  TextureRef backBuffer_;
  TextureRef targets_[kMaxRenderTargets];
  uint32_t depthW_ = 0, depthH_ = 0;
  Viewport viewport_;
  BlendState blend_;
  TextureFilter filter_[2] = {FILTER_POINT, FILTER_POINT};
  TextureRef textures_[2];
  uint32_t fvf_ = kScreenVertexFvf;
  PixelProgram* program_ = nullptr;
  bool inScene_ = false;
  bool recording_ = false;
  bool targetPixelFills_ = false;
  uint64_t drawCalls_ = 0;
  std::vector<DeviceRecord> records_;
  std::shared_ptr<GlDeletionQueue> deletions_;
  std::unique_ptr<GlState> gl_;
  std::atomic<std::thread::id> glOwner_{};
};

// The device the game's device layer made (null when none); set and cleared by that layer.
void SetActiveDevice(Device* device);
Device* ActiveDevice();

// Where the rendering thread takes the device's context: the logic thread calls this once at
// its start (the device made by the game's device layer).
bool MakeDeviceCurrentOnThisThread();

// The rendering thread lets go of the context before it ends (so shutdown on the window thread
// can take it back to free GL objects).
void ReleaseDeviceFromThisThread();

// True when the environment asks for the recording device (VT_DEVICE=recording).
bool RecordingDeviceRequested();

// The rectangle (x, y, w, h) of a picture of aspect pictureW:pictureH fitted, centred, into an
// area of areaW x areaH whose pixels are shown at display aspect displayW:displayH.
struct FitRect {
  int x, y, w, h;
};
FitRect FitLetterbox(int areaW, int areaH, float pictureW, float pictureH, float displayW, float displayH);

}  // namespace vt::gfx
