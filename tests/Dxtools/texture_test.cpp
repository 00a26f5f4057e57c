// Textures on the recording device: allocated sizes, image loading and lookup order, alpha masks,
// the NOTAVAILABLE retry, reference counts and the default-pool register across threads.
#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "Dxtools/D3D_Tools/d3d_files.h"
#include "FilePacFunc/FilePac.h"
#include "FilePacFunc/FilePacWriter.h"
#include "gfx_test_env.h"
#include "platform/image.h"
#include "support/test_util.h"

namespace vt::test {
namespace {

using namespace vt::gfx;

// Writes an image file of a solid colour with one of our writers.
void WriteImage(const std::string& path, vt::image::FileFormat format, int w, int h, uint32_t argb) {
  std::vector<uint8_t> bgra(static_cast<size_t>(w) * h * 4);
  for (size_t i = 0; i < bgra.size(); i += 4)
    for (int c = 0; c < 4; ++c) bgra[i + c] = static_cast<uint8_t>(argb >> (8 * c));
  std::filesystem::path p(path);
  if (p.has_parent_path()) std::filesystem::create_directories(p.parent_path());
  ASSERT_TRUE(vt::image::SaveImage(path, format, bgra.data(), w, h));
}

class TextureTest : public RecordingGfx {
 protected:
  void TearDown() override {
    SetGfxPackAccess({});
    RecordingGfx::TearDown();
  }
};

TEST_F(TextureTest, AllocatedSizesArePowersOfTwoFromSixteen) {
  struct Case {
    int w, h;
    uint32_t allocW, allocH;
  };
  const Case cases[] = {
      {100, 20, 128, 32}, {8, 8, 16, 16}, {16, 17, 16, 32}, {1280, 720, 2048, 1024}, {1, 300, 16, 512}};
  using Creator = TextureHandle* (*)(int32_t, int32_t, uint32_t);
  const Creator creators[] = {CreateTexture, CreateRenderTargetTexture, CreateSystemMemTexture};
  for (Creator make : creators) {
    for (const Case& c : cases) {
      TextureHandle* t = make(c.w, c.h, 0);
      ASSERT_NE(t, nullptr);
      EXPECT_EQ(t->dx->desc.Width, c.allocW);
      EXPECT_EQ(t->dx->desc.Height, c.allocH);
      EXPECT_EQ(t->dx->usedWidth, c.w);
      EXPECT_EQ(t->dx->usedHeight, c.h);
      EXPECT_FLOAT_EQ(t->dx->invWidth, 1.0f / static_cast<float>(c.allocW));
      EXPECT_EQ(t->dx->desc.format, FMT_A8R8G8B8);
      FreeTexture(t);
    }
  }
}

TEST_F(TextureTest, CountAndRegisterFollowCreationAndFreeing) {
  int count = g_TextureCount.load();
  size_t registered = DefaultPoolTextureCount();
  TextureHandle* m = CreateTexture(8, 8, 0);
  TextureHandle* r = CreateRenderTargetTexture(8, 8, 0);
  EXPECT_EQ(g_TextureCount.load(), count + 2);
  EXPECT_EQ(DefaultPoolTextureCount(), registered + 1);
  FreeTexture(r);
  FreeTexture(m);
  FreeTexture(nullptr);
  EXPECT_EQ(g_TextureCount.load(), count);
  EXPECT_EQ(DefaultPoolTextureCount(), registered);
}

TEST_F(TextureTest, NotAvailableIsWaitedOutOtherFailuresAreNot) {
  g_D3DDevice->FailNextTextureCreations(5, kErrNotAvailable);
  TextureHandle* t = CreateTexture(32, 32, 0);
  EXPECT_NE(t, nullptr);
  FreeTexture(t);
  g_D3DDevice->FailNextTextureCreations(1, kErrOutOfVideoMemory);
  EXPECT_EQ(CreateTexture(32, 32, 0), nullptr);
  EXPECT_NE((t = CreateTexture(32, 32, 0)), nullptr);
  FreeTexture(t);
  // The thousand-and-second failure gives up.
  g_D3DDevice->FailNextTextureCreations(1002, kErrNotAvailable);
  EXPECT_EQ(CreateTexture(32, 32, 0), nullptr);
  EXPECT_NE((t = CreateTexture(32, 32, 0)), nullptr);
  FreeTexture(t);
}

TEST_F(TextureTest, LoadedImageKeepsItsSizeAsUsedSize) {
  WriteImage("grp/pic.png", vt::image::kFilePng, 300, 200, 0xFF336699u);
  TextureHandle* t = LoadTexture(".\\grp\\pic");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->dx->usedWidth, 300);
  EXPECT_EQ(t->dx->usedHeight, 200);
  EXPECT_EQ(t->dx->desc.Width, 512u);
  EXPECT_EQ(t->dx->desc.Height, 256u);
  const auto* px = static_cast<const uint32_t*>(LockTexture(t->dx, nullptr));
  EXPECT_EQ(px[0] & 0xFFFFFF, 0x336699u);
  UnlockTexture(t->dx);
  FreeTexture(t);
}

TEST_F(TextureTest, LookupOrderDdsPngBmpAndPackBeforeDisk) {
  // Sizes tell the files apart: dds 16, png 32, bmp 48 wide; pack members 64 wide.
  struct Case {
    const char* name;
    std::vector<std::string> disk;
    std::vector<std::string> pack;
    int expectWidth;
  };
  const Case cases[] = {
      {"all three", {"dds", "png", "bmp"}, {}, 16},
      {"png and bmp", {"png", "bmp"}, {}, 32},
      {"bmp only", {"bmp"}, {}, 48},
      {"none", {}, {}, 0},
      {"pack png over disk png", {"png"}, {"png"}, 64},
      {"disk dds over pack png", {"dds"}, {"png"}, 16},
  };
  const std::map<std::string, std::pair<vt::image::FileFormat, int>> kinds = {
      {"dds", {vt::image::kFileDds, 16}},
      {"png", {vt::image::kFilePng, 32}},
      {"bmp", {vt::image::kFileBmp, 48}}};
  int n = 0;
  for (const Case& c : cases) {
    std::string base = "grp/look" + std::to_string(n++);
    for (const auto& ext : c.disk)
      WriteImage(base + "." + ext, kinds.at(ext).first, kinds.at(ext).second, 8, ~0u);
    std::vector<PackWriterMember> members;
    for (const auto& ext : c.pack) {
      WriteImage("packsrc." + ext, kinds.at(ext).first, 64, 8, ~0u);
      std::string game = ".\\" + base + "." + ext;
      for (char& ch : game)
        if (ch == '/') ch = '\\';
      std::string bytes = ReadFile("packsrc." + ext);
      members.push_back(PackWriterMember{game, std::vector<uint8_t>(bytes.begin(), bytes.end())});
    }
    GetPackList().Clear();
    if (!members.empty()) {
      std::string pack = "case" + std::to_string(n) + ".p";
      ASSERT_TRUE(WritePackFile(pack, members, PackWriterOptions{}));
      ASSERT_EQ(MountPack(pack), 1);
    }
    std::string gameBase = ".\\" + base;
    for (char& ch : gameBase)
      if (ch == '/') ch = '\\';
    TextureHandle* t = LoadTexture(gameBase.c_str());
    if (c.expectWidth == 0) {
      EXPECT_EQ(t, nullptr) << c.name;
    } else {
      ASSERT_NE(t, nullptr) << c.name;
      EXPECT_EQ(t->dx->usedWidth, c.expectWidth) << c.name;
    }
    FreeTexture(t);
  }
  GetPackList().Clear();
}

TEST_F(TextureTest, MaskBlueBecomesAlphaOverTheMaskOnly) {
  WriteImage("grp/img.bmp", vt::image::kFileBmp, 32, 32, 0xFFFFFFFFu);
  WriteImage("grp/mask.bmp", vt::image::kFileBmp, 16, 16, 0xFFFFFF00u);  // blue 0
  TextureHandle* t = LoadTextureWithAlpha(".\\grp\\img.bmp", ".\\grp\\mask.bmp");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->dx->desc.format, FMT_A8R8G8B8);
  const auto* px = static_cast<const uint32_t*>(LockTexture(t->dx, nullptr));
  int pitch = GetTexturePitch(t) / 4;
  EXPECT_EQ(px[0] >> 24, 0u);
  EXPECT_EQ(px[15 * pitch + 15] >> 24, 0u);
  EXPECT_EQ(px[15 * pitch + 16] >> 24, 255u);
  EXPECT_EQ(px[16 * pitch] >> 24, 255u);
  UnlockTexture(t->dx);
  FreeTexture(t);
  // A mask alone gives a transparent black texture of its size with its alpha.
  t = LoadTextureWithAlpha(nullptr, ".\\grp\\mask.bmp");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->dx->usedWidth, 16);
  FreeTexture(t);
  EXPECT_EQ(LoadTextureWithAlpha(".\\grp\\none.bmp", ".\\grp\\none2.bmp"), nullptr);
}

TEST_F(TextureTest, SizeZeroImagesAreOnlyTrustedWithinTheirBuffer) {
  WriteImage("grp/img.bmp", vt::image::kFileBmp, 8, 8, ~0u);
  std::string bmp = ReadFile("grp/img.bmp");
  // A header that claims more bytes than the file holds is refused.
  std::string lying = bmp;
  uint32_t big = static_cast<uint32_t>(bmp.size()) + 100000;
  std::memcpy(lying.data() + 2, &big, 4);
  WriteFile("grp/lying.bmp", lying);
  EXPECT_EQ(LoadTextureWithAlpha(".\\grp\\lying.bmp", nullptr), nullptr);
  TextureHandle* ok = LoadTextureWithAlpha(".\\grp\\img.bmp", nullptr);
  EXPECT_NE(ok, nullptr);
  FreeTexture(ok);
  // Through the memory call, size 0 without a known length is refused, and so is a non-bitmap.
  EXPECT_EQ(CreateTextureFromMemory(bmp.data(), 0, nullptr, 0, 0), nullptr);
  const char png[] = "\x89PNG....";
  EXPECT_EQ(CreateTextureFromMemory(png, 0, nullptr, 0, 0), nullptr);
  TextureHandle* t = CreateTextureFromMemory(bmp.data(), static_cast<uint32_t>(bmp.size()), nullptr, 0, 0);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->dx->usedWidth, 8);
  FreeTexture(t);
  // Neither image nor mask: the 2 x 2 placeholder.
  t = CreateTextureFromMemory(nullptr, 0, nullptr, 0, 0);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->dx->usedWidth, 2);
  FreeTexture(t);
}

TEST_F(TextureTest, LockingBlockTexturesUsesBlockRows) {
  TextureHandle* t = CreateTexture(64, 64, FMT_DXT5);
  ASSERT_NE(t, nullptr);
  ASSERT_NE(LockTexture(t->dx, nullptr), nullptr);
  EXPECT_EQ(GetTexturePitch(t), 16 * 16);
  // A second lock returns the same bits at once.
  EXPECT_EQ(LockTexture(t->dx, nullptr), t->dx->lockBits);
  UnlockTexture(t->dx);
  EXPECT_EQ(GetTexturePitch(t), 0);
  FreeTexture(t);
  // Render targets cannot be locked.
  TextureHandle* rt = CreateRenderTargetTexture(16, 16, 0);
  EXPECT_EQ(LockTexture(rt->dx, nullptr), nullptr);
  FreeTexture(rt);
}

}  // namespace
}  // namespace vt::test

namespace vt::test {
namespace {

TEST_F(TextureTest, MountedPackMemberIsFoundBeforeTheDisk) {
  WriteImage("src.png", vt::image::kFilePng, 24, 8, ~0u);
  std::string png = ReadFile("src.png");
  PackWriterMember member{".\\grp\\packed.png", std::vector<uint8_t>(png.begin(), png.end())};
  ASSERT_TRUE(WritePackFile("test.p", std::span<const PackWriterMember>(&member, 1), PackWriterOptions{}));
  WriteImage("grp/packed.png", vt::image::kFilePng, 40, 8, ~0u);
  ASSERT_EQ(MountPack("test.p"), 1);
  TextureHandle* t = LoadTexture(".\\grp\\packed");
  GetPackList().Clear();
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->dx->usedWidth, 24);
  FreeTexture(t);
}

}  // namespace
}  // namespace vt::test
