#!/usr/bin/env bash
# Installs what is missing, builds Ostrel (release) and runs it.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DOSTREL_BUILD_TESTS=OFF
cmake --build "$root/build/release"
# Until the application exists, the developer tool's demo stands in for it.
exec "$root/build/release/tools/ostrel-dev/ostrel-dev" demo "$@"
