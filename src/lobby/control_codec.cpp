// The control protocol's frame checks, the login's signed bytes and the per-direction decoding
// tables.
#include "lobby/control_codec.h"

namespace vt::lobby::wire {

FrameStatus PeekFrame(std::span<const uint8_t> buffer, FrameHeader& header) {
  if (buffer.size() < kLengthBytes) return FrameStatus::Incomplete;
  Reader r(buffer);
  r(header.length);
  // A length that cannot hold the header or is over the limit is judged before waiting for the
  // rest, so a peer cannot make the reader wait for (or buffer) a frame that will never be valid.
  if (header.length < kMinFrameLength) return FrameStatus::TooShort;
  if (header.length > kMaxFrameLength) return FrameStatus::TooLong;
  if (buffer.size() < kLengthBytes + header.length) return FrameStatus::Incomplete;
  r(header.type, header.flags, header.requestId);
  return FrameStatus::Complete;
}

namespace {
constexpr std::string_view kLoginContext = "vantorel-login-1";

// Calls `fn(M{})`-typed probes for a type number; false when the number is not in the list.
template <class... M, class Fn>
bool WithType(uint16_t type, Fn&& fn) {
  bool found = false;
  ((!found && type == static_cast<uint16_t>(M::kType) ? (found = true, fn(static_cast<M*>(nullptr)), 0) : 0),
   ...);
  return found;
}

// Everything a client may send after (or as part of) the handshake.
template <class Fn>
bool WithServiceBound(uint16_t type, Fn&& fn) {
  return WithType<Hello, Login, Ping, LobbyCreate, LobbyJoin, LobbyLeave, LobbySetData, LobbySetMemberData,
                  LobbySearch, SendPacket, TicketIssue, TicketCancel, TicketBegin, TicketEnd, BoardFind,
                  BoardUpload, BoardDownload, BoardAttachUgc, StatsRequest, StatsStore, FileWrite, FileRead,
                  FileRemove, FileStat, FileQuota, FileShare, UgcDownload, Invite>(type, fn);
}

// Requests whose replies a client reads.
template <class Fn>
bool WithReplies(uint16_t type, Fn&& fn) {
  return WithType<LobbyCreate, LobbyJoin, LobbyLeave, LobbySetData, LobbySetMemberData, LobbySearch,
                  TicketIssue, TicketCancel, TicketBegin, TicketEnd, BoardFind, BoardUpload, BoardDownload,
                  BoardAttachUgc, StatsRequest, StatsStore, FileWrite, FileRead, FileRemove, FileStat,
                  FileQuota, FileShare, UgcDownload, Invite>(type, fn);
}

// Messages the service sends as themselves.
template <class Fn>
bool WithClientMessages(uint16_t type, Fn&& fn) {
  return WithType<HelloAck, Refused, LoginOk, Kicked, Error, Pong, LobbyDataChanged, LobbyMembers,
                  LobbyClosed, PeerUnreachable, Invited, TicketVerdictEvent, TimeChanged, Packet,
                  UdpRegistered>(type, fn);
}
}  // namespace

std::vector<uint8_t> LoginSignedBytes(std::span<const uint8_t, kNonceBytes> nonce, const Login& login) {
  std::vector<uint8_t> out(kLoginContext.begin(), kLoginContext.end());
  out.insert(out.end(), nonce.begin(), nonce.end());
  Writer w(out);
  w(login.publicKey, login.personaName, login.country, login.region, login.friends);
  return out;
}

void SignLogin(Login& login, const Seed& seed, std::span<const uint8_t, kNonceBytes> nonce) {
  login.signature = Sign(seed, LoginSignedBytes(nonce, login));
}

bool VerifyLogin(const Login& login, std::span<const uint8_t, kNonceBytes> nonce) {
  return Verify(login.publicKey, LoginSignedBytes(nonce, login), login.signature);
}

bool IsServiceBound(uint16_t type) {
  return WithServiceBound(type, [](auto*) {});
}

bool IsClientBound(uint16_t type, uint16_t flags) {
  if ((flags & kFlagResponse) != 0 && WithReplies(type, [](auto*) {})) return true;
  return WithClientMessages(type, [](auto*) {});
}

DecodeStatus CheckServiceBound(const FrameHeader& header, std::span<const uint8_t> payload) {
  bool ok = false;
  if (!WithServiceBound(header.type, [&](auto* probe) {
        using M = std::remove_pointer_t<decltype(probe)>;
        ok = DecodePayload<M>(payload).has_value();
      }))
    return (header.flags & kFlagEvent) != 0 ? DecodeStatus::Ignored : DecodeStatus::Unsupported;
  return ok ? DecodeStatus::Ok : DecodeStatus::Malformed;
}

DecodeStatus CheckClientBound(const FrameHeader& header, std::span<const uint8_t> payload) {
  bool ok = false;
  const bool isReply = (header.flags & kFlagResponse) != 0 && (header.flags & kFlagError) == 0;
  bool known = false;
  if (isReply)
    known = WithReplies(header.type, [&](auto* probe) {
      using M = typename std::remove_pointer_t<decltype(probe)>::Reply;
      ok = DecodePayload<M>(payload).has_value();
    });
  if (!known)
    known = WithClientMessages(header.type, [&](auto* probe) {
      using M = std::remove_pointer_t<decltype(probe)>;
      ok = DecodePayload<M>(payload).has_value();
    });
  // A newer service may send events this client does not know: they are skipped.
  if (!known) return (header.flags & kFlagEvent) != 0 ? DecodeStatus::Ignored : DecodeStatus::Unsupported;
  return ok ? DecodeStatus::Ok : DecodeStatus::Malformed;
}

}  // namespace vt::lobby::wire
