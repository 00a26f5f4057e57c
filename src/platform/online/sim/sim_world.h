// SimWorld: many simulated users in one process on the lobby core, a virtual clock, a seeded
// link model and the faults tests need. Each user is a SimPlatform, a complete online::Platform.
// Nothing depends on thread timing: calls are answered, packets delivered and events queued
// only inside step(), which advances 16,667 us of virtual time; the worker-thread file calls
// take a lock and change only the store.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "lobby/auth.h"
#include "lobby/link_model.h"
#include "lobby/lobbies.h"
#include "lobby/memory_store.h"
#include "lobby/stats.h"
#include "platform/clock.h"
#include "platform/online/platform.h"
#include "platform/online/voice.h"

namespace vt::online::sim {

struct WorldOptions {
  uint64_t seed = 1;
  int controlLatencyFrames = 2;  // 0 tests the f+1 rule
};

struct UserOptions {
  std::string name = "User";  // CP932, 1-31 bytes
  std::string country;
  std::string region = {};  // the country when empty
};

using lobby::KeyValues;

class SimWorld;

class SimPlatform final : public Platform,
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
  SimPlatform(SimWorld& world, UserId id, const UserOptions& options);

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

  UserId id() const { return id_; }
  const std::string& region() const { return region_; }

 private:
  friend class SimWorld;

  // Identity
  bool loggedOn() const override { return loggedOn_; }
  UserId selfId() const override { return id_; }
  std::string personaName() const override { return name_; }
  std::string personaNameOf(UserId user) const override;
  // Utils
  std::string ipCountry() const override { return country_; }
  uint32_t serverTime() const override;
  uint32_t appId() const override { return lobby::kAppId; }
  bool networkAlive() const override { return networkAlive_; }
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
  PeerStats stats() const override { return peerStats_; }
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
  bool cloudEnabledForAccount() const override { return loggedOn_ && cloudOn_; }
  bool cloudEnabledForApp() const override { return loggedOn_; }
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
  // Voice, from the user's scripted microphone.
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
  void showInviteOverlay(LobbyId lobby) override;
  void showStatsOverlay(UserId user) override;

  // Binds the call and schedules its answer on the world; `failed` makes the answer of a call the
  // connection loss ended; `undo` runs when a successful answer finds its CallResult cancelled.
  template <class Event>
  CallHandle call(const char* name, int boundSeconds, CallResult<Event>& result,
                  std::function<Event()> answer, std::function<Event(Result)> failed,
                  std::function<void(const Event&)> undo = {});
  // Schedules a request's answer (deliver false: the service acted, the answer is lost or came
  // too late) with the user's call faults, and its end at the bound when nothing came before.
  void request(const std::string& label, int boundSeconds, std::function<void(bool deliver)> answer,
               std::function<void(Result)> fail);
  bool usable() const { return loggedOn_.load(); }
  bool allow(lobby::UserRateLimits::Kind kind);
  const LobbySnapshot* snapshot(LobbyId lobby) const;
  const KeyValues* lobbyData(LobbyId lobby) const;
  bool sessionAccepted(UserId remote) const { return accepted_.count(remote) != 0; }

  SimWorld& world_;
  const UserId id_;
  std::string name_, region_, country_;
  std::atomic<bool> loggedOn_{true};
  std::atomic<bool> networkAlive_{true};
  std::atomic<bool> cloudOn_{true};
  std::atomic<uint64_t> quota_{lobby::limits::kQuotaBytes};
  bool silenced_ = false;

  std::map<LobbyId, LobbySnapshot> snapshots_;  // the last search's results
  std::map<UserId, std::string> names_;         // persona names seen
  std::map<BoardHandle, int32_t> entryCounts_;
  bool statsReceived_ = false;
  lobby::StatValues stats_;
  LobbyId inviteLobby_ = 0;  // the lobby whose invite panel is open
  std::deque<int64_t> invitesSent_;

  struct Packet {
    UserId from = 0;
    std::vector<uint8_t> bytes;
  };
  struct Held {
    std::deque<std::pair<int, Packet>> packets;  // channel, packet
    int64_t sinceUs = 0;
  };
  std::deque<Packet> inbox_[lobby::limits::kChannels];
  size_t inboxBytes_[lobby::limits::kChannels] = {};
  std::map<UserId, Held> held_;
  std::map<UserId, int64_t> accepted_;  // remote -> last packet either way (virtual us)
  PeerStats peerStats_;
  lobby::UserRateLimits limits_;
  lobby::TokenBucket sendBucket_{600, 1200};
  std::map<UserId, lobby::TokenBucket> pairBuckets_;

  VoiceRecorder recorder_;
  std::deque<int16_t> microphone_;  // 16 kHz samples still to be "heard"

  std::mutex sharedMutex_;  // downloaded shared content, read from the task thread
  std::map<UgcHandle, std::vector<uint8_t>> downloaded_;
};

class SimWorld {
 public:
  explicit SimWorld(WorldOptions options = {});
  ~SimWorld();
  SimWorld(const SimWorld&) = delete;
  SimWorld& operator=(const SimWorld&) = delete;

  SimPlatform& addUser(const UserOptions& options);
  // One frame: answers due calls, delivers due packets and events, then advances the clock.
  void step();
  uint64_t frame() const { return frame_; }
  int64_t nowUs() const { return nowUs_; }
  vt::platform::FakeClock& clock() { return clock_; }
  uint64_t seed() const { return options_.seed; }

  lobby::LinkModel& link(const SimPlatform& from, const SimPlatform& to);
  // The only way to forge a sender.
  void injectForged(UserId from, UserId to, std::span<const uint8_t> bytes, int channel = 0);

  // Admin operations.
  void setServerTime(uint32_t utcSeconds);
  void makeFriends(SimPlatform& a, SimPlatform& b);
  void setCloud(SimPlatform& user, bool on) { user.cloudOn_ = on; }
  void setQuota(SimPlatform& user, uint64_t bytes) { user.quota_ = bytes; }
  void setNetworkAlive(SimPlatform& user, bool alive) { user.networkAlive_ = alive; }
  // Process faults: a crash (lobbies left, tickets revoked, senders told), a freeze (packets
  // dropped, connection kept), a service restart (everyone logged off and back after the given
  // frames, the store kept), a dropped connection (logged off, back a second later).
  void disconnect(SimPlatform& user);
  void silence(SimPlatform& user, bool silent) { user.silenced_ = silent; }
  void restartService(int downFrames);
  void dropConnection(SimPlatform& user);
  // Choosing a friend in the invite panel the user opened last: only from a member of that
  // lobby, to a logged-on friend, at most 10 a minute. The invitee accepts at once and gets
  // JoinRequested.
  bool chooseInvitee(SimPlatform& from, UserId to);
  // "Never complete": the next n calls of a user get no answer at all.
  void neverComplete(SimPlatform& user, int calls) {
    std::lock_guard<std::mutex> guard(mutex_);
    neverComplete_[user.id()] += calls;
  }
  // "Drop the answer": the service acts on the next n calls of a user but their answers are
  // lost, so each ends Timeout at the platform's bound (15 s for lobby calls and search, 30 s
  // for leaderboards and statistics, 60 s for sharing and downloading).
  void dropAnswers(SimPlatform& user, int calls) {
    std::lock_guard<std::mutex> guard(mutex_);
    dropAnswers_[user.id()] += calls;
  }
  // The answers of the next n calls of a user come the given frames late.
  void delayNext(SimPlatform& user, int calls, int frames) {
    std::lock_guard<std::mutex> guard(mutex_);
    delayNext_[user.id()] = {calls, frames};
  }
  // Fails the next n calls of a user with the given result.
  void failNext(SimPlatform& user, int calls, Result result) {
    std::lock_guard<std::mutex> guard(mutex_);
    failNext_[user.id()] = {calls, result};
  }

  // Queues 16 kHz samples on the user's scripted microphone; each frame hears 1/60 s of them.
  void speak(SimPlatform& user, std::span<const int16_t> samples) {
    user.microphone_.insert(user.microphone_.end(), samples.begin(), samples.end());
  }

  // Every call, answer, event and packet with its frame: the determinism check.
  const std::vector<std::string>& eventLog() const { return log_; }
  lobby::MemoryStore& store() { return store_; }
  SimPlatform* user(UserId id);
  std::vector<UserId> friendsOf(UserId id) const;
  std::mutex& mutex() { return mutex_; }

 private:
  friend class SimPlatform;
  struct Op {
    UserId user = 0;
    std::string name;
    std::function<void()> answer;
    std::function<void(Result)> fail;  // empty for events
  };
  struct InFlight {
    UserId from = 0, to = 0;
    int channel = 0;
    std::vector<uint8_t> bytes;
  };

  void schedule(uint64_t dueFrame, Op op);
  void later(UserId user, std::string name, std::function<void()> run);
  void log(const std::string& line);
  uint64_t nextIdLow() { return ++lastIdLow_; }
  void transmit(UserId from, UserId to, int channel, std::vector<uint8_t> bytes);
  void deliver(InFlight& packet);
  void failOutstanding(UserId user, Result result);
  void logOff(SimPlatform& user);
  lobby::TicketId newTicketId();

  WorldOptions options_;
  std::mutex mutex_;
  vt::platform::FakeClock clock_;
  std::atomic<uint64_t> frame_{0};  // read by worker-thread calls
  std::atomic<int64_t> nowUs_{0};
  std::atomic<int64_t> serverTimeOffset_{1700000000};
  uint64_t lastIdLow_ = 0;
  uint64_t lastSeq_ = 0;
  std::mt19937_64 random_;
  lobby::MemoryStore store_;
  lobby::LobbyBook lobbies_;
  lobby::TicketBook tickets_;
  std::vector<std::unique_ptr<SimPlatform>> users_;
  std::set<std::pair<UserId, UserId>> friendClaims_;
  std::map<std::pair<UserId, UserId>, std::unique_ptr<lobby::LinkModel>> links_;
  std::map<std::pair<uint64_t, uint64_t>, Op> ops_;            // (due frame, seq)
  std::map<std::pair<int64_t, uint64_t>, InFlight> inFlight_;  // (arrival us, seq)
  std::map<uint64_t, std::vector<UserId>> logOns_;             // frame -> users logging on again
  std::map<UserId, int> neverComplete_;
  std::map<UserId, int> dropAnswers_;
  std::map<UserId, std::pair<int, int>> delayNext_;
  std::map<UserId, std::pair<int, Result>> failNext_;
  std::vector<std::string> log_;
};

}  // namespace vt::online::sim
