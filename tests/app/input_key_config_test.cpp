// Key and pad configuration: assignment rules, the start-up page, the files and their guards.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/input/key_config.h"
#include "support/test_util.h"

namespace {

class KeyConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    GetKeyConfig() = KeyConfigData{};
    for (int p = 0; p < 4; ++p) ResetPadDefaults(p);
    ResetKeyboardMap(0);
    ResetKeyboardMap(1);
  }
  std::array<int32_t, 24>& Val(int p) { return GetKeyConfig().pads[p].Val; }
};

TEST_F(KeyConfigTest, DefaultsOfPadAndKeyboard) {
  const std::array<int32_t, 24> expected = {24, 23, 22, 21, 10, 0,  2,  3,  1, 4, 0, 6,
                                            0,  0,  2,  3,  17, 18, 19, 20, 0, 0, 0, 0};
  EXPECT_EQ(Val(0), expected);
  EXPECT_EQ(GetKeyConfig().keyboard[0], (std::array<int32_t, 10>{31, 17, 30, 32, 22, 23, 24, 36, 38, 15}));
  EXPECT_EQ(GetKeyConfig().keyboard[1],
            (std::array<int32_t, 10>{208, 200, 203, 205, 71, 72, 73, 75, 77, 28}));
}

TEST_F(KeyConfigTest, AssignPadButton) {
  struct Case {
    const char* what;
    int player, entry, button;
    std::vector<std::pair<int, int>> after;  // {entry, code} checks on that player
  } cases[] = {
      {"takes a free number", 0, 8, 5, {{8, 5}}},
      {"9 clears", 0, 8, 9, {{8, 0}}},
      {"duplicate of B swaps", 0, 8, 4, {{8, 4}, {9, 1}}},
      {"duplicate of QA swaps", 1, 6, 6, {{6, 6}, {11, 2}}},
      {"pause entry refused", 0, 4, 5, {{4, 10}}},
      {"decide refused", 0, 14, 5, {{14, 2}}},
      {"lever refused", 0, 0, 5, {{0, 24}}},
      {"same number leaves it", 0, 8, 1, {{8, 1}}},
  };
  for (const Case& c : cases) {
    SetUp();
    AssignPadButton(c.player, c.entry, c.button);
    for (auto [entry, code] : c.after) EXPECT_EQ(Val(c.player)[entry], code) << c.what;
  }
  SetUp();
  const auto before = GetKeyConfig().pads;
  AssignPadButton(4, 8, 5);
  AssignPadButton(-1, 8, 5);
  for (int p = 0; p < 4; ++p) EXPECT_EQ(GetKeyConfig().pads[p].Val, before[p].Val);
}

TEST_F(KeyConfigTest, AssignKey) {
  struct Case {
    const char* what;
    int player, slot, code;
    std::array<int32_t, 10> row0, row1;
  } cases[] = {
      {"free key",
       0,
       kKeyA,
       0x2C,
       {31, 17, 30, 32, 0x2C, 23, 24, 36, 38, 15},
       {208, 200, 203, 205, 71, 72, 73, 75, 77, 28}},
      {"own key swaps",
       0,
       kKeyA,
       23,
       {31, 17, 30, 32, 23, 22, 24, 36, 38, 15},
       {208, 200, 203, 205, 71, 72, 73, 75, 77, 28}},
      {"other player's key refused",
       0,
       kKeyA,
       71,
       {31, 17, 30, 32, 22, 23, 24, 36, 38, 15},
       {208, 200, 203, 205, 71, 72, 73, 75, 77, 28}},
      {"player 2",
       1,
       kKeyQA,
       0x39,
       {31, 17, 30, 32, 22, 23, 24, 36, 38, 15},
       {208, 200, 203, 205, 71, 72, 73, 75, 0x39, 28}},
  };
  for (const Case& c : cases) {
    SetUp();
    AssignKey(c.player, c.slot, c.code);
    EXPECT_EQ(GetKeyConfig().keyboard[0], c.row0) << c.what;
    EXPECT_EQ(GetKeyConfig().keyboard[1], c.row1) << c.what;
  }
}

TEST_F(KeyConfigTest, TabAndEnterNotCapturable) {
  std::array<uint8_t, 256> kb{};
  int code = -1;
  kb[0x0F] = 0xC0;  // Tab went down
  kb[0x1C] = 0xC0;  // Enter went down
  kb[0x3B] = 0x80;  // F1 held, not new
  EXPECT_FALSE(FindPressedAssignableKey(kb, &code));
  kb[0xD0] = 0xC0;  // DOWN
  kb[0x02] = 0xC0;  // "1", first in table order
  ASSERT_TRUE(FindPressedAssignableKey(kb, &code));
  EXPECT_EQ(code, 0x02);
  EXPECT_STREQ(GetAssignableKeyName(0xD0), "DOWN");
  EXPECT_STREQ(GetAssignableKeyName(0x0F), "");
  EXPECT_EQ(GetAssignableKeys().size(), 80u);
  EXPECT_STREQ(GetInputCodeName(2, true), "A");
  EXPECT_STREQ(GetInputCodeName(2, false), "Button02");
  EXPECT_STREQ(GetInputCodeName(19, true), "POV_270");
  EXPECT_STREQ(GetInputCodeName(-1, false), "- None -");
}

// What the start-up page leaves for each player, given the file and the attached controllers.
TEST_F(KeyConfigTest, StartUpPage) {
  vt::test::WriteFile("System/_KeyConfig.ini",
                      "[KeyConfig]\r\n"
                      "NoKeyboard= 1\r\n"
                      "P0_Num= 0\r\nP0_Name=Old\r\nP0_Val08= 7\r\n"
                      "P1_Num= 3\r\nP1_Name=Pad\r\nP1_Val08= 7\r\n"
                      "P3_Num= 2\r\nP3_Val08= 7\r\n");
  const std::vector<std::string> pads = {"First Pad  ", "Second", "Third"};
  KeyConfigPageCreate(pads);
  KeyConfigPageDestroy(pads);
  const KeyConfigData& cfg = GetKeyConfig();
  EXPECT_EQ(cfg.NoKeyboard, 1);
  // Present with Num 0: becomes controller 1 with the defaults.
  EXPECT_EQ(cfg.pads[0].Num, 1);
  EXPECT_EQ(cfg.pads[0].Name, "First Pad");
  EXPECT_EQ(cfg.pads[0].Val[8], 1);
  // Num 3 kept, with the file's entries (missing ones read -1).
  EXPECT_EQ(cfg.pads[1].Num, 3);
  EXPECT_EQ(cfg.pads[1].Name, "Second");
  EXPECT_EQ(cfg.pads[1].Val[8], 7);
  EXPECT_EQ(cfg.pads[1].Val[9], -1);
  // Key absent with a controller attached: Num -1 survives (and drives nothing).
  EXPECT_EQ(cfg.pads[2].Num, -1);
  EXPECT_EQ(cfg.pads[2].Name, "Third");
  // No controller 4: Num 0, Name "" and defaults, whatever the file said.
  EXPECT_EQ(cfg.pads[3].Num, 0);
  EXPECT_EQ(cfg.pads[3].Name, "");
  EXPECT_EQ(cfg.pads[3].Val[8], 1);
}

TEST_F(KeyConfigTest, StartUpPageWithoutFiles) {
  const std::vector<std::string> pads = {"Only"};
  KeyConfigPageCreate(pads);
  KeyConfigPageDestroy(pads);
  EXPECT_EQ(GetKeyConfig().pads[0].Num, 1);
  EXPECT_EQ(GetKeyConfig().pads[1].Num, 0);
  EXPECT_EQ(GetKeyConfig().pads[1].Val[8], 1);
  EXPECT_EQ(GetKeyConfig().keyboard[0][kKeyA], 22);
}

TEST_F(KeyConfigTest, SaveAndLoadRoundTrip) {
  vt::test::WriteFile("System/_KeyConfig.ini", "; kept\r\n[Other]\r\nx=1\r\n");
  KeyConfigData& cfg = GetKeyConfig();
  cfg.NoKeyboard = 1;
  cfg.pads[2].Num = 2;
  cfg.pads[2].Name = "Arcade Stick";
  cfg.pads[2].Val[11] = 33;
  cfg.keyboard[1][kKeyA] = 0x39;
  ASSERT_TRUE(SaveKeyConfig());
  ASSERT_TRUE(SaveKeyboardConfig());
  const std::string text = vt::test::ReadFile("System/_KeyConfig.ini");
  EXPECT_EQ(text.rfind("; kept\r\n[Other]\r\nx=1\r\n[KeyConfig]\r\nNoKeyboard= 1\r\nP0_Num= "
                       "0\r\nP0_Name=\r\nP0_Val00= 24\r\n",
                       0),
            0u)
      << text;
  EXPECT_NE(text.find("P2_Name=Arcade Stick\r\n"), std::string::npos);
  EXPECT_NE(vt::test::ReadFile("System/_KeyboardConfig.ini").find("[KeyboardConfig]\r\nP0_Val00= 31\r\n"),
            std::string::npos);
  const KeyConfigData saved = cfg;
  cfg = KeyConfigData{};
  ASSERT_TRUE(LoadKeyConfigFile());
  ASSERT_TRUE(LoadKeyboardConfigFile());
  EXPECT_EQ(cfg.NoKeyboard, 1);
  for (int p = 0; p < 4; ++p) {
    EXPECT_EQ(cfg.pads[p].Num, saved.pads[p].Num);
    EXPECT_EQ(cfg.pads[p].Name, saved.pads[p].Name);
    EXPECT_EQ(cfg.pads[p].Val, saved.pads[p].Val);
  }
  EXPECT_EQ(cfg.keyboard, saved.keyboard);
  // Saving again replaces in place: the file does not grow.
  ASSERT_TRUE(SaveKeyConfig());
  EXPECT_EQ(vt::test::ReadFile("System/_KeyConfig.ini"), text);
}

// Scan codes outside the 256-byte keyboard state keep the default; missing keys keep theirs.
TEST_F(KeyConfigTest, KeyboardFileGuards) {
  vt::test::WriteFile(
      "System/_KeyboardConfig.ini",
      "[KeyboardConfig]\r\nP0_Val00= 300\r\nP0_Val01= -5\r\nP0_Val04= 57\r\nP1_Val09= 255\r\n");
  ASSERT_TRUE(LoadKeyboardConfigFile());
  EXPECT_EQ(GetKeyConfig().keyboard[0], (std::array<int32_t, 10>{31, 17, 30, 32, 57, 23, 24, 36, 38, 15}));
  // A number past 32 bits is held to the range, not wrapped into a valid scan code.
  vt::test::WriteFile("System/_KeyboardConfig.ini", "[KeyboardConfig]\r\nP0_Val00= 4294967328\r\n");
  ASSERT_TRUE(LoadKeyboardConfigFile());
  EXPECT_EQ(GetKeyConfig().keyboard[0][kKeyDown], 31);
  EXPECT_EQ(GetKeyConfig().keyboard[1][kKeyStart], 255);
}

}  // namespace
