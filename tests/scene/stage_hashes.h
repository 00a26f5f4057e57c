// The recorded final stage hashes of the sample stages under the driver's camera pan.
#pragma once

#include <cstdint>

namespace vt::test {
inline constexpr int kStageHashFrames = 600;
inline constexpr uint64_t kStageFinalHash[3] = {0x3a629c72f42908d4ull, 0xea647ac5f2376901ull,
                                                0xd966ffa545b64216ull};
}  // namespace vt::test
