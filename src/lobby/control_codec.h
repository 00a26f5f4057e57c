// The lobby service's control protocol over TCP: the frame header, the explicit little-endian
// field codec (strings as u16 length + bytes, lists as u16 count + items, never a struct copy),
// every message of both directions with its fields listed once, and the bytes a login signs.
// Everything here is pure: the service and the client decode untrusted bytes through it.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "lobby/identity.h"
#include "lobby/types.h"

namespace vt::lobby::wire {

// ---------------------------------------------------------------------------------------------
// Frames: u32 length (of everything after it), u16 type, u16 flags, u32 request id, payload.

constexpr size_t kLengthBytes = 4;
constexpr size_t kHeaderBytes = 12;           // length, type, flags, request id
constexpr uint32_t kMinFrameLength = 8;       // type, flags and request id
constexpr uint32_t kMaxFrameLength = 65536;   // of the rest: a frame is at most 64 KiB + 4
constexpr size_t kMaxChunkBytes = 60 * 1024;  // file and shared-content chunks
constexpr int kMaxOutstanding = 64;
constexpr uint16_t kMajorVersion = 1;
constexpr uint16_t kMinorVersion = 0;
constexpr std::array<uint8_t, 4> kHelloMagic = {'V', 'T', 'L', 'B'};
constexpr size_t kNonceBytes = 32;
constexpr size_t kUdpKeyBytes = 32;

enum FrameFlags : uint16_t { kFlagResponse = 1, kFlagEvent = 2, kFlagError = 4 };

enum class MsgType : uint16_t {
  // Handshake and connection upkeep.
  Hello = 1,
  HelloAck = 2,
  Refused = 3,
  Login = 4,
  LoginOk = 5,
  Kicked = 6,
  Error = 7,
  Ping = 8,
  Pong = 9,
  // Requests; the response to one carries the same type with kFlagResponse.
  LobbyCreate = 100,
  LobbyJoin = 101,
  LobbyLeave = 102,
  LobbySetData = 103,
  LobbySetMemberData = 104,
  LobbySearch = 105,
  SendPacket = 110,
  TicketIssue = 120,
  TicketCancel = 121,
  TicketBegin = 122,
  TicketEnd = 123,
  BoardFind = 130,
  BoardUpload = 131,
  BoardDownload = 132,
  BoardAttachUgc = 133,
  StatsRequest = 140,
  StatsStore = 141,
  FileWrite = 150,
  FileRead = 151,
  FileRemove = 152,
  FileStat = 153,
  FileQuota = 154,
  FileShare = 155,
  UgcDownload = 156,
  Invite = 160,
  // Events (request id 0, kFlagEvent).
  LobbyDataChanged = 200,
  LobbyMembers = 201,
  LobbyClosed = 202,
  PeerUnreachable = 203,
  Invited = 204,
  TicketVerdictEvent = 205,
  TimeChanged = 206,
  Packet = 207,
  UdpRegistered = 208,
};

struct FrameHeader {
  uint32_t length = 0;  // of type, flags, request id and payload
  uint16_t type = 0;
  uint16_t flags = 0;
  uint32_t requestId = 0;
};

enum class FrameStatus {
  Complete,    // a whole frame is at the front of the buffer
  Incomplete,  // wait for more bytes
  TooShort,    // a length below the header: the stream cannot be trusted any further
  TooLong,     // a length over 64 KiB: likewise
};

// Looks at the front of a receive buffer. On Complete, the frame takes kLengthBytes +
// header.length bytes and its payload starts at kHeaderBytes.
FrameStatus PeekFrame(std::span<const uint8_t> buffer, FrameHeader& header);

// ---------------------------------------------------------------------------------------------
// The field codec. Messages list their fields once, in `fields(v)`, and the writer, the reader
// and the minimum-size count all walk that one list.

class Writer {
 public:
  explicit Writer(std::vector<uint8_t>& out) : out_(out) {}
  template <class... T>
  void operator()(const T&... values) {
    (put(values), ...);
  }
  // False when a string, byte run or list was longer than its u16 prefix can say.
  bool ok() const { return ok_; }

 private:
  void raw(uint64_t v, size_t n) {
    for (size_t i = 0; i < n; ++i) out_.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void count(size_t n) {
    if (n > 0xFFFF) ok_ = false;
    raw(n > 0xFFFF ? 0xFFFF : n, 2);
  }
  template <class T>
  void put(const T& v);

  std::vector<uint8_t>& out_;
  bool ok_ = true;
};

class Reader {
 public:
  explicit Reader(std::span<const uint8_t> in) : in_(in) {}
  template <class... T>
  void operator()(T&... values) {
    (get(values), ...);
  }
  bool ok() const { return ok_; }
  size_t consumed() const { return pos_; }

 private:
  bool need(size_t n) {
    if (!ok_ || in_.size() - pos_ < n) ok_ = false;
    return ok_;
  }
  uint64_t raw(size_t n) {
    if (!need(n)) return 0;
    uint64_t v = 0;
    for (size_t i = 0; i < n; ++i) v |= uint64_t{in_[pos_ + i]} << (8 * i);
    pos_ += n;
    return v;
  }
  template <class T>
  void get(T& v);

  std::span<const uint8_t> in_;
  size_t pos_ = 0;
  bool ok_ = true;
};

// Counts the bytes of a message whose strings, byte runs and lists are all empty: anything
// shorter is malformed.
class MinSize {
 public:
  template <class... T>
  void operator()(const T&... values) {
    (add(values), ...);
  }
  size_t bytes = 0;

 private:
  template <class T>
  void add(const T& v);
};

// Field lists of the core's records.
template <class V, class F>
void Fields(V& v, F& f) {
  f.fields(v);
}
template <class V>
void Fields(V& v, LobbySnapshot& s) {
  v(s.lobby, s.owner, s.memberCount, s.memberLimit, s.data);
}
template <class V>
void Fields(V& v, LobbyFilter& f) {
  v(f.key, f.kind, f.cmp, f.text, f.number);
}
template <class V>
void Fields(V& v, LobbyQuery& q) {
  v(q.distance, q.filters, q.cap);
}
template <class V>
void Fields(V& v, BoardEntry& e) {
  v(e.user, e.rank, e.score, e.details, e.ugc, e.personaName);
}

template <class T>
struct IsVector : std::false_type {};
template <class T>
struct IsVector<std::vector<T>> : std::true_type {};
template <class T>
struct IsArray : std::false_type {};
template <class T, size_t N>
struct IsArray<std::array<T, N>> : std::true_type {};
template <class T>
struct IsPair : std::false_type {};
template <class A, class B>
struct IsPair<std::pair<A, B>> : std::true_type {};

template <class T>
void Writer::put(const T& v) {
  if constexpr (std::is_same_v<T, bool>) {
    raw(v ? 1 : 0, 1);
  } else if constexpr (std::is_enum_v<T>) {
    put(static_cast<std::underlying_type_t<T>>(v));
  } else if constexpr (std::is_integral_v<T>) {
    raw(static_cast<uint64_t>(static_cast<std::make_unsigned_t<T>>(v)), sizeof(T));
  } else if constexpr (std::is_same_v<T, std::string>) {
    count(v.size());
    out_.insert(out_.end(), v.begin(), v.begin() + std::min<size_t>(v.size(), 0xFFFF));
  } else if constexpr (std::is_same_v<T, std::vector<uint8_t>>) {
    count(v.size());
    out_.insert(out_.end(), v.begin(), v.begin() + std::min<size_t>(v.size(), 0xFFFF));
  } else if constexpr (IsArray<T>::value) {
    for (const auto& item : v) put(item);
  } else if constexpr (IsVector<T>::value) {
    count(v.size());
    for (size_t i = 0; i < v.size() && i < 0xFFFF; ++i) put(v[i]);
  } else if constexpr (IsPair<T>::value) {
    put(v.first);
    put(v.second);
  } else {
    Fields(*this, const_cast<T&>(v));
  }
}

template <class T>
void Reader::get(T& v) {
  if constexpr (std::is_same_v<T, bool>) {
    const uint64_t b = raw(1);
    if (b > 1) ok_ = false;
    v = b == 1;
  } else if constexpr (std::is_enum_v<T>) {
    std::underlying_type_t<T> u{};
    get(u);
    v = static_cast<T>(u);
  } else if constexpr (std::is_integral_v<T>) {
    v = static_cast<T>(static_cast<std::make_unsigned_t<T>>(raw(sizeof(T))));
  } else if constexpr (std::is_same_v<T, std::string> || std::is_same_v<T, std::vector<uint8_t>>) {
    const size_t n = raw(2);
    if (!need(n)) return;
    v.assign(in_.begin() + pos_, in_.begin() + pos_ + n);
    pos_ += n;
  } else if constexpr (IsArray<T>::value) {
    for (auto& item : v) get(item);
  } else if constexpr (IsVector<T>::value) {
    const size_t n = raw(2);
    // Every item takes at least its minimum size: a count the rest cannot hold is refused before
    // anything is allocated for it.
    MinSize m;
    typename T::value_type probe{};
    m(probe);
    if (!ok_ || n * std::max<size_t>(m.bytes, 1) > in_.size() - pos_) {
      ok_ = false;
      return;
    }
    v.clear();
    v.resize(n);
    for (auto& item : v) get(item);
  } else if constexpr (IsPair<T>::value) {
    get(v.first);
    get(v.second);
  } else {
    Fields(*this, v);
  }
}

template <class T>
void MinSize::add(const T& v) {
  if constexpr (std::is_same_v<T, bool>) {
    bytes += 1;
  } else if constexpr (std::is_enum_v<T>) {
    bytes += sizeof(std::underlying_type_t<T>);
  } else if constexpr (std::is_integral_v<T>) {
    bytes += sizeof(T);
  } else if constexpr (std::is_same_v<T, std::string> || IsVector<T>::value) {
    bytes += 2;
  } else if constexpr (IsArray<T>::value) {
    for (const auto& item : v) add(item);
  } else if constexpr (IsPair<T>::value) {
    add(v.first);
    add(v.second);
  } else {
    Fields(*this, const_cast<T&>(v));
  }
}

// ---------------------------------------------------------------------------------------------
// Handshake and upkeep.

struct Hello {
  static constexpr MsgType kType = MsgType::Hello;
  std::array<uint8_t, 4> magic = kHelloMagic;
  uint16_t major = kMajorVersion;
  uint16_t minor = kMinorVersion;
  uint32_t build = 0;
  template <class V>
  void fields(V& v) {
    v(magic, major, minor, build);
  }
};

// The limits a client learns at the handshake (the core's, or lower from the configuration).
struct ServiceLimits {
  uint32_t frameBytes = kMaxFrameLength;
  uint32_t outstanding = kMaxOutstanding;
  uint32_t packetBytes = limits::kMaxPacketBytes;
  uint32_t chunkBytes = kMaxChunkBytes;
  uint32_t fileBytes = limits::kMaxFileBytes;
  uint32_t files = limits::kFiles;
  template <class V>
  void fields(V& v) {
    v(frameBytes, outstanding, packetBytes, chunkBytes, fileBytes, files);
  }
};

struct HelloAck {
  static constexpr MsgType kType = MsgType::HelloAck;
  uint16_t major = kMajorVersion;
  uint16_t minor = kMinorVersion;
  std::array<uint8_t, kNonceBytes> nonce{};
  uint32_t serverTime = 0;
  ServiceLimits limits;
  template <class V>
  void fields(V& v) {
    v(major, minor, nonce, serverTime, limits);
  }
};

enum class RefuseReason : uint16_t { VersionMismatch = 1, Full = 2, Banned = 3 };

struct Refused {
  static constexpr MsgType kType = MsgType::Refused;
  RefuseReason reason = RefuseReason::VersionMismatch;
  template <class V>
  void fields(V& v) {
    v(reason);
  }
};

struct Login {
  static constexpr MsgType kType = MsgType::Login;
  PublicKey publicKey{};
  std::string personaName;
  std::string country;
  std::string region;
  std::vector<UserId> friends;
  Signature signature{};  // last: it signs the fields before it
  template <class V>
  void fields(V& v) {
    v(publicKey, personaName, country, region, friends, signature);
  }
};

// "vantorel-login-1" ‖ nonce ‖ the login's fields before its signature, as encoded.
std::vector<uint8_t> LoginSignedBytes(std::span<const uint8_t, kNonceBytes> nonce, const Login& login);
// Fills in the signature with the key pair made from `seed` (the public key must be its own).
void SignLogin(Login& login, const Seed& seed, std::span<const uint8_t, kNonceBytes> nonce);
bool VerifyLogin(const Login& login, std::span<const uint8_t, kNonceBytes> nonce);

struct LoginOk {
  static constexpr MsgType kType = MsgType::LoginOk;
  UserId user = 0;
  std::string acceptedName;
  uint32_t appId = kAppId;
  bool cloudForAccount = true;
  bool cloudForApp = true;
  uint64_t quota = limits::kQuotaBytes;
  uint16_t udpPort = 0;
  uint32_t sessionId = 0;
  std::array<uint8_t, kUdpKeyBytes> udpKey{};
  uint32_t serverTime = 0;
  template <class V>
  void fields(V& v) {
    v(user, acceptedName, appId, cloudForAccount, cloudForApp, quota, udpPort, sessionId, udpKey, serverTime);
  }
};

enum class KickReason : uint16_t { Replaced = 1, Admin = 2, Shutdown = 3 };

struct Kicked {
  static constexpr MsgType kType = MsgType::Kicked;
  KickReason reason = KickReason::Replaced;
  template <class V>
  void fields(V& v) {
    v(reason);
  }
};

enum class ErrorCode : uint16_t {
  Malformed = 1,     // the connection is closed after it
  Unsupported = 2,   // an unknown request type
  Busy = 3,          // over 64 outstanding requests
  NotLoggedOn = 4,   // a request before the login
  LoginRefused = 5,  // a bad or late signature, a closed registration: closed after it
  RateLimited = 6,
};

struct Error {
  static constexpr MsgType kType = MsgType::Error;
  ErrorCode code = ErrorCode::Malformed;
  template <class V>
  void fields(V& v) {
    v(code);
  }
};

struct Ping {
  static constexpr MsgType kType = MsgType::Ping;
  template <class V>
  void fields(V&) {}
};

struct Pong {
  static constexpr MsgType kType = MsgType::Pong;
  uint32_t serverTime = 0;
  template <class V>
  void fields(V& v) {
    v(serverTime);
  }
};

// ---------------------------------------------------------------------------------------------
// Requests, each with its Reply.

struct LobbyCreate {
  static constexpr MsgType kType = MsgType::LobbyCreate;
  int32_t maxMembers = 0;
  template <class V>
  void fields(V& v) {
    v(maxMembers);
  }
  struct Reply {
    Result result = Result::Fail;
    LobbyId lobby = 0;
    template <class V>
    void fields(V& v) {
      v(result, lobby);
    }
  };
};

struct LobbyJoin {
  static constexpr MsgType kType = MsgType::LobbyJoin;
  LobbyId lobby = 0;
  template <class V>
  void fields(V& v) {
    v(lobby);
  }
  // On Success the whole lobby for the joiner's mirror; member data follows as events.
  struct Reply {
    LobbyId lobby = 0;
    JoinResponse response = JoinResponse::Error;
    UserId owner = 0;
    int32_t memberLimit = 0;
    std::vector<UserId> members;
    KeyValues data;
    template <class V>
    void fields(V& v) {
      v(lobby, response, owner, memberLimit, members, data);
    }
  };
};

struct LobbyLeave {
  static constexpr MsgType kType = MsgType::LobbyLeave;
  LobbyId lobby = 0;
  template <class V>
  void fields(V& v) {
    v(lobby);
  }
  struct Reply {
    template <class V>
    void fields(V&) {}
  };
};

// Lobby data (member data with LobbySetMemberData): the owner's mirror has it at once, the
// reply says whether the service kept it.
struct LobbySetData {
  static constexpr MsgType kType = MsgType::LobbySetData;
  LobbyId lobby = 0;
  std::string key;
  std::string value;
  template <class V>
  void fields(V& v) {
    v(lobby, key, value);
  }
  struct Reply {
    bool ok = false;
    template <class V>
    void fields(V& v) {
      v(ok);
    }
  };
};

struct LobbySetMemberData : LobbySetData {
  static constexpr MsgType kType = MsgType::LobbySetMemberData;
};

struct LobbySearch {
  static constexpr MsgType kType = MsgType::LobbySearch;
  LobbyQuery query;
  template <class V>
  void fields(V& v) {
    v(query);
  }
  struct Reply {
    Result result = Result::Fail;
    std::vector<LobbySnapshot> lobbies;
    std::vector<std::pair<UserId, std::string>> ownerNames;
    template <class V>
    void fields(V& v) {
      v(result, lobbies, ownerNames);
    }
  };
};

// A peer packet over the control connection, for a client without UDP. No reply: packets are
// unreliable anyway, and a target that cannot be reached gets PeerUnreachable.
struct SendPacket {
  static constexpr MsgType kType = MsgType::SendPacket;
  UserId target = 0;
  uint8_t channel = 0;
  std::vector<uint8_t> payload;
  template <class V>
  void fields(V& v) {
    v(target, channel, payload);
  }
};

// A client may make its ticket id itself (so getTicket answers at once and the registration
// follows); all zeros lets the service choose.
struct TicketIssue {
  static constexpr MsgType kType = MsgType::TicketIssue;
  std::array<uint8_t, 16> ticketId{};
  template <class V>
  void fields(V& v) {
    v(ticketId);
  }
  struct Reply {
    TicketHandle handle = 0;  // 0: none (16 live)
    std::vector<uint8_t> ticket;
    template <class V>
    void fields(V& v) {
      v(handle, ticket);
    }
  };
};

// By the service's handle, or (handle 0) by the ticket id the client chose.
struct TicketCancel {
  static constexpr MsgType kType = MsgType::TicketCancel;
  TicketHandle handle = 0;
  std::array<uint8_t, 16> ticketId{};
  template <class V>
  void fields(V& v) {
    v(handle, ticketId);
  }
  struct Reply {
    template <class V>
    void fields(V&) {}
  };
};

struct TicketBegin {
  static constexpr MsgType kType = MsgType::TicketBegin;
  std::vector<uint8_t> ticket;
  UserId claimed = 0;
  template <class V>
  void fields(V& v) {
    v(ticket, claimed);
  }
  struct Reply {
    BeginSessionResult result = BeginSessionResult::InvalidTicket;
    template <class V>
    void fields(V& v) {
      v(result);
    }
  };
};

struct TicketEnd {
  static constexpr MsgType kType = MsgType::TicketEnd;
  UserId user = 0;
  template <class V>
  void fields(V& v) {
    v(user);
  }
  struct Reply {
    template <class V>
    void fields(V&) {}
  };
};

struct BoardFind {
  static constexpr MsgType kType = MsgType::BoardFind;
  std::string name;
  template <class V>
  void fields(V& v) {
    v(name);
  }
  struct Reply {
    BoardHandle board = 0;
    bool found = false;
    template <class V>
    void fields(V& v) {
      v(board, found);
    }
  };
};

struct BoardUpload {
  static constexpr MsgType kType = MsgType::BoardUpload;
  BoardHandle board = 0;
  UploadMethod method = UploadMethod::KeepBest;
  int32_t score = 0;
  std::vector<int32_t> details;
  template <class V>
  void fields(V& v) {
    v(board, method, score, details);
  }
  struct Reply {
    bool success = false;
    BoardHandle board = 0;
    int32_t score = 0;
    bool changed = false;
    int32_t newRank = 0;
    int32_t previousRank = 0;
    template <class V>
    void fields(V& v) {
      v(success, board, score, changed, newRank, previousRank);
    }
  };
};

struct BoardDownload {
  static constexpr MsgType kType = MsgType::BoardDownload;
  BoardHandle board = 0;
  DownloadKind kind = DownloadKind::Global;
  int32_t start = 0;
  int32_t end = 0;
  template <class V>
  void fields(V& v) {
    v(board, kind, start, end);
  }
  struct Reply {
    bool success = false;
    BoardHandle board = 0;
    int32_t total = 0;
    std::vector<BoardEntry> entries;
    template <class V>
    void fields(V& v) {
      v(success, board, total, entries);
    }
  };
};

struct BoardAttachUgc {
  static constexpr MsgType kType = MsgType::BoardAttachUgc;
  BoardHandle board = 0;
  UgcHandle ugc = 0;
  template <class V>
  void fields(V& v) {
    v(board, ugc);
  }
  struct Reply {
    Result result = Result::Fail;
    BoardHandle board = 0;
    UgcHandle ugc = 0;
    template <class V>
    void fields(V& v) {
      v(result, board, ugc);
    }
  };
};

using StatList = std::vector<std::pair<std::string, int32_t>>;

struct StatsRequest {
  static constexpr MsgType kType = MsgType::StatsRequest;
  template <class V>
  void fields(V&) {}
  struct Reply {
    Result result = Result::Fail;
    StatList values;  // every name of the schema, achievements as 0/1
    template <class V>
    void fields(V& v) {
      v(result, values);
    }
  };
};

struct StatsStore {
  static constexpr MsgType kType = MsgType::StatsStore;
  StatList values;
  template <class V>
  void fields(V& v) {
    v(values);
  }
  using Reply = StatsRequest::Reply;  // the values as the service keeps them afterwards
};

// A file travels in chunks of at most 60 KiB; the service replaces the file only once every
// chunk of it arrived, so a write cut short leaves the old content.
struct FileWrite {
  static constexpr MsgType kType = MsgType::FileWrite;
  std::string name;
  uint32_t offset = 0;
  uint32_t total = 0;
  std::vector<uint8_t> chunk;
  template <class V>
  void fields(V& v) {
    v(name, offset, total, chunk);
  }
  struct Reply {
    bool ok = false;  // for the last chunk: the file was replaced
    template <class V>
    void fields(V& v) {
      v(ok);
    }
  };
};

struct FileRead {
  static constexpr MsgType kType = MsgType::FileRead;
  std::string name;
  uint32_t offset = 0;
  uint32_t maxBytes = 0;
  template <class V>
  void fields(V& v) {
    v(name, offset, maxBytes);
  }
  struct Reply {
    bool found = false;
    uint32_t total = 0;
    uint32_t offset = 0;
    std::vector<uint8_t> chunk;
    template <class V>
    void fields(V& v) {
      v(found, total, offset, chunk);
    }
  };
};

struct FileRemove {
  static constexpr MsgType kType = MsgType::FileRemove;
  std::string name;
  template <class V>
  void fields(V& v) {
    v(name);
  }
  struct Reply {
    bool ok = false;
    template <class V>
    void fields(V& v) {
      v(ok);
    }
  };
};

struct FileStat {
  static constexpr MsgType kType = MsgType::FileStat;
  std::string name;
  template <class V>
  void fields(V& v) {
    v(name);
  }
  struct Reply {
    bool exists = false;
    uint32_t size = 0;
    template <class V>
    void fields(V& v) {
      v(exists, size);
    }
  };
};

struct FileQuota {
  static constexpr MsgType kType = MsgType::FileQuota;
  template <class V>
  void fields(V&) {}
  struct Reply {
    bool ok = false;
    uint64_t total = 0;
    uint64_t available = 0;
    template <class V>
    void fields(V& v) {
      v(ok, total, available);
    }
  };
};

struct FileShare {
  static constexpr MsgType kType = MsgType::FileShare;
  std::string name;
  template <class V>
  void fields(V& v) {
    v(name);
  }
  struct Reply {
    Result result = Result::Fail;
    UgcHandle ugc = 0;
    template <class V>
    void fields(V& v) {
      v(result, ugc);
    }
  };
};

struct UgcDownload {
  static constexpr MsgType kType = MsgType::UgcDownload;
  UgcHandle ugc = 0;
  uint32_t offset = 0;
  template <class V>
  void fields(V& v) {
    v(ugc, offset);
  }
  struct Reply {
    Result result = Result::Fail;
    UgcHandle ugc = 0;
    uint32_t total = 0;
    UserId owner = 0;
    std::string name;
    uint32_t offset = 0;
    std::vector<uint8_t> chunk;
    template <class V>
    void fields(V& v) {
      v(result, ugc, total, owner, name, offset, chunk);
    }
  };
};

struct Invite {
  static constexpr MsgType kType = MsgType::Invite;
  UserId to = 0;
  LobbyId lobby = 0;
  template <class V>
  void fields(V& v) {
    v(to, lobby);
  }
  struct Reply {
    bool ok = false;
    template <class V>
    void fields(V& v) {
      v(ok);
    }
  };
};

// ---------------------------------------------------------------------------------------------
// Events.

// The whole current data of one scope (member == lobby: the lobby's data), so a mirror is
// replaced rather than patched.
struct LobbyDataChanged {
  static constexpr MsgType kType = MsgType::LobbyDataChanged;
  LobbyId lobby = 0;
  UserId member = 0;
  KeyValues data;
  template <class V>
  void fields(V& v) {
    v(lobby, member, data);
  }
};

struct LobbyMembers {
  static constexpr MsgType kType = MsgType::LobbyMembers;
  LobbyId lobby = 0;
  UserId owner = 0;
  int32_t memberLimit = 0;
  std::vector<UserId> members;
  template <class V>
  void fields(V& v) {
    v(lobby, owner, memberLimit, members);
  }
};

struct LobbyClosed {
  static constexpr MsgType kType = MsgType::LobbyClosed;
  LobbyId lobby = 0;
  template <class V>
  void fields(V& v) {
    v(lobby);
  }
};

struct PeerUnreachable {
  static constexpr MsgType kType = MsgType::PeerUnreachable;
  UserId user = 0;
  template <class V>
  void fields(V& v) {
    v(user);
  }
};

struct Invited {
  static constexpr MsgType kType = MsgType::Invited;
  LobbyId lobby = 0;
  UserId from = 0;
  std::string fromName;
  template <class V>
  void fields(V& v) {
    v(lobby, from, fromName);
  }
};

struct TicketVerdictEvent {
  static constexpr MsgType kType = MsgType::TicketVerdictEvent;
  UserId user = 0;
  TicketResponse response = TicketResponse::Ok;
  template <class V>
  void fields(V& v) {
    v(user, response);
  }
};

struct TimeChanged {
  static constexpr MsgType kType = MsgType::TimeChanged;
  uint32_t serverTime = 0;
  template <class V>
  void fields(V& v) {
    v(serverTime);
  }
};

// A peer packet delivered over the control connection; `from` is stamped by the service.
struct Packet {
  static constexpr MsgType kType = MsgType::Packet;
  UserId from = 0;
  uint8_t channel = 0;
  std::vector<uint8_t> payload;
  template <class V>
  void fields(V& v) {
    v(from, channel, payload);
  }
};

struct UdpRegistered {
  static constexpr MsgType kType = MsgType::UdpRegistered;
  template <class V>
  void fields(V&) {}
};

// ---------------------------------------------------------------------------------------------
// Encoding and decoding whole frames.

template <class M>
size_t MinimumSize() {
  MinSize m;
  M probe{};
  probe.fields(m);
  return m.bytes;
}

// Appends one frame to `out`. False (nothing appended) when a field overflows its prefix or the
// frame would exceed 64 KiB.
template <class M>
bool AppendFrame(std::vector<uint8_t>& out, MsgType type, uint16_t flags, uint32_t requestId,
                 const M& message) {
  const size_t start = out.size();
  Writer w(out);
  w(uint32_t{0}, static_cast<uint16_t>(type), flags, requestId);
  const_cast<M&>(message).fields(w);
  const size_t length = out.size() - start - kLengthBytes;
  if (!w.ok() || length > kMaxFrameLength) {
    out.resize(start);
    return false;
  }
  for (size_t i = 0; i < 4; ++i) out[start + i] = static_cast<uint8_t>(length >> (8 * i));
  return true;
}

// Messages sent as themselves (handshake, requests, events).
template <class M>
bool AppendMessage(std::vector<uint8_t>& out, const M& message, uint32_t requestId = 0) {
  uint16_t flags = 0;
  if constexpr (M::kType >= MsgType::LobbyDataChanged) flags = kFlagEvent;
  if constexpr (M::kType == MsgType::Kicked) flags = kFlagEvent;
  if constexpr (M::kType == MsgType::Error) flags = kFlagResponse | kFlagError;
  if constexpr (M::kType == MsgType::Pong) flags = kFlagResponse;
  return AppendFrame(out, M::kType, flags, requestId, message);
}

// A request's reply.
template <class Request>
bool AppendReply(std::vector<uint8_t>& out, uint32_t requestId, const typename Request::Reply& reply) {
  return AppendFrame(out, Request::kType, kFlagResponse, requestId, reply);
}

// Decodes a payload as M: nullopt when it is below M's minimum size or its fields run past the
// end (Malformed). A longer tail is ignored.
template <class M>
std::optional<M> DecodePayload(std::span<const uint8_t> payload) {
  if (payload.size() < MinimumSize<M>()) return std::nullopt;
  M message{};
  Reader r(payload);
  message.fields(r);
  if (!r.ok()) return std::nullopt;
  return message;
}

// What the frame's type is to the side reading it.
enum class Known { Yes, UnknownRequest, UnknownEvent, UnknownReply };

// Whether the service knows a frame a client sent (handshake, upkeep and requests).
bool IsServiceBound(uint16_t type);
// Whether a client knows a frame the service sent, given its flags.
bool IsClientBound(uint16_t type, uint16_t flags);

// Full structural checks of one frame's payload for the side given, as the service and the
// client run them before acting: Malformed when below the minimum or cut. Used by both sides'
// dispatch and by the fuzz targets.
enum class DecodeStatus { Ok, Malformed, Unsupported, Ignored };
DecodeStatus CheckServiceBound(const FrameHeader& header, std::span<const uint8_t> payload);
DecodeStatus CheckClientBound(const FrameHeader& header, std::span<const uint8_t> payload);

}  // namespace vt::lobby::wire
