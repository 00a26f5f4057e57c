// Battle sounds and the sound busy model.
#include "battle/battle_sound.h"

#include <string>

#include "Dxtools/IniFile.h"
#include "Sound/soundproc.h"
#include "app/lib_debug.h"
#include "battle/battle_math.h"
#include "battle/battle_records.h"
#include "battle/battle_seams.h"
#include "battle/battle_text.h"
#include "battle/chara_command.h"
#include "battle/chara_loader.h"
#include "battle/frame_effects.h"

namespace {

// A voice is one of the player's own slots: a negative one would reach the common effects or
// the previous player's voices, so it plays nothing.
int VoiceSlot(const BattleObject& o, int32_t voice) {
  if (voice < 0) return -1;
  const int64_t slot = kVoiceSlotBase + int64_t{kVoicesPerPlayer} * o.playerIndex + voice;
  return slot >= 0 && slot < kBattleSoundSlots ? static_cast<int>(slot) : -1;
}

// A voice of the object's player; false when the voice has no slot.
bool RequestVoice(const BattleObject& o, int32_t voice) {
  const int slot = VoiceSlot(o, voice);
  if (slot < 0) return false;
  RequestBattleSound(slot);
  return true;
}

void RequestCommon(int32_t slot) {
  if (slot >= 0 && slot < kBattleSoundSlots) RequestBattleSound(slot);
}

}  // namespace

int32_t SoundLengthFrames(int slot) {
  if (slot < 0 || slot >= kBattleSoundSlots) return 0;
  // Character voice slots are the loader's until its join.
  if (slot >= kVoiceSlotBase) CheckCharaSlotRead((slot - kVoiceSlotBase) / kVoicesPerPlayer);
  const SoundSlotLength& l = g_SeSlotLengths[static_cast<size_t>(slot)];
  if (l.rate == 0) return 0;
  return static_cast<int32_t>((uint64_t{l.frames} * 60 + l.rate - 1) / l.rate);
}

void RequestBattleSound(int slot) {
  if (slot < 0 || slot >= kBattleSoundSlots) return;
  RequestSoundEffect(slot);
  g_SoundBusyStart[slot] = g_BattleFrame;
  g_SoundBusyUntil[slot] = g_BattleFrame + static_cast<uint32_t>(SoundLengthFrames(slot));
}

int IsSoundPlaying(int slot) {
  if (slot < 0 || slot >= kBattleSoundSlots) return 0;
  return g_BattleFrame >= g_SoundBusyStart[slot] && g_BattleFrame < g_SoundBusyUntil[slot] ? 1 : 0;
}

int IsSoundSlotBusy(BattleObject* o, int slot) {
  if (!o || o->playerIndex >= 4) return 0;
  const int base = kVoiceSlotBase + kVoicesPerPlayer * o->playerIndex;
  if (slot == 255) {
    for (int i = 0; i < kVoicesPerPlayer; ++i)
      if (IsSoundPlaying(base + i)) return 1;
    return 0;
  }
  if (slot < 0 || slot >= kVoicesPerPlayer) return 0;
  return IsSoundPlaying(base + slot);
}

void StopCharacterVoices(const BattleObject& o) {
  if (o.playerIndex >= 4) return;
  const int base = kVoiceSlotBase + kVoicesPerPlayer * o.playerIndex;
  for (int slot = base; slot < base + kVoicesPerPlayer; ++slot) {
    if (g_SoundBusyStart[slot] == g_BattleFrame && g_SoundBusyUntil[slot] > g_BattleFrame) continue;
    g_SoundBusyUntil[slot] = 0;
    if (g_SeSlots[static_cast<size_t>(slot)]) g_SeSlots[static_cast<size_t>(slot)]->Stop();
  }
}

// Random draws, on the stream P11 chooses (PickRandom): numbers 0 and 1 draw once for the
// chance (only with P1 non-zero) and, when the sound is to play, once for the pick (a pick
// among 1 draws too); numbers 2 and 3 draw once when there is at least one candidate.
void PlaySoundEffect(BattleObject& o, const Han6Effect& e) {
  if (o.held || g_EffectSoundLock) return;
  const int32_t* p = e.params;
  switch (e.number) {
    case 0:
    case 1: {
      if (p[6] != 0 && p[5] != 255 && !BattleSeamHasOpponentCharacter(&o, p[5])) return;
      if (p[6] == 2) g_EffectSoundLock = 1;
      if (p[1] != 0 && p[1] < PickRandom(p[11], 512)) return;
      const int32_t v = Wrap(int64_t{p[0]} + PickRandom(p[11], p[2] != 0 ? p[2] : 1));
      if (e.number == 0) {
        RequestCommon(v);
      } else if (RequestVoice(o, v) && BattleSeamRouteStageKind(o.side) == 6) {
        // Only this form records the ending voices of a kind-6 arcade stage; the pick among
        // candidates (number 3) does not.
        BattleSeamAchieveEndingFlags(v);
      }
      // The stop belongs to both forms, the common effect as well as the voice: "with P3 = 1
      // every voice of the character that is playing is then stopped" follows the request of
      // either number. A voice requested in this frame is not cut ("the new request plays at
      // the end of the frame").
      if (p[3] == 1) StopCharacterVoices(o);
      return;
    }
    case 2:
    case 3: {
      int32_t candidates[5];
      int count = 0;
      for (int i = 0; i < 5; ++i)
        if (p[i] != -1) candidates[count++] = p[i];
      if (count == 0) return;
      const int32_t choice = candidates[PickRandom(p[11], count)];
      if (choice > 254) return;
      if (e.number == 2)
        RequestCommon(choice);
      else
        RequestVoice(o, choice);
      return;
    }
    case 4:
      StopCharacterVoices(o);
      return;
    default:
      return;
  }
}

// The rare voice draws once from the common stream, only when the command file enables it.
void PlayKnockOutVoice(BattleObject& o) {
  Han6Effect e;
  e.type = 9;
  e.number = 1;
  e.params[0] = 99;
  const CharaCommandTable* table =
      o.playerRecord && o.playerRecord->ext.commandTable ? o.playerRecord->ext.commandTable.get() : nullptr;
  if (table && table->rareKoVoice != 0 && PickRandom(0, 32) == 0) e.params[0] = table->rareKoVoice;
  PlaySoundEffect(o, e);
}

// ---- sound lists ----

void FreePlayerSounds(int slot) {
  if (slot < 0 || slot >= 4) return;
  const int base = kVoiceSlotBase + kVoicesPerPlayer * slot;
  // The file-name table keeps its entries; only the sounds go.
  for (int i = base; i < base + kVoicesPerPlayer; ++i) {
    auto& sound = g_SeSlots[static_cast<size_t>(i)];
    if (sound) {
      sound->Stop();
      sound.reset();
    }
    g_SeSlotLengths[static_cast<size_t>(i)] = SoundSlotLength{};
  }
}

void FreeCharacterSounds() {
  for (int s = 0; s < 4; ++s) FreePlayerSounds(s);
}

int LoadCharacterSeList(int slot, int chara, int fileSet) {
  if (slot < 0 || slot >= 4) return 1;
  FreePlayerSounds(slot);
  std::string file1, file2;
  if (!BattleSeamCharaListFiles(chara, &file1, &file2)) return 1;
  const std::string path = ".\\data\\" + (fileSet != 0 ? file2 : file1) + "_SeList.txt";
  IniFile ini;
  if (!ini.Load(path)) return 1;
  if (!ini.SelectSection("SeList")) {
    DebugPrint("%s: no SeList section\n", path.c_str());
    return 1;
  }
  std::string key, value;
  while (ini.NextKey(key)) {
    // The key is a decimal sound number; anything else reads as its leading digits (or 0).
    int64_t k = 0;
    size_t i = 0;
    const bool negative = !key.empty() && key[0] == '-';
    if (negative) ++i;
    for (; i < key.size() && key[i] >= '0' && key[i] <= '9' && k < 100000; ++i) k = k * 10 + (key[i] - '0');
    if (negative) k = -k;
    value.clear();
    if (ini.GetString(value, 64) <= 0 || value.empty()) continue;
    if (k < 0 || k >= kVoicesPerPlayer) {
      DebugPrint("%s: sound number %s is outside 0..249\n", path.c_str(), key.c_str());
      continue;
    }
    // The value becomes part of a path: one that would lead out of the game folder is refused.
    if (!battle_text::StaysInGameFolder(value)) {
      DebugPrint("%s: sound %s=%s leaves the game folder; refused\n", path.c_str(), key.c_str(),
                 value.c_str());
      continue;
    }
    LoadSoundSlot((".\\se\\battle_se\\" + value).c_str(),
                  kVoiceSlotBase + kVoicesPerPlayer * slot + static_cast<int>(k));
  }
  return 1;
}
