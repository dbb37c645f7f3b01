#!/usr/bin/env bash
# Runs every fuzz target (or the targets named as arguments) for FUZZ_SECONDS
# each, with libFuzzer, AddressSanitizer and UBSan (clang-14, in build-fuzz/).
# Inputs that crash, hang or run out of memory are copied into
# tests/corpus/<target>/ as regression cases, which ctest then replays.
# Prints one line per target: FUZZ <target> execs=<n> ...
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${FUZZ_SECONDS:-60}
build=$(realpath -m "${BUILD_FUZZ:-$root/build-fuzz}")
jobs=${JOBS:-4}

"$root/scripts/install-deps.sh" "$root/scripts/debian-packages.txt" "$root/scripts/debian-packages-fuzz.txt"
CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZAV_FUZZ=ON -DZAV_BENCH=OFF >/dev/null
cmake --build "$build" -j "$jobs" >/dev/null

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for src in "$root"/fuzz/fuzz_*.cpp; do
    name=$(basename "$src" .cpp)
    [ "$name" = fuzz_support ] || targets+=("${name#fuzz_}")
  done
fi

export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/fuzz/lsan.supp}

summary=()
found=0
for t in "${targets[@]}"; do
  work="$build/fuzz-work/$t"
  mkdir -p "$work/corpus" "$work/artefacts" "$root/tests/corpus/$t"
  extra=()
  [ -f "$root/fuzz/$t.dict" ] && extra=("-dict=$root/fuzz/$t.dict")
  # fuzz/<target>.options: more libFuzzer flags, blank-separated.
  [ -f "$root/fuzz/$t.options" ] && read -r -a opts <"$root/fuzz/$t.options" && extra+=("${opts[@]}")
  echo "fuzzing $t for ${seconds}s (log: $work/log.txt)"
  # Fork mode goes on after a crash, so one run finds more than one fault.
  (cd "$work" && "$build/fuzz/fuzz_$t" -fork=1 -ignore_crashes=1 -ignore_timeouts=1 -ignore_ooms=1 \
    -max_total_time="$seconds" -timeout="${FUZZ_TIMEOUT:-10}" -rss_limit_mb=2048 \
    -artifact_prefix="$work/artefacts/" "${extra[@]}" "$work/corpus" "$root/tests/corpus/$t") \
    >"$work/log.txt" 2>&1 || true
  last=$(grep -E '^#[0-9]+: cov:' "$work/log.txt" | tail -1 || true)
  execs=$(sed -E 's/^#([0-9]+):.*/\1/' <<<"$last")
  rate=$(sed -E 's/.*exec\/s ([0-9]+).*/\1/' <<<"$last")
  faults=$(sed -E 's/.*oom\/timeout\/crash: ([0-9/]+).*/\1/' <<<"$last")
  added=0
  for f in "$work"/artefacts/crash-* "$work"/artefacts/timeout-* "$work"/artefacts/oom-* "$work"/artefacts/leak-*; do
    [ -f "$f" ] || continue
    dest="$root/tests/corpus/$t/$(basename "$f")"
    if [ ! -e "$dest" ]; then
      cp "$f" "$dest"
      added=$((added + 1))
    fi
    rm -f "$f"
  done
  found=$((found + added))
  summary+=("FUZZ $t execs=${execs:-0} exec/s=${rate:-0} oom/timeout/crash=${faults:-?} new_regressions=$added")
done
printf '%s\n' "${summary[@]}"
if [ "$found" -gt 0 ]; then
  echo "New regression inputs in tests/corpus/: the replay tests fail until they are fixed."
  exit 1
fi
