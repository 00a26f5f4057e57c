// The battle's one list of installs: every battle module's seams, the game's pad read and the
// draw seams the battle fills. The game calls it through the game wiring (app/game_wiring.h) at
// start-up, and the harness, the tests and the fuzz targets call the same wiring, so they run
// the battle the players run. Installers of other libraries (stages, replays, training, scenes)
// are not called from here: the battle library does not depend on them.
#pragma once

void InstallBattleRules();
