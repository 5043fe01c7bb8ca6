#!/usr/bin/env bash
# Installs what the build needs, builds Tessaly and runs the main job on the Windows profile in use:
# $WINEPREFIX, else ~/.wine, else the bundled sample profile.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target tessaly-cli
echo "Identities of the profile:"
build/src/cli/tessaly-cli identities "$@"
