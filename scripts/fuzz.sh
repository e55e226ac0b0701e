#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (in build/fuzz) and runs them.
#   scripts/fuzz.sh [SECONDS]  fuzzes each target for SECONDS (default 60), starting from a scratch copy
#                              of its seed corpus, so fuzz/corpus only grows when someone copies an input in
#   scripts/fuzz.sh --replay   runs each target once over its seed corpus: a regression check of seconds
# Exits non-zero when any target finds a crash, a broken invariant, a leak or a timeout; the input is kept
# as build/fuzz/findings/<target>-crash-… (or -timeout-…, -leak-…), the log in build/fuzz/logs.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

mode=fuzz
seconds=60
case "${1:-}" in
  --replay) mode=replay ;;
  '') ;;
  *[!0-9]*) echo "usage: $0 [SECONDS | --replay]" >&2; exit 2 ;;
  *) seconds=$1 ;;
esac

command -v clang++ >/dev/null || { echo "fuzz: clang++ is not installed (scripts/install-deps.sh)" >&2; exit 1; }

build="$root/build/fuzz"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOSTREL_FUZZ=ON -DOSTREL_BUILD_TESTS=OFF -DOSTREL_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target ostrel_fuzz -j4

export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TZ=UTC LANG=C.UTF-8
mkdir -p "$build/findings" "$build/logs"

# Seconds one input may take. Link detection has a tight limit, so that a detector whose cost grows
# faster than the text shows up as a timeout; its inputs are capped in size to match.
timeoutFor() { [[ $1 == links ]] && echo 2 || echo 10; }
maxLenFor() { [[ $1 == links ]] && echo 4096 || echo 8192; }

failed=()
for corpus in "$root"/fuzz/corpus/*/; do
  name=$(basename "$corpus")
  target="$build/fuzz/ostrel_fuzz_$name"
  [[ -x $target ]] || { echo "fuzz: no target for corpus $name" >&2; failed+=("$name"); continue; }
  log="$build/logs/$name.log"
  options=(-timeout="$(timeoutFor "$name")" -artifact_prefix="$build/findings/$name-")
  if [[ $mode == replay ]]; then
    # Files as arguments: each is run once, nothing is mutated or written.
    args=("${options[@]}" "$corpus"*)
  else
    scratch="$build/scratch/$name"
    rm -rf "$scratch"
    mkdir -p "$scratch"
    cp "$corpus"* "$scratch/"
    args=("${options[@]}" -max_len="$(maxLenFor "$name")" -max_total_time="$seconds" -print_final_stats=1 "$scratch")
  fi
  if "$target" "${args[@]}" >"$log" 2>&1; then
    echo "fuzz: $name ok ($mode)"
  else
    echo "fuzz: $name FAILED ($mode), log: $log" >&2
    grep -E 'ERROR|invariant broken|Test unit written|SUMMARY' "$log" | head -8 >&2 || true
    failed+=("$name")
  fi
done

if [[ ${#failed[@]} -gt 0 ]]; then
  echo "fuzz: findings in: ${failed[*]}" >&2
  exit 1
fi
