// The winner screen's sample data: its parts under .\grp\win_qz\, the winners' pictures, red
// copies and name plates, the online rank plate, the quote icon sheets, the win quote files of
// the drawn fighters in both languages and their short voices.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "Dxtools/DirectSoundApp/sound_writer.h"
#include "Dxtools/Text/fnt_font.h"
#include "canvas.h"
#include "mkdata.h"

namespace {

using mkdata::Canvas;
using mkdata::Rgb8;
using mkdata::Rgba;

constexpr const char* kParts = "grp/win_qz/";

// A block letter drawn from strokes in a w x h cell at (x, y).
void Letter(Canvas& c, char ch, float x, float y, float w, float h, const Rgba& col) {
  const float t = w * 0.16f;
  auto V = [&](float fx) { c.Rect(x + fx * (w - t), y, t, h, col, 1.0f); };
  auto H = [&](float fy) { c.Rect(x, y + fy * (h - t), w, t, col, 1.0f); };
  switch (ch) {
    case 'W':
      V(0), V(1), V(0.5f), H(1);
      break;
    case 'I':
      V(0.5f), H(0), H(1);
      break;
    case 'N':
      V(0), V(1), c.Line(x + t / 2, y, x + w - t / 2, y + h, t, col);
      break;
    case 'E':
      V(0), H(0), H(0.5f), H(1);
      break;
    case 'R':
      V(0), H(0), H(0.5f), c.Rect(x + w - t, y, t, h / 2, col, 1.0f),
          c.Line(x + w / 2, y + h / 2, x + w, y + h, t, col);
      break;
    case 'P':
      V(0), H(0), H(0.5f), c.Rect(x + w - t, y, t, h / 2, col, 1.0f);
      break;
    case 'L':
      V(0), H(1);
      break;
    case 'A':
      V(0), V(1), H(0), H(0.5f);
      break;
    case 'Y':
      c.Line(x, y, x + w / 2, y + h / 2, t, col), c.Line(x + w, y, x + w / 2, y + h / 2, t, col);
      c.Rect(x + w / 2 - t / 2, y + h / 2, t, h / 2, col, 1.0f);
      break;
    case 'C':
      V(0), H(0), H(1);
      break;
    case 'U':
      V(0), V(1), H(1);
      break;
    case '1':
      V(0.5f);
      break;
    case '2':
      H(0), H(0.5f), H(1), c.Rect(x + w - t, y, t, h / 2, col, 1.0f),
          c.Rect(x, y + h / 2, t, h / 2, col, 1.0f);
      break;
    default:
      break;
  }
}

// A seven-segment digit.
void Digit(Canvas& c, int d, float x, float y, float w, float h, const Rgba& col) {
  static const uint8_t kSegments[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};
  const float t = w * 0.2f, half = h / 2;
  const uint8_t m = kSegments[d % 10];
  if (m & 0x01) c.Rect(x, y, w, t, col, 1.0f);
  if (m & 0x02) c.Rect(x + w - t, y, t, half, col, 1.0f);
  if (m & 0x04) c.Rect(x + w - t, y + half, t, half, col, 1.0f);
  if (m & 0x08) c.Rect(x, y + h - t, w, t, col, 1.0f);
  if (m & 0x10) c.Rect(x, y + half, t, half, col, 1.0f);
  if (m & 0x20) c.Rect(x, y, t, half, col, 1.0f);
  if (m & 0x40) c.Rect(x, y + half - t / 2, w, t, col, 1.0f);
}

// Cells of a sheet: plain letters, then lit copies `litOffset` cells later.
bool LetterSheet(const std::filesystem::path& root, const char* name, const std::string& letters, int cellW,
                 int cellH, int perRow, int litOffset, int sheetW, int sheetH) {
  Canvas c(sheetW, sheetH);
  for (size_t i = 0; i < letters.size(); ++i) {
    for (int lit = 0; lit < 2; ++lit) {
      const int cell = static_cast<int>(i) + lit * litOffset;
      const float x = static_cast<float>(cell % perRow * cellW),
                  y = static_cast<float>(cell / perRow * cellH);
      const Rgba col = lit ? Rgb8(255, 255, 230) : Rgb8(230, 180, 40);
      Letter(c, letters[i], x + cellW * 0.15f, y + cellH * 0.12f, cellW * 0.7f, cellH * 0.76f, col);
    }
  }
  return c.Save(root, std::string(kParts) + name + ".png");
}

bool Parts(const std::filesystem::path& root) {
  bool ok = LetterSheet(root, "win_font00", "WINER", 72, 48, 3, 6, 216, 192);
  // Labels: "1P" "2P" then "LAYER" for the player label; cells 16..18 "CPU".
  {
    Canvas c(512, 240);
    const char* cells = "12PLAYER";
    for (int lit = 0; lit < 2; ++lit)
      for (int i = 0; i < 8; ++i) {
        const int cell = i + lit * 8;
        Letter(c, cells[i], (cell % 8) * 64 + 10.0f, (cell / 8) * 80 + 12.0f, 44, 56,
               lit ? Rgb8(255, 255, 255) : Rgb8(120, 200, 255));
      }
    for (int i = 0; i < 3; ++i)
      Letter(c, "CPU"[i], (16 + i) % 8 * 64 + 10.0f, 2 * 80 + 12.0f, 44, 56, Rgb8(255, 120, 120));
    ok &= c.Save(root, std::string(kParts) + "win_font01.png");
  }
  {
    Canvas c(64, 256);
    for (int x = 0; x < 64; ++x) {
      const float k = 1.0f - std::fabs(x - 31.5f) / 32.0f;
      for (int y = 0; y < 256; ++y) c.Blend(x, y, Rgb8(255, 255, 255), k * k);
    }
    ok &= c.Save(root, std::string(kParts) + "win_light00.png");
  }
  {
    Canvas c(128, 128);
    c.Rect(0, 0, 128, 32, Rgb8(30, 30, 30, 0.8f));
    Letter(c, 'W', 8, 6, 20, 20, Rgb8(230, 180, 40));
    for (int r = 1; r <= 3; ++r) {
      c.Rect(0, r * 32.0f, 128, 32,
             r == 1   ? Rgb8(40, 90, 200)
             : r == 2 ? Rgb8(200, 50, 50)
                      : Rgb8(90, 90, 90));
      Letter(c, r == 3 ? 'C' : static_cast<char>('0' + r), 10, r * 32 + 6.0f, 18, 20, Rgb8(255, 255, 255));
    }
    ok &= c.Save(root, std::string(kParts) + "win_player00.png");
  }
  {
    Canvas c(512, 128);
    for (int row = 0; row < 4; ++row)
      for (int k = 0; k < 12; ++k)
        c.Glow(20.0f + k * 42.0f, row * 32 + 16.0f, 10.0f + row * 2,
               Rgb8(120 + row * 40, 160, 255 - row * 40));
    ok &= c.Save(root, std::string(kParts) + "win_spell00.png");
  }
  {
    Canvas c(512, 256);
    for (int x = 0; x < 512; ++x) {
      const float y0 = 128 + 60 * std::sin(x * 2 * 3.14159265f / 512.0f);
      for (int y = 0; y < 256; ++y) {
        const float d = std::fabs(y - y0);
        if (d < 40) c.Blend(x, y, Rgb8(60, 110, 220), 1.0f - d / 40.0f);
      }
    }
    ok &= c.Save(root, std::string(kParts) + "win_wave00.png");
  }
  {
    Canvas c(512, 128);
    c.VerticalGradient(0, 127, Rgb8(255, 220, 120, 0.0f), Rgb8(255, 160, 40, 0.9f));
    ok &= c.Save(root, std::string(kParts) + "win_win01.png");
    Canvas l(512, 8);
    l.Rect(0, 2, 512, 4, Rgb8(255, 230, 160));
    ok &= l.Save(root, std::string(kParts) + "win_win02.png");
  }
  return ok;
}

// The winners' pictures: a figure in the fighter's colour, one per picture number.
bool Pictures(const std::filesystem::path& root) {
  bool ok = true;
  const Rgba colours[2] = {Rgb8(70, 140, 230), Rgb8(220, 80, 70)};
  const char* names[2] = {"TESTER", "DUELIST"};
  for (int chara = 0; chara < 2; ++chara) {
    for (int pic = 0; pic < 3; ++pic) {
      Canvas c(256, 480);
      const Rgba body = Mix(colours[chara], Rgb8(255, 255, 255), pic * 0.2f);
      c.Ellipse(128, 90, 46, 52, body);
      c.Rect(78, 150, 100, 200, body, 6);
      c.Rect(60, 160, 24, 150, body, 6);
      c.Rect(172, 160, 24, 150, body, 6);
      c.Rect(88, 350, 30, 130, body, 4);
      c.Rect(138, 350, 30, 130, body, 4);
      char path[96];
      std::snprintf(path, sizeof path, "grp/win_qz/win_chara/win_chara_%02d%02d.png", chara, pic);
      ok &= c.Save(root, path);
      Canvas red(256, 480);
      red.Ellipse(128, 240, 120, 230, Rgb8(200, 30, 30, 0.6f), 30);
      std::snprintf(path, sizeof path, "grp/win_qz/win_chara_red/win_charaR_%02d%02d.png", chara, pic);
      ok &= red.Save(root, path);
    }
    Canvas n(256, 32);
    n.Rect(0, 0, 256, 32, Rgb8(20, 20, 20, 0.7f));
    const std::string name = names[chara];
    for (size_t i = 0; i < name.size(); ++i)
      Letter(n, name[i], 8.0f + i * 22, 5, 16, 22, Rgb8(255, 255, 255));
    char path[64];
    std::snprintf(path, sizeof path, "grp/win_qz/win_name/win_name%02d.png", chara);
    ok &= n.Save(root, path);
  }
  // The rank plate sheet: the plate's top, middle (stretched) and bottom slices in rows 0, 16 and
  // 32, three bars from row 64, and the digit cells 0-9 (20 x 28 from x 196, y 202) with the
  // suffix cell at x 396.
  Canvas plate(512, 256);
  plate.Rect(0, 0, 200, 16, Rgb8(200, 200, 255), 4);
  plate.Rect(4, 4, 192, 12, Rgb8(30, 40, 70, 0.9f));
  plate.Rect(0, 16, 200, 16, Rgb8(30, 40, 70, 0.9f));
  plate.Rect(0, 32, 200, 16, Rgb8(200, 200, 255), 4);
  plate.Rect(4, 32, 192, 12, Rgb8(30, 40, 70, 0.9f));
  for (int i = 0; i < 3; ++i) plate.Rect(0, 64 + 16.0f * i, 150, 10, Rgb8(80 + 60 * i, 200, 255 - 60 * i), 3);
  for (int d = 0; d <= 10; ++d) {
    const float x = 196.0f + 20 * d;
    if (d < 10)
      Digit(plate, d, x + 5, 205, 10, 22, Rgb8(255, 255, 255));
    else
      plate.Ellipse(x + 10, 216, 6, 6, Rgb8(255, 220, 60));
  }
  ok &= plate.Save(root, "grp/net_vs_select/net_ranking01.png");
  // Quote icons: 64 x 32 at (0,0) (0,32) (64,0) (64,32) (64,64), 32 x 32 at (0,64).
  for (const char* sheet : {"grp/FontEx00.png", "grp/FontEx00_eng.png"}) {
    Canvas c(128, 96);
    const int at[5][2] = {{0, 0}, {0, 32}, {64, 0}, {64, 32}, {64, 64}};
    for (int i = 0; i < 5; ++i)
      c.Rect(at[i][0] + 2.0f, at[i][1] + 2.0f, 60, 28, Rgb8(60 + i * 40, 200 - i * 30, 120), 3);
    c.Ellipse(16, 80, 14, 14, Rgb8(255, 220, 60));
    ok &= c.Save(root, sheet);
  }
  return ok;
}

// Message texts are drawn from double-byte units: English lines are written in full-width form.
std::string FullWidth(const std::string& ascii) {
  std::string out;
  for (unsigned char ch : ascii) {
    const uint32_t code = ch == ' ' ? 0x8140u : vt::text::FntFullWidthCode(ch);
    out += static_cast<char>(code >> 8);
    out += static_cast<char>(code & 0xFF);
  }
  return out;
}

// Quote files: generic quotes, one for each opponent, a flag-1 and a flag-2 one for the other
// drawn fighter, one admitting the generic quotes, an icon and a reading.
bool Quotes(const std::filesystem::path& root) {
  struct Lang {
    const char* folder;
    const char* generic1;
    const char* generic2;
    const char* specific;
    const char* won;
    const char* lost;
    const char* admits;
  };
  // Japanese lines in Shift-JIS: 勝った (kanji with a reading), よし, まだまだ.
  const Lang langs[2] = {
      {"eng", "A clean win.", "Train harder and come back.", "You fought well, rival.",
       "That settles it between us.", "Lucky, but a win is a win.", "Again? Fine by me."},
      {"jpn", "<\x8F\x9F\x82\xC1\x82\xBD>\x8F\x9F\x82\xC1\x82\xBD\x81I", "\x82\xE6\x82\xB5\x81I",
       "\x82\xDC\x82\xBE\x82\xDC\x82\xBE\x81I", "\x82\xE6\x82\xB5\x81I", "\x82\xDC\x82\xBE\x81I",
       "\x82\xE6\x82\xB5\x81I"},
  };
  const char* names[2] = {"Tester", "Duelist"};
  bool ok = true;
  for (const Lang& l : langs) {
    const bool eng = std::string(l.folder) == "eng";
    auto T = [eng](const char* text) { return eng ? FullWidth(text) : std::string(text); };
    for (int chara = 0; chara < 2; ++chara) {
      const int other = 1 - chara;
      const std::string v = chara == 0 ? "tester_win" : "duelist_win";
      std::string t = "// win quotes: opponent flags picture voice text\r\n";
      t += "255 0 0 " + v + "0.ogg " + T(l.generic1) + "\r\n";
      t += "255 0 1 " + v + "1.ogg " + T(l.generic2) + "\x87\x40\r\n";
      t += std::to_string(other) + " 0 2 " + v + "2.ogg " + T(l.specific) + "\r\n";
      t += std::to_string(other) + " 1 2 " + v + "0.ogg " + T(l.won) + "\r\n";
      t += std::to_string(other) + " 2 1 " + v + "1.ogg " + T(l.lost) + "\r\n";
      t += "4 512 0 " + v + "2.ogg " + T(l.admits) + "\r\n";
      t += "END\r\n";
      ok &= mkdata::WriteText(root, std::string("story/battle/") + l.folder + "/" + names[chara] + "_win.txt",
                              t);
    }
  }
  // Short voices: a rising and a falling tone per quote number.
  for (int chara = 0; chara < 2; ++chara) {
    for (int n = 0; n < 3; ++n) {
      constexpr int kRate = 22050;
      std::vector<int16_t> pcm(kRate * 6 / 10);
      for (size_t i = 0; i < pcm.size(); ++i) {
        const double s = static_cast<double>(i) / kRate;
        const double f = (chara ? 330.0 : 440.0) * (1.0 + (n - 1) * 0.3 * s);
        const double env = std::min(1.0, s * 20) * std::max(0.0, 1.0 - s / 0.6);
        pcm[i] = static_cast<int16_t>(8000 * env * std::sin(2 * 3.14159265358979 * f * s));
      }
      const std::vector<uint8_t> ogg = EncodeOggVorbis(pcm, 1, kRate, 0.1f);
      char path[64];
      std::snprintf(path, sizeof path, "se/windemo_se/%s_win%d.ogg", chara ? "duelist" : "tester", n);
      ok &= !ogg.empty() && mkdata::WriteBytes(root, path, ogg.data(), ogg.size());
    }
  }
  return ok;
}

bool WriteWinner(const std::filesystem::path& root) { return Parts(root) && Pictures(root) && Quotes(root); }

}  // namespace

MKDATA_STEP("60_winner", WriteWinner);
