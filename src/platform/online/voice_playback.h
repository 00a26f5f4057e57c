// The playback side of voice chat: one queued-buffer voice per talker on our mixer, in place of
// the audio engine's source voice. Blocks of 16-bit mono samples at the voice's rate play in the
// order submitted, each followed by one buffer-end notice on the mixing thread; a starved voice
// plays silence. Destroying the voice never hangs on a stalled mixer.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

#include "platform/audio/sound_mixer.h"

namespace vt::online {

class MixerVoice {
 public:
  // Called on the mixing thread with the context of the block that just ended. It must return
  // quickly and must not call into the mixer.
  using BlockEnd = std::function<void(uint64_t context)>;

  // The most blocks a voice holds; a submit beyond is refused.
  static constexpr size_t kMaxQueuedBlocks = 64;
  // How long destruction waits for a buffer-end notice in progress.
  static constexpr std::chrono::milliseconds kReleaseWait{200};

  // Null for a rate the mixer cannot play or without a device.
  static std::unique_ptr<MixerVoice> Create(std::shared_ptr<audio::SoundDevice> device, uint32_t rate,
                                            BlockEnd onBlockEnd);
  // Waits at most kReleaseWait for a notice in progress, then drops the queued blocks; no notice
  // fires after it returns. The mixer lets go of the voice's state on its next pass.
  ~MixerVoice();
  MixerVoice(const MixerVoice&) = delete;
  MixerVoice& operator=(const MixerVoice&) = delete;

  // Copies the samples; false for an empty block or a full queue.
  bool Submit(std::span<const int16_t> samples, uint64_t context);
  // Blocks not yet played to their end, the one playing included.
  size_t Queued() const;
  uint32_t rate() const;

  class State;

 private:
  explicit MixerVoice(std::shared_ptr<State> state) : state_(std::move(state)) {}
  std::shared_ptr<State> state_;
};

}  // namespace vt::online
