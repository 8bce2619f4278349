#!/usr/bin/env bash
# Start-up benchmark: Kesmora against Chromium in app mode on the same login page of
# the demo site, side by side in one run under the same Xvfb + icewm desktop. For each:
# the time from launch to the window being mapped, and the peak memory of the whole
# process tree (sum of RSS, and of PSS). Medians of several runs and the ratios
# Chromium / Kesmora are printed (bench/app/startup.py does the measuring).
#
#   bash bench/app/startup.sh            # 5 runs each after one warm-up run
#   KESMORA_BENCH_RUNS=9 bash bench/app/startup.sh
#
# Builds the program for the demo site (target kesmora_e2e, Release) in
# $KESMORA_BENCH_BUILD (default build-version-startup). The demo site listens on the port
# compiled into it, so everything runs in a private network namespace (only loopback)
# when the system allows one. Every process started here is stopped by its id.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=${KESMORA_BENCH_BUILD:-$root/build-version-startup}
port=${KESMORA_BENCH_PORT:-47801}
runs=${KESMORA_BENCH_RUNS:-5}
settle=${KESMORA_BENCH_SETTLE:-8}

# shellcheck source=../../tests/support/e2e_lib.sh
source "$root/tests/support/e2e_lib.sh"

if [ -z "${KESMORA_E2E_INNER:-}" ]; then
  echo "== building kesmora_e2e (Release) in $build"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DKESMORA_E2E_PORT="$port" >/dev/null
  cmake --build "$build" --target kesmora_e2e -j "$(nproc)" >/dev/null
  program=$(find "$build/tests/app" -maxdepth 1 -name kesmora_e2e -type f -perm -u+x | head -n 1)
  [ -n "$program" ] || { echo "startup: kesmora_e2e was not built" >&2; exit 1; }
  export KESMORA_BENCH_PROGRAM=$program
fi
e2e_private_network "$port" "$0" "$@" || exit 1

e2e_begin || exit 1
e2e_start_demo_site "$port" || exit 1

echo "== start-up: Kesmora ($KESMORA_BENCH_PROGRAM) against $(chromium --version 2>/dev/null || echo chromium)"
echo "   display $DISPLAY ($(xdpyinfo | awk '/dimensions:/ {print $2}')), $(nproc) cores, $runs runs each"
python3 "$root/bench/app/startup.py" --kesmora "$KESMORA_BENCH_PROGRAM" \
  --url "http://127.0.0.1:$port/service/login/index" --runs "$runs" --settle "$settle"
