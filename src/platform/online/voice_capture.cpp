// SDL2 capture for voice chat.
#include "platform/online/voice_capture.h"

#include <SDL.h>

#include <span>

namespace vt::online {

int32_t CaptureDeviceCount() {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return 0;
  const int count = SDL_GetNumAudioDevices(1);
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
  return count < 0 ? 0 : count;
}

SdlMicrophone::SdlMicrophone(VoiceRecorder& recorder) : recorder_(recorder) {
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return;
  audioStarted_ = true;
  SDL_AudioSpec want{};
  want.freq = static_cast<int>(kVoiceRate);
  want.format = AUDIO_S16SYS;
  want.channels = 1;
  want.samples = static_cast<Uint16>(kVoiceFrameSamples);
  want.userdata = this;
  // Runs on SDL's audio thread; the recorder takes its own lock.
  want.callback = [](void* self, Uint8* stream, int bytes) {
    auto* mic = static_cast<SdlMicrophone*>(self);
    mic->recorder_.feed(std::span<const int16_t>(reinterpret_cast<const int16_t*>(stream),
                                                 static_cast<size_t>(bytes) / sizeof(int16_t)));
  };
  SDL_AudioSpec have{};
  device_ = SDL_OpenAudioDevice(nullptr, 1, &want, &have, 0);
  if (device_ != 0) SDL_PauseAudioDevice(device_, 0);
}

SdlMicrophone::~SdlMicrophone() {
  // Closing waits for a callback in progress, so the recorder is never fed afterwards.
  if (device_ != 0) SDL_CloseAudioDevice(device_);
  if (audioStarted_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

}  // namespace vt::online
