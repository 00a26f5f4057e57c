// The drawing of the battle's combo HUD: the combo counters, the banners with their bar, the
// counter banner and the status indicator; and the cut-in slots' release.
#pragma once

void ReleaseExpiredCutIns();

void InstallHudDrawSeams();
