// Puts the networked client behind the start-up choice of online backend.
#pragma once

namespace vt::online {

// Called once at start-up, before the online client starts: a named service is then reached
// through NetPlatform.
void InstallNetPlatform();

}  // namespace vt::online
