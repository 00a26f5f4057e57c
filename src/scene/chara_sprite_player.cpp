// The character sprite player: targets, frames, ticking, drawing and its layer data.
#include "scene/chara_sprite_player.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "Dxtools/Han6Draw/han6_draw.h"
#include "app/file_loader.h"
#include "battle/battle_records.h"
#include "battle/chara_list.h"

uint32_t SetCharaSpriteTarget(CharaSpritePlayer& player, int character, int colour) {
  if (player.state.load(std::memory_order_acquire) != kCharaSpriteReady) return 0;
  uint32_t flags = 0;
  if (player.character != character) {
    flags |= kCharaSpriteCharacterChanged;
    if (player.character < 0) flags |= kCharaSpriteFromNone;
  }
  if (player.colour != colour) flags |= kCharaSpriteColourChanged;
  player.character = character;
  player.colour = colour;
  player.changeFlags |= flags;
  if (flags & kCharaSpriteCharacterChanged) {
    for (int l = 0; l < 2; ++l) SetCharaSpriteFrame(player, l, 0, 0, 1);
    player.framesSinceChange = 0;
  }
  if (flags != 0) player.shownFrames = 0;
  return flags;
}

int SetCharaSpriteFrame(CharaSpritePlayer& player, int layer, int pattern, int frame, int force) {
  if (layer < 0 || layer > 1) return 0;
  if (player.state.load(std::memory_order_acquire) != kCharaSpriteReady) return 0;
  Han6PatternSet* set = player.layer[layer].frameData.patterns;
  if (set == nullptr) return 0;
  CharaSpriteFrameState& f = player.layerFrame[layer];
  if (force == 0 && f.pattern == pattern && f.frame == frame) return 1;
  const Han6Frame* found = GetHan6Frame(set, pattern, frame);
  if (found == nullptr) return 0;
  f.pattern = pattern;
  f.frame = frame;
  f.frameTimer = 0;
  f.spriteIndex = found->spriteIndex;
  return 1;
}

namespace {

void TickLayer(CharaSpritePlayer& player, int layer) {
  CharaSpriteFrameState& f = player.layerFrame[layer];
  const Han6Frame* frame = GetHan6Frame(player.layer[layer].frameData.patterns, f.pattern, f.frame);
  if (frame == nullptr) return;
  ++f.frameTimer;
  if (f.frameTimer < frame->duration) return;
  // A jump goes through SetCharaSpriteFrame without force: a jump to a frame that does not
  // exist leaves the layer where it is.
  switch (frame->endAction) {
    case 0:
      SetCharaSpriteFrame(player, layer, frame->jumpTarget, 0, 0);
      break;
    case 1:
      SetCharaSpriteFrame(player, layer, f.pattern, f.frame + 1, 0);
      break;
    case 2:
      SetCharaSpriteFrame(player, layer, f.pattern, frame->jumpTarget, 0);
      break;
    default:
      break;
  }
}

}  // namespace

int TickCharaSpritePlayer(CharaSpritePlayer& player) {
  if (player.state.load(std::memory_order_acquire) != kCharaSpriteReady || player.shownFrames == 0) return 0;
  ++player.shownFrames;
  for (int l = 0; l < 2; ++l)
    if (player.layer[l].frameData.patterns != nullptr) TickLayer(player, l);
  ++player.framesSinceChange;
  return 1;
}

int32_t CharaSpriteCacheKey(int layer, int colour, int character) {
  // (colour << 8 | character) << 16, with 0x40 added to the colour for layer 1. The colour is
  // taken to its six bits first: an unmasked -1 (the silhouette) would carry the layer bit
  // already and give both layers one key, so that one layer drew the other's sprites.
  const uint32_t c = (static_cast<uint32_t>(colour) & 0x3Fu) | (layer == 1 ? 0x40u : 0u);
  return static_cast<int32_t>(((c << 8) | (static_cast<uint32_t>(character) & 0xFFu)) << 16);
}

int DrawCharaSpriteLayer(CharaSpriteLayerData& layer, const CharaSpriteDrawValues& values) {
  FrameDataSet& set = layer.frameData;
  if (set.patterns == nullptr || GetHan6Frame(set.patterns, values.pattern, values.frame) == nullptr)
    return 0;
  // Twice the size, mirrored for side 1, then placed: scale (2, 2, 1), scale (-1, 1, 1), move.
  Han6Matrix world = Han6Matrix::Scaling(2.0f, 2.0f, 1.0f);
  if (values.mirror != 0) world = MulHan6(world, Han6Matrix::Scaling(-1.0f, 1.0f, 1.0f));
  world = MulHan6(world,
                  Han6Matrix::Translation(static_cast<float>(values.x), static_cast<float>(values.y), 0.0f));
  Han6FramePosition position;
  position.pattern = values.pattern;
  position.frame = values.frame;
  Han6DrawParams p;
  p.priority = values.priority;
  p.blendMode = 1;  // the player's blend mode 0 draws as alpha blending
  p.color = values.colour;
  p.specular = values.specular;
  // The configuration's character filter chooses the character shader, as in battle.
  p.shaderMode = values.characterFilter;
  p.keyBase = values.cacheKey;
  p.position = &position;
  p.world = &world;
  p.patternSet = set.patterns;
  p.sheet = set.sprites;
  p.pani = set.pani;
  DrawPatternFrame(p);
  return 1;
}

int DrawCharaSpritePlayer(CharaSpritePlayer& player, int side, int x, int y, int priority) {
  if (player.state.load(std::memory_order_acquire) != kCharaSpriteReady || player.shownFrames == 0) return 0;
  uint32_t colour, specular;
  if (player.colour == -1) {
    // A faded grey silhouette until a colour is chosen.
    const uint32_t alpha = static_cast<uint32_t>(std::min(128, player.framesSinceChange * 8));
    colour = alpha << 24;
    specular = 0xC8C8C8u;
  } else {
    const uint32_t alpha = static_cast<uint32_t>(std::min(255, player.framesSinceChange * 255 / 8));
    colour = alpha << 24 | 0xFFFFFFu;
    specular = 0;
  }
  if (player.colourOverrideOn != 0) colour = player.overrideColour;
  const int tag = GetCharacterTagType(player.character);
  // Towards the middle of the screen is +x on side 0 and -x on side 1.
  const int inward = side == 0 ? 1 : -1;
  // Tag types: 0 single; 3 the partner in front; 1 and 2 the partner behind. The list also
  // names 255 (a takeover partner), which is placed as 1: the character moves in, its partner
  // stands behind it towards the edge. Other values are placed as 1 as well.
  const bool front = tag == 3;
  int x0 = x;
  if (tag != 0) x0 += (front ? -24 : 24) * inward;
  const int filter = side == 0 || side == 1 ? g_PlayerSelections[side].drawOption : 0;
  int drawn = 0;
  auto values = [&](int layer, int lx, int lp) {
    CharaSpriteDrawValues v;
    v.x = lx;
    v.y = y;
    v.pattern = player.layerFrame[layer].pattern;
    v.frame = player.layerFrame[layer].frame;
    v.colour = colour;
    v.specular = specular;
    v.mirror = side != 0;
    v.priority = lp;
    v.characterFilter = filter;
    v.cacheKey = CharaSpriteCacheKey(layer, player.colour, player.character);
    return v;
  };
  drawn |= DrawCharaSpriteLayer(player.layer[0], values(0, x0, priority));
  if (tag != 0) {
    const int x1 = x0 + (front ? 48 : -48) * inward;
    drawn |= DrawCharaSpriteLayer(player.layer[1], values(1, x1, front ? priority + 1 : priority));
  }
  return drawn;
}

void LoadCharaSpritePalette(CharaSpriteLayerData& layer, int character, int fileIndex) {
  const CharaListEntry* e = GetCharaListEntry(character);
  if (e == nullptr) return;
  char path[96];
  std::snprintf(path, sizeof path, "%s%s.pal", ".\\data\\_csel\\", fileIndex == 1 ? e->File2 : e->File1);
  DataBuffer data = LoadDataFile(path);
  if (!data) return;
  layer.palette.assign(data.data(), data.data() + data.size());
}

const uint8_t* CharaSpritePaletteOf(const CharaSpriteLayerData& layer, int colour) {
  if (colour < 0 || layer.palette.size() < 4) return nullptr;
  int32_t count = 0;
  std::memcpy(&count, layer.palette.data(), 4);
  const size_t fits = (layer.palette.size() - 4) / 1024;
  if (count < 0 || static_cast<size_t>(colour) >= std::min(static_cast<size_t>(count), fits)) return nullptr;
  return layer.palette.data() + 4 + 1024 * static_cast<size_t>(colour);
}

void ReleaseCharaSpriteLayer(CharaSpriteLayerData& layer) {
  FreeFrameDataSetContents(layer.frameData);
  std::vector<uint8_t>().swap(layer.palette);
}

void InitCharaSpritePlayer(CharaSpritePlayer& player, int ownerSide) {
  for (int l = 0; l < 2; ++l) {
    ReleaseCharaSpriteLayer(player.layer[l]);
    player.layer[l].ownerSide = ownerSide;
    player.layerFrame[l] = CharaSpriteFrameState{};
  }
  player.shownFrames = 0;
  player.changeFlags = 0;
  player.framesSinceChange = 0;
  player.colourOverrideOn = 0;
  player.state.store(kCharaSpriteReady, std::memory_order_release);
  SetCharaSpriteTarget(player, -1, -1);
}
