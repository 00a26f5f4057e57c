// The round, fight and knock-out calls as the battle runs them: their timing (times in seconds
// that grow by 1/60 per unpaused frame), the round call's bars that request the fight call, the
// fight call's release of the fighters and the done flags the particles and the judge wait for.
// Their drawing belongs to the battle scene.
#pragma once

#include <cstdint>

struct RoundCallState {
  float T;
  int32_t done;
};
struct RoundCallBarState {
  float t;
  float typingTime;
  int32_t state;  // 0 running, 1 wipe finished, 2 fight call requested
};
struct FightCallState {
  float t;
  int32_t released;
  int32_t done;
};
struct KoCallState {
  int32_t KoKind;
  int32_t extra;
  float t;
  int32_t frameCount;
  int32_t done;
};

extern RoundCallState g_RoundCall;
extern RoundCallBarState g_RoundCallBars;
extern FightCallState g_FightCall;
extern KoCallState g_KoCall;
extern int32_t g_RoundCallRound;
extern int32_t g_RoundCallWins;
extern int32_t g_RoundCallFirst;
extern int32_t g_RoundCallDone;

void StartRoundCall();
void UpdateRoundCall();
void UpdateRoundCallBars();
void StartFightCall();
void UpdateFightCall();
void StartKoCall();
void UpdateKoCall();
