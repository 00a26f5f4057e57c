// The simulated world and its users.
#include "platform/online/sim/sim_world.h"

#include <algorithm>
#include <cstring>

#include "lobby/boards.h"
#include "lobby/cloud.h"

namespace vt::online::sim {

namespace {
constexpr int64_t kFrameUs = 16667;
constexpr int64_t kHoldUs = 10 * 1000000;
constexpr int64_t kSessionIdleUs = 120 * 1000000;
constexpr uint64_t kFramesPerSecond = 60;

std::string Hex(uint64_t v) {
  char text[24];
  std::snprintf(text, sizeof(text), "%llx", static_cast<unsigned long long>(v));
  return text;
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// SimWorld

SimWorld::SimWorld(WorldOptions options) : options_(options), random_(options.seed) {}
SimWorld::~SimWorld() = default;

SimPlatform& SimWorld::addUser(const UserOptions& options) {
  const UserId id = lobby::MakeId(lobby::IdKind::User, nextIdLow());
  users_.push_back(std::make_unique<SimPlatform>(*this, id, options));
  log("addUser " + Hex(id) + " " + options.name);
  return *users_.back();
}

SimPlatform* SimWorld::user(UserId id) {
  for (auto& u : users_)
    if (u->id() == id) return u.get();
  return nullptr;
}

std::vector<UserId> SimWorld::friendsOf(UserId id) const {
  std::vector<UserId> friends;
  for (const auto& [a, b] : friendClaims_)
    if (a == id && friendClaims_.count({b, a}) != 0) friends.push_back(b);
  return friends;
}

void SimWorld::makeFriends(SimPlatform& a, SimPlatform& b) {
  friendClaims_.insert({a.id(), b.id()});
  friendClaims_.insert({b.id(), a.id()});
}

void SimWorld::setServerTime(uint32_t utcSeconds) {
  serverTimeOffset_ = int64_t{utcSeconds} - nowUs_ / 1000000;
}

void SimWorld::log(const std::string& line) {
  std::lock_guard<std::mutex> guard(mutex_);
  log_.push_back(std::to_string(frame_.load()) + " " + line);
}

void SimWorld::schedule(uint64_t dueFrame, Op op) {
  std::lock_guard<std::mutex> guard(mutex_);
  ops_.emplace(std::make_pair(dueFrame, ++lastSeq_), std::move(op));
}

void SimWorld::later(UserId user, std::string name, std::function<void()> run) {
  schedule(frame_, Op{user, std::move(name), std::move(run), {}});
}

lobby::LinkModel& SimWorld::link(const SimPlatform& from, const SimPlatform& to) {
  auto& slot = links_[{from.id(), to.id()}];
  if (!slot) slot = std::make_unique<lobby::LinkModel>(options_.seed, from.id(), to.id());
  return *slot;
}

lobby::TicketId SimWorld::newTicketId() {
  lobby::TicketId id{};
  std::lock_guard<std::mutex> guard(mutex_);
  for (size_t i = 0; i < id.size(); i += 8) {
    const uint64_t r = random_();
    for (size_t j = 0; j < 8; ++j) id[i + j] = static_cast<uint8_t>(r >> (8 * j));
  }
  return id;
}

void SimWorld::transmit(UserId from, UserId to, int channel, std::vector<uint8_t> bytes) {
  SimPlatform* sender = user(from);
  SimPlatform* target = user(to);
  std::vector<int64_t> delays = {0};
  if (sender != nullptr && target != nullptr) delays = link(*sender, *target).decide();
  if (delays.empty()) log("lost " + Hex(from) + ">" + Hex(to) + " " + std::to_string(bytes.size()));
  std::lock_guard<std::mutex> guard(mutex_);
  for (int64_t d : delays)
    inFlight_.emplace(std::make_pair(nowUs_ + d, ++lastSeq_), InFlight{from, to, channel, bytes});
}

void SimWorld::injectForged(UserId from, UserId to, std::span<const uint8_t> bytes, int channel) {
  log("forged " + Hex(from) + ">" + Hex(to) + " " + std::to_string(bytes.size()));
  std::lock_guard<std::mutex> guard(mutex_);
  inFlight_.emplace(std::make_pair(nowUs_.load(), ++lastSeq_),
                    InFlight{from, to, channel, std::vector<uint8_t>(bytes.begin(), bytes.end())});
}

void SimWorld::deliver(InFlight& p) {
  SimPlatform* sender = user(p.from);
  SimPlatform* target = user(p.to);
  if (target == nullptr || !target->loggedOn_) {
    // The relay answers for an offline or unknown target.
    if (sender != nullptr && sender->loggedOn_) {
      sender->dispatcher().post(Queue::Client, P2PSessionFail{p.to, SessionError::TargetOffline});
      log("sessionFail " + Hex(p.from) + " " + Hex(p.to));
    }
    return;
  }
  if (target->silenced_ || (sender != nullptr && sender->silenced_)) return;
  const size_t ch = static_cast<size_t>(p.channel);
  if (target->sessionAccepted(p.from)) {
    target->accepted_[p.from] = nowUs_;
    if (target->inbox_[ch].size() >= static_cast<size_t>(lobby::limits::kInboundPackets) ||
        target->inboxBytes_[ch] + p.bytes.size() > lobby::limits::kInboundBytes) {
      ++target->peerStats_.droppedQueueFull;  // the newest are dropped
      return;
    }
    target->inboxBytes_[ch] += p.bytes.size();
    target->inbox_[ch].push_back({p.from, std::move(p.bytes)});
    log("packet " + Hex(p.from) + ">" + Hex(p.to) + " " +
        std::to_string(target->inbox_[ch].back().bytes.size()));
    return;
  }
  SimPlatform::Held& held = target->held_[p.from];
  if (held.packets.empty()) {
    held.sinceUs = nowUs_;
    target->dispatcher().post(Queue::Client, P2PSessionRequest{p.from});
    log("sessionRequest " + Hex(p.to) + " " + Hex(p.from));
  }
  if (held.packets.size() >= static_cast<size_t>(lobby::limits::kHeldPackets)) {
    ++target->peerStats_.droppedUnaccepted;
    return;
  }
  held.packets.emplace_back(p.channel, SimPlatform::Packet{p.from, std::move(p.bytes)});
}

void SimWorld::step() {
  // Answers and events due by the end of this frame, in the order they were scheduled.
  std::vector<Op> due;
  std::vector<InFlight> arrived;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    while (!ops_.empty() && ops_.begin()->first.first <= frame_) {
      due.push_back(std::move(ops_.begin()->second));
      ops_.erase(ops_.begin());
    }
  }
  for (Op& op : due) op.answer();

  auto logOn = logOns_.find(frame_.load());
  if (logOn != logOns_.end()) {
    for (UserId id : logOn->second)
      if (SimPlatform* u = user(id)) {
        u->loggedOn_ = true;
        u->networkAlive_ = true;
        log("logOn " + Hex(id));
      }
    logOns_.erase(logOn);
  }

  // Each microphone hears this frame's share of its script (16000 samples a second).
  const uint64_t heard =
      (frame_ + 1) * kVoiceRate / kFramesPerSecond - frame_ * kVoiceRate / kFramesPerSecond;
  for (auto& u : users_) {
    std::vector<int16_t> samples;
    for (uint64_t i = 0; i < heard && !u->microphone_.empty(); ++i) {
      samples.push_back(u->microphone_.front());
      u->microphone_.pop_front();
    }
    if (!samples.empty()) u->recorder_.feed(samples);
  }

  ++frame_;
  nowUs_ += kFrameUs;
  clock_.AdvanceNs(static_cast<uint64_t>(kFrameUs) * 1000);
  {
    std::lock_guard<std::mutex> guard(mutex_);
    while (!inFlight_.empty() && inFlight_.begin()->first.first <= nowUs_) {
      arrived.push_back(std::move(inFlight_.begin()->second));
      inFlight_.erase(inFlight_.begin());
    }
  }
  // Readable from the next frame on.
  for (InFlight& p : arrived) deliver(p);

  // A session silent both ways for 120 s is forgotten: the remote's next packet asks again.
  for (auto& u : users_)
    std::erase_if(u->accepted_,
                  [&](const auto& session) { return nowUs_ - session.second >= kSessionIdleUs; });
  // Packets held for 10 s without an accepted session are dropped; the next one asks again.
  for (auto& u : users_)
    for (auto it = u->held_.begin(); it != u->held_.end();) {
      if (nowUs_ - it->second.sinceUs >= kHoldUs) {
        u->peerStats_.droppedUnaccepted += it->second.packets.size();
        it = u->held_.erase(it);
      } else {
        ++it;
      }
    }
}

void SimWorld::failOutstanding(UserId id, Result result) {
  std::vector<Op> failed;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    for (auto it = ops_.begin(); it != ops_.end();) {
      if (it->second.user == id && it->second.fail) {
        failed.push_back(std::move(it->second));
        it = ops_.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (Op& op : failed) op.fail(result);
}

void SimWorld::logOff(SimPlatform& u) {
  u.loggedOn_ = false;
  u.networkAlive_ = false;
  failOutstanding(u.id(), Result::NoConnection);
  lobbies_.leaveAll(u.id());
  for (const lobby::VerdictNotice& n : tickets_.logOff(u.id()))
    if (SimPlatform* verifier = user(n.verifier))
      verifier->dispatcher().post(Queue::Verifier, TicketVerdict{n.user, n.response});
  // Peers with a session in use learn it ended.
  for (auto& other : users_) {
    if (other.get() == &u || other->accepted_.erase(u.id()) == 0) continue;
    other->dispatcher().post(Queue::Client, P2PSessionFail{u.id(), SessionError::TargetOffline});
  }
  u.accepted_.clear();
  u.held_.clear();
  log("logOff " + Hex(u.id()));
}

void SimWorld::disconnect(SimPlatform& u) { logOff(u); }

void SimWorld::dropConnection(SimPlatform& u) {
  logOff(u);
  logOns_[frame_ + kFramesPerSecond].push_back(u.id());
}

void SimWorld::restartService(int downFrames) {
  log("restartService " + std::to_string(downFrames));
  for (auto& u : users_)
    if (u->loggedOn_) {
      logOff(*u);
      logOns_[frame_ + static_cast<uint64_t>(std::max(downFrames, 1))].push_back(u->id());
    }
  // Ephemeral state is gone as after any outage; the store is kept.
  lobbies_.clear();
  tickets_ = lobby::TicketBook();
  std::lock_guard<std::mutex> guard(mutex_);
  inFlight_.clear();
}

bool SimWorld::chooseInvitee(SimPlatform& from, UserId to) {
  const LobbyId lobby = from.inviteLobby_;
  SimPlatform* target = user(to);
  const std::vector<UserId> friends = friendsOf(from.id());
  if (!from.loggedOn_ || !lobbies_.isMember(from.id(), lobby) || target == nullptr || !target->loggedOn_ ||
      std::find(friends.begin(), friends.end(), to) == friends.end())
    return false;
  while (!from.invitesSent_.empty() && nowUs_ - from.invitesSent_.front() >= 60 * 1000000)
    from.invitesSent_.pop_front();
  if (from.invitesSent_.size() >= static_cast<size_t>(lobby::limits::kInvitesPerMinute)) return false;
  from.invitesSent_.push_back(nowUs_);
  log("invite " + Hex(from.id()) + " " + Hex(to) + " " + Hex(lobby));
  const UserId sender = from.id();
  target->names_[sender] = from.name_;
  later(to, "joinRequested", [target, lobby, sender] {
    target->dispatcher().post(Queue::Client, JoinRequested{lobby, sender});
  });
  return true;
}

// ---------------------------------------------------------------------------------------------
// SimPlatform

SimPlatform::SimPlatform(SimWorld& world, UserId id, const UserOptions& options)
    : world_(world),
      id_(id),
      name_(options.name),
      region_(options.region.empty() ? options.country : options.region),
      country_(options.country) {}

bool SimPlatform::allow(lobby::UserRateLimits::Kind kind) { return limits_.allow(kind, world_.nowUs_); }

std::string SimPlatform::personaNameOf(UserId user) const {
  if (user == id_) return name_;
  auto it = names_.find(user);
  return it == names_.end() ? std::string() : it->second;
}

uint32_t SimPlatform::serverTime() const {
  return static_cast<uint32_t>(world_.serverTimeOffset_ + world_.nowUs_ / 1000000);
}

// The platform's own bounds: a call whose answer does not come in time ends Timeout.
namespace {
constexpr int kLobbyBoundSeconds = 15;
constexpr int kBoardBoundSeconds = 30;
constexpr int kShareBoundSeconds = 60;
}  // namespace

void SimPlatform::request(const std::string& label, int boundSeconds,
                          std::function<void(bool deliver)> answer, std::function<void(Result)> fail) {
  bool never = false, drop = false, forced = false;
  Result forcedResult = Result::Fail;
  uint64_t delay = 0;
  {
    std::lock_guard<std::mutex> guard(world_.mutex_);
    auto take = [this](std::map<UserId, int>& counts) {
      auto it = counts.find(id_);
      if (it == counts.end() || it->second <= 0) return false;
      --it->second;
      return true;
    };
    never = take(world_.neverComplete_);
    auto f = world_.failNext_.find(id_);
    if (!never && f != world_.failNext_.end() && f->second.first > 0) {
      --f->second.first;
      forced = true;
      forcedResult = f->second.second;
    }
    drop = !never && !forced && take(world_.dropAnswers_);
    auto d = world_.delayNext_.find(id_);
    if (!never && !forced && d != world_.delayNext_.end() && d->second.first > 0) {
      --d->second.first;
      delay = static_cast<uint64_t>(d->second.second);
    }
  }
  if (never) return;  // no answer at all, not even at a bound
  // Whichever comes first ends the call: its answer, its failure or its bound. Touched only by
  // the world's operations, which run on the stepping thread.
  auto ended = std::make_shared<bool>(false);
  auto finish = [this, ended, fail, label](Result r) {
    if (*ended) return;
    *ended = true;
    world_.log("failed " + label + " " + std::to_string(static_cast<int>(r)));
    fail(r);
  };
  const uint64_t now = world_.frame_;
  const uint64_t due = now + static_cast<uint64_t>(world_.options_.controlLatencyFrames) + delay;
  if (forced) {
    world_.schedule(due, SimWorld::Op{id_, label, [finish, forcedResult] { finish(forcedResult); }, finish});
  } else {
    world_.schedule(due, SimWorld::Op{id_, label,
                                      [this, ended, answer, drop, label] {
                                        // The service acts in any case; a dropped or late answer
                                        // reaches nobody.
                                        const bool deliver = !*ended && !drop;
                                        if (deliver) *ended = true;
                                        world_.log((deliver ? "answer " : "lost answer ") + label);
                                        answer(deliver);
                                      },
                                      finish});
  }
  world_.schedule(now + static_cast<uint64_t>(boundSeconds) * kFramesPerSecond,
                  SimWorld::Op{id_, label, [finish] { finish(Result::Timeout); }, {}});
}

template <class Event>
CallHandle SimPlatform::call(const char* name, int boundSeconds, CallResult<Event>& result,
                             std::function<Event()> answer, std::function<Event(Result)> failed,
                             std::function<void(const Event&)> undo) {
  if (!usable()) return 0;
  const CallHandle handle = dispatcher().bind(result);
  world_.log(std::string("call ") + name + " " + Hex(id_) + " #" + std::to_string(handle));
  request(
      std::string(name) + " " + Hex(id_) + " #" + std::to_string(handle), boundSeconds,
      [this, handle, answer, undo](bool deliver) {
        Event e = answer();
        if (!deliver) {
          // Nobody will read this answer: undo what it did, as for a cancelled call.
          if (undo) undo(e);
          return;
        }
        std::function<void()> ifUndelivered;
        if (undo) ifUndelivered = [undo, e] { undo(e); };
        dispatcher().complete(handle, std::move(e), std::move(ifUndelivered));
      },
      [this, handle, failed](Result r) { dispatcher().complete(handle, failed(r)); });
  return handle;
}

// Lobbies ---------------------------------------------------------------------------------------

CallHandle SimPlatform::create(int32_t maxMembers, CallResult<LobbyCreated>& result) {
  if (maxMembers < lobby::limits::kMinMembers || maxMembers > lobby::limits::kMaxMembers) return 0;
  return call<LobbyCreated>(
      "create", kLobbyBoundSeconds, result,
      [this, maxMembers] {
        const LobbyId id = lobby::MakeId(lobby::IdKind::Lobby, world_.nextIdLow());
        const Result r = world_.lobbies_.create(id_, region_, maxMembers, id);
        return LobbyCreated{r, r == Result::Ok ? id : 0};
      },
      [](Result r) {
        return LobbyCreated{r, 0};
      },
      // Abandoned before its answer came: the game never learns the id, so leave it here.
      [this](const LobbyCreated& e) {
        if (e.result == Result::Ok) leave(e.lobby);
      });
}

CallHandle SimPlatform::join(LobbyId lobby, CallResult<LobbyEntered>& result) {
  return call<LobbyEntered>(
      "join", kLobbyBoundSeconds, result,
      [this, lobby] {
        std::vector<lobby::LobbyUpdate> updates;
        const JoinResponse r = world_.lobbies_.join(id_, lobby, updates);
        // The updates follow the answer in the same drain.
        world_.later(id_, "joinUpdates", [this, updates] {
          for (const lobby::LobbyUpdate& u : updates)
            dispatcher().post(Queue::Client, LobbyDataUpdate{u.lobby, u.member, true});
        });
        return LobbyEntered{lobby, r};
      },
      [lobby](Result) {
        return LobbyEntered{lobby, JoinResponse::Error};
      },
      [this](const LobbyEntered& e) {
        if (e.response == JoinResponse::Success) leave(e.lobby);
      });
}

void SimPlatform::leave(LobbyId lobby) {
  if (!world_.lobbies_.isMember(id_, lobby)) return;
  world_.lobbies_.leave(id_, lobby);
  world_.log("leave " + Hex(id_) + " " + Hex(lobby));
}

const LobbySnapshot* SimPlatform::snapshot(LobbyId lobby) const {
  auto it = snapshots_.find(lobby);
  return it == snapshots_.end() ? nullptr : &it->second;
}

const KeyValues* SimPlatform::lobbyData(LobbyId lobby) const {
  if (world_.lobbies_.isMember(id_, lobby)) return &world_.lobbies_.find(lobby)->view.data;
  const LobbySnapshot* s = snapshot(lobby);
  return s == nullptr ? nullptr : &s->data;
}

UserId SimPlatform::owner(LobbyId lobby) const {
  if (world_.lobbies_.isMember(id_, lobby)) return world_.lobbies_.find(lobby)->view.owner;
  const LobbySnapshot* s = snapshot(lobby);
  return s == nullptr ? 0 : s->owner;
}

bool SimPlatform::setData(LobbyId lobby, std::string_view key, std::string_view value) {
  if (!usable() || !allow(lobby::UserRateLimits::LobbyWrite)) return false;
  std::vector<lobby::LobbyUpdate> updates;
  if (!world_.lobbies_.setData(id_, lobby, key, value, updates)) return false;
  for (const lobby::LobbyUpdate& u : updates)
    if (SimPlatform* m = world_.user(u.to))
      world_.later(u.to, "lobbyData", [m, u] {
        m->dispatcher().post(Queue::Client, LobbyDataUpdate{u.lobby, u.member, true});
      });
  return true;
}

std::string SimPlatform::data(LobbyId lobby, std::string_view key) const {
  const KeyValues* d = lobbyData(lobby);
  return d == nullptr ? std::string() : std::string(lobby::FindValue(*d, key));
}

int32_t SimPlatform::dataCount(LobbyId lobby) const {
  const KeyValues* d = lobbyData(lobby);
  return d == nullptr ? 0 : static_cast<int32_t>(d->size());
}

bool SimPlatform::dataByIndex(LobbyId lobby, int32_t index, std::string& key, std::string& value) const {
  const KeyValues* d = lobbyData(lobby);
  if (d == nullptr || index < 0 || static_cast<size_t>(index) >= d->size()) return false;
  key = (*d)[static_cast<size_t>(index)].first;
  value = (*d)[static_cast<size_t>(index)].second;
  return true;
}

bool SimPlatform::setMemberData(LobbyId lobby, std::string_view key, std::string_view value) {
  if (!usable() || !allow(lobby::UserRateLimits::LobbyWrite)) return false;
  std::vector<lobby::LobbyUpdate> updates;
  if (!world_.lobbies_.setMemberData(id_, lobby, key, value, updates)) return false;
  for (const lobby::LobbyUpdate& u : updates)
    if (SimPlatform* m = world_.user(u.to))
      world_.later(u.to, "memberData", [m, u] {
        m->dispatcher().post(Queue::Client, LobbyDataUpdate{u.lobby, u.member, true});
      });
  return true;
}

std::string SimPlatform::memberData(LobbyId lobby, UserId member, std::string_view key) const {
  if (!world_.lobbies_.isMember(id_, lobby)) return {};
  const lobby::LobbyRecord* r = world_.lobbies_.find(lobby);
  auto it = r->memberData.find(member);
  return it == r->memberData.end() ? std::string() : std::string(lobby::FindValue(it->second, key));
}

int32_t SimPlatform::memberCount(LobbyId lobby) const {
  if (world_.lobbies_.isMember(id_, lobby)) return world_.lobbies_.find(lobby)->view.memberCount;
  const LobbySnapshot* s = snapshot(lobby);
  return s == nullptr ? 0 : s->memberCount;
}

CallHandle SimPlatform::search(const LobbyQuery& query, CallResult<LobbyMatchList>& result) {
  if (!lobby::IsValidQuery(query)) return 0;
  const bool allowed = usable() && allow(lobby::UserRateLimits::Search);
  return call<LobbyMatchList>(
      "search", kLobbyBoundSeconds, result,
      [this, query, allowed] {
        if (!allowed) return LobbyMatchList{Result::RateLimited, {}};
        LobbyMatchList list{Result::Ok, world_.lobbies_.search(query, region_)};
        snapshots_.clear();
        for (const LobbySnapshot& s : list.lobbies) {
          snapshots_[s.lobby] = s;
          if (SimPlatform* owner = world_.user(s.owner)) names_[s.owner] = owner->name_;
        }
        return list;
      },
      [](Result r) {
        return LobbyMatchList{r, {}};
      });
}

// Peers -----------------------------------------------------------------------------------------

bool SimPlatform::send(UserId to, std::span<const uint8_t> bytes, int channel) {
  if (!usable() || bytes.empty() || bytes.size() > lobby::limits::kMaxPacketBytes || to == id_ ||
      channel < 0 || channel >= lobby::limits::kChannels)
    return false;
  // One flooding sender must not starve the others: a bucket per sender and per pair.
  auto pair = pairBuckets_.try_emplace(to, 300, 600).first;
  if (!sendBucket_.take(world_.nowUs_) || !pair->second.take(world_.nowUs_)) {
    ++peerStats_.droppedRateLimited;
    return false;
  }
  accepted_[to] = world_.nowUs_;  // sending accepts the session implicitly
  ++peerStats_.sent;
  if (silenced_) return true;  // a frozen process: nothing leaves
  world_.transmit(id_, to, channel, std::vector<uint8_t>(bytes.begin(), bytes.end()));
  return true;
}

uint32_t SimPlatform::nextPacketSize(int channel) {
  if (channel < 0 || channel >= lobby::limits::kChannels || inbox_[channel].empty()) return 0;
  return static_cast<uint32_t>(inbox_[channel].front().bytes.size());
}

PacketRead SimPlatform::read(int channel, std::span<uint8_t> buffer) {
  PacketRead r;
  if (channel < 0 || channel >= lobby::limits::kChannels) return r;
  return TakeOldestPacket(inbox_[channel], inboxBytes_[channel], buffer, peerStats_);
}

bool SimPlatform::acceptSession(UserId remote) {
  if (!usable()) return false;
  accepted_[remote] = world_.nowUs_;
  auto it = held_.find(remote);
  if (it == held_.end()) return true;
  for (auto& [channel, packet] : it->second.packets) {
    inboxBytes_[channel] += packet.bytes.size();
    inbox_[channel].push_back(std::move(packet));
  }
  held_.erase(it);
  return true;
}

// Auth ------------------------------------------------------------------------------------------

TicketIssued SimPlatform::getTicket(std::span<uint8_t> buffer) {
  if (!usable() || buffer.size() < lobby::limits::kTicketBytes) return {};
  std::optional<lobby::TicketBook::Issued> t = world_.tickets_.issue(id_, serverTime(), world_.newTicketId());
  if (!t) return {};
  std::memcpy(buffer.data(), t->bytes.data(), t->bytes.size());
  world_.log("ticket " + Hex(id_) + " " + std::to_string(t->handle));
  return {t->handle, static_cast<uint32_t>(t->bytes.size())};
}

void SimPlatform::cancelTicket(TicketHandle handle) {
  for (const lobby::VerdictNotice& n : world_.tickets_.cancel(id_, handle))
    if (SimPlatform* v = world_.user(n.verifier))
      world_.later(n.verifier, "verdict", [v, n] {
        v->dispatcher().post(Queue::Verifier, TicketVerdict{n.user, n.response});
      });
}

BeginSessionResult SimPlatform::beginSession(std::span<const uint8_t> ticket, UserId claimed) {
  const BeginSessionResult r = world_.tickets_.begin(id_, ticket, claimed, serverTime());
  world_.log("beginSession " + Hex(id_) + " " + Hex(claimed) + " " + std::to_string(static_cast<int>(r)));
  if (r != BeginSessionResult::Ok) return r;
  // The service's answer; without a connection to ask, "no answer" after the 10 s bound.
  const bool asked = usable();
  const uint64_t due =
      world_.frame_ + (asked ? static_cast<uint64_t>(world_.options_.controlLatencyFrames) : 600);
  world_.schedule(due, SimWorld::Op{id_,
                                    "verdict",
                                    [this, claimed, asked] {
                                      TicketResponse response = TicketResponse::NoAnswer;
                                      if (asked) {
                                        SimPlatform* owner = world_.user(claimed);
                                        response = world_.tickets_.verdict(
                                            id_, claimed, owner != nullptr && owner->loggedOn_);
                                      }
                                      world_.log("verdict " + Hex(id_) + " " + Hex(claimed) + " " +
                                                 std::to_string(static_cast<int>(response)));
                                      dispatcher().post(Queue::Verifier, TicketVerdict{claimed, response});
                                    },
                                    {}});
  return r;
}

void SimPlatform::endSession(UserId user) { world_.tickets_.end(id_, user); }

// Boards ----------------------------------------------------------------------------------------

CallHandle SimPlatform::find(std::string_view name, CallResult<BoardFound>& result) {
  return call<BoardFound>(
      "find", kBoardBoundSeconds, result,
      [board = lobby::FindBoard(name)] {
        return BoardFound{board, board != 0};
      },
      [](Result) {
        return BoardFound{0, false};
      });
}

CallHandle SimPlatform::upload(BoardHandle board, UploadMethod method, int32_t score,
                               std::span<const int32_t> details, CallResult<ScoreUploaded>& result) {
  if (board == 0 || details.size() > static_cast<size_t>(lobby::limits::kBoardDetails)) return 0;
  std::vector<int32_t> copy(details.begin(), details.end());
  const bool allowed = usable() && allow(lobby::UserRateLimits::Upload);
  return call<ScoreUploaded>(
      "upload", kBoardBoundSeconds, result,
      [this, board, method, score, copy, allowed] {
        if (!allowed) return ScoreUploaded{false, board, score, false, 0, 0};
        lobby::UploadOutcome o = lobby::UploadScore(world_.store_, board, id_, method, score, copy);
        return ScoreUploaded{o.success, board, o.score, o.changed, o.newRank, o.previousRank};
      },
      [board, score](Result) { return ScoreUploaded{false, board, score, false, 0, 0}; });
}

CallHandle SimPlatform::download(BoardHandle board, DownloadKind kind, int32_t start, int32_t end,
                                 CallResult<ScoresDownloaded>& result) {
  if (board == 0) return 0;
  return call<ScoresDownloaded>(
      "download", kBoardBoundSeconds, result,
      [this, board, kind, start, end] {
        lobby::DownloadOutcome o =
            lobby::DownloadScores(world_.store_, board, id_, kind, start, end, world_.friendsOf(id_));
        for (BoardEntry& e : o.entries)
          if (SimPlatform* u = world_.user(e.user)) {
            e.personaName = u->name_;
            names_[e.user] = u->name_;
          }
        if (o.success) entryCounts_[board] = o.total;
        return ScoresDownloaded{o.success, board, o.total, std::move(o.entries)};
      },
      [board](Result) {
        return ScoresDownloaded{false, board, 0, {}};
      });
}

int32_t SimPlatform::entryCount(BoardHandle board) const {
  auto it = entryCounts_.find(board);
  return it == entryCounts_.end() ? 0 : it->second;
}

CallHandle SimPlatform::attachUgc(BoardHandle board, UgcHandle ugc, CallResult<UgcAttached>& result) {
  if (board == 0) return 0;
  return call<UgcAttached>(
      "attachUgc", kBoardBoundSeconds, result,
      [this, board, ugc] {
        return UgcAttached{lobby::AttachUgc(world_.store_, board, id_, ugc), board, ugc};
      },
      [board, ugc](Result r) {
        return UgcAttached{r, board, ugc};
      });
}

// Stats -----------------------------------------------------------------------------------------

bool SimPlatform::requestCurrent() {
  if (!usable()) return false;
  request(
      "stats " + Hex(id_), kBoardBoundSeconds,
      [this](bool deliver) {
        if (!deliver) return;
        stats_ = lobby::LoadStats(world_.store_, id_);
        statsReceived_ = true;
        world_.log("statsReceived " + Hex(id_));
        dispatcher().post(Queue::Client, StatsReceived{lobby::kAppId, Result::Ok});
      },
      [this](Result r) {
        dispatcher().post(Queue::Client, StatsReceived{lobby::kAppId, r});
      });
  return true;
}

bool SimPlatform::getStat(std::string_view name, int32_t& value) const {
  const lobby::StatKind kind = lobby::KindOfStat(name);
  if (!statsReceived_ || (kind != lobby::StatKind::BitSet && kind != lobby::StatKind::Counter)) return false;
  value = stats_.find(name)->second;
  return true;
}

bool SimPlatform::setStat(std::string_view name, int32_t value) {
  const lobby::StatKind kind = lobby::KindOfStat(name);
  if (!statsReceived_ || (kind != lobby::StatKind::BitSet && kind != lobby::StatKind::Counter)) return false;
  stats_.find(name)->second = value;
  return true;
}

bool SimPlatform::getAchievement(std::string_view name, bool& achieved) const {
  if (!statsReceived_ || lobby::KindOfStat(name) != lobby::StatKind::Achievement) return false;
  achieved = stats_.find(name)->second != 0;
  return true;
}

bool SimPlatform::setAchievement(std::string_view name) {
  if (!statsReceived_ || lobby::KindOfStat(name) != lobby::StatKind::Achievement) return false;
  stats_.find(name)->second = 1;
  return true;
}

bool SimPlatform::store() {
  if (!usable() || !statsReceived_) return false;
  const bool allowed = allow(lobby::UserRateLimits::StatsStore);
  request(
      "storeStats " + Hex(id_), kBoardBoundSeconds,
      [this, values = stats_, allowed](bool deliver) {
        const Result r = allowed ? lobby::StoreStats(world_.store_, id_, values) : Result::RateLimited;
        world_.log("statsStored " + Hex(id_) + " " + std::to_string(static_cast<int>(r)));
        if (deliver) dispatcher().post(Queue::Client, StatsStored{lobby::kAppId, r});
      },
      [this](Result r) {
        dispatcher().post(Queue::Client, StatsStored{lobby::kAppId, r});
      });
  return true;
}

// Cloud -----------------------------------------------------------------------------------------

bool SimPlatform::write(std::string_view name, std::span<const uint8_t> bytes) {
  if (!cloudEnabledForAccount() || !allow(lobby::UserRateLimits::FileCall)) return false;
  return lobby::WriteFile(world_.store_, id_, name, bytes, quota_);
}

int32_t SimPlatform::read(std::string_view name, std::span<uint8_t> buffer) {
  if (!cloudEnabledForAccount() || !allow(lobby::UserRateLimits::FileCall)) return 0;
  return lobby::ReadFile(world_.store_, id_, name, buffer);
}

bool SimPlatform::remove(std::string_view name) {
  if (!cloudEnabledForAccount() || !allow(lobby::UserRateLimits::FileCall)) return false;
  return lobby::RemoveFile(world_.store_, id_, name);
}

bool SimPlatform::exists(std::string_view name) {
  return cloudEnabledForAccount() && world_.store_.file(id_, name).has_value();
}

int32_t SimPlatform::size(std::string_view name) {
  if (!cloudEnabledForAccount()) return 0;
  std::optional<std::vector<uint8_t>> f = world_.store_.file(id_, name);
  return f ? static_cast<int32_t>(f->size()) : 0;
}

bool SimPlatform::quota(uint64_t& total, uint64_t& available) {
  total = available = 0;
  if (!cloudEnabledForAccount()) return false;
  total = quota_;
  const uint64_t used = world_.store_.bytesUsed(id_);
  available = used >= total ? 0 : total - used;
  return true;
}

CallHandle SimPlatform::share(std::string_view name, CallResult<FileShared>& result) {
  if (!cloudEnabledForAccount()) return 0;
  return call<FileShared>(
      "share", kShareBoundSeconds, result,
      [this, file = std::string(name)] {
        lobby::ShareOutcome o =
            lobby::ShareFile(world_.store_, id_, file, [this] { return world_.nextIdLow(); });
        return FileShared{o.result, o.handle};
      },
      [](Result r) {
        return FileShared{r, 0};
      });
}

CallHandle SimPlatform::download(UgcHandle ugc, int32_t /*priority*/, CallResult<UgcDownloaded>& result) {
  if (ugc == 0 || ugc == ~UgcHandle{0}) return 0;
  const bool allowed = usable() && allow(lobby::UserRateLimits::Download);
  return call<UgcDownloaded>(
      "ugcDownload", kShareBoundSeconds, result,
      [this, ugc, allowed] {
        if (!allowed) return UgcDownloaded{Result::RateLimited, ugc, 0, 0, {}};
        std::optional<lobby::StoredShare> s = world_.store_.shareByHandle(ugc);
        if (!s) return UgcDownloaded{Result::NotFound, ugc, 0, 0, {}};
        const int32_t size = static_cast<int32_t>(s->content.size());
        {
          std::lock_guard<std::mutex> guard(sharedMutex_);
          downloaded_[ugc] = std::move(s->content);
        }
        if (SimPlatform* owner = world_.user(s->owner)) names_[s->owner] = owner->name_;
        return UgcDownloaded{Result::Ok, ugc, size, s->owner, s->name};
      },
      [ugc](Result r) {
        return UgcDownloaded{r, ugc, 0, 0, {}};
      });
}

int32_t SimPlatform::readShared(UgcHandle ugc, std::span<uint8_t> buffer, uint32_t offset, bool closeAfter) {
  std::lock_guard<std::mutex> guard(sharedMutex_);
  auto it = downloaded_.find(ugc);
  if (it == downloaded_.end()) return 0;
  const int32_t n = lobby::ReadSharedBytes(it->second, buffer, offset);
  if (closeAfter) downloaded_.erase(it);
  return n;
}

// Overlay ---------------------------------------------------------------------------------------

void SimPlatform::showInviteOverlay(LobbyId lobby) {
  inviteLobby_ = lobby;
  world_.log("inviteOverlay " + Hex(id_) + " " + Hex(lobby));
}

void SimPlatform::showStatsOverlay(UserId user) { world_.log("statsOverlay " + Hex(id_) + " " + Hex(user)); }

}  // namespace vt::online::sim
