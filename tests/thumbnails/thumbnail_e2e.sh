#!/bin/bash
# End-to-end check of clicks, the rubber band and keys on a real X window.
# Skips (77) when Xvfb or xdotool is missing.
set -u
prog="$1"
. "$(dirname "$0")/../support/xvfb-session.sh"
e2e_require Xvfb xdotool
e2e_start_x 1024x768x24
export XDG_CACHE_HOME="$work/cache" # never the user's thumbnail cache
state="$work/state"
e2e_launch env QT_QPA_PLATFORM=xcb "$prog" "$state"
e2e_wait 60 e2e_has_window_titled LumoraE2E >/dev/null || { echo "no window"; cat "$work/app.log"; exit 1; }
sleep 0.5
win=$(xdotool search --name LumoraE2E | head -1)
read -r wx wy < <(xdotool getwindowgeometry "$win" | awk '/Position/ {split($2, p, ","); print p[1], p[2]}')

fail=0
expect() { # expect "<state>" "<what>"
    for _ in $(seq 30); do
        [ "$(cat "$state" 2>/dev/null)" = "$1" ] && { echo "ok: $2"; return; }
        sleep 0.1
    done
    echo "FAIL: $2: wanted '$1', got '$(cat "$state" 2>/dev/null)'"; fail=1
}
cell() { # centre of cell i (4 columns, pitch 148, first cell at 8,8, size 140)
    echo $((wx + 8 + ($1 % 4) * 148 + 70)) $((wy + 8 + ($1 / 4) * 148 + 70))
}

xdotool mousemove $(cell 2) click 1
expect "cursor=2 top=0 selected=2" "click selects one item"
xdotool keydown shift mousemove $(cell 5) click 1 keyup shift
expect "cursor=5 top=0 selected=2,3,4,5" "shift-click selects the span"
xdotool keydown ctrl mousemove $(cell 9) click 1 keyup ctrl
expect "cursor=9 top=0 selected=2,3,4,5,9" "ctrl-click adds one"
# Band from the gap left of cell 0 across the cores of 0, 1, 4 and 5.
xdotool mousemove $((wx + 3)) $((wy + 3)) mousedown 1 mousemove $((wx + 150)) $((wy + 150)) \
    mousemove $((wx + 260)) $((wy + 250)) mouseup 1
expect "cursor=9 top=0 selected=0,1,4,5" "rubber band replaces the selection"
xdotool mousemove $(cell 1) click 1
xdotool key Right
expect "cursor=2 top=0 selected=2" "Right moves the cursor"
xdotool key shift+Down
expect "cursor=6 top=0 selected=2,3,4,5,6" "Shift with a key extends the selection"
xdotool key End
expect "cursor=7 top=0 selected=7" "End goes to the row's last item"
for _ in 1 2 3 4; do xdotool key Down; done
expect "cursor=23 top=3 selected=23" "Down scrolls the cursor into view"
xdotool key ctrl+Home
expect "cursor=0 top=0 selected=0" "Ctrl+Home goes to the first item"
exit $fail
