// The winner screen: clock, particles, the winner's pictures, the quote walk and the voice.
#include "scene/winner_screen.h"

#include <algorithm>
#include <cstdio>

#include "Dxtools/D3D_Tools/d3d_texture.h"
#include "Dxtools/GrpManager/grp_draw_list.h"
#include "Dxtools/GrpManager/grp_frame_targets.h"
#include "Dxtools/Text/fnt_font.h"
#include "Sound/soundproc.h"
#include "app/random.h"
#include "app/save_data.h"
#include "battle/chara_list.h"
#include "scene/win_quotes.h"

using namespace vt::text;

namespace {

constexpr int kNewLine = 0x81A1;
constexpr int kLineHeight = 30;
constexpr int kRowHeight = 24;

WinnerScreenState g_Screen;

void FreeTex(TextureHandle*& t) {
  if (t) FreeTexture(t);
  t = nullptr;
}

// A missing picture is skipped: the draw list would show a null texture as a plain quad.
void DrawIf(TextureHandle* t, int x, int y, int w, int h, float sx, float sy, float sw, float sh, uint32_t c,
            int priority) {
  if (t) DrawSprite(nullptr, t, x, y, w, h, sx, sy, sw, sh, c, 0, priority);
}

uint32_t Alpha(int a) { return (static_cast<uint32_t>(std::clamp(a, 0, 255)) << 24) | 0xFFFFFF; }

}  // namespace

WinnerScreenState& GetWinnerScreen() { return g_Screen; }

QuoteWalk WalkWinQuoteText(std::string_view walk, int n, int x, int y, bool english, const FntFont* font,
                           int jpnWidth) {
  QuoteWalk w;
  if (n == 0) return w;
  if (walk.empty()) {
    w.result = 1;
    return w;
  }
  int sx = x, sy = y, u = 32, v = 0;
  for (size_t j = 0;; ++j) {
    const size_t at = j * 2;
    // The end of the text, or a lone byte before it: the walk is over.
    if (at + 1 >= walk.size() || walk[at] == '\0' || walk[at + 1] == '\0') {
      if (w.partialUnits > 0) ++w.completeLines;
      w.partialUnits = 0;
      w.result = 1;
      return w;
    }
    if (n / 2 < static_cast<int>(j)) return w;
    QuoteUnit q;
    q.code =
        static_cast<uint16_t>((static_cast<uint8_t>(walk[at]) << 8) | static_cast<uint8_t>(walk[at + 1]));
    q.alpha = std::min((n - 2 * static_cast<int>(j)) * 8, 255);
    q.x = sx;
    q.y = sy;
    q.u = u;
    q.v = v;
    if (q.code == kNewLine) {
      sx = x;
      sy += kLineHeight;
      u = 32;
      v += kRowHeight;
      if (q.alpha != 0) ++w.completeLines;
      w.partialUnits = 0;
      w.units.push_back(q);
      continue;
    }
    if (english) {
      const char unit[3] = {walk[at], walk[at + 1], '\0'};
      q.ws = font ? GetFntGlyphWidth(font, unit) : 24;
      q.wd = static_cast<int>(static_cast<float>(q.ws) * 0.8f);
    } else {
      q.ws = 24;
      q.wd = jpnWidth;
    }
    w.units.push_back(q);
    ++w.partialUnits;
    sx += q.wd;
    u += q.ws;
  }
}

void MakeWinQuoteText(std::string_view text) {
  WinnerScreenState& s = g_Screen;
  FreeTex(s.quotePicture);
  s.quoteText = std::string(text);
  s.walkText = StripMessageMarkup(s.quoteText.c_str(), 2);
  const bool english = MessageLanguageIsEnglish();
  const FntFont* font = g_StoryFonts[english ? 3 : 0];
  const FntFont* ruby = g_StoryFonts[1];
  if (!s.quoteText.empty() && font)
    s.quotePicture = RenderMessageTexture(32, 512, s.quoteText.c_str(), font, ruby);
}

void LoadWinnerScreen(int drawKind) {
  WinnerScreenState& s = g_Screen;
  s.drawKind = drawKind;
  s.frames = 0;
  s.t = 0.0f;
  s.quoteStarted = 0;
  s.quoteFrames = 0;
  s.voiceStarted = 0;
  FreeTex(s.chara);
  FreeTex(s.charaRed);
  FreeTex(s.name);
  // Pictures only for a character the list holds: its number names the files.
  if (!drawKind && GetCharaListEntry(s.character)) {
    char path[96];
    std::snprintf(path, sizeof path, ".\\grp\\win_qz\\win_chara\\win_chara_%02d%02d", s.character, s.picture);
    s.chara = LoadTexture(path);
    std::snprintf(path, sizeof path, ".\\grp\\win_qz\\win_chara_red\\win_charaR_%02d%02d", s.character,
                  s.picture);
    s.charaRed = LoadTexture(path);
    std::snprintf(path, sizeof path, ".\\grp\\win_qz\\win_name\\win_name%02d", s.character);
    s.name = LoadTexture(path);
  }
  for (WinnerScreenParticle& p : s.particles) {
    p.x = static_cast<float>(RandStreamNext(1) % 640 - 128);
    p.y = static_cast<float>(RandStreamNext(1) % 460 + 10);
    p.speed = static_cast<float>(RandStreamNext(1)) * (1.0f / 2147483648.0f) + 0.2f;
    p.row = RandStreamNext(1) % 4;
  }
  StopBgm();
  if (LoadBgm(98)) StartBgm();
}

void UpdateWinnerScreen() {
  WinnerScreenState& s = g_Screen;
  for (WinnerScreenParticle& p : s.particles) {
    p.x -= p.speed;
    if (p.x < -512.0f) {
      p.x = 640.0f;
      p.y = static_cast<float>(RandInt(460) + 10);
      p.row = RandInt(4);
      p.speed = static_cast<float>(RandFloat()) + 0.2f;
    }
  }
  if (s.t > 2.5f) s.quoteStarted = 1;
  ++s.frames;
  s.t = static_cast<float>(s.frames) / 60.0f;
}

void DrawWinnerScreen() {
  WinnerScreenState& s = g_Screen;
  // The captured battle picture fades out over the first half second.
  if (g_CaptureTarget) {
    const int a = 255 - static_cast<int>(std::min(s.t / 0.5f, 1.0f) * 255.0f);
    if (a > 0) DrawSprite(nullptr, g_CaptureTarget, 0, 0, 640, 480, 0, 0, 640, 480, Alpha(a), 0, 210);
  }
  if (s.drawKind) return;
  const float c = std::clamp((s.t - 1.7f) / 0.6f, 0.0f, 1.0f);
  if (s.t >= 1.7f) {
    const int x = 320 - 128 - 72 - static_cast<int>(512.0f * (1.0f - c) * (1.0f - c));
    DrawIf(s.chara, x, 0, 256, 512, 0, 0, 256, 512, Alpha(255), 569);
    const float e = std::clamp((s.t - 1.7f) / 0.4f, 0.0f, 1.0f);
    DrawIf(s.name, 368 + static_cast<int>(256.0f * (1 - e) * (1 - e)), 298, 256, 32, 0, 0, 256, 32,
           Alpha(255), 572);
  }
}

int StartWinnerVoice() {
  WinnerScreenState& s = g_Screen;
  if (s.voiceStarted) return 0;
  s.voiceStarted = 1;
  // The attract sound's mute rule (BackgroundSound off, or no options) silences the voice too.
  const bool muted = ApplyMuteRule(0) == kSilentVolume;
  const int32_t v = WinnerVoiceVolume(g_BgmVolume, muted);
  if (g_BgmStream) g_BgmStream->SetVolume(v);
  if (s.voice.empty()) return 0;
  const std::string path = ".\\se\\windemo_se\\" + s.voice;
  return PlayVoiceStream(path.c_str());
}

int UpdateDrawWinnerScreen(int kind, int gate) {
  WinnerScreenState& s = g_Screen;
  if (kind == 2) return 1;
  if (gate) UpdateWinnerScreen();
  DrawWinnerScreen();
  if (kind != 0) return 1;
  if (!s.quoteStarted) return 0;
  if (gate) ++s.quoteFrames;
  StartWinnerVoice();
  // The quote is always drawn: nothing sets the arcade variant that would hide it.
  const bool english = MessageLanguageIsEnglish();
  const int x = english ? 60 : 80, y = english ? 338 : 342;
  const QuoteWalk w =
      WalkWinQuoteText(s.walkText, s.quoteFrames, x, y, english, g_StoryFonts[english ? 3 : 0]);
  if (s.quotePicture) {
    for (const QuoteUnit& q : w.units) {
      if (q.code == 0x81A1 || q.alpha == 0) continue;
      DrawSprite(nullptr, s.quotePicture, q.x + 1, q.y + 1, q.wd, 22, q.u, q.v, q.ws, 24,
                 static_cast<uint32_t>(q.alpha) << 24, 0, 776);
      DrawSprite(nullptr, s.quotePicture, q.x, q.y, q.wd, 22, q.u, q.v, q.ws, 24, Alpha(q.alpha), 0, 777);
    }
  }
  return w.result;
}

void FreeWinnerScreenParts() {
  WinnerScreenState& s = g_Screen;
  FreeTex(s.chara);
  FreeTex(s.charaRed);
  FreeTex(s.name);
  FreeTex(s.quotePicture);
  s.quoteText.clear();
  s.walkText.clear();
}

void FreeWinnerScreenTarget() {}
