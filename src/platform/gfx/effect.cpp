// Effect files: parsing, parameter values, and the Begin / pass / End protocol on the device.
#include "platform/gfx/effect.h"

#include <algorithm>
#include <cstring>
#include <sstream>

namespace vt::gfx {

namespace {
std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

std::vector<std::string> Words(std::string_view s) {
  std::vector<std::string> out;
  std::istringstream in{std::string(s)};
  std::string w;
  while (in >> w) out.push_back(w);
  return out;
}

bool ParseFactor(const std::string& w, BlendFactor* f) {
  static const std::pair<const char*, BlendFactor> kFactors[] = {
      {"zero", BLEND_ZERO},           {"one", BLEND_ONE},
      {"srccolor", BLEND_SRCCOLOR},   {"invsrccolor", BLEND_INVSRCCOLOR},
      {"srcalpha", BLEND_SRCALPHA},   {"invsrcalpha", BLEND_INVSRCALPHA},
      {"destalpha", BLEND_DESTALPHA}, {"invdestalpha", BLEND_INVDESTALPHA},
      {"destcolor", BLEND_DESTCOLOR}, {"invdestcolor", BLEND_INVDESTCOLOR},
  };
  for (const auto& [name, value] : kFactors)
    if (w == name) {
      *f = value;
      return true;
    }
  return false;
}

bool ParseOp(const std::string& w, BlendOp* op) {
  if (w == "add")
    *op = BLENDOP_ADD;
  else if (w == "sub")
    *op = BLENDOP_SUBTRACT;
  else if (w == "revsub")
    *op = BLENDOP_REVSUBTRACT;
  else
    return false;
  return true;
}

const char* GlslType(int components) {
  switch (components) {
    case 0:
      return "sampler2D";
    case 1:
      return "float";
    case 2:
      return "vec2";
    case 3:
      return "vec3";
    case 4:
      return "vec4";
    default:
      return "mat4";
  }
}
}  // namespace

std::shared_ptr<Effect> Effect::Create(std::string_view text, std::string* error) {
  auto e = std::shared_ptr<Effect>(new Effect());
  std::string common;
  enum { kTop, kCommon, kTechnique, kPass, kGlsl } where = kTop;
  Technique* tech = nullptr;
  Pass* pass = nullptr;
  std::string glsl;
  int lineNo = 0;
  auto fail = [&](const std::string& why) {
    if (error) *error = "line " + std::to_string(lineNo) + ": " + why;
    return nullptr;
  };
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view raw = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNo;
    std::string_view line = Trim(raw);
    if (where == kGlsl || where == kCommon) {
      if ((where == kGlsl && line == "endglsl") || (where == kCommon && line == "endcommon")) {
        where = where == kGlsl ? kPass : kTop;
        continue;
      }
      (where == kGlsl ? glsl : common).append(raw).append("\n");
      continue;
    }
    if (line.empty() || line[0] == '#' || line.substr(0, 2) == "//") continue;
    std::vector<std::string> w = Words(line);
    const std::string& k = w[0];
    if (where == kTop) {
      if (k == "param" && w.size() == 3) {
        int comps = -1;
        if (w[1] == "float")
          comps = 1;
        else if (w[1] == "float2")
          comps = 2;
        else if (w[1] == "float3")
          comps = 3;
        else if (w[1] == "float4")
          comps = 4;
        else if (w[1] == "float4x4")
          comps = 16;
        else if (w[1] == "texture")
          comps = 0;
        if (comps < 0) return fail("unknown parameter type " + w[1]);
        if (e->GetParameterByName(w[2]) != 0) return fail("parameter declared twice: " + w[2]);
        Param p;
        p.name = w[2];
        p.components = comps;
        e->params_.push_back(std::move(p));
      } else if (k == "common" && w.size() == 1) {
        where = kCommon;
      } else if (k == "technique" && w.size() == 2) {
        e->techniques_.push_back(Technique{w[1], {}});
        tech = &e->techniques_.back();
        where = kTechnique;
      } else {
        return fail("unexpected: " + std::string(line));
      }
    } else if (where == kTechnique) {
      if (k == "pass" && w.size() == 1) {
        tech->passes.emplace_back();
        pass = &tech->passes.back();
        glsl.clear();
        where = kPass;
      } else if (k == "endtechnique") {
        if (tech->passes.empty()) return fail("technique without passes: " + tech->name);
        where = kTop;
      } else {
        return fail("unexpected in technique: " + std::string(line));
      }
    } else if (where == kPass) {
      if (k == "blend") {
        if (w.size() == 2 && w[1] == "keep") {
          pass->keepBlend = true;
        } else if (w.size() == 2 && w[1] == "off") {
          pass->keepBlend = false;
          pass->blend.enable = false;
        } else if (w.size() == 4 || w.size() == 7) {
          BlendState b;
          b.enable = true;
          if (!ParseOp(w[1], &b.op) || !ParseFactor(w[2], &b.src) || !ParseFactor(w[3], &b.dst))
            return fail("bad blend: " + std::string(line));
          if (w.size() == 7) {
            b.separateAlpha = true;
            if (!ParseOp(w[4], &b.opAlpha) || !ParseFactor(w[5], &b.srcAlpha) ||
                !ParseFactor(w[6], &b.dstAlpha))
              return fail("bad blend: " + std::string(line));
          }
          pass->keepBlend = false;
          pass->blend = b;
        } else {
          return fail("bad blend: " + std::string(line));
        }
      } else if (k == "sampler" && w.size() == 4) {
        uint32_t h = e->GetParameterByName(w[1]);
        if (h == 0 || e->params_[h - 1].components != 0)
          return fail("sampler of an unknown texture: " + w[1]);
        SamplerState s;
        s.name = w[1];
        s.filter = w[2] == "point" ? FILTER_POINT : FILTER_LINEAR;
        s.wrap = w[3] == "wrap";
        pass->samplers.push_back(s);
      } else if (k == "glsl" && w.size() == 1) {
        where = kGlsl;
      } else if (k == "endpass") {
        if (glsl.find("main") == std::string::npos) return fail("pass without a program in " + tech->name);
        std::string src =
            "#version 330 core\n"
            "in vec4 v_diffuse;\nin vec4 v_specular;\nin vec2 v_uv;\n"
            "uniform sampler2D u_tex;\nuniform bool u_hasTex;\nuniform vec4 u_viewport;\n"
            "layout(location = 0) out vec4 o_colour;\n"
            "layout(location = 1) out vec4 o_colour1;\n"
            "layout(location = 2) out vec4 o_colour2;\n";
        for (const Param& p : e->params_)
          src += std::string("uniform ") + GlslType(p.components) + " " + p.name + ";\n";
        src += common;
        src += "#line 1\n";
        src += glsl;
        pass->program = std::make_unique<PixelProgram>();
        pass->program->label = tech->name + "/" + std::to_string(tech->passes.size() - 1);
        pass->program->source = std::move(src);
        pass->program->writesTarget1 = (common + glsl).find("o_colour1") != std::string::npos;
        pass->program->writesTarget2 = (common + glsl).find("o_colour2") != std::string::npos;
        where = kTechnique;
      } else {
        return fail("unexpected in pass: " + std::string(line));
      }
    }
  }
  if (where != kTop) return fail("file ends inside a block");
  if (e->techniques_.empty()) return fail("no technique");
  return e;
}

uint32_t Effect::GetTechniqueByName(std::string_view name) const {
  for (size_t i = 0; i < techniques_.size(); ++i)
    if (techniques_[i].name == name) return static_cast<uint32_t>(i + 1);
  return 0;
}

uint32_t Effect::GetParameterByName(std::string_view name) const {
  for (size_t i = 0; i < params_.size(); ++i)
    if (params_[i].name == name) return static_cast<uint32_t>(i + 1);
  return 0;
}

bool Effect::IsTextureParameter(uint32_t h) const {
  return h >= 1 && h <= params_.size() && params_[h - 1].components == 0;
}

int32_t Effect::SetTechnique(uint32_t t) {
  if (t == 0 || t > techniques_.size()) return kErrInvalidCall;
  technique_ = t;
  return kOk;
}

int32_t Effect::SetValue(uint32_t h, const void* data, uint32_t size) {
  if (h == 0 || h > params_.size() || !data) return kErrInvalidCall;
  Param& p = params_[h - 1];
  if (p.components == 0) {
    if (size != sizeof(Texture*)) return kErrInvalidCall;
    Texture* t = nullptr;
    std::memcpy(&t, data, sizeof(t));
    return SetTexture(h, t);
  }
  std::fill(std::begin(p.value), std::end(p.value), 0.0f);
  std::memcpy(p.value, data, std::min<size_t>(size, static_cast<size_t>(p.components) * sizeof(float)));
  return kOk;
}

int32_t Effect::SetTexture(uint32_t h, Texture* texture) {
  if (h == 0 || h > params_.size() || params_[h - 1].components != 0) return kErrInvalidCall;
  params_[h - 1].texture = TextureRef(texture);
  return kOk;
}

Texture* Effect::GetTexture(uint32_t h) const {
  if (h == 0 || h > params_.size()) return nullptr;
  return params_[h - 1].texture.get();
}

void Effect::SetTextureSubstitute(Texture* original, Texture* replacement) {
  substitutes_[original] = TextureRef(replacement);
}

void Effect::ClearTextureSubstitutes() { substitutes_.clear(); }

std::vector<uint32_t> Effect::TextureParameters() const {
  std::vector<uint32_t> out;
  for (size_t i = 0; i < params_.size(); ++i)
    if (params_[i].components == 0) out.push_back(static_cast<uint32_t>(i + 1));
  return out;
}

bool Effect::PrepareTechnique(Device* device, uint32_t technique) {
  if (!device || technique == 0 || technique > techniques_.size()) return false;
  bool ok = true;
  for (Pass& p : techniques_[technique - 1].passes) ok = device->PrepareProgram(p.program.get()) && ok;
  return ok;
}

bool Effect::AnyProgramFailed() const {
  for (const Technique& t : techniques_)
    for (const Pass& p : t.passes)
      if (p.program->glFailed) return true;
  return false;
}

int Effect::BuiltPrograms() const {
  int n = 0;
  for (const Technique& t : techniques_)
    for (const Pass& p : t.passes) n += p.program->glProgram != 0;
  return n;
}

int32_t Effect::Begin(Device* device, uint32_t* passes) {
  if (!device || technique_ == 0 || begun_) return kErrInvalidCall;
  device_ = device;
  savedBlend_ = device->GetBlendState();
  begun_ = true;
  if (passes) *passes = static_cast<uint32_t>(techniques_[technique_ - 1].passes.size());
  return kOk;
}

int32_t Effect::BeginPass(uint32_t index) {
  if (!begun_) return kErrInvalidCall;
  Technique& t = techniques_[technique_ - 1];
  if (index >= t.passes.size()) return kErrInvalidCall;
  Pass& pass = t.passes[index];
  PixelProgram& prog = *pass.program;
  prog.uniforms.clear();
  prog.samplers.clear();
  for (const Param& p : params_) {
    if (p.components == 0) {
      ProgramSampler s;
      s.name = p.name;
      Texture* tex = p.texture.get();
      auto sub = substitutes_.find(tex);
      if (tex && sub != substitutes_.end()) tex = sub->second.get();
      s.texture = TextureRef(tex);
      for (const SamplerState& st : pass.samplers)
        if (st.name == p.name) {
          s.filter = st.filter;
          s.wrap = st.wrap;
        }
      prog.samplers.push_back(std::move(s));
    } else {
      ProgramUniform u;
      u.name = p.name;
      u.components = p.components;
      std::memcpy(u.value, p.value, sizeof(u.value));
      prog.uniforms.push_back(std::move(u));
    }
  }
  if (!pass.keepBlend) device_->SetBlendState(pass.blend);
  device_->SetPixelProgram(&prog);
  return kOk;
}

int32_t Effect::EndPass() { return begun_ ? kOk : kErrInvalidCall; }

int32_t Effect::End() {
  if (!begun_) return kErrInvalidCall;
  device_->SetPixelProgram(nullptr);
  device_->SetBlendState(savedBlend_);
  // Sampled textures are let go once the effect ends, so freed textures do not linger.
  for (Technique& t : techniques_)
    for (Pass& p : t.passes) p.program->samplers.clear();
  begun_ = false;
  return kOk;
}

}  // namespace vt::gfx
