// The game's sound front end: 1500 effect slots played through the per-frame request array, the
// music list of .\bgm\bgm.txt with its one streamed track, the voice slot and the two volumes.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "Dxtools/DirectSoundApp/DirectSoundApp.h"
#include "Dxtools/IniFile.h"

constexpr int kSeSlotCount = 1500;
constexpr int kSoundSlotCount = 1600;
constexpr int kVoiceSlot = 1500;
constexpr int kBgmEntryCount = 150;
constexpr int kSystemSeCount = 200;
constexpr int32_t kSilentVolume = -10000;

// One byte per effect slot: 1 plays the slot after this frame's scene update.
extern uint8_t g_SeRequest[kSeSlotCount];
extern std::array<std::unique_ptr<CDSoundBuffer>, kSoundSlotCount> g_SeSlots;
extern std::array<std::string, kSoundSlotCount> g_SeSlotNames;
// Decoded length of each slot's sound in sample frames, and its rate; recorded when the file
// decodes, with or without a sound device, so the battle can tell how long a sound lasts on
// every machine alike. 0 for an empty slot.
struct SoundSlotLength {
  uint32_t frames = 0;
  uint32_t rate = 0;
};
extern std::array<SoundSlotLength, kSoundSlotCount> g_SeSlotLengths;

struct BgmEntry {
  int32_t present = 0;
  int32_t IsLoop = 0;
  double LoopPos = 0.0;
  std::string File;  // at most 32 characters
};
extern std::array<BgmEntry, kBgmEntryCount> g_BgmList;

extern std::unique_ptr<CDSoundStreamBuffer> g_BgmStream;
extern int g_BgmIndex;     // -1 none
extern int g_BgmPrepared;  // a track is loaded
extern int g_BgmPlaying;
extern int32_t g_BgmVolume;  // the current (applied) music volume
// The effect volume later loads use; a loader thread reads it while the logic thread may set it.
extern std::atomic<int32_t> g_SeVolume;
extern int g_VoiceState;  // 0 none, 1 loading, 100 started
extern std::string g_VoiceFile;
extern int g_AttractMute;
extern int g_BgmFormat;  // 2: Ogg Vorbis

// The options the sound reads from the save record (`GameData`); none without a record.
struct SoundGameOptions {
  int32_t BgmVolume = 0;
  int32_t SeVolume = 0;
  int32_t BackgroundSound = 1;
};
std::optional<SoundGameOptions> GetSoundOptions();

// Option step to hundredths of a decibel: s x -166.6667 truncated, 21 and above silent.
int32_t VolumeFromStep(int32_t step);
// The mute rule: silent while g_AttractMute is set and BackgroundSound is 0 (or no options).
int32_t ApplyMuteRule(int32_t volume);

int InitSound();
// Start-up's sound steps of the data loading: attract mute on, the device and the music list,
// music stopped and freed, the music format word, the volumes of the save record.
void StartUpSound();
int LoadBgmList();
// Reads a music list (one "BGM_%03d" section per entry) into g_BgmList.
void ParseBgmList(IniFile& ini);
int LoadSystemSoundEffects();
bool LoadSoundFile(const char* path, int slot);
uint32_t LoadSoundSlot(const char* path, int slot);
void FreeSoundSlot(int slot);
int LoadBgm(int n);
void FreeBgm();
void StartBgm();
void StopBgm();
void PauseBgm();
void SetBgmVolume(int32_t v);
void ApplyBgmVolume(int32_t v);
void SetSeVolume(int32_t v);
void ApplySoundVolumes();
void UpdateSoundRequests();
int PlayVoiceStream(const char* path);
int IsVoiceStreamBusy();
void ReleaseSound();

// The character voice slots (400..1399) the character loader frees and fills on its thread. From
// BeginLoaderSoundSlots (before that thread starts) to EndLoaderSoundSlots (after its join) the
// front end's walks over every slot leave them alone: requests for them are dropped, and a volume
// set meanwhile reaches them at the end, when they are the logic thread's again.
inline constexpr int kLoaderSeSlotFirst = 400;
inline constexpr int kLoaderSeSlotEnd = 1400;
void BeginLoaderSoundSlots();
void EndLoaderSoundSlots();
bool LoaderHoldsSoundSlots();

// Sets the request byte of an effect whose id comes from data; ids outside 0..1499 are logged
// and ignored.
void RequestSoundEffect(int slot);
