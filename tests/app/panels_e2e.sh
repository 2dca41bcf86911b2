#!/bin/bash
# End-to-end journey through the real program on an X server: a folder of
# camera JPEGs with maker notes is shown, a click on one thumbnail fills the
# information panel (read back through Ctrl+C and the clipboard) and the mini
# preview shows the picture (checked on a screenshot).
# Usage: panels_e2e.sh LUMORA SAMPLES [SCREENSHOT]. Skips (77) when Xvfb,
# xdotool, xclip, ImageMagick or the samples are missing.
set -u
prog="$1"
samples="$2"
keep="${3:-}"
. "$(dirname "$0")/../support/xvfb-session.sh"
e2e_require Xvfb xdotool xclip import convert
[ -f "$samples/makernotes/NikonD70.jpg" ] || { echo "samples missing"; exit 77; }

e2e_start_x 1280x900x24
e2e_private_program "$prog" bin
mkdir -p "$work/demo"
# Sorted by name: Canon.jpg, FujiFilm.jpg, NikonD70.jpg (the third cell).
cp "$samples/makernotes/Canon.jpg" "$samples/makernotes/FujiFilm.jpg" \
    "$samples/makernotes/NikonD70.jpg" "$work/demo/"

# A fresh settings file beside the copy: the demo folder beside bin/ opens.
export HOME="$work"
e2e_launch "$program"
win=$(e2e_window_titled "Lumora - $work/demo" 60) || { echo "FAIL: no window"; cat "$work/app.log"; exit 1; }
xdotool windowmove "$win" 0 0
xdotool windowsize "$win" 1100 800
sleep 2
eval "$(xdotool getwindowgeometry --shell "$win")" # X, Y, WIDTH, HEIGHT

fail=0
# Thumbnail cells: the view starts right of the 200-pixel tree and its 3-pixel
# bar, under the tool bar rows; cells are 140 wide with an 8-pixel gap.
view_x=$((X + 203))
view_y=$((Y + 66))
cell_x=$((view_x + 8 + 2 * 148 + 70))
cell_y=$((view_y + 8 + 70))
xdotool mousemove "$cell_x" "$cell_y" click 1
sleep 1.5

# Ctrl+C in the information panel's list copies its rows.
xdotool mousemove $((X + WIDTH - 120)) $((Y + HEIGHT - 120)) click 1
xdotool key ctrl+c
sleep 0.5
rows=$(xclip -o -selection clipboard 2>/dev/null)
check() { # check "<text>" "<what>"
    if grep -qF -- "$1" <<<"$rows"; then echo "ok: $2"; else echo "FAIL: $2 (no '$1')"; fail=1; fi
}
check "ファイル名	NikonD70.jpg" "the clicked file is shown"
check "モデル名	NIKON D70" "the panel shows the model"
check "シャッター速度	1/60 秒" "the panel shows the shutter speed"
check "ISO設定	200" "the Nikon maker-note rows are shown"
[ "$fail" = 0 ] || { echo "--- clipboard:"; echo "$rows"; }

# The mini preview: lower part of the left pane, a caption line on top.
import -window root "$work/shot.png"
[ -n "$keep" ] && cp "$work/shot.png" "$keep"
pane="180x150+10+$((Y + HEIGHT - 24 - 170))"
mean=$(convert "$work/shot.png" -crop "$pane" -colorspace gray -format "%[fx:mean]" info:)
sd=$(convert "$work/shot.png" -crop "$pane" -colorspace gray -format "%[fx:standard_deviation]" info:)
if awk -v m="$mean" -v s="$sd" 'BEGIN { exit !(m > 0.08 && s > 0.03) }'; then
    echo "ok: the mini preview shows a picture (mean $mean, sd $sd)"
else
    echo "FAIL: the mini preview is blank (mean $mean, sd $sd)"; fail=1
fi
exit $fail
