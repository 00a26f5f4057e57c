// Sample story data: the tester's arcade route and its scripts (opening, in-battle talk, a stage
// script, the ending with its staff roll) in English and in Shift-JIS Japanese, with CR LF line
// ends; the duelist's route has no opening and its second stage no script. Also the story
// windows, faces and name plates, the extra-glyph sheets, the ending pictures, the staff roll's
// layout, pages and logo.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "Dxtools/DirectSoundApp/sound_writer.h"
#include "battle/story_routes.h"
#include "canvas.h"
#include "mkdata.h"

namespace {

using mkdata::Canvas;
using mkdata::Rgb8;
using mkdata::Rgba;

// Lines joined with CR LF.
std::string Lines(std::initializer_list<std::string> lines) {
  std::string s;
  for (const std::string& l : lines) s += l + "\r\n";
  return s;
}

// Shift-JIS hiragana by index from "a" (0x82A0).
std::string Kana(std::initializer_list<int> offsets) {
  std::string s;
  for (int o : offsets) {
    s += static_cast<char>(0x82);
    s += static_cast<char>(0xA0 + o);
  }
  return s;
}

const std::string kSymbol = "\x81\xdd";  // drawn from the extra-glyph sheet

RouteStage Stage(int32_t opponent, int32_t stage, int32_t flags, int32_t text) {
  RouteStage s;
  s.opponent = opponent;
  s.stage = stage;
  s.flags = flags;
  s.textNumber = text;
  return s;
}

// Three stages: a plain fight with talk, a hidden opponent on a stage the flow picks (flag 0x8),
// and the last fight with talk (flag 0x4).
std::string TesterStoryTable() {
  return WriteStoryBattleTable({{Stage(1, 1, 0, 0), Stage(5, 0, 0x1 | 0x8, -1), Stage(1, 3, 0x4, 0)}});
}

struct Texts {
  std::string hello, reply, thanks, last, reading;
};

Texts English() { return {"Here we are at last.", "Then show me.", "Thank you.", "The end.", "A<ay>"}; }

Texts Japanese() {
  // "あいう", "えお", "かきく", "けこ", "さ<し>"
  return {Kana({0, 2, 4}), Kana({6, 8}), Kana({10, 12, 14}), Kana({16, 18}),
          Kana({20}) + "<" + Kana({22}) + ">"};
}

std::string StartScript(const Texts& t) {
  return Lines({"// opening",
                "BP 1a",
                "GB 1",
                "WD",
                "FW 0 1 2 10 0 0",
                "FC 0 1 1",
                "SE hello.wav",
                "MD 0 2",
                t.hello + kSymbol,
                t.reading + "\\",
                "MX 0 50",
                "FC 1 2 1",
                "FG 1 1",
                "MD 1 1",
                t.reply + "\\",
                "XY 1 10",
                "EF 0 3 20 0 0 0",
                "EF 0 2 20 0 0 0",
                "EF 30001 0 0 0 0 0",
                "GI 2",
                "GF 0 0",
                "LB story\\window\\window02",
                "CS 0 1",
                "EF 30000 30 0 0 0 0",
                "GB 2",
                "MS 4 0 0 0 0",
                t.thanks + "\\",
                "FS 0 0 1",
                "WB",
                "FD",
                "BS 1",
                "ED"});
}

std::string TalkScript(const Texts& t) {
  return Lines({"TS",       "CM 60",    "CZ 40",        "BD 1",         "CD 0 1", "CO 0 -4 0", "AC 0 0 0",
                "WD",       "FC 0 1 1", "MD 0 0",       t.hello + "\\", "XA 1 0", "YS 4 0",    "QS 8",
                "FC 1 2 1", "MD 1 0",   t.reply + "\\", "QE",           "FD",     "ED"});
}

std::string StageScript(const Texts& t) {
  return Lines({"GB 3", "XW 1 20", "FC 4 2 1", "MD 4 0", t.thanks + "\\", "XW 0 20", "BP 82", "ED"});
}

std::string EndingScript(const Texts& t) {
  return Lines({"BP 85", "XH 101 0", "XW 1 20", "FC 4 1 1", "MD 4 0", t.last + "\\", "XH 126 0",
                "EF 0 1 30 0 0 0", "XR 40", "ED"});
}

// The duelist has no opening; its talk and stage script exist for the first stage only.
std::string DuelistTalk(const Texts& t) { return Lines({"FC 0 2 1", "MD 0 0", t.reply + "\\", "ED"}); }

bool WriteScripts(const std::filesystem::path& root) {
  bool ok = true;
  for (const char* lang : {"eng", "jpn"}) {
    const Texts t = std::string(lang) == "eng" ? English() : Japanese();
    const std::string dir = std::string("story/battle/") + lang + "/";
    ok = ok && mkdata::WriteText(root, dir + "Tester_table.txt", TesterStoryTable()) &&
         mkdata::WriteText(root, dir + "Tester_start.txt", StartScript(t)) &&
         mkdata::WriteText(root, dir + "Tester01.txt", TalkScript(t)) &&
         mkdata::WriteText(root, dir + "Tester01A.txt", StageScript(t)) &&
         // Stage 2 has no script of its own: the flow goes straight to the VS screen.
         mkdata::WriteText(root, dir + "Tester03.txt", TalkScript(t)) &&
         mkdata::WriteText(root, dir + "Tester_ending.txt", EndingScript(t)) &&
         mkdata::WriteText(root, dir + "Duelist01.txt", DuelistTalk(t));
  }
  return ok;
}

// The band picture: body 32 x 204 at (0, 0), opening edge 96 x 204 at (32, 0), the name-plate
// underline 128 x 32 at (0, 204).
bool WriteWindows(const std::filesystem::path& root) {
  Canvas band(128, 256);
  band.Rect(0, 0, 32, 204, Rgb8(20, 24, 48, 0.75f));
  for (int x = 0; x < 96; ++x) {
    const float k = static_cast<float>(x) / 96.0f;
    band.Rect(32.0f + x, 0, 1, 204, Rgb8(20, 24, 48, 0.75f * k));
  }
  band.Rect(0, 204, 128, 32, Rgb8(230, 200, 90, 0.0f));
  band.Rect(0, 220, 128, 4, Rgb8(230, 200, 90));
  bool ok = band.Save(root, "story/window/st_win00.png");
  for (int n = 1; n <= 2; ++n) {
    Canvas w(512, 512);
    w.Rect(0, 0, 512, 480, n == 1 ? Rgb8(40, 40, 80, 0.5f) : Rgb8(80, 40, 40, 0.5f));
    for (int f = 0; f < 3; ++f)
      w.Ellipse(440 + 24 * f + 12, 488 + 12, 6 + 2 * f, 6 + 2 * f, Rgb8(255, 230, 120), 1.5f);
    char name[64];
    std::snprintf(name, sizeof name, "story/window/window%02d.png", n);
    ok = ok && w.Save(root, name);
  }
  // The extra-glyph sheets: the symbol cell at (0, 64).
  for (const char* name : {"grp/FontEx00.png", "grp/FontEx00_eng.png"}) {
    Canvas sheet(256, 128);
    sheet.Ellipse(16, 80, 10, 10, Rgb8(255, 255, 255), 1.5f);
    sheet.Ellipse(16, 80, 5, 5, Rgba{0, 0, 0, 0}, 1.0f);
    ok = ok && sheet.Save(root, name);
  }
  return ok;
}

bool WriteFaces(const std::filesystem::path& root) {
  bool ok = true;
  const Rgba hues[3] = {Rgb8(200, 80, 60), Rgb8(60, 120, 210), Rgb8(90, 180, 90)};
  for (int face = 1; face <= 2; ++face) {
    for (int expression = 1; expression <= 2; ++expression) {
      Canvas c(256, 320);
      c.Ellipse(128, 130, 80, 100, hues[face - 1], 2.0f);
      c.Rect(48, 220, 160, 100, hues[face - 1]);
      c.Ellipse(98, 120, 10, expression == 1 ? 10 : 3, Rgb8(20, 20, 20), 1.0f);
      c.Ellipse(158, 120, 10, expression == 1 ? 10 : 3, Rgb8(20, 20, 20), 1.0f);
      c.Rect(108, 170, 40, expression == 1 ? 4 : 10, Rgb8(80, 20, 20));
      char name[64];
      std::snprintf(name, sizeof name, "story/st_face/st_face%02d_%02d.png", face, expression);
      ok = ok && c.Save(root, name);
    }
    for (const char* lang : {"eng", "jpn"}) {
      Canvas plate(192, 40);
      plate.Rect(0, 4, 192, 32, Mix(hues[face - 1], Rgb8(255, 255, 255), 0.3f), 2.0f);
      for (int i = 0; i < face + 3; ++i) plate.Rect(16.0f + 28 * i, 12, 20, 16, Rgb8(255, 255, 255));
      char name[64];
      std::snprintf(name, sizeof name, "story/st_name/%s/st_name00_%02d.png", lang, face);
      ok = ok && plate.Save(root, name);
    }
  }
  Canvas ac(128, 128, hues[2]);
  Canvas mask(128, 128);
  mask.Ellipse(64, 64, 60, 60, Rgb8(255, 255, 255), 2.0f);
  return ok && ac.Save(root, "story/ac_face/ac_face01_00.bmp") &&
         mask.Save(root, "story/ac_face/ac_face01_m.bmp");
}

bool WriteEnding(const std::filesystem::path& root) {
  bool ok = true;
  // Ending pictures: 101 has its lettered picture, 126 (past "z") takes the unlettered one.
  struct Pic {
    const char* name;
    Rgba top, bottom;
  } pics[] = {{"ed_chaBG01b_00", Rgb8(250, 180, 90), Rgb8(120, 40, 80)},
              {"ed_chaBG01_00", Rgb8(90, 140, 220), Rgb8(20, 30, 60)}};
  for (const Pic& p : pics) {
    Canvas c(640, 480);
    c.VerticalGradient(0, 479, p.top, p.bottom);
    c.Ellipse(480, 140, 60, 60, Rgb8(255, 250, 220, 0.9f), 8.0f);
    c.Rect(0, 380, 640, 100, Rgb8(30, 20, 30, 0.8f));
    ok = ok && c.Save(root, std::string("grp/ending/ed_bg/") + p.name + ".png");
  }
  // Five strips on two pages.
  for (int page = 0; page < 2; ++page) {
    Canvas c(512, 512);
    for (int strip = 0; strip < 3; ++strip) {
      const float y = strip * 96.0f;
      c.Rect(96, y + 16, 320, 24, Rgb8(255, 255, 255));
      c.Rect(160, y + 52, 192, 16, Rgb8(200, 200, 220));
    }
    char name[64];
    std::snprintf(name, sizeof name, "grp/ending/ed_staff%02d.png", page);
    ok = ok && c.Save(root, name);
  }
  std::string roll = "// staff roll layout\r\n[Data]\r\nSpeed = 60\r\n";
  const int strips[5][2] = {{0, 0}, {0, 96}, {0, 192}, {1, 0}, {1, 96}};
  for (int i = 0; i < 5; ++i) {
    char section[160];
    std::snprintf(section, sizeof section,
                  "[Strip%d]\r\nTPage=%d\r\nXShift=0\r\nTexV=%d\r\nTexH=80\r\nNextYPos=120\r\n", i,
                  strips[i][0], strips[i][1]);
    roll += section;
  }
  ok = ok && mkdata::WriteText(root, "grp/ending/staffroll.txt", roll);
  // The logo's two pieces: (176, 320) 272 x 80 and (0, 320) 176 x 128.
  Canvas logo(512, 512);
  logo.Rect(184, 320, 264, 80, Rgb8(240, 200, 80), 4.0f);
  logo.Rect(200, 340, 224, 40, Rgb8(120, 40, 20));
  logo.Ellipse(88, 384, 80, 60, Rgb8(200, 60, 60), 4.0f);
  logo.Ellipse(88, 384, 40, 30, Rgb8(255, 240, 220), 2.0f);
  return ok && logo.Save(root, "grp/ending/ed_stafflogo.png");
}

// A short voice clip: a falling tone of 0.6 s, 16-bit mono.
bool WriteVoices(const std::filesystem::path& root) {
  constexpr int kRate = 22050;
  std::vector<uint8_t> bytes;
  for (int i = 0; i < kRate * 6 / 10; ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double env = std::exp(-4.0 * t);
    const auto v =
        static_cast<int16_t>(9000.0 * env * std::sin(2.0 * 3.14159265358979 * (440.0 - 200.0 * t) * t));
    bytes.push_back(static_cast<uint8_t>(v & 0xFF));
    bytes.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
  }
  const std::vector<uint8_t> wav = BuildWavImage(1, kRate, 16, bytes);
  return mkdata::WriteBytes(root, "se/story_se/hello.wav", wav.data(), wav.size());
}

bool WriteStory(const std::filesystem::path& root) {
  return WriteScripts(root) && WriteWindows(root) && WriteFaces(root) && WriteEnding(root) &&
         WriteVoices(root);
}

}  // namespace

MKDATA_STEP("story", WriteStory);
