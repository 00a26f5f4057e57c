// Reading, writing and placing the online profile.
#include "platform/online/net/profile.h"

#include <fcntl.h>
#include <iconv.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "app/lib_debug.h"
#include "lobby/host_port.h"
#include "lobby/text_lines.h"

namespace vt::online {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kDefaultName = "Player";

void Log(const std::string& path, const std::string& problem) {
  DebugOutput(("online profile " + path + ": " + problem + "\n").c_str());
}

bool ParseUserId(std::string_view text, lobby::UserId& id) {
  if (text.empty() || text.size() > 20) return false;
  uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    const uint64_t digit = static_cast<uint64_t>(c - '0');
    if (value > (UINT64_MAX - digit) / 10) return false;
    value = value * 10 + digit;
  }
  if (!lobby::isValid(value, lobby::IdKind::User)) return false;
  id = value;
  return true;
}

bool ParseSecret(std::string_view text, lobby::Seed& seed) {
  // The base64 of 32 bytes is 44 characters; anything else is not a seed.
  if (text.size() != sodium_base64_ENCODED_LEN(lobby::kSeedBytes, sodium_base64_VARIANT_ORIGINAL) - 1)
    return false;
  size_t length = 0;
  const char* end = nullptr;
  lobby::Seed decoded{};
  if (sodium_base642bin(decoded.data(), decoded.size(), text.data(), text.size(), nullptr, &length, &end,
                        sodium_base64_VARIANT_ORIGINAL) != 0 ||
      length != lobby::kSeedBytes || end != text.data() + text.size())
    return false;
  seed = decoded;
  return true;
}

std::string SecretText(const lobby::Seed& seed) {
  char text[sodium_base64_ENCODED_LEN(lobby::kSeedBytes, sodium_base64_VARIANT_ORIGINAL)];
  sodium_bin2base64(text, sizeof(text), seed.data(), seed.size(), sodium_base64_VARIANT_ORIGINAL);
  return text;
}

bool ParseFriends(std::string_view text, std::vector<lobby::UserId>& friends, std::string& problem) {
  friends.clear();
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ',' || text[i] == ' ' || text[i] == '\t')) ++i;
    size_t j = i;
    while (j < text.size() && text[j] != ',' && text[j] != ' ' && text[j] != '\t') ++j;
    if (j == i) break;
    lobby::UserId id = 0;
    if (!ParseUserId(text.substr(i, j - i), id)) {
      problem = "friends: \"" + std::string(text.substr(i, j - i)) + "\" is not a user id";
      return false;
    }
    // A friend listed twice is the same claim; the list keeps the first.
    bool seen = false;
    for (lobby::UserId f : friends) seen = seen || f == id;
    if (!seen) {
      if (friends.size() == kMaxProfileFriends) {
        problem = "friends: more than " + std::to_string(kMaxProfileFriends) + " user ids";
        return false;
      }
      friends.push_back(id);
    }
    i = j;
  }
  return true;
}

// Applies one known key; false (with the reason) when its value is damaged.
bool ApplyKey(std::string_view key, std::string_view value, Profile& out, std::string& problem) {
  if (key == "name") {
    out.name.assign(value);
  } else if (key == "secret") {
    if (!ParseSecret(value, out.secret)) {
      problem = "the secret is not the base64 of a 32-byte seed";
      return false;
    }
    out.hasSecret = true;
  } else if (key == "service") {
    std::string why;
    std::optional<lobby::HostPort> address = lobby::ParseHostPort(value, &why);
    if (!address || address->port == 0) {
      problem = "service \"" + std::string(value) + "\": " + (address ? "the port is 0" : why);
      return false;
    }
    out.service.assign(value);
  } else if (key == "user_id") {
    if (!ParseUserId(value, out.userId)) {
      problem = "user_id \"" + std::string(value) + "\" is not a user id";
      return false;
    }
  } else if (key == "country") {
    auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (value.size() != 2 || !letter(value[0]) || !letter(value[1])) {
      problem = "country \"" + std::string(value) + "\" is not two letters";
      return false;
    }
    auto upper = [](char c) { return c >= 'a' ? static_cast<char>(c - 'a' + 'A') : c; };
    out.country = {upper(value[0]), upper(value[1])};
  } else if (key == "region") {
    bool printable = value.size() <= lobby::limits::kMaxPersonaBytes;
    for (char c : value) printable = printable && c >= 0x20 && c < 0x7F;
    if (!printable) {
      problem = "region is not 1-31 bytes of printable ASCII";
      return false;
    }
    out.region.assign(value);
  } else if (key == "friends") {
    return ParseFriends(value, out.friends, problem);
  }
  return true;
}

bool IsKnownKey(std::string_view key) {
  return key == "name" || key == "secret" || key == "service" || key == "user_id" || key == "country" ||
         key == "region" || key == "friends";
}

}  // namespace

bool ParseProfile(std::string_view text, Profile& out, std::string& problem) {
  out = Profile{};
  if (text.size() > kMaxProfileBytes) {
    problem = "larger than " + std::to_string(kMaxProfileBytes / 1024) + " KiB";
    return false;
  }
  if (text.find('\0') != std::string_view::npos) {
    problem = "holds a NUL byte";
    return false;
  }
  std::vector<std::string> seen;
  int lineNumber = 0;
  while (!text.empty()) {
    ++lineNumber;
    std::string_view line = lobby::TakeLine(text);
    // A byte-order mark (a Windows editor's, or files joined together) is no part of a line; were
    // it kept, the writer could start a file with one, which the reader would then drop.
    while (line.substr(0, kBom.size()) == kBom) line.remove_prefix(kBom.size());
    const std::string_view trimmed = lobby::TrimBlanks(line);
    if (trimmed.empty()) continue;
    if (trimmed.front() == '#' || trimmed.front() == ';') {
      out.otherLines.emplace_back(line);
      continue;
    }
    const size_t eq = trimmed.find('=');
    const std::string_view key =
        eq == std::string_view::npos ? std::string_view{} : lobby::TrimBlanks(trimmed.substr(0, eq));
    if (key.empty()) {
      problem = "line " + std::to_string(lineNumber) + " is not \"key = value\"";
      return false;
    }
    for (const std::string& k : seen)
      if (k == key) {
        problem = "line " + std::to_string(lineNumber) + ": \"" + std::string(key) + "\" is given twice";
        return false;
      }
    seen.emplace_back(key);
    if (!IsKnownKey(key)) {
      out.otherLines.emplace_back(line);
      continue;
    }
    // An empty value is an absent key (a profile written from a template).
    const std::string_view value = lobby::TrimBlanks(trimmed.substr(eq + 1));
    if (value.empty()) continue;
    if (!ApplyKey(key, value, out, problem)) {
      problem = "line " + std::to_string(lineNumber) + ": " + problem;
      return false;
    }
  }
  return true;
}

std::string FormatProfile(const Profile& profile) {
  std::string out;
  auto line = [&out](std::string_view key, std::string_view value) {
    if (value.empty()) return;
    out.append(key).append(" = ").append(value).append("\r\n");
  };
  line("name", profile.name);
  if (profile.hasSecret) line("secret", SecretText(profile.secret));
  line("service", profile.service);
  if (profile.userId != 0) line("user_id", std::to_string(profile.userId));
  line("country", profile.country);
  line("region", profile.region);
  std::string friends;
  for (lobby::UserId id : profile.friends) friends += (friends.empty() ? "" : ", ") + std::to_string(id);
  line("friends", friends);
  for (const std::string& other : profile.otherLines) out.append(other).append("\r\n");
  return out;
}

std::optional<std::string> PersonaNameOf(std::string_view utf8Name, std::string& problem) {
  if (utf8Name.empty()) {
    problem = "the name is empty";
    return std::nullopt;
  }
  // ASCII control bytes mean the same in UTF-8; C1 controls have no CP932 form and fail below.
  for (char c : utf8Name)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      problem = "the name holds a control character";
      return std::nullopt;
    }
  iconv_t cd = iconv_open("CP932", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    problem = "the system cannot convert UTF-8 to CP932";
    return std::nullopt;
  }
  // CP932 never takes more bytes than UTF-8 for a character it has.
  std::string out(utf8Name.size() + 8, '\0');
  char* in = const_cast<char*>(utf8Name.data());
  size_t inLeft = utf8Name.size();
  char* outPtr = out.data();
  size_t outLeft = out.size();
  const size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1) || inLeft != 0) {
    problem = "the name \"" + std::string(utf8Name) + "\" cannot be written in CP932";
    return std::nullopt;
  }
  out.resize(out.size() - outLeft);
  if (out.size() > lobby::limits::kMaxPersonaBytes) {
    problem = "the name \"" + std::string(utf8Name) + "\" is " + std::to_string(out.size()) +
              " bytes in CP932, more than 31";
    return std::nullopt;
  }
  return out;
}

std::string EffectiveRegion(const Profile& profile) {
  return profile.region.empty() ? profile.country : profile.region;
}

ProfileLoad LoadProfile(const std::string& path, Profile& out) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return ProfileLoad::Missing;
    Log(path, std::string("cannot be read: ") + std::strerror(errno));
    return ProfileLoad::Damaged;
  }
  struct stat st {};
  std::string text;
  std::string problem;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    problem = "is not a regular file";
  } else if (static_cast<uint64_t>(st.st_size) > kMaxProfileBytes) {
    problem = "larger than " + std::to_string(kMaxProfileBytes / 1024) + " KiB";
  } else {
    text.resize(static_cast<size_t>(st.st_size));
    size_t done = 0;
    while (done < text.size()) {
      const ssize_t n = ::read(fd, text.data() + done, text.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    if (done != text.size()) problem = "cannot be read whole";
  }
  ::close(fd);
  if (problem.empty() && ParseProfile(text, out, problem)) return ProfileLoad::Loaded;
  Log(path, problem + "; the profile is not used");
  return ProfileLoad::Damaged;
}

// The shared atomic writer makes its temporary file 0644 under a fixed name; a secret must never
// be readable by others, not even while it is being written, so this one makes it 0600.
bool SaveProfile(const std::string& path, const Profile& profile) {
  const std::string text = FormatProfile(profile);
  // Only what reads back as the same profile is written: a line break inside a name must not
  // smuggle in a secret or a service of someone else's choosing.
  Profile expected = profile, check;
  if (!expected.hasSecret) expected.secret = {};
  std::string problem;
  if (!ParseProfile(text, check, problem) || check != expected) {
    Log(path, "not written: a value cannot be written as one line");
    return false;
  }
  const std::filesystem::path target(path);
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
  std::error_code ec;
  if (!std::filesystem::exists(folder, ec)) {
    if (folder.has_parent_path()) std::filesystem::create_directories(folder.parent_path(), ec);
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
      Log(path, std::string("not written: the folder cannot be made: ") + std::strerror(errno));
      return false;
    }
  }
  std::string temp = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkstemp(temp.data());  // mode 0600
  if (fd < 0) {
    Log(path, std::string("not written: ") + std::strerror(errno));
    return false;
  }
  size_t done = 0;
  bool ok = ::fchmod(fd, 0600) == 0;
  while (ok && done < text.size()) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<size_t>(n);
  }
  ok = ok && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
    const int error = errno;
    ::unlink(temp.c_str());
    Log(path, std::string("not written: ") + std::strerror(error));
    return false;
  }
  // The rename itself survives a crash once the folder is on disk.
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return true;
}

std::optional<Profile> LoadOrCreateProfile(const std::string& path) {
  Profile profile;
  switch (LoadProfile(path, profile)) {
    case ProfileLoad::Damaged:
      return std::nullopt;
    case ProfileLoad::Missing:
      // A new player gets a plain name to change in the file; the account name of the system is
      // not offered, since other players would see it.
      profile.name = kDefaultName;
      break;
    case ProfileLoad::Loaded:
      if (profile.hasSecret) return profile;
      break;
  }
  profile.secret = lobby::NewSeed();
  profile.hasSecret = true;
  if (!SaveProfile(path, profile)) return std::nullopt;
  Log(path, "a new key was made for this profile");
  return profile;
}

bool RecordUserId(const std::string& path, const lobby::Seed& secret, lobby::UserId user) {
  // Two logins of one process (a reconnection racing a restart) must not interleave their
  // read-modify-write.
  static std::mutex mutex;
  std::lock_guard<std::mutex> guard(mutex);
  Profile profile;
  const ProfileLoad load = LoadProfile(path, profile);
  if (load == ProfileLoad::Missing) Log(path, "is gone; the user id is not written back");
  if (load != ProfileLoad::Loaded) return false;
  if (!profile.hasSecret || profile.secret != secret) {
    Log(path, "now holds another key; the user id is not written back");
    return false;
  }
  if (profile.userId == user) return true;
  profile.userId = user;
  return SaveProfile(path, profile);
}

std::string DefaultProfilePath(const char* xdgConfigHome, const char* home) {
  constexpr std::string_view kTail = "/vantorel/online-profile.txt";
  if (xdgConfigHome != nullptr && xdgConfigHome[0] == '/')
    return std::string(xdgConfigHome) + std::string(kTail);
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.config" + std::string(kTail);
  return {};
}

std::string DefaultProfilePath() {
  return DefaultProfilePath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
}

}  // namespace vt::online
