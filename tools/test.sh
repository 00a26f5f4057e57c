#!/usr/bin/env bash
# Sets up everything on a fresh Debian 12 machine and runs the whole test suite
# (unit, GL and end-to-end tests; GL runs headless through SDL's offscreen driver).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
bash tools/build.sh
export SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-offscreen} SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
ctest --test-dir build --output-on-failure -j "$(nproc)" --timeout 600
