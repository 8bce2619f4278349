# A desktop for GUI tests and the demo run: an X server (Xvfb) with a window manager
# that has a system tray (icewm). Source this file, then:
#
#   desktop_start          starts both on a free display and exports DISPLAY
#   desktop_stop           stops what desktop_start started (by process id)
#   desktop_screenshot F   saves the whole screen as a PNG
#   wait_for T CMD...      retries CMD (output discarded) for up to T tenths of a second
#
# Screen size: KESMORA_DESKTOP_SIZE (default 1920x1080). Every wait is bounded. Safe
# under `set -e`.

desktop_xvfb_pid=""
desktop_wm_pid=""
desktop_home=""

wait_for() { # tries a command for up to $1 tenths of a second
  local tenths=$1; shift
  local i
  for ((i = 0; i < tenths; i++)); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

desktop__tray_ready() {
  # The tray is ready when something owns the system-tray selection of screen 0.
  python3 - <<'PY'
import ctypes, ctypes.util, os, sys
x = ctypes.cdll.LoadLibrary(ctypes.util.find_library("X11"))
x.XOpenDisplay.restype = ctypes.c_void_p
x.XInternAtom.restype = ctypes.c_ulong
x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
x.XGetSelectionOwner.restype = ctypes.c_ulong
x.XGetSelectionOwner.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
d = x.XOpenDisplay(os.environ["DISPLAY"].encode())
if not d:
    sys.exit(1)
atom = x.XInternAtom(d, b"_NET_SYSTEM_TRAY_S0", 0)
sys.exit(0 if x.XGetSelectionOwner(d, atom) else 1)
PY
}

desktop_start() {
  local size=${KESMORA_DESKTOP_SIZE:-1920x1080}
  local n
  for n in $(seq 91 190); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp -noreset >/dev/null 2>&1 &
    desktop_xvfb_pid=$!
    if DISPLAY=":$n" wait_for 100 xdpyinfo; then
      break
    fi
    kill "$desktop_xvfb_pid" 2>/dev/null || true
    wait "$desktop_xvfb_pid" 2>/dev/null || true
    desktop_xvfb_pid=""
  done
  if [ -z "$desktop_xvfb_pid" ]; then
    echo "desktop: no X server could be started" >&2
    return 1
  fi
  export DISPLAY=":$n"

  # icewm reads its preferences from a private folder: no clock, a tray on the task bar,
  # a font with Chinese characters for titles.
  desktop_home=$(mktemp -d)
  cat >"$desktop_home/preferences" <<'CFG'
TaskBarShowClock=0
TaskBarShowTray=1
TaskBarShowWorkspaces=0
TaskBarShowStartMenu=0
TaskBarShowCPUStatus=0
TaskBarShowNetStatus=0
TaskBarShowMEMStatus=0
TaskBarShowMailboxStatus=0
ShowSettingsMenu=0
TitleFontNameXft="Noto Sans CJK SC:bold:size=10"
NormalTaskBarFontNameXft="Noto Sans CJK SC:size=9"
ActiveTaskBarFontNameXft="Noto Sans CJK SC:bold:size=9"
ToolTipFontNameXft="Noto Sans CJK SC:size=9"
CFG
  ICEWM_PRIVCFG="$desktop_home" icewm -c "$desktop_home/preferences" >/dev/null 2>&1 &
  desktop_wm_pid=$!
  if ! wait_for 150 desktop__tray_ready; then
    echo "desktop: the window manager's tray did not come up" >&2
    desktop_stop
    return 1
  fi
  # Give icewm a moment to finish laying out its task bar.
  sleep 0.5
}

desktop_stop() {
  if [ -n "$desktop_wm_pid" ]; then
    kill "$desktop_wm_pid" 2>/dev/null || true
    wait "$desktop_wm_pid" 2>/dev/null || true
    desktop_wm_pid=""
  fi
  if [ -n "$desktop_xvfb_pid" ]; then
    kill "$desktop_xvfb_pid" 2>/dev/null || true
    wait "$desktop_xvfb_pid" 2>/dev/null || true
    desktop_xvfb_pid=""
  fi
  if [ -n "$desktop_home" ]; then
    rm -rf "$desktop_home"
  fi
  desktop_home=""
}

desktop_screenshot() {
  import -window root "$1"
}
