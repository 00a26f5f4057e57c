// The game-level joystick: banks, bit maps, the network frame step and the menu queries.
#include "app/input/app_joystick.h"

#include "app/input/input_hooks.h"
#include "app/input/input_manager.h"
#include "app/input/net_input_link.h"

CAppJoystick* g_AppJoystick = nullptr;

namespace {

constexpr int kCursorSound = 152;
// Request bits that make side 0 send one frame of button A alone.
constexpr uint32_t kSendConfirmBits = 0x503;

bool Pressed(const PadState& s, int button) { return s.button[button] & PadState::kPressed; }
bool Held(const PadState& s, int button) { return s.button[button] & PadState::kHeld; }

bool AnyPressed(const PadState& s) {
  for (uint8_t b : s.button) {
    if (b & PadState::kPressed) return true;
  }
  return false;
}

int TriggeredDigit(const PadState& s) {
  return (s.menuDirection & PadState::kChanged) ? (s.menuDirection & 0x0F) : 0;
}

}  // namespace

CAppJoystickWindows& GetAppJoystickInstance() {
  static CAppJoystickWindows instance;
  return instance;
}

void StartAppJoystick() {
  g_AppJoystick = &GetAppJoystickInstance();
  g_AppJoystick->ResetMaps();
}

void CAppJoystick::ResetMaps() {
  for (int p = 0; p < 4; ++p) {
    ResetBattleMap(p);
    ResetMenuMap(p);
  }
}

void CAppJoystick::ClearAll() {
  requestWord = 0;
  pendingConfirm = 0;
  for (int p = 0; p < 4; ++p) {
    ClearPlayer(p);
    latchWords[p] = 0;
  }
}

void CAppJoystick::ClearPlayer(int player) {
  if (player < 0 || player > 3) return;
  battleBank[player] = PadState{};
  menuBank[player] = PadState{};
}

void CAppJoystick::CopyLocalToMenu(int from, int to) {
  if (from < 0 || from > 3 || to < 0 || to > 3) return;
  menuBank[to] = localBank[from];
}

void CAppJoystick::ResetBattleMap(int player) {
  if (player < 0 || player > 3) return;
  for (int i = 0; i < 32; ++i) battleMap[player][i] = 1u << i;
}

void CAppJoystick::ResetMenuMap(int player) {
  if (player < 0 || player > 3) return;
  for (int i = 0; i < 32; ++i) menuMap[player][i] = 1u << i;
}

void CAppJoystickWindows::ResetBattleMap(int player) {
  if (player < 0 || player > 3) return;
  battleMap[player].fill(0);
  static constexpr uint32_t kBattle[6] = {0x10, 0x20, 0x8, 0x4, 0x80, 0x40};
  for (int i = 0; i < 6; ++i) battleMap[player][i] = kBattle[i];
}

void CAppJoystickWindows::ResetMenuMap(int player) {
  if (player < 0 || player > 3) return;
  menuMap[player].fill(0);
  static constexpr uint32_t kMenu[5] = {0x400, 0x800, 0x1, 0x100, 0x200};
  for (int i = 0; i < 5; ++i) menuMap[player][i] = kMenu[i];
  menuMap[player][31] = 0xFFFFF3FE;  // every raw bit except START, decide and cancel
}

void CAppJoystick::ReadDevices() {
  for (int p = 0; p < 4; ++p) {
    rawStates[p] = PadRawState{};
    g_InputManager.GetPortState(p, &rawStates[p]);
  }
}

namespace {

void SetAndUpdate(PadState& record, const PadRawState& raw, ButtonMap map) {
  const PadState previous = record;
  record.SetFromRaw(raw, map);
  record.Update(previous);
}

void SetAndUpdate(PadState& record, const NetPadInput& input) {
  const PadState previous = record;
  record.SetFromNet(input);
  record.Update(previous);
}

}  // namespace

void CAppJoystick::UpdateBanks() {
  for (int p = 0; p < 4; ++p) {
    SetAndUpdate(battleBank[p], rawStates[p], battleMap[p]);
    SetAndUpdate(menuBank[p], rawStates[p], menuMap[p]);
    SetAndUpdate(localBank[p], rawStates[p], menuMap[p]);
  }
}

void CAppJoystick::BuildNetBanks(int player, const NetPadInput& netInput, const NetPadInput& menuInput) {
  if (player < 0 || player > 3) return;
  SetAndUpdate(battleBank[player], netInput);
  SetAndUpdate(menuBank[player], menuInput);
  SetAndUpdate(localBank[player], rawStates[player], menuMap[player]);
}

int CAppJoystick::ExchangeNetInput() {
  NetInputLink& link = GetNetInputLink();
  link.CheckRemoteInput();
  // Requests armed since the last exchange wait here for both players' confirmation presses;
  // the request word itself is cleared once the local input has been sent.
  pendingConfirm |= requestWord;
  const int role = link.GetBattleRole();
  const int side = role == 1 ? 0 : role == 2 ? 1 : -1;
  if (side >= 0) {
    int mainSide = GetInputGameHooks().mainSide();
    if (mainSide < 0 || mainSide > 3) mainSide = 0;
    NetPadInput packed;
    PackNetPadInput(&packed, rawStates[mainSide], battleMap[mainSide]);
    if (side == 0 && (requestWord & kSendConfirmBits)) packed.buttons = 1;
    const uint32_t extra = packed.direction | (packed.lever2Direction << 8) | (packed.lever3Direction << 16) |
                           (static_cast<uint32_t>(packed.spare) << 24);
    if (link.SendLocalInput(side, packed.buttons, extra) != 0) requestWord = 0;
  }
  if (link.IsStalled()) return 0;
  for (int p = 0; p < 4; ++p) {
    NetPadInput menuPacked;
    PackNetPadInput(&menuPacked, rawStates[p], menuMap[p]);
    // Only the two sides are exchanged; players 3 and 4 get an empty battle record.
    const NetPadInput exchanged = p < 2 ? link.GetFrameInput(p) : NetPadInput{};
    BuildNetBanks(p, exchanged, menuPacked);
  }
  if (pendingConfirm) {
    for (int p = 0; p < 2; ++p) {
      for (int b = 0; b < 6; ++b) {
        if (Pressed(battleBank[p], b)) {
          latchWords[p] |= pendingConfirm;
          break;
        }
      }
    }
  }
  link.SendInputUpdates(0);
  if (!link.IsHeld()) link.AdvanceFrame();
  return 1;
}

int CAppJoystick::ConsumeLatch(uint32_t bits) {
  if (!(latchWords[0] & bits) || !(latchWords[1] & bits)) return 0;
  for (uint32_t& w : latchWords) w &= ~bits;
  pendingConfirm &= ~bits;
  return 1;
}

const std::array<PadState, 4>& CAppJoystick::Bank(int bank) const {
  if (bank == 0) return menuBank;
  if (bank == 2) return battleBank;
  return localBank;
}

void CAppJoystick::GetMenuInput(int player, int* dir, uint32_t* pressed, uint32_t* held, int raw) const {
  if (player < 0 || player > 3) return;
  const PadState& s = menuBank[player];
  if (dir) *dir = raw ? (s.menuDirection & 0x0F) : TriggeredDigit(s);
  uint32_t p = 0, h = 0;
  s.GetButtonMasks(&p, &h);
  if (pressed) *pressed = p;
  if (held) *held = h;
}

void CAppJoystick::GetAllPlayersMenuInput(int* dir, uint32_t* pressed, uint32_t* held, int raw) const {
  int d = 0;
  uint32_t p = 0, h = 0;
  for (int i = 0; i < 4; ++i) {
    const PadState& s = menuBank[i];
    // Two players' digits ORed together make a different direction (2 | 4 = 6): the first
    // player with a direction gives it.
    const int digit = raw ? (s.menuDirection & 0x0F) : TriggeredDigit(s);
    if (d == 0) d = digit;
    s.GetButtonMasks(&p, &h);
  }
  if (dir) *dir = d;
  if (pressed) *pressed = p;
  if (held) *held = h;
}

int CAppJoystick::GetMenuDirectionCommand(int bank, uint32_t players, int sound) const {
  const auto& records = Bank(bank);
  for (int p = 0; p < 2; ++p) {
    if (!(players & (1u << p))) continue;
    const int digit = TriggeredDigit(records[p]);
    if (digit == 2 || digit == 4 || digit == 6 || digit == 8) {
      if ((digit == 2 || digit == 8) && sound == 1) GetInputGameHooks().requestSound(kCursorSound);
      return digit;
    }
  }
  return 0;
}

int CAppJoystick::GetMenuLeftRight(uint32_t players) const {
  for (int p = 0; p < 2; ++p) {
    if (!(players & (1u << p))) continue;
    const int digit = TriggeredDigit(menuBank[p]);
    if (digit == 4 || digit == 6) {
      GetInputGameHooks().requestSound(kCursorSound);
      return digit;
    }
  }
  return 0;
}

int CAppJoystick::GetMenuConfirmCancel(int bank, uint32_t players, int sound) const {
  const auto& records = Bank(bank);
  for (int p = 0; p < 2; ++p) {
    if (!(players & (1u << p))) continue;
    int result = 0;
    if (Pressed(records[p], 0))
      result = 1;
    else if (Pressed(records[p], 1))
      result = 2;
    if (result) {
      if (sound == 1) GetInputGameHooks().requestSound(kCursorSound);
      return result;
    }
  }
  return 0;
}

template <class Test>
bool CAppJoystick::ForActingPlayers(int direct, Test test) const {
  const InputGameHooks& hooks = GetInputGameHooks();
  const int directSide = hooks.directMatchSide();
  if (direct && directSide >= 0 && directSide <= 3) return test(menuBank[directSide]);
  if (hooks.gameMode() == 1) return test(menuBank[0]) || test(menuBank[1]);
  const int main = hooks.mainSide();
  return main >= 0 && main <= 3 && test(menuBank[main]);
}

int CAppJoystick::IsMenuButton2Pressed(int direct) const {
  return ForActingPlayers(direct, [](const PadState& s) { return Pressed(s, 2); }) ? 1 : 0;
}

int CAppJoystick::IsMenuButton0Pressed(int direct) const {
  return ForActingPlayers(direct, [](const PadState& s) { return Pressed(s, 0); }) ? 1 : 0;
}

int CAppJoystick::IsAnyMenuButtonPressed() const { return ForActingPlayers(1, AnyPressed) ? 1 : 0; }

int CAppJoystick::IsPlayerMenuButton2Pressed(int player) const {
  return player >= 0 && player <= 3 && Pressed(menuBank[player], 2) ? 1 : 0;
}

int CAppJoystick::IsPlayerAnyMenuButtonPressed(int player) const {
  return player >= 0 && player <= 3 && AnyPressed(menuBank[player]) ? 1 : 0;
}

int CAppJoystick::IsPlayerMenuButtonPressedExcept1(int player) const {
  if (player < 0 || player > 3) return 0;
  const PadState& s = menuBank[player];
  return AnyPressed(s) && !Pressed(s, 1) ? 1 : 0;
}

int CAppJoystick::IsPlayerMenuButton0(int player, int flags) const {
  if (player < 0 || player > 3) return 0;
  const PadState& s = menuBank[player];
  return ((flags & 2) && Pressed(s, 0)) || ((flags & 1) && Held(s, 0)) ? 1 : 0;
}

int CAppJoystick::IsPlayerMenuButton1(int player, int flags) const {
  if (player < 0 || player > 3) return 0;
  const PadState& s = menuBank[player];
  return ((flags & 2) && Pressed(s, 1)) || ((flags & 1) && Held(s, 1)) ? 1 : 0;
}

int CAppJoystick::UpdateNameEntryInput(int player, int enable) {
  if (player < 0 || player > 3) return 0;
  const InputGameHooks& hooks = GetInputGameHooks();
  const int directSide = hooks.directMatchSide();
  const int record = directSide >= 0 ? (player ^ directSide) & 3 : player;
  const PadState& s = menuBank[record];
  const int dir = TriggeredDigit(s);
  uint32_t pressed = 0;
  s.GetButtonMasks(&pressed, nullptr);
  if (StoreFinishedNameEntry(player)) return 120;
  uint32_t word = 0;
  if (enable) {
    word = pressed & 0xF;
    if (pressed & 0x4) word |= 1u << 28;
  }
  hooks.updateNameEntry(player, dir, word);
  return 0;
}
