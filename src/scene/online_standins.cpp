// The installed net-battle control view and the battle role it reports.
#include "scene/online_standins.h"

#include "app/input/net_input_link.h"

namespace {
OfflineNetCtrl g_offlineCtrl;
NetCtrl* g_netCtrl = &g_offlineCtrl;
}  // namespace

int NetCtrl::GetBattleRole() const { return GetNetInputLink().GetBattleRole(); }

NetCtrl& GetNetCtrl() { return *g_netCtrl; }
void SetNetCtrl(NetCtrl* ctrl) { g_netCtrl = ctrl != nullptr ? ctrl : &g_offlineCtrl; }

namespace {
CSteamNetSeqMatchResult g_offlineMatchResult;
CSteamNetSeqMatchResult* g_matchResult = &g_offlineMatchResult;
}  // namespace

CSteamNetSeqMatchResult& GetNetMatchResultSeq() { return *g_matchResult; }
void SetNetMatchResultSeq(CSteamNetSeqMatchResult* seq) {
  g_matchResult = seq != nullptr ? seq : &g_offlineMatchResult;
}
