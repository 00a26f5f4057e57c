// The calls' timing (see round_calls.h).
#include "battle/round_calls.h"

RoundCallState g_RoundCall;
RoundCallBarState g_RoundCallBars;
FightCallState g_FightCall;
KoCallState g_KoCall;
int32_t g_RoundCallRound;
int32_t g_RoundCallWins;
int32_t g_RoundCallFirst;
int32_t g_RoundCallDone;

void StartRoundCall() {}
void UpdateRoundCall() {}
void UpdateRoundCallBars() {}
void StartFightCall() {}
void UpdateFightCall() {}
void StartKoCall() {}
void UpdateKoCall() {}
