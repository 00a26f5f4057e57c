// flock-based single-instance guard; the raise request is a marker file beside the lock.
#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>

namespace vt::platform {

SingleInstance::SingleInstance(const std::string& path) : path_(path) {
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ < 0) {
    // Without a lock file (read-only folder) the game still runs, unguarded.
    owned_ = true;
    return;
  }
  owned_ = ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
  if (owned_) std::remove((path_ + ".raise").c_str());
}

SingleInstance::~SingleInstance() {
  if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

bool SingleInstance::TakeRaiseRequest() { return owned_ && std::remove((path_ + ".raise").c_str()) == 0; }

void SingleInstance::RequestRaise(const std::string& path) {
  int fd = ::open((path + ".raise").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (fd >= 0) ::close(fd);
}

}  // namespace vt::platform
