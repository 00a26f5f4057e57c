// Fuzz target: a client's side of the control protocol. The input is a byte stream as a service
// could send it: replies, events and handshake answers are peeked and checked frame by frame.
#include <cstdint>
#include <span>

#include "lobby/control_codec.h"

using namespace vt::lobby::wire;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::span<const uint8_t> stream(data, size);
  while (!stream.empty()) {
    FrameHeader h;
    if (PeekFrame(stream, h) != FrameStatus::Complete) break;
    const std::span<const uint8_t> payload =
        stream.subspan(kHeaderBytes, h.length + kLengthBytes - kHeaderBytes);
    CheckClientBound(h, payload);
    (void)IsClientBound(h.type, h.flags);
    stream = stream.subspan(kLengthBytes + h.length);
  }
  return 0;
}
