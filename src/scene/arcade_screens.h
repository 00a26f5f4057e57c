// The arcade route's screens installed together: the name entry's input hooks, the next-stage
// map (scene 10), the ranking (scene 11) and the battle seams of the challenger screen.
#pragma once

void InstallArcadeScreens();
