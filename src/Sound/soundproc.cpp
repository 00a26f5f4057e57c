// Effect slots, the music list and stream, the voice and the volumes.
#include "Sound/soundproc.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "Dxtools/DirectSoundApp/sound_file_data.h"
#include "app/lib_debug.h"

uint8_t g_SeRequest[kSeSlotCount];
std::array<std::unique_ptr<CDSoundBuffer>, kSoundSlotCount> g_SeSlots;
std::array<std::string, kSoundSlotCount> g_SeSlotNames;
std::array<BgmEntry, kBgmEntryCount> g_BgmList;
std::unique_ptr<CDSoundStreamBuffer> g_BgmStream;
int g_BgmIndex = -1;
int g_BgmPrepared = 0;
int g_BgmPlaying = 0;
int32_t g_BgmVolume = 0;
int32_t g_SeVolume = 0;
int g_VoiceState = 0;
std::string g_VoiceFile;
int g_AttractMute = 0;
int g_BgmFormat = 0;

namespace {
std::mutex g_optionsMutex;
SoundOptionsProvider g_optionsProvider;
}  // namespace

void SetSoundOptionsProvider(SoundOptionsProvider provider) {
  std::lock_guard<std::mutex> lock(g_optionsMutex);
  g_optionsProvider = std::move(provider);
}

std::optional<SoundGameOptions> GetSoundOptions() {
  std::lock_guard<std::mutex> lock(g_optionsMutex);
  if (!g_optionsProvider) return std::nullopt;
  return g_optionsProvider();
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

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

}  // namespace

void ParseBgmList(std::string_view text) {
  for (BgmEntry& e : g_BgmList) e = BgmEntry{};
  int current = -1;
  while (!text.empty()) {
    size_t end = text.find_first_of("\r\n");
    std::string_view line = Trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (line.empty() || line.starts_with("//") || line.front() == ';') continue;
    if (line.front() == '[') {
      current = -1;
      size_t close = line.find(']');
      std::string_view name =
          line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1);
      // Sections are "BGM_%03d" for entries 0 to 149; the number is the entry, not the order.
      if (name.size() == 7 && name.starts_with("BGM_") && std::isdigit(static_cast<unsigned char>(name[4])) &&
          std::isdigit(static_cast<unsigned char>(name[5])) &&
          std::isdigit(static_cast<unsigned char>(name[6]))) {
        int n = (name[4] - '0') * 100 + (name[5] - '0') * 10 + (name[6] - '0');
        if (n < kBgmEntryCount) {
          current = n;
          g_BgmList[n].present = 1;
        }
      }
      continue;
    }
    if (current < 0) continue;
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    std::string_view key = Trim(line.substr(0, eq));
    std::string value(Trim(line.substr(eq + 1)));
    BgmEntry& e = g_BgmList[current];
    if (key == "IsLoop") {
      e.IsLoop = static_cast<int32_t>(std::strtol(value.c_str(), nullptr, 10));
    } else if (key == "LoopPos") {
      e.LoopPos = static_cast<double>(std::strtof(value.c_str(), nullptr));
    } else if (key == "File") {
      e.File = value.substr(0, 32);
    }
  }
}

int LoadBgmList() {
  std::optional<std::vector<uint8_t>> text = ReadSoundDataFile(".\\bgm\\bgm.txt");
  if (!text) {
    DebugPrint("sound: .\\bgm\\bgm.txt is missing; no music\n");
    ParseBgmList({});
    return 0;
  }
  ParseBgmList(std::string_view(reinterpret_cast<const char*>(text->data()), text->size()));
  return 1;
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
}

bool LoadSoundFile(const char* path, int slot) {
  if (path == nullptr || slot < 0 || slot >= kSoundSlotCount) {
    DebugPrint("sound: slot %d is out of range\n", slot);
    return false;
  }
  CGetSoundFileDataWin reader;
  std::unique_ptr<CDSoundBuffer> sound;
  MemorySourceDesc desc;
  if (reader.Open(path, "ogg") && reader.GetData(&desc)) {
    sound = CreateOggSound(desc);
  } else if (reader.Open(path, "wav") && reader.GetData(&desc)) {
    sound = CreateWavSound(desc.image->bytes(), desc.image->name().c_str());
  }
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
  for (int slot = 0; slot < kSeSlotCount; ++slot) {
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
  for (int slot = 0; slot < kSeSlotCount; ++slot) {
    if (g_SeRequest[slot] == 1 && g_SeSlots[slot]) g_SeSlots[slot]->Play();
  }
  std::memset(g_SeRequest, 0, sizeof g_SeRequest);
}

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
