// The character list, the story-battle routes and their table scanners, the story-battle paths,
// the common effect set and the path checks on data values that become file paths.
#include "battle/chara_list.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "Dxtools/BmpcutFiles/cut_sprite_sheet.h"
#include "Sound/soundproc.h"
#include "app/lib_debug.h"
#include "battle/battle_harness.h"
#include "battle/battle_match_setup.h"
#include "battle/battle_sound.h"
#include "battle/battle_text.h"
#include "battle/chara_command.h"
#include "battle/chara_loader.h"
#include "battle/frame_effects.h"
#include "battle/object_pool.h"
#include "battle/story_routes.h"
#include "battle_fixture.h"
#include "support/test_util.h"

namespace {

namespace fs = std::filesystem;
using battle_test::BattleTest;

// Debugger output collected in a trace file for the test's checks.
class TraceLines {
 public:
  TraceLines() {
    fs::remove(path_);
    vt::SetDebugQuiet(true);
    vt::SetDebugTraceFile(path_);
  }
  ~TraceLines() {
    vt::SetDebugTraceFile("");
    vt::SetDebugQuiet(false);
  }
  std::string Text() const { return vt::test::ReadFile(path_); }

 private:
  std::string path_ = (fs::current_path() / "trace.txt").string();
};

class ListAndRoutes : public BattleTest {
 protected:
  void SetUp() override {
    BattleTest::SetUp();
    InstallCharaListSeams();
    g_BattleSeams.SelectLanguage = [] { return 1; };
  }
  void TearDown() override {
    FreeCharaSelectList();
    BattleTest::TearDown();
  }
};

// ---- character list ----

constexpr const char* kList =
    "[CharaNo_000]\r\nName=Alpha\r\nFile1=alpha\r\nFile2=alpha2\r\nGiantFlag=2\r\nTagType=255\r\n"
    "CharaNum1=Beta\r\nCharaNum2=Nobody\r\n"
    "[CharaNo_002]\r\nName=Beta\r\nFile1=beta // the second\r\nFile2=0\r\nCharaNum1=\r\n"
    "[CharaNo_003]\r\nName=Beta\r\nFile1=beta_again\t \r\nTagType=1\r\nCharaNum1=Alpha\r\n"
    "[CharaNo_199]\r\nName=Last\r\n"
    "[CharaNo_200]\r\nName=Beyond\r\n";

TEST_F(ListAndRoutes, LoadCharaSelectListMakesAnEntryPerSection) {
  EXPECT_EQ(LoadCharaSelectList(kList), 4);
  ASSERT_EQ(CharaListItemCount(), kCharaListItems);
  const struct {
    int n;
    const char *name, *file1, *file2;
    int num1, num2, giant, tag;
  } cases[] = {
      // A name not in the list makes the entry stand for itself.
      {0, "Alpha", "alpha", "alpha2", 2, 0, 2, 255},
      // Comments and trailing blanks end a value; an empty CharaNum1 leaves -1; missing keys
      // give empty texts and 0.
      {2, "Beta", "beta", "0", -1, -1, 0, 0},
      // Duplicate names: the lower number is the one found.
      {3, "Beta", "beta_again", "", 0, -1, 0, 1},
      {199, "Last", "", "", -1, -1, 0, 0},
  };
  for (const auto& c : cases) {
    const CharaListEntry* e = GetCharaListEntry(c.n);
    ASSERT_NE(e, nullptr) << c.n;
    EXPECT_EQ(e->index, c.n);
    EXPECT_STREQ(e->Name, c.name) << c.n;
    EXPECT_STREQ(e->File1, c.file1) << c.n;
    EXPECT_STREQ(e->File2, c.file2) << c.n;
    EXPECT_EQ(e->CharaNum1, c.num1) << c.n;
    EXPECT_EQ(e->CharaNum2, c.num2) << c.n;
    EXPECT_EQ(e->GiantFlag, c.giant) << c.n;
    EXPECT_EQ(e->TagType, c.tag) << c.n;
  }
  // A missing section, an index past the items and a negative one are all absent.
  for (int n : {1, 198, 200, -1}) EXPECT_EQ(GetCharaListEntry(n), nullptr) << n;
  EXPECT_EQ(FindCharacterByName("Beta"), 2);
  EXPECT_EQ(FindCharacterByName("Last"), 199);  // past the empty items
  EXPECT_EQ(FindCharacterByName("beta"), -1);   // case matters
  EXPECT_EQ(FindCharacterByName("Beyond"), -1);
  EXPECT_EQ(FindCharacterByName(""), -1);
  // A new load replaces the list.
  EXPECT_EQ(LoadCharaSelectList("[CharaNo_005]\r\nName=Solo\r\n"), 1);
  EXPECT_EQ(GetCharaListEntry(0), nullptr);
  EXPECT_EQ(FindCharacterByName("Solo"), 5);
}

TEST_F(ListAndRoutes, WithoutAListEveryReaderAnswersAbsent) {
  BattleObject o;
  o.charaIndex = 0;
  EXPECT_EQ(GetCharaListEntry(0), nullptr);
  EXPECT_EQ(CharaListItemCount(), 0);
  EXPECT_EQ(FindCharacterByName("Alpha"), -1);
  EXPECT_EQ(BattleSeamIsGiantCharacter(&o), 0);
  EXPECT_EQ(BattleSeamGetCharacterTagType(0), 0);
  std::string f1, f2;
  EXPECT_EQ(BattleSeamCharaListFiles(0, &f1, &f2), 0);
  LoadCharaSelectList(kList);
  EXPECT_EQ(BattleSeamIsGiantCharacter(&o), 2);
  EXPECT_EQ(BattleSeamGetCharacterTagType(3), 1);
  EXPECT_EQ(BattleSeamGetCharacterTagType(1), 0);  // empty item
  EXPECT_EQ(BattleSeamCharaListCount(), 200);
  ASSERT_EQ(BattleSeamCharaListFiles(0, &f1, &f2), 1);
  EXPECT_EQ(f1, "alpha");
  EXPECT_EQ(f2, "alpha2");
  EXPECT_EQ(BattleSeamCharaListFiles(1, &f1, &f2), 0);
}

// Name keeps 32 bytes and File1/File2 31, never half a double-byte character.
TEST_F(ListAndRoutes, ValuesAreCutAtACharacterBoundary) {
  const std::string kanji = "\x95\x5C";  // one double-byte character whose trail byte is '\'
  const struct {
    const char* name;
    std::string value;
    std::string name32, file31;
  } cases[] = {
      {"ASCII", std::string(40, 'a'), std::string(32, 'a'), std::string(31, 'a')},
      {"double-byte characters", kanji + std::string(30, 'b') + kanji, kanji + std::string(30, 'b'),
       kanji + std::string(29, 'b')},
      {"odd start",
       "c" + kanji + kanji + kanji + kanji + kanji + kanji + kanji + kanji + kanji + kanji + kanji + kanji +
           kanji + kanji + kanji + kanji + kanji,
       "c" + kanji + kanji + kanji + kanji + kanji + kanji + kanji + kanji + kanji + kanji + kanji + kanji +
           kanji + kanji + kanji,
       "c" + kanji + kanji + kanji + kanji + kanji + kanji + kanji + kanji + kanji + kanji + kanji + kanji +
           kanji + kanji + kanji},
  };
  for (const auto& c : cases) {
    LoadCharaSelectList("[CharaNo_000]\r\nName=" + c.value + "\r\nFile1=" + c.value + "\r\nFile2=" + c.value +
                        "\r\n");
    const CharaListEntry* e = GetCharaListEntry(0);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(std::string(e->Name), c.name32) << c.name;
    EXPECT_EQ(std::string(e->File1), c.file31) << c.name;
    EXPECT_EQ(std::string(e->File2), c.file31) << c.name;
  }
}

// Names and file-set names become parts of data, sound and story paths: a value that would
// lead out of the game folder is refused, with a line naming the list file.
TEST_F(ListAndRoutes, ListValuesLeavingTheGameFolderAreRefused) {
  const struct {
    const char* value;
    bool kept;
  } cases[] = {
      {"..\\System\\x", false}, {"a/../../b", false}, {"\\abs", false}, {"/abs", false},
      {"C:evil", false},        {"z:\\evil", false},  {"..", false},    {"a..b", true},
      {"dir\\name", true},      {"\x95\x5C..", true},  // the '\' is a trail byte: one name, not a ".."
                                                       // component
  };
  for (const auto& c : cases) {
    TraceLines trace;
    LoadCharaSelectList(std::string("[CharaNo_000]\r\nName=") + c.value + "\r\nFile1=" + c.value +
                        "\r\nFile2=" + c.value + "\r\n");
    const CharaListEntry* e = GetCharaListEntry(0);
    ASSERT_NE(e, nullptr);
    const std::string expected = c.kept ? c.value : "";
    EXPECT_EQ(std::string(e->Name), expected) << c.value;
    EXPECT_EQ(std::string(e->File1), expected) << c.value;
    EXPECT_EQ(std::string(e->File2), expected) << c.value;
    const std::string log = trace.Text();
    EXPECT_EQ(log.find(".\\charaselect.txt") != std::string::npos, !c.kept) << c.value << ": " << log;
  }
}

// ---- line scanners ----

TEST_F(ListAndRoutes, LineScanners) {
  using namespace battle_text;
  enum Op { kLine, kBlanks, kOnLine, kField };
  const struct {
    Op op;
    const char* text;
    int end;  // offset of the returned position
  } cases[] = {
      {kLine, "12\r\n3", 4},
      {kLine, "12\r3", 3},
      {kLine, "12\n3", 3},  // a lone LF ends a line too
      {kLine, "12\r\r\n", 3},
      {kLine, "12", 2},
      {kBlanks, " \t\r\n// note\r\n\t7", 14},
      {kBlanks, "\n\n\r\n\r5", 5},
      {kBlanks, "// only a comment", 17},
      {kBlanks, "//a\n7", 4},
      {kBlanks, "7 ", 0},
      {kOnLine, " \t7", 2},
      {kOnLine, " \r\n7", 1},
      {kOnLine, "\t// note\r\n7", 10},  // a comment goes with its line end
      {kField, "12 \t 34", 5},
      {kField, "12\r\n34", 2},
      {kField, "12//c", 2},
      {kField, "12", 0},  // the end of the text: the field's own start
      {kField, "  12 34", 5},
      {kField, "\r\n34", 0},
  };
  for (const auto& c : cases) {
    const char* p = nullptr;
    switch (c.op) {
      case kLine:
        p = SkipToNextLine(c.text);
        break;
      case kBlanks:
        p = SkipBlanks(c.text);
        break;
      case kOnLine:
        p = SkipSpacesOnLine(c.text);
        break;
      case kField:
        p = NextField(c.text);
        break;
    }
    EXPECT_EQ(p - c.text, c.end) << c.op << " \"" << c.text << "\"";
  }
  const struct {
    const char* text;
    int32_t value;
  } numbers[] = {{"  \r\n -12x", -12}, {"+7", 7}, {"abc", 0}, {"-", 0}, {"\t0009 1", 9}, {"4294967297", 1}};
  for (const auto& n : numbers) EXPECT_EQ(ReadNumber(n.text), n.value) << n.text;
}

// ---- story-battle routes ----

void WriteTable(const std::string& text, const char* name = "Alpha") {
  vt::test::WriteFile(std::string("story/battle/eng/") + name + "_table.txt", text);
}

// Three routes whose stages name opponents 10+, 20+ and 30+.
constexpr const char* kThreeRoutes =
    "3\r\n"
    "1\r\n11 1 0 0 -1 0\r\n"
    "2\r\n21 2 0 0 -1 0\r\n22 3 5 2 0 9\r\n"
    "1\r\n31 4 0 8 3 0\r\n";

struct StageRow {
  int32_t opponent, stage, variant, flags, text, extra;
};

void ExpectStages(const StoryBattleRoute& r, const std::vector<StageRow>& rows, const char* name) {
  ASSERT_EQ(r.stageCount, static_cast<int32_t>(rows.size())) << name;
  for (size_t i = 0; i < rows.size(); ++i) {
    const RouteStage& s = r.stages[i];
    EXPECT_EQ(s.opponent, rows[i].opponent) << name << " stage " << i;
    EXPECT_EQ(s.stage, rows[i].stage) << name << " stage " << i;
    EXPECT_EQ(s.stageVariant, rows[i].variant) << name << " stage " << i;
    EXPECT_EQ(s.flags, rows[i].flags) << name << " stage " << i;
    EXPECT_EQ(s.textNumber, rows[i].text) << name << " stage " << i;
    EXPECT_EQ(s.extra, rows[i].extra) << name << " stage " << i;
    EXPECT_EQ(s.opponentPartner, 255) << name;
  }
  EXPECT_EQ(r.stages[rows.size()].opponent, 255) << name;
}

TEST_F(ListAndRoutes, LoadStoryBattleRouteReadsTheChosenRoute) {
  LoadCharaSelectList(kList);
  std::string twenty = "2\r\n20\r\n";
  for (int i = 0; i < 20; ++i) twenty += std::to_string(100 + i) + " 1 0 0 -1 0\r\n";
  twenty += "1\r\n7 7 7 7 7 7\r\n";
  const std::vector<StageRow> route1 = {{21, 2, 0, 0, -1, 0}, {22, 3, 5, 2, 0, 9}};
  std::vector<StageRow> first16;
  for (int i = 0; i < 16; ++i) first16.push_back({100 + i, 1, 0, 0, -1, 0});
  const struct {
    const char* name;
    std::string table;
    int choice, result;
    std::vector<StageRow> stages;
  } cases[] = {
      {"choice 1", kThreeRoutes, 1, 1, route1},
      {"choice 5 with three routes loads route 2", kThreeRoutes, 5, 2, {{31, 4, 0, 8, 3, 0}}},
      {"R = 0 reads as one route", "0\r\n1\r\n5 6 0 0 -1 0\r\n", 3, 0, {{5, 6, 0, 0, -1, 0}}},
      {"LF line ends read as CR LF", "3\n1\n11 1 0 0 -1 0\n2\n21 2 0 0 -1 0\n22 3 5 2 0 9\n", 1, 1, route1},
      {"CR line ends", "3\r1\r11 1 0 0 -1 0\r2\r21 2 0 0 -1 0\r22 3 5 2 0 9\r", 1, 1, route1},
      {"TABs, blank lines and comments",
       "// routes\r\n3 // three\r\n\r\n1\r\n\t11 1 0 0 -1 0\r\n// second\r\n2\r\n21\t2\t0 0  -1 0 // "
       "a\r\n\r\n"
       "22 3 5 2 0 9\r\n",
       1, 1, route1},
      // A short line: every missing field takes the next line's first number, and the next
      // line is still the next stage.
      {"short stage line",
       "1\r\n2\r\n5 1 0\r\n6 2 0 2 -1 7\r\n",
       0,
       0,
       {{5, 1, 0, 6, 6, 6}, {6, 2, 0, 2, -1, 7}}},
      {"more than 16 stages", twenty, 0, 0, first16},
      {"routes before are skipped by their full counts", twenty, 1, 1, {{7, 7, 7, 7, 7, 7}}},
      {"stage count past the end of the text",
       "1\r\n4\r\n5 1 0 0 -1 0\r\n",
       0,
       0,
       {{5, 1, 0, 0, -1, 0}, {0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}}},
      // A damaged count of 2^31 - 1 stages before the chosen route ends with the text.
      {"huge skip count", "2\r\n2147483647\r\n1 1 1 1 1 1\r\n", 1, 1, {}},
      {"negative stage count", "1\r\n-4\r\n5 1 0 0 -1 0\r\n", 0, 0, {}},
  };
  for (const auto& c : cases) {
    WriteTable(c.table);
    StoryBattleRoute& r = g_StoryBattleRoutes[1];
    r.stages[20].opponent = 3;  // left from an earlier route: every stage is reset
    const int32_t draws = g_RandDrawCount;
    EXPECT_EQ(LoadStoryBattleRoute(1, 0, c.choice), c.result) << c.name;
    EXPECT_EQ(g_RandDrawCount, draws) << c.name;
    ExpectStages(r, c.stages, c.name);
    EXPECT_EQ(r.stages[20].opponent, 255) << c.name;
  }
}

// Choice -1 draws the route from the common stream: exactly one draw, and none without routes.
TEST_F(ListAndRoutes, RandomRouteChoiceDrawsOnce) {
  LoadCharaSelectList(kList);
  WriteTable(kThreeRoutes);
  for (int run = 0; run < 8; ++run) {
    // The value the stream gives next, found on a copy of the streams.
    RandStream saved[kRandStreamCount];
    std::copy(std::begin(g_RandStreams), std::end(g_RandStreams), saved);
    const int32_t savedLast = g_RandLastValue, draws = g_RandDrawCount;
    const int expected = RandNext() % 3;
    std::copy(std::begin(saved), std::end(saved), g_RandStreams);
    g_RandLastValue = savedLast;
    g_RandDrawCount = draws;
    EXPECT_EQ(LoadStoryBattleRoute(0, 0, -1), expected);
    EXPECT_EQ(g_RandDrawCount, draws + 1);
    EXPECT_EQ(g_StoryBattleRoutes[0].stages[0].opponent, 11 + 10 * expected);
  }
  WriteTable("0\r\n1\r\n5 1 0 0 -1 0\r\n");
  const int32_t draws = g_RandDrawCount;
  EXPECT_EQ(LoadStoryBattleRoute(0, 0, -1), 0);
  EXPECT_EQ(g_RandDrawCount, draws);
}

TEST_F(ListAndRoutes, RouteFallbacks) {
  LoadCharaSelectList(kList);
  WriteTable(kThreeRoutes);
  static int variant;
  g_BattleSeams.ArcadeVariant = [] { return variant; };
  const struct {
    const char* name;
    int side, chara, variant, result;
    std::vector<StageRow> stages;
  } cases[] = {
      {"no table", 0, 2, 0, 0, {{0, 0, 0, 0, 0, 0}}},
      {"no entry", 0, 1, 0, 0, {{0, 0, 0, 0, 0, 0}}},
      {"no character", 0, -1, 0, 0, {}},
      {"arcade start variant", 0, 0, 1, 1, {{27, 33, 0, 0, 0, 0}}},
  };
  for (const auto& c : cases) {
    variant = c.variant;
    g_StoryBattleRoutes[0].stages[0].opponent = 99;
    EXPECT_EQ(LoadStoryBattleRoute(c.side, c.chara, 1), c.result) << c.name;
    ExpectStages(g_StoryBattleRoutes[0], c.stages, c.name);
  }
  // A side outside 0..1 has no route: nothing is touched.
  variant = 0;
  const StoryBattleRoute before0 = g_StoryBattleRoutes[0], before1 = g_StoryBattleRoutes[1];
  for (int side : {2, 255, -1}) EXPECT_EQ(LoadStoryBattleRoute(side, 0, 0), 0) << side;
  EXPECT_EQ(std::memcmp(&before0, &g_StoryBattleRoutes[0], sizeof before0), 0);
  EXPECT_EQ(std::memcmp(&before1, &g_StoryBattleRoutes[1], sizeof before1), 0);
}

TEST_F(ListAndRoutes, ResetsKeepWhatTheyDoNotClear) {
  StoryBattleRoute& r = g_StoryBattleRoutes[1];
  r.stageIndex = 3;
  r.stageCount = 5;
  r.exTexts = 1;
  r.extraRoute = 255;
  r.progress[7] = 9;
  r.playerCharacter = 4;
  r.playerColor = 2;
  r.playerType = 1;
  r.flags[99] = 1;
  r.stages[2].opponent = 8;
  r.stages[127].extra = 6;
  BattleSeamResetStoryBattleRoute(1);
  EXPECT_EQ(r.stageIndex, 0);
  EXPECT_EQ(r.stageCount, 0);
  EXPECT_EQ(r.exTexts, 0);
  EXPECT_EQ(r.extraRoute, 0);
  EXPECT_EQ(r.progress[7], 0);
  EXPECT_EQ(r.playerCharacter, -1);
  EXPECT_EQ(r.playerColor, 0);
  EXPECT_EQ(r.playerType, 0);
  EXPECT_EQ(r.flags[99], 0);
  EXPECT_EQ(r.stages[2].opponent, 8);  // the stages stay
  // The side's progress reset goes the same way.
  r.playerCharacter = 4;
  r.flags[0] = 1;
  ResetSideProgress(1);
  EXPECT_EQ(r.playerCharacter, -1);
  EXPECT_EQ(r.flags[0], 0);
  r.stageCount = 2;
  r.exTexts = 1;
  ResetRouteStages(r);
  EXPECT_EQ(r.stageCount, 0);
  EXPECT_EQ(r.exTexts, 1);
  EXPECT_EQ(r.stages[2].opponent, 255);
  EXPECT_EQ(r.stages[127].extra, 0);
  EXPECT_EQ(r.stages[127].unused[1], 255);
  BattleSeamResetStoryBattleRoute(255);  // no route: nothing to do
}

// What the battle asks of the routes. The effect owner's side 255 has no route (it plays
// common effects for both sides).
TEST_F(ListAndRoutes, RouteQuestionsFromTheBattle) {
  LoadCharaSelectList(kList);
  for (StoryBattleRoute& r : g_StoryBattleRoutes) {
    r.stageCount = 2;
    r.stageIndex = 1;
    r.stages[1].stage = 6;
    r.stages[1].textNumber = 4;
  }
  g_StoryBattleRoutes[1].playerCharacter = 3;
  g_StoryBattleRoutes[1].exTexts = 1;
  g_StoryBattleRoutes[1].stages[1].stage = 32;
  g_GameModeFlags = 0x10;
  EXPECT_EQ(BattleSeamRouteStageKind(0), 6);
  EXPECT_EQ(BattleSeamRouteStageKind(1), 32);
  EXPECT_EQ(BattleSeamRouteStageKind(255), 0);
  EXPECT_EQ(BattleSeamRouteCharacter(1), 3);
  EXPECT_EQ(BattleSeamRouteCharacter(0), -1);
  EXPECT_EQ(BattleSeamRouteCharacter(255), -1);
  g_MainSide = 1;
  int32_t info[4] = {};
  std::string name;
  ASSERT_EQ(BattleSeamMainRouteStage(info, &name), 1);
  EXPECT_EQ(info[0], 32);
  EXPECT_EQ(info[1], 1);
  EXPECT_EQ(info[2], 4);
  EXPECT_EQ(info[3], 1);
  EXPECT_EQ(name, "Beta");
  // The special stage and the story text of the main side's stage follow from it.
  SetupSpecialStage();
  EXPECT_EQ(g_BattleState[BattleStateIndex::kSpecialStage], 1);
  std::string path;
  ASSERT_EQ(MakeStoryBattleTextPath(&path), 1);
  EXPECT_EQ(path, ".\\story\\battle\\eng\\BetaEx02_4.txt");
  // Outside arcade no stage has a kind; a finished route has no stage.
  g_GameModeFlags = 0x1;
  EXPECT_EQ(BattleSeamRouteStageKind(0), 0);
  g_GameModeFlags = 0x10;
  g_StoryBattleRoutes[1].stageIndex = 2;
  EXPECT_EQ(BattleSeamRouteStageKind(1), 0);
  EXPECT_EQ(BattleSeamMainRouteStage(info, &name), 0);
}

// A voice of the common-effect owner (side 255) records no ending voice, whatever the routes
// hold; the sides' own characters do on a kind-6 stage.
TEST_F(ListAndRoutes, EffectOwnerVoiceKeepsNoRouteRecord) {
  for (StoryBattleRoute& r : g_StoryBattleRoutes) {
    r.stageCount = 1;
    r.stages[0].stage = 6;
  }
  g_GameModeFlags = 0x10;
  static std::vector<int> recorded;
  recorded.clear();
  g_BattleSeams.AchieveEndingFlags = [](int voice) { recorded.push_back(voice); };
  Han6Effect e;
  e.type = 9;
  e.number = 1;
  e.params[0] = 12;
  for (int side : {255, 0}) {
    BattleObject o;
    o.side = static_cast<uint8_t>(side);
    o.playerIndex = 0;
    PlaySoundEffect(o, e);
  }
  EXPECT_EQ(recorded, std::vector<int>{12});
}

TEST_F(ListAndRoutes, StoryBattlePaths) {
  using Builder = void (*)(std::string*, const StoryBattleRoute&, std::string_view);
  const struct {
    const char* name;
    Builder build;
    int language, ex, stageIndex;
    const char* path;
  } cases[] = {
      {"table", MakeStoryTableTextPath, 0, 0, 0, ".\\story\\battle\\jpn\\Duelist_table.txt"},
      {"table Ex", MakeStoryTableTextPath, 1, 1, 0, ".\\story\\battle\\eng\\DuelistEx_table.txt"},
      {"win", MakeStoryWinTextPath, 1, 0, 0, ".\\story\\battle\\eng\\Duelist_win.txt"},
      {"win Ex", MakeStoryWinTextPath, 0, 1, 0, ".\\story\\battle\\jpn\\DuelistEx_win.txt"},
      {"start", MakeStoryStartTextPath, 1, 0, 0, ".\\story\\battle\\eng\\Duelist_start.txt"},
      {"start Ex", MakeStoryStartTextPath, 1, 1, 0, ".\\story\\battle\\eng\\DuelistEx_start.txt"},
      {"ending", MakeStoryEndingTextPath, 0, 0, 0, ".\\story\\battle\\jpn\\Duelist_ending.txt"},
      {"ending Ex", MakeStoryEndingTextPath, 1, 1, 0, ".\\story\\battle\\eng\\DuelistEx_ending.txt"},
      {"stage index 0", MakeStoryStageTextPath, 1, 0, 0, ".\\story\\battle\\eng\\Duelist00A.txt"},
      {"stage Ex", MakeStoryStageTextPath, 0, 1, 11, ".\\story\\battle\\jpn\\DuelistEx11A.txt"},
      // Only exTexts 1 means the Ex texts.
      {"exTexts 2", MakeStoryTableTextPath, 1, 2, 0, ".\\story\\battle\\eng\\Duelist_table.txt"},
  };
  static int language;
  g_BattleSeams.SelectLanguage = [] { return language; };
  for (const auto& c : cases) {
    language = c.language;
    StoryBattleRoute r;
    r.exTexts = c.ex;
    r.stageIndex = c.stageIndex;
    std::string path;
    c.build(&path, r, "Duelist");
    EXPECT_EQ(path, c.path) << c.name;
  }
}

// The routes are battle state (the judge and the frame effects read them); the list is not.
TEST_F(ListAndRoutes, RoutesAreInTheStateHash) {
  const uint64_t start = BattleStateHash();
  g_StoryBattleRoutes[1].stages[15].extra = 1;
  const uint64_t changed = BattleStateHash();
  EXPECT_NE(changed, start);
  g_StoryBattleRoutes[1].flags[99] = 1;
  EXPECT_NE(BattleStateHash(), changed);
  const uint64_t before = BattleStateHash();
  LoadCharaSelectList(kList);
  EXPECT_EQ(BattleStateHash(), before);
}

// ---- sample data ----

void CopySample(const fs::path& relative) {
  if (relative.has_parent_path()) fs::create_directories(relative.parent_path());
  fs::copy(fs::path(VT_SAMPLE_DIR) / relative, relative,
           fs::copy_options::recursive | fs::copy_options::overwrite_existing);
}

TEST_F(ListAndRoutes, SampleListAndDuelistRoutes) {
  const std::string list = vt::test::ReadFile(fs::path(VT_SAMPLE_DIR) / "charaselect.txt");
  ASSERT_EQ(LoadCharaSelectList(list), 31);  // the select's whole grid
  const int duelist = FindCharacterByName("Duelist");
  ASSERT_EQ(duelist, 1);
  for (int language : {0, 1}) {
    CopySample(language ? "story/battle/eng" : "story/battle/jpn");
    static int lang;
    lang = language;
    g_BattleSeams.SelectLanguage = [] { return lang; };
    for (int choice : {0, 1}) {
      EXPECT_EQ(LoadStoryBattleRoute(0, duelist, choice), choice);
      const StoryBattleRoute& r = g_StoryBattleRoutes[0];
      ASSERT_EQ(r.stageCount, 2);
      EXPECT_EQ(r.stages[1].flags & 0x2, 0x2);
      EXPECT_EQ(r.stages[0].textNumber, -1);
      EXPECT_EQ(r.stages[1].textNumber, -1);
    }
    fs::remove_all("story");
  }
}

// The common effects the hits, the gauges and the movement spawn exist and end themselves; the
// set is owned by the effect owner (side 255).
TEST_F(ListAndRoutes, SampleCommonEffects) {
  CopySample("data");
  g_EffectOwner.obj.side = 0;
  ASSERT_EQ(LoadCommonEffectData(), 1);
  EXPECT_EQ(g_EffectOwner.inUse, 1);
  EXPECT_EQ(g_EffectOwner.obj.side, 255);
  EXPECT_EQ(g_EffectOwner.obj.frameData, &g_CommonFrameData);
  ASSERT_TRUE(g_CommonFrameData.patterns);
  for (int n :
       {4, 5, 18, 50, 53, 67, 85, 92, 93, 94, 100, 101, 104, 108, 135, 151, 170, 300, 301, 304, 308}) {
    const Han6Pattern* p = g_CommonFrameData.patterns->patterns[static_cast<size_t>(n)].get();
    ASSERT_TRUE(p) << n;
    ASSERT_FALSE(p->frames.empty()) << n;
    bool removes = false;
    for (const Han6Condition* c : p->frames.back().conditions) removes |= c && c->type == 2;
    EXPECT_TRUE(removes) << n;
  }
  FreeCharacterData();
  EXPECT_FALSE(g_CommonFrameData.patterns);
}

// Without embedded sprite pixels the pages come from the page bitmaps named "effect".
TEST_F(ListAndRoutes, CommonEffectPagesFromBitmaps) {
  CopySample("data");
  static std::vector<std::string> names;
  names.clear();
  g_BattleSeams.LoadCutSpritePageBitmaps = [](CutSpriteSheet* sheet, const char* name, const uint8_t* palette,
                                              const uint8_t* pageMap) {
    names.push_back(std::string("sheet ") + name + (sheet && !palette && !pageMap ? "" : " (unexpected)"));
    return 1;
  };
  g_BattleSeams.LoadPAniPageBitmaps = [](PAniData*, const char* name) {
    names.push_back(std::string("pani ") + name);
    return 1;
  };
  g_EmbeddedSpritePixels = 0;
  EXPECT_EQ(LoadCommonEffectData(), 1);
  g_EmbeddedSpritePixels = 1;
  EXPECT_EQ(names, (std::vector<std::string>{"sheet effect", "pani effect"}));
  EXPECT_EQ(g_EffectOwner.obj.side, 255);
  FreeCharacterData();
}

// Without ".\data\effect.txt" the load says so, the owner stays as it was, common-effect spawns
// are removed at once, and a match plays on.
TEST_F(ListAndRoutes, MissingCommonEffects) {
  {
    TraceLines trace;
    g_EffectOwner.obj.posX = 77;
    EXPECT_EQ(LoadCommonEffectData(), 1);
    EXPECT_NE(trace.Text().find(".\\data\\effect.txt"), std::string::npos);
  }
  EXPECT_EQ(g_EffectOwner.inUse, 0);
  EXPECT_EQ(g_EffectOwner.obj.posX, 77);
  battle_test::TestFrameData data;
  data.Pattern(0, {battle_test::FrameDef{}});
  BattleObject& a = battle_test::PlaceCharacter(0, data.Set(), 0);
  EXPECT_EQ(SpawnEngineEffect(a, 5, 0, 0, 0, 0), nullptr);
  for (const ObjectPoolSlot& s : g_ObjectPool) EXPECT_EQ(s.inUse, 0);
}

TEST_F(ListAndRoutes, MatchWithoutCommonEffectsPlaysOn) {
  battle_test::CopyHarnessSampleData();
  fs::remove("data/effect.txt");
  vt::SetDebugQuiet(true);
  ASSERT_TRUE(HarnessLoadMatch({"tester", 0, 0}, {"duelist", 0, 1}, false, RoundStart::kFightersFree));
  const HarnessScript script = HarnessDefaultScript(7);
  int spawned = 0;
  for (int i = 0; i < 3600; ++i) {
    HarnessRunFrame(script);
    for (const ObjectPoolSlot& s : g_ObjectPool) {
      spawned += s.inUse;
      EXPECT_FALSE(s.inUse && s.obj.dataIndex == kCommonEffectData) << "frame " << i;
    }
  }
  EXPECT_GT(spawned, 0);  // the characters' own objects still spawn
  HarnessRelease();
  vt::SetDebugQuiet(false);
}

TEST_F(ListAndRoutes, FreeCharacterDataEmptiesTheSlots) {
  CopySample("data");
  LoadCommonEffectData();
  static int hudFrees;
  hudFrees = 0;
  g_BattleSeams.FreeBattleHudGraphics = [] { ++hudFrees; };
  for (int i = 0; i < kPlayerSlots; ++i) {
    g_PlayerRecords[i].inUse = 1;
    g_PlayerRecords[i].obj.frameData = &g_FrameDataSets[i];
    g_PlayerRecords[i].ext.commandTable = std::make_unique<CharaCommandTable>();
  }
  FreeCharacterData();
  for (int i = 0; i < kPlayerSlots; ++i) {
    EXPECT_EQ(g_PlayerRecords[i].inUse, 0);
    EXPECT_EQ(g_PlayerRecords[i].obj.frameData, nullptr);
    EXPECT_FALSE(g_PlayerRecords[i].ext.commandTable);
  }
  EXPECT_FALSE(g_CommonFrameData.patterns);
  EXPECT_EQ(hudFrees, 1);
}

// ---- sound lists ----

// Values are read up to 64 characters; the key ends at a TAB or "=", the value starts after the
// "=" (the ini reader's rule: a line with a TAB and no "=" has no value); a value that would
// lead out of the sound folder is refused with a line naming the list.
TEST_F(ListAndRoutes, SoundListValues) {
  CopySample("se/battle_se");
  const std::string name64 = std::string(55, 'n') + "hit_light";
  fs::copy_file("se/battle_se/hit_light.ogg", "se/battle_se/" + name64 + ".ogg");
  fs::copy_file("se/battle_se/hit_light.ogg", "se/escaped.ogg");
  vt::test::WriteFile("data/alpha_SeList.txt", "[SeList]\r\n0\t=\thit_light\r\n5\thit_light\r\n1=" + name64 +
                                                   "\r\n2=" + name64 +
                                                   "x\r\n3=..\\escaped\r\n4=battle_se\\..\\..\\escaped\r\n");
  LoadCharaSelectList(kList);
  TraceLines trace;
  LoadCharacterSeList(2, 0, 0);
  const int base = 400 + 250 * 2;
  EXPECT_GT(SoundLengthFrames(base + 0), 0);
  EXPECT_GT(SoundLengthFrames(base + 1), 0);
  EXPECT_GT(SoundLengthFrames(base + 2), 0);  // the 65th character is not read
  EXPECT_EQ(SoundLengthFrames(base + 5), 0);
  EXPECT_EQ(SoundLengthFrames(base + 3), 0);
  EXPECT_EQ(SoundLengthFrames(base + 4), 0);
  const std::string log = trace.Text();
  EXPECT_NE(log.find(".\\data\\alpha_SeList.txt: sound 3="), std::string::npos) << log;
  EXPECT_NE(log.find(".\\data\\alpha_SeList.txt: sound 4="), std::string::npos) << log;
  FreeCharacterSounds();
}

}  // namespace
