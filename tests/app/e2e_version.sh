#!/usr/bin/env bash
# End to end: the version check of the program (built for the demo site on a fixed
# port) under Xvfb with icewm. The pointer opens "功能菜单" and chooses "检测版本"; the
# box captioned "友情提醒" must come up over the window, stay for a while and go away by
# itself within its five seconds. Screenshots go to $KESMORA_ARTIFACTS.
#
#   e2e_version.sh <program> <port>
#
# Like e2e.sh, it runs in a private network namespace where the compiled-in port is
# free; without the rights for one it uses the host's namespace when the port is free
# there and is skipped (77) otherwise.
set -uo pipefail

program=$1
port=$2
source_dir=${KESMORA_SOURCE_DIR:?}
artifacts=${KESMORA_ARTIFACTS:?}

# shellcheck source=../support/e2e_lib.sh
source "$source_dir/tests/support/e2e_lib.sh"
e2e_private_network "$port" "$0" "$@" || exit $?

mkdir -p "$artifacts"
e2e_begin || exit 1
e2e_start_demo_site "$port" --log "$work/requests.log" --version-text 1.1 || exit 1

export PATH="${KESMORA_FAKE_BIN:+$KESMORA_FAKE_BIN:}$PATH"
e2e_start_program "$program"
e2e_wait_for_window "$artifacts/e2e-version-no-window.png"
sleep 3 # let the window settle and the web view paint
read -r cx cy cw ch < <(geometry "$window")

# --- the pointer opens "功能菜单" (the first menu of the bar) ------------------------
# Popup menus are windows of the program that are not the main window and lie below
# the menu bar.
popup=""
find_popup() {
  local w x y
  for w in $(xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null); do
    [ "$w" = "$window" ] && continue
    read -r x y _ _ < <(geometry "$w")
    if [ "$y" -gt "$cy" ] && [ "$y" -lt $((cy + 80)) ] && [ "$x" -lt $((cx + 200)) ]; then
      popup=$w; return 0
    fi
  done
  return 1
}
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowfocus "$window"
xdotool mousemove $((cx + 30)) $((cy + 10)) click 1
if ! wait_for 30 find_popup; then
  desktop_screenshot "$artifacts/e2e-version-no-menu.png"
  echo "FAIL: the function menu did not open"; exit 1
fi
pass "the pointer opened the function menu"
sleep 0.3
desktop_screenshot "$artifacts/e2e-version-menu.png"

# --- and chooses "检测版本", its fifth and last item ----------------------------------
# The items share the height of the menu (a frame of a few pixels around them).
read -r px py pw ph < <(geometry "$popup")
item_height=$(((ph - 4) / 5))
xdotool mousemove $((px + pw / 2)) $((py + ph - 2 - item_height / 2))
sleep 0.3
xdotool click 1
clicked=$(date +%s.%N)

# The box: a visible window of the program, other than the main window, whose title
# (_NET_WM_NAME, UTF-8) is exactly the caption. Titles are read with xprop, which
# prints UTF-8 whatever the locale.
box=""
title_of() { xprop -id "$1" _NET_WM_NAME 2>/dev/null | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p'; }
find_box() {
  local w
  for w in $(xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null); do
    [ "$w" = "$window" ] && continue
    if [ "$(title_of "$w")" = "友情提醒" ]; then box=$w; return 0; fi
  done
  return 1
}
if ! wait_for 50 find_box; then
  desktop_screenshot "$artifacts/e2e-version-no-box.png"
  echo "FAIL: no box captioned 友情提醒 after choosing 检测版本"
  echo "program output:"; sed -n 1,40p "$work/program.out"
  exit 1
fi
pass "the box captioned 友情提醒 came up"
grep -q '/bb/1.txt' "$work/requests.log" 2>/dev/null && pass "the published version was fetched" ||
  fail "no request for /bb/1.txt reached the demo site"

# --- over the window, owned by it ------------------------------------------------------
sleep 0.5
desktop_screenshot "$artifacts/e2e-version-box.png"
read -r bx by bw bh < <(geometry "$box")
mid_x=$((bx + bw / 2)); mid_y=$((by + bh / 2))
if [ "$mid_x" -gt "$cx" ] && [ "$mid_x" -lt $((cx + cw)) ] && [ "$mid_y" -gt "$cy" ] &&
   [ "$mid_y" -lt $((cy + ch)) ]; then
  pass "the box stands over the window"
else
  fail "the box at $bx,$by ${bw}x$bh is not over the window at $cx,$cy ${cw}x$ch"
fi
owner=$(xprop -id "$box" WM_TRANSIENT_FOR | sed -n 's/.*window id # \(0x[0-9a-fA-F]*\).*/\1/p')
if [ -n "$owner" ] && [ "$((owner))" -eq "$((window))" ]; then
  pass "the box is owned by the window"
else
  fail "the box's owner is [$owner], not the window $window"
fi

# --- and gone by itself after its five seconds ----------------------------------------
sleep 2
if xwininfo -id "$box" 2>/dev/null | grep -q 'IsViewable'; then
  pass "the box is still up a few seconds later"
else
  fail "the box went away too early"
fi
if wait_for 80 bash -c "! xwininfo -id $box 2>/dev/null | grep -q IsViewable"; then
  gone=$(date +%s.%N)
  pass "the box went away by itself ($(python3 -c "print(f'{$gone - $clicked:.1f}')") s after the click)"
else
  fail "the box is still up well after five seconds"
fi
desktop_screenshot "$artifacts/e2e-version-after.png"
kill -0 "$program_pid" 2>/dev/null && pass "the program runs on" || fail "the program ended"

e2e_finish "end-to-end version check"
