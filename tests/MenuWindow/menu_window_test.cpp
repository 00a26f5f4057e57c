// The window-menu framework: stepping the selection over unselectable items, the eased slide, the
// manager's states, the message boxes' input and results, and the box window's draw order.
#include "MenuWindow/menu_window.h"

#include <gtest/gtest.h>

#include <deque>

#include "MenuWindow/info_window.h"
#include "MenuWindow/menu_test_util.h"

namespace vt::test {
namespace {

// Scripted input: each frame's direction and buttons are taken from the queues.
template <class Base>
class Scripted : public Base {
 public:
  std::deque<int> directions, buttons;
  int ReadDirection() override { return Pop(directions); }
  int ReadButtons() override { return Pop(buttons); }

 private:
  static int Pop(std::deque<int>& q) {
    if (q.empty()) return 0;
    const int v = q.front();
    q.pop_front();
    return v;
  }
};

class FourItems : public Scripted<CMenuManagerBase> {
 public:
  explicit FourItems(int unselectable = 2) : unselectable_(unselectable) {
    for (auto& item : items_) AddItem(&item);
  }
  bool IsSelectable(int index) override { return unselectable_ != -2 && index != unselectable_; }
  CMenuItem items_[4];

 private:
  int unselectable_;
};

struct StepCase {
  int open;       // Open(index)
  int direction;  // then one move (0 none)
  int selected;
};

class SelectionTest : public MenuTest, public testing::WithParamInterface<StepCase> {};

TEST_P(SelectionTest, SkipsTheUnselectableItem) {
  FourItems menu;
  menu.Open(GetParam().open);
  menu.MoveCursor(GetParam().direction);
  EXPECT_EQ(menu.selected, GetParam().selected);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(menu.items_[i].IsSelected(), i == GetParam().selected);
}

INSTANTIATE_TEST_SUITE_P(Steps, SelectionTest,
                         testing::Values(StepCase{1, 2, 3}, StepCase{3, 2, 0}, StepCase{2, 0, 3},
                                         StepCase{3, 8, 1}, StepCase{0, 8, 3}, StepCase{1, 6, 1}));

TEST_F(MenuTest, NoSelectableItemDoesNotHang) {
  FourItems menu(-2);
  menu.Open(1);
  menu.MoveCursor(2);
  menu.MoveCursor(8);
  EXPECT_EQ(menu.selected, 1);
  CMenuManagerBase empty;
  empty.Open(0);
  empty.MoveCursor(2);
  EXPECT_EQ(empty.selected, 0);
}

TEST_F(MenuTest, ItemCoversThreeQuartersOfItsSlideAfterHalfItsFrames) {
  CMenuItem item;
  item.SetTexts("LABEL", "KEY");
  item.SetSlide(100, 232, 100, 72);
  item.Appear();
  for (int n = 0; n < 8; ++n) item.Update();
  EXPECT_EQ(item.CurrentY(), 232 + (72 - 232) * 3 / 4);
  for (int n = 8; n < 16; ++n) item.Update();
  EXPECT_EQ(item.CurrentY(), 72);
  EXPECT_TRUE(item.IsStable());
}

TEST_F(MenuTest, ZeroLengthCountersDoNotDivideByZero) {
  CMenuItem item;
  item.SetTexts("X", "");
  item.BlinkOn(0);
  item.Appear();
  item.Update();
  EXPECT_FLOAT_EQ(item.blink.Progress(), static_cast<float>(item.blink.frame));
  ResetDrawList(&g_MainDrawList);
  item.Draw(10);  // no trap, finite alpha
  CMenuItemCounter c;
  c.length = -4;
  c.Set(CMenuItemCounter::kRising, 0);
  c.Update();
  EXPECT_EQ(c.state, CMenuItemCounter::kUp);
}

TEST_F(MenuTest, ManagerRunsItsStatesAndIgnoresCloseRequestsWhenClosingOrIdle) {
  FourItems menu;
  menu.RequestClose();  // idle: ignored
  EXPECT_EQ(menu.state, CMenuManagerBase::kIdle);
  menu.Open(0);
  EXPECT_EQ(menu.state, CMenuManagerBase::kOpening);
  menu.buttons = {0, 0, 0};  // never read while opening
  for (int i = 0; i < 15; ++i) menu.Update();
  EXPECT_EQ(menu.state, CMenuManagerBase::kOpening);
  menu.Update();
  EXPECT_EQ(menu.state, CMenuManagerBase::kOpen);
  EXPECT_EQ(menu.stateFrames, 0);
  EXPECT_FALSE(menu.Finish());
  menu.directions = {2};
  menu.buttons = {0, 1};
  menu.Update();  // down
  menu.Update();  // decide
  EXPECT_EQ(menu.state, CMenuManagerBase::kClosing);
  EXPECT_EQ(menu.result, 1);
  menu.RequestClose();  // closing: ignored
  for (int i = 0; i < 16; ++i) menu.Update();
  EXPECT_EQ(menu.state, CMenuManagerBase::kClosed);
  menu.RequestClose();  // closed: ignored
  EXPECT_EQ(menu.state, CMenuManagerBase::kClosed);
  EXPECT_TRUE(menu.IsIdle());
  EXPECT_TRUE(menu.Finish());
  EXPECT_EQ(menu.state, CMenuManagerBase::kIdle);
  // A close request while open closes the menu without a result.
  menu.Open(0);
  for (int i = 0; i < 16; ++i) menu.Update();
  menu.RequestClose();
  EXPECT_EQ(menu.state, CMenuManagerBase::kClosing);
  EXPECT_EQ(menu.result, CMenuManagerBase::kResultNone);
}

TEST_F(MenuTest, ItemListHoldsAtMostThirtyTwoItems) {
  CMenuManagerBase menu;
  std::vector<CMenuItem> items(33);
  for (int i = 0; i < 32; ++i) EXPECT_TRUE(menu.AddItem(&items[i]));
  EXPECT_FALSE(menu.AddItem(&items[32]));
  EXPECT_EQ(menu.items.size(), 32u);
  // Texts are cut to their fields.
  items[0].SetTexts(std::string(300, 'L'), std::string(200, 'H'));
  EXPECT_EQ(items[0].label.size(), 255u);
  EXPECT_EQ(items[0].help.size(), 127u);
}

struct ChoiceBoxCase {
  const char* name;
  std::vector<int> directions, buttons;  // once the box is open
  int result;
};

class ChoiceBoxTest : public MenuTest, public testing::WithParamInterface<ChoiceBoxCase> {};

TEST_P(ChoiceBoxTest, GivesTheChosenItemOrCancel) {
  Scripted<CMenuManageYesNoMessageReturn> box;
  box.Show("Check", "Leave?", "YES", "HELP_YES", "NO", "HELP_NO", 1, 1);
  box.Open(1);
  // The box window steps after the state test: stable items and window on the 17th frame.
  for (int i = 0; i < 17; ++i) box.Update();
  ASSERT_EQ(box.state, CMenuManagerBase::kOpen);
  box.directions = {GetParam().directions.begin(), GetParam().directions.end()};
  box.buttons = {GetParam().buttons.begin(), GetParam().buttons.end()};
  const size_t frames = std::max(box.directions.size(), box.buttons.size());
  for (size_t i = 0; i < frames; ++i) box.Update();
  EXPECT_EQ(box.result, GetParam().result);
  EXPECT_EQ(box.state, CMenuManagerBase::kClosing);
  for (int i = 0; i < 17; ++i) box.Update();
  EXPECT_EQ(box.state, CMenuManagerBase::kClosed);
}

INSTANTIATE_TEST_SUITE_P(Answers, ChoiceBoxTest,
                         testing::Values(ChoiceBoxCase{"First", {}, {1}, 1},
                                         ChoiceBoxCase{"Second", {2}, {0, 1}, 2},
                                         ChoiceBoxCase{"WrapsToFirst", {2, 2}, {0, 0, 1}, 1},
                                         ChoiceBoxCase{"Cancel", {}, {2}, 0xFFFF},
                                         ChoiceBoxCase{"CancelOnSecond", {2}, {0, 2}, 0xFFFF}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MenuTest, ChoiceBoxDimsOnlyWhenAsked) {
  CMenuManageYesNoMessageReturn box;
  box.Show("Check", "First?", "YES", "", "NO", "", 0, 1);
  EXPECT_EQ(box.box.dimAlpha, 168);
  box.Show("Check", "Second?", "YES", "", "NO", "", 0, 0);
  EXPECT_EQ(box.box.dimAlpha, 0);
}

TEST_F(MenuTest, PushButtonBoxIgnoresInputWhileItsButtonIsHidden) {
  Scripted<CMenuManageMessageSubInfo> box;
  box.ShowWithSubInfo("Notice", "Connection lost.", "Code 3", "OK");
  box.Open(5);
  for (int i = 0; i < 17; ++i) box.Update();
  ASSERT_EQ(box.state, CMenuManagerBase::kOpen);
  box.buttons = {1, 2};
  box.Update();
  box.Update();
  EXPECT_EQ(box.state, CMenuManagerBase::kOpen);
  EXPECT_EQ(box.result, CMenuManagerBase::kResultNone);
  box.ShowButton(0);
  EXPECT_EQ(box.buttonSound, 0);
  EXPECT_FALSE(box.lines[5].IsHidden());
  for (int i = 0; i < 16; ++i) box.Update();  // the button fades in; the box waits for it
  box.directions = {8};
  box.buttons = {1};
  box.Update();
  EXPECT_EQ(box.selected, 5);  // no cursor input: only decide and cancel
  EXPECT_EQ(box.result, 5);
  EXPECT_EQ(box.state, CMenuManagerBase::kClosing);
}

TEST_F(MenuTest, BoxWindowDrawsTitleOverLinesOverBoxOverDim) {
  CMenuWindow w;
  w.SetTitle("TITLE");
  w.height = 100;
  w.y = 190;
  w.dimAlpha = 168;
  w.Open();
  for (int i = 0; i < 16; ++i) w.Update();
  ResetDrawList(&g_MainDrawList);
  w.Draw(20);
  std::vector<uint32_t> rects;
  size_t firstRect = 0, lastGlyph = 0;
  auto q = Queued(20 + 256);
  for (size_t i = 0; i < q.size(); ++i) {
    if (q[i].glyph) {
      lastGlyph = i;
    } else {
      if (rects.empty()) firstRect = i;
      rects.push_back(q[i].colour);
    }
  }
  // Queued first is drawn last: the title glyphs come before every rectangle.
  EXPECT_LT(lastGlyph, firstRect);
  EXPECT_EQ(rects, (std::vector<uint32_t>{0xFFDCDCDC, 0xFFDCDCDC, 0xB4000000, 0xA8000000}));
  // The open box is height + 32 tall.
  EXPECT_FLOAT_EQ(q[firstRect + 2].y1 - q[firstRect + 2].y0, 132.0f);
}

}  // namespace
}  // namespace vt::test

namespace vt::test {
namespace {

TEST_F(MenuTest, HelpWindowFollowsTheSelectionAndTheMenusStates) {
  CInformationWindow help;
  FourItems menu;
  menu.help = &help;
  for (int i = 0; i < 4; ++i) menu.items_[i].SetTexts("ITEM", "H" + std::to_string(i));
  menu.Open(0);
  EXPECT_EQ(help.key1, "H0");
  EXPECT_EQ(help.state, CInformationWindow::kFadingIn);
  menu.MoveCursor(8);  // up from 0 wraps to 3
  EXPECT_EQ(help.key1, "H3");
  for (int i = 0; i < 16; ++i) menu.Update();
  EXPECT_EQ(help.state, CInformationWindow::kShown);
  // The window steps after the state test: the menu opens one frame later.
  EXPECT_EQ(menu.state, CMenuManagerBase::kOpening);
  menu.Update();
  EXPECT_EQ(menu.state, CMenuManagerBase::kOpen);
  menu.RequestClose();
  EXPECT_EQ(help.state, CInformationWindow::kFadingOutToHidden);
  for (int i = 0; i < 17; ++i) menu.Update();
  EXPECT_EQ(help.state, CInformationWindow::kHidden);
  EXPECT_EQ(menu.state, CMenuManagerBase::kClosed);
  EXPECT_TRUE(menu.Finish());
  EXPECT_EQ(help.state, CInformationWindow::kIdle);
  EXPECT_EQ(help.key1, "");
}

}  // namespace
}  // namespace vt::test
