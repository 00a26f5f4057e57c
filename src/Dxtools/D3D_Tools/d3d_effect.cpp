// Effect slots, per-frame effect tags and the effect drawing helpers.
#include "Dxtools/D3D_Tools/d3d_effect.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_files.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "app/lib_debug.h"

using namespace vt::gfx;

std::vector<std::unique_ptr<EffectSlot>> g_EffectSlots;
std::vector<CDxEffTag*> g_EffectTags;
uint16_t g_CurrentEffectTag = 0;
TextureHandle* g_ExFade08Texture = nullptr;
TextureHandle* g_ExFadeTexture = nullptr;
TextureHandle* g_NoiseTexture = nullptr;

namespace {
// Tags are stamped into commands as 16-bit indices; index 0 means none.
constexpr size_t kMaxEffectTags = 0xFFFF;
}  // namespace

CDxEffParam::~CDxEffParam() {
  if (kind_ == 1) {
    if (Texture* t = TextureValue()) t->Release();
  }
}

Texture* CDxEffParam::TextureValue() const {
  if (kind_ != 1 || value_.size() != sizeof(Texture*)) return nullptr;
  Texture* t = nullptr;
  std::memcpy(&t, value_.data(), sizeof t);
  return t;
}

void CDxEffParam::SetValue(const void* value, uint32_t size) {
  if (handle_ == 0) return;
  if (kind_ == 1) {
    if (Texture* old = TextureValue()) old->Release();
  }
  value_.assign(static_cast<const uint8_t*>(value), static_cast<const uint8_t*>(value) + size);
  if (kind_ == 1) {
    if (Texture* t = TextureValue()) t->AddRef();
  }
}

CDxEffTag::~CDxEffTag() = default;

void CDxEffTag::AddParam(const char* name, const void* value, uint32_t size, int kind) {
  if (!effect_ || !name || !value) return;
  uint32_t h = effect_->GetParameterByName(name);
  if (h == 0) return;
  if (kind == 1 && size != sizeof(Texture*)) return;
  auto p = std::make_unique<CDxEffParam>(h, kind);
  p->SetValue(value, size);
  params_.push_back(std::move(p));
}

void InitEffectTable() {
  g_EffectSlots.clear();
  auto slot0 = std::make_unique<EffectSlot>();
  slot0->index = 0;
  g_EffectSlots.push_back(std::move(slot0));
  g_EffectTags.clear();
  g_EffectTags.reserve(256);
  g_CurrentEffectTag = 0;
}

void FreeEffectTable() {
  ReleaseEffectTags();
  g_EffectSlots.clear();
}

std::string ShaderFileName(const char* base) {
  static const char* kProbe = ".\\Shader\\sh_chara.txt";
  bool txt = GfxPackContains(kProbe) || GfxDiskFileExists(kProbe);
  return std::string(".\\Shader\\") + base + (txt ? ".txt" : ".cfx");
}

void LoadEffect(const char* file, int slot, const char* technique) {
  if (slot <= 0) return;
  if (g_EffectSlots.size() <= static_cast<size_t>(slot)) g_EffectSlots.resize(static_cast<size_t>(slot) + 1);
  g_EffectSlots[static_cast<size_t>(slot)].reset();
  auto s = std::make_unique<EffectSlot>();
  s->index = slot;
  if (technique) {
    for (const auto& other : g_EffectSlots) {
      if (other && other->effect && other->technique != 0 &&
          std::strcmp(other->techniqueName, technique) == 0) {
        s->effect = other->effect;
        s->technique = s->effect->GetTechniqueByName(technique);
        std::snprintf(s->techniqueName, sizeof s->techniqueName, "%s", technique);
        g_EffectSlots[static_cast<size_t>(slot)] = std::move(s);
        return;
      }
    }
  }
  std::vector<uint8_t> bytes;
  if (file && ReadGfxFile(file, &bytes)) {
    std::string error;
    s->effect =
        Effect::Create(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), &error);
    if (!s->effect) DebugPrint("%s: effect does not build: %s\n", file, error.c_str());
  } else if (file) {
    DebugPrint("%s: effect file missing\n", file);
  }
  if (s->effect && technique) {
    s->technique = s->effect->GetTechniqueByName(technique);
    if (s->technique == 0) DebugPrint("%s: no technique %s\n", file, technique);
    // Where the device can compile now (the GL context is current here), a technique whose
    // programs do not compile leaves the slot without technique.
    if (s->technique != 0 && g_D3DDevice && !s->effect->PrepareTechnique(g_D3DDevice, s->technique)) {
      DebugPrint("%s: technique %s does not compile\n", file, technique);
      s->technique = 0;
    }
    std::snprintf(s->techniqueName, sizeof s->techniqueName, "%s", technique);
  }
  g_EffectSlots[static_cast<size_t>(slot)] = std::move(s);
}

void LoadShaderEffects() {
  struct Entry {
    int slot;
    const char* technique;
    const char* base;  // null: the sakura bloom file
  };
  static const Entry kEntries[] = {
      {1, "TecCharaDraw", "sh_chara"},
      {2, "TecCharaDrawEx", "sh_chara"},
      {3, "TecCharaDraw_Edge", "sh_chara"},
      {4, "TecMagicCircuitDraw", "sh_gaugedraw"},
      {5, "BgPointBlur", "sh_blur"},
      {6, "TecBloom", "sh_mono"},
      {7, "TecBloom_Make", "sh_mono"},
      {8, "TecBloom_Blt", "sh_mono"},
      {9, "TecBloom_Fill", "sh_mono"},
      {10, "TecSakuraBloom", nullptr},
      {11, "TecSakuraBloom_Update", nullptr},
      {12, "TecSakuraBloom_Ready", nullptr},
      {13, "TecMono", "sh_mono"},
      {14, "TecMonoFill", "sh_mono"},
      {15, "TecFade_ExFade0", "sh_fade"},
      {16, "TecFade_ExFade1", "sh_fade"},
      {17, "TecNormal", "sh_normal"},
      {18, "TecNormalAngle", "sh_normal"},
      {19, "TecNoise", "sh_noise"},
  };
  for (const Entry& e : kEntries) {
    std::string file = e.base ? ShaderFileName(e.base) : std::string(".\\Shader\\sh_bloom_sakura.txt");
    LoadEffect(file.c_str(), e.slot, e.technique);
  }
  if (!g_ExFade08Texture) g_ExFade08Texture = LoadTexture(".\\grp\\_NewFx\\EXFADE08");
  if (!g_ExFadeTexture) g_ExFadeTexture = LoadTexture(".\\grp\\EXFADE");
  if (!g_NoiseTexture) g_NoiseTexture = LoadTexture(".\\grp\\_NewFx\\cha_noise00");
}

void FreeShaderEffects() {
  ReleaseEffectTags();
  g_EffectSlots.clear();
  FreeTexture(g_ExFade08Texture);
  FreeTexture(g_ExFadeTexture);
  FreeTexture(g_NoiseTexture);
  g_ExFade08Texture = g_ExFadeTexture = g_NoiseTexture = nullptr;
}

int FindEffectSlot(const char* technique) {
  if (!technique) return 0;
  for (size_t i = 1; i < g_EffectSlots.size(); ++i) {
    const auto& s = g_EffectSlots[i];
    if (s && std::strcmp(s->techniqueName, technique) == 0) return static_cast<int>(i);
  }
  return 0;
}

CDxEffTag* CreateEffectTag(int slotIndex) {
  if (slotIndex <= 0 || static_cast<size_t>(slotIndex) >= g_EffectSlots.size()) return nullptr;
  const auto& s = g_EffectSlots[static_cast<size_t>(slotIndex)];
  if (!s || !s->effect || s->technique == 0) return nullptr;
  return new CDxEffTag(s->effect, s->technique);
}

uint16_t SetCurrentEffectTag(CDxEffTag* tag) {
  if (!tag) {
    g_CurrentEffectTag = 0;
    return 0;
  }
  if (g_EffectTags.empty()) g_EffectTags.push_back(nullptr);
  // The index is 16 bits wide: past 65535 tags in a frame a new tag is refused (its sprites draw
  // without an effect) instead of wrapping onto the tags made earlier.
  if (g_EffectTags.size() > kMaxEffectTags) {
    delete tag;
    g_CurrentEffectTag = 0;
    return 0;
  }
  g_EffectTags.push_back(tag);
  g_CurrentEffectTag = static_cast<uint16_t>(g_EffectTags.size() - 1);
  return g_CurrentEffectTag;
}

CDxEffTag* UseEffect(const char* technique) {
  CDxEffTag* tag = CreateEffectTag(FindEffectSlot(technique));
  if (!tag) {
    g_CurrentEffectTag = 0;
    return nullptr;
  }
  return SetCurrentEffectTag(tag) ? tag : nullptr;
}

CDxEffTag* ApplyEffectTag(uint16_t index) {
  if (index == 0 || index >= g_EffectTags.size()) return nullptr;
  CDxEffTag* tag = g_EffectTags[index];
  if (!tag || !tag->Effect()) return nullptr;
  for (const auto& p : tag->Params()) {
    if (p->Kind() == 1)
      tag->Effect()->SetTexture(p->Handle(), p->TextureValue());
    else
      tag->Effect()->SetValue(p->Handle(), p->Value().data(), static_cast<uint32_t>(p->Value().size()));
  }
  return tag;
}

void ReleaseEffectTags() {
  for (CDxEffTag* t : g_EffectTags) delete t;
  g_EffectTags.clear();
  g_CurrentEffectTag = 0;
}

void LoseEffects() {
  for (const auto& s : g_EffectSlots)
    if (s && s->effect) s->effect->OnLostDevice();
}

void RestoreEffects() {
  for (const auto& s : g_EffectSlots)
    if (s && s->effect) s->effect->OnResetDevice();
}

// --- helpers ---------------------------------------------------------------------------------

void RectUv(Texture* t, float x, float y, float out[2]) {
  float W = static_cast<float>(t->Width()), H = static_cast<float>(t->Height());
  out[0] = x / W + 0.5f / W;
  out[1] = y / H + 0.5f / H;
}

void RectWh(Texture* t, float w, float h, float out[2]) {
  float W = static_cast<float>(t->Width()), H = static_cast<float>(t->Height());
  out[0] = w / W - 0.5f / W;
  out[1] = h / H - 0.5f / H;
}

void Texel(Texture* t, float out[2]) {
  out[0] = 1.0f / static_cast<float>(t->Width());
  out[1] = 1.0f / static_cast<float>(t->Height());
}

namespace {
CDxEffTag* MakeTag(const char* technique) { return CreateEffectTag(FindEffectSlot(technique)); }

void AddRectParams(CDxEffTag* tag, const char* prefix, Texture* t, float x, float y, float w, float h) {
  float v[2];
  std::string p(prefix);
  RectUv(t, x, y, v);
  tag->AddParam((p + "_uv").c_str(), v, sizeof v, 0);
  RectWh(t, w, h, v);
  tag->AddParam((p + "_wh").c_str(), v, sizeof v, 0);
  Texel(t, v);
  tag->AddParam((p + "_texel").c_str(), v, sizeof v, 0);
}

// Makes the tag current, queues, and puts the current tag back to none.
template <typename Queue>
int QueueWithTag(CDxEffTag* tag, Queue queue) {
  SetCurrentEffectTag(tag);
  int r = queue();
  SetCurrentEffectTag(nullptr);
  return r;
}
}  // namespace

int DrawMonoScreen(GrpDrawList*, TextureHandle* texture, int32_t, int32_t, int32_t, int32_t, float, float,
                   float, float, uint32_t colour, uint32_t, float power) {
  CDxEffTag* tag = MakeTag("TecMono");
  if (!tag) return 0;
  float p = std::max(power, 0.0f);
  float v[4] = {p, p, p, 0.0f};
  tag->AddParam("fPower", v, sizeof v, 0);
  tag->AddTexture("tex_r", HandleTexture(GetSceneTarget(0)));
  return QueueWithTag(tag, [&] {
    return DrawSprite(&g_MainDrawList, texture, 0, 0, 640, 480, 0, 0, 640, 480, colour, 0, 800);
  });
}

int DrawFadeScreen(GrpDrawList* list, TextureHandle* texture, int32_t, int32_t, int32_t, int32_t, float,
                   float, float, float, uint32_t, uint32_t, float power, int32_t priority) {
  CDxEffTag* tag = MakeTag("TecFade_ExFade0");
  if (!tag) return 0;
  tag->AddFloat("fPower", std::max(power, 0.0f));
  tag->AddTexture("tex_Fade", HandleTexture(g_ExFadeTexture));
  return QueueWithTag(
      tag, [&] { return DrawTextureStretched(list, texture, 0, 0, 640, 480, 0xFFFFFFFFu, 0, priority); });
}

int DrawNoiseEffect(const NoiseEffect& n) {
  CDxEffTag* tag = MakeTag("TecNoise");
  if (!tag) return 0;
  tag->AddFloat("fValue", std::max(n.value, 0.0f));
  tag->AddFloat("fPower", std::max(n.power, 0.0f));
  if (Texture* t0 = HandleTexture(GetSceneTarget(0))) {
    AddRectParams(tag, "diff", t0, static_cast<float>(n.x), static_cast<float>(n.y), static_cast<float>(n.w),
                  static_cast<float>(n.h));
    tag->AddTexture("diffuse_texture", t0);
  }
  if (Texture* t1 = HandleTexture(GetSceneTarget(1))) tag->AddTexture("temp_texture", t1);
  Texture* noise = HandleTexture(g_NoiseTexture);
  if (!noise) {
    delete tag;
    return 0;
  }
  tag->AddTexture("tex_Noise", noise);
  return QueueWithTag(tag, [&] {
    return DrawTextureStretched(n.list, nullptr, n.x, n.y, n.w, n.h, 0xFFFFFFFFu, 0, n.priority);
  });
}

int DrawBloomPass(const BloomPass& b) {
  static const char* kTechniques[] = {"TecBloom", "TecBloom_Make", "TecBloom_Blt", "TecBloom_Fill"};
  if (b.mode < 0 || b.mode > 3) return 0;
  CDxEffTag* tag = MakeTag(kTechniques[b.mode]);
  if (!tag) return 0;
  tag->AddFloat("fValue", b.value);
  tag->AddFloat("fShift", std::max(b.shift, 0.0f));
  Texture* src = HandleTexture(b.source);
  if (src) {
    AddRectParams(tag, "src", src, static_cast<float>(b.sourceX), static_cast<float>(b.sourceY),
                  static_cast<float>(b.sourceW), static_cast<float>(b.sourceH));
  }
  tag->AddTexture("src_texture", src);
  if (Texture* t0 = HandleTexture(GetSceneTarget(0))) {
    AddRectParams(tag, "diff", t0, static_cast<float>(b.x), static_cast<float>(b.y), static_cast<float>(b.w),
                  static_cast<float>(b.h));
    tag->AddTexture("diffuse_texture", t0);
  }
  if (Texture* t1 = HandleTexture(GetSceneTarget(1))) tag->AddTexture("temp_textureA", t1);
  Texture* t2 = HandleTexture(GetSceneTarget(2));
  if (!t2) {
    delete tag;
    return 0;
  }
  tag->AddTexture("temp_textureB", t2);
  return QueueWithTag(tag, [&] {
    return DrawTextureStretched(b.list, nullptr, b.x, b.y, b.w, b.h, b.colour, 0, b.priority);
  });
}

int DrawPointBlur(const PointBlur& b) {
  CDxEffTag* tag = MakeTag("BgPointBlur");
  if (!tag) return 0;
  tag->AddFloat("fColorHosei", b.colourCorrection);
  if (Texture* t0 = HandleTexture(GetSceneTarget(0))) {
    // Kept on purpose: the centre is passed without the half-texel offset.
    tag->AddFloat2("diff_centeruv", b.centreX / static_cast<float>(t0->Width()),
                   b.centreY / static_cast<float>(t0->Height()));
    AddRectParams(tag, "diff", t0, static_cast<float>(b.x), static_cast<float>(b.y), static_cast<float>(b.w),
                  static_cast<float>(b.h));
    tag->AddFloat("fPower", b.power);
    tag->AddFloat("fValue", b.value);
    tag->AddTexture("diffuse_texture", t0);
  }
  if (Texture* t1 = HandleTexture(GetSceneTarget(1))) tag->AddTexture("temp_texture0", t1);
  if (Texture* t2 = HandleTexture(GetSceneTarget(2))) tag->AddTexture("temp_texture1", t2);
  Texture* normal = HandleTexture(g_ExFade08Texture);
  if (!normal) {
    delete tag;
    return 0;
  }
  tag->AddTexture("normal_texture", normal);
  return QueueWithTag(tag, [&] {
    return DrawTextureStretched(b.list, nullptr, b.x, b.y, b.w, b.h, 0xFFFFFFFFu, 0, b.priority);
  });
}

int DrawNormalAngle(const NormalAngle& n) {
  CDxEffTag* tag = MakeTag("TecNormalAngle");
  if (!tag) return 0;
  constexpr float kTurn = 2.0f * 3.14159265358979323846f;
  D3DMatrix m = D3DMatrix::RotationZ(n.angle * kTurn);
  MultiplyMatrix(&m, m, D3DMatrix::Translation(static_cast<float>(n.x), static_cast<float>(n.y), 0.0f));
  int32_t hw = static_cast<int32_t>(std::floor(n.w / 2.0));
  int32_t hh = static_cast<int32_t>(std::floor(n.h / 2.0));
  float cx[4] = {static_cast<float>(-hw), static_cast<float>(n.w - hw), static_cast<float>(-hw),
                 static_cast<float>(n.w - hw)};
  float cy[4] = {static_cast<float>(-hh), static_cast<float>(-hh), static_cast<float>(n.h - hh),
                 static_cast<float>(n.h - hh)};
  float pts[4][4];
  for (int i = 0; i < 4; ++i) TransformPoint(m, cx[i], cy[i], 0.0f, pts[i]);
  auto norm = [](float x, float y, float out[2]) {
    float len = std::sqrt(x * x + y * y);
    out[0] = len > 0 ? x / len : 0.0f;
    out[1] = len > 0 ? y / len : 0.0f;
  };
  float ax[2], ay[2];
  norm(pts[1][0] - pts[0][0], pts[1][1] - pts[0][1], ax);
  norm(pts[2][0] - pts[0][0], pts[2][1] - pts[0][1], ay);
  tag->AddFloat("fPower", n.power);
  if (Texture* nt = HandleTexture(n.normal)) {
    float v[2];
    Texel(nt, v);
    tag->AddParam("normal_texel", v, sizeof v, 0);
    tag->AddTexture("normal_texture", nt);
  }
  if (Texture* t0 = HandleTexture(GetSceneTarget(0))) {
    float W = static_cast<float>(t0->Width()), H = static_cast<float>(t0->Height());
    float v[2];
    Texel(t0, v);
    tag->AddParam("diff_texel", v, sizeof v, 0);
    float mat[4] = {ax[0] * n.w / W, ax[1] * n.w / H, ay[0] * n.h / W, ay[1] * n.h / H};
    tag->AddParam("diff_texel_matrix", mat, sizeof mat, 0);
    tag->AddFloat2("diff_uv", pts[0][0] / W + 0.5f / W, pts[0][1] / H + 0.5f / H);
    TextureHandle* h0 = GetSceneTarget(0);
    tag->AddFloat2("diff_size", static_cast<float>(h0->dx->usedWidth) / W - 0.5f / W,
                   static_cast<float>(h0->dx->usedHeight) / H - 0.5f / H);
    tag->AddTexture("diffuse_texture", t0);
  }
  TextureHandle* target1 = GetSceneTarget(1);
  if (!HandleTexture(target1)) {
    delete tag;
    return 0;
  }
  tag->AddTexture("temp_texture", HandleTexture(target1));
  GrpDrawCommand quad;
  for (int i = 0; i < 4; ++i) {
    quad.v[i] = ScreenVertex{
        pts[i][0], pts[i][1], 0.0f, 1.0f, n.colour, 0, (i & 1) ? 1.0f : 0.0f, (i & 2) ? 1.0f : 0.0f};
  }
  quad.texture = HandleTexture(target1);
  QueueWithTag(tag, [&] { return DrawQuad(&g_MainDrawList, &quad, n.priority); });
  return 1;
}
