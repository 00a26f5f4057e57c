// NetPlatform's calls: lobbies and their mirrors, search snapshots, tickets, leaderboards,
// statistics, cloud files as synchronous round trips bounded at 10 s, shared content, invitations
// and the server clock.
#include "platform/online/net/net_platform.h"

#include <algorithm>
#include <cstring>

#include "lobby/cloud.h"
#include "lobby/lobbies.h"
#include "lobby/search.h"
#include "platform/online/net/net_requests.h"

namespace vt::online::net {

namespace wire = lobby::wire;

namespace {
std::string_view Find(const lobby::KeyValues& kv, std::string_view key) { return lobby::FindValue(kv, key); }

// Sets a key in place (keys keep the order of their first set); false when it is new and the
// scope already holds `maxKeys`.
bool Put(lobby::KeyValues& kv, std::string_view key, std::string_view value, size_t maxKeys, bool& changed) {
  for (auto& [k, v] : kv)
    if (k == key) {
      changed = v != value;
      v = value;
      return true;
    }
  if (kv.size() >= maxKeys) return false;
  kv.emplace_back(std::string(key), std::string(value));
  changed = true;
  return true;
}

}  // namespace

std::string NetPlatform::personaName() const {
  std::lock_guard<std::mutex> guard(mirrorMutex_);
  return acceptedName_;
}

std::string NetPlatform::personaNameOf(UserId user) const {
  std::lock_guard<std::mutex> guard(mirrorMutex_);
  if (user == selfId_.load()) return acceptedName_;
  auto it = names_.find(user);
  return it == names_.end() ? std::string() : it->second;
}

uint32_t NetPlatform::serverTime() const {
  std::lock_guard<std::mutex> guard(timeMutex_);
  if (!serverKnown_) return static_cast<uint32_t>(std::time(nullptr));
  const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - serverBaseAt_).count();
  return serverBase_ + static_cast<uint32_t>(elapsed);
}

// Lobbies ---------------------------------------------------------------------------------------

CallHandle NetPlatform::create(int32_t maxMembers, CallResult<LobbyCreated>& result) {
  if (maxMembers < lobby::limits::kMinMembers || maxMembers > lobby::limits::kMaxMembers) return 0;
  const UserId self = selfId_.load();
  return call<wire::LobbyCreate, LobbyCreated>(
      wire::LobbyCreate{maxMembers}, timing::kLobbyCall, result,
      [this, self, maxMembers](const wire::LobbyCreate::Reply& r) {
        if (r.result == Result::Ok) {
          std::lock_guard<std::mutex> guard(mirrorMutex_);
          LobbyMirror& m = joined_[r.lobby];
          m.owner = self;
          m.memberLimit = maxMembers;
          m.members = {self};
        }
        return LobbyCreated{r.result, r.lobby};
      },
      [](Result reason) {
        return LobbyCreated{reason, 0};
      },
      // Nobody will learn the id of a lobby whose creation was abandoned: leave it at once.
      [this](const LobbyCreated& e) {
        if (e.result == Result::Ok) leave(e.lobby);
      });
}

CallHandle NetPlatform::join(LobbyId lobby, CallResult<LobbyEntered>& result) {
  return call<wire::LobbyJoin, LobbyEntered>(
      wire::LobbyJoin{lobby}, timing::kLobbyCall, result,
      [this](const wire::LobbyJoin::Reply& r) {
        if (r.response == JoinResponse::Success) {
          std::lock_guard<std::mutex> guard(mirrorMutex_);
          LobbyMirror& m = joined_[r.lobby];
          m.owner = r.owner;
          m.closed = false;
          m.memberLimit = r.memberLimit;
          m.members = r.members;
          m.data = r.data;
        }
        return LobbyEntered{r.lobby, r.response};
      },
      [lobby](Result) {
        return LobbyEntered{lobby, JoinResponse::Error};
      },
      [this](const LobbyEntered& e) {
        if (e.response == JoinResponse::Success) leave(e.lobby);
      });
}

void NetPlatform::leave(LobbyId lobby) {
  {
    std::lock_guard<std::mutex> guard(mirrorMutex_);
    if (joined_.erase(lobby) == 0) return;
  }
  request(
      wire::LobbyLeave{lobby}, timing::kLobbyCall, [](std::span<const uint8_t>) {}, [](Result) {});
}

UserId NetPlatform::owner(LobbyId lobby) const {
  std::lock_guard<std::mutex> guard(mirrorMutex_);
  auto it = joined_.find(lobby);
  if (it != joined_.end()) return it->second.closed ? 0 : it->second.owner;
  auto s = snapshots_.find(lobby);
  return s == snapshots_.end() ? 0 : s->second.owner;
}

const lobby::KeyValues* NetPlatform::lobbyData(LobbyId lobby) const {
  auto it = joined_.find(lobby);
  if (it != joined_.end()) return &it->second.data;
  auto s = snapshots_.find(lobby);
  return s == snapshots_.end() ? nullptr : &s->second.data;
}

bool NetPlatform::setData(LobbyId lobby, std::string_view key, std::string_view value) {
  if (!loggedOn_.load() || !lobby::IsValidLobbyKey(key) || !lobby::IsValidLobbyValue(value)) return false;
  bool changed = false;
  {
    std::lock_guard<std::mutex> guard(mirrorMutex_);
    auto it = joined_.find(lobby);
    if (it == joined_.end() || it->second.closed || it->second.owner != selfId_.load()) return false;
    lobby::KeyValues copy = it->second.data;
    if (!Put(copy, key, value, lobby::limits::kLobbyKeys, changed)) return false;
    if (!rates_.allow(lobby::UserRateLimits::LobbyWrite, MicrosNow())) return false;
    it->second.data = std::move(copy);
    if (!changed) return true;  // the same value: nothing to tell anyone
    ++it->second.writesInFlight;
  }
  auto done = [this, lobby] {
    std::lock_guard<std::mutex> guard(mirrorMutex_);
    auto it = joined_.find(lobby);
    if (it != joined_.end() && it->second.writesInFlight > 0) --it->second.writesInFlight;
  };
  wire::LobbySetData m;
  m.lobby = lobby;
  m.key = std::string(key);
  m.value = std::string(value);
  if (!request(
          m, timing::kLobbyCall, [done](std::span<const uint8_t>) { done(); }, [done](Result) { done(); }))
    done();
  return true;
}

std::string NetPlatform::data(LobbyId lobby, std::string_view key) const {
  std::lock_guard<std::mutex> guard(mirrorMutex_);
  const lobby::KeyValues* kv = lobbyData(lobby);
  return kv == nullptr ? std::string() : std::string(Find(*kv, key));
}

int32_t NetPlatform::dataCount(LobbyId lobby) const {
  std::lock_guard<std::mutex> guard(mirrorMutex_);
  const lobby::KeyValues* kv = lobbyData(lobby);
  return kv == nullptr ? 0 : static_cast<int32_t>(kv->size());
}

bool NetPlatform::dataByIndex(LobbyId lobby, int32_t index, std::string& key, std::string& value) const {
  std::lock_guard<std::mutex> guard(mirrorMutex_);
  const lobby::KeyValues* kv = lobbyData(lobby);
  if (kv == nullptr || index < 0 || static_cast<size_t>(index) >= kv->size()) return false;
  key = (*kv)[static_cast<size_t>(index)].first;
  value = (*kv)[static_cast<size_t>(index)].second;
  return true;
}

bool NetPlatform::setMemberData(LobbyId lobby, std::string_view key, std::string_view value) {
  if (!loggedOn_.load() || !lobby::IsValidLobbyKey(key) || !lobby::IsValidLobbyValue(value)) return false;
  const UserId self = selfId_.load();
  bool changed = false;
  {
    std::lock_guard<std::mutex> guard(mirrorMutex_);
    auto it = joined_.find(lobby);
    if (it == joined_.end()) return false;
    lobby::KeyValues copy = it->second.memberData[self];
    if (!Put(copy, key, value, lobby::limits::kMemberKeys, changed)) return false;
    if (!rates_.allow(lobby::UserRateLimits::LobbyWrite, MicrosNow())) return false;
    it->second.memberData[self] = std::move(copy);
    if (!changed) return true;
    ++it->second.writesInFlight;
  }
  auto done = [this, lobby] {
    std::lock_guard<std::mutex> guard(mirrorMutex_);
    auto it = joined_.find(lobby);
    if (it != joined_.end() && it->second.writesInFlight > 0) --it->second.writesInFlight;
  };
  wire::LobbySetMemberData m;
  m.lobby = lobby;
  m.key = std::string(key);
  m.value = std::string(value);
  if (!request(
          m, timing::kLobbyCall, [done](std::span<const uint8_t>) { done(); }, [done](Result) { done(); }))
    done();
  return true;
}

std::string NetPlatform::memberData(LobbyId lobby, UserId member, std::string_view key) const {
  std::lock_guard<std::mutex> guard(mirrorMutex_);
  auto it = joined_.find(lobby);
  if (it == joined_.end()) return {};
  auto m = it->second.memberData.find(member);
  return m == it->second.memberData.end() ? std::string() : std::string(Find(m->second, key));
}

int32_t NetPlatform::memberCount(LobbyId lobby) const {
  std::lock_guard<std::mutex> guard(mirrorMutex_);
  auto it = joined_.find(lobby);
  if (it != joined_.end()) return static_cast<int32_t>(it->second.members.size());
  auto s = snapshots_.find(lobby);
  return s == snapshots_.end() ? 0 : s->second.memberCount;
}

CallHandle NetPlatform::search(const LobbyQuery& query, CallResult<LobbyMatchList>& result) {
  if (!lobby::IsValidQuery(query)) return 0;
  return call<wire::LobbySearch, LobbyMatchList>(
      wire::LobbySearch{query}, timing::kLobbyCall, result,
      [this](const wire::LobbySearch::Reply& r) {
        if (r.result == Result::Ok) {
          // Kept until the next search completes.
          std::lock_guard<std::mutex> guard(mirrorMutex_);
          snapshots_.clear();
          for (const LobbySnapshot& s : r.lobbies) snapshots_[s.lobby] = s;
          for (const auto& [user, name] : r.ownerNames) names_[user] = name;
        }
        return LobbyMatchList{r.result, r.lobbies};
      },
      [](Result reason) {
        return LobbyMatchList{reason, {}};
      });
}

// Auth ------------------------------------------------------------------------------------------

TicketIssued NetPlatform::getTicket(std::span<uint8_t> buffer) {
  if (buffer.size() < lobby::limits::kTicketBytes) return {};
  const auto r = roundTrip(wire::TicketIssue{}, Clock::now() + timing::kFileCall);
  if (!r || r->handle == 0 || r->ticket.size() > buffer.size()) return {};
  std::memcpy(buffer.data(), r->ticket.data(), r->ticket.size());
  return {r->handle, static_cast<uint32_t>(r->ticket.size())};
}

void NetPlatform::cancelTicket(TicketHandle handle) {
  request(
      wire::TicketCancel{handle}, timing::kLobbyCall, [](std::span<const uint8_t>) {}, [](Result) {});
}

BeginSessionResult NetPlatform::beginSession(std::span<const uint8_t> ticket, UserId claimed) {
  wire::TicketBegin m;
  m.ticket.assign(ticket.begin(), ticket.end());
  m.claimed = claimed;
  {
    // Registered before the request goes, so a verdict that comes at once finds it.
    std::lock_guard<std::mutex> guard(mirrorMutex_);
    verdictsDue_[claimed] = Clock::now() + timing::kVerdict;
  }
  const auto r = roundTrip(m, Clock::now() + timing::kFileCall);
  if (r && r->result == BeginSessionResult::Ok) return BeginSessionResult::Ok;
  std::lock_guard<std::mutex> guard(mirrorMutex_);
  if (r) {
    verdictsDue_.erase(claimed);
    return r->result;
  }
  // No answer from the service: the session stands and its verdict will be "no answer" at the
  // bound, so the host never waits for one that cannot come.
  if (ticket.size() != lobby::limits::kTicketBytes) {
    verdictsDue_.erase(claimed);
    return BeginSessionResult::InvalidTicket;
  }
  return BeginSessionResult::Ok;
}

void NetPlatform::endSession(UserId user) {
  {
    std::lock_guard<std::mutex> guard(mirrorMutex_);
    verdictsDue_.erase(user);
  }
  request(
      wire::TicketEnd{user}, timing::kLobbyCall, [](std::span<const uint8_t>) {}, [](Result) {});
}

// Boards ----------------------------------------------------------------------------------------

CallHandle NetPlatform::find(std::string_view name, CallResult<BoardFound>& result) {
  return call<wire::BoardFind, BoardFound>(
      wire::BoardFind{std::string(name)}, timing::kBoardCall, result,
      [](const wire::BoardFind::Reply& r) {
        return BoardFound{r.board, r.found};
      },
      [](Result) {
        return BoardFound{0, false};
      });
}

CallHandle NetPlatform::upload(BoardHandle board, UploadMethod method, int32_t score,
                               std::span<const int32_t> details, CallResult<ScoreUploaded>& result) {
  if (board == 0 || details.size() > static_cast<size_t>(lobby::limits::kBoardDetails)) return 0;
  wire::BoardUpload m;
  m.board = board;
  m.method = method;
  m.score = score;
  m.details.assign(details.begin(), details.end());
  return call<wire::BoardUpload, ScoreUploaded>(
      m, timing::kBoardCall, result,
      [](const wire::BoardUpload::Reply& r) {
        return ScoreUploaded{r.success, r.board, r.score, r.changed, r.newRank, r.previousRank};
      },
      [board, score](Result) { return ScoreUploaded{false, board, score, false, 0, 0}; });
}

CallHandle NetPlatform::download(BoardHandle board, DownloadKind kind, int32_t start, int32_t end,
                                 CallResult<ScoresDownloaded>& result) {
  if (board == 0) return 0;
  return call<wire::BoardDownload, ScoresDownloaded>(
      wire::BoardDownload{board, kind, start, end}, timing::kBoardCall, result,
      [this](const wire::BoardDownload::Reply& r) {
        std::lock_guard<std::mutex> guard(mirrorMutex_);
        if (r.success) entryCounts_[r.board] = r.total;
        for (const lobby::BoardEntry& e : r.entries)
          if (!e.personaName.empty()) names_[e.user] = e.personaName;
        return ScoresDownloaded{r.success, r.board, r.total, r.entries};
      },
      [board](Result) {
        return ScoresDownloaded{false, board, 0, {}};
      });
}

int32_t NetPlatform::entryCount(BoardHandle board) const {
  std::lock_guard<std::mutex> guard(mirrorMutex_);
  auto it = entryCounts_.find(board);
  return it == entryCounts_.end() ? 0 : it->second;
}

CallHandle NetPlatform::attachUgc(BoardHandle board, UgcHandle ugc, CallResult<UgcAttached>& result) {
  if (board == 0) return 0;
  return call<wire::BoardAttachUgc, UgcAttached>(
      wire::BoardAttachUgc{board, ugc}, timing::kBoardCall, result,
      [](const wire::BoardAttachUgc::Reply& r) {
        return UgcAttached{r.result, r.board, r.ugc};
      },
      [board, ugc](Result reason) {
        return UgcAttached{reason, board, ugc};
      });
}

// Stats -----------------------------------------------------------------------------------------

bool NetPlatform::requestCurrent() {
  Dispatcher* d = &dispatcher();
  return request(
      wire::StatsRequest{}, timing::kBoardCall,
      [this, d](std::span<const uint8_t> payload) {
        const auto r = wire::DecodePayload<wire::StatsRequest::Reply>(payload);
        const Result result = r ? r->result : Result::Fail;
        if (r && r->result == Result::Ok) {
          std::lock_guard<std::mutex> guard(mirrorMutex_);
          stats_.clear();
          for (const auto& [name, value] : r->values) stats_[name] = value;
          statsReceived_ = true;
        }
        d->post(Queue::Client, StatsReceived{lobby::kAppId, result});
      },
      [d](Result reason) {
        d->post(Queue::Client, StatsReceived{lobby::kAppId, reason});
      });
}

bool NetPlatform::getStat(std::string_view name, int32_t& value) const {
  const lobby::StatKind kind = lobby::KindOfStat(name);
  if (kind == lobby::StatKind::None || kind == lobby::StatKind::Achievement) return false;
  std::lock_guard<std::mutex> guard(mirrorMutex_);
  if (!statsReceived_) return false;
  auto it = stats_.find(name);
  value = it == stats_.end() ? 0 : it->second;
  return true;
}

bool NetPlatform::setStat(std::string_view name, int32_t value) {
  const lobby::StatKind kind = lobby::KindOfStat(name);
  if (kind == lobby::StatKind::None || kind == lobby::StatKind::Achievement) return false;
  std::lock_guard<std::mutex> guard(mirrorMutex_);
  if (!statsReceived_) return false;
  stats_[std::string(name)] = value;
  return true;
}

bool NetPlatform::getAchievement(std::string_view name, bool& achieved) const {
  if (lobby::KindOfStat(name) != lobby::StatKind::Achievement) return false;
  std::lock_guard<std::mutex> guard(mirrorMutex_);
  if (!statsReceived_) return false;
  auto it = stats_.find(name);
  achieved = it != stats_.end() && it->second != 0;
  return true;
}

bool NetPlatform::setAchievement(std::string_view name) {
  if (lobby::KindOfStat(name) != lobby::StatKind::Achievement) return false;
  std::lock_guard<std::mutex> guard(mirrorMutex_);
  if (!statsReceived_) return false;
  stats_[std::string(name)] = 1;
  return true;
}

bool NetPlatform::store() {
  wire::StatsStore m;
  {
    std::lock_guard<std::mutex> guard(mirrorMutex_);
    if (!statsReceived_) return false;
    m.values.assign(stats_.begin(), stats_.end());
  }
  Dispatcher* d = &dispatcher();
  return request(
      m, timing::kBoardCall,
      [this, d](std::span<const uint8_t> payload) {
        const auto r = wire::DecodePayload<wire::StatsStore::Reply>(payload);
        const Result result = r ? r->result : Result::Fail;
        if (r && (r->result == Result::Ok || r->result == Result::StatsReverted)) {
          // The service's values: a reverted one comes back as the service kept it.
          std::lock_guard<std::mutex> guard(mirrorMutex_);
          stats_.clear();
          for (const auto& [name, value] : r->values) stats_[name] = value;
        }
        d->post(Queue::Client, StatsStored{lobby::kAppId, result});
      },
      [d](Result reason) {
        d->post(Queue::Client, StatsStored{lobby::kAppId, reason});
      });
}

// Cloud -----------------------------------------------------------------------------------------

bool NetPlatform::write(std::string_view name, std::span<const uint8_t> bytes) {
  if (!lobby::IsValidFileName(name) || bytes.empty() || bytes.size() > lobby::limits::kMaxFileBytes ||
      !cloudEnabledForAccount())
    return false;
  // One bound for the whole file; the service replaces it only when every chunk arrived, so a
  // write cut short leaves the old content.
  const Clock::time_point deadline = Clock::now() + timing::kFileCall;
  size_t offset = 0;
  while (offset < bytes.size()) {
    const size_t n = std::min(bytes.size() - offset, wire::kMaxChunkBytes);
    wire::FileWrite m;
    m.name = std::string(name);
    m.offset = static_cast<uint32_t>(offset);
    m.total = static_cast<uint32_t>(bytes.size());
    m.chunk.assign(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                   bytes.begin() + static_cast<std::ptrdiff_t>(offset + n));
    const auto r = roundTrip(m, deadline);
    if (!r || !r->ok) return false;
    offset += n;
  }
  return true;
}

int32_t NetPlatform::read(std::string_view name, std::span<uint8_t> buffer) {
  if (!lobby::IsValidFileName(name) || !cloudEnabledForAccount()) return 0;
  const Clock::time_point deadline = Clock::now() + timing::kFileCall;
  size_t got = 0;
  for (;;) {
    wire::FileRead m;
    m.name = std::string(name);
    m.offset = static_cast<uint32_t>(got);
    m.maxBytes = static_cast<uint32_t>(std::min(buffer.size() - got, wire::kMaxChunkBytes));
    const auto r = roundTrip(m, deadline);
    if (!r || !r->found || r->offset != got || r->chunk.size() > buffer.size() - got) return 0;
    std::memcpy(buffer.data() + got, r->chunk.data(), r->chunk.size());
    got += r->chunk.size();
    // Always from the start: min(size, capacity) bytes.
    if (got >= std::min<size_t>(r->total, buffer.size()) || r->chunk.empty()) break;
  }
  return static_cast<int32_t>(got);
}

bool NetPlatform::remove(std::string_view name) {
  if (!lobby::IsValidFileName(name) || !cloudEnabledForAccount()) return false;
  const auto r = roundTrip(wire::FileRemove{std::string(name)}, Clock::now() + timing::kFileCall);
  return r && r->ok;
}

bool NetPlatform::exists(std::string_view name) {
  if (!lobby::IsValidFileName(name) || !cloudEnabledForAccount()) return false;
  const auto r = roundTrip(wire::FileStat{std::string(name)}, Clock::now() + timing::kFileCall);
  return r && r->exists;
}

int32_t NetPlatform::size(std::string_view name) {
  if (!lobby::IsValidFileName(name) || !cloudEnabledForAccount()) return 0;
  const auto r = roundTrip(wire::FileStat{std::string(name)}, Clock::now() + timing::kFileCall);
  return r && r->exists ? static_cast<int32_t>(r->size) : 0;
}

bool NetPlatform::quota(uint64_t& total, uint64_t& available) {
  total = available = 0;
  if (!cloudEnabledForAccount()) return false;
  const auto r = roundTrip(wire::FileQuota{}, Clock::now() + timing::kFileCall);
  if (!r || !r->ok) return false;
  total = r->total;
  available = r->available;
  return true;
}

CallHandle NetPlatform::share(std::string_view name, CallResult<FileShared>& result) {
  if (!lobby::IsValidFileName(name)) return 0;
  return call<wire::FileShare, FileShared>(
      wire::FileShare{std::string(name)}, timing::kShareCall, result,
      [](const wire::FileShare::Reply& r) {
        return FileShared{r.result, r.ugc};
      },
      [](Result reason) {
        return FileShared{reason, 0};
      });
}

CallHandle NetPlatform::download(UgcHandle ugc, int32_t, CallResult<UgcDownloaded>& result) {
  if (ugc == 0 || ugc == ~UgcHandle{0} || !loggedOn_.load()) return 0;
  // The content comes in chunks, each its own request; the call completes with the last one or
  // fails with the first that fails, within one bound for the whole download.
  const CallHandle handle = dispatcher().bind(result);
  struct Progress {
    std::vector<uint8_t> bytes;
    Clock::time_point deadline;
  };
  auto progress = std::make_shared<Progress>();
  progress->deadline = Clock::now() + timing::kShareCall;
  Dispatcher* d = &dispatcher();
  const uint64_t serial = markCall();
  auto fail = [this, d, handle, ugc, serial](Result reason) {
    completeAfterMark(serial, [d, handle, ugc, reason] {
      d->complete(handle, UgcDownloaded{reason, ugc, 0, 0, {}});
    });
  };
  auto next = std::make_shared<std::function<bool(uint32_t)>>();
  std::weak_ptr<std::function<bool(uint32_t)>> weak = next;
  *next = [this, d, handle, ugc, serial, progress, fail, weak](uint32_t offset) -> bool {
    // The pending request's handler holds the chain while a chunk is on its way.
    auto self = weak.lock();
    auto onReply = [this, d, handle, ugc, serial, progress, fail, self](std::span<const uint8_t> payload) {
      const auto r = wire::DecodePayload<wire::UgcDownload::Reply>(payload);
      if (!r) return fail(Result::Fail);
      if (r->result != Result::Ok) return fail(r->result);
      if (r->offset != progress->bytes.size() || progress->bytes.size() + r->chunk.size() > r->total)
        return fail(Result::Fail);
      progress->bytes.insert(progress->bytes.end(), r->chunk.begin(), r->chunk.end());
      if (progress->bytes.size() < r->total && !r->chunk.empty()) {
        if (!(*self)(static_cast<uint32_t>(progress->bytes.size()))) fail(Result::NoConnection);
        return;
      }
      {
        std::lock_guard<std::mutex> guard(sharedMutex_);
        downloaded_[ugc] = progress->bytes;
      }
      UgcDownloaded done{Result::Ok, ugc, static_cast<int32_t>(r->total), r->owner, r->name};
      completeAfterMark(serial, [d, handle, done] { d->complete(handle, done); });
    };
    return request(wire::UgcDownload{ugc, offset}, progress->deadline - Clock::now(), onReply, fail);
  };
  if (!(*next)(0)) {
    result.cancel();
    return 0;
  }
  return handle;
}

int32_t NetPlatform::readShared(UgcHandle ugc, std::span<uint8_t> buffer, uint32_t offset, bool closeAfter) {
  std::lock_guard<std::mutex> guard(sharedMutex_);
  auto it = downloaded_.find(ugc);
  if (it == downloaded_.end()) return 0;
  const int32_t n = lobby::ReadSharedBytes(it->second, buffer, offset);
  if (closeAfter) downloaded_.erase(it);
  return n;
}

// Overlay ---------------------------------------------------------------------------------------

bool NetPlatform::chooseInvitee(UserId to) {
  const LobbyId lobby = inviteLobby_.load();
  if (lobby == 0) return false;
  const auto r = roundTrip(wire::Invite{to, lobby}, Clock::now() + timing::kFileCall);
  return r && r->ok;
}

void NetPlatform::showStatsOverlay(UserId user) {
  const std::string text = "stats overlay for " + std::to_string(user);
  warning(0, text.c_str());
}

}  // namespace vt::online::net
