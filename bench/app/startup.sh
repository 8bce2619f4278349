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

loopback_up() {
  python3 - <<'PY'
import fcntl, socket, struct
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
request = struct.pack("16sh", b"lo", 0)
flags = struct.unpack("16sh", fcntl.ioctl(s, 0x8913, request))[1]  # SIOCGIFFLAGS
fcntl.ioctl(s, 0x8914, struct.pack("16sh", b"lo", flags | 1))      # SIOCSIFFLAGS: up
PY
}

if [ -z "${KESMORA_BENCH_INNER:-}" ]; then
  echo "== building kesmora_e2e (Release) in $build"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DKESMORA_E2E_PORT="$port" >/dev/null
  cmake --build "$build" --target kesmora_e2e -j "$(nproc)" >/dev/null
  program=$(find "$build/tests/app" -maxdepth 1 -name kesmora_e2e -type f -perm -u+x | head -n 1)
  [ -n "$program" ] || { echo "startup: kesmora_e2e was not built" >&2; exit 1; }
  export KESMORA_BENCH_PROGRAM=$program
  if unshare --net --map-root-user true 2>/dev/null || unshare --net true 2>/dev/null; then
    flags=(--net)
    [ "$(id -u)" -eq 0 ] || flags+=(--map-root-user)
    exec unshare "${flags[@]}" env KESMORA_BENCH_INNER=1 bash "$0" "$@"
  fi
  python3 -c "import socket,sys; s=socket.socket(); s.bind(('127.0.0.1', $port))" 2>/dev/null ||
    { echo "startup: port $port is taken and no private network namespace is allowed" >&2; exit 1; }
else
  loopback_up
fi

# shellcheck source=../../tests/support/desktop.sh
source "$root/tests/support/desktop.sh"
work=$(mktemp -d)
server_pid=""
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  desktop_stop
  rm -rf "$work"
}
trap cleanup EXIT

desktop_start
python3 "$root/demo/server.py" --port "$port" >"$work/server.out" 2>&1 &
server_pid=$!
for _ in $(seq 100); do
  python3 -c "import socket; socket.create_connection(('127.0.0.1', $port), 1)" 2>/dev/null && break
  sleep 0.1
done

echo "== start-up: Kesmora ($KESMORA_BENCH_PROGRAM) against $(chromium --version 2>/dev/null || echo chromium)"
echo "   display $DISPLAY ($(xdpyinfo | awk '/dimensions:/ {print $2}')), $(nproc) cores, $runs runs each"
python3 "$root/bench/app/startup.py" --kesmora "$KESMORA_BENCH_PROGRAM" \
  --url "http://127.0.0.1:$port/service/login/index" --runs "$runs" --settle "$settle"
