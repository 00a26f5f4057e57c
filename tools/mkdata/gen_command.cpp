// The command list's sample data under .\grp\command\: the band colours (CommandCfg.ini), one
// move list per sample character, type and language (Shift-JIS, CR LF: nine lines in a
// three-level tree, every kind of band, icons of each group and every notation glyph), the
// sheets of glyphs, icons, tags and bands in both languages, and the characters' name pictures.
// Every cell carries a mark or its label, so a screenshot shows which cell was drawn.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "canvas.h"
#include "glyph_cell.h"
#include "ini_writer.h"
#include "menu/command_list.h"
#include "mkdata.h"
#include "platform/glyph/glyph_source.h"
#include "sample_roster.h"

namespace {

using mkdata::Canvas;
using mkdata::Rgb8;
using mkdata::Rgba;

constexpr const char* kDir = "grp/command/";
const Rgba kWhite{1, 1, 1, 1};

std::unique_ptr<vt::glyph::GlyphFace> Face(int height) {
  return vt::glyph::CurrentGlyphSource().OpenFace({"sans", height, 700, 4});
}

void Label(Canvas& c, const char* text, int x, int y, int w, int h, const Rgba& ink = kWhite) {
  auto face = Face(std::max(8, h - 6));
  if (face) mkdata::PaintText(c, *face, text, x, y, w, h, 1, ink);
}

// A framed cell with its label.
void Cell(Canvas& c, int x, int y, int w, int h, const Rgba& fill, const char* text) {
  c.Rect(static_cast<float>(x), static_cast<float>(y), static_cast<float>(w), static_cast<float>(h), fill);
  c.Rect(static_cast<float>(x), static_cast<float>(y), static_cast<float>(w), 1, kWhite);
  c.Rect(static_cast<float>(x), static_cast<float>(y + h - 1), static_cast<float>(w), 1, kWhite);
  if (text) Label(c, text, x, y, w, h);
}

struct Move {
  const char* english;
  const char* japanese;  // Shift-JIS
  int type;
  const char* cmd;
  int cmdSub[2];  // keyword indices, 0 none
  int child[2];   // offsets, 0 none
};

// Nine lines: 0 -> 1 -> 2 is a three-level tree, 4 has two children.
constexpr Move kMoves[9] = {
    {"Jab", "\x83W\x83\x83\x83u", 0, "A", {0, 0}, {1, 0}},
    {"Jab Chain",
     "\x98"
     "A\x8Cg",
     0,
     "A o B",
     {1, 0},
     {1, 0}},
    {"Chain Finisher",
     "\x98"
     "A\x8Cg\x92\xF7\x82\xDF",
     1,
     "B + C",
     {12, 0},
     {0, 0}},
    {"Rising Strike",
     "\x8F\xB8\x82\xE8\x8E"
     "a\x82\xE8",
     1,
     "623C",
     {10, 20},
     {0, 0}},
    {"Rush Kick", "\x93\xCB\x90i\x8FR\x82\xE8", 10, "236B", {0, 0}, {1, 2}},
    {"Rush Follow-up", "\x93\xCB\x90i\x92\xC7\x8C\x82", 11, "4.D", {25, 0}, {0, 0}},
    {"Rush Feint",
     "\x93\xCB\x90i\x83t\x83"
     "F\x83"
     "C\x83\x93\x83g",
     2,
     "0 5 7 8 9",
     {0, 0},
     {0, 0}},
    {"Last Arc",
     "\x83\x89\x83X\x83g\x83"
     "A\x81[\x83N",
     100,
     "41236AB",
     {27, 13},
     {0, 0}},
    {"Taunt", "\x92\xA7\x94\xAD", 5, "D", {0, 0}, {0, 0}},
};

std::string ListText(bool english, const char* character, int type) {
  std::string t = "// ";
  t += character;
  t += " type " + std::to_string(type) + "\r\n[CommandList]\r\n";
  for (int i = 0; i < 9; ++i) {
    const Move& m = kMoves[i];
    char section[32];
    std::snprintf(section, sizeof section, "[Move%02d]\r\n", i);
    t += section;
    t += std::string("Name\t= ") + (english ? m.english : m.japanese) + "\r\n";
    t += "Type=" + std::to_string(m.type) + "\r\n";
    t += std::string("Cmd=") + m.cmd + "\r\n";
    for (int s : m.cmdSub)
      if (s) t += std::string("CmdSub=") + CommandSubKeyword(s) + "\r\n";
    for (int c : m.child)
      if (c) t += "Child=" + std::to_string(c) + "\r\n";
  }
  return t;
}

// Glyphs, icons and header parts (512 x 256).
Canvas Sheet00(bool english) {
  Canvas c(512, 256);
  // Tree connectors (row y 0): start, first row, branch, last, through.
  const float mid = 16;
  c.Rect(14, 0, 4, 32, kWhite);       // 0: down from the parent
  c.Rect(32 + 14, 0, 4, 32, kWhite);  // 32: first row
  c.Rect(96 + 14, 0, 4, 32, kWhite);  // 96: branch
  c.Rect(96 + 14, mid - 2, 18, 4, kWhite);
  c.Rect(64 + 14, 0, 4, 18, kWhite);  // 64: last child
  c.Rect(64 + 14, mid - 2, 18, 4, kWhite);
  c.Rect(128 + 14, 0, 4, 32, Rgb8(200, 200, 200));              // 128: through
  Cell(c, 192, 0, 112, 32, Rgb8(60, 60, 140, 0.8f), "FOLLOW");  // child marker
  c.Rect(464, 0, 16, 64, kWhite);                               // band cap (tinted by the band colour)
  c.Rect(480, 0, 48, 72, Rgb8(40, 40, 60));
  // Scroll track.
  c.Rect(0, 32, 16, 224, Rgb8(80, 80, 80));
  c.Rect(16, 32, 16, 144, Rgb8(110, 110, 110));
  // Condition icons of group P.
  for (int i = 1; i <= 7; ++i) {
    const char* names[8] = {"", "HIT", "GRAB", "SET", "LAND", "BEMAX", "GUARD+", "BDASH+"};
    static constexpr int en[8][4] = {{},
                                     {32, 32, 70, 16},
                                     {102, 32, 108, 16},
                                     {220, 32, 132, 16},
                                     {32, 48, 100, 16},
                                     {132, 48, 116, 16},
                                     {248, 32, 124, 16},
                                     {32, 64, 160, 16}};
    static constexpr int jp[8][4] = {{},
                                     {32, 32, 80, 16},
                                     {112, 32, 80, 16},
                                     {192, 32, 80, 16},
                                     {272, 32, 80, 16},
                                     {352, 32, 80, 16},
                                     {32, 48, 80, 16},
                                     {112, 48, 112, 16}};
    const int* r = english ? en[i] : jp[i];
    Cell(c, r[0], r[1], r[2], r[3], Rgb8(150, 60, 30), names[i]);
  }
  // Notation glyphs on row y 96: direction cells, buttons, marks.
  static constexpr int kCellDirection[8] = {5, 9, 6, 3, 2, 1, 4, 7};
  for (int k = 0; k < 8; ++k) {
    const int d = kCellDirection[k];
    const float cx = 32 + 24 * k + 12.0f, cy = 108;
    c.Ellipse(cx, cy, 11, 11, Rgb8(30, 30, 30));
    if (d == 5) {
      c.Ellipse(cx, cy, 4, 4, kWhite);
    } else {
      // An arrow toward the lever's direction (up is 8).
      float dx = static_cast<float>((d - 1) % 3 - 1), dy = static_cast<float>(1 - (d - 1) / 3);
      const float len = std::sqrt(dx * dx + dy * dy);
      dx /= len, dy /= len;
      const float tx = cx + dx * 8, ty = cy + dy * 8;
      c.Line(cx - dx * 7, cy - dy * 7, tx, ty, 3, kWhite);
      for (float sgn : {1.0f, -1.0f}) {
        const float hx = -dx * 0.7071f - sgn * dy * 0.7071f, hy = -dy * 0.7071f + sgn * dx * 0.7071f;
        c.Line(tx, ty, tx + hx * 6, ty + hy * 6, 3, kWhite);
      }
    }
  }
  const Rgba buttons[4] = {Rgb8(60, 120, 255), Rgb8(60, 200, 90), Rgb8(240, 70, 70), Rgb8(240, 200, 40)};
  for (int b = 0; b < 4; ++b) {
    c.Ellipse(224 + 24 * b + 12.0f, 108, 11, 11, buttons[b]);
    const char s[2] = {static_cast<char>('A' + b), 0};
    Label(c, s, 224 + 24 * b, 96, 24, 24);
  }
  Label(c, ".", 320, 96, 24, 24);
  Label(c, "o", 344, 96, 24, 24);
  Label(c, "+", 368, 96, 24, 24);
  // Header pieces.
  c.Rect(408, 96, 64, 48, Rgb8(170, 30, 40));
  c.Rect(480, 96, 32, 48, Rgb8(120, 20, 30));
  Label(c, "CMD", 408, 96, 64, 48);
  // Type labels, side labels, arrows, emblems.
  for (int t = 0; t < 3; ++t) {
    char s[16];
    std::snprintf(s, sizeof s, english ? "TYPE %d" : "STYLE %d", t);
    Cell(c, 32, 168 + 24 * t, 208, 24, Rgb8(30, 30, 30, 0.7f), s);
    std::snprintf(s, sizeof s, "T%d", t);
    c.Ellipse(64 * (t + 5) + 32.0f, 224, 30, 30, Rgb8(90 + 60 * t, 60, 200 - 50 * t));
    Label(c, s, 64 * (t + 5), 192, 64, 64);
  }
  Cell(c, 240, 168, 96, 24, Rgb8(40, 80, 200), "1P");
  Cell(c, 336, 168, 96, 24, Rgb8(200, 40, 40), "2P");
  Label(c, "<", 240, 192, 24, 24);
  Label(c, ">", 264, 192, 24, 24);
  return c;
}

// Condition icons of groups S and L and the type tags (512 x 256).
Canvas Sheet02(bool english) {
  Canvas c(512, 256);
  struct Icon {
    int index;
    const char* label;
  };
  const Icon icons[] = {{10, "AIR OK"}, {11, "HOLD"},  {12, "FOLLOW-UP"}, {13, "100%"},  {14, "150%"},
                        {15, "TO A"},   {16, "TO B"},  {20, "AIR"},       {21, "MH"},    {22, "BH"},
                        {23, "MHB"},    {24, "HEAT"},  {25, "GUARD"},     {26, "BDASH"}, {27, "LA"},
                        {28, "LA AIR"}, {29, "KNIFE"}, {30, "RECOVERY"}};
  static constexpr int en[31][4] = {{},
                                    {},
                                    {},
                                    {},
                                    {},
                                    {},
                                    {},
                                    {},
                                    {},
                                    {},
                                    {0, 0, 74, 24},
                                    {74, 0, 74, 24},
                                    {148, 0, 124, 24},
                                    {272, 0, 112, 24},
                                    {384, 0, 112, 24},
                                    {0, 24, 74, 24},
                                    {74, 24, 74, 24},
                                    {},
                                    {},
                                    {},
                                    {0, 48, 60, 24},
                                    {0, 72, 106, 24},
                                    {106, 72, 114, 24},
                                    {220, 72, 174, 24},
                                    {72, 72, 34, 24},
                                    {60, 48, 80, 24},
                                    {140, 48, 96, 24},
                                    {0, 96, 356, 24},
                                    {0, 120, 334, 24},
                                    {356, 96, 80, 24},
                                    {334, 120, 178, 24}};
  static constexpr int jp[31][4] = {{},
                                    {},
                                    {},
                                    {},
                                    {},
                                    {},
                                    {},
                                    {},
                                    {},
                                    {},
                                    {0, 0, 48, 24},
                                    {48, 0, 64, 24},
                                    {112, 0, 64, 24},
                                    {176, 0, 96, 24},
                                    {272, 0, 96, 24},
                                    {368, 0, 64, 24},
                                    {432, 0, 64, 24},
                                    {},
                                    {},
                                    {},
                                    {0, 24, 48, 24},
                                    {0, 48, 112, 24},
                                    {112, 48, 128, 24},
                                    {240, 48, 208, 24},
                                    {48, 48, 64, 24},
                                    {48, 24, 80, 24},
                                    {128, 24, 128, 24},
                                    {0, 72, 256, 24},
                                    {256, 72, 256, 24},
                                    {0, 120, 96, 24},
                                    {96, 120, 112, 24}};
  for (const Icon& i : icons) {
    const int* r = english ? en[i.index] : jp[i.index];
    Cell(c, r[0], r[1], r[2], r[3], i.index < 20 ? Rgb8(30, 110, 60) : Rgb8(110, 40, 120), i.label);
  }
  const int tagY = english ? 144 : 96;
  Cell(c, 0, tagY, 80, 24, Rgb8(40, 60, 200), "EX");
  Cell(c, 80, tagY, 96, 24, Rgb8(200, 40, 160), "AD");
  Cell(c, 176, tagY, 176, 24, Rgb8(200, 40, 160), "ARC DRIVE");
  Cell(c, 352, tagY, 80, 24, Rgb8(200, 40, 40), "LAST");
  return c;
}

// A band (512 x 64), white so that the band colour tints it.
Canvas Band(bool dashed) {
  Canvas c(512, 64);
  c.VerticalGradient(0, 63, Rgba{1, 1, 1, 0.85f}, Rgba{0.55f, 0.55f, 0.55f, 0.85f});
  c.Rect(0, 0, 512, 2, kWhite);
  if (dashed)
    for (int x = 0; x < 512; x += 32) c.Rect(static_cast<float>(x), 60, 16, 4, kWhite);
  return c;
}

bool WriteCommandData(const std::filesystem::path& root) {
  const std::string dir = kDir;
  mkdata::IniWriter cfg;
  cfg.Section("Data");
  cfg.Key("Col_Normal", "255,255,255,255");
  cfg.Key("Col_EX", "100,100,255,255");
  cfg.Key("Col_AD", "255,100,255,255");
  cfg.Key("Col_AAD", "255,100,255,255");
  cfg.Key("Col_LA", "255,100,100,255");
  cfg.Key("Col_ETC", "100,255,100,255");
  if (!mkdata::WriteText(root, dir + "CommandCfg.ini", cfg.Text())) return false;
  for (const mkdata::SampleRosterEntry& e : mkdata::kSampleRoster) {
    for (int english = 0; english < 2; ++english) {
      const std::string lang = english ? "eng/" : "jpn/";
      for (int type = 0; type < 3; ++type) {
        char name[128];
        std::snprintf(name, sizeof name, "_cl_%s_%d.txt", e.name, type);
        if (!mkdata::WriteText(root, dir + "com_txt/" + lang + name, ListText(english != 0, e.name, type)))
          return false;
      }
      Canvas plate(256, 32);
      plate.Rect(0, 0, 256, 32, Rgb8(20, 20, 20, 0.6f));
      Label(plate, e.name, 0, 0, 256, 32, english ? kWhite : Rgb8(255, 220, 160));
      char file[64];
      std::snprintf(file, sizeof file, "com_cname%02d.png", e.number);
      if (!plate.Save(root, dir + "com_cname/" + lang + file)) return false;
    }
  }
  if (!Sheet00(false).Save(root, dir + "sys_com00.png")) return false;
  if (!Sheet00(true).Save(root, dir + "sys_com00_eng.png")) return false;
  if (!Sheet02(false).Save(root, dir + "sys_com02.png")) return false;
  if (!Sheet02(true).Save(root, dir + "sys_com02_eng.png")) return false;
  if (!Band(false).Save(root, dir + "sys_com01.png")) return false;
  return Band(true).Save(root, dir + "sys_com03.png");
}

}  // namespace

MKDATA_STEP("64_command_list", WriteCommandData);
