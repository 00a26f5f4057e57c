// The configuration record and the screen settings are the player's files: whatever they hold,
// the options screen must show, move and store only values the record accepts, and offer only
// screen sizes it can switch to. The first 400 bytes are the record, the rest the screen section
// of the start-up settings; the same bytes script the moves over every item.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/app_config.h"
#include "app/lib_debug.h"
#include "app/save_data.h"
#include "scene/options_menu.h"

namespace {

void EnterScratchFolder() {
  static bool entered = false;
  if (entered) return;
  entered = true;
  const auto dir = std::filesystem::temp_directory_path() / ("vt_fuzz_options_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir / "System");
  std::filesystem::current_path(dir);
  vt::SetDebugQuiet(true);
}

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  EnterScratchFolder();
  const size_t recordBytes = size < sizeof(GameData) ? size : sizeof(GameData);
  std::ofstream("System/_QZGameData.dat", std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(recordBytes));
  {
    std::ofstream ini("System/_App.ini", std::ios::binary | std::ios::trunc);
    ini << "[System]\r\n";
    ini.write(reinterpret_cast<const char*>(data + recordBytes),
              static_cast<std::streamsize>(size - recordBytes));
  }
  g_AppConfig = AppConfig{};
  LoadAppConfig();
  LoadGameData();
  Check(g_GameData != nullptr && IsGameDataValid(*g_GameData));

  {
    COptionMenu menu(BuildDisplayModeList());
    Check(!menu.displayModes.empty());
    size_t at = 0;
    auto next = [&]() -> uint8_t { return size == 0 ? 0 : data[at++ % size]; };
    menu.Input(0, 0);  // opened
    for (CGameMenu_Element* e : menu.Set()->elements) {
      if (e->IsSpacer()) continue;
      menu.Set()->SetCursorById(e->id);
      for (int m = 0, moves = next() % 4; m < moves; ++m) {
        menu.Input(next() % 2 ? 6 : 4, 0);
        menu.Input(0, 0);
      }
      if (e->id == "Default" && next() % 2) menu.Input(0, 1);
    }
    menu.Set()->SetCursorById(next() % 2 ? "ChangeScreen" : "Exit");
    menu.Input(0, 1);
    for (int f = 0; f < 40 && menu.openState != CPauseMenu_Default::kClosed; ++f) menu.Input(0, 0);
    menu.StoreValues();
    int entry = -1, chosen = -1, present = -1;
    const int pending = menu.PendingScreenChange(&entry, &chosen, &present);
    Check(entry >= 0 && entry < static_cast<int>(menu.displayModes.size()));
    Check(chosen == 0 || chosen == 1);
    Check(pending == 0 || pending == 1);
    const DisplayModeEntry& mode = menu.displayModes[static_cast<size_t>(entry)];
    Check(mode.width > 0 && mode.height > 0);
  }
  Check(IsGameDataValid(*g_GameData));
  // What was written comes back unchanged.
  const GameData written = *g_GameData;
  Check(SaveGameData());
  LoadGameData();
  Check(std::memcmp(&written, g_GameData, sizeof written) == 0);
  return 0;
}
