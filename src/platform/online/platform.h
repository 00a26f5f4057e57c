// online::Platform: the services the game's online classes call in place of the commercial
// platform they were written against. One Platform per (simulated) user; no global state.
// Asynchronous calls bind a CallResult and return its handle (0: the call was not made and
// nothing will be delivered); results and events arrive only inside runCallbacks(), ticket
// verdicts only inside runVerifierCallbacks().
#pragma once

#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <string_view>

#include "lobby/types.h"
#include "platform/online/dispatcher.h"
#include "platform/online/events.h"

namespace vt::online {

using lobby::BeginSessionResult;
using lobby::DownloadKind;
using lobby::LobbyQuery;
using lobby::TicketHandle;
using lobby::UploadMethod;

// Identity: who the local user is, and the names of others the platform has seen.
class Identity {
 public:
  virtual ~Identity() = default;
  virtual bool loggedOn() const = 0;
  virtual UserId selfId() const = 0;
  // 1-31 bytes of CP932; not unique.
  virtual std::string personaName() const = 0;
  // From names seen in downloads, search results and invitations; "" when unknown.
  virtual std::string personaNameOf(UserId user) const = 0;
};

using WarningHook = std::function<void(int severity, const char* text)>;

class Utils {
 public:
  virtual ~Utils() = default;
  virtual std::string ipCountry() const = 0;
  // UTC seconds of the service clock.
  virtual uint32_t serverTime() const = 0;
  virtual uint32_t appId() const = 0;
  virtual bool networkAlive() const = 0;
};

class Lobbies {
 public:
  virtual ~Lobbies() = default;
  virtual CallHandle create(int32_t maxMembers, CallResult<LobbyCreated>& result) = 0;
  virtual CallHandle join(LobbyId lobby, CallResult<LobbyEntered>& result) = 0;
  virtual void leave(LobbyId lobby) = 0;
  virtual UserId owner(LobbyId lobby) const = 0;
  virtual bool setData(LobbyId lobby, std::string_view key, std::string_view value) = 0;
  virtual std::string data(LobbyId lobby, std::string_view key) const = 0;
  virtual int32_t dataCount(LobbyId lobby) const = 0;
  virtual bool dataByIndex(LobbyId lobby, int32_t index, std::string& key, std::string& value) const = 0;
  virtual bool setMemberData(LobbyId lobby, std::string_view key, std::string_view value) = 0;
  virtual std::string memberData(LobbyId lobby, UserId member, std::string_view key) const = 0;
  virtual int32_t memberCount(LobbyId lobby) const = 0;
  // The whole query in one call: no filter state is left behind for a later search.
  virtual CallHandle search(const LobbyQuery& query, CallResult<LobbyMatchList>& result) = 0;
};

struct PacketRead {
  bool ok = false;
  uint32_t size = 0;
  UserId from = 0;
  bool oversize = false;  // larger than the buffer: dropped whole, never cut
};

struct PeerStats {
  uint64_t sent = 0;
  uint64_t received = 0;
  uint64_t droppedOversize = 0;
  uint64_t droppedQueueFull = 0;
  uint64_t droppedUnaccepted = 0;
  uint64_t droppedRateLimited = 0;
};

// Takes the oldest packet of a channel's queue (any record with `from` and `bytes`) into
// `buffer`, counting it; a packet larger than the buffer is dropped whole, never cut.
template <typename Packet>
PacketRead TakeOldestPacket(std::deque<Packet>& box, size_t& boxBytes, std::span<uint8_t> buffer,
                            PeerStats& stats) {
  PacketRead r;
  if (box.empty()) return r;
  Packet p = std::move(box.front());
  box.pop_front();
  boxBytes -= p.bytes.size();
  r.size = static_cast<uint32_t>(p.bytes.size());
  r.from = p.from;
  if (p.bytes.size() > buffer.size()) {
    r.oversize = true;
    ++stats.droppedOversize;
    return r;
  }
  std::memcpy(buffer.data(), p.bytes.data(), p.bytes.size());
  r.ok = true;
  ++stats.received;
  return r;
}

class Peers {
 public:
  virtual ~Peers() = default;
  // Unreliable: 1-1200 bytes on channels 0-3, never to oneself; false and nothing sent otherwise.
  virtual bool send(UserId to, std::span<const uint8_t> bytes, int channel) = 0;
  // Size of the oldest readable packet on the channel; 0 when none.
  virtual uint32_t nextPacketSize(int channel) = 0;
  virtual PacketRead read(int channel, std::span<uint8_t> buffer) = 0;
  virtual bool acceptSession(UserId remote) = 0;
  virtual PeerStats stats() const = 0;
};

struct TicketIssued {
  TicketHandle handle = 0;
  uint32_t length = 0;
};

class Auth {
 public:
  virtual ~Auth() = default;
  // Writes the ticket into the buffer; handle 0 when none could be made.
  virtual TicketIssued getTicket(std::span<uint8_t> buffer) = 0;
  virtual void cancelTicket(TicketHandle handle) = 0;
  virtual BeginSessionResult beginSession(std::span<const uint8_t> ticket, UserId claimed) = 0;
  virtual void endSession(UserId user) = 0;
  // There is no game server to be insecure: always true.
  bool secure() const { return true; }
};

class Boards {
 public:
  virtual ~Boards() = default;
  virtual CallHandle find(std::string_view name, CallResult<BoardFound>& result) = 0;
  virtual CallHandle upload(BoardHandle board, UploadMethod method, int32_t score,
                            std::span<const int32_t> details, CallResult<ScoreUploaded>& result) = 0;
  virtual CallHandle download(BoardHandle board, DownloadKind kind, int32_t start, int32_t end,
                              CallResult<ScoresDownloaded>& result) = 0;
  // The total of the newest download for the board.
  virtual int32_t entryCount(BoardHandle board) const = 0;
  virtual CallHandle attachUgc(BoardHandle board, UgcHandle ugc, CallResult<UgcAttached>& result) = 0;
};

class Stats {
 public:
  virtual ~Stats() = default;
  virtual bool requestCurrent() = 0;
  virtual bool getStat(std::string_view name, int32_t& value) const = 0;
  virtual bool setStat(std::string_view name, int32_t value) = 0;
  virtual bool getAchievement(std::string_view name, bool& achieved) const = 0;
  virtual bool setAchievement(std::string_view name) = 0;
  virtual bool store() = 0;
};

// File calls are synchronous and thread-safe; the game makes them from its task thread.
class Cloud {
 public:
  virtual ~Cloud() = default;
  virtual bool cloudEnabledForAccount() const = 0;
  virtual bool cloudEnabledForApp() const = 0;
  virtual bool write(std::string_view name, std::span<const uint8_t> bytes) = 0;
  // Always from the start: min(size, capacity) bytes; 0 when missing.
  virtual int32_t read(std::string_view name, std::span<uint8_t> buffer) = 0;
  virtual bool remove(std::string_view name) = 0;
  virtual bool exists(std::string_view name) = 0;
  virtual bool persisted(std::string_view name) = 0;
  virtual int32_t size(std::string_view name) = 0;
  virtual bool quota(uint64_t& total, uint64_t& available) = 0;
  virtual CallHandle share(std::string_view name, CallResult<FileShared>& result) = 0;
  virtual CallHandle download(UgcHandle ugc, int32_t priority, CallResult<UgcDownloaded>& result) = 0;
  // Bytes of a downloaded share from an offset; 0 past the end or when not held.
  virtual int32_t readShared(UgcHandle ugc, std::span<uint8_t> buffer, uint32_t offset, bool closeAfter) = 0;
};

enum class VoiceResult : int32_t {
  Ok = 0,
  NotInitialized = 1,
  NotRecording = 2,
  NoData = 3,
  BufferTooSmall = 4,
  DataCorrupted = 5,
};

class Voice {
 public:
  virtual ~Voice() = default;
  virtual void startRecording() = 0;
  virtual void stopRecording() = 0;
  virtual VoiceResult available(uint32_t& bytes) = 0;
  // Whole frames only, at most the buffer's size (the game's is 1024 bytes).
  virtual VoiceResult get(std::span<uint8_t> buffer, uint32_t& written) = 0;
  // 16-bit mono at the requested rate.
  virtual VoiceResult decompress(std::span<const uint8_t> in, std::span<uint8_t> out, uint32_t& written,
                                 uint32_t rate) = 0;
  virtual int32_t captureDeviceCount() = 0;
};

class Overlay {
 public:
  virtual ~Overlay() = default;
  virtual void showInviteOverlay(LobbyId lobby) = 0;
  virtual void showStatsOverlay(UserId user) = 0;
};

class Platform {
 public:
  virtual ~Platform() = default;

  virtual Identity& identity() = 0;
  virtual Utils& utils() = 0;
  virtual Lobbies& lobbies() = 0;
  virtual Peers& peers() = 0;
  virtual Auth& auth() = 0;
  virtual Boards& boards() = 0;
  virtual Stats& stats() = 0;
  virtual Cloud& cloud() = 0;
  virtual Voice& voice() = 0;
  virtual Overlay& overlay() = 0;

  // The platform's shutdown: nothing is delivered afterwards.
  virtual void shutdown();

  size_t runCallbacks() { return dispatcher_.runCallbacks(); }
  size_t runVerifierCallbacks() { return dispatcher_.runVerifierCallbacks(); }
  template <class Event>
  Subscription<Event> subscribe(std::function<void(const Event&)> onEvent) {
    return dispatcher_.subscribe<Event>(std::move(onEvent));
  }
  Dispatcher& dispatcher() { return dispatcher_; }

  // Warnings go to the hook (the game copies them to its debug output) and to standard error
  // when no hook is set.
  void setWarningHook(WarningHook hook);
  void warning(int severity, const char* text);

 private:
  Dispatcher dispatcher_;
  std::mutex warningMutex_;
  WarningHook warningHook_;
};

}  // namespace vt::online
