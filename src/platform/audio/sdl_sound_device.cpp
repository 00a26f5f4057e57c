// The SDL2 backend of the sound device: an audio device in the mixer's output format whose
// callback pulls the mix. With SDL_AUDIODRIVER=dummy the same code runs without hardware.
#include <SDL.h>

#include "app/lib_debug.h"
#include "platform/audio/sound_mixer.h"

namespace vt::audio {
namespace {

class SdlSoundDevice : public SoundDevice {
 public:
  bool Open() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
      DebugPrint("sound: SDL audio start failed: %s\n", SDL_GetError());
      return false;
    }
    subsystem_ = true;
    SDL_AudioSpec want{};
    want.freq = static_cast<int>(kDeviceRate);
    want.format = AUDIO_S16SYS;
    want.channels = static_cast<Uint8>(kDeviceChannels);
    // 512 frames is 11.6 ms: a request byte reaches the output within two callbacks.
    want.samples = 512;
    want.callback = &SdlSoundDevice::Callback;
    want.userdata = this;
    SDL_AudioSpec have{};
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device_ == 0) {
      DebugPrint("sound: no audio device: %s\n", SDL_GetError());
      return false;
    }
    SDL_PauseAudioDevice(device_, 0);
    return true;
  }

  ~SdlSoundDevice() override {
    if (device_ != 0) SDL_CloseAudioDevice(device_);
    if (subsystem_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  }

 private:
  static void Callback(void* userdata, Uint8* stream, int len) {
    auto* self = static_cast<SdlSoundDevice*>(userdata);
    self->Mix(reinterpret_cast<int16_t*>(stream), static_cast<uint32_t>(len) / (2 * kDeviceChannels));
  }

  SDL_AudioDeviceID device_ = 0;
  bool subsystem_ = false;
};

}  // namespace

std::shared_ptr<SoundDevice> OpenSdlSoundDevice() {
  auto device = std::make_shared<SdlSoundDevice>();
  if (!device->Open()) return nullptr;
  return device;
}

}  // namespace vt::audio
