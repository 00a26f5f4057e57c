// The key and keyboard configuration files are the player's to edit: any text loaded from them
// must leave every port, bank and keyboard lookup inside its bounds.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/input/app_joystick.h"
#include "app/input/input_manager.h"
#include "app/input/key_config.h"
#include "app/lib_debug.h"
#include "platform/input/fake_input_backend.h"

namespace {

void EnterScratchFolder() {
  static bool entered = false;
  if (entered) return;
  entered = true;
  const auto dir =
      std::filesystem::temp_directory_path() / ("vt_fuzz_key_config_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir / "System");
  std::filesystem::current_path(dir);
  vt::SetDebugQuiet(true);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  EnterScratchFolder();
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (const char* path : {"System/_KeyConfig.ini", "System/_KeyboardConfig.ini"}) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
  }
  GetKeyConfig() = KeyConfigData{};
  ResetKeyboardMap(0);
  ResetKeyboardMap(1);
  auto fake = std::make_unique<vt::platform::FakeInputBackend>();
  auto* pads = fake.get();
  for (int i = 0; i < 3; ++i) {
    pads->AddPad("Pad", i == 1);
    auto& js = pads->pad(i).joystick;
    js.axis.fill(i == 0 ? 1000 : -1000);
    js.slider.fill(1000);
    js.hat.fill(31500);
    js.button.fill(0x80);
    pads->pad(i).controller.buttons = 0xFFFF;
    pads->pad(i).controller.leftY = -32768;
  }
  for (int k = 0; k < 256; ++k) pads->SetKey(static_cast<uint8_t>(k), true);
  g_InputManager.SetBackend(std::move(fake));
  g_InputManager.Init(nullptr);
  const auto names = g_InputManager.GetPadNames();
  KeyConfigPageCreate(names);
  KeyConfigPageDestroy(names);
  // Whatever survived the page, also the raw values straight from the file.
  LoadKeyConfigFile();
  StartAppJoystick();
  for (int f = 0; f < 3; ++f) {
    g_InputManager.Poll();
    g_InputManager.IsQuitRequested();
    g_AppJoystick->ReadDevices();
    g_AppJoystick->UpdateBanks();
  }
  int code = 0;
  FindPressedAssignableKey(g_InputManager.GetKeyboardState(), &code);
  for (int p = 0; p < 2; ++p) {
    for (int s = 0; s < 10; ++s) AssignKey(p, s, GetKeyConfig().keyboard[p][s]);
  }
  g_InputManager.Release();
  return 0;
}
