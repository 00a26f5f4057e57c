// Cost of one frame of input: the input manager's poll of two pads and the keyboard into four
// ports, then the game-level joystick reading the ports and updating its three banks.
#include <benchmark/benchmark.h>

#include <memory>

#include "app/input/app_joystick.h"
#include "app/input/input_manager.h"
#include "app/input/key_config.h"
#include "platform/input/fake_input_backend.h"

namespace {

void BM_InputFrame(benchmark::State& state) {
  auto fake = std::make_unique<vt::platform::FakeInputBackend>();
  auto* pads = fake.get();
  pads->AddPad("Stick", false);
  pads->AddPad("Pad", true);
  g_InputManager.SetBackend(std::move(fake));
  g_InputManager.Init(nullptr);
  for (int p = 0; p < 4; ++p) ResetPadDefaults(p);
  ResetKeyboardMap(0);
  ResetKeyboardMap(1);
  GetKeyConfig().pads[0].Num = 1;
  GetKeyConfig().pads[1].Num = 2;
  StartAppJoystick();
  int frame = 0;
  for (auto _ : state) {
    // Something changes every frame so that edges are computed for real.
    pads->pad(0).joystick.axis[0] = (frame & 8) ? 1000 : -1000;
    pads->pad(0).joystick.button[frame & 7] = (frame & 1) ? 0x80 : 0;
    pads->pad(1).controller.buttons = static_cast<uint16_t>(frame * 37);
    pads->SetKey(0x16, frame & 2);
    g_InputManager.Poll();
    g_AppJoystick->ReadDevices();
    g_AppJoystick->UpdateBanks();
    benchmark::DoNotOptimize(g_AppJoystick->battleBank[0].button[0]);
    ++frame;
  }
  g_InputManager.Release();
}
BENCHMARK(BM_InputFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
