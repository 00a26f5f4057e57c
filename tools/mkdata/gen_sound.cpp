// Sample music and sound effects: tones, chords and noise bursts synthesised here and encoded
// with libvorbisenc, a few WAV effects, the music list .\bgm\bgm.txt and the battle effects.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "Dxtools/DirectSoundApp/sound_writer.h"
#include "mkdata.h"

namespace {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

// A small deterministic noise source (the data must be the same on every build).
struct Noise {
  uint32_t state;
  float Next() {
    state = state * 1664525u + 1013904223u;
    return static_cast<float>(static_cast<int32_t>(state)) / 2147483648.0f;
  }
};

int16_t Clip(double v) {
  if (v > 1.0) v = 1.0;
  if (v < -1.0) v = -1.0;
  return static_cast<int16_t>(std::lround(v * 32000.0));
}

double NoteHz(int semitone) { return 220.0 * std::pow(2.0, semitone / 12.0); }

// A looping tune: a chord pad, a bass line and a plucked melody over 8 bars; track t changes
// key, tempo and pattern.
std::vector<int16_t> MakeTrack(int t, double seconds) {
  const int frames = static_cast<int>(seconds * kRate);
  std::vector<int16_t> out(static_cast<size_t>(frames) * 2);
  const int root = (t * 5) % 12 - 5;
  const double beat = 60.0 / (100.0 + 12.0 * t);
  static const int kChords[4][3] = {{0, 4, 7}, {5, 9, 12}, {7, 11, 14}, {-3, 0, 4}};
  static const int kMelody[8] = {12, 14, 16, 19, 16, 14, 12, 7};
  Noise noise{static_cast<uint32_t>(77 + t)};
  for (int i = 0; i < frames; ++i) {
    double time = static_cast<double>(i) / kRate;
    int beatIndex = static_cast<int>(time / beat);
    double inBeat = time - beatIndex * beat;
    const int* chord = kChords[(beatIndex / 4 + t) % 4];
    double pad = 0;
    for (int k = 0; k < 3; ++k) pad += std::sin(2 * kPi * NoteHz(root + chord[k]) * time);
    pad *= 0.08;
    double bass = 0.18 * std::sin(2 * kPi * NoteHz(root + chord[0] - 12) * time) * std::exp(-3.0 * inBeat);
    int note = kMelody[(beatIndex + t) % 8] + root;
    double lead = 0.15 * std::sin(2 * kPi * NoteHz(note) * time) * std::exp(-6.0 * inBeat);
    double hat = (beatIndex % 2 == 1) ? 0.05 * noise.Next() * std::exp(-40.0 * inBeat) : 0.0;
    out[2 * i] = Clip(pad + bass + lead * 0.8 + hat);
    out[2 * i + 1] = Clip(pad + bass + lead * 1.2 - hat);
  }
  return out;
}

// Effect n: one of five kinds (sweep, noise burst, chord stab, click, zap) pitched by n.
std::vector<int16_t> MakeEffect(int n, int channels, int rate) {
  const int kind = n % 5;
  const double seconds = 0.12 + 0.04 * (n % 7);
  const int frames = static_cast<int>(seconds * rate);
  std::vector<int16_t> out(static_cast<size_t>(frames) * channels);
  Noise noise{static_cast<uint32_t>(1000 + n)};
  const double base = 300.0 + 37.0 * (n % 23);
  double phase = 0;
  for (int i = 0; i < frames; ++i) {
    double time = static_cast<double>(i) / rate;
    double env = std::exp(-8.0 * time / seconds);
    double v = 0;
    switch (kind) {
      case 0:
        phase += 2 * kPi * (base + 1500.0 * time / seconds) / rate;
        v = 0.5 * std::sin(phase);
        break;
      case 1:
        v = 0.5 * noise.Next();
        break;
      case 2:
        for (int k : {0, 4, 7}) v += 0.2 * std::sin(2 * kPi * base * std::pow(2.0, k / 12.0) * time);
        break;
      case 3:
        v = (i < rate / 200) ? 0.7 * noise.Next() : 0.2 * std::sin(2 * kPi * base * 2 * time);
        break;
      default:
        phase += 2 * kPi * (base * 3 - 2000.0 * time / seconds) / rate;
        v = 0.4 * (std::sin(phase) > 0 ? 1.0 : -1.0);
        break;
    }
    for (int c = 0; c < channels; ++c) out[static_cast<size_t>(i) * channels + c] = Clip(v * env);
  }
  return out;
}

bool WriteOgg(const std::filesystem::path& root, const std::string& path, const std::vector<int16_t>& pcm,
              int channels, float quality) {
  std::vector<uint8_t> ogg = EncodeOggVorbis(pcm, channels, kRate, quality);
  return !ogg.empty() && mkdata::WriteBytes(root, path, ogg.data(), ogg.size());
}

std::vector<uint8_t> ToBytes16(const std::vector<int16_t>& pcm) {
  std::vector<uint8_t> out;
  out.reserve(pcm.size() * 2);
  for (int16_t s : pcm) {
    out.push_back(static_cast<uint8_t>(s));
    out.push_back(static_cast<uint8_t>(static_cast<uint16_t>(s) >> 8));
  }
  return out;
}

// Music: six tunes; entries of the list reuse them (the scenes ask for entries 0 to 19 for the
// stages and 80 to 119 for the menus and screens).
bool WriteMusic(const std::filesystem::path& root) {
  const int kTracks = 6;
  std::string list = "// music list: one section per entry\r\n";
  for (int t = 0; t < kTracks; ++t) {
    double beat = 60.0 / (100.0 + 12.0 * t);
    double seconds = beat * 4 * 4;  // four bars
    char name[32];
    std::snprintf(name, sizeof name, "sample_bgm%02d", t);
    if (!WriteOgg(root, std::string("bgm/") + name + ".ogg", MakeTrack(t, seconds), 2, 0.0f)) return false;
  }
  for (int n = 0; n < 150; ++n) {
    if (!(n < 20 || (n >= 80 && n < 120))) continue;
    int t = n % kTracks;
    double beat = 60.0 / (100.0 + 12.0 * t);
    char section[128];
    // Odd tracks loop from the second bar, even ones from the start.
    std::snprintf(section, sizeof section,
                  "[BGM_%03d]\r\nIsLoop=1\r\nLoopPos=%.4f\r\nFile=sample_bgm%02d\r\n\r\n", n,
                  (t % 2 == 1) ? beat * 4 : 0.0, t);
    list += section;
  }
  return mkdata::WriteText(root, "bgm/bgm.txt", list);
}

// Common effects SE000 to SE199 (Ogg), with three as WAV: 8-bit mono 22050 Hz, 16-bit stereo
// 44100 Hz, and one with a LIST chunk before its data.
bool WriteSystemEffects(const std::filesystem::path& root) {
  for (int n = 0; n < 200; ++n) {
    char path[64];
    if (n == 20) {
      std::vector<int16_t> pcm = MakeEffect(n, 1, 22050);
      std::vector<uint8_t> bytes;
      for (int16_t s : pcm) bytes.push_back(static_cast<uint8_t>((s >> 8) + 128));
      std::vector<uint8_t> wav = BuildWavImage(1, 22050, 8, bytes);
      std::snprintf(path, sizeof path, "se/normal_se/SE%03d.wav", n);
      if (!mkdata::WriteBytes(root, path, wav.data(), wav.size())) return false;
      continue;
    }
    if (n == 21 || n == 22) {
      std::vector<uint8_t> bytes = ToBytes16(MakeEffect(n, 2, kRate));
      std::vector<WavChunk> chunks;
      if (n == 22) {
        std::string info = "INFOISFT\x06\x00\x00\x00mkdata";
        chunks.push_back({"LIST", std::vector<uint8_t>(info.begin(), info.end())});
      }
      std::vector<uint8_t> wav = BuildWavImage(2, kRate, 16, bytes, chunks);
      std::snprintf(path, sizeof path, "se/normal_se/SE%03d.wav", n);
      if (!mkdata::WriteBytes(root, path, wav.data(), wav.size())) return false;
      continue;
    }
    std::snprintf(path, sizeof path, "se/normal_se/SE%03d.ogg", n);
    if (!WriteOgg(root, path, MakeEffect(n, 2, kRate), 2, 0.0f)) return false;
  }
  return true;
}

// Battle effects for the characters' effect lists (".\se\battle_se\" + name).
bool WriteBattleEffects(const std::filesystem::path& root) {
  static const char* kNames[] = {"hit_light", "hit_medium", "hit_heavy", "guard",  "whiff",
                                 "jump",      "land",       "dash",      "throw",  "special",
                                 "super",     "shield",     "ko",        "voice1", "voice2"};
  int n = 0;
  for (const char* name : kNames) {
    if (!WriteOgg(root, std::string("se/battle_se/") + name + ".ogg", MakeEffect(200 + 3 * n, 2, kRate), 2,
                  0.0f)) {
      return false;
    }
    ++n;
  }
  return true;
}

bool WriteSound(const std::filesystem::path& root) {
  return WriteMusic(root) && WriteSystemEffects(root) && WriteBattleEffects(root);
}

}  // namespace

MKDATA_STEP("30_sound", WriteSound);
