#!/bin/bash
# End-to-end journey through the real program under Xvfb: double-click a
# thumbnail, the viewer shows the image, + zooms, Right goes to the next
# image, F11 toggles full screen, Esc hides the viewer and the view takes the
# keys again.
# Skips (77) when Xvfb, xdotool, ImageMagick or the samples are missing.
set -u
prog="$1"
samples="$2/orientation"
command -v Xvfb >/dev/null && command -v xdotool >/dev/null && command -v import >/dev/null ||
    { echo "Xvfb/xdotool/import missing"; exit 77; }
[ -f "$samples/landscape_1.jpg" ] || { echo "samples absent"; exit 77; }
work=$(mktemp -d)
# A copy of the program with its own settings file (none: first run) and a
# demo folder beside it, which the first run opens.
mkdir -p "$work/bin" "$work/demo"
cp "$prog" "$work/bin/lumora"
[ -d "$(dirname "$prog")/fonts" ] && cp -r "$(dirname "$prog")/fonts" "$work/bin/"
for n in 1 2 3; do ln -s "$samples/landscape_$n.jpg" "$work/demo/a$n.jpg"; done
display=":$((100 + RANDOM % 800))"
Xvfb "$display" -screen 0 1280x900x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
app=
cleanup() { [ -n "$app" ] && kill "$app" 2>/dev/null; kill "$xvfb" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
export DISPLAY="$display"
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
# A private temporary folder: the single-instance lock and socket live
# there, so another Lumora of this user does not take the hand-over.
mkdir -p "$work/tmp"
TMPDIR="$work/tmp" QT_QPA_PLATFORM=xcb "$work/bin/lumora" >"$work/app.log" 2>&1 &
app=$!
for _ in $(seq 100); do xdotool search --name "Lumora - $work/demo\$" >/dev/null 2>&1 && break; sleep 0.1; done
xdotool search --name "Lumora - $work/demo\$" >/dev/null || { echo "FAIL: no main window"; cat "$work/app.log"; exit 1; }
main=$(xdotool search --name "Lumora - $work/demo\$" | head -1)
read -r mx my < <(xdotool getwindowgeometry "$main" | awk '/Position/ {split($2, p, ","); print p[1], p[2]}')

fail=0
viewer_title() { # the title of a visible viewer window, if any
    for w in $(xdotool search --onlyvisible --name "Lumora - $work/demo/" 2>/dev/null); do
        xdotool getwindowname "$w"; return; done
}
expect_title() { # expect_title "<title or empty>" "<what>"
    for _ in $(seq 50); do
        [ "$(viewer_title)" = "$1" ] && { echo "ok: $2"; return 0; }
        sleep 0.1
    done
    echo "FAIL: $2: wanted '$1', got '$(viewer_title)'"; fail=1; return 1
}
shot() { import -window root "$work/$1.png" 2>/dev/null; }
differs() { # differs a b: the two screenshots differ
    local n
    n=$(compare -metric AE "$work/$1.png" "$work/$2.png" null: 2>&1 | cut -d' ' -f1)
    [ "${n%.*}" -gt 1000 ] 2>/dev/null
}

# Double-click the first thumbnail (cell 0) once the grid is there; on a busy
# machine the first clicks may come before it.
for _ in 1 2 3 4 5; do
    sleep 1
    xdotool mousemove $((mx + 280)) $((my + 150)) click --repeat 2 --delay 60 1
    for _ in $(seq 20); do [ -n "$(viewer_title)" ] && break; sleep 0.1; done
    [ -n "$(viewer_title)" ] && break
done
expect_title "Lumora - $work/demo/a1.jpg" "double-click opens the viewer on the image" || {
    cat "$work/app.log"; exit 1; }
viewer=$(xdotool search --onlyvisible --name "Lumora - $work/demo/a1.jpg" | head -1)
sleep 1
shot fit
xdotool key --window "$viewer" plus
zoomed=0
for _ in $(seq 15); do
    sleep 0.2
    shot zoomed
    differs fit zoomed && { zoomed=1; break; }
done
if [ $zoomed = 1 ]; then echo "ok: + zooms"; else echo "FAIL: + changed nothing"; fail=1; fi
xdotool key --window "$viewer" Right
expect_title "Lumora - $work/demo/a2.jpg" "Right goes to the next image"
geometry() { xdotool getwindowgeometry "$viewer" | awk '/Geometry/ {print $2}'; }
expect_geometry() { # expect_geometry WxH "<what>"
    for _ in $(seq 30); do
        [ "$(geometry)" = "$1" ] && { echo "ok: $2"; return 0; }
        sleep 0.1
    done
    echo "FAIL: $2: $(geometry), wanted $1"; fail=1; return 1
}
before=$(geometry)
xdotool key --window "$viewer" F11
expect_geometry 1280x900 "F11 fills the screen"
xdotool key --window "$viewer" F11
expect_geometry "$before" "F11 again restores the window"
xdotool key --window "$viewer" Escape
expect_title "" "Esc hides the viewer"
# The main window lives on and the viewer opens again.
xdotool mousemove $((mx + 280)) $((my + 150)) click --repeat 2 --delay 60 1
expect_title "Lumora - $work/demo/a1.jpg" "the hidden viewer opens again"
# Once the viewer is hidden the main window has the keyboard again: with the
# pointer away from it, Right and Enter reach the thumbnail view unclicked.
sleep 1
xdotool key Escape
expect_title "" "Esc hides the viewer again"
for _ in $(seq 30); do [ "$(xdotool getwindowfocus 2>/dev/null)" = "$main" ] && break; sleep 0.1; done
if [ "$(xdotool getwindowfocus 2>/dev/null)" = "$main" ]; then echo "ok: the main window has the focus"
else echo "FAIL: the focus is on window $(xdotool getwindowfocus 2>/dev/null), not the main window"; fail=1; fi
xdotool mousemove 1270 890
sleep 0.3
xdotool key Right Return
expect_title "Lumora - $work/demo/a2.jpg" "the view takes keys after the viewer closed, without a click"
exit $fail
