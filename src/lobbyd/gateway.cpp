// The gateway: the handshake, the signed login (registration, a second login replacing the
// first), and every request handed to the lobby core and the store, with the events it causes.
#include <sys/socket.h>

#include <algorithm>

#include "lobby/boards.h"
#include "lobby/cloud.h"
#include "lobby/search.h"
#include "lobby/stats.h"
#include "lobbyd/service_impl.h"

namespace vt::lobbyd {

namespace wire = lobby::wire;
using lobby::Result;

namespace {
// A persona name: 1-31 bytes (CP932), no control characters.
bool IsValidPersona(std::string_view name) {
  if (name.empty() || name.size() > lobby::limits::kMaxPersonaBytes) return false;
  return std::none_of(name.begin(), name.end(), [](char ch) {
    const auto u = static_cast<unsigned char>(ch);
    return u < 0x20 || u == 0x7F;
  });
}

bool IsValidCountry(std::string_view text) {
  return text.size() <= 2 &&
         std::all_of(text.begin(), text.end(), [](char ch) { return ch >= 'A' && ch <= 'Z'; });
}

constexpr int64_t kInviteWindowUs = 60 * 1000000LL;
constexpr int64_t kRegistrationWaitUs = 2 * 1000000LL;
constexpr size_t kPendingWrites = 4;
}  // namespace

uint64_t Service::Impl::newIdLow() {
  for (;;) {
    uint64_t v = 0;
    if (seededIds_) {
      v = ids_();
    } else {
      std::array<uint8_t, 8> b{};
      lobby::RandomBytes(b);
      for (size_t i = 0; i < 8; ++i) v |= uint64_t{b[i]} << (8 * i);
    }
    v &= lobby::kIdLowMask;
    // Never 0, and never the game's loopback form once tagged (its high word is 0 anyway).
    if (v != 0) return v;
  }
}

void Service::Impl::handleFrame(Connection& c, const wire::FrameHeader& h, std::span<const uint8_t> payload) {
  using Phase = Connection::Phase;
  const wire::DecodeStatus status = wire::CheckServiceBound(h, payload);
  if (status == wire::DecodeStatus::Ignored) return;  // an event this service does not know
  if (status == wire::DecodeStatus::Malformed) {
    count([](ServiceCounters& k) { ++k.malformedFrames; });
    fail(c, wire::ErrorCode::Malformed, h.requestId, true);
    return;
  }
  if (c.phase == Phase::AwaitHello) {
    if (h.type != static_cast<uint16_t>(wire::MsgType::Hello)) {
      count([](ServiceCounters& k) { ++k.malformedFrames; });
      fail(c, wire::ErrorCode::Malformed, h.requestId, true);
      return;
    }
    handleHello(c, payload);
    return;
  }
  if (c.phase == Phase::AwaitLogin) {
    if (h.type != static_cast<uint16_t>(wire::MsgType::Login)) {
      fail(c, wire::ErrorCode::NotLoggedOn, h.requestId, true);
      return;
    }
    handleLogin(c, payload);
    return;
  }
  if (status == wire::DecodeStatus::Unsupported) {
    count([](ServiceCounters& k) { ++k.unsupportedFrames; });
    fail(c, wire::ErrorCode::Unsupported, h.requestId, false);
    return;
  }
  handleRequest(c, h, payload);
}

void Service::Impl::handleHello(Connection& c, std::span<const uint8_t> payload) {
  const wire::Hello hello = *wire::DecodePayload<wire::Hello>(payload);
  if (hello.magic != wire::kHelloMagic) {
    count([](ServiceCounters& k) { ++k.malformedFrames; });
    fail(c, wire::ErrorCode::Malformed, 0, true);
    return;
  }
  if (hello.major != wire::kMajorVersion) {
    send(c, wire::Refused{wire::RefuseReason::VersionMismatch});
    ::shutdown(c.fd, SHUT_RD);
    c.closing = true;
    flush(c);
    return;
  }
  lobby::RandomBytes(c.nonce);
  wire::HelloAck ack;
  ack.nonce = c.nonce;
  ack.serverTime = serverTime();
  // The client keeps to these, so a lowered setting takes effect on its side too.
  const LobbydLimits& l = limits();
  ack.limits.outstanding = static_cast<uint32_t>(std::clamp<int64_t>(l.outstandingRequests, 1, wire::kMaxOutstanding));
  ack.limits.files = static_cast<uint32_t>(std::clamp<int64_t>(l.files, 0, ack.limits.files));
  ack.limits.fileBytes = static_cast<uint32_t>(std::clamp<int64_t>(l.fileBytes, 0, ack.limits.fileBytes));
  c.phase = Connection::Phase::AwaitLogin;
  send(c, ack);
}

void Service::Impl::handleLogin(Connection& c, std::span<const uint8_t> payload) {
  const wire::Login login = *wire::DecodePayload<wire::Login>(payload);
  auto refuse = [&] {
    count([](ServiceCounters& k) { ++k.loginsRefused; });
    fail(c, wire::ErrorCode::LoginRefused, 0, true);
  };
  // The nonce was made for this connection only, so a login signed for another (or replayed from
  // one) fails here.
  if (!wire::VerifyLogin(login, c.nonce) || !IsValidPersona(login.personaName) ||
      !IsValidCountry(login.country) || login.region.size() > 8 ||
      nowUs() - c.openedUs > options_.loginTimeoutMs * 1000)
    return refuse();
  std::optional<UserRecord> known = users_->byKey(login.publicKey);
  const uint32_t now = serverTime();
  UserRecord record;
  if (known) {
    record = *known;
  } else {
    if (!options_.registrationOpen) return refuse();
    record.id = lobby::MakeId(lobby::IdKind::User, newIdLow());
    while (users_->byId(record.id)) record.id = lobby::MakeId(lobby::IdKind::User, newIdLow());
  }
  record.persona = login.personaName;
  record.country = login.country;
  // The region defaults to the country.
  record.region = login.region.empty() ? login.country : login.region;
  if (known) {
    users_->updateLogin(record, now);
  } else if (!users_->add(login.publicKey, record, now)) {
    return refuse();
  }
  users_->setClaims(record.id, login.friends);

  // Whoever holds the key is the user: an earlier connection of it ends.
  if (Connection* old = connectionOf(record.id)) {
    send(*old, wire::Kicked{wire::KickReason::Replaced});
    userGone(*old);
    ::shutdown(old->fd, SHUT_RD);
    old->closing = true;
    flush(*old);
  }
  c.user = record.id;
  c.record = record;
  // lobbyd.ini may lower the quota and the call rates below the game's.
  c.record.quota = std::min<uint64_t>(c.record.quota, static_cast<uint64_t>(limits().quotaBytes));
  const LobbydLimits& l = limits();
  c.rates.setRates({static_cast<double>(l.lobbyWritesPerSecond), static_cast<double>(l.searchesPerSecond),
                    static_cast<double>(l.uploadsPerSecond), static_cast<double>(l.statStoresPerSecond),
                    static_cast<double>(l.fileCallsPerSecond), static_cast<double>(l.downloadsPerSecond)});
  c.phase = Connection::Phase::Ready;
  online_[record.id] = &c;
  wire::LoginOk ok;
  ok.user = record.id;
  ok.acceptedName = record.persona;
  ok.cloudForAccount = record.cloudEnabled;
  ok.quota = c.record.quota;
  ok.udpPort = port_;
  ok.sessionId = openSession(record.id, ok.udpKey);
  c.session = ok.sessionId;
  ok.serverTime = now;
  count([](ServiceCounters& k) { ++k.logins; });
  send(c, ok);
}

void Service::Impl::userGone(Connection& c) {
  const UserId user = c.user;
  if (user == 0) return;
  if (connectionOf(user) == &c) online_.erase(user);
  peersLoggedOff(user, c.session);
  closeSession(c.session);
  c.session = 0;
  // Its lobbies: an owner's close; the others see the member go.
  const std::set<LobbyId> lobbies = c.lobbies;
  for (LobbyId id : lobbies) leaveLobby(c, id);
  c.writes.clear();
  c.user = 0;
  for (const lobby::VerdictNotice& n : tickets_.logOff(user))
    if (Connection* v = connectionOf(n.verifier)) send(*v, wire::TicketVerdictEvent{n.user, n.response});
}

void Service::Impl::settleVerdicts(bool expire) {
  const int64_t now = nowUs();
  std::erase_if(pendingVerdicts_, [&](const PendingVerdict& p) {
    Connection* v = connectionOf(p.verifier);
    if (v == nullptr) return true;
    const lobby::TicketResponse r = tickets_.verdict(p.verifier, p.user, connectionOf(p.user) != nullptr);
    const bool unknown = r == lobby::TicketResponse::NoLicenseOrWrongUser;
    if (unknown && !(expire && now >= p.untilUs)) return false;
    send(*v, wire::TicketVerdictEvent{p.user, r});
    return true;
  });
}

void Service::Impl::leaveLobby(Connection& c, LobbyId lobby) {
  c.lobbies.erase(lobby);
  const lobby::LobbyRecord* r = lobbies_.find(lobby);
  if (r == nullptr || std::find(r->members.begin(), r->members.end(), c.user) == r->members.end()) return;
  const bool wasOwner = !r->closed && r->view.owner == c.user;
  lobbies_.leave(c.user, lobby);
  r = lobbies_.find(lobby);
  if (r == nullptr) return;  // the last member left: deleted
  if (wasOwner)
    for (UserId m : r->members)
      if (Connection* mc = connectionOf(m)) send(*mc, wire::LobbyClosed{lobby});
  sendMembers(lobby);
}

void Service::Impl::sendMembers(LobbyId lobby) {
  const lobby::LobbyRecord* r = lobbies_.find(lobby);
  if (r == nullptr) return;
  const wire::LobbyMembers event{lobby, r->view.owner, r->view.memberLimit, r->members};
  for (UserId m : r->members)
    if (Connection* mc = connectionOf(m)) send(*mc, event);
}

void Service::Impl::sendLobbyUpdates(const std::vector<lobby::LobbyUpdate>& updates) {
  for (const lobby::LobbyUpdate& u : updates) {
    Connection* to = connectionOf(u.to);
    const lobby::LobbyRecord* r = lobbies_.find(u.lobby);
    if (to == nullptr || r == nullptr) continue;
    wire::LobbyDataChanged event{u.lobby, u.member, {}};
    if (u.member == u.lobby) {
      event.data = r->view.data;
    } else {
      auto it = r->memberData.find(u.member);
      if (it != r->memberData.end()) event.data = it->second;
    }
    send(*to, event);
  }
}

namespace {
template <class M>
M As(std::span<const uint8_t> payload) {
  // The frame passed its structural check before it came here.
  return *wire::DecodePayload<M>(payload);
}

wire::StatList ToList(const lobby::StatValues& values) {
  return wire::StatList(values.begin(), values.end());
}
}  // namespace

bool Service::Impl::boardServed(lobby::BoardHandle board) const {
  if (board == 0) return false;
  for (const BoardConfig& b : options_.config.boards)
    if (lobby::FindBoard(b.name) == board) return true;
  return false;
}

bool Service::Impl::statServed(std::string_view name) const {
  for (const StatConfig& s : options_.config.stats)
    if (s.name == name) return true;
  for (const std::string& a : options_.config.achievements)
    if (a == name) return true;
  return false;
}

wire::StatList Service::Impl::servedStats(UserId user) {
  lobby::StatValues values = lobby::LoadStats(*store_, user);
  std::erase_if(values, [&](const auto& v) { return !statServed(v.first); });
  return ToList(values);
}

bool Service::Impl::keyFits(UserId user, const wire::LobbySetData& m, bool lobbyData) const {
  const lobby::LobbyRecord* r = lobbies_.find(m.lobby);
  if (r == nullptr) return true;  // the core answers for a lobby it does not have
  const lobby::KeyValues* kv = &r->view.data;
  if (!lobbyData) {
    auto it = r->memberData.find(user);
    if (it == r->memberData.end()) return limits().memberKeys > 0;
    kv = &it->second;
  }
  for (const auto& [key, value] : *kv)
    if (key == m.key) return true;
  return static_cast<int64_t>(kv->size()) < (lobbyData ? limits().lobbyKeys : limits().memberKeys);
}

bool Service::Impl::fileFits(UserId user, std::string_view name) {
  const std::vector<std::string> names = store_->fileNames(user);
  if (std::find(names.begin(), names.end(), name) != names.end()) return true;
  return static_cast<int64_t>(names.size()) < limits().files;
}

void Service::Impl::handleRequest(Connection& c, const wire::FrameHeader& h,
                                  std::span<const uint8_t> payload) {
  using T = wire::MsgType;
  const UserId me = c.user;
  count([](ServiceCounters& k) { ++k.requests; });
  // Test mode: a request whose answer is to be dropped is not run at all.
  if (auto f = failNext_.find(h.type); f != failNext_.end() && f->second > 0) {
    --f->second;
    return;
  }
  if (auto w = withheld_.find(me); w != withheld_.end() && w->second.n > 0 && h.type != uint16_t(T::Ping)) {
    --w->second.n;
    if (!w->second.act) return;
    // Carried out with its answer lost; a lobby the caller will never hear of is left again.
    const std::set<LobbyId> before = c.lobbies;
    c.muted = true;
    handleRequestNow(c, h, payload);
    c.muted = false;
    const std::set<LobbyId> after = c.lobbies;
    for (LobbyId lobby : after)
      if (before.count(lobby) == 0) leaveLobby(c, lobby);
    return;
  }
  handleRequestNow(c, h, payload);
}

void Service::Impl::handleRequestNow(Connection& c, const wire::FrameHeader& h,
                                     std::span<const uint8_t> payload) {
  using T = wire::MsgType;
  using Kind = lobby::UserRateLimits::Kind;
  const uint32_t id = h.requestId;
  const int64_t now = nowUs();
  const UserId me = c.user;
  switch (static_cast<T>(h.type)) {
    case T::Ping:
      send(c, wire::Pong{serverTime()}, id);
      return;
    case T::LobbyCreate: {
      const auto m = As<wire::LobbyCreate>(payload);
      wire::LobbyCreate::Reply r;
      const LobbyId lobby = lobby::MakeId(lobby::IdKind::Lobby, newIdLow());
      if (m.maxMembers > limits().lobbyMembers)
        r.result = Result::InvalidParam;
      else if (lobbies_.lobbyCountOf(me) >= limits().lobbiesPerUser)
        r.result = Result::LimitExceeded;
      else
        r.result = lobbies_.create(me, c.record.region, m.maxMembers, lobby);
      if (r.result == Result::Ok) {
        r.lobby = lobby;
        c.lobbies.insert(lobby);
      }
      reply<wire::LobbyCreate>(c, id, r);
      return;
    }
    case T::LobbyJoin: {
      const auto m = As<wire::LobbyJoin>(payload);
      std::vector<lobby::LobbyUpdate> updates;
      wire::LobbyJoin::Reply r;
      r.lobby = m.lobby;
      const bool wasIn = lobbies_.isMember(me, m.lobby);
      r.response = lobbies_.join(me, m.lobby, updates);
      if (r.response == lobby::JoinResponse::Success) {
        const lobby::LobbyRecord* rec = lobbies_.find(m.lobby);
        r.owner = rec->view.owner;
        r.memberLimit = rec->view.memberLimit;
        r.members = rec->members;
        r.data = rec->view.data;
        c.lobbies.insert(m.lobby);
      }
      reply<wire::LobbyJoin>(c, id, r);
      sendLobbyUpdates(updates);
      if (r.response == lobby::JoinResponse::Success && !wasIn) sendMembers(m.lobby);
      return;
    }
    case T::LobbyLeave: {
      const auto m = As<wire::LobbyLeave>(payload);
      leaveLobby(c, m.lobby);
      reply<wire::LobbyLeave>(c, id, {});
      return;
    }
    case T::LobbySetData:
    case T::LobbySetMemberData: {
      const auto m = As<wire::LobbySetData>(payload);
      std::vector<lobby::LobbyUpdate> updates;
      wire::LobbySetData::Reply r;
      if (c.rates.allow(Kind::LobbyWrite, now) &&
          keyFits(me, m, h.type == static_cast<uint16_t>(T::LobbySetData))) {
        r.ok = h.type == static_cast<uint16_t>(T::LobbySetData)
                   ? lobbies_.setData(me, m.lobby, m.key, m.value, updates)
                   : lobbies_.setMemberData(me, m.lobby, m.key, m.value, updates);
      }
      if (!c.muted) {
        lobby::wire::AppendFrame(c.out, static_cast<T>(h.type), wire::kFlagResponse, id, r);
        flush(c);
      }
      sendLobbyUpdates(updates);
      return;
    }
    case T::LobbySearch: {
      const auto m = As<wire::LobbySearch>(payload);
      wire::LobbySearch::Reply r;
      if (!lobby::IsValidQuery(m.query) ||
          m.query.filters.size() > static_cast<size_t>(limits().searchFilters)) {
        r.result = Result::InvalidParam;
      } else if (!c.rates.allow(Kind::Search, now)) {
        r.result = Result::RateLimited;
      } else {
        r.result = Result::Ok;
        r.lobbies = lobbies_.search(m.query, c.record.region);
        if (r.lobbies.size() > static_cast<size_t>(limits().searchResults))
          r.lobbies.resize(static_cast<size_t>(limits().searchResults));
        for (const lobby::LobbySnapshot& s : r.lobbies)
          if (Connection* oc = connectionOf(s.owner)) r.ownerNames.emplace_back(s.owner, oc->record.persona);
      }
      reply<wire::LobbySearch>(c, id, r);
      return;
    }
    case T::SendPacket: {
      const auto m = As<wire::SendPacket>(payload);
      auto s = sessions_.find(c.session);
      if (s != sessions_.end()) forward(s->second, m.target, m.channel, m.payload);
      return;
    }
    case T::TicketIssue: {
      const auto m = As<wire::TicketIssue>(payload);
      lobby::TicketId tid = m.ticketId;
      if (tid == lobby::TicketId{}) lobby::RandomBytes(tid);
      wire::TicketIssue::Reply r;
      // An id already registered is not taken twice.
      if (c.tickets.count(tid) == 0 && tickets_.liveTickets(me, serverTime()) < limits().liveTickets)
        if (auto t = tickets_.issue(me, serverTime(), tid)) {
          r.handle = t->handle;
          r.ticket.assign(t->bytes.begin(), t->bytes.end());
          c.tickets[tid] = t->handle;
        }
      reply<wire::TicketIssue>(c, id, r);
      settleVerdicts(false);
      return;
    }
    case T::TicketCancel: {
      const auto m = As<wire::TicketCancel>(payload);
      lobby::TicketHandle handle = m.handle;
      if (handle == 0) {
        auto it = c.tickets.find(m.ticketId);
        if (it != c.tickets.end()) handle = it->second;
      }
      for (const lobby::VerdictNotice& n : tickets_.cancel(me, handle))
        if (Connection* v = connectionOf(n.verifier)) send(*v, wire::TicketVerdictEvent{n.user, n.response});
      reply<wire::TicketCancel>(c, id, {});
      return;
    }
    case T::TicketBegin: {
      const auto m = As<wire::TicketBegin>(payload);
      wire::TicketBegin::Reply r;
      r.result = tickets_.begin(me, m.ticket, m.claimed, serverTime());
      reply<wire::TicketBegin>(c, id, r);
      // A begun session always gets its verdict, so a verifier never waits for one that cannot
      // come; a ticket not registered yet is waited for up to 2 s.
      if (r.result == lobby::BeginSessionResult::Ok) {
        pendingVerdicts_.push_back({me, m.claimed, now + kRegistrationWaitUs});
        settleVerdicts(false);
      }
      return;
    }
    case T::TicketEnd: {
      const auto m = As<wire::TicketEnd>(payload);
      tickets_.end(me, m.user);
      reply<wire::TicketEnd>(c, id, {});
      return;
    }
    case T::BoardFind: {
      const auto m = As<wire::BoardFind>(payload);
      lobby::BoardHandle board = lobby::FindBoard(m.name);
      if (!boardServed(board)) board = 0;
      reply<wire::BoardFind>(c, id, {board, board != 0});
      return;
    }
    case T::BoardUpload: {
      const auto m = As<wire::BoardUpload>(payload);
      wire::BoardUpload::Reply r;
      r.board = m.board;
      r.score = m.score;
      if (boardServed(m.board) && m.details.size() <= static_cast<size_t>(limits().boardDetails) &&
          c.rates.allow(Kind::Upload, now)) {
        const lobby::UploadOutcome o = lobby::UploadScore(*store_, m.board, me, m.method, m.score, m.details);
        r = {o.success, m.board, o.score, o.changed, o.newRank, o.previousRank};
      }
      reply<wire::BoardUpload>(c, id, r);
      return;
    }
    case T::BoardDownload: {
      const auto m = As<wire::BoardDownload>(payload);
      const std::vector<UserId> friends = users_->friendsOf(me);
      lobby::DownloadOutcome o;
      if (boardServed(m.board))
        o = lobby::DownloadScores(*store_, m.board, me, m.kind, m.start, m.end, friends);
      if (o.entries.size() > static_cast<size_t>(limits().downloadEntries))
        o.entries.resize(static_cast<size_t>(limits().downloadEntries));
      for (lobby::BoardEntry& e : o.entries)
        if (auto u = users_->byId(e.user)) e.personaName = u->persona;
      reply<wire::BoardDownload>(c, id, {o.success, m.board, o.total, std::move(o.entries)});
      return;
    }
    case T::BoardAttachUgc: {
      const auto m = As<wire::BoardAttachUgc>(payload);
      const Result result =
          boardServed(m.board) ? lobby::AttachUgc(*store_, m.board, me, m.ugc) : Result::NotFound;
      reply<wire::BoardAttachUgc>(c, id, {result, m.board, m.ugc});
      return;
    }
    case T::StatsRequest: {
      reply<wire::StatsRequest>(c, id, {Result::Ok, servedStats(me)});
      return;
    }
    case T::StatsStore: {
      const auto m = As<wire::StatsStore>(payload);
      wire::StatsStore::Reply r;
      if (!c.rates.allow(Kind::StatsStore, now)) {
        r.result = Result::RateLimited;
      } else {
        lobby::StatValues values;
        bool served = true;
        for (const auto& [name, value] : m.values) {
          values[name] = value;
          served = served && statServed(name);
        }
        // A name left out of lobbyd.ini is outside the schema, as the core refuses one: nothing applies.
        r.result = served ? lobby::StoreStats(*store_, me, values) : Result::InvalidParam;
      }
      r.values = servedStats(me);
      reply<wire::StatsStore>(c, id, r);
      return;
    }
    case T::FileWrite: {
      auto m = As<wire::FileWrite>(payload);
      wire::FileWrite::Reply r;
      if (m.offset == 0) c.writes.erase(m.name);
      const bool allowed = c.record.cloudEnabled && (m.offset != 0 || c.rates.allow(Kind::FileCall, now));
      if (allowed && m.total > 0 && m.total <= static_cast<uint64_t>(limits().fileBytes) &&
          (m.offset != 0 || fileFits(me, m.name)) && lobby::IsValidFileName(m.name) &&
          m.chunk.size() <= wire::kMaxChunkBytes) {
        // A few files in flight at once: each may hold up to 1 MiB until its last chunk.
        if (m.offset == 0 && c.writes.size() >= kPendingWrites) c.writes.erase(c.writes.begin());
        Connection::PendingWrite& w = c.writes[m.name];
        if (m.offset == 0) w.total = m.total;
        // Chunks come in order and add up to the total announced first; anything else drops the
        // write, and the old content stays.
        if (w.total == m.total && m.offset == w.bytes.size() && w.bytes.size() + m.chunk.size() <= w.total) {
          w.bytes.insert(w.bytes.end(), m.chunk.begin(), m.chunk.end());
          r.ok = true;
          if (w.bytes.size() == w.total) {
            r.ok = lobby::WriteFile(*store_, me, m.name, w.bytes, c.record.quota);
            c.writes.erase(m.name);
          }
        } else {
          c.writes.erase(m.name);
        }
      }
      reply<wire::FileWrite>(c, id, r);
      return;
    }
    case T::FileRead: {
      const auto m = As<wire::FileRead>(payload);
      wire::FileRead::Reply r;
      r.offset = m.offset;
      if (c.record.cloudEnabled && (m.offset != 0 || c.rates.allow(Kind::FileCall, now))) {
        if (auto f = store_->file(me, m.name)) {
          r.found = true;
          r.total = static_cast<uint32_t>(f->size());
          if (m.offset < f->size()) {
            const size_t n = std::min<size_t>({f->size() - m.offset, m.maxBytes, wire::kMaxChunkBytes});
            r.chunk.assign(f->begin() + m.offset, f->begin() + m.offset + n);
          }
        }
      }
      reply<wire::FileRead>(c, id, r);
      return;
    }
    case T::FileRemove: {
      const auto m = As<wire::FileRemove>(payload);
      const bool ok = c.record.cloudEnabled && c.rates.allow(Kind::FileCall, now) &&
                      lobby::RemoveFile(*store_, me, m.name);
      reply<wire::FileRemove>(c, id, {ok});
      return;
    }
    case T::FileStat: {
      const auto m = As<wire::FileStat>(payload);
      wire::FileStat::Reply r;
      if (c.record.cloudEnabled)
        if (auto f = store_->file(me, m.name)) r = {true, static_cast<uint32_t>(f->size())};
      reply<wire::FileStat>(c, id, r);
      return;
    }
    case T::FileQuota: {
      wire::FileQuota::Reply r;
      if (c.record.cloudEnabled) {
        const uint64_t used = store_->bytesUsed(me);
        r = {true, c.record.quota, c.record.quota > used ? c.record.quota - used : 0};
      }
      reply<wire::FileQuota>(c, id, r);
      return;
    }
    case T::FileShare: {
      const auto m = As<wire::FileShare>(payload);
      wire::FileShare::Reply r;
      if (!c.record.cloudEnabled) {
        r.result = Result::AccessDenied;
      } else {
        const lobby::ShareOutcome o = lobby::ShareFile(*store_, me, m.name, [this] { return newIdLow(); });
        r = {o.result, o.handle};
      }
      reply<wire::FileShare>(c, id, r);
      return;
    }
    case T::UgcDownload: {
      const auto m = As<wire::UgcDownload>(payload);
      wire::UgcDownload::Reply r;
      r.ugc = m.ugc;
      r.offset = m.offset;
      if (m.offset == 0 && !c.rates.allow(Kind::Download, now)) {
        r.result = Result::RateLimited;
      } else if (auto s = store_->shareByHandle(m.ugc)) {
        r.result = Result::Ok;
        r.total = static_cast<uint32_t>(s->content.size());
        r.owner = s->owner;
        r.name = s->name;
        if (m.offset < s->content.size()) {
          const size_t n = std::min<size_t>(s->content.size() - m.offset, wire::kMaxChunkBytes);
          r.chunk.assign(s->content.begin() + m.offset, s->content.begin() + m.offset + n);
        }
      } else {
        r.result = Result::NotFound;
      }
      reply<wire::UgcDownload>(c, id, r);
      return;
    }
    case T::Invite: {
      const auto m = As<wire::Invite>(payload);
      while (!c.invites.empty() && now - c.invites.front() >= kInviteWindowUs) c.invites.pop_front();
      // Only a member may invite, only a (mutual) friend who is logged on, at most ten a minute;
      // a refused invitation does not count against the minute.
      bool ok = false;
      Connection* to = m.to != me ? connectionOf(m.to) : nullptr;
      if (to != nullptr && c.invites.size() < static_cast<size_t>(limits().invitesPerMinute) &&
          lobbies_.isMember(me, m.lobby)) {
        const std::vector<UserId> friends = users_->friendsOf(me);
        if (std::find(friends.begin(), friends.end(), m.to) != friends.end()) {
          c.invites.push_back(now);
          send(*to, wire::Invited{m.lobby, me, c.record.persona});
          ok = true;
        }
      }
      reply<wire::Invite>(c, id, {ok});
      return;
    }
    default:
      // Hello or Login again after the login.
      count([](ServiceCounters& k) { ++k.unsupportedFrames; });
      fail(c, wire::ErrorCode::Unsupported, id, false);
      return;
  }
}

}  // namespace vt::lobbyd
