// The character select's preview slots, the preloader thread and the preview drawing.
#include "scene/chara_preview.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <memory>
#include <mutex>
#include <numbers>
#include <thread>

#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/Han6Draw/han6_texture_cache.h"
#include "app/random.h"
#include "battle/chara_list.h"
#include "battle/chara_loader.h"
#include "scene/scene_frame.h"

namespace {

constexpr const char* kSheetFolder = ".\\grp\\c_sel_QZ\\";
constexpr int kPauseMs = 20;

struct Preloader {
  std::unique_ptr<CharaPreviewSlot[]> slots;
  std::atomic<int> run{0};
  std::thread thread;
  std::mutex wakeMutex;
  std::condition_variable wake;
  TextureHandle* bigNames[2] = {};
  TextureHandle* smallNames[2] = {};
  std::atomic<CharaPreviewLoadStep> step{nullptr};
};

Preloader& P() {
  static Preloader p;
  return p;
}

// Loads run on the preloader thread with pauses between them; a pass run on another thread
// (the tests' synchronous passes) does not pause.
thread_local bool t_OnPreloader = false;

// The thread's pause between loads and passes; it ends at once when the preloader stops.
// False when stopping.
bool Pause(int ms) {
  Preloader& p = P();
  if (!t_OnPreloader) return true;
  std::unique_lock<std::mutex> lock(p.wakeMutex);
  p.wake.wait_for(lock, std::chrono::milliseconds(ms),
                  [&p] { return p.run.load(std::memory_order_acquire) == 0; });
  return p.run.load(std::memory_order_acquire) != 0;
}

TextureHandle* LoadSheet(const char* format, int number) {
  char path[128];
  std::snprintf(path, sizeof path, format, kSheetFolder, number);
  return LoadTexture(path);
}

bool IsRealFile(const char* name) { return name[0] != '\0' && name[0] != '0' && name[0] != '1'; }

}  // namespace

void BuildCharaPreviewSprites(CharaPreviewSlot& slot) {
  CharaSpritePlayer& player = slot.player;
  for (CharaSpriteLayerData& layer : player.layer)
    if (layer.frameData.sprites != nullptr)
      CreateCutSpritePages(layer.frameData.sprites, CharaSpritePaletteOf(layer, player.colour), nullptr, 0,
                           1);
  player.state.store(kCharaSpriteReady, std::memory_order_release);
  for (int l = 0; l < 2; ++l)
    if (player.layer[l].frameData.patterns != nullptr && (player.changeFlags & kCharaSpriteCharacterChanged))
      SetCharaSpriteFrame(player, l, 0, 0, 1);
  player.shownFrames = 1;
}

namespace {

void ReleaseLayers(CharaSpritePlayer& player) {
  for (CharaSpriteLayerData& layer : player.layer) ReleaseCharaSpriteLayer(layer);
}

void ThreadMain() {
  t_OnPreloader = true;
  Preloader& p = P();
  while (p.run.load(std::memory_order_acquire) != 0) {
    RunCharaPreloaderPass();
    if (!Pause(kPauseMs)) break;
  }
}

// A side without a controller drops its request, unless a load has claimed it: the thread
// copied the request when it claimed the slot, and the load goes on.
void DropRequest(CharaPreviewSlot& slot) {
  int32_t state = slot.loadState.load(std::memory_order_acquire);
  if (state == kPreviewLoading) return;
  if (!slot.loadState.compare_exchange_strong(state, kPreviewDropping, std::memory_order_acq_rel)) return;
  slot.requestedCharacter.store(-1, std::memory_order_release);
  if (slot.shown.load(std::memory_order_acquire) == 0) {
    // A request dropped while it waited would leave the slot waiting for a load that never
    // comes, and the side without a preview once it is given a player again. The slot now
    // holds nothing to load, and with no target the next character it is given is a change
    // that requests a load.
    SetCharaSpriteTarget(slot.player, -1, -1);
    slot.shown.store(1, std::memory_order_release);
  }
  slot.loadState.store(kPreviewIdle, std::memory_order_release);
}

}  // namespace

CharaPreviewSlot* GetCharaPreviewSlot(int side) {
  Preloader& p = P();
  return p.slots && (side == 0 || side == 1) ? &p.slots[side] : nullptr;
}

int CharaNameNumber(int character) {
  if (character >= 0 && character <= 15) return character;
  if (character == 16) return 29;
  if (character >= 17 && character <= 20) return character - 1;
  if (character == 22 || character == 23) return character - 2;
  if (character == 25) return 22;
  if (character >= 28 && character <= 35) return character - 5;
  if (character == 51) return 31;
  return -1;
}

void SetUpCharaPreviews() {
  Preloader& p = P();
  p.slots = std::make_unique<CharaPreviewSlot[]>(2);
  for (int s = 0; s < 2; ++s) {
    p.bigNames[s] = LoadSheet("%scsel_name00_%01d", s);
    p.smallNames[s] = LoadSheet("%scsel_name01_%01d", s);
    CharaPreviewSlot& slot = p.slots[s];
    TurnColourList(slot.colourList, 0);
    TurnColourList(slot.colourList, 0);
    InitCharaSpritePlayer(slot.player, s);
    slot.shown.store(1, std::memory_order_relaxed);
    slot.requestedCharacter.store(0, std::memory_order_relaxed);
    slot.cursorCell = 0;
    slot.slideIn = slot.nameAppear = slot.flash = 0.0f;
    slot.loadState.store(kPreviewIdle, std::memory_order_relaxed);
    SetCharaSpriteTarget(slot.player, -1, -1);
  }
}

void StartCharaPreloader() {
  Preloader& p = P();
  // A preloader still there from before is stopped first: its thread joined, its slots freed.
  if (p.slots || p.thread.joinable()) StopCharaPreloader();
  SetUpCharaPreviews();
  p.run.store(1, std::memory_order_release);
  p.thread = std::thread(ThreadMain);
}

void StopCharaPreloader() {
  Preloader& p = P();
  {
    std::lock_guard<std::mutex> lock(p.wakeMutex);
    p.run.store(0, std::memory_order_release);
  }
  p.wake.notify_all();
  if (p.thread.joinable()) p.thread.join();
  if (p.slots) {
    for (int s = 0; s < 2; ++s) {
      CharaPreviewSlot& slot = p.slots[s];
      ReleaseLayers(slot.player);
      FreeTexture(slot.portrait);
      FreeTexture(slot.paletteChips);
    }
    p.slots.reset();
  }
  for (int s = 0; s < 2; ++s) {
    FreeTexture(p.bigNames[s]);
    FreeTexture(p.smallNames[s]);
    p.bigNames[s] = p.smallNames[s] = nullptr;
  }
  // The previews' converted sprites go with them (managed textures are plain images here, so
  // there is nothing further for the device to evict).
  FlushHan6TextureCache();
}

CharaPreviewLoadStep SetCharaPreviewLoadStep(CharaPreviewLoadStep step) {
  return P().step.exchange(step, std::memory_order_acq_rel);
}

void LoadCharaPreview(CharaPreviewSlot& slot, int side, int character) {
  (void)side;
  if (slot.portraitsPresent == 0) {
    FreeTexture(slot.portrait);
    FreeTexture(slot.paletteChips);
    slot.portrait = LoadSheet("%sChara\\csel_c%02d", character);
    Pause(kPauseMs);
    slot.paletteChips = LoadSheet("%sPalette\\color_c%02d", character);
    Pause(kPauseMs);
  }
  ReleaseLayers(slot.player);
  if (const CharaListEntry* e = GetCharaListEntry(character)) {
    for (int l = 0; l < 2; ++l) {
      const char* file = l == 0 ? e->File1 : e->File2;
      if (!IsRealFile(file)) continue;
      char path[96];
      std::snprintf(path, sizeof path, "%scsel_%s.txt", ".\\data\\_csel\\", file);
      LoadFrameDataSet(&slot.player.layer[l].frameData, path);
      LoadCharaSpritePalette(slot.player.layer[l], character, l);
      Pause(kPauseMs);
    }
  }
  // Built once both layers are there (the slot is the thread's until it reports the load).
  BuildCharaPreviewSprites(slot);
}

int RunCharaPreloaderPass() {
  Preloader& p = P();
  if (!p.slots) return 0;
  int loaded = 0;
  for (int s = 0; s < 2; ++s) {
    CharaPreviewSlot& slot = p.slots[s];
    if (slot.shown.load(std::memory_order_acquire) != 0) continue;
    if (slot.requestedCharacter.load(std::memory_order_acquire) < 0) continue;
    int32_t idle = kPreviewIdle;
    if (!slot.loadState.compare_exchange_strong(idle, kPreviewLoading, std::memory_order_acq_rel)) continue;
    // The shown flag read above may be older than the idle state just claimed (a slot shown
    // and then set idle by the logic thread): such a slot is not waiting, and goes back.
    if (slot.shown.load(std::memory_order_acquire) != 0) {
      slot.loadState.store(kPreviewIdle, std::memory_order_release);
      continue;
    }
    const int32_t character = slot.requestedCharacter.load(std::memory_order_acquire);
    if (character < 0) {
      slot.loadState.store(kPreviewIdle, std::memory_order_release);
      continue;
    }
    slot.player.state.store(0, std::memory_order_release);
    CharaPreviewLoadStep step = p.step.load(std::memory_order_acquire);
    (step != nullptr ? step : LoadCharaPreview)(slot, s, character);
    slot.loadState.store(kPreviewLoaded, std::memory_order_release);
    ++loaded;
  }
  return loaded;
}

void ResetCharaPreview(int side, bool keepPortraits) {
  CharaPreviewSlot* slot = GetCharaPreviewSlot(side);
  // A slot the thread is loading is the thread's: nothing of it may be freed now.
  if (slot == nullptr || slot->loadState.load(std::memory_order_acquire) == kPreviewLoading) return;
  ReleaseLayers(slot->player);
  slot->player.shownFrames = 0;
  if (!keepPortraits) {
    FreeTexture(slot->portrait);
    FreeTexture(slot->paletteChips);
    slot->portrait = slot->paletteChips = nullptr;
    slot->portraitsPresent = 0;
  }
  slot->flash = 0.0f;
  slot->shown.store(0, std::memory_order_release);
}

void BuildCharaPreviewSprites(int side) {
  CharaPreviewSlot* slot = GetCharaPreviewSlot(side);
  if (slot == nullptr || slot->loadState.load(std::memory_order_acquire) == kPreviewLoading) return;
  BuildCharaPreviewSprites(*slot);
}

void UpdateCharaPreviews(bool gridReady) {
  if (!gridReady || !P().slots) return;
  for (int s = 0; s < 2; ++s) {
    CharaPreviewSlot& slot = P().slots[s];
    const CharaSelectSide& side = g_CharaSelectSides[s];
    slot.flash = std::max(0.0f, slot.flash - 1.0f / 30.0f);
    if (side.controller < 0) {
      DropRequest(slot);
      continue;
    }
    if (slot.shown.load(std::memory_order_acquire) == 0) {
      // Under the frame clock a waiting load is waited for here (the thread takes no lock the
      // logic thread holds now), so the preview shows on a frame the logic fixes, not one the
      // thread's speed does; normal play keeps polling.
      if (g_FrameClockWaits && P().thread.joinable())
        while (P().run.load(std::memory_order_acquire) != 0 &&
               slot.requestedCharacter.load(std::memory_order_acquire) >= 0 &&
               slot.loadState.load(std::memory_order_acquire) != kPreviewLoaded)
          std::this_thread::yield();
      if (slot.loadState.load(std::memory_order_acquire) == kPreviewLoaded) {
        slot.portraitsPresent = 1;
        slot.shown.store(1, std::memory_order_release);
      }
      continue;
    }
    int32_t loaded = kPreviewLoaded;
    slot.loadState.compare_exchange_strong(loaded, kPreviewIdle, std::memory_order_acq_rel);
    slot.slideIn = std::min(1.0f, slot.slideIn + 1.0f / 16.0f);
    if (slot.slideIn >= 1.0f) slot.nameAppear = std::min(1.0f, slot.nameAppear + 1.0f / 8.0f);
    TickCharaSpritePlayer(slot.player);
    const int previous = slot.player.character;
    const uint32_t flags = SetCharaSpriteTarget(slot.player, side.character, side.colour);
    if (flags == 0) continue;
    slot.requestedCharacter.store(side.character, std::memory_order_release);
    slot.cursorCell = side.cursorCell;
    // Set before the slot is handed to the thread, which reads them when it builds the sprites.
    slot.player.changeFlags = flags;
    if (flags & kCharaSpriteCharacterChanged) {
      NoteShownCharacterChange(s, previous, side.character);
      TurnColourList(slot.colourList, g_CharaSelectSides[s].colour);
      slot.slideIn = slot.nameAppear = 0.0f;
      ResetCharaPreview(s, false);
    } else {
      BuildCharaPreviewSprites(slot);
    }
  }
}

void FlashCharaPreview(int side) {
  if (CharaPreviewSlot* slot = GetCharaPreviewSlot(side)) slot->flash = 1.0f;
}

void PlayCharaPreviewDecisionPose(int side) {
  CharaPreviewSlot* slot = GetCharaPreviewSlot(side);
  if (slot == nullptr || side < 0 || side > 1) return;
  // The coins follow the character's layers by its list entry, not what the thread has loaded
  // so far: the common stream must be drawn alike whenever the load happens to finish.
  const CharaListEntry* e = GetCharaListEntry(g_CharaSelectSides[side].character);
  if (e == nullptr) return;
  const int layers = IsRealFile(e->File2) ? 2 : 1;
  CharaSpritePlayer& player = slot->player;
  const bool ready = slot->shown.load(std::memory_order_acquire) != 0 &&
                     player.state.load(std::memory_order_acquire) == kCharaSpriteReady;
  for (int l = 0; l < layers; ++l) {
    const int pattern = 1 + RandNext() % 2;
    if (!ready || player.layer[l].frameData.patterns == nullptr) continue;
    const CharaSpriteFrameState& f = player.layerFrame[l];
    if (f.pattern == pattern && f.frame == 0) continue;
    if (!SetCharaSpriteFrame(player, l, pattern, 0, 1)) SetCharaSpriteFrame(player, l, 1, 0, 1);
  }
}

namespace {

// (cos(180 + t x 180 degrees) + 1) / 2: 0 at t = 0, 1 at t = 1, easing in and out.
float SlideCurve(float t) {
  return (std::cos(static_cast<float>(std::numbers::pi) * (1.0f + t)) + 1.0f) / 2.0f;
}

void DrawPortrait(TextureHandle* tex, float x, float y, float size, bool mirror, uint32_t colour,
                  uint32_t specular, int priority) {
  if (tex == nullptr) return;
  DrawSprite(nullptr, tex, static_cast<int32_t>(x), static_cast<int32_t>(y), static_cast<int32_t>(size),
             static_cast<int32_t>(size), mirror ? 512.0f : 0.0f, 0.0f, mirror ? -512.0f : 512.0f, 512.0f,
             colour, specular, priority);
}

}  // namespace

void DrawCharaPreviews() {
  Preloader& p = P();
  if (!p.slots) return;
  for (int s = 0; s < 2; ++s) {
    CharaPreviewSlot& slot = p.slots[s];
    const int32_t requested = slot.requestedCharacter.load(std::memory_order_acquire);
    if (requested < 0) continue;
    const int inward = s == 0 ? 1 : -1;
    const bool mirror = s == 1;
    if (slot.portraitsPresent != 0 && slot.portrait != nullptr) {
      const float x = (s == 0 ? -208.0f : 336.0f) + 80.0f * SlideCurve(slot.slideIn) * inward;
      const uint32_t alpha = static_cast<uint32_t>(slot.slideIn * 255.0f);
      // The portrait comes in greyed and settles to its own colours as it lands.
      const uint32_t grey = slot.slideIn < 1.0f ? static_cast<uint32_t>((1.0f - slot.slideIn) * 128.0f) : 0;
      DrawPortrait(slot.portrait, x, -16.0f, 512.0f, mirror, alpha << 24 | 0xFFFFFFu, grey * 0x010101u, 306);
      if (slot.flash > 0.0f) {
        const float grow = 96.0f * (1.0f - slot.flash);
        DrawPortrait(slot.portrait, x - grow / 2.0f, -16.0f - grow / 2.0f, 512.0f + grow, mirror,
                     static_cast<uint32_t>(slot.flash * 255.0f) << 24, 0xFFFFFFu, 307);
      }
      if (slot.nameAppear > 0.0f)
        DrawPortrait(slot.portrait, x + 32.0f * slot.nameAppear * inward, -16.0f, 512.0f, mirror, 0x80000000u,
                     0, 306);
    }
    const int n = CharaNameNumber(requested);
    if (n >= 0) {
      const int x =
          static_cast<int>(s == 0 ? slot.slideIn * 188.0f - 168.0f : 640.0f - slot.slideIn * 188.0f);
      if (p.bigNames[s] != nullptr)
        DrawSprite(nullptr, p.bigNames[s], x, 400, 168, 32, static_cast<float>(n / 16 * 168),
                   static_cast<float>(n % 16 * 32), 168.0f, 32.0f, 0xFFFFFFFFu, 0, 456);
      if (p.smallNames[s] != nullptr)
        DrawSprite(nullptr, p.smallNames[s], x, 428, 168, 24, static_cast<float>(n / 21 * 168),
                   static_cast<float>(n % 21 * 24), 168.0f, 24.0f, 0xFFFFFFFFu, 0, 456);
    }
    if (slot.shown.load(std::memory_order_acquire) != 0)
      DrawCharaSpritePlayer(slot.player, s, s == 0 ? 64 : 576, 448, 190);
  }
}
