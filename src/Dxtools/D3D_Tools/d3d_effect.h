// Shader effects: numbered effect slots loaded at start-up, per-frame effect tags with named
// parameter values, the current tag stamped into draw commands, and the effect drawing helpers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/effect.h"

struct TextureHandle;
struct GrpDrawList;

struct EffectHolder {
  std::shared_ptr<vt::gfx::Effect> effect;
};

struct EffectSlot {
  int index = 0;
  std::shared_ptr<vt::gfx::Effect> effect;  // shared by slots that share a file
  uint32_t technique = 0;
  char techniqueName[64] = {};
};

class CDxEffParam {
 public:
  CDxEffParam(uint32_t handle, int kind) : handle_(handle), kind_(kind) {}
  virtual ~CDxEffParam();
  void SetValue(const void* value, uint32_t size);
  uint32_t Handle() const { return handle_; }
  int Kind() const { return kind_; }
  const std::vector<uint8_t>& Value() const { return value_; }
  vt::gfx::Texture* TextureValue() const;

 private:
  uint32_t handle_;
  std::vector<uint8_t> value_;
  int kind_;  // 0 plain value, 1 texture (a reference is held)
};

class CDxEffTag {
 public:
  CDxEffTag(std::shared_ptr<vt::gfx::Effect> effect, uint32_t technique)
      : effect_(std::move(effect)), technique_(technique) {}
  virtual ~CDxEffTag();
  // Looks the parameter up by name; an unknown name drops the value.
  void AddParam(const char* name, const void* value, uint32_t size, int kind);
  void AddFloat(const char* name, float v) { AddParam(name, &v, sizeof v, 0); }
  void AddFloat2(const char* name, float a, float b) {
    float v[2] = {a, b};
    AddParam(name, v, sizeof v, 0);
  }
  void AddTexture(const char* name, vt::gfx::Texture* t) { AddParam(name, &t, sizeof t, 1); }
  vt::gfx::Effect* Effect() const { return effect_.get(); }
  uint32_t Technique() const { return technique_; }
  const std::vector<std::unique_ptr<CDxEffParam>>& Params() const { return params_; }

 private:
  std::shared_ptr<vt::gfx::Effect> effect_;
  uint32_t technique_;
  std::vector<std::unique_ptr<CDxEffParam>> params_;
};

extern std::vector<std::unique_ptr<EffectSlot>> g_EffectSlots;
extern std::vector<CDxEffTag*> g_EffectTags;
extern uint16_t g_CurrentEffectTag;

void InitEffectTable();
void FreeEffectTable();
void LoadEffect(const char* file, int slot, const char* technique);
void LoadShaderEffects();
void FreeShaderEffects();
std::string ShaderFileName(const char* base);
int FindEffectSlot(const char* technique);
CDxEffTag* CreateEffectTag(int slotIndex);
// Returns the tag's index, or 0 (and deletes the tag) when the frame has no index left.
uint16_t SetCurrentEffectTag(CDxEffTag* tag);
CDxEffTag* UseEffect(const char* technique);
CDxEffTag* ApplyEffectTag(uint16_t index);
void ReleaseEffectTags();
void LoseEffects();
void RestoreEffects();

// The scene render targets effects read (set by the frame targets' owner).
TextureHandle* GetSceneTarget(int index);

// The three textures loaded with the effects.
extern TextureHandle* g_ExFade08Texture;
extern TextureHandle* g_ExFadeTexture;
extern TextureHandle* g_NoiseTexture;

struct NoiseEffect {
  int32_t x, y, w, h;
  float power, value;
  GrpDrawList* list;
  int32_t priority;
};
struct BloomPass {
  int32_t mode, x, y, w, h;
  float shift, value;
  TextureHandle* source;
  int32_t sourceX, sourceY, sourceW, sourceH;
  uint32_t colour;
  GrpDrawList* list;
  int32_t priority;
};
struct PointBlur {
  int32_t x, y, w, h;
  float centreX, centreY, power, value, colourCorrection;
  GrpDrawList* list;
  int32_t priority;
};
struct NormalAngle {
  int32_t x, y, w, h;
  float power, angle;
  TextureHandle* normal;
  uint32_t colour;
  int32_t priority;
};

int DrawMonoScreen(GrpDrawList* list, TextureHandle* texture, int32_t x, int32_t y, int32_t w, int32_t h,
                   float sx, float sy, float sw, float sh, uint32_t colour, uint32_t specular, float power);
int DrawFadeScreen(GrpDrawList* list, TextureHandle* texture, int32_t x, int32_t y, int32_t w, int32_t h,
                   float sx, float sy, float sw, float sh, uint32_t colour, uint32_t specular, float power,
                   int32_t priority);
int DrawNoiseEffect(const NoiseEffect& noise);
int DrawBloomPass(const BloomPass& bloom);
int DrawPointBlur(const PointBlur& blur);
int DrawNormalAngle(const NormalAngle& normal);

// Rectangle helpers in texture coordinates of a texture's allocated size.
void RectUv(vt::gfx::Texture* t, float x, float y, float out[2]);
void RectWh(vt::gfx::Texture* t, float w, float h, float out[2]);
void Texel(vt::gfx::Texture* t, float out[2]);
