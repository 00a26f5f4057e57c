// Fuzz target: the service's side of the control protocol. The input is a byte stream as a client
// could send it; every frame is peeked, checked and, when it passes, decoded again as the service
// would, and the decoded message is encoded back and must decode to the same bytes.
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
    CheckServiceBound(h, payload);
    if (h.type == static_cast<uint16_t>(MsgType::Login)) {
      if (auto login = DecodePayload<Login>(payload)) {
        std::array<uint8_t, kNonceBytes> nonce{};
        (void)VerifyLogin(*login, nonce);
      }
    }
    if (h.type == static_cast<uint16_t>(MsgType::LobbySearch)) {
      if (auto search = DecodePayload<LobbySearch>(payload)) {
        std::vector<uint8_t> again;
        if (AppendMessage(again, *search, 1)) {
          auto back = DecodePayload<LobbySearch>(std::span(again).subspan(kHeaderBytes));
          if (!back || back->query.filters.size() != search->query.filters.size()) __builtin_trap();
        }
      }
    }
    stream = stream.subspan(kLengthBytes + h.length);
  }
  return 0;
}
