// The game texts: ".\GameText.ini" with a "Japanese" section (Shift-JIS) and an "English" section
// of numbered texts in the same order, CR LF line ends.
#include <cstdio>
#include <map>

#include "ini_writer.h"
#include "mkdata.h"

namespace {

constexpr int kGameTextCount = 130;

struct Text {
  const char* english;
  const char* japanese;  // Shift-JIS
};

// Texts the screens ask for by number; the rest are numbered placeholders.
const std::map<int, Text>& KnownTexts() {
  static const std::map<int, Text> texts = {
      {0, {"Display", "\x95\x5C\x8E\xA6"}},  // 表示: its trail byte is 0x5C
      {10,
       {"Clear slot %d?",
        "\x83X\x83\x8D\x83"
        "b\x83g%d\x82\xF0\x8F\xC1\x8B\x8E\x82\xB5\x82\xDC\x82\xB7\x82\xA9\x81H"}},
      {11,
       {"Overwrite slot %d?",
        "\x83X\x83\x8D\x83"
        "b\x83g%d\x82\xC9\x8F\xE3\x8F\x91\x82\xAB\x82\xB5\x82\xDC\x82\xB7\x82\xA9\x81H"}},
      {12,
       {"Return to character select?",
        "\x83L\x83\x83\x83\x89\x83N\x83^\x81["
        "\x91I\x91\xF0\x82\xC9\x96\xDF\x82\xE8\x82\xDC\x82\xB7\x82\xA9\x81H"}},
      {13, {"Exit?", "\x8FI\x97\xB9\x82\xB5\x82\xDC\x82\xB7\x82\xA9\x81H"}},
      {14,
       {"Return to the network menu?",
        "\x83l\x83"
        "b\x83g\x83\x8F\x81[\x83N\x83\x81\x83j\x83\x85\x81["
        "\x82\xC9\x96\xDF\x82\xE8\x82\xDC\x82\xB7\x82\xA9\x81H"}},
      {15,
       {"Return to the title?",
        "\x83^\x83"
        "C\x83g\x83\x8B\x82\xC9\x96\xDF\x82\xE8\x82\xDC\x82\xB7\x82\xA9\x81H"}},
      {16,
       {"Return to character select?",
        "\x83L\x83\x83\x83\x89\x83N\x83^\x81["
        "\x91I\x91\xF0\x82\xC9\x96\xDF\x82\xE8\x82\xDC\x82\xB7\x82\xA9\x81H"}},
      {17,
       {"Return to replay file select?",
        "\x83\x8A\x83v\x83\x8C\x83"
        "C\x91I\x91\xF0\x82\xC9\x96\xDF\x82\xE8\x82\xDC\x82\xB7\x82\xA9\x81H"}},
      {18,
       {"Leave the rank match?",
        "\x83\x89\x83\x93\x83N\x83}\x83"
        "b\x83`\x82\xF0\x94\xB2\x82\xAF\x82\xDC\x82\xB7\x82\xA9\x81H"}},
      {19,
       {"Leave the player match?",
        "\x83v\x83\x8C\x83"
        "C\x83\x84\x81[\x83}\x83"
        "b\x83`\x82\xF0\x94\xB2\x82\xAF\x82\xDC\x82\xB7\x82\xA9\x81H"}},
      {63,
       {"Return to the main menu?",
        "\x83\x81\x83"
        "C\x83\x93\x83\x81\x83j\x83\x85\x81[\x82\xC9\x96\xDF\x82\xE8\x82\xDC\x82\xB7\x82\xA9\x81H"}},
      {66, {"Press a key", "\x83L\x81[\x82\xF0\x89\x9F\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2"}},
      {67,
       {"Press a button",
        "\x83{\x83^\x83\x93\x82\xF0\x89\x9F\x82\xB5\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2"}},
      {68,
       {"Delete this replay?",
        "\x82\xB1\x82\xCC\x83\x8A\x83v\x83\x8C\x83"
        "C\x82\xF0\x8D\xED\x8F\x9C\x82\xB5\x82\xDC\x82\xB7\x82\xA9\x81H"}},
      {69,
       {"Replay",
        "\x83\x8A\x83v\x83\x8C\x83"
        "C"}},
      {124,
       {"A join request arrived. Accept it?",
        "\x8EQ\x89\xC1\x83\x8A\x83N\x83G\x83X\x83g\x82\xF0\x8E\xF3\x82\xAF\x82\xDC\x82\xB5\x82\xBD\x81"
        "B\x8E\xF3"
        "\x82\xAF\x82\xDC\x82\xB7\x82\xA9\x81H"}},
      {125,
       {"You cannot join now.",
        "\x8C\xBB\x8D\xDD\x8EQ\x89\xC1\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81"
        "B"}},
      {126,
       {"You cannot join during a match.",
        "\x91\xCE\x90\xED\x92\x86\x82\xCD\x8EQ\x89\xC1\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81"
        "B"}},
  };
  return texts;
}

// ゲームテキスト
constexpr const char* kJapanesePlaceholder =
    "\x83Q\x81[\x83\x80\x83"
    "e\x83L\x83X\x83g";

bool WriteGameText(const std::filesystem::path& root) {
  mkdata::IniWriter ini;
  ini.Comment("Game texts: only the order of the lines counts");
  for (int language = 0; language < 2; ++language) {
    ini.Section(language == 0 ? "Japanese" : "English");
    for (int n = 0; n < kGameTextCount; ++n) {
      char key[16];
      std::snprintf(key, sizeof(key), "Text%03d", n);
      auto it = KnownTexts().find(n);
      std::string value;
      if (it != KnownTexts().end()) {
        value = language == 0 ? it->second.japanese : it->second.english;
      } else {
        char buf[64];
        std::snprintf(buf, sizeof(buf), "%s %d", language == 0 ? kJapanesePlaceholder : "Game text", n);
        value = buf;
      }
      ini.Key(key, value);
    }
  }
  return mkdata::WriteText(root, "GameText.ini", ini.Text());
}

}  // namespace

MKDATA_STEP("10_gametext", WriteGameText);
