// The sound front end on the null device: volume steps and the mute rule, the effect request
// array, slot file lookup, the music list and music control.
#include "Sound/soundproc.h"

#include <gtest/gtest.h>

#include <cstring>

#include "Dxtools/sound_test_util.h"
#include "FilePacFunc/FilePac.h"
#include "FilePacFunc/FilePacWriter.h"
#include "app/lib_debug.h"
#include "app/save_data.h"
#include "support/test_util.h"

namespace {

using vt::test::SweepOgg;
using vt::test::WriteFile;

std::string AsText(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

class SoundProcTest : public vt::test::NullDeviceFixture {
 protected:
  void SetUp() override {
    NullDeviceFixture::SetUp();
    ReleaseSoundDevice();  // InitSound opens it again
    std::memset(&gameData_, 0, sizeof gameData_);
    gameData_.BackgroundSound = 1;
    g_GameData = &gameData_;
    g_AttractMute = 0;
    vt::SetDebugQuiet(true);  // no music list in most of these tests
    ASSERT_EQ(InitSound(), 1);
    vt::SetDebugQuiet(false);
  }
  void TearDown() override {
    ReleaseSound();
    g_GameData = nullptr;
    GetPackList().Clear();
    g_AttractMute = 0;
    g_BgmVolume = 0;
    g_SeVolume = 0;
    NullDeviceFixture::TearDown();
  }

  GameData gameData_;
};

TEST(SoundVolume, StepsToHundredthsOfADecibel) {
  const std::pair<int, int> cases[] = {{0, 0},      {1, -166},    {2, -333},    {3, -500}, {10, -1666},
                                       {20, -3333}, {21, -10000}, {99, -10000}, {-4, 0}};
  for (auto [step, volume] : cases) EXPECT_EQ(VolumeFromStep(step), volume) << step;
}

TEST_F(SoundProcTest, MuteRuleSilencesEveryVolume) {
  struct Case {
    int attract;
    bool options;
    int background;
    bool silent;
  };
  const Case cases[] = {{0, true, 0, false},
                        {1, true, 1, false},
                        {1, true, 0, true},
                        {1, false, 0, true},
                        {0, false, 0, false}};
  WriteFile("se/normal_se/SE005.ogg", AsText(SweepOgg(0.2)));
  ASSERT_TRUE(LoadSoundFile(".\\se\\normal_se\\SE005", 5));
  for (const Case& c : cases) {
    g_AttractMute = c.attract;
    g_GameData = c.options ? &gameData_ : nullptr;
    gameData_.BackgroundSound = c.background;
    gameData_.BgmVolume = 3;
    gameData_.SeVolume = 1;
    ApplySoundVolumes();
    int32_t bgm = c.options ? -500 : -10000;
    int32_t se = c.options ? -166 : -10000;
    EXPECT_EQ(g_BgmVolume, c.silent ? -10000 : bgm) << c.attract << c.options << c.background;
    EXPECT_EQ(g_SeSlots[5]->volume(), c.silent ? -10000 : se) << c.attract << c.options << c.background;
    EXPECT_EQ(g_SeVolume, se);  // the effect volume keeps the requested value
  }
  // Muted, StopBgm leaves the stored music volume silent until the next ApplySoundVolumes.
  g_AttractMute = 1;
  g_GameData = &gameData_;
  gameData_.BackgroundSound = 0;
  StopBgm();
  EXPECT_EQ(g_BgmVolume, -10000);
  g_AttractMute = 0;
  StopBgm();
  EXPECT_EQ(g_BgmVolume, -10000);
  ApplySoundVolumes();
  EXPECT_EQ(g_BgmVolume, -500);
}

TEST_F(SoundProcTest, EffectRequestsPlayOnceAndAreCleared) {
  WriteFile("se/normal_se/SE007.ogg", AsText(SweepOgg(1.0)));
  ASSERT_TRUE(LoadSoundFile(".\\se\\normal_se\\SE007", 7));
  g_SeVolume = 0;
  SetSeVolume(0);
  // A byte of 2 plays nothing; an empty slot's request is dropped; both are cleared.
  g_SeRequest[7] = 2;
  g_SeRequest[8] = 1;
  UpdateSoundRequests();
  EXPECT_EQ(g_SeSlots[7]->IsPlaying(), 0);
  EXPECT_EQ(g_SeRequest[7], 0);
  EXPECT_EQ(g_SeRequest[8], 0);
  // The same effect on two frames restarts it on the second.
  g_SeRequest[7] = 1;
  UpdateSoundRequests();
  Run(5000);
  uint32_t before = 0;
  g_SeSlots[7]->buffer()->GetCurrentPosition(&before, nullptr);
  EXPECT_EQ(before, 5000u * 4);
  g_SeRequest[7] = 1;
  UpdateSoundRequests();
  uint32_t after = 1;
  g_SeSlots[7]->buffer()->GetCurrentPosition(&after, nullptr);
  EXPECT_EQ(after, 0u);
  EXPECT_EQ(g_SeSlots[7]->IsPlaying(), 1);
  // Ids from data outside the array are ignored.
  vt::SetDebugQuiet(true);
  for (int id : {-1, 1500, 100000}) RequestSoundEffect(id);
  RequestSoundEffect(1499);
  EXPECT_EQ(g_SeRequest[1499], 1);
  EXPECT_EQ(LoadSoundSlot(".\\se\\normal_se\\SE007", -3), 0u);
  EXPECT_EQ(LoadSoundSlot(".\\se\\normal_se\\SE007", 1500), 0u);
  EXPECT_FALSE(LoadSoundFile(".\\se\\normal_se\\SE007", -1));
  vt::SetDebugQuiet(false);
}

// While a character load holds the voice slots 400..1399, requests and volume changes pass
// them by and nothing else; the load's end gives them the volume set meanwhile.
TEST_F(SoundProcTest, ALoadHoldsTheCharacterSlotsAndNoOthers) {
  WriteFile("se/battle_se/v.ogg", AsText(SweepOgg(1.0)));
  const struct {
    int slot;
    bool held;
  } slots[] = {{399, false}, {400, true}, {1399, true}, {1400, false}, {1499, false}};
  for (const auto& c : slots) ASSERT_GT(LoadSoundSlot(".\\se\\battle_se\\v", c.slot), 0u) << c.slot;
  SetSeVolume(0);
  BeginLoaderSoundSlots();
  for (const auto& c : slots) RequestSoundEffect(c.slot);
  UpdateSoundRequests();
  SetSeVolume(-500);
  for (const auto& c : slots) {
    EXPECT_EQ(g_SeSlots[c.slot]->IsPlaying(), c.held ? 0 : 1) << c.slot;
    EXPECT_EQ(g_SeSlots[c.slot]->volume(), c.held ? 0 : -500) << c.slot;
    EXPECT_EQ(g_SeRequest[c.slot], 0) << c.slot;  // a held slot's request is dropped, not kept
  }
  EndLoaderSoundSlots();
  for (const auto& c : slots) EXPECT_EQ(g_SeSlots[c.slot]->volume(), -500) << c.slot;
  for (const auto& c : slots) RequestSoundEffect(c.slot);
  UpdateSoundRequests();
  for (const auto& c : slots) EXPECT_EQ(g_SeSlots[c.slot]->IsPlaying(), 1) << c.slot;
}

// Slot 10 looks for "SE010.ogg" in the packs, then on disk, then "SE010.wav" the same way.
TEST_F(SoundProcTest, SlotFileLookupOrder) {
  struct Case {
    bool packOgg, diskOgg, packWav, diskWav;
    const char* expectFrom;  // which file the slot was made from
  };
  const Case cases[] = {{true, true, true, true, "pack ogg"},
                        {false, true, true, true, "disk ogg"},
                        {false, false, true, true, "pack wav"},
                        {false, false, false, true, "disk wav"},
                        {false, false, false, false, nullptr}};
  const std::vector<uint8_t> packOgg = SweepOgg(0.1), diskOgg = SweepOgg(0.2);
  std::vector<uint8_t> pcm(400 * 4, 1);
  const std::vector<uint8_t> packWav = BuildWavImage(2, 44100, 16, pcm);
  pcm.resize(300 * 4);
  const std::vector<uint8_t> diskWav = BuildWavImage(2, 44100, 16, pcm);
  auto sizeOfOgg = [](const std::vector<uint8_t>& ogg) { return vt::test::PlainDecode(ogg).size() * 2; };
  int round = 0;
  for (const Case& c : cases) {
    std::filesystem::remove_all("se");
    std::filesystem::remove_all("Se");
    GetPackList().Clear();
    std::vector<PackWriterMember> members;
    if (c.packOgg) members.push_back({".\\se\\normal_se\\SE010.ogg", packOgg});
    if (c.packWav) members.push_back({".\\se\\normal_se\\SE010.wav", packWav});
    members.push_back({".\\se\\normal_se\\SE011.txt", {'x'}});
    std::string pack = "test" + std::to_string(round++) + ".p";
    ASSERT_TRUE(WritePackFile(pack, members, PackWriterOptions{}));
    ASSERT_EQ(MountPack(pack), 1);
    if (c.diskOgg) WriteFile("se/normal_se/SE010.ogg", AsText(diskOgg));
    if (c.diskWav) WriteFile("Se/NORMAL_SE/se010.wav", AsText(diskWav));  // letter case differs on disk
    LoadSystemSoundEffects();
    std::string from;
    if (g_SeSlots[10]) {
      uint32_t size = g_SeSlots[10]->totalSize();
      if (size == sizeOfOgg(packOgg)) from = "pack ogg";
      if (size == sizeOfOgg(diskOgg)) from = "disk ogg";
      if (size == 1600) from = "pack wav";
      if (size == 1200) from = "disk wav";
    }
    EXPECT_EQ(from, c.expectFrom ? c.expectFrom : "");
    EXPECT_EQ(g_SeSlotNames[10], "SE010");
  }
}

TEST_F(SoundProcTest, MusicListSectionsAndRanges) {
  IniFile ini;
  ini.LoadFromText(
      "// list\r\n[BGM_003]\r\nIsLoop=1\r\nLoopPos=12.5\r\nFile=track_three\r\n"
      "[BGM_001]\r\nFile=0123456789012345678901234567890123456789\r\n[BGM_150]\r\nFile=x\r\n[Other]\r\nFile="
      "y\r\n");
  ParseBgmList(ini);
  EXPECT_EQ(g_BgmList[3].present, 1);
  EXPECT_EQ(g_BgmList[3].IsLoop, 1);
  EXPECT_DOUBLE_EQ(g_BgmList[3].LoopPos, 12.5);
  EXPECT_EQ(g_BgmList[3].File, "track_three");
  EXPECT_EQ(g_BgmList[1].File.size(), 32u);
  EXPECT_EQ(g_BgmList[1].IsLoop, 0);
  EXPECT_EQ(g_BgmList[0].present, 0);
  vt::SetDebugQuiet(true);
  for (int n : {-1, 150, 0, 2}) EXPECT_EQ(LoadBgm(n), 0) << n;  // out of range or missing section
  EXPECT_EQ(LoadBgm(3), 0);                                     // section present, file missing
  vt::SetDebugQuiet(false);
  EXPECT_EQ(g_BgmPrepared, 0);
}

TEST_F(SoundProcTest, StartBgmPlaysFromTheStartEveryTime) {
  std::vector<uint8_t> ogg = SweepOgg(8.0);
  WriteFile("bgm/tune.ogg", AsText(ogg));
  WriteFile("bgm/bgm.txt", "[BGM_081]\r\nIsLoop=1\r\nLoopPos=0\r\nFile=tune\r\n");
  ASSERT_EQ(LoadBgmList(), 1);
  ASSERT_EQ(LoadBgm(81), 1);
  gameData_.BgmVolume = 0;
  ApplySoundVolumes();
  std::vector<int16_t> plain = vt::test::PlainDecode(ogg);
  StartBgm();
  EXPECT_EQ(g_BgmPlaying, 1);
  Run(44100 * 4 + 777, g_BgmStream.get());
  StopBgm();
  EXPECT_EQ(g_BgmPlaying, 0);
  StartBgm();
  std::vector<int16_t> out = Run(44100 * 2, g_BgmStream.get());
  EXPECT_TRUE(std::equal(out.begin(), out.end(), plain.begin()));
  EXPECT_EQ(g_BgmStream->volume(), 0);
}

}  // namespace
