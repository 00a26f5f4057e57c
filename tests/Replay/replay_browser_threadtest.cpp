// The browser's worker against the logic thread while a folder of 1000 replays fills: the cursor
// runs over the growing list, folders are entered and left, files vanish and are chosen (greyed),
// entries are chosen by name, and the browser is closed at different points of the fill. Run
// under ThreadSanitizer this shows that the list, the textures and the icon records are shared
// only through the published count, the mutex and the stop handshake; every close ends, and
// every texture the browser made is freed.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/gfx_test_env.h"
#include "Replay/replay_browser.h"
#include "app/lib_debug.h"
#include "battle/chara_list.h"
#include "platform/glyph/glyph_source.h"
#include "platform/path_translate.h"
#include "support/test_util.h"

namespace {

namespace fs = std::filesystem;

void WriteReplay(const std::string& disk, uint32_t c1, uint32_t c2) {
  CReplayFile f;
  f.header.players[0].character = c1;
  f.header.players[1].character = c2;
  const auto bytes = f.Serialise();
  vt::test::WriteFile(disk, std::string(bytes.begin(), bytes.end()));
}

class ReplayBrowserThreads : public vt::test::RecordingGfx {
 protected:
  void SetUp() override {
    RecordingGfx::SetUp();
    vt::glyph::SetGlyphSource(&glyphs_);
    vt::SetDebugQuiet(true);
    LoadCharaSelectList(vt::test::ReadFile(fs::path(VT_SAMPLE_DIR) / "charaselect.txt"));
    fs::create_directories("grp");
    fs::copy(fs::path(VT_SAMPLE_DIR) / "grp" / "replay", "grp/replay", fs::copy_options::recursive);
    fs::create_directories("ReplayVS/a_sub/deeper");
    for (int i = 0; i < 1000; ++i) {
      char name[48];
      std::snprintf(name, sizeof name, "ReplayVS/r%04d.rep", i);
      WriteReplay(name, static_cast<uint32_t>(i % 3), static_cast<uint32_t>((i + 1) % 3));
    }
    for (int i = 0; i < 20; ++i) WriteReplay("ReplayVS/a_sub/s" + std::to_string(i) + ".rep", 1, 0);
  }
  void TearDown() override {
    FreeCharaSelectList();
    vt::SetDebugQuiet(false);
    vt::glyph::SetGlyphSource(nullptr);
    vt::platform::ClearPathCache();
    RecordingGfx::TearDown();
  }
  static std::unique_ptr<CReplayFilerLayer> Open() {
    auto b = std::make_unique<CReplayFilerLayer>();
    b->layer = 10;
    b->folder = ".\\ReplayVS";
    b->state = CReplayFilerLayer::kOpenRequested;
    b->Open();
    return b;
  }
  static void Frame(CReplayFilerLayer& b, int dir, int button) {
    b.inputDirection = dir;
    b.inputButton = button;
    if (b.state == CReplayFilerLayer::kBrowsing) b.Update();
    if (b.state == CReplayFilerLayer::kChosen) b.state = CReplayFilerLayer::kBrowsing;
    b.Draw();
    RenderMain();
    ResetDrawList(&g_MainDrawList);
  }

  vt::glyph::FakeGlyphSource glyphs_{{16, 4, 20}, {}};
};

TEST_F(ReplayBrowserThreads, RapidFolderChangesDeletesAndClosesWhileAThousandFilesFill) {
  const int textures = g_TextureCount.load();
  // Closed after 0, 3, 40 and 400 frames: before the first scan, during it, early and late in
  // the fill.
  for (int closeAfter : {0, 3, 40, 400}) {
    auto b = Open();
    for (int f = 0; f < closeAfter; ++f) {
      static const int kDirs[] = {2, 2, 6, 8, 4, 0, 2, 6, 6, 8};
      int button = 0;
      if (f % 37 == 5) button = 1;  // into "a_sub" (row 0), or choosing a file
      if (f % 53 == 20 && b->Depth() > 0) {
        b->SelectByName("..");
        button = 1;
      }
      if (f % 29 == 11) {
        // A file vanishes under the cursor and is chosen: it greys on the logic thread while the
        // worker may be rendering its name.
        if (const ReplayFileEntry* e = b->CursorEntry(); e && !e->isFolder)
          fs::remove(vt::platform::ResolveGamePath(e->path));
        button = 1;
      }
      if (f % 41 == 17) b->SelectByName("r0500.rep");
      Frame(*b, kDirs[f % 10], button);
      std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
    b->Close();
    EXPECT_EQ(b->ShownCount(), 0);
  }
  EXPECT_EQ(g_TextureCount.load(), textures);
}

TEST_F(ReplayBrowserThreads, TheWholeFolderFillsWhileTheCursorRuns) {
  const int textures = g_TextureCount.load();
  auto b = Open();
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  int f = 0;
  while (!b->FillDone() && std::chrono::steady_clock::now() < end) {
    Frame(*b, f % 50 < 25 ? 2 : 8, 0);
    ++f;
  }
  ASSERT_TRUE(b->FillDone());
  EXPECT_EQ(b->ShownCount(), 998);  // the folder and 997 replays: 1000 results with "." and ".."
  b->Close();
  EXPECT_EQ(g_TextureCount.load(), textures);
}

}  // namespace
