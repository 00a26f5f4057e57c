// The online profile: the persona name as the game gets it (CP932, 1-31 bytes, no control
// characters), damaged profiles refused with a log line naming the file, a profile made on first
// use (mode 0600, a fresh key) surviving a round trip, and where the profile lives. Every file
// lives in the test's temporary folder.
#include "platform/online/net/profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/online/log_capture.h"
#include "support/test_util.h"

namespace vt::online {
namespace {

namespace fs = std::filesystem;

const lobby::UserId kUser = lobby::MakeId(lobby::IdKind::User, 0x1234);
const lobby::UserId kFriend = lobby::MakeId(lobby::IdKind::User, 77);

std::string Repeat(std::string_view s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

using test::LogCapture;

mode_t ModeOf(const fs::path& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 0777) : 0;
}

lobby::Seed FixedSeed(uint8_t first) {
  lobby::Seed seed{};
  for (size_t i = 0; i < seed.size(); ++i) seed[i] = static_cast<uint8_t>(first + i);
  return seed;
}

struct NameRow {
  const char* label;
  std::string utf8;
  std::string cp932;    // "" when refused
  const char* problem;  // part of the reason when refused
};

TEST(ProfileName, ConvertsToCp932WithinThirtyOneBytesAndWithoutControls) {
  const std::string kanji = "\xE6\xBC\xA2";  // one CP932 double-byte character (0x8A 0xBF)
  const NameRow rows[] = {
      {"ascii", "Alice", "Alice", ""},
      {"japanese", "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88", "\x83\x65\x83\x58\x83\x67", ""},
      {"half-width katakana is one byte", "\xEF\xBD\xB1", "\xB1", ""},
      {"31 bytes after conversion", Repeat(kanji, 15) + "A", Repeat("\x8A\xBF", 15) + "A", ""},
      {"32 bytes after conversion", Repeat(kanji, 16), "", "32 bytes in CP932"},
      {"31 ascii", std::string(31, 'n'), std::string(31, 'n'), ""},
      {"32 ascii", std::string(32, 'n'), "", "32 bytes in CP932"},
      {"emoji has no CP932 form", "Al\xF0\x9F\x98\x80", "", "cannot be written in CP932"},
      {"hangul has no CP932 form", "\xED\x95\x9C", "", "cannot be written in CP932"},
      {"broken utf-8", "Al\xFF", "", "cannot be written in CP932"},
      {"truncated utf-8", "Al\xE3\x83", "", "cannot be written in CP932"},
      {"tab", "Al\tice", "", "control character"},
      {"escape", "Al\x1B[31mice", "", "control character"},
      {"delete", "Alice\x7F", "", "control character"},
      {"C1 control", "Al\xC2\x85ice", "", "cannot be written in CP932"},
      {"empty", "", "", "empty"},
  };
  for (const NameRow& row : rows) {
    SCOPED_TRACE(row.label);
    std::string problem;
    std::optional<std::string> name = PersonaNameOf(row.utf8, problem);
    if (row.cp932.empty()) {
      EXPECT_FALSE(name.has_value());
      EXPECT_NE(problem.find(row.problem), std::string::npos) << problem;
    } else {
      ASSERT_TRUE(name.has_value()) << problem;
      EXPECT_EQ(*name, row.cp932);
    }
  }
}

TEST(ProfileText, ReadsEveryKeyAndWritesItBack) {
  const std::string text =
      "\xEF\xBB\xBF# written by hand\n"
      "  name =  \xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88 Taro  \n"
      "secret = AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8=\r\n"
      "service = [::1]:47800\r\n"
      "\r\n"
      "user_id = " +
      std::to_string(kUser) +
      "\n"
      "\xEF\xBB\xBF"
      "country = jp\n"  // a mark where two files were joined
      "region = Kanto\n"
      "friends = " +
      std::to_string(kFriend) + ",  " + std::to_string(kUser) + " " + std::to_string(kFriend) +
      "\n"
      "service_pin = abcdef\n";
  Profile p;
  std::string problem;
  ASSERT_TRUE(ParseProfile(text, p, problem)) << problem;
  EXPECT_EQ(p.name, "\xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88 Taro");
  ASSERT_TRUE(p.hasSecret);
  EXPECT_EQ(p.secret, FixedSeed(0));
  EXPECT_EQ(p.service, "[::1]:47800");
  EXPECT_EQ(p.userId, kUser);
  EXPECT_EQ(p.country, "JP");
  EXPECT_EQ(p.region, "Kanto");
  EXPECT_EQ(p.friends, (std::vector<lobby::UserId>{kFriend, kUser}));  // the repeat is one claim
  EXPECT_EQ(p.otherLines, (std::vector<std::string>{"# written by hand", "service_pin = abcdef"}));

  const std::string written = FormatProfile(p);
  EXPECT_EQ(written.find('\n'), written.find("\r\n") + 1);
  Profile again;
  ASSERT_TRUE(ParseProfile(written, again, problem)) << problem;
  EXPECT_EQ(FormatProfile(again), written);
  EXPECT_EQ(again.secret, p.secret);
  EXPECT_EQ(again.friends, p.friends);
  EXPECT_EQ(again.otherLines, p.otherLines);
}

TEST(ProfileText, EmptyValuesAreAbsentAndTheRegionDefaultsToTheCountry) {
  Profile p;
  std::string problem;
  ASSERT_TRUE(ParseProfile("name = Bob\r\nsecret =\r\nuser_id = \r\ncountry = DE\r\n", p, problem))
      << problem;
  EXPECT_FALSE(p.hasSecret);
  EXPECT_EQ(p.userId, 0u);
  EXPECT_EQ(EffectiveRegion(p), "DE");
  p.region = "EU-West";
  EXPECT_EQ(EffectiveRegion(p), "EU-West");
}

struct DamageRow {
  const char* label;
  std::string text;
  const char* problem;
};

TEST(ProfileText, DamagedProfilesAreRefusedWithTheReason) {
  const std::string id = std::to_string(kUser);
  std::string tooManyFriends;
  for (uint64_t i = 1; i <= kMaxProfileFriends + 1; ++i)
    tooManyFriends += std::to_string(lobby::MakeId(lobby::IdKind::User, i)) + ",";
  const DamageRow rows[] = {
      {"short seed (31 bytes)", "secret = AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHg==\r\n", "secret"},
      {"long seed (33 bytes)", "secret = AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8g\r\n", "secret"},
      {"seed not base64", "secret = AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdH!8=\r\n", "secret"},
      {"seed in the url alphabet", "secret = AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh-=\r\n", "secret"},
      {"seed without padding", "secret = AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8\r\n", "secret"},
      {"a line without '='", "name = A\r\nsecret\r\n", "line 2 is not"},
      {"no key", "= A\r\n", "line 1 is not"},
      {"a key twice", "name = A\r\nname = B\r\n", "\"name\" is given twice"},
      {"an unknown key twice", "pin = 1\r\npin = 2\r\n", "\"pin\" is given twice"},
      {"NUL byte", std::string("name = A\0B\r\n", 12), "NUL"},
      {"user id not a number", "user_id = 12a\r\n", "user_id"},
      {"user id of a lobby", "user_id = " + std::to_string(lobby::MakeId(lobby::IdKind::Lobby, 5)) + "\r\n",
       "user_id"},
      {"user id beyond 64 bits", "user_id = 18446744073709551616\r\n", "user_id"},
      {"negative user id", "user_id = -" + id + "\r\n", "user_id"},
      {"friend not an id", "friends = " + id + ", bob\r\n", "\"bob\" is not a user id"},
      {"too many friends", "friends = " + tooManyFriends + "\r\n", "more than 1024"},
      {"country of three letters", "country = JPN\r\n", "country"},
      {"country with a digit", "country = J1\r\n", "country"},
      {"region too long", "region = " + std::string(32, 'r') + "\r\n", "region"},
      {"region with a control", "region = a\x01z\r\n", "region"},
      {"service without a port", "service = lobby.example\r\n", "service"},
      {"service on port 0", "service = 127.0.0.1:0\r\n", "port is 0"},
      {"service port too large", "service = 127.0.0.1:65536\r\n", "service"},
      {"service with a bare IPv6 address", "service = ::1:47800\r\n", "[address]:port"},
      {"too large", "name = A\r\n# " + std::string(kMaxProfileBytes, 'x') + "\r\n", "larger than 64 KiB"},
  };
  for (const DamageRow& row : rows) {
    SCOPED_TRACE(row.label);
    Profile p;
    std::string problem;
    EXPECT_FALSE(ParseProfile(row.text, p, problem));
    EXPECT_NE(problem.find(row.problem), std::string::npos) << problem;
  }
}

TEST(ProfileFile, MadeOnFirstUseWithModeSixHundredAndKeptAcrossLoads) {
  const fs::path path = fs::current_path() / "config" / "vantorel" / "online-profile.txt";
  std::optional<Profile> made;
  {
    LogCapture log;
    made = LoadOrCreateProfile(path.string());
    EXPECT_NE(log.text().find(path.string()), std::string::npos);
  }
  ASSERT_TRUE(made.has_value());
  EXPECT_TRUE(made->hasSecret);
  EXPECT_NE(made->secret, lobby::Seed{});
  EXPECT_EQ(made->name, "Player");
  EXPECT_EQ(ModeOf(path), 0600u);
  EXPECT_EQ(ModeOf(path.parent_path()), 0700u);
  const std::string text = test::ReadFile(path);
  EXPECT_EQ(text.substr(0, 15), "name = Player\r\n");

  std::optional<Profile> again = LoadOrCreateProfile(path.string());
  ASSERT_TRUE(again.has_value());
  EXPECT_EQ(again->secret, made->secret);  // the same player, not a new key
  EXPECT_EQ(test::ReadFile(path), text);   // nothing rewritten

  // The user id comes back from the first login and is written beside the rest.
  again->userId = kUser;
  ASSERT_TRUE(SaveProfile(path.string(), *again));
  Profile loaded;
  ASSERT_EQ(LoadProfile(path.string(), loaded), ProfileLoad::Loaded);
  EXPECT_EQ(loaded.userId, kUser);
  EXPECT_EQ(lobby::PublicKeyOf(loaded.secret), lobby::PublicKeyOf(made->secret));
  EXPECT_EQ(ModeOf(path), 0600u);
  for (const auto& entry : fs::directory_iterator(path.parent_path()))
    EXPECT_EQ(entry.path().filename(), "online-profile.txt");  // no temporary file left behind
}

TEST(ProfileFile, AProfileWithoutASecretGetsOneAndKeepsItsOtherLines) {
  test::WriteFile("p.txt", "name = Bob\r\n# mine\r\nservice_pin = 00ff\r\n");
  ::chmod("p.txt", 0644);
  std::optional<Profile> p;
  {
    LogCapture log;
    p = LoadOrCreateProfile("p.txt");
  }
  ASSERT_TRUE(p.has_value());
  EXPECT_TRUE(p->hasSecret);
  Profile loaded;
  ASSERT_EQ(LoadProfile("p.txt", loaded), ProfileLoad::Loaded);
  EXPECT_EQ(loaded.name, "Bob");
  EXPECT_EQ(loaded.secret, p->secret);
  EXPECT_EQ(loaded.otherLines, (std::vector<std::string>{"# mine", "service_pin = 00ff"}));
  EXPECT_EQ(ModeOf("p.txt"), 0600u);
}

// The user id a login brings is written into the file as it is now, not as start-up read it,
// and only into the profile of the key that logged in.
TEST(ProfileFile, TheUserIdIsWrittenBackIntoTheFileAsItIsNow) {
  const lobby::Seed seed = FixedSeed(1);
  Profile atStart;
  atStart.name = "Dora";
  atStart.secret = seed;
  atStart.hasSecret = true;
  Profile other = atStart;
  other.secret = FixedSeed(9);
  struct Row {
    const char* label;
    std::optional<Profile> onDisk;  // null: no file
    const char* rawText;            // written as it stands when set
    bool recorded;
    const char* logged;  // part of the log line when not recorded
  };
  Profile edited = atStart;  // the player added a friend and a line of their own since start-up
  edited.friends = {kFriend};
  edited.otherLines = {"# keep me"};
  Profile already = atStart;
  already.userId = kUser;
  const Row rows[] = {
      {"first login", atStart, nullptr, true, ""},
      {"edited since start-up", edited, nullptr, true, ""},
      {"already holds the id", already, nullptr, true, ""},
      {"another key now", other, nullptr, false, "another key"},
      {"missing", std::nullopt, nullptr, false, "is gone"},
      {"damaged", std::nullopt, "name = Dora\r\nsecret = AAEC\r\n", false, "secret"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    const fs::path path = fs::current_path() / "record.txt";
    fs::remove(path);
    if (row.onDisk) ASSERT_TRUE(SaveProfile(path.string(), *row.onDisk));
    if (row.rawText) test::WriteFile(path, row.rawText);
    const std::string before = fs::exists(path) ? test::ReadFile(path) : "";
    struct stat st {};
    ::stat(path.c_str(), &st);
    const ino_t inodeBefore = st.st_ino;
    LogCapture log;
    EXPECT_EQ(RecordUserId(path.string(), seed, kUser), row.recorded);
    if (!row.recorded) {
      EXPECT_NE(log.text().find(path.string()), std::string::npos);
      EXPECT_NE(log.text().find(row.logged), std::string::npos) << log.text();
      EXPECT_EQ(fs::exists(path) ? test::ReadFile(path) : "", before);  // left as it was
      continue;
    }
    Profile loaded;
    ASSERT_EQ(LoadProfile(path.string(), loaded), ProfileLoad::Loaded);
    Profile expected = *row.onDisk;
    expected.userId = kUser;
    EXPECT_EQ(loaded, expected);  // only the id changed
    EXPECT_EQ(ModeOf(path), 0600u);
    if (row.onDisk->userId == kUser) {
      ::stat(path.c_str(), &st);
      EXPECT_EQ(st.st_ino, inodeBefore);  // nothing rewritten
    }
  }
}

TEST(ProfileFile, ADamagedProfileIsRefusedWithALogLineNamingTheFileAndLeftAlone) {
  const fs::path path = fs::current_path() / "damaged-profile.txt";
  const std::string damaged = "name = Carol\r\nsecret = AAECAwQFBgcI\r\n";
  test::WriteFile(path, damaged);
  LogCapture log;
  Profile p;
  EXPECT_EQ(LoadProfile(path.string(), p), ProfileLoad::Damaged);
  EXPECT_FALSE(LoadOrCreateProfile(path.string()).has_value());
  EXPECT_EQ(test::ReadFile(path), damaged);  // a player's key is never replaced by a new one
  const std::string lines = log.text();
  EXPECT_NE(lines.find("online profile " + path.string() + ": line 2: the secret"), std::string::npos)
      << lines;

  Profile missing;
  EXPECT_EQ(LoadProfile("absent.txt", missing), ProfileLoad::Missing);
  fs::create_directory("a-folder");
  EXPECT_EQ(LoadProfile("a-folder", missing), ProfileLoad::Damaged);
}

TEST(ProfileFile, AValueThatWouldNotReadBackIsNotWritten) {
  LogCapture log;
  Profile p;
  p.name = "Eve\r\nsecret = AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8=";
  EXPECT_FALSE(SaveProfile("p.txt", p));
  EXPECT_FALSE(fs::exists("p.txt"));
  EXPECT_NE(log.text().find("p.txt"), std::string::npos);
}

TEST(ProfileFile, LivesUnderTheConfigFolder) {
  struct Row {
    const char* xdg;
    const char* home;
    const char* path;
  };
  const Row rows[] = {
      {"/cfg", "/home/a", "/cfg/vantorel/online-profile.txt"},
      {nullptr, "/home/a", "/home/a/.config/vantorel/online-profile.txt"},
      {"", "/home/a", "/home/a/.config/vantorel/online-profile.txt"},
      {"relative", "/home/a", "/home/a/.config/vantorel/online-profile.txt"},  // not absolute: ignored
      {nullptr, nullptr, ""},
      {nullptr, "", ""},
  };
  for (const Row& row : rows) EXPECT_EQ(DefaultProfilePath(row.xdg, row.home), row.path);
}

}  // namespace
}  // namespace vt::online
