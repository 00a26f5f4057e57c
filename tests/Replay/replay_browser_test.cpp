// The replay browser on generated folders: what is listed and in which order, the 1000-item cap,
// the cursor and its window, folders (entering, leaving, links and depth), the folder line of a
// missing or empty folder, a file deleted after listing, choosing by name, and the preview texts.
#include "Replay/replay_browser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "Dxtools/gfx_test_env.h"
#include "app/lib_debug.h"
#include "battle/chara_list.h"
#include "platform/glyph/glyph_source.h"
#include "platform/path_translate.h"
#include "support/test_util.h"

namespace {

namespace fs = std::filesystem;

// "一つ上のフォルダへ" and "不明なキャラクター" in Shift-JIS.
const std::string kUpText = "\x88\xEA\x82\xC2\x8F\xE3\x82\xCC\x83t\x83H\x83\x8B\x83_\x82\xD6";
const std::string kUnknown = "\x95s\x96\xBE\x82\xC8\x83L\x83\x83\x83\x89\x83N\x83^\x81[";

ReplayFileHeader Header(uint32_t c1, uint32_t c2) {
  ReplayFileHeader h;
  h.Init();
  h.players[0].character = c1;
  h.players[1].character = c2;
  h.roundsToWin = 2;
  h.damageLevel = 2;
  h.timerSpeed = 2;
  h.date[0] = 2026;
  h.date[1] = 12;
  h.date[2] = 11;
  h.date[3] = 9;
  h.date[4] = 5;
  h.date[5] = 7;
  return h;
}

void WriteReplay(const std::string& disk, const ReplayFileHeader& h) {
  CReplayFile f;
  f.header = h;
  const auto bytes = f.Serialise();
  vt::test::WriteFile(disk, std::string(bytes.begin(), bytes.end()));
}

void WriteOtherVersion(const std::string& disk) {
  CReplayFile f;
  auto bytes = f.Serialise();
  bytes[16] ^= 1;
  vt::test::WriteFile(disk, std::string(bytes.begin(), bytes.end()));
}

class ReplayBrowser : public vt::test::RecordingGfx {
 protected:
  void SetUp() override {
    RecordingGfx::SetUp();
    vt::glyph::SetGlyphSource(&glyphs_);
    vt::SetDebugQuiet(true);
    // The sample list and one entry without a name.
    LoadCharaSelectList(vt::test::ReadFile(fs::path(VT_SAMPLE_DIR) / "charaselect.txt") +
                        "\r\n[CharaNo_052]\r\nFile1=tester\r\nFile2=0\r\n");
    fs::create_directories("ReplayVS");
  }
  void TearDown() override {
    browser_.reset();
    FreeCharaSelectList();
    vt::SetDebugQuiet(false);
    vt::glyph::SetGlyphSource(nullptr);
    vt::platform::ClearPathCache();
    RecordingGfx::TearDown();
  }

  CReplayFilerLayer& Open(const std::string& folder = ".\\ReplayVS") {
    browser_ = std::make_unique<CReplayFilerLayer>();
    browser_->layer = 10;
    browser_->folder = folder;
    browser_->state = CReplayFilerLayer::kOpenRequested;
    browser_->Open();
    Settle();
    return *browser_;
  }
  // Frames (update, draw, render) until the list is complete and its preview made.
  void Settle() {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    do {
      Frame(0, 0);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    } while ((!browser_->FillDone() || !PreviewReady()) && std::chrono::steady_clock::now() < end);
    ASSERT_TRUE(browser_->FillDone());
  }
  bool PreviewReady() {
    if (browser_->ShownCount() == 0) return true;
    const int first = browser_->FirstVisible();
    for (int i = first; i < std::min(first + 12, browser_->ShownCount()); ++i)
      if (!browser_->HasNameTexture(i)) return false;
    return browser_->HasPreview();
  }
  void Frame(int dir, int button) {
    browser_->inputDirection = dir;
    browser_->inputButton = button;
    if (browser_->state == CReplayFilerLayer::kBrowsing) browser_->Update();
    browser_->Draw();
    RenderMain();
    ResetDrawList(&g_MainDrawList);
  }
  // Decide (or a move), then frames until the worker has the new list.
  void Press(int dir, int button) {
    Frame(dir, button);
    Settle();
  }
  std::vector<std::string> Names() {
    std::vector<std::string> out;
    for (int i = 0; i < browser_->ShownCount(); ++i) out.push_back(browser_->ShownEntry(i)->name);
    return out;
  }
  void MoveTo(int index) {
    while (browser_->Cursor() < index) Frame(2, 0);
    while (browser_->Cursor() > index) Frame(8, 0);
  }

  vt::glyph::FakeGlyphSource glyphs_{{16, 4, 20}, {}};
  std::unique_ptr<CReplayFilerLayer> browser_;
};

TEST_F(ReplayBrowser, ListsFoldersThenReplaysSortedByBytes) {
  fs::create_directories("ReplayVS/b_dir");
  fs::create_directories("ReplayVS/a_dir");
  WriteReplay("ReplayVS/X.REP", Header(0, 1));
  WriteReplay("ReplayVS/UPPER.REP", Header(0, 1));
  WriteReplay("ReplayVS/c.Rep", Header(0, 1));
  WriteReplay("ReplayVS/x.rep.bak", Header(0, 1));
  WriteReplay("ReplayVS/noext", Header(0, 1));
  WriteOtherVersion("ReplayVS/old.rep");
  vt::test::WriteFile("ReplayVS/bad.rep", std::string(120, 'Q'));
  vt::test::WriteFile("ReplayVS/short.rep", "VT");
  CReplayFilerLayer& b = Open();
  struct Row {
    const char* name;
    uint32_t folder;
    int32_t probe;
  };
  const std::vector<Row> expected = {
      {"a_dir", 1, 0}, {"b_dir", 1, 0}, {"UPPER.REP", 0, 1},
      {"X.REP", 0, 1}, {"c.Rep", 0, 1}, {"old.rep", 0, -3},
  };
  ASSERT_EQ(b.ShownCount(), static_cast<int>(expected.size())) << ::testing::PrintToString(Names());
  for (size_t i = 0; i < expected.size(); ++i) {
    const ReplayFileEntry* e = b.ShownEntry(static_cast<int>(i));
    EXPECT_EQ(e->name, expected[i].name) << i;
    EXPECT_EQ(e->isFolder, expected[i].folder) << e->name;
    EXPECT_EQ(e->probe.load(), expected[i].probe) << e->name;
    EXPECT_EQ(e->path, std::string(".\\ReplayVS\\") + expected[i].name);
  }
  EXPECT_EQ(b.scanResult, 1);
  EXPECT_EQ(b.FolderLine(), "./ReplayVS");
  // Another version cannot be chosen and says why.
  MoveTo(5);
  Frame(0, 1);
  EXPECT_EQ(b.state, CReplayFilerLayer::kBrowsing);
  Settle();
  ASSERT_FALSE(b.PreviewLines().empty());
  EXPECT_EQ(b.PreviewLines()[0],
            "\x83\x8A\x83v\x83\x8C\x83"
            "C\x83t\x83@\x83"
            "C\x83\x8B\x82\xCC\x83o\x81[\x83W\x83\x87\x83\x93\x82\xAA\x88\xE1\x82\xA2\x82\xDC\x82\xB7");
  // A playable one is chosen.
  MoveTo(3);
  Frame(0, 1);
  EXPECT_EQ(b.state, CReplayFilerLayer::kChosen);
  EXPECT_EQ(b.CursorEntry()->name, "X.REP");
}

TEST_F(ReplayBrowser, ThousandListingResultsAtMostWithDotAndDotDotCounted) {
  const ReplayFileHeader h = Header(0, 1);
  for (int i = 0; i < 1005; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "ReplayVS/r%04d.rep", i);
    WriteReplay(name, h);
  }
  CReplayFilerLayer& b = Open();
  // "." and ".." take two of the 1000 results even where they are not listed.
  ASSERT_EQ(b.ShownCount(), 998);
  EXPECT_EQ(b.ShownEntry(0)->name, "r0000.rep");
  EXPECT_EQ(b.ShownEntry(997)->name, "r0997.rep");
}

TEST_F(ReplayBrowser, CursorMovesClampAndTheWindowFollows) {
  struct Case {
    int entries;
    int from;
    std::vector<int> dirs;
    int cursor;
    int firstVisible;
  };
  const std::vector<Case> cases = {
      {5, 0, {6}, 4, 0},               // a page down on five entries: the last
      {5, 3, {4}, 0, 0},               // a page up from row 3: the first
      {5, 0, {8}, 0, 0},               // no wrap at the top
      {5, 4, {2}, 4, 0},               // nor at the bottom
      {30, 0, {6, 2}, 13, 2},          // below the window: it ends at the cursor
      {30, 0, {6, 6, 6}, 29, 18},      // the last page
      {30, 0, {6, 6, 6, 4, 4}, 5, 5},  // above the window: it starts at the cursor
  };
  for (const Case& c : cases) {
    fs::remove_all("ReplayVS");
    fs::create_directories("ReplayVS");
    for (int i = 0; i < c.entries; ++i)
      WriteReplay("ReplayVS/r" + std::to_string(100 + i) + ".rep", Header(0, 1));
    CReplayFilerLayer& b = Open();
    ASSERT_EQ(b.ShownCount(), c.entries);
    MoveTo(c.from);
    for (int d : c.dirs) Frame(d, 0);
    EXPECT_EQ(b.Cursor(), c.cursor) << c.entries << " from " << c.from;
    EXPECT_EQ(b.FirstVisible(), c.firstVisible) << c.entries << " from " << c.from;
    // Only the rows in the window keep their names.
    Settle();
    for (int i = 0; i < b.ShownCount(); ++i)
      EXPECT_EQ(b.HasNameTexture(i), i >= b.FirstVisible() && i < b.FirstVisible() + 12) << i;
  }
}

TEST_F(ReplayBrowser, FoldersAreEnteredAndLeftWithTheirCursors) {
  fs::create_directories("ReplayVS/a/deeper");
  fs::create_directories("ReplayVS/b");
  WriteReplay("ReplayVS/b/in_b.rep", Header(0, 1));
  WriteReplay("ReplayVS/top.rep", Header(0, 1));
  CReplayFilerLayer& b = Open();
  ASSERT_EQ(Names(), (std::vector<std::string>{"a", "b", "top.rep"}));
  MoveTo(1);
  Press(0, 1);
  EXPECT_EQ(b.Depth(), 1);
  EXPECT_EQ(b.Folder(), ".\\ReplayVS\\b");
  EXPECT_EQ(b.FolderLine(), "./ReplayVS/b");
  EXPECT_EQ(Names(), (std::vector<std::string>{"..", "in_b.rep"}));
  EXPECT_EQ(b.Cursor(), 0);
  // ".." below the opening folder goes back up, to the row it left.
  Press(0, 1);
  EXPECT_EQ(b.Depth(), 0);
  EXPECT_EQ(b.Folder(), ".\\ReplayVS");
  EXPECT_EQ(b.Cursor(), 1);
  EXPECT_EQ(Names(), (std::vector<std::string>{"a", "b", "top.rep"}));
  // A folder that went away after listing greys and is not entered.
  fs::remove_all("ReplayVS/a");
  MoveTo(0);
  Frame(0, 1);
  EXPECT_EQ(b.Depth(), 0);
  EXPECT_EQ(b.ShownEntry(0)->probe.load(), -1);
}

TEST_F(ReplayBrowser, FolderLineOfAMissingAndOfAnEmptyFolder) {
  fs::remove_all("ReplayVS");
  CReplayFilerLayer& b = Open();
  EXPECT_EQ(b.scanResult, -1);
  EXPECT_EQ(b.ShownCount(), 0);
  EXPECT_EQ(
      b.FolderLine(),
      "./ReplayVS \x81u\x83t\x83H\x83\x8B\x83_\x82\xAA\x91\xB6\x8D\xDD\x82\xB5\x82\xDC\x82\xB9\x82\xF1\x81v");
  Frame(0, 1);  // decide on nothing does nothing
  Frame(2, 0);
  EXPECT_EQ(b.state, CReplayFilerLayer::kBrowsing);
  fs::create_directories("ReplayVS");
  CReplayFilerLayer& empty = Open();
  EXPECT_EQ(empty.scanResult, 1);
  EXPECT_EQ(empty.ShownCount(), 0);
  EXPECT_EQ(empty.FolderLine(), "./ReplayVS");
  Frame(0, 1);
  EXPECT_EQ(empty.state, CReplayFilerLayer::kBrowsing);
  Frame(0, 2);
  EXPECT_EQ(empty.state, CReplayFilerLayer::kCancelled);
}

TEST_F(ReplayBrowser, AFileDeletedAfterListingGreysInsteadOfBeingChosen) {
  WriteReplay("ReplayVS/gone.rep", Header(0, 1));
  WriteReplay("ReplayVS/kept.rep", Header(0, 1));
  CReplayFilerLayer& b = Open();
  ASSERT_EQ(b.ShownCount(), 2);
  fs::remove("ReplayVS/gone.rep");
  Frame(0, 1);
  EXPECT_EQ(b.state, CReplayFilerLayer::kBrowsing);
  EXPECT_EQ(b.ShownEntry(0)->probe.load(), -1);
  Settle();
  ASSERT_FALSE(b.PreviewLines().empty());
  EXPECT_EQ(b.PreviewLines()[0],
            "\x83t\x83@\x83"
            "C\x83\x8B\x82\xAA\x91\xB6\x8D\xDD\x82\xB5\x82\xC8\x82\xA2\x82\xA9\x81"
            "A\x95s\x96\xBE\x82\xC8\x83t\x83@\x83"
            "C\x83\x8B\x82\xC5\x82\xB7");
  Frame(0, 1);  // still not chosen
  EXPECT_EQ(b.state, CReplayFilerLayer::kBrowsing);
}

TEST_F(ReplayBrowser, SelectByName) {
  WriteReplay("ReplayVS/one.rep", Header(0, 1));
  WriteReplay("ReplayVS/two.rep", Header(1, 0));
  CReplayFilerLayer& b = Open();
  EXPECT_EQ(b.SelectByName("two.rep"), 1);
  EXPECT_EQ(b.Cursor(), 1);
  EXPECT_EQ(b.SelectByName("two.rep"), 2);
  EXPECT_EQ(b.SelectByName("TWO.REP"), 0);  // exact names only
  EXPECT_EQ(b.SelectByName("three.rep"), 0);
  EXPECT_EQ(b.Cursor(), 1);
  Settle();
  // The preview follows the chosen entry.
  ASSERT_EQ(b.PreviewLines().size(), 5u);
  EXPECT_EQ(b.PreviewLines()[0], "Duelist[C] VS Tester[C]");
}

TEST_F(ReplayBrowser, PreviewLinesOfAHeader) {
  struct Case {
    const char* what;
    void (*edit)(ReplayFileHeader&);
    int line;
    std::string text;
  };
  const std::vector<Case> cases = {
      {"both players", [](ReplayFileHeader&) {}, 0, "Tester[C] VS Duelist[C]"},
      {"a CPU side", [](ReplayFileHeader& h) { h.players[1].controller = 1; }, 0,
       "Tester[C] VS <CPU>Duelist[C]"},
      {"styles", [](ReplayFileHeader& h) { h.players[0].type = 1, h.players[1].type = 2; }, 0,
       "Tester[F] VS Duelist[H]"},
      {"odd styles", [](ReplayFileHeader& h) { h.players[0].type = 5, h.players[1].type = 9; }, 0,
       "Tester??? Style No.5 VS Duelist[E]"},
      {"bad style", [](ReplayFileHeader& h) { h.players[0].type = 10; }, 0,
       "Tester??? Style Error VS Duelist[C]"},
      {"outside the list", [](ReplayFileHeader& h) { h.players[0].character = 150; }, 0, "[C] VS Duelist[C]"},
      {"huge index", [](ReplayFileHeader& h) { h.players[1].character = 0xFFFFFFFFu; }, 0,
       "Tester[C] VS [C]"},
      {"no such entry", [](ReplayFileHeader& h) { h.players[0].character = 16; }, 0, "[C] VS Duelist[C]"},
      {"an entry without a name", [](ReplayFileHeader& h) { h.players[1].character = 52; }, 0,
       "Tester[C] VS " + kUnknown + "[C]"},
      {"one round", [](ReplayFileHeader& h) { h.roundsToWin = 1; }, 1, "1WIN BATTLE "},
      {"two rounds", [](ReplayFileHeader&) {}, 1, "2WINS BATTLE "},
      {"rules", [](ReplayFileHeader& h) { h.damageLevel = 0, h.timerSpeed = 4; }, 2,
       "DAMAGE [LOWEST]  TIMER [FASTEST]"},
      {"timer 7", [](ReplayFileHeader& h) { h.timerSpeed = 7; }, 2, "DAMAGE [NORMAL]  TIMER [N/A]"},
      {"damage 5", [](ReplayFileHeader& h) { h.damageLevel = 5; }, 2, "DAMAGE [N/A]  TIMER [NORMAL]"},
      {"date", [](ReplayFileHeader&) {}, 3, "2026/12/11 09:05:07"},
      {"closing text", [](ReplayFileHeader&) {}, 4, "text 69"},
  };
  for (const Case& c : cases) {
    ReplayFileHeader h = Header(0, 1);
    c.edit(h);
    const auto lines = ReplayPreviewLines(h, "text 69");
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[c.line], c.text) << c.what;
  }
}

TEST_F(ReplayBrowser, IconsOnlyForCharactersOfTheListInsideTheRecords) {
  struct Case {
    uint32_t character;
    bool allowed;
  };
  for (const Case& c : std::vector<Case>{
           {0, true}, {51, true}, {16, false}, {99, false}, {100, false}, {150, false}, {0xFFFFFFFFu, false}})
    EXPECT_EQ(ReplayIconAllowed(c.character), c.allowed) << c.character;
  // Files naming such characters are listed, previewed and drawn without reaching past the icon
  // records (run under the address sanitizer this catches an out-of-range record).
  WriteReplay("ReplayVS/a.rep", Header(150, 0xFFFFFFFFu));
  WriteReplay("ReplayVS/b.rep", Header(99, 52));
  CReplayFilerLayer& b = Open();
  ASSERT_EQ(b.ShownCount(), 2);
  Frame(2, 0);
  Settle();
  EXPECT_EQ(b.PreviewLines()[0], "[C] VS " + kUnknown + "[C]");
}

TEST_F(ReplayBrowser, LinksAndDepthDoNotLeadOutOfTheOpeningFolder) {
  fs::create_directories("outside");
  WriteReplay("outside/far.rep", Header(0, 1));
  fs::create_directories("ReplayVS/real");
  fs::create_directory_symlink("../outside", "ReplayVS/to_outside");
  fs::create_directory_symlink(".", "ReplayVS/loop");
  fs::create_directory_symlink("real", "ReplayVS/to_real");
  CReplayFilerLayer& b = Open();
  ASSERT_EQ(Names(), (std::vector<std::string>{"loop", "real", "to_outside", "to_real"}));
  for (int row : {0, 2}) {
    MoveTo(row);
    Press(0, 1);
    EXPECT_EQ(b.Depth(), 0) << row;
    EXPECT_EQ(b.Folder(), ".\\ReplayVS") << row;
    EXPECT_EQ(b.ShownCount(), 4) << row;
  }
  MoveTo(3);
  Press(0, 1);
  EXPECT_EQ(b.Depth(), 1);  // a link that stays inside is a folder like any other
  // Real folders 33 deep: 32 are entered, the 33rd is not.
  fs::path deep = "ReplayVS/real";
  for (int i = 0; i < 33; ++i) fs::create_directories(deep /= "d");
  CReplayFilerLayer& d = Open();
  MoveTo(1);  // "real"
  Press(0, 1);
  for (int level = 2; level <= 33; ++level) {
    MoveTo(1);  // "d" below ".."
    Press(0, 1);
  }
  EXPECT_EQ(d.Depth(), 32);
  EXPECT_EQ(d.Folder().size(), std::string(".\\ReplayVS\\real").size() + 31 * 2);
}

}  // namespace
