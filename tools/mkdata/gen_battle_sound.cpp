// Battle sound sample data: each sample character's sound list (".\data\<name>_SeList.txt",
// effect number = sound name under ".\se\battle_se\") and a few short voices of their own,
// synthesised here and encoded with libvorbisenc.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "Dxtools/DirectSoundApp/sound_writer.h"
#include "mkdata.h"

namespace {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

// A voiced "shout": a falling tone with a few harmonics and a vowel-like wobble, `seconds`
// long, pitched by `base`.
std::vector<int16_t> MakeVoice(double base, double seconds) {
  const int frames = static_cast<int>(seconds * kRate);
  std::vector<int16_t> out(static_cast<size_t>(frames) * 2);
  double phase = 0;
  for (int i = 0; i < frames; ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double attack = std::min(1.0, t / 0.01);
    const double env = attack * std::exp(-3.0 * t / seconds);
    phase += 2 * kPi * base * (1.0 - 0.3 * t / seconds) / kRate;
    double v = 0.35 * std::sin(phase) + 0.15 * std::sin(2 * phase) + 0.08 * std::sin(3 * phase);
    v *= 0.8 + 0.2 * std::sin(2 * kPi * 6.0 * t);
    const auto s = static_cast<int16_t>(std::lround(std::clamp(v * env, -1.0, 1.0) * 32000.0));
    out[2 * static_cast<size_t>(i)] = out[2 * static_cast<size_t>(i) + 1] = s;
  }
  return out;
}

struct CharacterSounds {
  const char* name;
  double pitch;
};

// The list shares the common battle effects (written by the sound step) and adds the
// character's own voices: 0..4 attack shouts, 10 the throw, 99 the knock-out voice.
bool WriteCharacter(const std::filesystem::path& root, const CharacterSounds& c) {
  struct Voice {
    int number;
    const char* suffix;
    double pitchScale, seconds;
  };
  static const Voice kVoices[] = {{0, "attack1", 1.0, 0.25},
                                  {1, "attack2", 1.12, 0.3},
                                  {2, "attack3", 0.9, 0.4},
                                  {10, "throw", 0.8, 0.5},
                                  {99, "ko", 0.7, 1.2}};
  std::string list = "// sound list: effect number = sound file under se\\battle_se\\\r\n[SeList]\r\n";
  for (const Voice& v : kVoices) {
    const std::string file = std::string(c.name) + "_" + v.suffix;
    std::vector<uint8_t> ogg = EncodeOggVorbis(MakeVoice(c.pitch * v.pitchScale, v.seconds), 2, kRate, 0.0f);
    if (ogg.empty() || !mkdata::WriteBytes(root, "se/battle_se/" + file + ".ogg", ogg.data(), ogg.size()))
      return false;
    list += std::to_string(v.number) + "=" + file + "\r\n";
  }
  // Common battle effects.
  list += "3=hit_light\r\n4=hit_heavy\r\n5=jump\r\n6=land\r\n7=dash\r\n";
  return mkdata::WriteText(root, std::string("data/") + c.name + "_SeList.txt", list);
}

bool WriteBattleSounds(const std::filesystem::path& root) {
  static const CharacterSounds kCharacters[] = {{"tester", 260.0}, {"duelist", 190.0}};
  for (const CharacterSounds& c : kCharacters)
    if (!WriteCharacter(root, c)) return false;
  return true;
}

}  // namespace

MKDATA_STEP("31_battle_sound", WriteBattleSounds);
