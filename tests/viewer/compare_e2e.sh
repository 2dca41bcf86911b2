#!/bin/bash
# End-to-end journey through the real program under Xvfb: two frames of the
# same scene (a red and a green square at the same place) in a folder; Ctrl+A
# selects both, C puts them side by side in the viewer; a middle click on the
# left square shows 100 % there, and both panes are at 100 % on the same
# place; a drag in the left pane moves both squares by the drag. Checked on
# screenshots of the viewer window; the last one is left at SHOT.
# Skips (77) when Xvfb, xdotool or ImageMagick are missing.
#   compare_e2e.sh PROGRAM SHOT
set -u
prog="$1"
shot_file="$2"
. "$(dirname "$0")/../support/xvfb-session.sh"
e2e_require Xvfb xdotool import convert
e2e_start_x 1280x900x24
e2e_private_program "$prog" bin
mkdir -p "$work/tmp" "$work/frames"
export TMPDIR="$work/tmp"
# 3000 x 2000 frames on a grey ramp, the square at 1200..1499 x 700..999.
for f in a:red b:lime; do
    convert -size 2000x3000 gradient:gray30-gray70 -rotate 90 -colorspace sRGB -type TrueColor \
        -fill "${f#*:}" -draw "rectangle 1200,700 1499,999" -quality 95 "$work/frames/${f%%:*}.jpg"
done
e2e_launch_in "$work/frames"
read -r mx my < <(xdotool getwindowgeometry "$main" | awk '/Position/ {split($2, p, ","); print p[1], p[2]}')

fail=0
ok() { echo "ok: $1"; }
bad() { echo "FAIL: $1"; fail=1; }
viewer_id() { xdotool search --onlyvisible --name "Lumora - $work/frames/" 2>/dev/null | head -1; }
shot() { import -window "$viewer" "$work/$1.png" 2>/dev/null; }
# box NAME COLOUR: the bounding box "W H X Y" of the colour's pixels in the shot.
box() {
    convert "$work/$1.png" -fuzz 30% -fill black +opaque "$2" -format '%@' info: 2>/dev/null |
        tr 'x+' '  '
}
near() { [ $(( $1 > $2 ? $1 - $2 : $2 - $1 )) -le "${3:-3}" ]; }

# A click on the first cell gives the view the keys; Ctrl+A selects both
# frames, C compares them (retried: on a busy machine the first keys may
# come before the view is ready).
for _ in 1 2 3 4 5; do
    sleep 1
    xdotool mousemove $((mx + 280)) $((my + 150)) click 1
    sleep 0.3
    xdotool key ctrl+a c
    for _ in $(seq 30); do [ -n "$(viewer_id)" ] && break; sleep 0.1; done
    [ -n "$(viewer_id)" ] && break
done
viewer=$(viewer_id)
[ -n "$viewer" ] || { bad "C opened no viewer"; cat "$work/app.log"; exit 1; }
ok "C opens the viewer on the selection"
# Both fitted frames on screen: a red square left, a green one right.
for _ in $(seq $((40 * ${E2E_SLOW:-1}))); do
    sleep 0.25
    shot fit
    read -r rw rh rx ry < <(box fit red)
    read -r gw gh gx gy < <(box fit lime)
    [ "${rw:-0}" -gt 10 ] && [ "${gw:-0}" -gt 10 ] && break
done
if [ "${rw:-0}" -gt 10 ] && [ "${gw:-0}" -gt 10 ] && [ "$rx" -lt "$gx" ] && near "$ry" "$gy"; then
    ok "two frames side by side ($rw x $rh at $rx,$ry and $gw x $gh at $gx,$gy)"
else
    bad "no two squares side by side: red '${rw:-} ${rh:-} ${rx:-} ${ry:-}' green '${gw:-} ${gh:-} ${gx:-} ${gy:-}'"
    cp "$work/fit.png" "$shot_file"; exit 1
fi
fitw=$rw
# 100 % at the left square's centre.
px=$((rx + rw / 2)); py=$((ry + rh / 2))
xdotool mousemove --window "$viewer" "$px" "$py"
sleep 0.3
xdotool click 2
for _ in $(seq $((40 * ${E2E_SLOW:-1}))); do
    sleep 0.25
    shot actual
    read -r rw rh rx ry < <(box actual red)
    read -r gw gh gx gy < <(box actual lime)
    [ "${rw:-0}" -gt $((fitw * 3)) ] && [ "${gw:-0}" -gt $((fitw * 3)) ] && break
done
# At 100 % the square is 300 pixels (less what its pane cuts off); the
# pointer stays on it; both panes show the same place.
if [ "${rw:-0}" -gt $((fitw * 3)) ] && [ "$rx" -le "$px" ] && [ $((rx + rw)) -ge "$px" ] &&
    [ "$ry" -le "$py" ] && [ $((ry + rh)) -ge "$py" ]; then
    ok "the middle click shows 100 % with the square under the pointer ($rw x $rh)"
else
    bad "no 100 % under the pointer: red '${rw:-} ${rh:-} ${rx:-} ${ry:-}' at $px,$py"
fi
if [ "${gw:-0}" -gt $((fitw * 3)) ] && near "$gw" "$rw" 4 && near "$gh" "$rh" 4 && near "$gy" "$ry" 4; then
    ok "the right pane follows to 100 % on the same place"
else
    bad "the right pane did not follow: green '${gw:-} ${gh:-} ${gx:-} ${gy:-}' red '$rw $rh $rx $ry'"
fi
# Drag the left pane 60 left and 50 up: both squares move by that.
ox=$rx; oy=$ry; gox=$gx; goy=$gy
xdotool mousemove --window "$viewer" "$px" "$py" mousedown 1
for s in 1 2 3 4 5 6; do
    xdotool mousemove --window "$viewer" $((px - 10 * s)) $((py - s * 50 / 6))
    sleep 0.05
done
xdotool mouseup 1
for _ in $(seq $((20 * ${E2E_SLOW:-1}))); do
    sleep 0.25
    shot panned
    read -r rw rh rx ry < <(box panned red)
    read -r gw gh gx gy < <(box panned lime)
    near "$((ox - rx))" 60 6 && near "$((gox - gx))" 60 6 && break
done
cp "$work/panned.png" "$shot_file"
# A box cut by its pane's left edge moves its right side only.
if near "$((ox - rx))" 60 6 && near "$((oy - ry))" 50 6; then
    ok "the drag moves the left picture ($((ox - rx)), $((oy - ry)))"
else
    bad "the left picture moved by ($((ox - ${rx:-0})), $((oy - ${ry:-0}))), not (60, 50)"
fi
if near "$((gox - gx))" 60 6 && near "$((goy - gy))" 50 6; then
    ok "the right picture follows the drag ($((gox - gx)), $((goy - gy)))"
else
    bad "the right picture moved by ($((gox - ${gx:-0})), $((goy - ${gy:-0}))), not (60, 50)"
fi
exit $fail
