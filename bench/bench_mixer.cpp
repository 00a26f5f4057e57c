// Sound and movie costs: the mix of one music stream and 16 effects per 10 ms of output, the
// decoding behind a music stream, the delay from an effect request to its first mixed sample on
// the SDL device, and the CPU a movie takes at its frame rate.
#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

#include "Dxtools/DirectSoundApp/DirectSoundApp.h"
#include "Dxtools/DirectSoundApp/sound_writer.h"
#include "Sound/soundproc.h"
#include "platform/audio/sound_mixer.h"
#include "platform/movie/movie_player.h"

namespace {

std::vector<uint8_t> ToneOgg(double seconds, double hz) {
  std::vector<int16_t> pcm(static_cast<size_t>(seconds * 44100) * 2);
  for (size_t i = 0; i < pcm.size() / 2; ++i) {
    pcm[2 * i] = pcm[2 * i + 1] = static_cast<int16_t>(8000 * std::sin(2 * 3.14159265 * hz * i / 44100.0));
  }
  return EncodeOggVorbis(pcm, 2, 44100, 0.3f);
}

// µs of CPU per 10 ms of output (441 frames) with one music stream and 16 effects playing.
void BM_Mix10ms_Music_16Effects(benchmark::State& state) {
  auto device = std::make_shared<vt::audio::NullSoundDevice>();
  vt::audio::SetSoundDeviceOverride(device);
  InitSoundDevice();
  auto stream = CreateStreamSound(MakeMemorySource(ToneOgg(10.0, 220), "bgm.ogg"));
  stream->SetLoop(true, 0.0);
  stream->SetVolume(-600);
  stream->Play();
  std::vector<std::unique_ptr<CDSoundBuffer>> effects;
  std::vector<uint8_t> se = ToneOgg(1.0, 660);
  for (int i = 0; i < 16; ++i) {
    effects.push_back(CreateOggSound(MakeMemorySource(se, "se.ogg")));
    effects.back()->SetVolume(-300 - 50 * i);
    effects.back()->buffer()->SetPan(-5000 + 600 * i);
    effects.back()->buffer()->Play(true);  // kept playing for the measurement
  }
  for (auto _ : state) {
    device->Advance(441);
    stream->WaitRefillIdle(1000);
  }
  effects.clear();
  stream.reset();
  ReleaseSoundDevice();
  vt::audio::SetSoundDeviceOverride(nullptr);
}
BENCHMARK(BM_Mix10ms_Music_16Effects)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

// The decoding behind a music stream: one 10 ms slice of a 44.1 kHz stereo track.
void BM_OggDecode10ms(benchmark::State& state) {
  std::vector<uint8_t> ogg = ToneOgg(20.0, 330);
  COggSource source;
  source.Open(MakeMemorySource(ogg, "bgm.ogg"));
  std::vector<uint8_t> buffer(441 * 4);
  for (auto _ : state) source.Read(buffer.data(), static_cast<uint32_t>(buffer.size()), true);
}
BENCHMARK(BM_OggDecode10ms)->Unit(benchmark::kMicrosecond);

// Milliseconds from a request byte (processed at the end of a frame) to the first mixed sample
// of the effect on the SDL device (the dummy driver when headless).
void BM_RequestToFirstSample(benchmark::State& state) {
  std::shared_ptr<vt::audio::SoundDevice> device = vt::audio::OpenSdlSoundDevice();
  if (!device) {
    state.SkipWithError("no SDL audio device");
    return;
  }
  vt::audio::SetSoundDeviceOverride(device);
  InitSoundDevice();
  std::atomic<int64_t> heard{0};
  device->SetMixObserver([&](const int16_t* out, uint32_t frames) {
    for (uint32_t i = 0; i < frames * 2; ++i) {
      if (out[i] != 0) {
        int64_t expected = 0;
        heard.compare_exchange_strong(expected, std::chrono::steady_clock::now().time_since_epoch().count());
        return;
      }
    }
  });
  g_SeSlots[1] = CreateOggSound(MakeMemorySource(ToneOgg(0.3, 880), "se.ogg"));
  double totalMs = 0;
  int count = 0;
  for (auto _ : state) {
    g_SeSlots[1]->Stop();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    heard = 0;
    int64_t start = std::chrono::steady_clock::now().time_since_epoch().count();
    g_SeRequest[1] = 1;
    UpdateSoundRequests();
    while (heard.load() == 0) std::this_thread::yield();
    double ms = (heard.load() - start) / 1e6;
    totalMs += ms;
    ++count;
    state.SetIterationTime(ms / 1000.0);
  }
  state.counters["latency_ms"] = count ? totalMs / count : 0;
  device->SetMixObserver({});
  g_SeSlots[1].reset();
  ReleaseSoundDevice();
  vt::audio::SetSoundDeviceOverride(nullptr);
}
BENCHMARK(BM_RequestToFirstSample)->UseManualTime()->Iterations(40)->Unit(benchmark::kMillisecond);

// CPU share of playing the sample opening movie at its frame rate (frames fetched every 1/60 s
// of movie time): CPU seconds spent / movie seconds.
void BM_MovieDecodeCpuShare(benchmark::State& state) {
  // The sample game folder: $VT_SAMPLE_DIR, else the build tree's (run from the repository).
  const char* dir = std::getenv("VT_SAMPLE_DIR");
  const std::string path = std::string(dir != nullptr ? dir : "build/gamedata") + "/Movie/ZOLV_OP.mpeg";
  for (auto _ : state) {
    int64_t now = 0;
    vt::movie::MoviePlayer player([&] { return now; }, nullptr);
    if (!player.Open(path)) {
      state.SkipWithError("sample movie missing");
      return;
    }
    player.Run();
    std::vector<uint8_t> frame;
    double duration = player.Duration();
    for (double t = 0; t < duration; t += 1.0 / 60) {
      now = static_cast<int64_t>(t * 1e9);
      player.GetCurrentFrame(&frame);
    }
    state.counters["movie_s"] = duration;
  }
}
BENCHMARK(BM_MovieDecodeCpuShare)->Unit(benchmark::kMillisecond)->Iterations(3)->MeasureProcessCPUTime();

}  // namespace

BENCHMARK_MAIN();
