// The online profile: who the player is to the lobby service. A text file of "key = value" lines
// (CR LF) holding the persona name (UTF-8; the game gets it as CP932), the secret seed of the
// player's Ed25519 key, the service to use, the user id the service gave, the country, the region
// and the friends. Whoever holds the file is the user, so it is written mode 0600 through a
// temporary file and a rename, and a damaged file is refused rather than replaced.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lobby/identity.h"
#include "lobby/types.h"

namespace vt::online {

struct Profile {
  std::string name;  // UTF-8, as the player wrote it
  lobby::Seed secret{};
  bool hasSecret = false;
  std::string service;  // "host:port" or ""
  lobby::UserId userId = 0;
  std::string country;  // two upper-case letters or ""
  std::string region;   // "" reads as the country
  std::vector<lobby::UserId> friends;
  // Keys this build does not know and comment lines, kept as they stand so that a rewrite (the
  // user id after the first login) never drops what a newer build or the player put there.
  std::vector<std::string> otherLines;
  bool operator==(const Profile&) const = default;
};

// Friends a profile may list: far more than a player keeps, few enough for one login request.
constexpr size_t kMaxProfileFriends = 1024;
// Larger files are not a profile.
constexpr size_t kMaxProfileBytes = 64 * 1024;

// Reads a profile's text. False, with the reason in `problem`, when the text is damaged: a line
// without "=", a key given twice, a NUL byte, a secret that is not the base64 of a 32-byte seed,
// a service that is not "host:port", a user id or friend that is not a user id, a country that
// is not two letters, a region that is not 1-31 bytes of printable ASCII. The name is only
// required to be there; whether it can be used is PersonaNameOf's question.
bool ParseProfile(std::string_view text, Profile& out, std::string& problem);

// The text ParseProfile reads back (CR LF, the known keys first, then the other lines).
std::string FormatProfile(const Profile& profile);

// The persona name the game gets: the UTF-8 name converted to CP932, 1-31 bytes without control
// characters. Null, with the reason in `problem`, when the name is empty, cannot be converted,
// is longer than 31 bytes after conversion or holds a control character.
std::optional<std::string> PersonaNameOf(std::string_view utf8Name, std::string& problem);

// The region a search compares: the profile's, else its country.
std::string EffectiveRegion(const Profile& profile);

enum class ProfileLoad { Loaded, Missing, Damaged };

// Reads the profile file; a damaged or unreadable one is refused with a log line naming the file.
ProfileLoad LoadProfile(const std::string& path, Profile& out);

// Writes the profile, mode 0600, through a temporary file in the same folder and a rename; the
// folder is made (0700) when missing. False, with a log line naming the file, when it fails or
// when the text would not read back as this profile (a line break inside a value).
bool SaveProfile(const std::string& path, const Profile& profile);

// The profile as the login uses it: loaded, or made on first use (a new seed, the name "Player")
// and saved; a loaded profile without a secret gets one and is saved. Null, with a log line, when
// the file is damaged or cannot be written.
std::optional<Profile> LoadOrCreateProfile(const std::string& path);

// Writes the user id the service gave back into the profile after a login. The file is read
// again and only its `user_id` changes, so what the player or another run wrote since start-up is
// kept; it is saved as SaveProfile saves. Nothing is written when the file already holds the id,
// and nothing when it is missing, damaged or now holds another key than `secret` (the id is not
// that key's): false then, with a log line naming the file.
bool RecordUserId(const std::string& path, const lobby::Seed& secret, lobby::UserId user);

// Where the profile lives when --online-profile is not given: $XDG_CONFIG_HOME/vantorel/
// online-profile.txt, or ~/.config/vantorel/online-profile.txt when that is unset, empty or not
// an absolute path. "" when neither gives a folder.
std::string DefaultProfilePath(const char* xdgConfigHome, const char* home);
// The same from the process environment.
std::string DefaultProfilePath();

}  // namespace vt::online
