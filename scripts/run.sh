#!/usr/bin/env bash
# Installs what is missing, builds Ostrel (release) and runs it: the tray application on a desktop;
# without one, four weeks of a simulated student with the application's services in virtual time.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DOSTREL_BUILD_TESTS=OFF
cmake --build "$root/build/release"
if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
    exec "$root/build/release/ostrel" "$@"
fi
echo "No desktop here (DISPLAY and WAYLAND_DISPLAY are unset): simulating four weeks of a student instead." >&2
scratch=$(mktemp -d "${TMPDIR:-/tmp}/ostrel-run.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
dev="$root/build/release/tools/ostrel-dev/ostrel-dev"
"$dev" simulate "$scratch/quev.sqlite" --days 28 --seed 1 --tz "${OSTREL_TZ:-Europe/Berlin}" --noise low "$@"
echo "What it learned:" >&2
"$dev" routines "$scratch/quev.sqlite" --tz "${OSTREL_TZ:-Europe/Berlin}"
