// The OpenGL 3.3 core side of the device (internal to src/platform/gfx). Every function here runs
// on the thread that has the context current, except Create, which runs on the window thread and
// leaves the context released.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/gfx/device.h"

namespace vt::gfx {

struct Device::GlState {
  SDL_Window* window = nullptr;
  SDL_GLContext context = nullptr;
  uint32_t vao = 0, vbo = 0, ibo = 0;
  uint32_t renderFbo = 0, readFbo = 0, drawFbo = 0;
  uint32_t depthRb = 0;
  uint32_t depthAllocW = 0, depthAllocH = 0;
  uint64_t attachedKey[kMaxRenderTargets + 2] = {};  // what the rendering framebuffer holds
  // The general pass-through program (what effect programs see as their starting point) and its
  // builds per case, indexed by FixedVariant bits; a draw uses the variant of its case.
  uint32_t fixedProgram = 0;
  int fixedViewportLoc = -1, fixedHasTexLoc = -1, fixedTexLoc = -1;
  uint32_t fixedVariants[4] = {};
  int variantViewportLoc[4] = {-1, -1, -1, -1};
  int variantTexLoc[4] = {-1, -1, -1, -1};
  // Test switch: every draw as the general path does it (the general pass-through program,
  // blending on even where it only replaces), to compare against the shortcuts.
  bool forceGeneralPath = false;
  uint32_t samplers[2][4] = {};  // [wrap][filter]
  float maxAnisotropy = 1.0f;
  bool depthClamp = true;
  // Whole-target colour clears not yet carried out: (texture serial, colour).
  std::vector<std::pair<uint64_t, uint32_t>> pendingClears;
  std::string vendor, renderer;
  bool contextUsable = true;
  ~GlState();
};

namespace gl {

// The cases the pass-through program is built for: a stage texture bound, a non-black specular
// colour on some vertex of the draw.
enum FixedVariant { kFixedTextured = 1, kFixedSpecular = 2 };

std::unique_ptr<Device::GlState> Create(SDL_Window* window, std::string* error);
// Uploads a texture's image or allocates a render target's storage when needed.
void EnsureTexture(Texture* t);
// Writes a rectangle of a render target's CPU image into its GL texture (a copy from system
// memory into a render target).
void UploadRenderTargetRect(Device::GlState& s, Texture* t, int x, int y, int w, int h);
void DeleteQueued(GlDeletionQueue& queue);
void Clear(Device::GlState& s, Device& d, uint32_t flags, uint32_t colour, float z);
void Draw(Device::GlState& s, Device& d, PrimitiveType type, uint32_t numVertices, uint32_t primitiveCount,
          const uint32_t* indices, const void* vertices);
void Present(Device::GlState& s, Device& d);
// Compiles and links an effect program once; false when it does not build.
bool BuildProgram(Device& d, PixelProgram* program);
// Reads a render target into B, G, R, A rows (top row first).
bool ReadTarget(Device::GlState& s, Texture* target, int x, int y, int w, int h, uint8_t* bgra);
bool CopyTarget(Device::GlState& s, Texture* source, const Rect& rect, Texture* destination);

}  // namespace gl
}  // namespace vt::gfx
