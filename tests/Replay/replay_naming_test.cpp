// Replay file names: the token table, the template file and its fallbacks, one clock reading for
// the name and the header's date, the sanitising of names, and unique names in the folder.
#include "Replay/replay_naming.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "battle/battle_records.h"
#include "battle/chara_list.h"
#include "platform/clock.h"
#include "platform/path_translate.h"

namespace {

using vt::platform::LocalTime;

class ReplayNaming : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetAllBattleGlobals();
    LoadCharaSelectList(
        "[CharaNo_000]\r\nName=Alder\r\n[CharaNo_001]\r\nName=Birch\r\n[CharaNo_002]\r\nName=Cedar\r\n");
    Place(0, 0, 1);  // side 0: Alder, type 1
    Place(1, 1, 0);  // side 1: Birch, type 0
    g_MainSide = 0;
  }
  void TearDown() override {
    FreeCharaSelectList();
    ResetAllBattleGlobals();
    g_ReplayNetSession = {};
    vt::platform::SetClock(nullptr);
  }
  static void Place(int slot, int chara, int type) {
    g_PlayerRecords[slot].inUse = 1;
    g_PlayerRecords[slot].obj.charaIndex = static_cast<uint8_t>(chara);
    g_PlayerRecords[slot].obj.type = static_cast<int16_t>(type);
  }
  static std::string Build(std::string_view tmpl, LocalTime now = {2026, 3, 4, 5, 6, 7, 0}) {
    std::string out;
    EXPECT_EQ(BuildReplayFileName(".\\System\\none.txt", &out, tmpl, now), 1);
    return out;
  }
  static void WriteGameFile(const std::string& game, const std::string& text) {
    const std::filesystem::path host = vt::platform::ResolveGamePath(game);
    if (!host.parent_path().empty()) std::filesystem::create_directories(host.parent_path());
    std::ofstream(host, std::ios::binary) << text;
  }
};

TEST_F(ReplayNaming, TokenTable) {
  const struct {
    const char* tmpl;
    const char* want;
  } cases[] = {
      {"<1PNAME>x<2PNAME>_<Y><M><D><H><m><S>.rep", "AlderxBirch_260304050607.rep"},
      {"<m>-<M>", "06-03"},
      {"<CPUNAME>=<PCNAME> <CPUSTYLE>=<PCSTYLE>", "Birch=Birch CMS=CMS"},
      {"<1PSTYLE><2PSTYLE>", "FMSCMS"},
      {"a<WHAT>b", "ab"},
      {"x<1PNAME", "x"},
      {"RepD_@CPUNAME@_@CPUSTYLE@.dmr", "RepD_@CPUNAME@_@CPUSTYLE@.dmr"},
      {"<NSUNAME>", "replay"},  // no session: empty, and an empty name gets a placeholder
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tmpl);
    EXPECT_EQ(Build(c.tmpl), c.want);
  }
}

TEST_F(ReplayNaming, StyleOfATypeOutsideTheThreeIsEmptyAndTheActivePartnerNamesItsSide) {
  Place(1, 1, 7);
  EXPECT_EQ(Build("<2PSTYLE>.rep"), "replay.rep");  // an empty stem gets a placeholder
  Place(3, 2, 2);                                   // side 1's partner, Cedar, is the active one
  g_SideStatus[1].activePlayer = 3;
  EXPECT_EQ(Build("<2PNAME><2PSTYLE>.rep"), "CedarHMS.rep");
  g_MainSide = 1;
  EXPECT_EQ(Build("<CPUNAME>.rep"), "Alder.rep");
}

TEST_F(ReplayNaming, NetTokensReadTheSession) {
  g_ReplayNetSession.sessionRunning = [] { return true; };
  g_ReplayNetSession.userName = [](int side) { return std::string(side ? "b/ob" : "CON"); };
  // Reserved characters go full-width and a reserved device name too.
  const std::string name = Build("<NSUNAME>_<NDUNAME>.rep");
  EXPECT_EQ(name.find('/'), std::string::npos);
  EXPECT_EQ(name.find("CON"), std::string::npos);
  EXPECT_NE(name.find(".rep"), std::string::npos);
}

TEST_F(ReplayNaming, TemplateFileNeedsBothNameAndExt) {
  WriteGameFile(".\\System\\t1.txt", "[Header]\r\nName=<2PNAME>_vs_<1PNAME>  \r\nExt=.rep\r\n");
  WriteGameFile(".\\System\\t2.txt", "[Header]\r\nName=<2PNAME>\r\n");
  WriteGameFile(".\\System\\t3.txt", "[Other]\r\nName=a\r\nExt=.b\r\n");
  const LocalTime now{2026, 3, 4, 5, 6, 7, 0};
  std::string out;
  BuildReplayFileName(".\\System\\t1.txt", &out, kDefaultReplayTemplate, now);
  EXPECT_EQ(out, "Birch_vs_Alder.rep");
  BuildReplayFileName(".\\System\\t2.txt", &out, kDefaultReplayTemplate, now);
  EXPECT_EQ(out, "AlderxBirch_260304050607.rep");
  BuildReplayFileName(".\\System\\t3.txt", &out, kDefaultReplayTemplate, now);
  EXPECT_EQ(out, "AlderxBirch_260304050607.rep");
}

TEST(ReplayNameSanitising, Table) {
  const std::string longName(300, 'a');
  const struct {
    const char* name;
    std::string in;
    std::string want;
  } cases[] = {
      {"parent folder", "..\\x.rep", "x.rep"},
      {"separators", "a/b\\c.rep", "abc.rep"},
      {"a trail byte 0x5C", "\x83\x5C.rep", "\x83\x5C.rep"},
      {"device name", "con.rep", "\x82\x62\x82\x6E\x82\x6D.rep"},
      {"control characters",
       "a\x01\x1F\x7F"
       "b.rep",
       "ab.rep"},
      {"300 characters", longName + ".rep", std::string(200, 'a') + ".rep"},
      {"cut at a character boundary", std::string(199, 'a') + "\x83\x40" + ".rep",
       std::string(199, 'a') + ".rep"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SanitiseReplayFileName(c.in), c.want);
  }
}

TEST_F(ReplayNaming, OneClockReadingGivesTheNameAndTheHeaderDate) {
  vt::platform::FakeClock clock;
  clock.SetLocalTime({2026, 12, 31, 12, 59, 59, 999});
  vt::platform::SetClock(&clock);
  ReplayFileHeader h;
  h.Init();
  const std::string name = MakeReplayFileName(".\\System\\none.txt", &h);
  EXPECT_EQ(name, "AlderxBirch_261231125959.rep");
  EXPECT_EQ(h.FormatDate(), "2026/12/31 12:59:59");
  EXPECT_EQ(clock.localReads(), 1);
}

TEST_F(ReplayNaming, AnExistingReplayIsNeverNamedAgainWhateverTheLetterCase) {
  vt::platform::FakeClock clock;
  clock.SetLocalTime({2026, 1, 2, 3, 4, 5, 0});
  vt::platform::SetClock(&clock);
  const std::string first = MakeReplayFileName(".\\System\\none.txt", nullptr);
  WriteGameFile(std::string(kReplayFolder) + first, "x");
  EXPECT_EQ(MakeReplayFileName(".\\System\\none.txt", nullptr), "AlderxBirch_260102030405_1.rep");
  WriteGameFile(".\\ReplayVS\\ALDERXBIRCH_260102030405_1.REP", "x");
  EXPECT_EQ(MakeReplayFileName(".\\System\\none.txt", nullptr), "AlderxBirch_260102030405_2.rep");
}

}  // namespace
