// Operations the first battle work needs from later battle work, built as far as the push pass
// and the command checks need them. They are installed only into seams still empty, so the
// owning code replaces them by installing its own first.
#pragma once

void InstallFirstBattleStandIns();
