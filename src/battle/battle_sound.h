// Sounds of the battle: the sound and voice requests of frame effect type 9, the knock-out
// voice, the stopping of a character's voices, and the busy model that answers "is this
// sound still playing" from battle frames alone, so every machine (and a run without audio)
// agrees. Also the characters' sound lists.
#pragma once

#include <cstdint>

struct BattleObject;
struct Han6Effect;

// Each character slot owns 250 voice slots from 400 + 250 x slot.
inline constexpr int kVoiceSlotBase = 400;
inline constexpr int kVoicesPerPlayer = 250;

// Length of an effect slot's sound in battle frames (60 per second, rounded up) from its
// decoded sample count; 0 for an empty slot.
int32_t SoundLengthFrames(int slot);
// Requests an effect slot for the end of this frame and marks it busy from this battle frame
// for its length. Slots outside 0..1499 are ignored.
void RequestBattleSound(int slot);
// 1 while a requested slot is within its length.
int IsSoundPlaying(int slot);
// The character's voice slot (0..249) of the object's player is busy; 255 asks whether any of
// the 250 is. Any other slot, or a player outside 0..3, is never busy.
int IsSoundSlotBusy(BattleObject* o, int slot);
// Stops every voice of the object's player except those requested in this very frame (they
// start at the end of the frame, after the stop).
void StopCharacterVoices(const BattleObject& o);

// The character sound lists: a character slot's 250 sounds from ".\data\<name>_SeList.txt"
// (section "SeList", key = sound number 0..249, value = file under ".\se\battle_se\"), and
// their release. They run on the character loader's thread while the battle does not.
int LoadCharacterSeList(int slot, int chara, int fileSet);
void FreePlayerSounds(int slot);
void FreeCharacterSounds();

// Frame effect type 9.
void PlaySoundEffect(BattleObject& o, const Han6Effect& e);
// The knock-out voice of a thrown character: voice 99, or the rare voice of its command file
// with a chance of 1 in 32.
void PlayKnockOutVoice(BattleObject& o);
