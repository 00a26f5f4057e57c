// The character select's previews: per side a large portrait, the name plates, the palette chip
// sheet of the colour list and the animated character, loaded by a worker thread (the
// preloader) while the select runs, and shown as soon as the thread reports them loaded.
//
// The hand-shake. The logic thread and the preloader share a slot through its atomics: the load
// state, the shown flag, the requested character and the sprite player's state. The thread
// takes only a slot that waits (shown 0) with a request, by switching its load state from idle
// to loading in one compare-and-swap, and then copies the requested character once; until it
// sets the load state to finished it alone touches the slot's layers, portraits and player.
// The logic thread touches them only while the slot is shown, or once it has seen the load
// finished; it drops a request only while no load has claimed it, by a compare-and-swap of its
// own. Textures made on the thread go through the texture calls any thread may make; the sprite
// texture cache is the logic thread's and the thread never touches it.
#pragma once

#include <atomic>
#include <cstdint>

#include "scene/chara_roster.h"
#include "scene/chara_sprite_player.h"

struct TextureHandle;

inline constexpr int32_t kPreviewIdle = 0;
inline constexpr int32_t kPreviewLoading = 1;
inline constexpr int32_t kPreviewLoaded = 2;
// The logic thread holds an idle slot while it drops its request.
inline constexpr int32_t kPreviewDropping = 3;

struct CharaPreviewSlot {
  int32_t cursorCell = 0;
  std::atomic<int32_t> requestedCharacter{0};  // -1 none
  std::atomic<int32_t> shown{0};               // 1: shows what it holds (or holds nothing to load)
  int32_t portraitsPresent = 0;
  std::atomic<int32_t> loadState{kPreviewIdle};
  float slideIn = 0.0f;
  float nameAppear = 0.0f;
  float flash = 0.0f;
  ColourList colourList;
  CharaSpritePlayer player;
  TextureHandle* portrait = nullptr;
  TextureHandle* paletteChips = nullptr;
};

// The slot of a side while the preloader runs; null otherwise.
CharaPreviewSlot* GetCharaPreviewSlot(int side);

// The select's screen load: the slots, the name sheets and the thread.
void StartCharaPreloader();
// The select's end: the thread joined, every preview texture and layer freed, the sprite
// texture cache emptied.
void StopCharaPreloader();

// The first half of StartCharaPreloader, without the thread: both slots set up empty and the
// name sheets loaded.
void SetUpCharaPreviews();
// One look of the preloader at both slots (what the thread does between its pauses): loads the
// waiting requests it can claim and returns how many it loaded.
int RunCharaPreloaderPass();

// The thread's work for a claimed slot: the portraits (unless present), the layers' frame data
// and palettes, then the sprites. Tests put a fake in its place; null restores this one.
using CharaPreviewLoadStep = void (*)(CharaPreviewSlot& slot, int side, int character);
void LoadCharaPreview(CharaPreviewSlot& slot, int side, int character);
CharaPreviewLoadStep SetCharaPreviewLoadStep(CharaPreviewLoadStep step);

// Each frame, from the select's screen update: follows the sides' characters and colours.
// Nothing happens until the grid is ready.
void UpdateCharaPreviews(bool gridReady);
// Each frame, from the select's draw.
void DrawCharaPreviews();
// Frees a slot's character (and its portraits unless kept) so that the thread loads anew.
void ResetCharaPreview(int side, bool keepPortraits);
// The layers' sprite pages in the palette of the player's colour; the player ready to draw.
// The scene's form leaves a slot the thread is loading alone; a load step builds its own slot.
void BuildCharaPreviewSprites(int side);
void BuildCharaPreviewSprites(CharaPreviewSlot& slot);
// A confirmed character: its preview flashes.
void FlashCharaPreview(int side);
// A confirmed character: each of its layers takes a decision pose (one coin of the common
// stream per layer the character has).
void PlayCharaPreviewDecisionPose(int side);
// The name number of a character on the name sheets; -1 for none.
int CharaNameNumber(int character);
