#!/usr/bin/env bash
# Runs every test: a normal build, an AddressSanitizer + UndefinedBehaviorSanitizer
# build, a ThreadSanitizer run of the engine's threading tests, and bounded fuzz
# runs of the file readers. Installs missing Debian packages first.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)

bash tools/install-deps.sh

export QT_QPA_PLATFORM=offscreen
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export LSAN_OPTIONS=suppressions=$root/tools/lsan.supp:print_suppressions=0

step() { printf '\n=== %s ===\n' "$*"; }

step "Normal build and tests"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

step "Installed files, the C interface from outside, Debian packages"
bash tools/install-check.sh build

step "AddressSanitizer + UndefinedBehaviorSanitizer build and tests"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQV_SANITIZE=ON \
      -DQV_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j"$jobs"
ctest --test-dir build-asan --output-on-failure -j"$jobs" -LE no_sanitizer

step "ThreadSanitizer run of the engine's threading tests"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQV_TSAN=ON \
      -DQV_BUILD_GUI=OFF -DQV_BUILD_BENCH=OFF >/dev/null
cmake --build build-tsan -j"$jobs" --target qv_decon_tests
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan --output-on-failure -L threads

step "Bounded fuzz runs of the file readers"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DQV_FUZZ=ON -DQV_BUILD_GUI=OFF -DQV_BUILD_BENCH=OFF -DQV_BUILD_TESTS=ON >/dev/null
fuzzers=$(cd build-fuzz && ninja -t targets all | sed -n 's/^\(fuzz_[A-Za-z0-9_]*\): .*/\1/p' | sort -u)
for f in $fuzzers; do
  cmake --build build-fuzz -j"$jobs" --target "$f"
  work=$(mktemp -d)
  name=${f#fuzz_}
  for corpus in "$root/tests/fuzz/corpus/$name" "$root/tests/fuzz/corpus/${name%%_*}"; do
    if [ -d "$corpus" ]; then cp -r "$corpus"/. "$work"/; break; fi
  done
  echo "fuzzing $f for ${QV_FUZZ_SECONDS:-60} s"
  ASAN_OPTIONS=detect_leaks=1 "build-fuzz/tests/fuzz/$f" -max_total_time="${QV_FUZZ_SECONDS:-60}" \
      -rss_limit_mb=2048 -print_final_stats=1 "$work" 2>&1 | tail -n 5
  rm -rf "$work"
done

step "All tests passed"
