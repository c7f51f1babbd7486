#!/usr/bin/env bash
# CMAKE_CROSSCOMPILING_EMULATOR of the 64-bit Windows build: runs one Windows
# binary under 64-bit Wine and passes its exit code on.
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"
halverne_wine_prefix
exec "$WINE64" "$@"
