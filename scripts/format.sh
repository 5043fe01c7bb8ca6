#!/usr/bin/env bash
# Formats the C++ files of the project (or of the given folders) with the project's .clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -gt 0 ] || set -- src tests bench fuzz
find "$@" -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 -r clang-format -i
