// Effect slots, the music list and stream, the voice and the volumes.
#include "Sound/soundproc.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "Dxtools/DirectSoundApp/sound_file_data.h"
#include "app/lib_debug.h"
#include "app/save_data.h"

uint8_t g_SeRequest[kSeSlotCount];
std::array<std::unique_ptr<CDSoundBuffer>, kSoundSlotCount> g_SeSlots;
std::array<std::string, kSoundSlotCount> g_SeSlotNames;
std::array<SoundSlotLength, kSoundSlotCount> g_SeSlotLengths;
std::array<BgmEntry, kBgmEntryCount> g_BgmList;
std::unique_ptr<CDSoundStreamBuffer> g_BgmStream;
int g_BgmIndex = -1;
int g_BgmPrepared = 0;
int g_BgmPlaying = 0;
int32_t g_BgmVolume = 0;
std::atomic<int32_t> g_SeVolume{0};

namespace {

std::atomic<bool> g_LoaderHoldsSlots{false};

// Whether the front end's walks must pass this slot by: a load holds the character slots.
bool HeldByLoader(int slot, bool loading) {
  return loading && slot >= kLoaderSeSlotFirst && slot < kLoaderSeSlotEnd;
}

}  // namespace
int g_VoiceState = 0;
std::string g_VoiceFile;
int g_AttractMute = 0;
int g_BgmFormat = 0;

std::optional<SoundGameOptions> GetSoundOptions() {
  if (g_GameData == nullptr) return std::nullopt;
  SoundGameOptions o;
  o.BgmVolume = g_GameData->BgmVolume;
  o.SeVolume = g_GameData->SeVolume;
  o.BackgroundSound = g_GameData->BackgroundSound;
  return o;
}

int32_t VolumeFromStep(int32_t step) {
  if (step >= 21) return kSilentVolume;
  if (step < 0) step = 0;
  return static_cast<int32_t>(step * -166.6667);
}

int32_t ApplyMuteRule(int32_t volume) {
  if (g_AttractMute == 0) return volume;
  std::optional<SoundGameOptions> options = GetSoundOptions();
  if (!options || options->BackgroundSound == 0) return kSilentVolume;
  return volume;
}

// ---- the music list ----

namespace {

// A value's text up to the end of its line or a comment, without trailing blanks.
std::string ValueText(const char* v, size_t maxChars) {
  std::string out;
  while (v != nullptr && *v != '\0' && *v != '\r' && *v != '\n' && !(v[0] == '/' && v[1] == '/')) out += *v++;
  while (!out.empty() && (out.back() == ' ' || out.back() == '\t')) out.pop_back();
  if (out.size() > maxChars) out.resize(maxChars);
  return out;
}

}  // namespace

void ParseBgmList(IniFile& ini) {
  for (int n = 0; n < kBgmEntryCount; ++n) {
    BgmEntry& e = g_BgmList[n];
    e = BgmEntry{};
    char section[16];
    std::snprintf(section, sizeof section, "BGM_%03d", n);
    if (ini.SelectSection(section) == nullptr) continue;
    e.present = 1;
    if (const char* v = ini.FindKey(section, "IsLoop"))
      e.IsLoop = static_cast<int32_t>(std::strtol(v, nullptr, 10));
    if (const char* v = ini.FindKey(section, "LoopPos"))
      e.LoopPos = static_cast<double>(std::strtof(v, nullptr));
    if (const char* v = ini.FindKey(section, "File")) e.File = ValueText(v, 32);
  }
}

int LoadBgmList() {
  IniFile ini;
  int loaded = ini.Load(".\\bgm\\bgm.txt");
  if (loaded == 0) DebugPrint("sound: .\\bgm\\bgm.txt is missing; no music\n");
  ParseBgmList(ini);
  return loaded;
}

// ---- start-up and effect slots ----

int InitSound() {
  if (InitSoundDevice() != 1) return 0;
  std::memset(g_SeRequest, 0, sizeof g_SeRequest);
  LoadBgmList();
  return 1;
}

void StartUpSound() {
  g_AttractMute = 1;
  if (InitSound() == 0) DebugPrint("sound: no sound device; the game runs silent\n");
  StopBgm();
  FreeBgm();
  g_BgmFormat = 2;
  ApplySoundVolumes();
}

void FreeSoundSlot(int slot) {
  if (slot < 0 || slot >= kSoundSlotCount) return;
  g_SeSlots[slot].reset();
  g_SeSlotNames[slot].clear();
  g_SeSlotLengths[slot] = SoundSlotLength{};
}

bool LoadSoundFile(const char* path, int slot) {
  if (path == nullptr || slot < 0 || slot >= kSoundSlotCount) {
    DebugPrint("sound: slot %d is out of range\n", slot);
    return false;
  }
  CGetSoundFileDataWin reader;
  std::unique_ptr<CDSoundBuffer> sound;
  MemorySourceDesc desc;
  SoundSlotLength length;
  if (reader.Open(path, "ogg") && reader.GetData(&desc)) {
    COggSource info;
    if (info.Open(desc) == 1 && info.format().blockAlign != 0) {
      length.frames = info.totalSize() / info.format().blockAlign;
      length.rate = info.format().samplesPerSec;
    }
    info.Close();
    sound = CreateOggSound(desc);
  } else if (reader.Open(path, "wav") && reader.GetData(&desc)) {
    WavImage wav;
    if (ParseWavImage(desc.image->bytes(), desc.image->name().c_str(), &wav) && wav.format.blockAlign != 0) {
      length.frames = static_cast<uint32_t>(wav.samples.size() / wav.format.blockAlign);
      length.rate = wav.format.samplesPerSec;
    }
    sound = CreateWavSound(desc.image->bytes(), desc.image->name().c_str());
  }
  g_SeSlotLengths[slot] = length;
  g_SeSlots[slot] = std::move(sound);
  return g_SeSlots[slot] != nullptr;
}

int LoadSystemSoundEffects() {
  int loaded = 0;
  for (int slot = 0; slot < kSystemSeCount; ++slot) {
    FreeSoundSlot(slot);
    char name[32];
    std::snprintf(name, sizeof name, "SE%03d", slot);
    std::string path = std::string(".\\se\\normal_se\\") + name;
    if (LoadSoundFile(path.c_str(), slot)) {
      ++loaded;
      g_SeSlots[slot]->SetVolume(ApplyMuteRule(g_SeVolume));
    }
    g_SeSlotNames[slot] = name;
  }
  return loaded;
}

uint32_t LoadSoundSlot(const char* path, int slot) {
  if (path == nullptr || slot < 0 || slot >= kSeSlotCount) {
    DebugPrint("sound: effect slot %d is out of range\n", slot);
    return 0;
  }
  FreeSoundSlot(slot);
  if (!LoadSoundFile(path, slot)) return 0;
  std::string_view p(path);
  size_t cut = p.find_last_of('\\');
  g_SeSlotNames[slot] = std::string(cut == std::string_view::npos ? p : p.substr(cut + 1));
  g_SeSlots[slot]->SetVolume(ApplyMuteRule(g_SeVolume));
  return g_SeSlots[slot]->totalSize();
}

// ---- music ----

void FreeBgm() {
  g_BgmStream.reset();
  g_BgmPrepared = 0;
  g_BgmPlaying = 0;
  g_BgmIndex = -1;
}

int LoadBgm(int n) {
  if (n < 0 || n >= kBgmEntryCount) {
    DebugPrint("sound: music %d is out of range\n", n);
    return 0;
  }
  StopBgm();
  FreeBgm();
  const BgmEntry& e = g_BgmList[n];
  if (e.present == 0 || e.File.empty()) return 0;
  std::string path = ".\\bgm\\" + e.File + ".ogg";
  std::optional<std::vector<uint8_t>> bytes = ReadSoundDataFile(path);
  if (!bytes) {
    DebugPrint("sound: %s is missing\n", path.c_str());
    return 0;
  }
  g_BgmStream = CreateStreamSound(MakeMemorySource(std::move(*bytes), path));
  if (!g_BgmStream) return 0;
  g_BgmStream->SetLoop(e.IsLoop != 0, e.LoopPos);
  g_BgmIndex = n;
  g_BgmPrepared = 1;
  return 1;
}

void StartBgm() {
  if (g_BgmPrepared == 0 || !g_BgmStream) return;
  g_BgmStream->SetVolume(kSilentVolume);
  // A stream that played before would go on from where its decoding stopped: start afresh.
  g_BgmStream->Reprime();
  g_BgmStream->Play();
  g_BgmPlaying = 1;
  g_BgmStream->SetVolume(ApplyMuteRule(g_BgmVolume));
}

void StopBgm() {
  if (g_BgmStream && g_BgmStream->IsPlaying() && g_BgmPlaying != 0 && g_BgmIndex >= 0) {
    g_BgmStream->Stop();
    g_BgmPlaying = 0;
  }
  SetBgmVolume(g_BgmVolume);
}

void PauseBgm() {
  if (g_BgmStream && g_BgmPlaying != 0) g_BgmStream->Stop();
}

void ApplyBgmVolume(int32_t v) {
  if (g_BgmStream) g_BgmStream->SetVolume(ApplyMuteRule(v));
}

void SetBgmVolume(int32_t v) {
  int32_t applied = ApplyMuteRule(v);
  if (g_BgmStream) g_BgmStream->SetVolume(applied);
  g_BgmVolume = applied;
}

void SetSeVolume(int32_t v) {
  int32_t applied = ApplyMuteRule(v);
  const bool loading = LoaderHoldsSoundSlots();
  for (int slot = 0; slot < kSeSlotCount; ++slot) {
    if (HeldByLoader(slot, loading)) continue;
    if (g_SeSlots[slot]) g_SeSlots[slot]->SetVolume(applied);
  }
  g_SeVolume = v;
}

void ApplySoundVolumes() {
  std::optional<SoundGameOptions> options = GetSoundOptions();
  int32_t bgm = options ? VolumeFromStep(options->BgmVolume) : kSilentVolume;
  int32_t se = options ? VolumeFromStep(options->SeVolume) : kSilentVolume;
  SetBgmVolume(bgm);
  SetSeVolume(se);
}

void UpdateSoundRequests() {
  const bool loading = LoaderHoldsSoundSlots();
  for (int slot = 0; slot < kSeSlotCount; ++slot) {
    if (HeldByLoader(slot, loading)) continue;
    if (g_SeRequest[slot] == 1 && g_SeSlots[slot]) g_SeSlots[slot]->Play();
  }
  std::memset(g_SeRequest, 0, sizeof g_SeRequest);
}

void BeginLoaderSoundSlots() { g_LoaderHoldsSlots.store(true, std::memory_order_release); }

void EndLoaderSoundSlots() {
  g_LoaderHoldsSlots.store(false, std::memory_order_release);
  // The loader gave each sound the volume of its moment; a later change passed these slots by.
  const int32_t applied = ApplyMuteRule(g_SeVolume);
  for (int slot = kLoaderSeSlotFirst; slot < kLoaderSeSlotEnd; ++slot) {
    if (g_SeSlots[slot]) g_SeSlots[slot]->SetVolume(applied);
  }
}

bool LoaderHoldsSoundSlots() { return g_LoaderHoldsSlots.load(std::memory_order_acquire); }

void RequestSoundEffect(int slot) {
  if (slot < 0 || slot >= kSeSlotCount) {
    DebugPrint("sound: effect request %d is out of range\n", slot);
    return;
  }
  g_SeRequest[slot] = 1;
}

// ---- voice ----

int PlayVoiceStream(const char* path) {
  if (g_SeSlots[kVoiceSlot]) g_SeSlots[kVoiceSlot]->Stop();
  FreeSoundSlot(kVoiceSlot);
  g_VoiceState = 0;
  if (path == nullptr) return 0;
  g_VoiceFile = std::string(path).substr(0, 259);
  g_VoiceState = 1;
  if (LoadSoundFile(path, kVoiceSlot)) {
    g_SeSlots[kVoiceSlot]->SetVolume(ApplyMuteRule(g_SeVolume));
    g_SeSlots[kVoiceSlot]->Play();
  }
  g_VoiceState = 100;
  return 1;
}

int IsVoiceStreamBusy() { return g_VoiceState == 1 ? 1 : 0; }

void ReleaseSound() {
  if (g_SeSlots[kVoiceSlot]) g_SeSlots[kVoiceSlot]->Stop();
  for (int slot = 0; slot < kSoundSlotCount; ++slot) FreeSoundSlot(slot);
  g_VoiceState = 0;
  FreeBgm();
  ReleaseSoundDevice();
}
