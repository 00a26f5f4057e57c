// Effects of the device stand-in: our own text format of named parameters and techniques made of
// passes, each pass a GLSL fragment program with its blend and sampler states. Parameters are
// looked up by name; Begin gives the pass count, passes run in order, End restores the device.
//
// Format (line based; "#" or "//" starts a comment line):
//   param <float|float2|float3|float4|float4x4|texture> <name>
//   common            ... GLSL shared by every pass ...   endcommon
//   technique <name>
//     pass
//       blend keep | off | <op> <src> <dst> [<opAlpha> <srcAlpha> <dstAlpha>]
//       sampler <param> <point|linear> <clamp|wrap>
//       glsl              ... GLSL with void main() writing o_colour ...   endglsl
//     endpass
//   endtechnique
// Programs see v_diffuse, v_specular, v_uv, the stage texture u_tex / u_hasTex, every param as a
// uniform of its name, and write o_colour (and o_colour1 / o_colour2 for targets 1 and 2).
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/gfx/device.h"

namespace vt::gfx {

class Effect {
 public:
  // Null with an error text when the file does not parse.
  static std::shared_ptr<Effect> Create(std::string_view text, std::string* error);

  uint32_t GetTechniqueByName(std::string_view name) const;  // 0 when there is none
  uint32_t GetParameterByName(std::string_view name) const;  // 0 when there is none
  bool IsTextureParameter(uint32_t param) const;
  int32_t SetTechnique(uint32_t technique);
  int32_t SetValue(uint32_t param, const void* data, uint32_t size);
  int32_t SetTexture(uint32_t param, Texture* texture);
  Texture* GetTexture(uint32_t param) const;
  // The texture bound in place of another for the draws of this effect (shadow copies).
  void SetTextureSubstitute(Texture* original, Texture* replacement);
  void ClearTextureSubstitutes();

  int32_t Begin(Device* device, uint32_t* passes);
  int32_t BeginPass(uint32_t pass);
  int32_t EndPass();
  int32_t End();
  void OnLostDevice() { ++lostCount_; }
  void OnResetDevice() { ++resetCount_; }
  int LostCount() const { return lostCount_; }
  int ResetCount() const { return resetCount_; }

  // Builds every pass program of a technique on the device (see Device::PrepareProgram).
  bool PrepareTechnique(Device* device, uint32_t technique);
  // True when the rendering thread found a pass program that does not build.
  bool AnyProgramFailed() const;
  // Passes whose GL program has been built.
  int BuiltPrograms() const;

  // The names of the textures every pass of a technique samples (for shadow copies).
  std::vector<uint32_t> TextureParameters() const;

 private:
  struct Param {
    std::string name;
    int components = 0;  // 0 texture
    float value[16] = {};
    TextureRef texture;
  };
  struct SamplerState {
    std::string name;
    TextureFilter filter = FILTER_LINEAR;
    bool wrap = false;
  };
  struct Pass {
    bool keepBlend = true;
    BlendState blend;
    std::vector<SamplerState> samplers;
    std::unique_ptr<PixelProgram> program;
  };
  struct Technique {
    std::string name;
    std::vector<Pass> passes;
  };
  std::vector<Param> params_;
  std::vector<Technique> techniques_;
  uint32_t technique_ = 0;
  Device* device_ = nullptr;
  BlendState savedBlend_;
  bool begun_ = false;
  int lostCount_ = 0, resetCount_ = 0;
  std::unordered_map<Texture*, TextureRef> substitutes_;
};

}  // namespace vt::gfx
