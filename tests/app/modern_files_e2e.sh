#!/bin/bash
# End-to-end journey through the real program under Xvfb: a folder as a
# photographer with a current camera and a phone has it - a CR3, an ARW and
# a DNG written by lumora-samples, a phone HEIC stored sideways (its picture
# turned by the container and, again, by its EXIF orientation) and a PNG.
# All five cells show real thumbnails (not the grey "UNKNOWN" card) with
# their captions; Enter on the HEIC shows it upright in the viewer, turned
# once; a click on the CR3 fills the information panel with its Canon
# maker-note rows (read back through Ctrl+C). A screenshot of the view is
# left at SHOT for a reviewer, the viewer's beside it (-viewer.png).
# Skips (77) when Xvfb, xdotool, xclip, ImageMagick or the samples are missing.
#   modern_files_e2e.sh PROGRAM SAMPLEGEN SAMPLES SHOT
set -u
prog="$1"
samplegen="$2"
samples="$3/modern"
shot_file="$4"
. "$(dirname "$0")/../support/xvfb-session.sh"
e2e_require Xvfb xdotool xclip import convert
[ -f "$samples/immich-samsung-one-ui-6.heic" ] || { echo "samples absent"; exit 77; }
e2e_start_x 1280x900x24
e2e_private_program "$prog" bin
export HOME="$work"
"$samplegen" "$work/gen" >/dev/null || { echo "FAIL: lumora-samples"; exit 1; }
folder="$work/card"
mkdir -p "$folder"
# By name: the cells in this order.
cp "$work/gen/canon.cr3" "$folder/a-canon.cr3"
cp "$work/gen/sony.arw" "$folder/b-sony.arw"
cp "$work/gen/pentax.dng" "$folder/c-pentax.dng"
cp "$samples/immich-samsung-one-ui-6.heic" "$folder/d-phone.heic"
cp "$samples/immich-density_plot.png" "$folder/e-plot.png"
e2e_launch_in "$folder"
fail=0
eval "$(xdotool getwindowgeometry --shell "$main")" # X, Y, WIDTH, HEIGHT

# Cells: the view starts right of the 200-pixel tree and its 3-pixel bar,
# under the tool bar rows; cells are 140 wide with an 8-pixel gap, the
# picture in the top 120 x 90 of each (less its margins).
view_x=$((X + 203))
view_y=$((Y + 66))
card_share() { # the share of a cell's picture area in the placeholder's grey
    convert "$1" -crop "100x70+$((view_x + 8 + $2 * 148 + 20))+$((view_y + 8 + 20))" +repage \
        -fuzz 2% -fill white -opaque "rgb(50,50,50)" -fill black +opaque white \
        -colorspace gray -format "%[fx:mean]" info:
}
caption_ink() { # caption_ink SHOT CELL TOP HEIGHT: spread of a band under the picture
    convert "$1" -crop "130x$4+$((view_x + 8 + $2 * 148 + 5))+$((view_y + 8 + $3))" +repage \
        -colorspace gray -format "%[fx:standard_deviation]" info:
}
names=(a-canon.cr3 b-sony.arw c-pentax.dng d-phone.heic e-plot.png)
good=0
for _ in $(seq $((30 * ${E2E_SLOW:-1}))); do
    import -window root "$work/shot.png" 2>/dev/null
    good=0
    for i in 0 1 2 3 4; do
        awk -v s="$(card_share "$work/shot.png" $i)" 'BEGIN { exit !(s < 0.5) }' && good=$((good + 1))
    done
    [ "$good" = 5 ] && break
    sleep 0.5
done
cp "$work/shot.png" "$shot_file"
for i in 0 1 2 3 4; do
    share=$(card_share "$work/shot.png" $i)
    name_ink=$(caption_ink "$work/shot.png" $i 150 16)
    shot_ink=$(caption_ink "$work/shot.png" $i 168 30)
    if awk -v s="$share" 'BEGIN { exit !(s < 0.5) }'; then
        echo "ok: ${names[$i]} shows a real thumbnail (placeholder grey $share)"
    else
        echo "FAIL: ${names[$i]} shows the placeholder (grey $share)"; fail=1
    fi
    awk -v s="$name_ink" 'BEGIN { exit !(s > 0.02) }' || { echo "FAIL: ${names[$i]} has no name line"; fail=1; }
    # The four camera files carry shooting information; the PNG has none.
    want=1
    [ "$i" = 4 ] && want=0
    if awk -v s="$shot_ink" -v w="$want" 'BEGIN { exit !((s > 0.02) == w) }'; then
        echo "ok: ${names[$i]} caption as expected (name $name_ink, shooting lines $shot_ink)"
    else
        echo "FAIL: ${names[$i]} caption: shooting lines $shot_ink, wanted them: $want"; fail=1
    fi
done

# A click on the CR3, then the information panel's rows through Ctrl+C.
xdotool mousemove $((view_x + 8 + 70)) $((view_y + 8 + 50)) click 1
sleep 1.5
xdotool mousemove $((X + WIDTH - 120)) $((Y + HEIGHT - 120)) click 1
xdotool key ctrl+c
sleep 0.5
rows=$(xclip -o -selection clipboard 2>/dev/null)
check() { # check "<text>" "<what>"
    if grep -qF -- "$1" <<<"$rows"; then echo "ok: $2"; else echo "FAIL: $2 (no '$1')"; fail=1; fi
}
check "ファイル名	a-canon.cr3" "the CR3's panel is shown"
check "ドライブモード	" "the panel shows the CR3's Canon maker-note rows"
check "色温度	" "the panel shows the Canon colour temperature row"
[ "$fail" = 0 ] || { echo "--- clipboard:"; echo "$rows"; }

# Enter on the HEIC (the fourth cell) opens the viewer: the picture is
# portrait (3000 x 4000 as shot), so the window's side bands stay empty.
xdotool mousemove $((view_x + 8 + 3 * 148 + 70)) $((view_y + 8 + 50)) click 1
sleep 0.5
xdotool key Return
viewer=$(e2e_window_titled "Lumora - $folder/d-phone.heic" 20) || { echo "FAIL: no viewer"; exit 1; }
sleep 3
import -window "$viewer" "$work/viewer.png" 2>/dev/null
cp "$work/viewer.png" "${shot_file%.png}-viewer.png"
read -r vw vh < <(convert "$work/viewer.png" -format "%w %h" info:)
band() { # band X W: the spread of a vertical band of the viewer
    convert "$work/viewer.png" -crop "${2}x$((vh / 2))+${1}+$((vh / 4))" +repage \
        -colorspace gray -format "%[fx:standard_deviation]" info:
}
side=$(band $((vw / 50)) $((vw / 10)))
middle=$(band $((vw / 2 - vw / 20)) $((vw / 10)))
if awk -v s="$side" -v m="$middle" 'BEGIN { exit !(s < 0.01 && m > 0.03) }'; then
    echo "ok: the HEIC is shown upright, portrait (side $side, middle $middle)"
else
    echo "FAIL: the HEIC is not shown portrait (side $side, middle $middle)"; fail=1
fi
xdotool key Escape
exit $fail
