// The SDL scancode table: every key the configuration can assign or the game tests for has a
// scancode (except the two Japanese-layout keys), and the mapping is one to one.
#include <SDL.h>
#include <gtest/gtest.h>

#include <set>

#include "app/input/key_config.h"
#include "platform/input/input_backend.h"

using vt::platform::ScanCodeFromSdl;
using vt::platform::SdlFromScanCode;

TEST(InputScanCodes, EveryAssignableKeyMapsBothWays) {
  for (const AssignableKey& key : GetAssignableKeys()) {
    const int sdl = SdlFromScanCode(key.code);
    if (key.code == 0x91 || key.code == 0x92) {
      EXPECT_EQ(sdl, 0) << key.name;
      continue;
    }
    ASSERT_NE(sdl, 0) << key.name;
    EXPECT_EQ(ScanCodeFromSdl(sdl), key.code) << key.name;
  }
}

TEST(InputScanCodes, KeysTheGameTestsDirectly) {
  const struct {
    SDL_Scancode sdl;
    uint8_t code;
  } cases[] = {{SDL_SCANCODE_TAB, 0x0F},       {SDL_SCANCODE_RETURN, 0x1C}, {SDL_SCANCODE_LALT, 0x38},
               {SDL_SCANCODE_RALT, 0xB8},      {SDL_SCANCODE_F4, 0x3E},     {SDL_SCANCODE_UP, 0xC8},
               {SDL_SCANCODE_DOWN, 0xD0},      {SDL_SCANCODE_LEFT, 0xCB},   {SDL_SCANCODE_RIGHT, 0xCD},
               {SDL_SCANCODE_KP_7, 0x47},      {SDL_SCANCODE_KP_5, 0x4C},   {SDL_SCANCODE_KP_ENTER, 0x9C},
               {SDL_SCANCODE_KP_DIVIDE, 0xB5}, {SDL_SCANCODE_KP_0, 0x52},   {SDL_SCANCODE_KP_PERIOD, 0x53}};
  for (const auto& c : cases) EXPECT_EQ(ScanCodeFromSdl(c.sdl), c.code) << SDL_GetScancodeName(c.sdl);
  EXPECT_EQ(ScanCodeFromSdl(-1), 0);
  EXPECT_EQ(ScanCodeFromSdl(SDL_NUM_SCANCODES), 0);
}

TEST(InputScanCodes, OneToOne) {
  std::set<uint8_t> seen;
  for (int s = 0; s < SDL_NUM_SCANCODES; ++s) {
    const uint8_t code = ScanCodeFromSdl(s);
    if (!code) continue;
    EXPECT_TRUE(seen.insert(code).second) << "scan code " << int(code) << " mapped twice";
    EXPECT_EQ(SdlFromScanCode(code), s);
  }
}
