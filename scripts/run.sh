#!/usr/bin/env bash
# Installs what is missing, builds Ostrel (release) and runs it: the tray application on a desktop,
# else the developer tool's demo, which needs none.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DOSTREL_BUILD_TESTS=OFF
cmake --build "$root/build/release"
if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
    exec "$root/build/release/ostrel" "$@"
fi
echo "No desktop here (DISPLAY and WAYLAND_DISPLAY are unset): showing the developer tool's demo instead." >&2
exec "$root/build/release/tools/ostrel-dev/ostrel-dev" demo "$@"
