// Hooks that let the graphics and sound file readers see the mounted packs.
#pragma once

// Installs the pack readers of the graphics and sound code (once; the first mount does it).
void InstallPackReaders();
