// Our movie player over FFmpeg: opens a file by its content (any extension), runs, pauses, stops
// and seeks on a clock, hands out the newest video frame as a bottom-up BGR bitmap (24 or 32 bits,
// the layout a grabbed video frame has) and plays the sound track through the mixer at a volume.
// End of the movie queues a completion event and calls the notify function.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vt::audio {
class SoundDevice;
}

namespace vt::movie {

constexpr int kEventComplete = 1;
constexpr int kEventUserAbort = 3;

enum class PlayState { kStopped, kPaused, kRunning };

// The libraries' own console chatter about damaged input gives way to our log lines.
void QuietFfmpegLog();

// A quick look at a file: true when it opens as a container with a video stream (nothing is
// decoded). The opening movie's warm-up uses it.
bool ProbeMovieFile(const std::string& path);

class MoviePlayer {
 public:
  using Clock = std::function<int64_t()>;  // nanoseconds, monotonic

  // clock: none uses the steady clock. device: where the sound track plays (none: silent).
  MoviePlayer(Clock clock, std::shared_ptr<vt::audio::SoundDevice> device);
  ~MoviePlayer();
  MoviePlayer(const MoviePlayer&) = delete;
  MoviePlayer& operator=(const MoviePlayer&) = delete;

  // Opens a file by content; false (and a log line naming it) when it is missing, not a movie or
  // has no video stream it can decode. bitsPerPixel: 24 or 32 for the frames handed out.
  bool Open(const std::string& path, int bitsPerPixel = 24);
  void Close();
  bool IsOpen() const;

  int width() const;
  int height() const;
  int bitsPerPixel() const;
  int bytesPerRow() const;
  // Seconds per frame; 1/60 when the file does not say.
  double AverageFrameTime() const;
  double Duration() const;
  double Position();

  bool Run();
  bool Pause();
  bool Stop();
  // Absolute position in seconds (clamped to 0..duration); the play state does not change.
  bool Seek(double seconds);
  PlayState GetState();

  // The frame showing at the current position: bytesPerRow x height bytes, last row first.
  // False when there is none.
  bool GetCurrentFrame(std::vector<uint8_t>* out);

  // Takes the oldest queued event; false when none.
  bool GetEvent(int* code);
  // Called (from whichever thread notices the end) once per queued event.
  void SetNotify(std::function<void()> notify);
  void SetVolume(int32_t hundredthsDb);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace vt::movie
