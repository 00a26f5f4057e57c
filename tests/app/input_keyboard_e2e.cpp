// A real keyboard on a real window: an X server of its own (Xvfb), an SDL window pumped the way
// the window thread pumps it, a logic thread polling at 60 frames per second, and keys typed
// by xdotool as a player would. Skipped where Xvfb or xdotool is not installed.
#include <SDL.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "app/input/app_joystick.h"
#include "app/input/input_manager.h"
#include "app/input/key_config.h"
#include "app/input/key_input_ring.h"
#include "platform/window_events.h"
#include "support/xvfb.h"

namespace {

using vt::test::EnvRestore;
using vt::test::HaveProgram;
using vt::test::XServer;

TEST(KeyboardOnXvfb, KeysReachTheBanksQuitAndTypedText) {
  if (!HaveProgram("Xvfb") || !HaveProgram("xdotool")) GTEST_SKIP() << "Xvfb or xdotool not installed";
  EnvRestore display("DISPLAY"), driver("SDL_VIDEODRIVER");
  XServer x;
  ASSERT_TRUE(x.Start());
  setenv("SDL_VIDEODRIVER", "x11", 1);
  ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS), 0) << SDL_GetError();
  SDL_Window* window = SDL_CreateWindow("VtInputProbe", 0, 0, 320, 240, SDL_WINDOW_SHOWN);
  ASSERT_NE(window, nullptr) << SDL_GetError();
  SDL_StartTextInput();

  GetKeyConfig() = KeyConfigData{};
  for (int p = 0; p < 4; ++p) ResetPadDefaults(p);
  ResetKeyboardMap(0);
  ResetKeyboardMap(1);
  ASSERT_TRUE(StartInputManager(window));
  StartAppJoystick();
  GetKeyInputRing().SetEnabled(true);
  GetKeyInputRing().Clear();

  // The logic thread: 60 frames per second, noting the first frame whose battle bank shows
  // player 1's A held, and whether the quit test fired.
  std::atomic<int> frame{0};
  std::atomic<int> eventFrame{-1};  // frames begun when the key-down event reached the window thread
  std::atomic<int> bankFrame{-1};
  std::atomic<bool> quit{false};
  std::atomic<bool> battleA{false}, menuDecide{false};
  std::atomic<bool> stop{false};
  // Stops and joins the logic thread however the test ends (an ASSERT returns early).
  struct Joiner {
    std::atomic<bool>& stop;
    std::thread& thread;
    ~Joiner() {
      stop = true;
      if (thread.joinable()) thread.join();
    }
  };
  std::thread logic;
  Joiner joiner{stop, logic};
  logic = std::thread([&] {
    while (!stop) {
      const int f = frame.load();
      g_InputManager.Poll();
      if (g_InputManager.IsQuitRequested()) quit = true;
      g_AppJoystick->ReadDevices();
      g_AppJoystick->UpdateBanks();
      battleA = g_AppJoystick->battleBank[0].button[0] & PadState::kHeld;
      menuDecide = g_AppJoystick->menuBank[0].button[0] & PadState::kHeld;
      if (bankFrame < 0 && battleA) bankFrame = f;
      frame = f + 1;
      std::this_thread::sleep_for(std::chrono::microseconds(16667));
    }
  });
  const int probe = vt::platform::AddEventHandler([&](const SDL_Event& e) {
    if (e.type == SDL_KEYDOWN && e.key.keysym.scancode == SDL_SCANCODE_U && eventFrame < 0)
      eventFrame = frame.load();
  });
  auto pumpFor = [&](int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
      SDL_Event e;
      if (SDL_WaitEventTimeout(&e, 1)) {
        vt::platform::DispatchWindowEvent(e);
        while (SDL_PollEvent(&e)) vt::platform::DispatchWindowEvent(e);
      }
      vt::platform::RunWindowThreadCalls();
    }
  };
  // xdotool runs in the background while this thread keeps pumping.
  auto xdo = [&](const std::string& args) {
    std::thread t([args] { (void)std::system(("xdotool " + args + " >/dev/null 2>&1").c_str()); });
    pumpFor(300);
    t.join();
  };
  pumpFor(300);
  xdo("search --name VtInputProbe windowfocus --sync");
  pumpFor(200);
  ASSERT_EQ(SDL_GetKeyboardFocus(), window) << "the window never got the keyboard focus";

  xdo("keydown u");
  pumpFor(100);
  EXPECT_GE(bankFrame.load(), 0) << "player 1's A never reached the battle bank";
  EXPECT_TRUE(menuDecide.load());
  xdo("keyup u");
  pumpFor(100);
  EXPECT_FALSE(battleA.load());
  // Latency: the frame that began after the key event already has it.
  RecordProperty("key_to_bank_frames", bankFrame - eventFrame);
  std::printf("key event at frame %d, battle bank at frame %d\n", eventFrame.load(), bankFrame.load());
  EXPECT_LE(bankFrame - eventFrame, 1);

  GetKeyInputRing().Clear();  // the "u" typed above
  xdo("type --delay 30 'Hi\\\\there'");
  pumpFor(200);
  std::string typed;
  while (GetKeyInputRing().Count()) typed += GetKeyInputRing().Pop();
  EXPECT_EQ(typed, "Hithere");

  EXPECT_FALSE(quit.load());
  xdo("keydown alt+F4");
  pumpFor(100);
  xdo("keyup alt+F4");
  EXPECT_TRUE(quit.load());

  stop = true;
  logic.join();
  vt::platform::RemoveEventHandler(probe);
  g_InputManager.Release();
  GetKeyInputRing().SetEnabled(false);
  SDL_DestroyWindow(window);
  SDL_Quit();
}

}  // namespace
