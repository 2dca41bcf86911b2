#!/bin/bash
# End-to-end culling journey through the real program under Xvfb: four
# camera JPEGs; keys 1, 3 and 5 rate the first three (the cursor moved on
# with Right), X rejects the fourth and 6 gives the fifth a red label; the
# view's filter "3 stars and up" leaves two; Ctrl+A and Ctrl+C put exactly
# those two on the clipboard; exiftool reads every rating and label back
# from the sidecars. A screenshot of the marked cells is left at SHOT.
# Skips (77) when Xvfb, xdotool, xclip, exiftool, ImageMagick or the samples
# are missing.
#   marks_e2e.sh PROGRAM SAMPLES SHOT
set -u
prog="$1"
samples="$2/camera-jpeg"
shot_file="$3"
. "$(dirname "$0")/../support/xvfb-session.sh"
e2e_require Xvfb xdotool import xclip exiftool
[ -f "$samples/Canon_40D.jpg" ] || { echo "samples absent"; exit 77; }
e2e_start_x 1280x900x24
e2e_private_program "$prog" bin
mkdir -p "$work/tmp"
export TMPDIR="$work/tmp"
card="$work/card"
mkdir -p "$card"
n=0
for f in Canon_40D.jpg Nikon_D70.jpg Canon_PowerShot_S40.jpg Fujifilm_FinePix_E500.jpg \
    Kodak_CX7530.jpg; do
    n=$((n + 1))
    cp "$samples/$f" "$card/IMG_000$n.JPG"
done
e2e_launch_in "$card"
read -r mx my < <(xdotool getwindowgeometry "$main" | awk '/Position/ {split($2, p, ","); print p[1], p[2]}')
fail=0
check() { # check WHAT WANT GOT
    if [ "$2" = "$3" ]; then echo "ok: $1"; else echo "FAIL: $1: wanted '$2', got '$3'"; fail=1; fi
}
rating() { exiftool -s3 -XMP-xmp:Rating "$card/$1.xmp" 2>/dev/null; }
label() { exiftool -s3 -XMP-xmp:Label "$card/$1.xmp" 2>/dev/null; }

sleep 2
xdotool mousemove $((mx + 280)) $((my + 150)) click 1
sleep 0.5
xdotool key 1 Right
sleep 0.3
xdotool key 3 Right
sleep 0.3
xdotool key 5 Right
sleep 0.3
xdotool key x Right
sleep 0.3
xdotool key 6
sleep 1
xdotool mousemove $((mx + 700)) $((my + 600))
sleep 0.5
import -window root "$shot_file" 2>/dev/null
check "key 1 rates the first file" 1 "$(rating IMG_0001)"
check "key 3 rates the second" 3 "$(rating IMG_0002)"
check "key 5 rates the third" 5 "$(rating IMG_0003)"
check "X rejects the fourth" -1 "$(rating IMG_0004)"
check "6 gives the fifth a red label" Red "$(label IMG_0005)"
check "the images are never written" "$(cmp -s "$samples/Canon_40D.jpg" "$card/IMG_0001.JPG" && echo same)" same

# View menu (alt+v), filter submenu (k), "3 stars and up" (3).
xdotool key alt+v
sleep 0.4
xdotool key k
sleep 0.4
xdotool key 3
sleep 1
xdotool mousemove $((mx + 280)) $((my + 150)) click 1
sleep 0.3
xdotool key ctrl+a
sleep 0.3
xdotool key ctrl+c
sleep 0.5
copied=$(xclip -o -selection clipboard -t text/uri-list 2>/dev/null | tr -d '\r' | grep -c '^file://')
check "the clipboard holds exactly the two files of 3 stars and up" 2 "$copied"
listed=$(xclip -o -selection clipboard -t text/uri-list 2>/dev/null | tr -d '\r' | sed 's|.*/||' | sort | tr '\n' ' ')
check "they are the second and third" "IMG_0002.JPG IMG_0003.JPG " "$listed"
exit $fail
