// Single-instance guard: an exclusive flock on a lock file in the game folder, held for the
// life of the process. A second instance finds it held and asks the first to raise its window.
#pragma once

#include <string>

namespace vt::platform {

class SingleInstance {
 public:
  // Takes the lock at path; owned() tells whether this process is the first instance.
  explicit SingleInstance(const std::string& path);
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;
  bool owned() const { return owned_; }

  // The first instance checks this now and then: true once when a later instance asked it to
  // come to the front.
  bool TakeRaiseRequest();
  // Called by a later instance: asks the owner to raise its window.
  static void RequestRaise(const std::string& path);

 private:
  std::string path_;
  int fd_ = -1;
  bool owned_ = false;
};

}  // namespace vt::platform
