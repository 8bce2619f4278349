# shellcheck shell=bash
# The steps shared by the runs of the program built for the demo site (the end-to-end
# tests in tests/app and the start-up benchmark): a private network namespace where the
# compiled-in port is free, the desktop (desktop.sh), the demo site, the program and
# its main window. Source this file, then:
#
#   e2e_private_network PORT SCRIPT ARGS...
#       runs SCRIPT again (with ARGS) in a private network namespace with only a
#       loopback interface when the system allows one; KESMORA_E2E_INNER is set in
#       that run. Without one it returns 0 when PORT is free in the host's namespace,
#       else prints a SKIP line and returns 77; 1 when the loopback interface cannot be
#       brought up.
#   e2e_begin              makes the work folder $work, sets `e2e_cleanup` as the EXIT
#                          trap (stops the program, the demo site and the desktop by
#                          process id, removes $work) and starts the desktop; 1 when
#                          there is none
#   e2e_start_demo_site PORT ARGS...
#                          demo/server.py on PORT with ARGS, output in $work/server.out;
#                          returns once it accepts connections, 1 after 10 s
#   e2e_start_program P    starts P with its output in $work/program.out ($program_pid)
#   e2e_wait_for_window F  waits up to a minute for the program's window ($window); on
#                          time-out saves a screenshot to F, prints the output and exits 1
#   geometry W             "x y width height" of window W on the screen
#   pass TEXT / fail TEXT  one check's result ($failures counts the failed ones)
#   e2e_finish LABEL       prints the program's output and exits 1 when a check failed
#
# Every wait is bounded.

e2e_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# shellcheck source=desktop.sh
source "$e2e_root/tests/support/desktop.sh"

work=""
server_pid=""
program_pid=""
window=""
failures=0

e2e__loopback_up() {
  python3 - <<'PY'
import fcntl, socket, struct
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
request = struct.pack("16sh", b"lo", 0)
flags = struct.unpack("16sh", fcntl.ioctl(s, 0x8913, request))[1]  # SIOCGIFFLAGS
fcntl.ioctl(s, 0x8914, struct.pack("16sh", b"lo", flags | 1))      # SIOCSIFFLAGS: up
PY
}

e2e__port_free() {
  python3 -c "import socket,sys; s=socket.socket(); s.bind(('127.0.0.1', int(sys.argv[1])))" "$1" 2>/dev/null
}

e2e_private_network() {
  local port=$1; shift
  if [ -n "${KESMORA_E2E_INNER:-}" ]; then
    e2e__loopback_up && return 0
    echo "FAIL: cannot bring up the loopback interface"
    return 1
  fi
  if unshare --net --map-root-user true 2>/dev/null || unshare --net true 2>/dev/null; then
    local flags=(--net)
    [ "$(id -u)" -eq 0 ] || flags+=(--map-root-user)
    exec unshare "${flags[@]}" env KESMORA_E2E_INNER=1 bash "$@"
  fi
  e2e__port_free "$port" && return 0
  echo "SKIP: port $port is taken and no private network namespace is allowed"
  return 77
}

e2e__stop() { # stops one process started here, by its id
  if [ -n "$1" ]; then
    kill "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
  fi
}

e2e_cleanup() {
  e2e__stop "$program_pid"
  e2e__stop "$server_pid"
  desktop_stop
  [ -z "$work" ] || rm -rf "$work"
}

e2e_begin() {
  work=$(mktemp -d)
  trap e2e_cleanup EXIT
  desktop_start && return 0
  echo "FAIL: no desktop"
  return 1
}

e2e_start_demo_site() {
  local port=$1; shift
  python3 "$e2e_root/demo/server.py" --port "$port" "$@" >"$work/server.out" 2>&1 &
  server_pid=$!
  wait_for 100 python3 -c "import socket; socket.create_connection(('127.0.0.1', $port), 1)" &&
    return 0
  echo "FAIL: the demo site did not start"
  cat "$work/server.out"
  return 1
}

e2e_start_program() {
  # Qt WebEngine refuses to run as root inside its own sandbox.
  if [ "$(id -u)" -eq 0 ]; then
    export QTWEBENGINE_DISABLE_SANDBOX=1
  fi
  export QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu"
  "$1" >"$work/program.out" 2>&1 &
  program_pid=$!
}

e2e__find_window() {
  window=$(xdotool search --onlyvisible --pid "$program_pid" --name '^Kesmora' | head -n 1)
  [ -n "$window" ]
}

e2e_wait_for_window() {
  wait_for 600 e2e__find_window && return 0
  desktop_screenshot "$1"
  echo "FAIL: no window"
  cat "$work/program.out"
  exit 1
}

geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
    /^ *Width:/ {w=$2} /^ *Height:/ {h=$2} END {print x, y, w, h}'
}

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

e2e_finish() {
  echo "program output:"; sed -n 1,40p "$work/program.out"
  [ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
  echo "$1: all checks passed"
}
