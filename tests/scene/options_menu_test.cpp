// The options screen: its items and choices, the values it shows for what the configuration
// holds, the live writes against those made on leaving, DEFAULT, the screen change with the
// scene's rebuild, its release when another part moves the scene away, and the written values
// read back from the files and in force where the game reads them; the road from the main menu.
#include "scene/options_menu.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "Dxtools/D3D_Tools/d3d_device.h"
#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/DirectSoundApp/DirectSoundApp.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/GrpManager/grp_frame_targets.h"
#include "Dxtools/Text/system_font.h"
#include "Sound/soundproc.h"
#include "app/app_config.h"
#include "app/app_state.h"
#include "app/file_loader.h"
#include "app/save_data.h"
#include "battle/battle_records.h"
#include "battle/chara_list.h"
#include "battle/game_mode.h"
#include "platform/audio/sound_mixer.h"
#include "platform/gfx/texture.h"
#include "scene/chara_sprite_player.h"
#include "scene/game_modes.h"
#include "scene/main_menu.h"
#include "scene/scene_fixture.h"
#include "scene/scene_harness.h"

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kDecide = 0x2;  // the pad button the default key settings give menu button 0
constexpr uint32_t kCancel = 0x4;  // and menu button 1
constexpr int kCloseFrames = 20;   // the closing veil takes 16 frames

// A pad script: each step is one frame, a neutral frame after each press so the next one
// triggers again.
struct Script {
  std::vector<ScenePadFrame> frames;
  Script& Wait(int n) {
    frames.resize(frames.size() + static_cast<size_t>(n));
    return *this;
  }
  Script& Dir(uint8_t d, int times = 1) {
    for (int i = 0; i < times; ++i) {
      ScenePadFrame f;
      f.dir[0] = d;
      frames.push_back(f);
      Wait(1);
    }
    return *this;
  }
  Script& Press(uint32_t buttons) {
    ScenePadFrame f;
    f.buttons[0] = buttons;
    frames.push_back(f);
    return Wait(1);
  }
};

// Stands in for the window thread at the frame hand-off: answers a screen-mode switch without
// resetting the device (storing the window mode the switch applied, as the window thread does),
// and counts the switches.
class FakeWindowThread {
 public:
  FakeWindowThread()
      : thread_([this] {
          while (!stop_.load(std::memory_order_acquire)) {
            if (g_ApplyModeSwitch.load(std::memory_order_acquire) != 0) {
              switches_.fetch_add(1);
              g_AppConfig.Windowed = GetPresentParameters().Windowed != 0 ? 1 : 0;
              g_ApplyModeSwitch.store(0, std::memory_order_release);
            }
            std::this_thread::yield();
          }
        }) {}
  ~FakeWindowThread() {
    stop_.store(true, std::memory_order_release);
    thread_.join();
  }
  int switches() const { return switches_.load(); }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<int> switches_{0};
  std::thread thread_;
};

void CopySample(std::initializer_list<const char*> items) {
  for (const char* item : items)
    if (!fs::exists(item) && fs::exists(fs::path(VT_SAMPLE_DIR) / item)) {
      if (fs::path(item).has_parent_path()) fs::create_directories(fs::path(item).parent_path());
      fs::copy(fs::path(VT_SAMPLE_DIR) / item, item, fs::copy_options::recursive);
    }
}

std::string ShownLabel(COptionMenu& menu, const char* id) {
  CGameMenu_Element* e = menu.Set()->FindElement(id);
  if (e == nullptr || e->GetChoiceIndex() < 0) return "";
  return e->GetChoiceLabel(e->GetChoiceIndex());
}

// The record a fresh start reads from the written file.
GameData ReadBack() {
  GameData* kept = g_GameData;
  LoadGameData();
  const GameData read = *g_GameData;
  g_GameData = kept;
  return read;
}

// The item list alone, over a fixed display-mode list.
class OptionsItems : public scene_test::SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    saved_ = g_AppConfig;
    g_AppConfig.ScreenW = 1280;
    g_AppConfig.ScreenH = 720;
    g_AppConfig.Windowed = 1;
  }
  void TearDown() override {
    g_AppConfig = saved_;
    SceneTest::TearDown();
  }
  std::unique_ptr<COptionMenu> Make() {
    return std::make_unique<COptionMenu>(
        std::vector<DisplayModeEntry>{{640, 480, 60, 32}, {1280, 720, 60, 32}});
  }
  AppConfig saved_;
};

TEST_F(OptionsItems, ItemsInOrderWithTheirChoices) {
  auto menu = Make();
  struct Row {
    const char* id;  // "" a spacer
    const char* label;
    std::vector<std::pair<std::string, int>> choices;  // label and value
  };
  std::vector<std::pair<std::string, int>> volumes = {{"OFF", 21}};
  for (int n = 1; n <= 20; ++n) volumes.push_back({std::to_string(n), 20 - n});
  const std::vector<std::pair<std::string, int>> offOn = {{"OFF", 0}, {"ON", 1}};
  const Row rows[] = {
      {"Difficulty", "DIFFICULTY", {{"EASIEST", 0}, {"EASY", 1}, {"NORMAL", 2}, {"HARD", 3}, {"HARDEST", 4}}},
      {"DamageLevel",
       "DAMAGE LEVEL",
       {{"LOWEST", 0}, {"LOW", 1}, {"NORMAL", 2}, {"HIGH", 3}, {"HIGHEST", 4}}},
      {"WinCount", "WIN COUNT", {{"1", 1}, {"2", 2}, {"3", 3}}},
      {"WinCount(VS)", "WIN COUNT(VS)", {{"1", 1}, {"2", 2}, {"3", 3}}},
      {"TimeSpeed",
       "TIMER SPEED",
       {{"INFINITY", 0}, {"SLOW", 1}, {"NORMAL", 2}, {"FAST", 3}, {"FASTEST", 4}}},
      {"", "", {}},
      {"BgmVolume", "BGM VOLUME", volumes},
      {"SeVolume", "SE VOLUME", volumes},
      {"", "", {}},
      {"StageAnimation", "STAGE ANIMATION", {{"OFF", 1}, {"ON", 0}}},
      {"CharaFilter", "CHARACTER FILTER", {{"OFF", 0}, {"EDGE", 1}, {"FULL", 2}, {"LINEAR", 3}}},
      {"ReplaySave", "REPLAY SAVE", {{"MANUAL", 0}, {"AUTO", 1}}},
      {"ViewFPS", "VIEW FPS", offOn},
      {"FrameSkip", "FRAME RATE", {{"1/2", 1}, {"NORMAL", 0}}},
      {"", "", {}},
      {"SCREEN_FILTER", "SCREEN FILTER", offOn},
      {"SELECT_LANGUAGE", "SELECT LANGUAGE", {{"JAPANESE", 0}, {"ENGLISH", 1}}},
      {"KEYBOARD_SETTING", "KEYBOARD SETTING", {}},
      {"CONTROLLER_SETTING", "CONTROLLER SETTING", {}},
      {"", "", {}},
      {"Resolution", "RESOLUTION", {{"640x480", 0}, {"1280x720", 1}}},
      {"ScreenMode", "SCREEN MODE", {{"FULL SCREEN", 0}, {"WINDOW", 1}}},
      {"ChangeScreen", "CHANGE SCREEN", {}},
      {"", "", {}},
      {"Default", "DEFAULT", {}},
      {"Exit", "EXIT", {}},
  };
  const std::vector<CGameMenu_Element*>& elements = menu->Set()->elements;
  ASSERT_EQ(elements.size(), std::size(rows));
  EXPECT_EQ(menu->Set()->name, "OPTION_MENU");
  for (size_t i = 0; i < elements.size(); ++i) {
    const Row& r = rows[i];
    CGameMenu_Element* e = elements[i];
    SCOPED_TRACE(r.id[0] ? r.id : "spacer");
    EXPECT_EQ(e->IsSpacer() != 0, r.id[0] == '\0');
    if (r.id[0] == '\0') continue;
    EXPECT_EQ(e->id, r.id);
    EXPECT_EQ(e->label, r.label);
    EXPECT_EQ(e->GetHeight(), 14);
    ASSERT_EQ(e->GetChoiceCount(), static_cast<int>(r.choices.size()));
    for (int c = 0; c < e->GetChoiceCount(); ++c) {
      EXPECT_EQ(e->GetChoiceLabel(c), r.choices[static_cast<size_t>(c)].first);
      EXPECT_EQ(e->GetChoiceValue(c), r.choices[static_cast<size_t>(c)].second);
    }
    // The choice values stand in one column at x = 320.
    if (e->GetChoiceCount() > 0) {
      EXPECT_EQ(e->GetChoiceX() + menu->centreX, 320);
    }
  }
  // The five ids that decide; the cursor starts on DIFFICULTY.
  EXPECT_EQ(menu->Set()->resultNames, (std::vector<std::string>{"KEYBOARD_SETTING", "CONTROLLER_SETTING",
                                                                "ChangeScreen", "Default", "Exit"}));
  EXPECT_EQ(menu->Set()->CursorElement()->id, "Difficulty");
  // Value texts that are not the label.
  struct Text {
    const char* id;
    int index;
    const char* text;
  };
  for (const Text& t :
       {Text{"Difficulty", 0, "1"}, Text{"DamageLevel", 4, "5"}, Text{"TimeSpeed", 0, "Infinity"},
        Text{"TimeSpeed", 4, "VeryFast"}, Text{"ReplaySave", 1, "Auto"},
        Text{"SELECT_LANGUAGE", 0, "JAPANSE"}, Text{"CharaFilter", 1, "EDGE"}}) {
    EXPECT_EQ(menu->Set()->FindElement(t.id)->GetChoiceText(t.index), t.text) << t.id;
  }
}

TEST_F(OptionsItems, ShownChoicesForStoredValuesAndWhatStoringWritesBack) {
  struct Row {
    const char* id;
    int32_t GameData::*field;  // a top-level field, or null for the mode records
    int mode;                  // the mode record's field below when field is null
    int32_t ModeRecord::*modeField;
    int32_t stored;
    const char* shown;
    int32_t written;  // by StoreValues with nothing moved
  };
  const Row rows[] = {
      // Step 20 has no choice: it shows as "1" and stays 20 until the player moves the item.
      {"BgmVolume", &GameData::BgmVolume, 0, nullptr, 20, "1", 20},
      {"SeVolume", &GameData::SeVolume, 0, nullptr, 20, "1", 20},
      {"BgmVolume", &GameData::BgmVolume, 0, nullptr, 21, "OFF", 21},
      {"BgmVolume", &GameData::BgmVolume, 0, nullptr, 19, "1", 19},
      {"BgmVolume", &GameData::BgmVolume, 0, nullptr, 0, "20", 0},
      {"SeVolume", &GameData::SeVolume, 0, nullptr, 7, "13", 7},
      // Fields that take any value: one without a choice shows the first and is kept.
      {"CharaFilter", &GameData::CharaFilter, 0, nullptr, 9, "OFF", 9},
      {"CharaFilter", &GameData::CharaFilter, 0, nullptr, 3, "LINEAR", 3},
      {"StageAnimation", &GameData::StageAnimation, 0, nullptr, 1, "OFF", 1},
      {"FrameSkip", &GameData::FrameSkip, 0, nullptr, 1, "1/2", 1},
      {"SELECT_LANGUAGE", &GameData::SELECT_LANGUAGE, 0, nullptr, 0, "JAPANESE", 0},
      {"TimeSpeed", nullptr, 0, &ModeRecord::TimeSpeed, 0, "INFINITY", 0},
      {"Difficulty", nullptr, 0, &ModeRecord::Difficulty, 4, "HARDEST", 4},
      {"WinCount(VS)", nullptr, 1, &ModeRecord::WinCount, 3, "3", 3},
      {"ReplaySave", nullptr, 1, &ModeRecord::flag, 1, "AUTO", 1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(std::string(r.id) + " " + std::to_string(r.stored));
    FillDefaultGameData(config_);
    int32_t& field = r.field ? config_.*r.field : config_.modes[r.mode].*r.modeField;
    field = r.stored;
    auto menu = Make();
    EXPECT_EQ(ShownLabel(*menu, r.id), r.shown);
    field = -5;  // what StoreValues puts there is the item's, not left over
    if (std::string_view(r.id) == "BgmVolume" || std::string_view(r.id) == "SeVolume" ||
        std::string_view(r.id) == "CharaFilter" || std::string_view(r.id) == "SELECT_LANGUAGE")
      field = r.stored;  // live items are written only when moved
    menu->StoreValues();
    EXPECT_EQ(field, r.written);
  }
}

TEST_F(OptionsItems, OnlyAMovedSeVolumePlaysTheSample) {
  struct Row {
    const char* id;
    int direction;
    uint8_t sample;
  };
  for (const Row& r :
       {Row{"SeVolume", 6, 1}, Row{"BgmVolume", 6, 0}, Row{"SeVolume", 0, 0}, Row{"Difficulty", 6, 0}}) {
    SCOPED_TRACE(std::string(r.id) + " " + std::to_string(r.direction));
    FillDefaultGameData(config_);
    config_.SeVolume = config_.BgmVolume = 10;
    auto menu = Make();
    menu->Input(0, 0);  // opened
    menu->Set()->SetCursorById(r.id);
    g_SeRequest[0] = 0;
    menu->Input(r.direction, 0);
    EXPECT_EQ(g_SeRequest[0], r.sample);
    g_SeRequest[0] = 0;
  }
}

TEST_F(OptionsItems, ScreenItemsFromTheScreenSettingsOrAfterDefaultFromTheRecord) {
  struct Row {
    int w, h, windowed;
    const char* resolution;
    const char* mode;
    int pending;
  };
  const Row rows[] = {
      {1280, 720, 1, "1280x720", "WINDOW", 0},
      {640, 480, 0, "640x480", "FULL SCREEN", 0},
      // A size the list lacks leaves the first entry, which then differs from the screen.
      {800, 600, 1, "640x480", "WINDOW", 1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.resolution);
    g_AppConfig.ScreenW = r.w;
    g_AppConfig.ScreenH = r.h;
    g_AppConfig.Windowed = r.windowed;
    auto menu = Make();
    EXPECT_EQ(ShownLabel(*menu, "Resolution"), r.resolution);
    EXPECT_EQ(ShownLabel(*menu, "ScreenMode"), r.mode);
    int entry = -1, chosen = -1, present = -1;
    EXPECT_EQ(menu->PendingScreenChange(&entry, &chosen, &present), r.pending);
    EXPECT_EQ(present, r.windowed);
    EXPECT_EQ(chosen, r.windowed);
  }
  // After DEFAULT the items follow the record, not the screen.
  g_AppConfig.ScreenW = 640;
  g_AppConfig.ScreenH = 480;
  g_AppConfig.Windowed = 0;
  config_.ResolutionWidth = 1280;
  config_.ResolutionHeight = 720;
  config_.ScreenMode = 1;
  auto menu = Make();
  EXPECT_EQ(ShownLabel(*menu, "Resolution"), "640x480");
  menu->loadFromGameData = 1;
  menu->LoadValues();
  EXPECT_EQ(ShownLabel(*menu, "Resolution"), "1280x720");
  EXPECT_EQ(ShownLabel(*menu, "ScreenMode"), "WINDOW");
  int entry = -1, chosen = -1, present = -1;
  EXPECT_EQ(menu->PendingScreenChange(&entry, &chosen, &present), 1);
  EXPECT_EQ(entry, 1);
  EXPECT_EQ(chosen, 1);
  EXPECT_EQ(present, 0);
}

TEST_F(OptionsItems, DisplayModeListAlwaysHoldsThePresentSize) {
  // No adapter (as headless) and an adapter that lists sizes twice and not the present one.
  AdapterInfo* kept = g_AdapterInfo;
  g_AdapterInfo = nullptr;
  g_AppConfig.ScreenW = 1024;
  g_AppConfig.ScreenH = 768;
  std::vector<DisplayModeEntry> list = BuildDisplayModeList();
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].width, 1024);
  EXPECT_EQ(list[0].height, 768);
  {
    auto menu = std::make_unique<COptionMenu>(list);
    int entry = -1, chosen = -1, present = -1;
    EXPECT_EQ(menu->PendingScreenChange(&entry, &chosen, &present), 0);
    EXPECT_EQ(entry, 0);
    EXPECT_EQ(ShownLabel(*menu, "Resolution"), "1024x768");
  }
  AdapterInfo info;
  info.modes = {{640, 480, 60, vt::gfx::FMT_X8R8G8B8},
                {640, 480, 75, vt::gfx::FMT_X8R8G8B8},
                {1920, 1080, 60, vt::gfx::FMT_X8R8G8B8}};
  g_AdapterInfo = &info;
  list = BuildDisplayModeList();
  g_AdapterInfo = kept;
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].width, 640);
  EXPECT_EQ(list[1].width, 1920);
  EXPECT_EQ(list[2].width, 1024);
}

// ---- The scene on the harness ----

class OptionsSceneTest : public scene_test::SceneTest {
 protected:
  void SetUp() override {
    SceneTest::SetUp();
    CopySample(
        {"Information", "bgm", "grp/option", "grp/system", "data/_csel", "charaselect.txt", "_sysfont.ini"});
    saved_ = g_AppConfig;
    g_AppConfig.ScreenW = 1280;
    g_AppConfig.ScreenH = 720;
    g_AppConfig.Windowed = 1;
    sound_ = std::make_shared<vt::audio::NullSoundDevice>();
    vt::audio::SetSoundDeviceOverride(sound_);
    ASSERT_EQ(InitSound(), 1);
    if (const DataBuffer list = LoadDataFile(".\\charaselect.txt")) LoadCharaSelectList(list.text());
  }
  void TearDown() override {
    vt::text::FreeBitmapFonts();
    harness_.Stop();
    StopBgm();
    FreeBgm();
    ReleaseSound();
    vt::audio::SetSoundDeviceOverride(nullptr);
    FreeCharaSelectList();
    g_AppConfig = saved_;
    g_ScreenModeRequest.store(0);
    g_KeepWindowMode.store(0);
    SceneTest::TearDown();
  }
  // The harness with the adapter listing these sizes, the scene's first frame run.
  void Start(int firstScene = SCENE_OPTION) {
    SceneHarnessOptions o;
    o.firstScene = firstScene;
    ASSERT_TRUE(harness_.Start(o));
    g_AdapterInfo->modes = {{640, 480, 60, vt::gfx::FMT_X8R8G8B8}, {1280, 720, 60, vt::gfx::FMT_X8R8G8B8}};
    harness_.RunFrame();
  }
  std::vector<SceneFrameReport> Play(const Script& s, int extra = 0) {
    harness_.SetPads(s.frames);
    return harness_.Run(static_cast<int>(s.frames.size()) + extra);
  }
  // Puts the cursor on an item (the cursor's own moves are tested through the road).
  void Cursor(const char* id) { GetOptionMenu()->Set()->SetCursorById(id); }

  SceneHarness harness_;
  std::shared_ptr<vt::audio::NullSoundDevice> sound_;
  AppConfig saved_;
};

TEST_F(OptionsSceneTest, EntryStartsItsMusicAndBuildsMenuPortraitAndHelp) {
  Start();
  COptionMenu* menu = GetOptionMenu();
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(g_BgmIndex, 86);
  EXPECT_EQ(g_BgmPlaying, 1);
  EXPECT_EQ(menu->openState, CPauseMenu_Default::kOpen);
  EXPECT_EQ(menu->inputEnabled, 1);
  // The help window explains the item under the cursor, from the language's file.
  harness_.Run(2);
  EXPECT_EQ(menu->help.key1, "Difficulty");
  EXPECT_EQ(menu->help.key2, "Difficulty_2");
  EXPECT_EQ(menu->help.FindText("Exit"), "Save and leave the options.");
  // A character from the list stands in the corner.
  ASSERT_NE(GetOptionPortrait(), nullptr);
  EXPECT_GE(GetOptionPortrait()->character, 0);
  EXPECT_EQ(GetOptionPortrait()->shownFrames > 0, true);
}

TEST_F(OptionsSceneTest, LiveItemsAreWrittenAtOnceTheOthersOnLeavingEvenByCancel) {
  config_.BgmVolume = 19;  // "1"
  Start();
  // DIFFICULTY one step harder: the record keeps its value while the menu runs.
  Play(Script().Dir(6).Wait(2));
  EXPECT_EQ(ShownLabel(*GetOptionMenu(), "Difficulty"), "HARD");
  EXPECT_EQ(config_.modes[0].Difficulty, 2);
  // BGM VOLUME to OFF: written and silent in the same frame.
  Cursor("BgmVolume");
  harness_.RunFrame(ScenePadFrame{{4, 0}, {0, 0}});
  EXPECT_EQ(config_.BgmVolume, 21);
  EXPECT_EQ(g_BgmVolume, kSilentVolume);
  EXPECT_EQ(config_.modes[0].Difficulty, 2);
  // Leaving by cancel keeps both: the live one written already, the other on leaving.
  const auto frames = Play(Script().Press(kCancel).Wait(kCloseFrames));
  EXPECT_EQ(frames.back().sceneId, SCENE_MAIN_MENU);
  EXPECT_EQ(config_.BgmVolume, 21);
  EXPECT_EQ(config_.modes[0].Difficulty, 3);
  const GameData read = ReadBack();
  EXPECT_EQ(read.BgmVolume, 21);
  EXPECT_EQ(read.modes[0].Difficulty, 3);
  EXPECT_EQ(GetOptionMenu(), nullptr);
  EXPECT_EQ(g_BgmPlaying, 0);
}

TEST_F(OptionsSceneTest, AStoredStepTwentyIsKeptUntilTheItemMoves) {
  config_.BgmVolume = 20;
  config_.SeVolume = 20;
  Start();
  // The cursor passes over both volume items and leaves with EXIT.
  Play(Script().Dir(2, 7).Wait(2));
  EXPECT_EQ(config_.BgmVolume, 20);
  Cursor("Exit");
  Play(Script().Press(kDecide).Wait(kCloseFrames));
  EXPECT_EQ(g_SceneId, SCENE_MAIN_MENU);
  EXPECT_EQ(ReadBack().BgmVolume, 20);
  EXPECT_EQ(ReadBack().SeVolume, 20);
  // Moved, it is written: one step louder than the "1" it showed.
  ChangeScene(SCENE_OPTION);
  harness_.RunFrame();
  Cursor("SeVolume");
  harness_.RunFrame(ScenePadFrame{{6, 0}, {0, 0}});
  EXPECT_EQ(config_.SeVolume, 18);
  EXPECT_EQ(config_.BgmVolume, 20);
}

TEST_F(OptionsSceneTest, DefaultResetsEveryOptionButKeepsTheUnlockAndTheNotice) {
  g_AppConfig.ScreenW = 640;
  g_AppConfig.ScreenH = 480;
  config_.modes[0] = ModeRecord{4, 3, 0, 4, 0};
  config_.modes[1] = ModeRecord{1, 1, 1, 1, 1};
  config_.BgmVolume = 5;
  config_.SeVolume = 21;
  config_.CharaFilter = 0;
  config_.ViewFPS = 1;
  config_.SELECT_LANGUAGE = 0;
  config_.HiddenInputUnlocked = 1;
  config_.NetNoticeSeen = 1;
  Start();
  COptionMenu* menu = GetOptionMenu();
  EXPECT_EQ(ShownLabel(*menu, "Resolution"), "640x480");
  EXPECT_FLOAT_EQ(menu->Set()->FindElement("ChangeScreen")->GetAlpha(), 0.4f);
  Cursor("Default");
  Play(Script().Press(kDecide).Wait(2));
  GameData expected;
  FillDefaultGameData(expected);
  expected.HiddenInputUnlocked = 1;
  expected.NetNoticeSeen = 1;
  expected.LetterboxMode = config_.LetterboxMode;  // the presentation's own word
  EXPECT_EQ(std::memcmp(&config_, &expected, sizeof expected), 0);
  ASSERT_EQ(GetOptionMenu(), menu);
  EXPECT_EQ(menu->openState, CPauseMenu_Default::kOpen);
  EXPECT_EQ(ShownLabel(*menu, "Difficulty"), "NORMAL");
  EXPECT_EQ(ShownLabel(*menu, "BgmVolume"), "20");
  EXPECT_EQ(ShownLabel(*menu, "SELECT_LANGUAGE"), "ENGLISH");
  // The default screen is shown, and differs from the present one.
  EXPECT_EQ(ShownLabel(*menu, "Resolution"), "1280x720");
  EXPECT_EQ(ShownLabel(*menu, "ScreenMode"), "WINDOW");
  EXPECT_FLOAT_EQ(menu->Set()->FindElement("ChangeScreen")->GetAlpha(), 1.0f);
}

TEST_F(OptionsSceneTest, ChangeScreen) {
  struct Row {
    const char* what;
    uint8_t resolutionDir;  // 4 to the first size, 0 kept
    uint8_t modeDir;        // 4 to full screen, 0 kept
    bool changes;
    int width, height, windowed;
  };
  const Row rows[] = {
      {"same size and mode", 0, 0, false, 1280, 720, 1},
      {"another size", 4, 0, true, 640, 480, 1},
      {"another mode", 0, 4, true, 1280, 720, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    g_AppConfig.ScreenW = 1280;
    g_AppConfig.ScreenH = 720;
    g_AppConfig.Windowed = 1;
    FillDefaultGameData(config_);
    Start();
    const CDSoundStreamBuffer* music = g_BgmStream.get();
    COptionMenu* menu = GetOptionMenu();
    config_.modes[0].Difficulty = 0;
    harness_.RunFrame();  // nothing moved: DIFFICULTY will still store the 2 it shows
    if (r.resolutionDir) {
      Cursor("Resolution");
      harness_.RunFrame(ScenePadFrame{{r.resolutionDir, 0}, {0, 0}});
      harness_.RunFrame();
    }
    if (r.modeDir) {
      Cursor("ScreenMode");
      harness_.RunFrame(ScenePadFrame{{r.modeDir, 0}, {0, 0}});
      harness_.RunFrame();
    }
    Cursor("ChangeScreen");
    std::vector<SceneFrameReport> frames;
    int switches = 0;
    {
      FakeWindowThread window;
      frames = Play(Script().Press(kDecide).Wait(kCloseFrames));
      switches = window.switches();
    }
    if (!r.changes) {
      EXPECT_EQ(GetOptionMenu(), menu);
      EXPECT_EQ(menu->openState, CPauseMenu_Default::kOpen);
      EXPECT_EQ(switches, 0);
      EXPECT_EQ(config_.modes[0].Difficulty, 0);  // nothing stored
    } else {
      // Closed, saved, the display switched once, and scene 12 built anew.
      EXPECT_EQ(switches, 1);
      bool rebuilt = false;
      for (const SceneFrameReport& f : frames) {
        EXPECT_EQ(f.sceneId, SCENE_OPTION);
        rebuilt |= f.enter == kSceneDisplayReentry;
      }
      EXPECT_TRUE(rebuilt);
      EXPECT_EQ(g_AppConfig.ScreenW, r.width);
      EXPECT_EQ(g_AppConfig.ScreenH, r.height);
      const D3DPresentParameters p = GetPresentParameters();
      EXPECT_EQ(static_cast<int>(p.BackBufferWidth), r.width);
      EXPECT_EQ(static_cast<int>(p.BackBufferHeight), r.height);
      EXPECT_EQ(p.Windowed, r.windowed);
      EXPECT_EQ(ReadBack().modes[0].Difficulty, 2);
      ASSERT_NE(GetOptionMenu(), nullptr);
      EXPECT_EQ(GetOptionMenu()->openState, CPauseMenu_Default::kOpen);
      EXPECT_EQ(GetOptionMenu()->closeFade, 0.0f);
      // The music plays on: the same stream, not restarted.
      EXPECT_EQ(g_BgmStream.get(), music);
      EXPECT_EQ(g_BgmPlaying, 1);
      EXPECT_EQ(g_BgmIndex, 86);
    }
    // The present screen is the one the new menu shows: nothing pending.
    EXPECT_EQ(GetOptionMenu()->PendingScreenChange(nullptr, nullptr, nullptr), 0);
    harness_.Stop();
  }
}

TEST_F(OptionsSceneTest, KeySettingScreenRunsOverTheDimmedMenuAndSavesOnClosing) {
  Start();
  fs::remove("System/_KeyboardConfig.ini");
  Cursor("KEYBOARD_SETTING");
  Play(Script().Press(kDecide).Wait(20));
  COptionMenu* menu = GetOptionMenu();
  EXPECT_EQ(menu->openState, COptionMenu::kKeyboardSetting);
  EXPECT_EQ(menu->keySetting.open, 1);
  EXPECT_EQ(menu->keySetting.mode, KeySettingScreen::kKeyboard);
  EXPECT_EQ(menu->active, 0);
  EXPECT_FLOAT_EQ(menu->brightness, 0.3f);
  // The screen takes the pads: the option list's cursor stays where it was.
  Play(Script().Dir(2, 2));
  EXPECT_EQ(menu->Set()->CursorElement()->id, "KEYBOARD_SETTING");
  // Cancelled, it closes, the keyboard map is saved and the list takes input again.
  Play(Script().Press(kCancel).Wait(40));
  EXPECT_EQ(menu->openState, CPauseMenu_Default::kOpen);
  EXPECT_EQ(menu->keySetting.open, 0);
  EXPECT_EQ(menu->active, 1);
  EXPECT_EQ(menu->inputEnabled, 1);
  EXPECT_TRUE(fs::exists("System/_KeyboardConfig.ini"));
  EXPECT_EQ(g_SceneId, SCENE_OPTION);
}

TEST_F(OptionsSceneTest, LeftFromOutsideItsFrameReleasesTheMenuAndPortrait) {
  Start();
  ASSERT_NE(GetOptionMenu(), nullptr);
  ASSERT_NE(GetOptionPortrait(), nullptr);
  // Another part of the program stores another scene between frames.
  ChangeScene(SCENE_TITLE);
  harness_.RunFrame();
  EXPECT_EQ(GetOptionMenu(), nullptr);
  EXPECT_EQ(GetOptionPortrait(), nullptr);
}

TEST_F(OptionsSceneTest, WrittenValuesAreReadBackAndInForceWhereTheGameReadsThem) {
  config_.SCREEN_FILTER = 0;
  Start();
  struct Move {
    const char* id;
    uint8_t dir;
    int times;
  };
  for (const Move& m : {Move{"Difficulty", 4, 2}, Move{"DamageLevel", 6, 2}, Move{"WinCount", 4, 1},
                        Move{"WinCount(VS)", 6, 1}, Move{"TimeSpeed", 6, 1}, Move{"CharaFilter", 6, 1},
                        Move{"ViewFPS", 6, 1}, Move{"SCREEN_FILTER", 6, 1}, Move{"SELECT_LANGUAGE", 4, 1}}) {
    Cursor(m.id);
    Play(Script().Dir(m.dir, m.times));
  }
  Cursor("Exit");
  Play(Script().Press(kDecide).Wait(kCloseFrames));
  ASSERT_EQ(g_SceneId, SCENE_MAIN_MENU);
  harness_.Stop();

  // A fresh start reads the file.
  g_GameData = nullptr;
  LoadGameData();
  ASSERT_NE(g_GameData, nullptr);
  const GameData& d = *g_GameData;
  EXPECT_EQ(d.modes[0].Difficulty, 0);
  EXPECT_EQ(d.modes[0].DamageLevel, 4);
  EXPECT_EQ(d.modes[0].WinCount, 1);
  EXPECT_EQ(d.modes[1].WinCount, 3);
  EXPECT_EQ(d.modes[0].TimeSpeed, 3);
  EXPECT_EQ(d.CharaFilter, 3);
  EXPECT_EQ(d.ViewFPS, 1);
  EXPECT_EQ(d.SCREEN_FILTER, 1);
  EXPECT_EQ(d.SELECT_LANGUAGE, 0);

  // Match rules: arcade from the general record, versus with its own win count.
  struct Rules {
    int mode;
    int rounds;
  };
  for (const Rules& r : {Rules{MODE_ARCADE, 1}, Rules{MODE_VS_PLAYER, 3}}) {
    g_GameModeFlags = r.mode;
    ApplyMatchRules();
    EXPECT_EQ(g_CpuLevel, 0) << r.mode;
    EXPECT_EQ(g_DamageLevel, 4) << r.mode;
    EXPECT_EQ(g_RoundsToWin, r.rounds) << r.mode;
    EXPECT_EQ(g_TimerSpeed, 3) << r.mode;
  }
  g_GameModeFlags = 0;
  EXPECT_EQ(GetCharaFilter(), 3);
  EXPECT_EQ(GetSelectLanguage(), 0);

  SceneHarnessOptions o;
  o.firstScene = SCENE_OPTION;
  ASSERT_TRUE(harness_.Start(o));
  vt::text::LoadSystemFonts();  // as start-up loads them: the rate is system-font text
  // The frame rate is drawn (and not without the option), and the picture is composed with
  // smoothing.
  for (int32_t view : {1, 0}) {
    g_GameData->ViewFPS = view;
    int glyphs = 0;
    vt::text::SetSysFontSpriteSink([&glyphs](const vt::text::SysGlyphSprite&) { ++glyphs; });
    DrawFrameRate();
    vt::text::SetSysFontSpriteSink({});
    EXPECT_EQ(glyphs > 0, view == 1);
  }
  g_GameData->ViewFPS = 1;
  g_D3DDevice->Records().clear();
  harness_.RunFrame();
  const uint64_t scene = HandleTexture(g_SceneTargets[0])->Serial();
  int composed = 0;
  for (const auto& rec : g_D3DDevice->Records())
    if (rec.kind == vt::gfx::DeviceRecord::kDraw && rec.textureSerial == scene) {
      ++composed;
      EXPECT_EQ(rec.filter, vt::gfx::FILTER_LINEAR);
    }
  EXPECT_EQ(composed, 1);
  // Built anew, the menu's help is Japanese now.
  ASSERT_NE(GetOptionMenu(), nullptr);
  EXPECT_NE(GetOptionMenu()->help.FindText("Exit"), "Save and leave the options.");
  EXPECT_FALSE(GetOptionMenu()->help.FindText("Exit").empty());
}

TEST_F(OptionsSceneTest, RoadFromTheMainMenuChangesAnOptionAndReadsItBack) {
  Start(SCENE_MAIN_MENU);
  ASSERT_NE(GetMainMenu(), nullptr);
  // ARCADE, VERSUS, TRAINING, OPTION.
  auto frames = Play(Script().Dir(2, 3).Press(kDecide).Wait(40));
  int entered = -1;
  for (size_t i = 0; i < frames.size(); ++i)
    if (entered < 0 && frames[i].sceneId == SCENE_OPTION) entered = static_cast<int>(i);
  ASSERT_GE(entered, 0);
  ASSERT_NE(GetOptionMenu(), nullptr);
  // Down to WIN COUNT(VS) over the list itself, one more round; then down past the spacers to
  // EXIT (up from DIFFICULTY wraps to it).
  Play(Script().Dir(2, 3).Dir(6).Wait(2));
  EXPECT_EQ(GetOptionMenu()->Set()->CursorElement()->id, "WinCount(VS)");
  Play(Script().Dir(8, 3).Dir(8).Wait(2));
  EXPECT_EQ(GetOptionMenu()->Set()->CursorElement()->id, "Exit");
  frames = Play(Script().Press(kDecide).Wait(kCloseFrames + 2));
  EXPECT_EQ(frames.back().sceneId, SCENE_MAIN_MENU);
  EXPECT_EQ(ReadBack().modes[1].WinCount, 3);
  EXPECT_NE(GetMainMenu(), nullptr);
}

}  // namespace
