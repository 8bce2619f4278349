#!/usr/bin/env bash
# End to end: the program (built for the demo site on a fixed port) under Xvfb with
# icewm, driven with xdotool. Checks the window's place, outer size and title, the
# tiles' pictures on screen, minimise to the tray and back, and the close confirmation.
# Screenshots go to $KESMORA_ARTIFACTS.
#
#   e2e.sh <program> <port> <contact number> <home page>
#
# The demo site must listen on the port compiled into the program, so the test runs in
# a private network namespace (only a loopback interface) where that port is free.
# Without the rights for one it runs in the host's namespace when the port is free there
# and is skipped (77) otherwise.
set -uo pipefail

program=$1
port=$2
contact=$3
homepage=$4
source_dir=${KESMORA_SOURCE_DIR:?}
artifacts=${KESMORA_ARTIFACTS:?}
fake_bin=${KESMORA_FAKE_BIN:?}

# shellcheck source=../support/e2e_lib.sh
source "$source_dir/tests/support/e2e_lib.sh"
e2e_private_network "$port" "$0" "$@" || exit $?

mkdir -p "$artifacts"
e2e_begin || exit 1
e2e_start_demo_site "$port" --log "$work/requests.log" || exit 1
site="http://127.0.0.1:$port"

export PATH="$fake_bin:$PATH"
export KESMORA_TEST_OPENER_LOG="$work/opened.log"
: >"$KESMORA_TEST_OPENER_LOG"
e2e_start_program "$program"

# --- the window appears at its place, with its outer size and title -----------------
e2e_wait_for_window "$artifacts/e2e-no-window.png"
# Wait for the window manager's frame and for the window to settle.
frame_of() { # the ancestor of a window that is a child of the root: the frame
  local w=$1 parent root
  root=$(xwininfo -root | awk '/Window id:/ {print $4}')
  while :; do
    parent=$(xwininfo -tree -id "$w" | awk '/Parent window id:/ {print $4}')
    [ -z "$parent" ] && break
    [ "$((parent))" -eq "$((root))" ] && break
    w=$parent
  done
  echo "$w"
}
sleep 2
frame=$(frame_of "$window")
read -r fx fy fw fh < <(geometry "$frame")
if [ "$fx $fy $fw $fh" = "50 50 1400 982" ]; then
  pass "outer frame at 50,50 sized 1400x982"
else
  fail "outer frame is at $fx,$fy sized ${fw}x$fh (want 50,50 1400x982)"
fi
extents=$(xprop -id "$window" _NET_FRAME_EXTENTS | sed 's/.*= //')
echo "frame extents: $extents"

status=$(python3 -c "import sys,urllib.request; sys.stdout.write(urllib.request.urlopen('$site/tongji.php').read().split(b'\0')[0].decode('utf-8'))")
banner="Kesmora$(printf '%14s' '')订制版请联系QQ：$contact$(printf '%3s' '')订制版无广告$(printf '%4s' '')官方主页：$homepage$(printf '%8s' '')当前版本：1.0$(printf '%22s' '')"
title=$(xdotool getwindowname "$window")
if [ "$title" = "$banner$status" ]; then
  pass "title is the banner followed by the status text"
else
  fail "title is [$title], want [$banner$status]"
fi

# --- the tiles show their pictures ------------------------------------------------
sleep 3 # let the web view paint
desktop_screenshot "$artifacts/e2e-window.png"
read -r cx cy cw _ < <(geometry "$window")
python3 "$source_dir/tests/app/e2e_tiles.py" "$artifacts/e2e-window.png" "$site" "$cx" "$cy" "$cw" \
  >"$work/tiles.out" 2>&1
if [ $? -eq 0 ]; then
  pass "every tile shows its picture"
else
  fail "tiles: $(cat "$work/tiles.out")"
fi

# --- minimise to the tray, and back with a left click on the icon -------------------
mapped() { xwininfo -id "$1" | grep -q 'Map State: IsViewable'; }
xdotool windowminimize "$window"
if wait_for 50 bash -c "! xwininfo -id $window | grep -q 'Map State: IsViewable'"; then
  pass "minimising hides the window"
else
  fail "the window is still mapped after minimising"
fi
tray=""
find_tray() {
  local w
  for w in $(xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null); do
    [ "$w" = "$window" ] && continue
    read -r _ _ tw th < <(geometry "$w")
    if [ "$tw" -le 64 ] && [ "$th" -le 64 ]; then tray=$w; return 0; fi
  done
  return 1
}
if wait_for 50 find_tray; then
  pass "the tray icon is up"
else
  fail "no tray icon"
fi
desktop_screenshot "$artifacts/e2e-tray.png"
if [ -n "$tray" ]; then
  read -r tx ty tw th < <(geometry "$tray")
  xdotool mousemove $((tx + tw / 2)) $((ty + th / 2)) click 1
  if wait_for 50 mapped "$window"; then
    pass "a click on the tray icon shows the window again"
  else
    fail "the window did not come back"
  fi
  sleep 1
  read -r fx fy fw fh < <(geometry "$(frame_of "$window")")
  read -r sw sh < <(xdpyinfo | awk '/dimensions:/ {split($2, d, "x"); print d[1], d[2]}')
  want_x=$(((sw - 1400) / 2)); want_y=$(((sh - 982) / 2))
  if [ "$fx $fy" = "$want_x $want_y" ]; then
    pass "restored centred at $fx,$fy"
  else
    fail "restored at $fx,$fy, want $want_x,$want_y"
  fi
  if wait_for 30 bash -c "! xwininfo -id $tray 2>/dev/null | grep -q IsViewable"; then
    pass "the tray icon is gone"
  else
    fail "the tray icon is still up"
  fi
  desktop_screenshot "$artifacts/e2e-restored.png"
fi

# --- close requests ask; No keeps the window, Yes ends the program ------------------
box=""
find_box() { # xdotool's own name search does not compare Chinese text reliably
  local w
  box=""
  for w in $(xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null); do
    if [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "信息：" ]; then box=$w; return 0; fi
  done
  return 1
}
ask() { # ask <keys...>: the keys go to the window, then the confirmation must come up
  xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
  xdotool key --clearmodifiers "$@"
  wait_for 50 find_box
}
answer_no() {
  xdotool windowactivate --sync "$box" 2>/dev/null
  xdotool key --clearmodifiers alt+n
  if ! wait_for 30 bash -c "! xwininfo -id $box 2>/dev/null | grep -q IsViewable"; then
    fail "the confirmation stayed up after No ($1)"
  elif kill -0 "$program_pid" 2>/dev/null && mapped "$window"; then
    pass "No keeps the window ($1)"
  else
    fail "No did not keep the window ($1)"
  fi
}
# Esc reaches the window also while the console's login form has the keyboard: a click
# into the page and Tab put the focus into its first field.
read -r wx wy _ _ < <(geometry "$window")
xdotool mousemove $((wx + 700)) $((wy + 800)) click 1
xdotool key --clearmodifiers Tab
if ask Escape; then
  pass "Esc asks to close, also from inside the web view"
  desktop_screenshot "$artifacts/e2e-confirm.png"
  answer_no Esc
else
  fail "Esc did not ask"
fi
if ask alt+F4; then
  pass "Alt+F4 asks to close"
  answer_no Alt+F4
else
  fail "Alt+F4 did not ask"
fi
[ -s "$KESMORA_TEST_OPENER_LOG" ] && fail "pages were opened before Yes: $(cat "$KESMORA_TEST_OPENER_LOG")"

if ask Escape; then
  xdotool windowactivate --sync "$box" 2>/dev/null
  xdotool key --clearmodifiers alt+y
  exit_code=""
  if wait_for 100 bash -c "! kill -0 $program_pid 2>/dev/null"; then
    wait "$program_pid"; exit_code=$?
    program_pid=""
  fi
  if [ "$exit_code" = "0" ]; then
    pass "Yes ends the program with exit code 0"
  else
    fail "after Yes the program ${exit_code:+exited with $exit_code}${exit_code:-is still running}"
  fi
  sleep 0.5
  opened=$(cat "$KESMORA_TEST_OPENER_LOG")
  if [ "$opened" = "$(printf '%s\n%s' "$site/sites/1" "$site/sites/2")" ]; then
    pass "both exit pages went to the opener"
  else
    fail "opener got [$opened]"
  fi
else
  fail "the second Esc did not ask"
fi

e2e_finish "end-to-end"
