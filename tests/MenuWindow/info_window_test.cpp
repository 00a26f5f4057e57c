// The help-text window: the 16-frame fade and its band, rendering only on a changed text, the
// font keys of the help file, and the help keys of an in-game menu.
#include "MenuWindow/info_window.h"

#include <gtest/gtest.h>

#include "MenuWindow/game_menu.h"
#include "MenuWindow/menu_test_util.h"
#include "support/test_util.h"

namespace vt::test {
namespace {

using InfoWindowTest = MenuTest;

TEST_F(InfoWindowTest, FadesInOverSixteenUpdatesWithAnEasedBand) {
  CInformationWindow w;
  for (int i = 0; i < 15; ++i) w.Update();
  EXPECT_EQ(w.state, CInformationWindow::kFadingIn);
  EXPECT_LT(w.fade, 1.0f);
  w.Update();
  EXPECT_EQ(w.state, CInformationWindow::kShown);
  EXPECT_EQ(w.fade, 1.0f);

  // Half way the band is 1 - (1 - 0.5)^2 = 3/4 of its height; it is the last command queued.
  CInformationWindow half;
  for (int i = 0; i < 8; ++i) half.Update();
  ResetDrawList(&g_MainDrawList);
  half.Draw();
  auto quads = Queued(half.layer + 256);
  ASSERT_FALSE(quads.empty());
  EXPECT_FLOAT_EQ(quads.back().y1 - quads.back().y0, 60.0f);
  EXPECT_EQ(quads.back().colour, 0xB4000000u);

  // Fading out ends hidden, which a menu counts as stable.
  w.FadeOut();
  for (int i = 0; i < 16; ++i) w.Update();
  EXPECT_EQ(w.state, CInformationWindow::kHidden);
  EXPECT_TRUE(w.IsStable());
}

TEST_F(InfoWindowTest, RendersALineOnlyWhenItsTextChanges) {
  WriteFile("help.ini", "[Information]\r\nA=first\r\nB=second\r\nC=first\r\n");
  CInformationWindow w;
  ASSERT_EQ(w.LoadTexts("help.ini"), 1);
  struct Step {
    const char* key;
    int renders;  // faces opened so far
    int rendered;
  };
  const Step steps[] = {
      {"A", 1, 1}, {"A", 1, 1},  // the same key again: no new render
      {"B", 2, 1}, {"C", 3, 1},  // another key, then another key with A's text
      {"C", 3, 1}, {"Z", 3, 0},  // a key not in the file: an empty line, not rendered
      {"A", 4, 1},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.key);
    w.SetKey(s.key);
    w.Update();
    EXPECT_EQ(fake.facesOpened, s.renders);
    EXPECT_EQ(w.lines[0].rendered, s.rendered);
  }
}

struct FontCase {
  const char* section;
  int height, weight, antialias;
  const char* name;
};

class InfoWindowFontTest : public MenuTest, public testing::WithParamInterface<FontCase> {};

TEST_P(InfoWindowFontTest, KeepsDefaultsForMissingOrNegativeValues) {
  WriteFile("help.ini", std::string(GetParam().section) + "[Information]\r\nK=text // a comment\r\n");
  CInformationWindow w;
  ASSERT_EQ(w.LoadTexts("help.ini"), 1);
  EXPECT_EQ(w.fontHeight, GetParam().height);
  EXPECT_EQ(w.fontWeight, GetParam().weight);
  EXPECT_EQ(w.antialias, GetParam().antialias);
  EXPECT_EQ(w.fontName, GetParam().name);
  EXPECT_EQ(w.FindText("K"), "text");
  EXPECT_EQ(w.FindText("k"), "");  // keys compare exactly
}

INSTANTIATE_TEST_SUITE_P(
    Fonts, InfoWindowFontTest,
    testing::Values(FontCase{"", 24, 400, 1, "MS UI Gothic"},
                    FontCase{"[Font]\r\nHeight=-5\r\n", 24, 400, 1, "MS UI Gothic"},
                    FontCase{"[Font]\r\nName=Other\r\nHeight=30\r\nWeight=700\r\nAntialias=0\r\n", 30, 700, 0,
                             "Other"},
                    FontCase{"[Font]\r\nWeight=-1\r\nAntialias=-3\r\n", 24, 400, 1, "MS UI Gothic"}));

TEST_F(InfoWindowTest, MissingFileLeavesNoTexts) {
  CInformationWindow w;
  EXPECT_EQ(w.LoadTexts("nothing.ini"), 0);
  EXPECT_EQ(w.FindText("A"), "");
}

struct HelpKeyCase {
  const char* id;
  int choiceValue;  // -1: an element without choices
  const char* prefix;
  const char* key;
  const char* choiceKey;
};

class HelpKeyTest : public testing::TestWithParam<HelpKeyCase> {};

TEST_P(HelpKeyTest, BuildsKeyAndChoiceKey) {
  const HelpKeyCase& c = GetParam();
  CPauseMenu_Default menu;
  auto* set = new CGameMenuSet(&menu, "SET");
  if (c.choiceValue >= 0) {
    auto* e = new CPauseMenu_SelectElement("Label", c.id);
    e->AddChoice({"ZERO", "", 0});
    e->AddChoice({"THREE", "", c.choiceValue});
    e->SetChoiceIndex(1);
    set->AddElement(e);
  } else {
    set->AddElement(new CPauseMenu_NormalElement("Label", c.id));
  }
  std::string key = "stale", choiceKey = "stale";
  MakeMenuHelpKeys(&menu, &key, &choiceKey, c.prefix);
  EXPECT_EQ(key, c.key);
  EXPECT_EQ(choiceKey, c.choiceKey);
}

INSTANTIATE_TEST_SUITE_P(Keys, HelpKeyTest,
                         testing::Values(HelpKeyCase{"X", 3, "", "X", "X_3"},
                                         HelpKeyCase{"ENEMY_STATUS", 4, "ES_", "ES_ENEMY_STATUS",
                                                     "ES_ENEMY_STATUS_4"},
                                         HelpKeyCase{"CONTINUE", -1, "", "CONTINUE", ""},
                                         HelpKeyCase{"LEVEL", 0, "TD_", "TD_LEVEL", "TD_LEVEL_0"}));

TEST(HelpKeyLimits, LongIdsAreCutToTheKeyCapacity) {
  CPauseMenu_Default menu;
  auto* set = new CGameMenuSet(&menu, "SET");
  auto* e = new CPauseMenu_SelectElement("Label", std::string(300, 'I'));
  e->AddChoice({"A", "", 12345});
  set->AddElement(e);
  std::string key, choiceKey;
  MakeMenuHelpKeys(&menu, &key, &choiceKey, "P_");
  EXPECT_EQ(key.size(), 127u);
  EXPECT_EQ(choiceKey.size(), 127u);
  // Without any element both keys are empty.
  CPauseMenu_Default empty;
  MakeMenuHelpKeys(&empty, &key, &choiceKey, "P_");
  EXPECT_EQ(key, "");
  EXPECT_EQ(choiceKey, "");
}

}  // namespace
}  // namespace vt::test

namespace vt::test {
namespace {

// The sample help files: every file of both languages reads with its font and texts, and a text
// reaches its end (a "//" inside it would cut it).
TEST(SampleHelpTexts, EveryFileReadsInBothLanguages) {
  const char* files[] = {"KeySettingInfo.ini", "GameMenuInfo.ini", "OptionInfo.ini",      "VSResultInfo.ini",
                         "PauseInfo.ini",      "Training.ini",     "SteamNetworkInfo.ini"};
  for (const char* language : {"eng", "jpn"}) {
    for (const char* file : files) {
      SCOPED_TRACE(std::string(language) + "/" + file);
      CInformationWindow w;
      ASSERT_EQ(w.LoadTexts(std::string(VT_SAMPLE_DIR) + "/Information/" + language + "/" + file), 1);
      EXPECT_GE(w.pairs.size(), 5u);
      EXPECT_EQ(w.fontHeight, 24);
      for (const auto& [key, text] : w.pairs) EXPECT_FALSE(text.empty()) << key;
    }
  }
  CInformationWindow pause;
  ASSERT_EQ(pause.LoadTexts(std::string(VT_SAMPLE_DIR) + "/Information/eng/PauseInfo.ini"), 1);
  EXPECT_EQ(pause.FindText("RETURN_TITLE"), "Back to the main menu.");
  CInformationWindow net;
  EXPECT_EQ(net.LoadTexts(std::string(VT_SAMPLE_DIR) + "/Information/VSResultInfoNet.ini"), 1);
  EXPECT_FALSE(net.FindText("ONCE_AGAIN").empty());
  // The Japanese texts are Shift-JIS: "に戻ります。" ends the same text.
  CInformationWindow jpn;
  ASSERT_EQ(jpn.LoadTexts(std::string(VT_SAMPLE_DIR) + "/Information/jpn/PauseInfo.ini"), 1);
  const std::string& text = jpn.FindText("RETURN_TITLE");
  EXPECT_NE(text.find("\x82\xc9\x96\xdf\x82\xe8\x82\xdc\x82\xb7\x81\x42"), std::string::npos);
}

}  // namespace
}  // namespace vt::test
