// The calls' timing (see round_calls.h).
#include "battle/round_calls.h"

#include "battle/battle_records.h"

RoundCallState g_RoundCall;
RoundCallBarState g_RoundCallBars;
FightCallState g_FightCall;
KoCallState g_KoCall;
int32_t g_RoundCallRound;
int32_t g_RoundCallWins;
int32_t g_RoundCallFirst;
int32_t g_RoundCallDone;

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
}

void ResetRoundCallBody() {
  g_RoundCall = RoundCallState{};
  g_RoundCallDone = 0;
}

void StartRoundCall() {
  ResetRoundCallBody();
  g_RoundCallBars = RoundCallBarState{};
}

void UpdateRoundCall() {
  if (g_Paused) return;
  // Done is judged on the time before this frame's step.
  if (g_RoundCall.T >= kRoundCallLength) {
    g_RoundCall.done = 1;
    g_RoundCallDone = 1;
  }
  g_RoundCall.T += kCallStep;
}

void UpdateRoundCallBars() {
  if (g_Paused) return;
  RoundCallBarState& b = g_RoundCallBars;
  // The wipe's end marks the fight call as due. The scene's bar drawing, which follows the
  // update in each frame, is where this is noticed on the frame the wipe ends; judged here on
  // the time that drawing saw, before this frame's step, the particle pass asks for the fight
  // call on the same frame as it would after that drawing.
  if (b.state == 0 && b.t - kBarsWipeStart >= kBarsWipeLength) b.state = 1;
  if (b.t >= kBarsTypingStart) b.typingTime += kCallStep;
  b.t += kCallStep;
}

void StartFightCall() { g_FightCall = FightCallState{}; }

void UpdateFightCall() {
  if (g_Paused) return;
  FightCallState& f = g_FightCall;
  // The phase time runs 0..0.25 (the glyphs spread), 0..0.75 (held) and then from 0 again
  // from the release on.
  const float x = f.t < 0.25f ? f.t : f.t < kFightReleaseTime ? f.t - 0.25f : f.t - kFightReleaseTime;
  if (f.t >= kFightReleaseTime) f.released = 1;
  if (x >= kFightPhaseEnd) f.done = 1;
  f.t += kCallStep;
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
  g_KoCall.t = 0.0f;
  g_KoCall.frameCount = 0;
  g_KoCall.done = 0;
}

void UpdateKoCall() {
  if (g_Paused) return;
  KoCallState& k = g_KoCall;
  // The final fade starts 1.5 s in, 3.5 s with an extra logo; the call is done once it has
  // faded out.
  const float fadeStart = k.extra != 0 ? 3.5f : 1.5f;
  float e = 1.0f - (k.t - fadeStart) / kKoFadeLength;
  if (e > 1.0f) e = 1.0f;
  if (e <= 0.0f) k.done = 1;
  ++k.frameCount;
  k.t = static_cast<float>(k.frameCount) / 60.0f;
}
