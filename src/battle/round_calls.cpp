// The calls' timing (see round_calls.h).
#include "battle/round_calls.h"

#include <algorithm>
#include <cmath>

#include "Sound/soundproc.h"
#include "battle/battle_records.h"

RoundCallState g_RoundCall;
RoundCallBarState g_RoundCallBars;
FightCallState g_FightCall;
KoCallState g_KoCall;
int32_t g_RoundCallRound;
int32_t g_RoundCallWins;
int32_t g_RoundCallFirst;
int32_t g_RoundCallDone;
int32_t g_KoEffectFrames[2];
RandStream g_CallRandom;

int32_t CallRandom() { return OwnRandStreamNext(g_CallRandom); }

namespace {

// Every call's clock grows by 1/60 in float32, one addition per unpaused frame: the frames on
// which a release or a done flag comes are the ones this sum gives, not a frame count.
// A pause holds every clock (the scene keeps drawing the calls meanwhile).
constexpr float kCallStep = 1.0f / 60.0f;

constexpr float kRoundCallLength = 4.0f;
constexpr float kBarsTypingStart = 0.8f;
// The wipe that ends the bars starts 2.5 s into the round call and takes 0.2 s.
constexpr float kBarsWipeStart = 2.5f;
constexpr float kBarsWipeLength = 0.2f;
constexpr float kFightReleaseTime = 1.0f;
constexpr float kFightPhaseEnd = 2.0f;
constexpr float kKoFadeLength = 0.2667f;

// The screens' ease-out and ease-in curves (the easing modes 1 and 2 the scenes share).
float EaseOut(float t) { return 1.0f - (1.0f - t) * (1.0f - t); }
float EaseIn(float t) { return t * t; }
float Clamp01(float v) { return v < 0.0f ? 0.0f : v > 1.0f ? 1.0f : v; }

// The calls' sounds are the screen's: requested for the end of the frame, outside the battle's
// sound-busy model, which only the characters' voices feed.
void CallSound(int slot) {
  if (slot >= 0 && slot < kSeSlotCount) RequestSoundEffect(slot);
}

// The round call's picture at time T (the update's steps 1 and 3 to 9; the sounds apart).
void StepRoundCallPicture(RoundCallState& r, bool winner) {
  const float T = r.T;
  if (winner)
    r.dim = T < 0.2f ? 1.0f : 0.5f;
  else
    r.dim = T < 0.25f ? 1.0f - 2.0f * T : 0.5f;
  const float e = T - 0.5f;
  if (winner) {
    r.bandHeight = 160.0f;
    r.stripHeight = 0.0f;
  } else if (e < 0.0f) {
  } else if (e < 0.5f) {
    r.bandHeight = r.stripHeight = 160.0f * EaseOut(2.0f * e);
  } else if (e < 3.0f) {
    r.bandHeight = r.stripHeight = 160.0f;
  } else {
    r.stripHeight = 160.0f;
    r.bandHeight = 160.0f + 320.0f * EaseIn(std::min(e - 3.0f, 0.25f) * 4.0f);
  }
  if (T < 0.5f) {
    r.textTime = 0.0f;
    r.charCount = 0.0f;
  } else {
    r.textTime = T - 0.5f;
    r.charCount = 128.0f * (T - 0.5f);
  }
  if (T < 0.25f) {
    r.diskAlpha = 1.0f;
    r.diskOffset = (1.0f - EaseOut(4.0f * T)) * 240.0f;
  } else if (T < 0.75f) {
    const float u = 2.0f * (T - 0.25f);
    r.diskOffset = -24.0f * u;
    r.diskAlpha = 1.0f - u;
  }
  if (T < 1.0f)
    r.flicker = 0.0f;
  else if (T < 1.5f)
    r.flicker = static_cast<float>(static_cast<int32_t>(std::floor(24.0f * (T - 1.0f))) % 3) / 3.0f;
  else
    r.flicker = 1.0f;
  if (T >= 0.25f && T < 1.0f) {
    const float u = (T - 0.25f) / 0.75f;
    r.flareAlpha = 1.0f - u;
    r.flareSize = 1.6f + u / 2.0f;
    r.streakHeight = 4.0f * EaseIn(1.0f - u);
    r.streakWidth = 48.0f * EaseOut(u) + 4.0f;
  } else if (T >= 1.0f) {
    r.flareAlpha = r.streakHeight = r.streakWidth = 0.0f;
  }
  if (T >= r.ringDelay) {
    r.ringAlpha = std::min(2.0f * (T - r.ringDelay), 1.0f);
    r.ringTime += kCallStep;
  }
  r.programY = T < 0.5f ? 480.0f : 480.0f - 256.0f * (T - 0.5f);
}

}  // namespace

void ResetRoundCalls() {
  g_RoundCall = RoundCallState{};
  g_RoundCallBars = RoundCallBarState{};
  g_FightCall = FightCallState{};
  g_KoCall = KoCallState{};
  g_RoundCallRound = 0;
  g_RoundCallWins = 0;
  g_RoundCallFirst = 0;
  g_RoundCallDone = 0;
  SeedOwnRandStream(g_CallRandom, kCallRandomSeed);
}

void ResetRoundCallBody() {
  RoundCallState& r = g_RoundCall;
  r = RoundCallState{};
  r.dim = 1.0f;
  r.bandCut = 1.0f;
  r.diskAlpha = 1.0f;
  r.diskOffset = 1024.0f;
  r.ringDelay = g_RoundCallRound < 0 ? 0.4f : 0.5f;
  r.flareSize = 2.0f;
  g_RoundCallDone = 0;
}

void StartRoundCall() {
  ResetRoundCallBody();
  g_RoundCallBars = RoundCallBarState{};
  g_RoundCallBars.frame = 3;
  g_RoundCallBars.frameWait = 0.5f;
}

void UpdateRoundCall() {
  if (g_Paused) return;
  // Done is judged on the time before this frame's step.
  if (g_RoundCall.T >= kRoundCallLength) {
    g_RoundCall.done = 1;
    g_RoundCallDone = 1;
  }
  RoundCallState& r = g_RoundCall;
  // The winner call runs the same body with the round word at -1: no sounds, no title.
  const bool winner = g_RoundCallRound < 0;
  StepRoundCallPicture(r, winner);
  if (!winner) {
    if (!r.soundPlayed[0] && r.T > 0.5f) {
      r.soundPlayed[0] = 1;
      CallSound(g_RoundCallFirst ? 86 : 75);
    }
    if (!r.soundPlayed[1] && r.T > 1.5f) {
      r.soundPlayed[1] = 1;
      if (!g_RoundCallFirst && 76 + g_RoundCallRound <= 1499) CallSound(76 + g_RoundCallRound);
    }
  }
  r.T += kCallStep;
}

void UpdateRoundCallBars() {
  if (g_Paused) return;
  RoundCallBarState& b = g_RoundCallBars;
  // The wipe's end marks the fight call as due. The scene's bar drawing, which follows the
  // update in each frame, is where this is noticed on the frame the wipe ends; judged here on
  // the time that drawing saw, before this frame's step, the particle pass asks for the fight
  // call on the same frame as it would after that drawing.
  if (b.state == 0 && b.t - kBarsWipeStart >= kBarsWipeLength) b.state = 1;
  if (b.t >= kBarsTypingStart) {
    if (b.typed < 12) {
      b.typed = std::min(static_cast<int32_t>(b.typingTime / 0.05f), 12);
    } else if (b.frame == 3) {
      // The line rests on its last frame, then runs again after a short or a long pause.
      if (b.frameTime >= b.frameWait) {
        b.frame = 0;
        b.frameTime = 0.0f;
        b.frameWait = CallRandom() % 3 == 0 ? 0.3f : 0.0667f;
      }
    } else if (b.frameTime >= 0.05f) {
      ++b.frame;
      b.frameTime = 0.0f;
    }
    if (b.typed >= 12) b.frameTime += kCallStep;
    b.blink = static_cast<int32_t>(std::floor(b.typingTime / 0.4f)) % 2 != 0 ? 1 : 0;
    b.typingTime += kCallStep;
  }
  b.t += kCallStep;
}

void StartFightCall() {
  FightCallState& f = g_FightCall;
  f = FightCallState{};
  f.noiseAlpha = 1.0f;
  f.flashAlpha = 1.0f;
  f.holdEnd = 1.0f;
  f.bandCut = 0.5f;
  f.glyphRow = 1;
}

void UpdateFightCall() {
  if (g_Paused) return;
  FightCallState& f = g_FightCall;
  // The phase time runs 0..0.25 (the glyphs spread), 0..0.75 (held) and then from 0 again
  // from the release on.
  f.noiseAlpha = std::max(f.noiseAlpha - 1.0f / 60.0f, 0.0f);
  f.flashAlpha = std::max(f.flashAlpha - 1.0f / 30.0f, 0.0f);
  const float after = std::min((f.t - 1.0f) / 0.2667f, 1.0f);
  f.bandCut = f.t >= 1.0f ? 0.5f + 0.5f * after : 0.5f;
  float x;
  if (f.t < 0.25f) {
    f.glyphRow = 1;
    f.glyphAlpha = f.glyphSpread = 4.0f * f.t;
    x = f.t;
  } else if (f.t < kFightReleaseTime) {
    f.glyphRow = 0;
    f.glyphAlpha = f.glyphSpread = 1.0f;
    x = f.t - 0.25f;
  } else {
    f.glyphRow = 1;
    f.glyphAlpha = 1.0f - after;
    f.glyphSpread = 1.0f + 5.0f * (f.t - 1.0f);
    x = f.t - kFightReleaseTime;
  }
  if (!f.soundPlayed && x > 0.2f) {
    f.soundPlayed = 1;
    CallSound(89);
  }
  if (f.t >= kFightReleaseTime) f.released = 1;
  if (x >= kFightPhaseEnd) f.done = 1;
  f.t += kCallStep;
  ++f.frameCount;
}

int32_t KoKindForResult(int32_t resultValue) {
  switch (resultValue) {
    case 6:
      return 1;
    case 99:
      return 2;
    case 1000:
      return 3;
    case 1001:
      return 4;
    case 20:
      return 5;
    case 21:
      return 6;
    default:  // 3 and every value not listed
      return 0;
  }
}

void StartKoCall() {
  KoCallState& k = g_KoCall;
  k.sequence = k.KoKind == 5 || k.KoKind == 6 ? 1 : 0;
  k.shownFrame = -1;
  k.t = 0.0f;
  k.frameCount = 0;
  k.alpha = 1.0f;
  k.e = k.g = k.l = 1.0f;
  k.f = k.h = 0.0f;
  k.soundPlayed[0] = k.soundPlayed[1] = 0;
  k.done = 0;
}

void UpdateKoCall() {
  if (g_Paused) return;
  KoCallState& k = g_KoCall;
  // The final fade starts 1.5 s in, 3.5 s with an extra logo; the call is done once it has
  // faded out.
  const float fadeStart = k.extra != 0 ? 3.5f : 1.5f;
  const int32_t frame = static_cast<int32_t>(std::floor(k.t / 0.03f));
  const int32_t loaded = g_KoEffectFrames[k.sequence & 1];
  k.shownFrame = frame < loaded ? frame : -1;
  k.alpha = k.t <= 0.4f ? 1.0f : std::max(0.4f, std::min(1.0f, 1.0f - 3.0f * (k.t - 0.4f)));
  k.e = Clamp01(1.0f - (k.t - fadeStart) / kKoFadeLength);
  k.f = Clamp01(k.t / 0.2f);
  k.g = Clamp01(1.0f - (k.t - 1.5f) / kKoFadeLength);
  k.h = Clamp01((k.t - 1.8f) / 0.2f);
  k.l = Clamp01(1.0f - (k.t - 3.3f) / kKoFadeLength);
  static constexpr int32_t kKindSound[7] = {90, 91, 95, -1, -1, 98, 99};
  if (!k.soundPlayed[0] && k.t > 0.0f) {
    k.soundPlayed[0] = 1;
    if (k.KoKind >= 0 && k.KoKind < 7) CallSound(kKindSound[k.KoKind]);
  }
  if (!k.soundPlayed[1] && k.t > 2.0f && (k.extra == 1 || k.extra == 2)) {
    k.soundPlayed[1] = 1;
    CallSound(k.extra == 1 ? 92 : 94);
  }
  if (k.e <= 0.0f) k.done = 1;
  ++k.frameCount;
  k.t = static_cast<float>(k.frameCount) / 60.0f;
}
