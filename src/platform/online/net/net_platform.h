// NetPlatform: online::Platform as a client of the lobby service. One I/O thread owns the control
// connection (connect, framing, hello and the signed login, pings, reconnects with back-off, the
// time-outs of every call) and queues results and events to the Dispatcher; peer packets travel
// as tagged datagrams through the service's UDP relay, or over the control connection when UDP
// was not confirmed within 3 s. Mirrors of joined lobbies, search snapshots, persona names, the
// server clock and the login answer answer the synchronous queries.
#pragma once

#include <netinet/in.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "lobby/control_codec.h"
#include "lobby/identity.h"
#include "lobby/link_model.h"
#include "lobby/relay_datagram.h"
#include "lobby/stats.h"
#include "platform/online/platform.h"
#include "platform/online/voice.h"

namespace vt::online::net {

struct NetOptions {
  std::string host = "127.0.0.1";
  uint16_t port = 47800;
  lobby::Seed seed{};   // the profile's secret: whoever holds it is the user
  std::string name;     // CP932, 1-31 bytes
  std::string country;  // two letters or ""
  std::string region;   // "" means the country
  std::vector<UserId> friends;
  // Test mode: no datagram ever leaves, as behind a firewall that blocks UDP.
  bool udpBlocked = false;
  // Told the user id of every login, on the I/O thread, before loggedOn() turns true (the
  // profile keeps the id).
  std::function<void(UserId)> onLogin;
};

// The protocol's timings.
namespace timing {
constexpr auto kPingEvery = std::chrono::seconds(5);
constexpr auto kPongLost = std::chrono::seconds(15);
constexpr auto kFileCall = std::chrono::seconds(10);
constexpr auto kLobbyCall = std::chrono::seconds(15);
constexpr auto kBoardCall = std::chrono::seconds(30);
constexpr auto kShareCall = std::chrono::seconds(60);
constexpr auto kVerdict = std::chrono::seconds(10);
constexpr auto kUdpConfirm = std::chrono::seconds(3);
constexpr auto kRegisterEvery = std::chrono::milliseconds(250);
constexpr auto kKeepaliveEvery = std::chrono::seconds(15);
constexpr auto kHeldFor = std::chrono::seconds(10);
}  // namespace timing

// Back-off between connection attempts: 1, 2, 4, then 10 s.
std::chrono::seconds ReconnectDelay(int failedAttempts);

class NetPlatform final : public Platform,
                          Identity,
                          Utils,
                          Lobbies,
                          Peers,
                          Auth,
                          Boards,
                          Stats,
                          Cloud,
                          Voice,
                          Overlay {
 public:
  using Clock = std::chrono::steady_clock;

  // Starts the I/O thread, which connects and logs in in the background: an unreachable service
  // is not a failure, the platform stays logged off and keeps trying.
  explicit NetPlatform(NetOptions options);
  ~NetPlatform() override;

  Identity& identity() override { return *this; }
  Utils& utils() override { return *this; }
  Lobbies& lobbies() override { return *this; }
  Peers& peers() override { return *this; }
  Auth& auth() override { return *this; }
  Boards& boards() override { return *this; }
  Stats& stats() override { return *this; }
  Cloud& cloud() override { return *this; }
  Voice& voice() override { return *this; }
  Overlay& overlay() override { return *this; }

  // Fails every outstanding call, wakes every caller blocked in a file call, then ends the I/O
  // thread; nothing is delivered afterwards.
  void shutdown() override;

  // The invite panel: choosing a friend sends the invitation for the lobby whose panel is open.
  bool chooseInvitee(UserId to);
  // Feeds 16 kHz samples to the voice recorder (the capture device's or a scripted microphone).
  void feedMicrophone(std::span<const int16_t> samples) { recorder_.feed(samples); }
  // Whether peer packets go over the control connection because UDP was never confirmed.
  bool usingFallback() const { return fallback_.load(); }
  bool udpConfirmed() const { return udpConfirmed_.load(); }
  // Logins made so far (a reconnection adds one).
  int logins() const { return logins_.load(); }

 private:
  // Identity
  bool loggedOn() const override { return loggedOn_.load(); }
  UserId selfId() const override { return selfId_.load(); }
  std::string personaName() const override;
  std::string personaNameOf(UserId user) const override;
  // Utils
  std::string ipCountry() const override { return options_.country; }
  uint32_t serverTime() const override;
  uint32_t appId() const override { return lobby::kAppId; }
  bool networkAlive() const override { return loggedOn_.load(); }
  // Lobbies
  CallHandle create(int32_t maxMembers, CallResult<LobbyCreated>& result) override;
  CallHandle join(LobbyId lobby, CallResult<LobbyEntered>& result) override;
  void leave(LobbyId lobby) override;
  UserId owner(LobbyId lobby) const override;
  bool setData(LobbyId lobby, std::string_view key, std::string_view value) override;
  std::string data(LobbyId lobby, std::string_view key) const override;
  int32_t dataCount(LobbyId lobby) const override;
  bool dataByIndex(LobbyId lobby, int32_t index, std::string& key, std::string& value) const override;
  bool setMemberData(LobbyId lobby, std::string_view key, std::string_view value) override;
  std::string memberData(LobbyId lobby, UserId member, std::string_view key) const override;
  int32_t memberCount(LobbyId lobby) const override;
  CallHandle search(const LobbyQuery& query, CallResult<LobbyMatchList>& result) override;
  // Peers
  bool send(UserId to, std::span<const uint8_t> bytes, int channel) override;
  uint32_t nextPacketSize(int channel) override;
  PacketRead read(int channel, std::span<uint8_t> buffer) override;
  bool acceptSession(UserId remote) override;
  PeerStats stats() const override;
  // Auth
  TicketIssued getTicket(std::span<uint8_t> buffer) override;
  void cancelTicket(TicketHandle handle) override;
  BeginSessionResult beginSession(std::span<const uint8_t> ticket, UserId claimed) override;
  void endSession(UserId user) override;
  // Boards
  CallHandle find(std::string_view name, CallResult<BoardFound>& result) override;
  CallHandle upload(BoardHandle board, UploadMethod method, int32_t score, std::span<const int32_t> details,
                    CallResult<ScoreUploaded>& result) override;
  CallHandle download(BoardHandle board, DownloadKind kind, int32_t start, int32_t end,
                      CallResult<ScoresDownloaded>& result) override;
  int32_t entryCount(BoardHandle board) const override;
  CallHandle attachUgc(BoardHandle board, UgcHandle ugc, CallResult<UgcAttached>& result) override;
  // Stats
  bool requestCurrent() override;
  bool getStat(std::string_view name, int32_t& value) const override;
  bool setStat(std::string_view name, int32_t value) override;
  bool getAchievement(std::string_view name, bool& achieved) const override;
  bool setAchievement(std::string_view name) override;
  bool store() override;
  // Cloud
  bool cloudEnabledForAccount() const override { return loggedOn_.load() && cloudForAccount_.load(); }
  bool cloudEnabledForApp() const override { return loggedOn_.load() && cloudForApp_.load(); }
  bool write(std::string_view name, std::span<const uint8_t> bytes) override;
  int32_t read(std::string_view name, std::span<uint8_t> buffer) override;
  bool remove(std::string_view name) override;
  bool exists(std::string_view name) override;
  bool persisted(std::string_view name) override { return exists(name); }
  int32_t size(std::string_view name) override;
  bool quota(uint64_t& total, uint64_t& available) override;
  CallHandle share(std::string_view name, CallResult<FileShared>& result) override;
  CallHandle download(UgcHandle ugc, int32_t priority, CallResult<UgcDownloaded>& result) override;
  int32_t readShared(UgcHandle ugc, std::span<uint8_t> buffer, uint32_t offset, bool closeAfter) override;
  // Voice: recorded and coded locally; it reaches peers as ordinary packets.
  void startRecording() override { recorder_.start(); }
  void stopRecording() override { recorder_.stop(); }
  VoiceResult available(uint32_t& bytes) override { return recorder_.available(bytes); }
  VoiceResult get(std::span<uint8_t> buffer, uint32_t& written) override {
    return recorder_.get(buffer, written);
  }
  VoiceResult decompress(std::span<const uint8_t> in, std::span<uint8_t> out, uint32_t& written,
                         uint32_t rate) override {
    return DecompressVoice(in, out, written, rate);
  }
  int32_t captureDeviceCount() override { return 1; }
  // Overlay
  void showInviteOverlay(LobbyId lobby) override { inviteLobby_.store(lobby); }
  void showStatsOverlay(UserId user) override;

  // ---- the control connection (net_connection.cpp) ----
  // A request waiting for its answer. `onReply` gets the payload of a response frame; `onFail`
  // the reason it will never come (NoConnection, Timeout, or the service's error).
  struct Pending {
    Clock::time_point deadline;
    std::function<void(std::span<const uint8_t>)> onReply;
    std::function<void(Result)> onFail;
  };
  void ioLoop();
  bool connectOnce();
  void closeConnection(bool lost);
  void readFrames();
  void handleFrame(const lobby::wire::FrameHeader& h, std::span<const uint8_t> payload);
  void handleEvent(const lobby::wire::FrameHeader& h, std::span<const uint8_t> payload);
  void onLoginOk(const lobby::wire::LoginOk& ok);
  void timers(Clock::time_point now);
  void flushOut();
  void wake();
  // Queues a frame for the I/O thread; false when the frame cannot be encoded.
  template <class M>
  bool queueFrame(const M& message, uint32_t requestId);
  // Sends a request with its answer's handlers and its bound; false (nothing sent, no handler
  // ever runs) when not logged on or the request cannot be encoded.
  template <class M>
  bool request(const M& message, Clock::duration bound, std::function<void(std::span<const uint8_t>)> onReply,
               std::function<void(Result)> onFail);
  // An asynchronous call: binds the CallResult, sends the request and completes the call with
  // `ok(reply)` or `failed(reason)`; `undo` runs when a successful answer finds the call
  // cancelled. 0 when the call could not be made.
  template <class M, class Event>
  CallHandle call(const M& message, Clock::duration bound, CallResult<Event>& result,
                  std::function<Event(const typename M::Reply&)> ok, std::function<Event(Result)> failed,
                  std::function<void(const Event&)> undo = {});
  // A synchronous round trip from a worker: blocks until the reply, the bound, a lost connection
  // or shutdown(), whichever comes first.
  template <class M>
  std::optional<typename M::Reply> roundTrip(const M& message, Clock::time_point deadline);
  void failAll(Result reason);
  // The f+1 rule: a call's result may enter the client queue only after a drain has passed since
  // the call was made, however fast the service answered. Each call posts a mark; the mark's
  // handler, run in the next drain, releases the results held for calls up to it.
  struct DrainMark {
    uint64_t serial = 0;
  };
  uint64_t markCall();
  void completeAfterMark(uint64_t serial, std::function<void()> complete);
  void onDrainMark(const DrainMark& mark);

  // ---- peer packets (net_peers.cpp) ----
  void drainUdp();                                                               // with peerMutex_ held
  void deliverPacket(UserId from, int channel, std::span<const uint8_t> bytes);  // peerMutex_ held
  bool sendDatagram(lobby::relay::Kind kind, UserId target, int channel, std::span<const uint8_t> payload);
  void expireHeld(Clock::time_point now);  // peerMutex_ held
  void udpTimers(Clock::time_point now);
  void resetPeersForLogin(const lobby::wire::LoginOk& ok);

  // ---- mirrors (net_mirrors.cpp) ----
  struct LobbyMirror {
    UserId owner = 0;
    bool closed = false;
    int32_t memberLimit = 0;
    std::vector<UserId> members;
    lobby::KeyValues data;
    std::map<UserId, lobby::KeyValues> memberData;
    int writesInFlight = 0;  // the owner's own sets: its mirror is ahead of the service's events
  };
  const lobby::KeyValues* lobbyData(LobbyId lobby) const;  // mirrorMutex_ held

  const NetOptions options_;
  const lobby::PublicKey publicKey_;

  // Connection state, owned by the I/O thread except where atomic or under outMutex_.
  std::thread io_;
  int wakeFd_ = -1;
  int fd_ = -1;
  enum class Phase { Down, AwaitHelloAck, AwaitLoginOk, Ready } phase_ = Phase::Down;
  std::vector<uint8_t> in_;
  Clock::time_point lastPingSent_{}, lastPong_{}, connectedAt_{};
  int failedAttempts_ = 0;
  Clock::time_point nextAttempt_{};
  bool noReconnect_ = false;  // replaced by a newer login of the same key
  std::atomic<bool> stopping_{false};
  std::atomic<bool> loggedOn_{false};
  std::atomic<UserId> selfId_{0};
  std::atomic<bool> cloudForAccount_{true}, cloudForApp_{true};
  std::atomic<int> logins_{0};

  std::mutex outMutex_;  // the output buffer, the pending requests and the socket written to
  std::vector<uint8_t> out_;
  int sendFd_ = -1;
  void flushLocked();  // outMutex_ held
  std::map<uint32_t, Pending> pending_;
  uint32_t lastRequestId_ = 0;
  // Requests in flight at most, as the service's handshake set it; a call beyond it is refused
  // at once, as a call while logged off is.
  std::atomic<uint32_t> maxOutstanding_{lobby::wire::kMaxOutstanding};

  // Server clock: the service's seconds at a local instant.
  mutable std::mutex timeMutex_;
  uint32_t serverBase_ = 0;
  Clock::time_point serverBaseAt_{};
  bool serverKnown_ = false;

  // Mirrors.
  mutable std::mutex mirrorMutex_;
  std::string acceptedName_;
  std::map<LobbyId, LobbyMirror> joined_;
  std::map<LobbyId, LobbySnapshot> snapshots_;
  std::map<UserId, std::string> names_;
  std::map<BoardHandle, int32_t> entryCounts_;
  bool statsReceived_ = false;
  lobby::StatValues stats_;
  std::map<UserId, Clock::time_point> verdictsDue_;  // sessions begun, waiting for their verdict
  lobby::UserRateLimits rates_;
  std::atomic<LobbyId> inviteLobby_{0};

  // Peer packets: the UDP socket, the session and the queues. Touched by the logic thread
  // (send, read) and the I/O thread (fallback packets, registration, keep-alive, expiry).
  mutable std::mutex peerMutex_;
  int udp_ = -1;
  sockaddr_in serviceAddr_{};
  struct UdpSession {
    uint32_t id = 0;
    lobby::relay::UdpKey key{};
    uint32_t outCounter = 0;
    lobby::relay::ReplayWindow window;
  } udpSession_;
  std::atomic<bool> udpConfirmed_{false}, fallback_{false};
  Clock::time_point lastRegister_{}, lastKeepalive_{};
  struct Packet {
    UserId from = 0;
    std::vector<uint8_t> bytes;
  };
  struct Held {
    std::deque<std::pair<int, Packet>> packets;
    Clock::time_point since{};
  };
  std::deque<Packet> inbox_[lobby::limits::kChannels];
  size_t inboxBytes_[lobby::limits::kChannels] = {};
  std::map<UserId, Held> held_;
  std::map<UserId, Clock::time_point> accepted_;
  PeerStats peerStats_;
  uint64_t udpDrops_ = 0;
  lobby::TokenBucket sendBucket_{600, 1200};
  std::map<UserId, lobby::TokenBucket> pairBuckets_;

  // Shared content downloaded and held until read with close or replaced.
  std::mutex sharedMutex_;
  std::map<UgcHandle, std::vector<uint8_t>> downloaded_;

  std::mutex markMutex_;
  uint64_t lastCallSerial_ = 0;
  uint64_t drainedUpTo_ = 0;
  std::vector<std::pair<uint64_t, std::function<void()>>> held_results_;
  Subscription<DrainMark> markSubscription_;

  VoiceRecorder recorder_;
};

}  // namespace vt::online::net
