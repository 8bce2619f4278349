#!/usr/bin/env bash
# Runs Kesmora against the loopback demo site: installs the packages, builds a demo
# configuration (build-demo/) whose addresses point at the site, starts the site on a
# loopback port and starts the program on the current display. With no display it runs
# under Xvfb with icewm, saves a screenshot to artifacts/kesmora-demo.png and stops.
#
#   KESMORA_DEMO_PORT   port of the demo site (default 47800, or a free one if taken)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup.sh

port_free() {
  python3 -c "import socket,sys; s=socket.socket(); s.bind(('127.0.0.1', int(sys.argv[1])))" "$1" 2>/dev/null
}
port=${KESMORA_DEMO_PORT:-47800}
if ! port_free "$port"; then
  port=$(python3 -c "import socket; s=socket.socket(); s.bind(('127.0.0.1', 0)); print(s.getsockname()[1])")
fi
site="http://127.0.0.1:$port"

echo "== building the demo configuration for $site"
cmake -S . -B build-demo -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKESMORA_TESTS=OFF -DKESMORA_BENCH=OFF \
  -DServiceHost="$site" -DAdHost="$site" \
  -DExitPage1="$site/sites/1" -DExitPage2="$site/sites/2" >/dev/null
cmake --build build-demo --target kesmora -j "$(nproc)"

server_pid=""
program_pid=""
headless=""
stop() { # stops one process we started, by its id
  if [ -n "$1" ]; then
    kill "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
  fi
}
cleanup() {
  stop "$program_pid"
  stop "$server_pid"
  if [ -n "$headless" ]; then
    desktop_stop
  fi
}
trap cleanup EXIT

echo "== starting the demo site on $site"
python3 demo/server.py --port "$port" &
server_pid=$!
for _ in $(seq 100); do
  python3 -c "import socket; socket.create_connection(('127.0.0.1', $port), 1)" 2>/dev/null && break
  sleep 0.1
done

# Qt WebEngine refuses to run as root inside its own sandbox.
[ "$(id -u)" -eq 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "== starting Kesmora; close its window to end"
  build-demo/app/kesmora
  exit 0
fi

echo "== no display: running under Xvfb with icewm"
# shellcheck source=../tests/support/desktop.sh
source tests/support/desktop.sh
desktop_start
headless=1
export QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu"
build-demo/app/kesmora &
program_pid=$!
for _ in $(seq 600); do
  xdotool search --onlyvisible --pid "$program_pid" --name '^Kesmora' >/dev/null 2>&1 && break
  kill -0 "$program_pid" 2>/dev/null || break
  sleep 0.1
done
sleep 5 # let the web view load and paint
mkdir -p artifacts
desktop_screenshot artifacts/kesmora-demo.png
echo "== screenshot saved to $root/artifacts/kesmora-demo.png"
