// Every menu kind and box driven by a real keyboard: an X server of its own (Xvfb), an SDL window
// pumped as the window thread pumps it, a logic thread running the menus at 60 frames per second,
// and keys typed by xdotool as player 1 would (W up, S down, A left, D right, U decide, I cancel).
// Skipped where Xvfb or xdotool is not installed.
#include <SDL.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "MenuWindow/game_menu.h"
#include "MenuWindow/menu_window.h"
#include "app/input/app_joystick.h"
#include "app/input/input_manager.h"
#include "app/input/key_config.h"
#include "menu/key_setting.h"
#include "platform/window_events.h"
#include "scene/menu_player.h"

namespace {

bool HaveProgram(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

class EnvRestore {
 public:
  explicit EnvRestore(const char* name) : name_(name) {
    if (const char* v = std::getenv(name)) old_ = v, had_ = true;
  }
  ~EnvRestore() {
    if (had_)
      setenv(name_, old_.c_str(), 1);
    else
      unsetenv(name_);
  }

 private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

class XServer {
 public:
  bool Start() {
    int fds[2];
    if (pipe(fds) != 0) return false;
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      const std::string fd = std::to_string(fds[1]);
      execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "800x600x24", "-nolisten", "tcp",
             nullptr);
      _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty()) return false;
    setenv("DISPLAY", (":" + number).c_str(), 1);
    for (int i = 0; i < 100; ++i) {
      if (std::system("xdotool getmouselocation >/dev/null 2>&1") == 0) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }
  ~XServer() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }

 private:
  pid_t pid_ = -1;
};

// What a scenario's frame reports.
enum Step { kNotReady = 0, kReady = 1, kDone = 2 };

class MenusOnXvfb : public testing::Test {
 protected:
  void SetUp() override {
    if (!HaveProgram("Xvfb") || !HaveProgram("xdotool")) GTEST_SKIP() << "Xvfb or xdotool not installed";
    display_ = std::make_unique<EnvRestore>("DISPLAY");
    driver_ = std::make_unique<EnvRestore>("SDL_VIDEODRIVER");
    ASSERT_TRUE(x_.Start());
    setenv("SDL_VIDEODRIVER", "x11", 1);
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS), 0) << SDL_GetError();
    window_ = SDL_CreateWindow("VtMenuProbe", 0, 0, 320, 240, SDL_WINDOW_SHOWN);
    ASSERT_NE(window_, nullptr) << SDL_GetError();
    GetKeyConfig() = KeyConfigData{};
    for (int p = 0; p < 4; ++p) ResetPadDefaults(p);
    ResetKeyboardMap(0);
    ResetKeyboardMap(1);
    ASSERT_TRUE(StartInputManager(window_));
    StartAppJoystick();
    g_MenuPlayer = 1;  // the window menus answer to player 1
    logic_ = std::thread([this] { Logic(); });
    PumpFor(300);
    Xdo("search --name VtMenuProbe windowfocus --sync");
    PumpFor(200);
    ASSERT_EQ(SDL_GetKeyboardFocus(), window_) << "the window never got the keyboard focus";
  }
  void TearDown() override {
    stop_ = true;
    if (logic_.joinable()) logic_.join();
    g_InputManager.Release();
    if (window_) SDL_DestroyWindow(window_);
    SDL_Quit();
    g_MenuPlayer = 0;
  }

  void Logic() {
    while (!stop_) {
      g_InputManager.Poll();
      g_AppJoystick->ReadDevices();
      g_AppJoystick->UpdateBanks();
      const PadState& s = g_AppJoystick->menuBank[0];
      const int direction = (s.menuDirection & PadState::kChanged) ? s.menuDirection & 0x0F : 0;
      const int button = (s.button[1] & PadState::kPressed) ? 2 : (s.button[0] & PadState::kPressed) ? 1 : 0;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (scenario_) step_ = scenario_(direction, button);
      }
      std::this_thread::sleep_for(std::chrono::microseconds(16667));
    }
  }

  void PumpFor(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
      SDL_Event e;
      if (SDL_WaitEventTimeout(&e, 1)) {
        vt::platform::DispatchWindowEvent(e);
        while (SDL_PollEvent(&e)) vt::platform::DispatchWindowEvent(e);
      }
      vt::platform::RunWindowThreadCalls();
    }
  }
  void Xdo(const std::string& args) {
    std::thread t([args] { (void)std::system(("xdotool " + args + " >/dev/null 2>&1").c_str()); });
    PumpFor(150);
    t.join();
  }
  // Pumps until the scenario reports the step (false after about 4 seconds).
  bool WaitFor(int step) {
    for (int i = 0; i < 80; ++i) {
      if (step_ >= step) return true;
      PumpFor(50);
    }
    return false;
  }
  // Runs a scenario: types the keys one at a time, each once the menu takes input, and waits until
  // it is done.
  void Run(std::function<int(int, int)> scenario, std::initializer_list<const char*> keys) {
    step_ = kNotReady;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      scenario_ = std::move(scenario);
    }
    ASSERT_TRUE(WaitFor(kReady)) << "the menu never took input";
    for (const char* key : keys) {
      ASSERT_TRUE(WaitFor(kReady)) << "the menu stopped taking input before " << key;
      Xdo(std::string("key --delay 60 ") + key);
      PumpFor(100);
    }
    ASSERT_TRUE(WaitFor(kDone)) << "the menu never finished";
    std::lock_guard<std::mutex> lock(mutex_);
    scenario_ = nullptr;
  }

  XServer x_;
  std::unique_ptr<EnvRestore> display_, driver_;
  SDL_Window* window_ = nullptr;
  std::thread logic_;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::function<int(int, int)> scenario_;
  std::atomic<int> step_{kNotReady};
};

// An in-game dialog: ready once it takes input, done once it has closed.
template <class Menu>
std::function<int(int, int)> Dialog(std::shared_ptr<Menu> menu) {
  return [menu](int d, int b) {
    menu->Input(d, b);
    if (menu->openState == CPauseMenu_Default::kClosed) return kDone;
    return menu->inputEnabled ? kReady : kNotReady;
  };
}

// A window menu: ready once open, done once closed.
template <class Box>
std::function<int(int, int)> WindowBox(std::shared_ptr<Box> box) {
  return [box](int, int) {
    box->Update();
    if (box->state == CMenuManagerBase::kClosed) return kDone;
    return box->state == CMenuManagerBase::kOpen ? kReady : kNotReady;
  };
}

TEST_F(MenusOnXvfb, InGameDialogs) {
  auto yes = std::make_shared<CGameMenu_YESNO>();
  Run(Dialog(yes), {"w", "u"});
  EXPECT_EQ(yes->confirmed, 1);

  auto cancelled = std::make_shared<CGameMenu_YESNO>();
  Run(Dialog(cancelled), {"w", "i"});
  EXPECT_EQ(cancelled->confirmed, 0);
  EXPECT_EQ(cancelled->declined, 1);
  EXPECT_EQ(cancelled->cancelled, 1);

  auto ip = std::make_shared<CGameMenu_InputIP>();
  ip->SetEntryMode(1);
  ip->SetDigits("00000");
  Run(Dialog(ip), {"w", "d", "w", "w", "a", "a", "s", "u"});
  char text[8];
  ip->GetText(text, sizeof text);
  EXPECT_STREQ(text, "12009");

  auto popup = std::make_shared<CGameMenu_Network>();
  popup->SetPopupKind(5);
  Run(Dialog(popup), {"s", "s", "u"});
  EXPECT_EQ(popup->resultValue, 2);
}

TEST_F(MenusOnXvfb, WindowMenuBoxes) {
  auto second = std::make_shared<CMenuManageYesNoMessageReturn>();
  second->Show("Check", "Leave?", "YES", "", "NO", "", 1, 1);
  second->Open(1);
  Run(WindowBox(second), {"s", "u"});
  EXPECT_EQ(second->result, 2);

  auto cancel = std::make_shared<CMenuManageYesNoMessageReturn>();
  cancel->Show("Check", "Leave?", "YES", "", "NO", "", 1, 0);
  cancel->Open(1);
  Run(WindowBox(cancel), {"i"});
  EXPECT_EQ(cancel->result, CMenuManagerBase::kResultCancel);

  auto button = std::make_shared<CMenuManageMessageSubInfo>();
  button->ShowWithSubInfo("Notice", "Connection lost.", "Code 3", "OK");
  button->Open(5);
  button->ShowButton(1);
  Run(WindowBox(button), {"u"});
  EXPECT_EQ(button->result, 5);
}

TEST_F(MenusOnXvfb, KeySettingScreenCapturesAKey) {
  auto screen = std::make_shared<KeySettingScreen>();
  screen->Open(KeySettingScreen::kKeyboard);
  int frames = 0;
  Run(
      [screen, &frames](int, int) {
        screen->RequestClose();
        screen->Update();
        ++frames;
        if (screen->IsFinished()) return kDone;
        CKeySettingMenuBase& m = *screen->menus[0];
        // Ready while the menu or its capture box takes input.
        return (m.capture ? m.capture->inputEnabled : m.inputEnabled) ? kReady : kNotReady;
      },
      // Decide "UP" and give it Z; then Z is up: up to EXIT and decide.
      {"u", "z", "z", "u"});
  EXPECT_EQ(GetKeyConfig().keyboard[0][kKeyUp], 0x2C);
  screen->Close();
}

}  // namespace
