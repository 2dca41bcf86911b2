#!/bin/bash
# End-to-end journey through the real program under Xvfb: camera files ten
# folders deep, as a photographer keeps them. The program starts on the
# folder; Right Right puts the cursor on the third file, "sort by shooting
# time" (only enabled once the view is no longer busy) moves it to the front,
# and Enter opens that very file; Home and End then reach the first and last
# by time. A screenshot of the first screen (the deep folder's name in the
# tree, the first item's panel) is left at SHOT for a reviewer.
# Skips (77) when Xvfb, xdotool, ImageMagick or the samples are missing.
#   first_look_e2e.sh PROGRAM SAMPLES SHOT
set -u
prog="$1"
samples="$2/camera-jpeg"
shot_file="$3"
. "$(dirname "$0")/../support/xvfb-session.sh"
e2e_require Xvfb xdotool import
[ -f "$samples/Canon_40D.jpg" ] || { echo "samples absent"; exit 77; }
e2e_start_x 1280x900x24
e2e_private_program "$prog" bin
mkdir -p "$work/tmp"
export TMPDIR="$work/tmp"
# By name a, b, c; by shooting time c (2001), b (March 2008), a (May 2008).
deep="$work/Pictures/2026/2026-12-08/card1/DCIM/100CANON/keep/best/final/card"
mkdir -p "$deep"
ln -s "$samples/Canon_40D.jpg" "$deep/a.jpg"
ln -s "$samples/Nikon_D70.jpg" "$deep/b.jpg"
ln -s "$samples/exif-org-nikon-e950.jpg" "$deep/c.jpg"
e2e_launch_in "$deep"
read -r mx my < <(xdotool getwindowgeometry "$main" | awk '/Position/ {split($2, p, ","); print p[1], p[2]}')

fail=0
viewer_title() { # the title of a visible viewer window, if any
    for w in $(xdotool search --onlyvisible --name "Lumora - $deep/" 2>/dev/null); do
        xdotool getwindowname "$w"; return; done
}
expect_title() { # expect_title "<title or empty>" "<what>"
    for _ in $(seq $((50 * ${E2E_SLOW:-1}))); do
        [ "$(viewer_title)" = "$1" ] && { echo "ok: $2"; return 0; }
        sleep 0.1
    done
    echo "FAIL: $2: wanted '$1', got '$(viewer_title)'"; fail=1; return 1
}
open_and_close() { # open_and_close KEYS... NAME "<what>": keys in the view, Enter, Esc
    local what="${*: -1}" name="${*: -2:1}"
    xdotool key "${@:1:$#-2}" Return
    expect_title "Lumora - $deep/$name" "$what"
    xdotool key Escape
    expect_title "" "Esc hides the viewer"
    sleep 0.3
}

# Let the first screen settle, keep its picture, then give the view the keys
# with a click on the first cell (the cursor and the selection go there).
sleep 2
import -window root "$shot_file" 2>/dev/null
xdotool mousemove $((mx + 280)) $((my + 150)) click 1
sleep 0.5
xdotool key Right Right
# The worksheet menu's "sort by shooting time" (alt+s, t); retried while the
# view may still be busy and the command disabled.
for _ in 1 2 3 4 5; do
    xdotool key alt+s
    sleep 0.3
    xdotool key t
    sleep 0.5
    xdotool key Return
    expect_title "Lumora - $deep/c.jpg" "Enter after the sort opens the file the cursor is on" && break
    fail=0
    xdotool key Escape
    sleep 0.5
done
[ "$(viewer_title)" = "Lumora - $deep/c.jpg" ] || { echo "FAIL: the sort moved the cursor off its file"; fail=1; }
xdotool key Escape
expect_title "" "Esc hides the viewer"
sleep 0.3
open_and_close Home c.jpg "Home reaches the earliest shot, now first"
open_and_close End a.jpg "End reaches the latest shot, now last"
exit $fail
