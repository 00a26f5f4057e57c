// Effects on the recording device: the effect file format, slots and file selection, tags per
// frame, parameter values the helpers pass, shadow copies of bound targets, and the tag limit.
#include <gtest/gtest.h>

#include <filesystem>

#include "Dxtools/D3D_Tools/d3d_files.h"
#include "gfx_test_env.h"
#include "support/test_util.h"

namespace vt::test {
namespace {

using namespace vt::gfx;

TEST(EffectFormat, RefusesDamagedFiles) {
  const std::string pass = "pass\nglsl\nvoid main() { o_colour = vec4(1.0); }\nendglsl\nendpass\n";
  struct Case {
    const char* name;
    std::string text;
    bool ok;
  };
  const Case cases[] = {
      {"minimal", "technique T\n" + pass + "endtechnique\n", true},
      {"params and states",
       "param float4 p\nparam texture t\ntechnique T\npass\nblend add one zero\nsampler t point "
       "wrap\nglsl\nvoid main(){}\nendglsl\nendpass\nendtechnique\n",
       true},
      {"empty", "", false},
      {"unknown type", "param half h\ntechnique T\n" + pass + "endtechnique\n", false},
      {"parameter twice", "param float a\nparam float a\ntechnique T\n" + pass + "endtechnique\n", false},
      {"sampler of a value",
       "param float a\ntechnique T\npass\nsampler a point clamp\nglsl\nvoid "
       "main(){}\nendglsl\nendpass\nendtechnique\n",
       false},
      {"technique without passes", "technique T\nendtechnique\n", false},
      {"unclosed glsl", "technique T\npass\nglsl\nvoid main(){}\n", false},
      {"pass without program", "technique T\npass\nendpass\nendtechnique\n", false},
      {"bad blend", "technique T\npass\nblend add one\nglsl\nvoid main(){}\nendglsl\nendpass\nendtechnique\n",
       false},
  };
  for (const Case& c : cases) {
    std::string error;
    auto e = Effect::Create(c.text, &error);
    EXPECT_EQ(e != nullptr, c.ok) << c.name << ": " << error;
  }
}

class EffectTest : public RecordingGfx {
 protected:
  void SetUp() override {
    RecordingGfx::SetUp();
    for (const char* folder : {"Shader", "grp"})
      std::filesystem::copy(std::filesystem::path(VT_SAMPLE_DIR) / folder, folder,
                            std::filesystem::copy_options::recursive);
    ASSERT_EQ(CreateFrameRenderTargets(), 1);
  }
  void TearDown() override {
    FreeShaderEffects();
    SetGfxPackAccess({});
    RecordingGfx::TearDown();
  }
  static const DeviceRecord* DrawWith(const std::string& label) {
    for (const DeviceRecord* d : Draws())
      if (d->program == label) return d;
    return nullptr;
  }
  static const ProgramUniform* Uniform(const DeviceRecord* d, const std::string& name) {
    for (const auto& u : d->uniforms)
      if (u.name == name) return &u;
    return nullptr;
  }
};

TEST_F(EffectTest, AllNineteenSlotsLoadFromTheSampleFiles) {
  LoadShaderEffects();
  ASSERT_GE(g_EffectSlots.size(), 20u);
  for (int i = 1; i <= 19; ++i) EXPECT_NE(g_EffectSlots[i]->technique, 0u) << i;
  EXPECT_NE(g_ExFade08Texture, nullptr);
  EXPECT_NE(g_ExFadeTexture, nullptr);
  EXPECT_NE(g_NoiseTexture, nullptr);
  EXPECT_EQ(FindEffectSlot("TecNoise"), 19);
  EXPECT_EQ(FindEffectSlot("tecnoise"), 0);
  EXPECT_EQ(FindEffectSlot(nullptr), 0);
}

TEST_F(EffectTest, EffectFileExtensionFollowsTheCharacterFile) {
  EXPECT_EQ(ShaderFileName("sh_mono"), ".\\Shader\\sh_mono.txt");
  std::filesystem::remove("Shader/sh_chara.txt");
  EXPECT_EQ(ShaderFileName("sh_mono"), ".\\Shader\\sh_mono.cfx");
  // The probe also finds the file in a mounted pack.
  SetGfxPackAccess({[](const std::string& p) { return p == ".\\Shader\\sh_chara.txt"; }, nullptr});
  EXPECT_EQ(ShaderFileName("sh_mono"), ".\\Shader\\sh_mono.txt");
  SetGfxPackAccess({});
  // Without the probe the ".cfx" names are missing: those slots stay empty, the sakura file loads.
  LoadShaderEffects();
  EXPECT_EQ(g_EffectSlots[13]->technique, 0u);
  EXPECT_EQ(CreateEffectTag(13), nullptr);
  EXPECT_NE(g_EffectSlots[10]->technique, 0u);
  EXPECT_EQ(DrawMonoScreen(nullptr, nullptr, 0, 0, 0, 0, 0, 0, 0, 0, ~0u, 0, 1.0f), 0);
}

TEST_F(EffectTest, ATechniqueAlreadyLoadedIsSharedNotReadAgain) {
  int reads = 0;
  SetGfxPackAccess({[](const std::string& p) { return p.find("Shader") != std::string::npos; },
                    [&reads](const std::string& p, std::vector<uint8_t>* out) {
                      ++reads;
                      std::string disk = GfxDiskPath(p);
                      std::string bytes = ReadFile(disk);
                      out->assign(bytes.begin(), bytes.end());
                      return !bytes.empty();
                    }});
  LoadEffect(".\\Shader\\sh_mono.txt", 13, "TecMono");
  EXPECT_EQ(reads, 1);
  LoadEffect(".\\Shader\\sh_mono.txt", 20, "TecMono");
  EXPECT_EQ(reads, 1);
  EXPECT_EQ(g_EffectSlots[20]->effect, g_EffectSlots[13]->effect);
  LoadEffect(".\\Shader\\sh_mono.txt", 14, "TecMonoFill");
  EXPECT_EQ(reads, 2);
  // A broken file leaves its slot without technique.
  WriteFile("Shader/broken.txt", "technique X\n");
  LoadEffect(".\\Shader\\broken.txt", 21, "X");
  EXPECT_EQ(g_EffectSlots[21]->technique, 0u);
  EXPECT_EQ(CreateEffectTag(21), nullptr);
}

TEST_F(EffectTest, TagIndicesRestartEveryFrame) {
  LoadShaderEffects();
  EXPECT_EQ(UseEffect("NoSuchTechnique"), nullptr);
  EXPECT_EQ(g_CurrentEffectTag, 0);
  for (int frame = 0; frame < 2; ++frame) {
    ASSERT_NE(UseEffect("TecMono"), nullptr);
    EXPECT_EQ(g_CurrentEffectTag, 1);
    ASSERT_NE(UseEffect("TecNoise"), nullptr);
    EXPECT_EQ(g_CurrentEffectTag, 2);
    SetCurrentEffectTag(nullptr);
    EXPECT_EQ(g_CurrentEffectTag, 0);
    ReleaseEffectTags();
  }
}

TEST_F(EffectTest, UntaggedSpriteNeverSharesABatchWithTaggedOnes) {
  LoadShaderEffects();
  UseEffect("TecCharaDraw");
  DrawRect(nullptr, 0, 0, 4, 4, ~0u, ~0u, ~0u, ~0u, 50);
  SetCurrentEffectTag(nullptr);
  DrawRect(nullptr, 8, 0, 4, 4, ~0u, ~0u, ~0u, ~0u, 50);
  RenderMain();
  auto draws = Draws();
  ASSERT_EQ(draws.size(), 2u);
  EXPECT_EQ(draws[0]->program, "");  // queued last, drawn first
  EXPECT_EQ(draws[1]->program, "TecCharaDraw/0");
  ReleaseEffectTags();
}

TEST_F(EffectTest, RectangleParametersOnA2048By1024Target) {
  LoadShaderEffects();
  ASSERT_EQ(HandleTexture(g_SceneTargets[0])->Width(), 2048u);
  NoiseEffect n{64, 32, 128, 64, 0.5f, -3.0f, nullptr, 900};
  ASSERT_EQ(DrawNoiseEffect(n), 1);
  PointBlur b{0, 0, 640, 480, 320.0f, 240.0f, 0.1f, 1.0f, 0.25f, nullptr, 901};
  ASSERT_EQ(DrawPointBlur(b), 1);
  DrawMonoScreen(nullptr, nullptr, 0, 0, 0, 0, 0, 0, 0, 0, ~0u, 0, -2.0f);
  RenderMain();
  const DeviceRecord* noise = DrawWith("TecNoise/0");
  ASSERT_NE(noise, nullptr);
  struct Expect {
    const char* name;
    float x, y;
  };
  const Expect noiseValues[] = {
      {"diff_uv", 64.0f / 2048 + 0.5f / 2048, 32.0f / 1024 + 0.5f / 1024},
      {"diff_wh", 128.0f / 2048 - 0.5f / 2048, 64.0f / 1024 - 0.5f / 1024},
      {"diff_texel", 1.0f / 2048, 1.0f / 1024},
      {"fValue", 0.0f, 0.0f},  // clamped below at 0
      {"fPower", 0.5f, 0.0f},
  };
  for (const Expect& e : noiseValues) {
    const ProgramUniform* u = Uniform(noise, e.name);
    ASSERT_NE(u, nullptr) << e.name;
    EXPECT_FLOAT_EQ(u->value[0], e.x) << e.name;
    EXPECT_FLOAT_EQ(u->value[1], e.y) << e.name;
  }
  const DeviceRecord* blur = DrawWith("BgPointBlur/0");
  ASSERT_NE(blur, nullptr);
  EXPECT_FLOAT_EQ(Uniform(blur, "diff_centeruv")->value[0], 320.0f / 2048);  // no half-texel offset
  EXPECT_FLOAT_EQ(Uniform(blur, "diff_centeruv")->value[1], 240.0f / 1024);
  EXPECT_FLOAT_EQ(Uniform(blur, "fColorHosei")->value[0], 0.25f);
  const DeviceRecord* mono = DrawWith("TecMono/0");
  ASSERT_NE(mono, nullptr);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(Uniform(mono, "fPower")->value[i], 0.0f);
  ReleaseEffectTags();
}

TEST_F(EffectTest, EffectsReadingBoundTargetsReadShadowCopies) {
  LoadShaderEffects();
  BindSceneRenderTargets();
  DrawMonoScreen(nullptr, nullptr, 0, 0, 0, 0, 0, 0, 0, 0, ~0u, 0, 1.0f);
  RenderMain();
  const DeviceRecord* mono = DrawWith("TecMono/0");
  ASSERT_NE(mono, nullptr);
  uint64_t target0 = HandleTexture(g_SceneTargets[0])->Serial();
  EXPECT_EQ(mono->targetSerial[0], target0);
  uint64_t sampled = 0;
  for (const auto& [name, serial] : mono->samplers)
    if (name == "tex_r") sampled = serial;
  EXPECT_NE(sampled, 0u);
  EXPECT_NE(sampled, target0);
  bool copied = false;
  for (const auto& r : g_D3DDevice->Records())
    if (r.kind == DeviceRecord::kCopy && r.textureSerial == target0 && r.targetSerial[0] == sampled)
      copied = true;
  EXPECT_TRUE(copied);
  RestoreBackBufferTargets();
  ReleaseEffectTags();
}

TEST_F(EffectTest, TagsBeyondSixteenBitsAreRefused) {
  LoadShaderEffects();
  int slot = FindEffectSlot("TecMono");
  for (int i = 1; i <= 65535; ++i) ASSERT_EQ(SetCurrentEffectTag(CreateEffectTag(slot)), i);
  EXPECT_EQ(SetCurrentEffectTag(CreateEffectTag(slot)), 0);
  EXPECT_EQ(g_CurrentEffectTag, 0);
  DrawRect(nullptr, 0, 0, 1, 1, 0, 0, 0, 0, 1);
  RenderMain();
  ASSERT_EQ(Draws().size(), 1u);
  EXPECT_EQ(Draws()[0]->program, "");
  ReleaseEffectTags();
}

}  // namespace
}  // namespace vt::test

namespace vt::test {
namespace {

TEST_F(EffectTest, PassesRunInOrderAndEndRestoresTheBlendState) {
  WriteFile("Shader/two.txt",
            "param float fValue\n"
            "technique Two\n"
            "pass\nblend add one one\nglsl\nvoid main() { o_colour = vec4(fValue); }\nendglsl\nendpass\n"
            "pass\nblend revsub srcalpha one add zero zero\nglsl\nvoid main() { o_colour = vec4(1.0); "
            "}\nendglsl\nendpass\n"
            "endtechnique\n");
  LoadEffect(".\\Shader\\two.txt", 30, "Two");
  CDxEffTag* tag = CreateEffectTag(30);
  ASSERT_NE(tag, nullptr);
  tag->AddFloat("fValue", 0.25f);
  tag->AddFloat("noSuchParameter", 1.0f);  // dropped
  EXPECT_EQ(tag->Params().size(), 1u);
  SetCurrentEffectTag(tag);
  DrawRect(nullptr, 0, 0, 4, 4, ~0u, ~0u, ~0u, ~0u, 20);
  SetCurrentEffectTag(nullptr);
  g_DrawBlendMode = 2;
  DrawRect(nullptr, 0, 0, 4, 4, ~0u, ~0u, ~0u, ~0u, 21);
  g_DrawBlendMode = 1;
  RenderMain();
  auto draws = Draws();
  ASSERT_EQ(draws.size(), 3u);
  EXPECT_EQ(draws[0]->program, "Two/0");
  EXPECT_EQ(draws[0]->blend.src, BLEND_ONE);
  EXPECT_FLOAT_EQ(Uniform(draws[0], "fValue")->value[0], 0.25f);
  EXPECT_EQ(draws[1]->program, "Two/1");
  EXPECT_EQ(draws[1]->blend.op, BLENDOP_REVSUBTRACT);
  // After End the fixed pipeline is back with the next batch's own blend mode.
  EXPECT_EQ(draws[2]->program, "");
  BlendState additive;
  ASSERT_TRUE(BlendModeState(2, &additive));
  EXPECT_EQ(draws[2]->blend, additive);
  EXPECT_EQ(g_D3DDevice->GetPixelProgram(), nullptr);
  ReleaseEffectTags();
}

TEST_F(EffectTest, TextureParametersKeepTheirTexturesAliveUntilTheTagGoes) {
  LoadShaderEffects();
  TextureHandle* t = SolidTexture(16, 16, ~0u);
  Texture* raw = HandleTexture(t);
  raw->AddRef();
  CDxEffTag* tag = UseEffect("TecFade_ExFade0");
  ASSERT_NE(tag, nullptr);
  tag->AddTexture("tex_Fade", raw);
  SetCurrentEffectTag(nullptr);
  FreeTexture(t);
  EXPECT_EQ(raw->RefCount(), 2u);  // the test and the parameter
  ReleaseEffectTags();
  EXPECT_EQ(raw->RefCount(), 1u);
  raw->Release();
}

}  // namespace
}  // namespace vt::test
