#!/usr/bin/env bash
# Sets up everything on a fresh Debian 12 machine and starts the game on the sample data.
# Extra arguments go to the game (for example: --data /path/to/game/folder).
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
bash tools/build.sh
if [[ " $* " == *" --data "* ]]; then
  exec ./build/vantorel "$@"
fi
exec ./build/vantorel --data build/gamedata "$@"
