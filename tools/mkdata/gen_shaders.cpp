// Sample effect files (our text effect format with GLSL passes) for every technique the game loads,
// and the three textures loaded with them: the point blur's normal map, the fade mask and the noise.
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "canvas.h"
#include "mkdata.h"

namespace {

// Screen position of the fragment in a texture's coordinates (targets and textures share one
// orientation: row 0 is the top).
const char* kCommon = R"(common
vec2 ScreenUv(sampler2D t) { return gl_FragCoord.xy / vec2(textureSize(t, 0)); }
vec4 Base() { return (u_hasTex ? texture(u_tex, v_uv) : vec4(1.0)) * v_diffuse; }
float Luma(vec3 c) { return dot(c, vec3(0.299, 0.587, 0.114)); }
endcommon
)";

std::string Pass(const std::string& body, const std::string& states = "") {
  return "  pass\n" + states + "    glsl\n" + body + "    endglsl\n  endpass\n";
}

std::string Technique(const std::string& name, const std::string& passes) {
  return "technique " + name + "\n" + passes + "endtechnique\n";
}

const char* kCopy = "    blend add one zero\n";
const char* kAdd = "    blend add srcalpha one\n";

std::string CharaFile() {
  std::string s =
      "# Character sprites: plain, smoothed, and outlined with the edge colour.\n"
      "param float2 fTexelN\nparam float2 fTexelX\nparam float4 fEdgeColor\n";
  s += kCommon;
  s += Technique("TecCharaDraw", Pass(R"(void main() {
  o_colour = Base();
  o_colour.rgb += v_specular.rgb;
}
)"));
  s += Technique("TecCharaDrawEx", Pass(R"(void main() {
  vec2 d = fTexelN * 0.25;
  vec4 t = texture(u_tex, v_uv + vec2(-d.x, -d.y)) + texture(u_tex, v_uv + vec2(d.x, -d.y)) +
           texture(u_tex, v_uv + vec2(-d.x, d.y)) + texture(u_tex, v_uv + vec2(d.x, d.y));
  o_colour = t * 0.25 * v_diffuse;
  o_colour.rgb += v_specular.rgb;
}
)"));
  s += Technique("TecCharaDraw_Edge", Pass(R"(void main() {
  vec4 t = texture(u_tex, v_uv);
  if (t.a >= 0.5) {
    o_colour = t * v_diffuse;
    o_colour.rgb += v_specular.rgb;
    return;
  }
  float a = max(max(texture(u_tex, v_uv + vec2(fTexelX.x, 0.0)).a, texture(u_tex, v_uv - vec2(fTexelX.x, 0.0)).a),
                max(texture(u_tex, v_uv + vec2(0.0, fTexelX.y)).a, texture(u_tex, v_uv - vec2(0.0, fTexelX.y)).a));
  o_colour = a >= 0.5 ? vec4(fEdgeColor.rgb, fEdgeColor.a * v_diffuse.a) : vec4(0.0);
}
)"));
  return s;
}

std::string GaugeFile() {
  std::string s =
      "# The meter bar: a bright band running along the bar.\n"
      "param float fValue\nparam float fColor\nparam float fWidth\nparam float fSU\n";
  s += kCommon;
  s += Technique("TecMagicCircuitDraw", Pass(R"(void main() {
  vec4 t = Base();
  float x = fWidth > 0.0 ? (v_uv.x - fSU) / fWidth : v_uv.x;
  float band = 0.5 + 0.5 * sin(6.2831853 * fract(x - fValue));
  o_colour = vec4(t.rgb * (1.0 + band * fColor), t.a);
}
)"));
  return s;
}

std::string BlurFile() {
  std::string s =
      "# Point blur of the stage toward a centre, bent by a normal map.\n"
      "param float fColorHosei\nparam float2 diff_centeruv\nparam float2 diff_uv\nparam float2 diff_wh\n"
      "param float2 diff_texel\nparam float fPower\nparam float fValue\nparam texture diffuse_texture\n"
      "param texture temp_texture0\nparam texture temp_texture1\nparam texture normal_texture\n";
  s += kCommon;
  s += Technique("BgPointBlur", Pass(R"(void main() {
  vec2 uv = diff_uv + v_uv * diff_wh;
  vec2 bend = (texture(normal_texture, v_uv).rg - 0.5) * diff_texel * 4.0;
  vec2 dir = (diff_centeruv - uv) * fPower;
  vec4 sum = vec4(0.0);
  for (int i = 0; i < 8; ++i) sum += texture(diffuse_texture, uv + bend + dir * float(i) / 8.0);
  vec4 blurred = sum / 8.0;
  vec4 orig = texture(diffuse_texture, uv);
  o_colour = vec4(mix(orig.rgb, blurred.rgb, clamp(fValue, 0.0, 1.0)) * (1.0 + fColorHosei), 1.0);
}
)",
                                     std::string(kCopy) + "    sampler normal_texture linear wrap\n"));
  return s;
}

std::string MonoFile() {
  std::string s =
      "# Monochrome screen and the bloom chain (fill, make, blit, add).\n"
      "param float4 fPower\nparam texture tex_r\nparam float fValue\nparam float fShift\n"
      "param float2 src_uv\nparam float2 src_wh\nparam float2 src_texel\nparam texture src_texture\n"
      "param float2 diff_uv\nparam float2 diff_wh\nparam float2 diff_texel\nparam texture diffuse_texture\n"
      "param texture temp_textureA\nparam texture temp_textureB\n";
  s += kCommon;
  s += Technique("TecMono", Pass(R"(void main() {
  vec4 c = texture(tex_r, ScreenUv(tex_r));
  vec3 grey = vec3(Luma(c.rgb));
  o_colour = vec4(mix(c.rgb, grey, clamp(fPower.rgb, 0.0, 1.0)), 1.0) * v_diffuse;
}
)",
                                 kCopy));
  s += Technique("TecMonoFill", Pass(R"(void main() {
  vec4 c = texture(tex_r, ScreenUv(tex_r));
  o_colour = vec4(vec3(Luma(c.rgb)), v_diffuse.a);
}
)"));
  s += Technique("TecBloom", Pass(R"(void main() {
  vec2 uv = diff_uv + v_uv * diff_wh;
  vec4 glow = vec4(0.0);
  for (int i = -2; i <= 2; ++i)
    for (int j = -2; j <= 2; ++j) glow += texture(temp_textureA, uv + vec2(i, j) * diff_texel * (1.0 + fShift));
  glow /= 25.0;
  o_colour = vec4(texture(diffuse_texture, uv).rgb + glow.rgb * fValue * v_diffuse.rgb, 1.0);
}
)",
                                  kCopy));
  s += Technique("TecBloom_Make", Pass(R"(void main() {
  vec2 uv = diff_uv + v_uv * diff_wh;
  vec4 c = texture(diffuse_texture, uv);
  o_colour = c;
  o_colour1 = vec4(max(c.rgb - vec3(fShift), 0.0) * fValue, 1.0);
  o_colour2 = texture(temp_textureB, uv);
}
)",
                                       kCopy));
  s += Technique("TecBloom_Blt", Pass(R"(void main() {
  vec2 uv = diff_uv + v_uv * diff_wh;
  vec2 s = u_hasTex ? src_uv + v_uv * src_wh : uv;
  vec4 c = u_hasTex ? texture(src_texture, s) : texture(temp_textureA, uv);
  o_colour = texture(diffuse_texture, uv) + c * fValue * v_diffuse;
  o_colour1 = texture(temp_textureA, uv);
  o_colour2 = c;
}
)",
                                      kCopy));
  s += Technique("TecBloom_Fill", Pass(R"(void main() {
  vec2 uv = diff_uv + v_uv * diff_wh;
  o_colour = texture(diffuse_texture, uv);
  o_colour1 = vec4(0.0, 0.0, 0.0, 1.0);
  o_colour2 = vec4(0.0, 0.0, 0.0, 1.0);
}
)",
                                       kCopy));
  return s;
}

std::string SakuraFile() {
  std::string s =
      "# Falling petals with a soft glow that builds up in the second and third targets.\n"
      "param float2 bloom_texelA\nparam float2 bloom_texelB\nparam texture targetTex0\nparam texture "
      "targetTex1\n";
  s += kCommon;
  s += Technique("TecSakuraBloom", Pass(R"(void main() {
  vec4 petal = Base();
  o_colour = petal;
  o_colour1 = vec4(petal.rgb * petal.a * 0.5, petal.a);
  o_colour2 = vec4(0.0);
}
)"));
  s += Technique("TecSakuraBloom_Update", Pass(R"(void main() {
  vec2 uv = ScreenUv(targetTex0);
  vec4 c = texture(targetTex0, uv + bloom_texelA) + texture(targetTex0, uv - bloom_texelA) +
           texture(targetTex0, uv + bloom_texelB) + texture(targetTex0, uv - bloom_texelB);
  o_colour = vec4(c.rgb * 0.25 * 0.9, 0.5) * v_diffuse;
  o_colour1 = o_colour;
  o_colour2 = texture(targetTex1, uv);
}
)",
                                               kAdd));
  s += Technique("TecSakuraBloom_Ready", Pass(R"(void main() {
  vec4 c = texture(targetTex1, ScreenUv(targetTex1));
  o_colour = vec4(c.rgb, 0.5);
}
)",
                                              kAdd));
  return s;
}

std::string FadeFile() {
  std::string s =
      "# Screen fades through a grey-level mask: 0 shows nothing, 1 covers the screen.\n"
      "param float fPower\nparam texture tex_Fade\n";
  s += kCommon;
  s += Technique("TecFade_ExFade0", Pass(R"(void main() {
  float m = texture(tex_Fade, v_uv).r;
  float a = clamp((fPower * 1.25 - m) * 4.0, 0.0, 1.0);
  o_colour = vec4(Base().rgb, a);
}
)"));
  s += Technique("TecFade_ExFade1", Pass(R"(void main() {
  float m = 1.0 - texture(tex_Fade, v_uv).r;
  float a = clamp((fPower * 1.25 - m) * 4.0, 0.0, 1.0);
  o_colour = vec4(Base().rgb, a);
}
)"));
  return s;
}

std::string NormalFile() {
  std::string s =
      "# Heat-haze distortion: the screen behind a quad seen through a normal map.\n"
      "param float fPower\nparam float2 normal_texel\nparam texture normal_texture\nparam float2 diff_texel\n"
      "param float4 diff_texel_matrix\nparam float2 diff_uv\nparam float2 diff_size\n"
      "param texture diffuse_texture\nparam texture temp_texture\n";
  s += kCommon;
  std::string body = R"(void main() {
  vec2 n = texture(normal_texture, v_uv).rg * 2.0 - 1.0;
  mat2 axes = mat2(diff_texel_matrix.xy, diff_texel_matrix.zw);
  vec2 uv = diff_uv + axes * v_uv + n * fPower * diff_texel * 8.0;
  uv = clamp(uv, vec2(0.0), diff_size);
  o_colour = vec4(texture(diffuse_texture, uv).rgb, 1.0) * v_diffuse;
}
)";
  s += Technique("TecNormal", Pass(body, kCopy));
  s += Technique("TecNormalAngle", Pass(body, kCopy));
  return s;
}

std::string NoiseFile() {
  std::string s =
      "# Screen noise: rows of the picture shifted and speckled by a noise texture.\n"
      "param float fValue\nparam float fPower\nparam float2 diff_uv\nparam float2 diff_wh\nparam float2 "
      "diff_texel\n"
      "param texture diffuse_texture\nparam texture temp_texture\nparam texture tex_Noise\n";
  s += kCommon;
  s += Technique("TecNoise", Pass(R"(void main() {
  vec2 uv = diff_uv + v_uv * diff_wh;
  float n = texture(tex_Noise, vec2(fValue, v_uv.y * 4.0 + fValue * 7.0)).r;
  uv.x += (n - 0.5) * fPower * diff_texel.x * 32.0;
  float speck = texture(tex_Noise, v_uv * 3.0 + vec2(fValue * 13.0, fValue * 5.0)).r;
  o_colour = vec4(texture(diffuse_texture, uv).rgb + (speck - 0.5) * fPower, 1.0);
}
)",
                                  std::string(kCopy) + "    sampler tex_Noise linear wrap\n"));
  return s;
}

bool WriteImage(const std::filesystem::path& root, const std::string& relative, int w, int h,
                uint32_t (*pixel)(int x, int y, int w, int h)) {
  mkdata::Canvas c(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) c.SetArgb(x, y, pixel(x, y, w, h));
  return c.Save(root, relative);
}

uint32_t Hash(uint32_t v) {
  v ^= v >> 16;
  v *= 0x7feb352dU;
  v ^= v >> 15;
  v *= 0x846ca68bU;
  v ^= v >> 16;
  return v;
}

bool WriteShaders(const std::filesystem::path& root) {
  bool ok = true;
  ok &= mkdata::WriteText(root, "Shader/sh_chara.txt", CharaFile());
  ok &= mkdata::WriteText(root, "Shader/sh_gaugedraw.txt", GaugeFile());
  ok &= mkdata::WriteText(root, "Shader/sh_blur.txt", BlurFile());
  ok &= mkdata::WriteText(root, "Shader/sh_mono.txt", MonoFile());
  ok &= mkdata::WriteText(root, "Shader/sh_bloom_sakura.txt", SakuraFile());
  ok &= mkdata::WriteText(root, "Shader/sh_fade.txt", FadeFile());
  ok &= mkdata::WriteText(root, "Shader/sh_normal.txt", NormalFile());
  ok &= mkdata::WriteText(root, "Shader/sh_noise.txt", NoiseFile());
  // Normal map: gentle ripples (red and green hold the bend).
  ok &= WriteImage(root, "grp/_NewFx/EXFADE08.png", 128, 128, [](int x, int y, int, int) -> uint32_t {
    double fx = std::sin(x * 0.19634954) * 0.5 + 0.5, fy = std::cos(y * 0.24543693) * 0.5 + 0.5;
    auto r = static_cast<uint32_t>(fx * 255.0), g = static_cast<uint32_t>(fy * 255.0);
    return 0xFF000000u | (r << 16) | (g << 8) | 0xFFu;
  });
  // Fade mask: a diagonal wipe with a soft dither.
  ok &= WriteImage(root, "grp/EXFADE.png", 256, 256, [](int x, int y, int w, int h) -> uint32_t {
    uint32_t v = static_cast<uint32_t>((x + y) * 255 / (w + h - 2));
    v = std::min<uint32_t>(255, v + (Hash(static_cast<uint32_t>(y * w + x)) & 7));
    return 0xFF000000u | (v << 16) | (v << 8) | v;
  });
  // Noise: white noise in every channel.
  ok &= WriteImage(root, "grp/_NewFx/cha_noise00.png", 128, 128, [](int x, int y, int w, int) -> uint32_t {
    uint32_t v = Hash(static_cast<uint32_t>(y * w + x) * 2654435761u) & 0xFF;
    return 0xFF000000u | (v << 16) | (v << 8) | v;
  });
  return ok;
}

}  // namespace

MKDATA_STEP("20_shaders", WriteShaders);
