// The character loader's sound slots and the logic thread's sound front end. The loader frees
// and refills the characters' voice slots (400..1399) while the logic thread plays effects and
// sets the effect volume every frame; the front end passes those slots by until the join. Under
// ThreadSanitizer (VT_TSAN) a walk over a held slot shows as a race; in every build the requests
// for held slots are dropped and a volume set during the load reaches the new sounds at the join.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "Dxtools/gfx_test_env.h"
#include "Sound/soundproc.h"
#include "app/lib_debug.h"
#include "app/save_data.h"
#include "battle/battle_rules.h"
#include "battle/battle_sound.h"
#include "battle/chara_loader.h"
#include "battle_fixture.h"
#include "platform/audio/sound_mixer.h"

namespace {

// The loader's last step (the stage) holds until the test opens it. Only the open flag's release
// orders anything: the test learns that the stage step was reached through a relaxed flag, so it
// gets no view of the loader's writes before the join (as the game's VS screen gets none).
std::atomic<bool> g_StageEntered{false};
std::atomic<bool> g_StageOpen{false};

void HeldStageLoad() {
  g_StageEntered.store(true, std::memory_order_relaxed);
  while (!g_StageOpen.load(std::memory_order_acquire))
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// A sound of each sample character (slots 0 and 1) and a common effect.
constexpr int kTesterVoice = kVoiceSlotBase + 0;
constexpr int kDuelistVoice = kVoiceSlotBase + kVoicesPerPlayer + 0;
constexpr int kCommonEffect = 5;

class LoaderSoundSlots : public vt::test::RecordingGfx {
 protected:
  void SetUp() override {
    RecordingGfx::SetUp();
    for (const char* folder : {"data", "se"})
      std::filesystem::copy(std::filesystem::path(VT_SAMPLE_DIR) / folder, folder,
                            std::filesystem::copy_options::recursive);
    vt::SetDebugQuiet(true);
    vt::audio::SetSoundDeviceOverride(std::make_shared<vt::audio::NullSoundDevice>());
    gameData_ = GameData{};
    gameData_.BackgroundSound = 1;
    g_GameData = &gameData_;
    g_AttractMute = 0;
    ASSERT_EQ(InitSound(), 1);
    ASSERT_GT(LoadSystemSoundEffects(), kCommonEffect);
    battle_test::ResetWorld();
    InstallBattleRules();
    battle_test::UseTwoSampleCharacters();
    g_StageEntered = false;
    g_StageOpen = false;
    g_BattleSeams.LoadStageBgFile = HeldStageLoad;
  }
  void TearDown() override {
    g_StageOpen = true;
    GetCharaDataLoader().JoinThread();
    for (FrameDataSet& s : g_FrameDataSets) FreeFrameDataSetContents(s);
    FreeFrameDataSetContents(g_CommonFrameData);
    battle_test::ResetWorld();
    ReleaseSound();
    g_SeVolume = 0;
    g_GameData = nullptr;
    vt::audio::SetSoundDeviceOverride(nullptr);
    vt::SetDebugQuiet(false);
    RecordingGfx::TearDown();
  }

  // One logic frame of the VS screen: effects requested (a character's voice among them) and
  // played, and the effect volume set.
  static void Frame(int32_t volume) {
    RequestSoundEffect(kCommonEffect);
    RequestSoundEffect(kTesterVoice);
    RequestSoundEffect(kDuelistVoice);
    UpdateSoundRequests();
    SetSeVolume(volume);
  }

  GameData gameData_;
};

TEST_F(LoaderSoundSlots, LogicThreadPlaysAndSetsTheVolumeWhileALoadRefillsTheVoices) {
  // A previous match's voices are loaded: the new load frees them first.
  ASSERT_EQ(LoadCharacterSeList(0, 0, 0), 1);
  ASSERT_EQ(LoadCharacterSeList(1, 1, 0), 1);
  ASSERT_TRUE(g_SeSlots[kTesterVoice]);
  ASSERT_TRUE(g_SeSlots[kDuelistVoice]);
  SetSeVolume(0);

  CCharaDataLoader& loader = GetCharaDataLoader();
  loader.allCpu = 0;
  loader.progress = 0;
  ASSERT_EQ(loader.Start(), 1);
  EXPECT_TRUE(LoaderHoldsSoundSlots());
  // Frames run while the loader frees and refills the voices, at least until it reaches its
  // last step (the voices are in by then) and a few after.
  int frames = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while ((!g_StageEntered.load(std::memory_order_relaxed) || frames < 4) &&
         std::chrono::steady_clock::now() < deadline)
    Frame(-100 * (frames++ % 10));
  ASSERT_TRUE(g_StageEntered.load(std::memory_order_relaxed));
  // The volume of the last frame is set after the voices were loaded with an earlier one.
  constexpr int32_t kLastVolume = -1234;
  Frame(kLastVolume);
  EXPECT_TRUE(g_SeSlots[kCommonEffect]->IsPlaying());  // the common effects play on
  g_StageOpen.store(true, std::memory_order_release);
  ASSERT_EQ(WaitCharaDataLoader(), 1);
  EXPECT_FALSE(LoaderHoldsSoundSlots());

  // Every voice the load brought is there, none was started by the frames' requests, and each
  // has the last volume.
  ASSERT_TRUE(g_SeSlots[kTesterVoice]);
  ASSERT_TRUE(g_SeSlots[kDuelistVoice]);
  int voices = 0;
  for (int slot = kLoaderSeSlotFirst; slot < kLoaderSeSlotEnd; ++slot) {
    if (!g_SeSlots[slot]) continue;
    ++voices;
    EXPECT_FALSE(g_SeSlots[slot]->IsPlaying()) << slot;
    EXPECT_EQ(g_SeSlots[slot]->volume(), kLastVolume) << slot;
  }
  EXPECT_GT(voices, 2);
  // The voices are the logic thread's again: their requests play.
  Frame(kLastVolume);
  EXPECT_TRUE(g_SeSlots[kTesterVoice]->IsPlaying());
  EXPECT_TRUE(g_SeSlots[kDuelistVoice]->IsPlaying());
}

}  // namespace
