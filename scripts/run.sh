#!/usr/bin/env bash
# Installs what the build needs, builds Tessaly and runs the main job on the Windows profile in use
# ($WINEPREFIX, else ~/.wine, else the bundled sample profile): a backup of its first identity with
# all eight items into tessaly-backup.tsy (or the file given as the first argument), then a check of
# that file read back member by member.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target tessaly-cli tessaly
cli=build/src/cli/tessaly-cli
out=${1:-tessaly-backup.tsy}
echo "Identities of the profile:"
"$cli" identities
first_key=$("$cli" identities 2>/dev/null | head -n 1 | cut -f 2)
echo
echo "Backing up identity $first_key into $out:"
"$cli" backup --identity "$first_key" --out "$out" --note "Backup made by scripts/run.sh"
echo
echo "Reading $out back:"
"$cli" verify "$out"
