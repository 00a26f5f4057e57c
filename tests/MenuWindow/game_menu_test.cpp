// The in-game menu framework driven frame by frame: cursor stepping over spacers, decisions,
// cancel with and without a parent set, choices and their arrows, the open and close fades, the
// yes/no box's three answers, digit entry and the online pop-up.
#include "MenuWindow/game_menu.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "MenuWindow/menu_test_util.h"

namespace vt::test {
namespace {

// A menu of one set "MAIN" built from a layout: '-' a spacer, an upper-case letter an element
// whose id is a result name, a lower-case letter one whose id is not. The cursor starts on the
// first letter. The menu is opened (17 frames) before the script runs.
std::unique_ptr<CPauseMenu_Default> MakeMenu(const std::string& layout) {
  auto menu = std::make_unique<CPauseMenu_Default>();
  auto* set = new CGameMenuSet(menu.get(), "MAIN");
  for (char c : layout) {
    if (c == '-') {
      set->AddElement(new CPauseMenu_SpaceElement(8));
      continue;
    }
    const std::string id(1, c);
    set->AddElement(new CPauseMenu_NormalElement(id, id));
    if (std::isupper(static_cast<unsigned char>(c))) set->AddResultName(id);
  }
  set->cursor = static_cast<int>(layout.find_first_not_of('-'));
  for (int i = 0; i < 17; ++i) menu->Input(0, 0);
  return menu;
}

struct Frame {
  int direction;
  int button;
  const char* cursor;  // id under the cursor afterwards
  int result;          // of Input
  int decided;
  int endCode;
};

struct Script {
  const char* name;
  const char* layout;
  std::vector<Frame> frames;
};

class GameMenuScriptTest : public MenuTest, public testing::WithParamInterface<Script> {};

TEST_P(GameMenuScriptTest, FollowsTheScript) {
  auto menu = MakeMenu(GetParam().layout);
  ASSERT_EQ(menu->inputEnabled, 1);
  int n = 0;
  for (const Frame& f : GetParam().frames) {
    SCOPED_TRACE("frame " + std::to_string(n++));
    const int r = menu->Input(f.direction, f.button);
    EXPECT_EQ(r, f.result);
    ASSERT_NE(menu->GetCursorElement(), nullptr);
    EXPECT_EQ(menu->GetCursorElement()->id, f.cursor);
    EXPECT_EQ(menu->decided, f.decided);
    EXPECT_EQ(menu->endCode, f.endCode);
    EXPECT_EQ(g_SeRequest[152], r ? 1 : 0);  // the cursor sound only for a move
    g_SeRequest[152] = 0;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, GameMenuScriptTest,
    testing::Values(
        Script{"DownWrapsOverSpacers",
               "-AB-C",
               {{2, 0, "B", 1, 0, 0}, {2, 0, "C", 1, 0, 0}, {2, 0, "A", 1, 0, 0}, {8, 0, "C", 1, 0, 0}}},
        Script{"LoneSelectableKeepsTheCursor", "-A-", {{2, 0, "A", 0, 0, 0}, {8, 0, "A", 0, 0, 0}}},
        Script{"DecideAResultName", "AB", {{2, 1, "B", 1, 1, 0}}},
        Script{"DecideAnIdThatIsNoResultName", "Ax", {{2, 0, "x", 1, 0, 0}, {0, 1, "x", 0, 0, 0}}},
        Script{"CancelWithoutParentEnds", "AB", {{0, 2, "A", 0, 0, 1}, {2, 0, "A", 0, 0, 1}}},
        Script{"AlternateButtonEnds", "AB", {{0, 3, "A", 0, 0, 2}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MenuTest, NoSelectableElementKeepsItsCursor) {
  auto menu = MakeMenu("---");
  menu->sets[0]->cursor = 1;
  EXPECT_EQ(menu->Input(2, 0), 0);
  EXPECT_EQ(menu->sets[0]->cursor, 1);
}

TEST_F(MenuTest, CancelInASetWithAParentReopensTheParent) {
  auto menu = MakeMenu("A");
  auto* main = menu->sets[0];
  main->AddElement(new CPauseMenu_FolderElement("SUB", "TO_SUB", "SUB"));
  auto* sub = new CGameMenuSet(menu.get(), "SUB");
  sub->parentName = "MAIN";
  sub->AddElement(new CPauseMenu_NormalElement("S", "S"));
  sub->AddElement(new CPauseMenu_ExitElement("BACK", "BACK"));

  menu->Input(2, 1);  // onto the folder, open it
  EXPECT_EQ(menu->currentSet, 1);
  EXPECT_EQ(menu->setOpened, 1);
  menu->Input(0, 2);  // cancel in SUB
  EXPECT_EQ(menu->currentSet, 0);
  EXPECT_EQ(menu->endCode, 0);
  EXPECT_EQ(menu->openState, CPauseMenu_Default::kOpen);
  menu->Input(0, 1);  // the folder again, then its exit element
  menu->Input(2, 1);
  EXPECT_EQ(menu->currentSet, 0);
  EXPECT_EQ(menu->endCode, 0);
  menu->Input(0, 2);  // cancel at the top: the menu ends as declined
  EXPECT_EQ(menu->endCode, 1);
  EXPECT_EQ(menu->declined, 1);
  EXPECT_EQ(menu->cancelled, 1);
  EXPECT_LT(menu->OpenSet("NONE", 1), 0);
}

TEST_F(MenuTest, FadesInSixteenFramesAfterTheFirstAndOutSixteenAfterTheEnd) {
  CPauseMenu_Default menu;
  (new CGameMenuSet(&menu, "MAIN"))->AddElement(new CPauseMenu_NormalElement("A", "A"));
  menu.Input(0, 0);  // the first frame starts the opening
  EXPECT_EQ(menu.openState, CPauseMenu_Default::kOpening);
  for (int i = 0; i < 15; ++i) menu.Input(0, 0);
  EXPECT_LT(menu.fade, 1.0f);
  EXPECT_EQ(menu.inputEnabled, 0);
  menu.Input(0, 0);
  EXPECT_EQ(menu.fade, 1.0f);
  EXPECT_EQ(menu.inputEnabled, 1);
  menu.Input(0, 2);  // the end
  EXPECT_EQ(menu.IsClosing(), 1);
  for (int i = 0; i < 15; ++i) menu.Input(0, 0);
  EXPECT_GT(menu.fade, 0.0f);
  menu.Input(0, 0);
  EXPECT_EQ(menu.fade, 0.0f);
  EXPECT_EQ(menu.openState, CPauseMenu_Default::kClosed);
  // Nothing is drawn once the fade is 0.
  ResetDrawList(&g_MainDrawList);
  menu.Draw();
  EXPECT_TRUE(Queued(menu.layer + 256).empty());
}

struct CommonSetCase {
  const char* name;
  const char* cursor;
  int elements;
};

class CommonSetTest : public MenuTest, public testing::WithParamInterface<CommonSetCase> {};

TEST_P(CommonSetTest, BuildsItsElementsAndCursor) {
  CPauseMenu_Default menu;
  new CGameCommonMenuSet(&menu, GetParam().name);
  ASSERT_EQ(menu.sets.size(), 1u);
  EXPECT_EQ(static_cast<int>(menu.sets[0]->elements.size()), GetParam().elements);
  EXPECT_EQ(menu.sets[0]->elements[0]->IsSpacer(), 1);
  EXPECT_EQ(menu.sets[0]->elements[0]->selectable, 0);
  EXPECT_EQ(menu.resultName, GetParam().cursor);
}

INSTANTIATE_TEST_SUITE_P(Sets, CommonSetTest,
                         testing::Values(CommonSetCase{"COMMON_YESNO_MENU", "MENU_NO", 3},
                                         CommonSetCase{"COMMON_OK_MENU", "MENU_OK", 2},
                                         CommonSetCase{"COMMON_SEARCH", "MENU_NO", 3},
                                         CommonSetCase{"COMMON_CREATE", "MENU_YES", 4},
                                         CommonSetCase{"COMMON_WAIT", "", 1}));

TEST_F(MenuTest, KeyMenuSetStaysUnregistered) {
  CPauseMenu_Default menu;
  CGameCommonMenuSet keys(&menu, "COMMON_KEY_MENU");
  EXPECT_TRUE(menu.sets.empty());
  EXPECT_TRUE(keys.elements.empty());
}

struct YesNoCase {
  const char* name;
  std::vector<std::pair<int, int>> inputs;  // direction, button, after the box opened
  int confirmed, declined, cancelled;
};

class YesNoTest : public MenuTest, public testing::WithParamInterface<YesNoCase> {};

TEST_P(YesNoTest, ReportsEachAnswerDistinctly) {
  CGameMenu_YESNO box;
  for (int i = 0; i < 17; ++i) box.Input(0, 0);
  for (auto [d, b] : GetParam().inputs) box.Input(d, b);
  EXPECT_EQ(box.IsClosing(), 1);
  EXPECT_EQ(box.confirmed, GetParam().confirmed);
  EXPECT_EQ(box.declined, GetParam().declined);
  EXPECT_EQ(box.cancelled, GetParam().cancelled);
  for (int i = 0; i < 16; ++i) box.Input(0, 0);
  EXPECT_EQ(box.openState, CPauseMenu_Default::kClosed);
}

// A cancelled question must never read as a yes: it declines and says it was cancelled.
INSTANTIATE_TEST_SUITE_P(Answers, YesNoTest,
                         testing::Values(YesNoCase{"Yes", {{8, 0}, {0, 1}}, 1, 0, 0},
                                         YesNoCase{"No", {{0, 1}}, 0, 1, 0},
                                         YesNoCase{"Cancel", {{0, 2}}, 0, 1, 1},
                                         YesNoCase{"CancelOnYes", {{8, 0}, {0, 2}}, 0, 1, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

struct ChoiceFrame {
  int direction;
  const char* cursor;  // id under the cursor afterwards
  int index;           // of the SPEED choice afterwards
  int result;          // of Input: 1 only when the cursor moved, never for a changed choice
  bool left, right;    // arrows drawn
};

TEST_F(MenuTest, ChoicesStopAtTheEndsAndHideTheirArrows) {
  CPauseMenu_Default menu;
  auto* set = new CGameMenuSet(&menu, "MAIN");
  auto* e = new CPauseMenu_SelectElement("SPEED", "SPEED", 100);
  for (int v : {10, 20, 30}) e->AddChoice({"C" + std::to_string(v / 10), "", v});
  set->AddElement(e);
  set->AddElement(new CPauseMenu_NormalElement("OK", "OK"));
  for (int i = 0; i < 17; ++i) menu.Input(0, 0);
  const ChoiceFrame frames[] = {
      {4, "SPEED", 0, 0, false, true}, {6, "SPEED", 1, 0, true, true}, {6, "SPEED", 2, 0, true, false},
      {6, "SPEED", 2, 0, true, false}, {2, "OK", 2, 1, true, false},   {4, "OK", 2, 0, true, false},
      {8, "SPEED", 2, 1, true, false}, {4, "SPEED", 1, 0, true, true},
  };
  for (const ChoiceFrame& f : frames) {
    SCOPED_TRACE(testing::Message() << f.direction << " to " << f.cursor << " " << f.index);
    EXPECT_EQ(menu.Input(f.direction, 0), f.result);
    EXPECT_EQ(g_SeRequest[152], f.result);  // the cursor sound follows the cursor alone
    g_SeRequest[152] = 0;
    EXPECT_EQ(menu.GetCursorElement()->id, f.cursor);
    EXPECT_EQ(e->GetChoiceIndex(), f.index);
    const std::string drawn = GlyphsDrawn([&] { menu.Draw(); });
    EXPECT_EQ(drawn.find('<') != std::string::npos, f.left);
    EXPECT_EQ(drawn.find('>') != std::string::npos, f.right);
  }
  EXPECT_EQ(set->GetElementValue("SPEED"), 20);
  set->SelectChoiceByValue("SPEED", 30);
  EXPECT_EQ(e->GetChoiceIndex(), 2);
  set->SelectChoiceByValue("SPEED", 99);  // no choice carries it: unchanged
  EXPECT_EQ(e->GetChoiceIndex(), 2);
}

TEST_F(MenuTest, DrawOrderPutsTheBoxUnderTheLabels) {
  CGameMenu_YESNO box;
  box.SetTitle("T");
  for (int i = 0; i < 17; ++i) box.Input(0, 0);
  ResetDrawList(&g_MainDrawList);
  box.Draw();
  auto q = Queued(box.layer + 256);
  ASSERT_GE(q.size(), 4u);
  // Queue order: labels, cursor bars, title, two lines, the box last (so it is drawn first).
  EXPECT_EQ(q.back().colour, 0xB4000000u);
  EXPECT_TRUE(q.front().glyph);
}

// ---- Digit entry ----

struct DigitCase {
  int mode;
  const char* in;
  const char* out;
};

class DigitTextTest : public MenuTest, public testing::WithParamInterface<DigitCase> {};

TEST_P(DigitTextTest, RoundTrips) {
  CGameMenu_InputIP ip;
  ip.SetEntryMode(GetParam().mode);
  ip.SetDigits(GetParam().in);
  char buffer[32];
  std::memset(buffer, 'Z', sizeof buffer);
  ip.GetText(buffer, sizeof buffer);
  EXPECT_STREQ(buffer, GetParam().out);
}

INSTANTIATE_TEST_SUITE_P(Texts, DigitTextTest,
                         testing::Values(DigitCase{0, "192.168.001.010", "192.168.001.010"},
                                         DigitCase{1, "27015", "27015"},
                                         DigitCase{0, "12", "120.000.000.000"},  // short: the rest 0
                                         DigitCase{1, "", "00000"}, DigitCase{0, nullptr, "000.000.000.000"},
                                         DigitCase{1, "9x9", "90900"},  // a non-digit reads 0
                                         DigitCase{2, "123", ""}));

TEST_F(MenuTest, DigitTextNeverPassesTheBuffer) {
  CGameMenu_InputIP ip;
  ip.SetDigits("192.168.001.010");
  char buffer[8];
  std::memset(buffer, 'Z', sizeof buffer);
  EXPECT_EQ(ip.GetText(buffer, 6), 5);
  EXPECT_STREQ(buffer, "192.1");
  EXPECT_EQ(buffer[6], 'Z');
  EXPECT_EQ(ip.GetText(buffer, 0), 0);
}

TEST_F(MenuTest, DigitEntryWrapsDigitsAndCursor) {
  CGameMenu_InputIP ip;
  ip.SetDigits("900.000.000.000");
  ip.ResetEntry();
  for (int i = 0; i < 17; ++i) ip.Input(0, 0);
  ASSERT_EQ(ip.inputEnabled, 1);
  struct Step {
    int direction, cursor, digit;
  };
  const Step steps[] = {{8, 0, 0}, {2, 0, 9}, {4, 11, 0}, {2, 11, 9}, {6, 0, 9}, {6, 1, 0}};
  for (const Step& s : steps) {
    ip.Input(s.direction, 0);
    EXPECT_EQ(ip.entryCursor, s.cursor);
    EXPECT_EQ(ip.digits[s.cursor], s.digit);
  }
  EXPECT_NE(ip.renderedDigits.find("\\@COLOR@<230,0,0,255>0\\@COLOR@<230,230,230,255>"), std::string::npos);
  ip.Input(0, 1);  // decide closes the box
  EXPECT_EQ(ip.entryState, 2);
  EXPECT_EQ(ip.IsClosing(), 1);
  EXPECT_EQ(ip.declined, 0);
  char text[16];
  ip.GetText(text, sizeof text);
  EXPECT_STREQ(text, "900.000.000.009");
}

// ---- Online pop-up ----

struct PopupCase {
  int kind;
  const char* set;
  std::vector<std::pair<int, int>> inputs;
  int cancelAllowed;
  int closing, resultValue, declined, cancelled;
};

class PopupTest : public MenuTest, public testing::WithParamInterface<PopupCase> {};

TEST_P(PopupTest, GivesItsResult) {
  const PopupCase& c = GetParam();
  CGameMenu_Network popup;
  popup.SetPopupKind(c.kind);
  popup.cancelAllowed = c.cancelAllowed;
  ASSERT_EQ(popup.sets.size(), 1u);
  EXPECT_EQ(popup.sets[0]->name, c.set);
  EXPECT_EQ(popup.drawCursorBars, c.kind == 1 ? 0 : 1);
  for (int i = 0; i < 17; ++i) popup.Input(0, 0);
  for (auto [d, b] : c.inputs) popup.Input(d, b);
  EXPECT_EQ(popup.IsClosing(), c.closing);
  EXPECT_EQ(popup.resultValue, c.resultValue);
  EXPECT_EQ(popup.declined, c.declined);
  EXPECT_EQ(popup.cancelled, c.cancelled);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, PopupTest,
    testing::Values(PopupCase{1, "COMMON_WAIT", {{2, 1}}, 0, 0, -1, 0, 0},
                    PopupCase{2, "COMMON_YESNO_MENU", {{8, 0}, {0, 1}}, 0, 1, 0, 0, 0},
                    PopupCase{2, "COMMON_YESNO_MENU", {{0, 1}}, 0, 1, 1, 1, 0},
                    PopupCase{3, "COMMON_OK_MENU", {{0, 1}}, 0, 1, 0, 0, 0},
                    PopupCase{4, "COMMON_SEARCH", {{0, 2}}, 0, 0, -1, 0, 0},  // cancel dropped
                    PopupCase{4, "COMMON_SEARCH", {{0, 2}}, 1, 1, -1, 1, 1},
                    PopupCase{5, "COMMON_CREATE", {{2, 0}, {2, 0}, {0, 1}}, 0, 1, 2, 0, 0}));

TEST_F(MenuTest, PopupOfAnUnknownKindHasNoSets) {
  CGameMenu_Network popup;
  popup.SetPopupKind(2);
  popup.SetPopupKind(9);
  EXPECT_TRUE(popup.sets.empty());
  EXPECT_EQ(popup.Input(2, 1), 0);
}

}  // namespace
}  // namespace vt::test

namespace vt::test {
namespace {

// After a move the new cursor's bar shakes for 16 frames (3, -3, 0, 0 dying away) and the old
// one's bar fades out over 16 frames.
TEST_F(MenuTest, CursorBarsShakeAndFade) {
  auto menu = MakeMenu("AB");
  menu->drawBackground = 0;
  for (int i = 0; i < 16; ++i) menu->Input(0, 0);  // let the set's own fade-in finish
  menu->Input(2, 0);                               // onto B: B has 1 frame under the cursor
  struct Expect {
    int frames;  // under the cursor (B) and away (A)
    int shake;
    int fadedAlpha;
  };
  const Expect table[] = {{1, -2, 239}, {2, 0, 223}, {3, 0, 207}, {4, 2, 191},
                          {5, -2, 175}, {8, 1, 127}, {16, 0, 0}};
  int frames = 1;
  for (const Expect& e : table) {
    SCOPED_TRACE(e.frames);
    while (frames < e.frames) {
      menu->Input(0, 0);
      ++frames;
    }
    ResetDrawList(&g_MainDrawList);
    menu->Draw();
    int cursorY = -1000, fadedAlpha = 0;
    for (const QueuedQuad& q : Queued(menu->layer + 256)) {
      if ((q.colour & 0xFFFFFF) == 0xE6323C) cursorY = static_cast<int>(q.y0);
      if ((q.colour & 0xFFFFFF) == 0x73191E) fadedAlpha = static_cast<int>(q.colour >> 24);
    }
    EXPECT_EQ(cursorY, 240 + 16 / 8 + e.shake);  // B sits at the centre line
    EXPECT_EQ(fadedAlpha, e.fadedAlpha);
  }
}

}  // namespace
}  // namespace vt::test
