#!/usr/bin/env bash
# The test command: installs what is missing, builds, runs every test with ctest, then
# builds the headless tree with clang under AddressSanitizer and UBSan, runs its tests
# and gives each fuzzer a bounded run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
jobs=$(nproc)

bash scripts/setup.sh

# Qt WebEngine refuses to run as root inside its own sandbox; tests only.
export QTWEBENGINE_DISABLE_SANDBOX=1
export QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu --no-sandbox"

echo "== build (gcc, everything)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"

echo "== tests"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== sanitizer build (clang, ASan + UBSan, headless)"
CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DKESMORA_GUI=OFF -DKESMORA_BENCH=OFF -DKESMORA_SANITIZE=ON -DKESMORA_FUZZ=ON >/dev/null
cmake --build build-asan -j "$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir build-asan --output-on-failure -j "$jobs" -L headless

echo "== fuzzers (bounded runs)"
fuzz_seconds=${KESMORA_FUZZ_SECONDS:-20}
mapfile -t fuzzers < <(find build-asan/fuzz -maxdepth 3 -type f -name 'fuzz_*' -perm -u+x 2>/dev/null | sort)
for f in "${fuzzers[@]}"; do
  name=$(basename "$f")
  corpus="$root/fuzz/corpus/$name"
  work=$(mktemp -d)
  [ -d "$corpus" ] && cp -r "$corpus/." "$work/"
  echo "-- $name (${fuzz_seconds}s)"
  "$f" -max_total_time="$fuzz_seconds" -timeout=10 -rss_limit_mb=2048 "$work" 2>&1 | tail -n 2
  rm -rf "$work"
done
echo "== all tests passed"
