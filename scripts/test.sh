#!/usr/bin/env bash
# Installs what is missing, builds everything under AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs every test, then replays the fuzz targets over their seed corpus (with clang, in
# build/fuzz). Exits non-zero on any failure.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/install-deps.sh"
build="$root/build/test"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOSTREL_SANITIZE=ON
cmake --build "$build"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"

# The fuzz corpus holds the inputs that once broke something: replaying it takes seconds.
if command -v clang++ >/dev/null; then
  "$root/scripts/fuzz.sh" --replay
else
  echo "test: clang++ is missing, fuzz corpus not replayed" >&2
fi
