// OpenGL 3.3 core backend of the device: context, the pass-through program that reproduces the
// fixed-function defaults, texture upload, render targets on one framebuffer object, effect
// programs, and the flipped blit of the off-screen back buffer to the window.
//
// Everything is rendered "upside down": row 0 of every render target and uploaded texture is the
// top of the picture, so targets can be sampled like textures, and only the final blit flips.
#include "platform/gfx/gl_backend.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "app/lib_debug.h"

namespace vt::gfx {

Device::GlState::~GlState() {
  if (context && contextUsable) {
    if (vao) glDeleteVertexArrays(1, &vao);
    if (vbo) glDeleteBuffers(1, &vbo);
    if (ibo) glDeleteBuffers(1, &ibo);
    uint32_t fbos[3] = {renderFbo, readFbo, drawFbo};
    glDeleteFramebuffers(3, fbos);
    if (depthRb) glDeleteRenderbuffers(1, &depthRb);
    if (fixedProgram) glDeleteProgram(fixedProgram);
    for (uint32_t p : fixedVariants)
      if (p) glDeleteProgram(p);
    glDeleteSamplers(8, &samplers[0][0]);
    SDL_GL_MakeCurrent(window, nullptr);
  }
  if (context) SDL_GL_DeleteContext(context);
}

namespace gl {
namespace {

// Clip position ((x + 0.5) * 2 / W - 1, (y + 0.5) * 2 / H - 1, z, 1) * (1 / rhw): screen pixels with
// the device's pixel-centre convention, perspective-correct through rhw, depth z in 0..1.
const char* kVertexShader = R"(#version 330 core
layout(location = 0) in vec4 a_position;
layout(location = 1) in vec4 a_diffuse;
layout(location = 2) in vec4 a_specular;
layout(location = 3) in vec2 a_uv;
uniform vec4 u_viewport;
out vec4 v_diffuse;
out vec4 v_specular;
out vec2 v_uv;
void main() {
  float rhw = a_position.w == 0.0 ? 1.0 : a_position.w;
  float w = 1.0 / rhw;
  vec2 ndc = vec2((a_position.x - u_viewport.x + 0.5) * 2.0 / u_viewport.z - 1.0,
                  (a_position.y - u_viewport.y + 0.5) * 2.0 / u_viewport.w - 1.0);
  gl_Position = vec4(ndc * w, (a_position.z * 2.0 - 1.0) * w, w);
  v_diffuse = a_diffuse;
  v_specular = a_specular;
  v_uv = a_uv;
}
)";

// The fixed-function defaults: texture x diffuse for colour and alpha (no texture counts as
// white), specular added to rgb, alpha test always passing.
const char* kFixedFragment = R"(#version 330 core
in vec4 v_diffuse;
in vec4 v_specular;
in vec2 v_uv;
uniform sampler2D u_tex;
uniform bool u_hasTex;
layout(location = 0) out vec4 o_colour;
void main() {
  vec4 t = u_hasTex ? texture(u_tex, v_uv) : vec4(1.0);
  o_colour = t * v_diffuse;
  o_colour.rgb += v_specular.rgb;
}
)";

// The same defaults built for one case each. A software rasteriser runs the whole fragment
// program for every pixel whatever a uniform says, so an untextured draw of the general
// program still samples and every draw interpolates and adds a specular colour that is
// nearly always black. Multiplying by white and adding zero change nothing, so each variant
// gives the general program's pixels bit for bit.
std::string FixedVariantFragment(int variant) {
  std::string f =
      "#version 330 core\n"
      "in vec4 v_diffuse;\n";
  if (variant & kFixedSpecular) f += "in vec4 v_specular;\n";
  if (variant & kFixedTextured) f += "in vec2 v_uv;\nuniform sampler2D u_tex;\n";
  f += "layout(location = 0) out vec4 o_colour;\nvoid main() {\n";
  f += (variant & kFixedTextured) ? "  o_colour = texture(u_tex, v_uv) * v_diffuse;\n"
                                  : "  o_colour = v_diffuse;\n";
  if (variant & kFixedSpecular) f += "  o_colour.rgb += v_specular.rgb;\n";
  f += "}\n";
  return f;
}

uint32_t Compile(GLenum type, const std::string& source, std::string* log) {
  uint32_t shader = glCreateShader(type);
  const char* text = source.c_str();
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint ok = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    char buffer[2048] = {};
    glGetShaderInfoLog(shader, sizeof(buffer) - 1, nullptr, buffer);
    if (log) *log = buffer;
    glDeleteShader(shader);
    return 0;
  }
  return shader;
}

uint32_t Link(const std::string& fragment, std::string* log) {
  uint32_t vs = Compile(GL_VERTEX_SHADER, kVertexShader, log);
  if (!vs) return 0;
  uint32_t fs = Compile(GL_FRAGMENT_SHADER, fragment, log);
  if (!fs) {
    glDeleteShader(vs);
    return 0;
  }
  uint32_t program = glCreateProgram();
  glAttachShader(program, vs);
  glAttachShader(program, fs);
  glLinkProgram(program);
  glDeleteShader(vs);
  glDeleteShader(fs);
  GLint ok = 0;
  glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (!ok) {
    char buffer[2048] = {};
    glGetProgramInfoLog(program, sizeof(buffer) - 1, nullptr, buffer);
    if (log) *log = buffer;
    glDeleteProgram(program);
    return 0;
  }
  return program;
}

GLenum Factor(BlendFactor f) {
  switch (f) {
    case BLEND_ZERO:
      return GL_ZERO;
    case BLEND_ONE:
      return GL_ONE;
    case BLEND_SRCCOLOR:
      return GL_SRC_COLOR;
    case BLEND_INVSRCCOLOR:
      return GL_ONE_MINUS_SRC_COLOR;
    case BLEND_SRCALPHA:
      return GL_SRC_ALPHA;
    case BLEND_INVSRCALPHA:
      return GL_ONE_MINUS_SRC_ALPHA;
    case BLEND_DESTALPHA:
      return GL_DST_ALPHA;
    case BLEND_INVDESTALPHA:
      return GL_ONE_MINUS_DST_ALPHA;
    case BLEND_DESTCOLOR:
      return GL_DST_COLOR;
    case BLEND_INVDESTCOLOR:
      return GL_ONE_MINUS_DST_COLOR;
  }
  return GL_ONE;
}

GLenum Op(BlendOp op) {
  switch (op) {
    case BLENDOP_ADD:
      return GL_FUNC_ADD;
    case BLENDOP_SUBTRACT:
      return GL_FUNC_SUBTRACT;
    case BLENDOP_REVSUBTRACT:
      return GL_FUNC_REVERSE_SUBTRACT;
  }
  return GL_FUNC_ADD;
}

// Source x one + destination x zero writes the source as it is: an opaque draw. The blender
// would still read every destination pixel to multiply it by zero.
bool BlendIsReplace(const BlendState& b) {
  auto replaces = [](BlendOp op, BlendFactor src, BlendFactor dst) {
    return op == BLENDOP_ADD && src == BLEND_ONE && dst == BLEND_ZERO;
  };
  return replaces(b.op, b.src, b.dst) && (!b.separateAlpha || replaces(b.opAlpha, b.srcAlpha, b.dstAlpha));
}

void ApplyBlend(const BlendState& b, bool general) {
  if (!b.enable || (!general && BlendIsReplace(b))) {
    glDisable(GL_BLEND);
    return;
  }
  glEnable(GL_BLEND);
  if (b.separateAlpha) {
    glBlendEquationSeparate(Op(b.op), Op(b.opAlpha));
    glBlendFuncSeparate(Factor(b.src), Factor(b.dst), Factor(b.srcAlpha), Factor(b.dstAlpha));
  } else {
    glBlendEquation(Op(b.op));
    glBlendFunc(Factor(b.src), Factor(b.dst));
  }
}

// The pass-through build a draw needs: the specular add only when some vertex has a colour there
// (its alpha is never used).
int FixedVariantOf(bool textured, const ScreenVertex* vertices, uint32_t count) {
  int v = textured ? kFixedTextured : 0;
  for (uint32_t i = 0; i < count; ++i) {
    if ((vertices[i].specular & 0xFFFFFFu) != 0) return v | kFixedSpecular;
  }
  return v;
}

bool HasNoAlpha(Format f) {
  return f == FMT_X8R8G8B8 || f == FMT_X1R5G5B5 || f == FMT_X4R4G4B4 || f == FMT_R8G8B8;
}

void SetClearColour(uint32_t colour) {
  glClearColor(((colour >> 16) & 0xFF) / 255.0f, ((colour >> 8) & 0xFF) / 255.0f, (colour & 0xFF) / 255.0f,
               ((colour >> 24) & 0xFF) / 255.0f);
}

// A clear of a whole colour target waits until the target is next drawn into, sampled, copied or
// read: a target cleared every frame that nothing draws into (the scene's second and third
// targets in most frames) then costs nothing, and a clear overtaken by another costs nothing.
// Carries out the clear waiting on t, if any. Leaves the draw framebuffer binding changed.
void FlushClear(Device::GlState& s, Texture* t) {
  if (!t || s.pendingClears.empty()) return;
  auto it = std::find_if(s.pendingClears.begin(), s.pendingClears.end(),
                         [&](const auto& p) { return p.first == t->Serial(); });
  if (it == s.pendingClears.end()) return;
  const uint32_t colour = it->second;
  s.pendingClears.erase(it);
  EnsureTexture(t);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, s.drawFbo);
  glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, t->glName, 0);
  glDrawBuffer(GL_COLOR_ATTACHMENT0);
  glDisable(GL_SCISSOR_TEST);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  SetClearColour(colour);
  glClear(GL_COLOR_BUFFER_BIT);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
}

// Binds the render targets and depth buffer to the rendering framebuffer.
void BindTargets(Device::GlState& s, Device& d) {
  uint32_t dw = 0, dh = 0;
  d.GetDepthBufferSize(&dw, &dh);
  if (dw != s.depthAllocW || dh != s.depthAllocH) {
    if (!s.depthRb) glGenRenderbuffers(1, &s.depthRb);
    glBindRenderbuffer(GL_RENDERBUFFER, s.depthRb);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT24,
                          std::max<GLsizei>(1, static_cast<GLsizei>(dw)),
                          std::max<GLsizei>(1, static_cast<GLsizei>(dh)));
    s.depthAllocW = dw;
    s.depthAllocH = dh;
  }
  glBindFramebuffer(GL_FRAMEBUFFER, s.renderFbo);
  TextureRef targets[kMaxRenderTargets];
  uint64_t key[kMaxRenderTargets + 2] = {};
  for (int i = 0; i < kMaxRenderTargets; ++i) {
    targets[i] = d.GetRenderTarget(i);
    if (targets[i]) EnsureTexture(targets[i].get());
    key[i] = targets[i] ? targets[i]->Serial() : 0;
  }
  // A depth buffer smaller than target 0 would clip drawing, so it is attached only when it covers.
  bool depthOk = dw > 0 && targets[0] && dw >= targets[0]->Width() && dh >= targets[0]->Height();
  key[kMaxRenderTargets] = depthOk;
  key[kMaxRenderTargets + 1] = (static_cast<uint64_t>(dw) << 32) | dh;
  // Attachments change only when the targets or the depth buffer do.
  if (!std::equal(std::begin(key), std::end(key), std::begin(s.attachedKey))) {
    GLenum buffers[kMaxRenderTargets];
    for (int i = 0; i < kMaxRenderTargets; ++i) {
      glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0 + i, GL_TEXTURE_2D,
                             targets[i] ? targets[i]->glName : 0, 0);
      buffers[i] = targets[i] ? GL_COLOR_ATTACHMENT0 + i : GL_NONE;
    }
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthOk ? s.depthRb : 0);
    glDrawBuffers(kMaxRenderTargets, buffers);
    std::copy(std::begin(key), std::end(key), std::begin(s.attachedKey));
  }
  const Viewport& vp = d.GetViewport();
  glViewport(static_cast<GLint>(vp.X), static_cast<GLint>(vp.Y), static_cast<GLsizei>(vp.Width),
             static_cast<GLsizei>(vp.Height));
  glDepthRange(vp.MinZ, vp.MaxZ);
}

void BindSampler(Device::GlState& s, int unit, Texture* t, TextureFilter filter, bool wrap) {
  glActiveTexture(GL_TEXTURE0 + unit);
  if (t) {
    EnsureTexture(t);
    glBindTexture(GL_TEXTURE_2D, t->glName);
  } else {
    glBindTexture(GL_TEXTURE_2D, 0);
  }
  int f = std::clamp<int>(filter, 0, 3);
  glBindSampler(static_cast<GLuint>(unit), s.samplers[wrap ? 1 : 0][f]);
}

}  // namespace

std::unique_ptr<Device::GlState> Create(SDL_Window* window, std::string* error) {
  auto s = std::make_unique<Device::GlState>();
  s->window = window;
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  s->context = SDL_GL_CreateContext(window);
  if (!s->context) {
    if (error) *error = std::string("GL context: ") + SDL_GetError();
    return nullptr;
  }
  SDL_GL_MakeCurrent(window, s->context);
  SDL_GL_SetSwapInterval(0);
  if (epoxy_gl_version() < 33) {
    if (error) *error = "GL 3.3 core is not available";
    return nullptr;
  }
  s->vendor = reinterpret_cast<const char*>(glGetString(GL_VENDOR));
  s->renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));

  std::string log;
  s->fixedProgram = Link(kFixedFragment, &log);
  if (!s->fixedProgram) {
    if (error) *error = "pass-through program: " + log;
    return nullptr;
  }
  s->fixedViewportLoc = glGetUniformLocation(s->fixedProgram, "u_viewport");
  s->fixedHasTexLoc = glGetUniformLocation(s->fixedProgram, "u_hasTex");
  s->fixedTexLoc = glGetUniformLocation(s->fixedProgram, "u_tex");
  for (int v = 0; v < 4; ++v) {
    s->fixedVariants[v] = Link(FixedVariantFragment(v), &log);
    if (!s->fixedVariants[v]) {
      if (error) *error = "pass-through program variant: " + log;
      return nullptr;
    }
    s->variantViewportLoc[v] = glGetUniformLocation(s->fixedVariants[v], "u_viewport");
    s->variantTexLoc[v] = glGetUniformLocation(s->fixedVariants[v], "u_tex");
  }

  glGenVertexArrays(1, &s->vao);
  glBindVertexArray(s->vao);
  glGenBuffers(1, &s->vbo);
  glGenBuffers(1, &s->ibo);
  glBindBuffer(GL_ARRAY_BUFFER, s->vbo);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, s->ibo);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, kScreenVertexStride, reinterpret_cast<void*>(0));
  glEnableVertexAttribArray(1);
  glVertexAttribPointer(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, kScreenVertexStride,
                        reinterpret_cast<void*>(16));
  glEnableVertexAttribArray(2);
  glVertexAttribPointer(2, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, kScreenVertexStride,
                        reinterpret_cast<void*>(20));
  glEnableVertexAttribArray(3);
  glVertexAttribPointer(3, 2, GL_FLOAT, GL_FALSE, kScreenVertexStride, reinterpret_cast<void*>(24));

  GLuint fbos[3];
  glGenFramebuffers(3, fbos);
  s->renderFbo = fbos[0];
  s->readFbo = fbos[1];
  s->drawFbo = fbos[2];

  if (epoxy_has_gl_extension("GL_EXT_texture_filter_anisotropic") ||
      epoxy_has_gl_extension("GL_ARB_texture_filter_anisotropic")) {
    glGetFloatv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &s->maxAnisotropy);
  }
  glGenSamplers(8, &s->samplers[0][0]);
  for (int wrap = 0; wrap < 2; ++wrap) {
    for (int f = 0; f < 4; ++f) {
      GLuint sm = s->samplers[wrap][f];
      GLint filter = f >= FILTER_LINEAR ? GL_LINEAR : GL_NEAREST;
      glSamplerParameteri(sm, GL_TEXTURE_MIN_FILTER, filter);
      glSamplerParameteri(sm, GL_TEXTURE_MAG_FILTER, filter);
      GLint mode = wrap ? GL_REPEAT : GL_CLAMP_TO_EDGE;
      glSamplerParameteri(sm, GL_TEXTURE_WRAP_S, mode);
      glSamplerParameteri(sm, GL_TEXTURE_WRAP_T, mode);
      if (f == FILTER_ANISOTROPIC && s->maxAnisotropy > 1.0f)
        glSamplerParameterf(sm, GL_TEXTURE_MAX_ANISOTROPY_EXT, std::min(16.0f, s->maxAnisotropy));
    }
  }

  // Fixed states: no culling, depth test less-or-equal with writes, clipping off.
  glDisable(GL_CULL_FACE);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glDepthMask(GL_TRUE);
  glEnable(GL_DEPTH_CLAMP);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  SDL_GL_MakeCurrent(window, nullptr);
  return s;
}

void UploadRenderTargetRect(Device::GlState& s, Texture* t, int x, int y, int w, int h) {
  const int bpp = BytesPerPixel(t->GetFormat());
  if (bpp != 4 || w <= 0 || h <= 0) return;  // render targets are 32-bit
  FlushClear(s, t);
  EnsureTexture(t);
  glBindTexture(GL_TEXTURE_2D, t->glName);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, t->Pitch() / bpp);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, x);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, y);
  glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, w, h, GL_BGRA, GL_UNSIGNED_BYTE, t->Pixels().data());
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
}

void EnsureTexture(Texture* t) {
  bool created = false;
  if (t->glName == 0) {
    glGenTextures(1, &t->glName);
    glBindTexture(GL_TEXTURE_2D, t->glName);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    if (HasNoAlpha(t->GetFormat())) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_A, GL_ONE);
    if (t->IsRenderTarget()) {
      glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(t->Width()),
                   static_cast<GLsizei>(t->Height()), 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
      return;
    }
    created = true;
  }
  if (t->IsRenderTarget()) return;
  // A texture being written by its owner keeps its old GL copy until it is unlocked (a new one
  // gets storage now and its image at the first draw after the unlock).
  if (!t->BeginUpload()) {
    if (created) {
      glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(t->Width()),
                   static_cast<GLsizei>(t->Height()), 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    }
    return;
  }
  struct EndUpload {
    Texture* t;
    ~EndUpload() { t->EndUpload(); }
  } endUpload{t};
  if (!t->TakeDirty() && !created) return;
  glBindTexture(GL_TEXTURE_2D, t->glName);
  GLsizei w = static_cast<GLsizei>(t->Width()), h = static_cast<GLsizei>(t->Height());
  const uint8_t* px = t->Pixels().data();
  int bpp = BytesPerPixel(t->GetFormat());
  auto upload = [&](GLenum internal, GLenum format, GLenum type) {
    glPixelStorei(GL_UNPACK_ROW_LENGTH, bpp ? t->Pitch() / bpp : 0);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(internal), w, h, 0, format, type, px);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  };
  switch (t->GetFormat()) {
    case FMT_A8R8G8B8:
    case FMT_X8R8G8B8:
      upload(GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE);
      break;
    case FMT_R5G6B5:
      upload(GL_RGB8, GL_RGB, GL_UNSIGNED_SHORT_5_6_5);
      break;
    case FMT_A1R5G5B5:
    case FMT_X1R5G5B5:
      upload(GL_RGBA8, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV);
      break;
    case FMT_A4R4G4B4:
    case FMT_X4R4G4B4:
      upload(GL_RGBA8, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV);
      break;
    default: {
      std::vector<uint8_t> bgra = DecodeToBgra(t->GetFormat(), px, t->Pitch(), static_cast<int>(t->Width()),
                                               static_cast<int>(t->Height()));
      glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_BGRA, GL_UNSIGNED_BYTE, bgra.data());
      break;
    }
  }
}

void DeleteQueued(GlDeletionQueue& q) {
  std::vector<uint32_t> textures, programs;
  {
    std::lock_guard<std::mutex> lock(q.mutex);
    textures.swap(q.textures);
    programs.swap(q.programs);
  }
  if (!textures.empty()) glDeleteTextures(static_cast<GLsizei>(textures.size()), textures.data());
  for (uint32_t p : programs) glDeleteProgram(p);
}

void Clear(Device::GlState& s, Device& d, uint32_t flags, uint32_t colour, float z) {
  const Viewport& vp = d.GetViewport();
  if (flags & CLEAR_TARGET) {
    bool whole = vp.X == 0 && vp.Y == 0;
    for (int i = 0; i < kMaxRenderTargets; ++i) {
      TextureRef t = d.GetRenderTarget(i);
      if (t && (vp.Width < t->Width() || vp.Height < t->Height())) whole = false;
    }
    for (int i = 0; i < kMaxRenderTargets; ++i) {
      TextureRef t = d.GetRenderTarget(i);
      if (!t) continue;
      if (whole) {
        // The new clear replaces any older one still waiting.
        auto it = std::find_if(s.pendingClears.begin(), s.pendingClears.end(),
                               [&](const auto& p) { return p.first == t->Serial(); });
        if (it != s.pendingClears.end()) {
          it->second = colour;
        } else {
          s.pendingClears.emplace_back(t->Serial(), colour);
        }
      } else {
        FlushClear(s, t.get());
      }
    }
    if (whole) flags &= ~CLEAR_TARGET;
  }
  BindTargets(s, d);
  GLbitfield mask = 0;
  if (flags & CLEAR_TARGET) {
    SetClearColour(colour);
    mask |= GL_COLOR_BUFFER_BIT;
  }
  if (flags & CLEAR_ZBUFFER) {
    glClearDepth(z);
    mask |= GL_DEPTH_BUFFER_BIT;
  }
  glEnable(GL_SCISSOR_TEST);
  glScissor(static_cast<GLint>(vp.X), static_cast<GLint>(vp.Y), static_cast<GLsizei>(vp.Width),
            static_cast<GLsizei>(vp.Height));
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glDepthMask(GL_TRUE);
  if (mask) glClear(mask);
  glDisable(GL_SCISSOR_TEST);
}

bool BuildProgram(Device& d, PixelProgram* pp) {
  if (!pp->glProgram && !pp->glFailed) {
    std::string log;
    pp->glProgram = Link(pp->source, &log);
    if (!pp->glProgram) {
      pp->glFailed = true;
      DebugPrint("gfx: effect program %s does not build: %s\n", pp->label.c_str(), log.c_str());
    }
    pp->deletions = d.Deletions();
  }
  return !pp->glFailed;
}

void Draw(Device::GlState& s, Device& d, PrimitiveType type, uint32_t numVertices, uint32_t primitiveCount,
          const uint32_t* indices, const void* vertices) {
  PixelProgram* pp = d.GetPixelProgram();
  Texture* t0 = d.GetTexture(0);
  // What this draw writes and samples gets its waiting clear first.
  FlushClear(s, d.GetRenderTarget(0).get());
  if (pp && pp->writesTarget1) FlushClear(s, d.GetRenderTarget(1).get());
  if (pp && pp->writesTarget2) FlushClear(s, d.GetRenderTarget(2).get());
  FlushClear(s, t0);
  if (pp) {
    for (const auto& smp : pp->samplers) FlushClear(s, smp.texture.get());
  }
  BindTargets(s, d);
  uint32_t program = s.fixedProgram;
  GLint viewportLoc = s.fixedViewportLoc, texLoc = s.fixedTexLoc, hasTexLoc = s.fixedHasTexLoc;
  if (pp) {
    if (!BuildProgram(d, pp)) return;
    program = pp->glProgram;
    viewportLoc = glGetUniformLocation(program, "u_viewport");
    texLoc = glGetUniformLocation(program, "u_tex");
    hasTexLoc = glGetUniformLocation(program, "u_hasTex");
  } else if (!s.forceGeneralPath) {
    const int v = FixedVariantOf(t0 != nullptr, static_cast<const ScreenVertex*>(vertices), numVertices);
    program = s.fixedVariants[v];
    viewportLoc = s.variantViewportLoc[v];
    texLoc = s.variantTexLoc[v];
    hasTexLoc = -1;
  }
  glUseProgram(program);
  // Targets 1 and 2 are written only by programs that write them; the fixed pipeline and
  // single-output programs leave them as they are.
  GLboolean writes1 = pp && pp->writesTarget1;
  GLboolean writes2 = pp && pp->writesTarget2;
  glColorMaski(0, GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  glColorMaski(1, writes1, writes1, writes1, writes1);
  glColorMaski(2, writes2, writes2, writes2, writes2);
  const Viewport& vp = d.GetViewport();
  glUniform4f(viewportLoc, static_cast<float>(vp.X), static_cast<float>(vp.Y), static_cast<float>(vp.Width),
              static_cast<float>(vp.Height));
  BindSampler(s, 0, t0, d.GetFilter(0), false);
  if (texLoc >= 0) glUniform1i(texLoc, 0);
  if (hasTexLoc >= 0) glUniform1i(hasTexLoc, t0 ? 1 : 0);
  if (pp) {
    for (const auto& u : pp->uniforms) {
      GLint loc = glGetUniformLocation(program, u.name.c_str());
      if (loc < 0) continue;
      switch (u.components) {
        case 1:
          glUniform1fv(loc, 1, u.value);
          break;
        case 2:
          glUniform2fv(loc, 1, u.value);
          break;
        case 3:
          glUniform3fv(loc, 1, u.value);
          break;
        case 4:
          glUniform4fv(loc, 1, u.value);
          break;
        case 16:
          glUniformMatrix4fv(loc, 1, GL_FALSE, u.value);
          break;
        default:
          break;
      }
    }
    int unit = 1;
    for (const auto& smp : pp->samplers) {
      GLint loc = glGetUniformLocation(program, smp.name.c_str());
      if (loc < 0) continue;
      BindSampler(s, unit, smp.texture.get(), smp.filter, smp.wrap);
      glUniform1i(loc, unit);
      ++unit;
    }
  }
  glActiveTexture(GL_TEXTURE0);
  ApplyBlend(d.GetBlendState(), s.forceGeneralPath);
  glBindVertexArray(s.vao);
  glBindBuffer(GL_ARRAY_BUFFER, s.vbo);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(numVertices) * kScreenVertexStride, vertices,
               GL_STREAM_DRAW);
  uint32_t indexCount = primitiveCount * (type == PT_TRIANGLELIST ? 3 : 2);
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, s.ibo);
  glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indexCount) * 4, indices, GL_STREAM_DRAW);
  glDrawElements(type == PT_TRIANGLELIST ? GL_TRIANGLES : GL_LINES, static_cast<GLsizei>(indexCount),
                 GL_UNSIGNED_INT, nullptr);
}

void Present(Device::GlState& s, Device& d) {
  TextureRef back = d.GetBackBuffer();
  FlushClear(s, back.get());
  EnsureTexture(back.get());
  int dw = 0, dh = 0;
  SDL_GL_GetDrawableSize(s.window, &dw, &dh);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, s.readFbo);
  glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, back->glName, 0);
  glReadBuffer(GL_COLOR_ATTACHMENT0);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  glDrawBuffer(GL_BACK);
  glDisable(GL_SCISSOR_TEST);
  GLint bw = static_cast<GLint>(back->Width()), bh = static_cast<GLint>(back->Height());
  // The back buffer covers the whole window, as a full-screen device covers the display; the
  // game's own composition letterboxes its screen inside the back buffer. The blit writes every
  // pixel of the window, so the window needs no clear first.
  glBlitFramebuffer(0, 0, bw, bh, 0, dh, dw, 0, GL_COLOR_BUFFER_BIT,
                    (bw == dw && bh == dh) ? GL_NEAREST : GL_LINEAR);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  SDL_GL_SwapWindow(s.window);
}

bool ReadTarget(Device::GlState& s, Texture* target, int x, int y, int w, int h, uint8_t* bgra) {
  FlushClear(s, target);
  EnsureTexture(target);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, s.readFbo);
  glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, target->glName, 0);
  glReadBuffer(GL_COLOR_ATTACHMENT0);
  glReadPixels(x, y, w, h, GL_BGRA, GL_UNSIGNED_BYTE, bgra);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
  return glGetError() == GL_NO_ERROR;
}

bool CopyTarget(Device::GlState& s, Texture* source, const Rect& r, Texture* destination) {
  FlushClear(s, source);
  FlushClear(s, destination);
  EnsureTexture(source);
  EnsureTexture(destination);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, s.readFbo);
  glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, source->glName, 0);
  glReadBuffer(GL_COLOR_ATTACHMENT0);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, destination->glName);
  glCopyTexSubImage2D(GL_TEXTURE_2D, 0, r.left, r.top, r.left, r.top, r.right - r.left, r.bottom - r.top);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
  destination->gpuNewer = true;
  return glGetError() == GL_NO_ERROR;
}

}  // namespace gl
}  // namespace vt::gfx
