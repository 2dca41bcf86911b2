#!/bin/bash
# End to end through the real program under a virtual X server: open the
# settings sheet from the File menu, switch GIF on, OK; the folder's GIF
# files appear and the settings file holds the new kinds.
# Usage: settings_e2e.sh LUMORA SAMPLES_DIR. Skips (77) without Xvfb,
# xdotool, ImageMagick's import/convert or a sample JPEG.
set -u
prog="$1"
samples="$2"
. "$(dirname "$0")/../support/xvfb-session.sh"
e2e_require Xvfb xdotool import convert
jpeg=$(ls "$samples"/camera-jpeg/*.jpg 2>/dev/null | head -1)
[ -n "$jpeg" ] || { echo "no sample JPEG"; exit 77; }

e2e_start_x 1024x768x24

# A private copy of the program (its settings file lies beside it) and a
# private runtime folder (no hand-over to another running instance).
e2e_private_program "$prog" app
mkdir -p "$work/pics"
cp "$jpeg" "$work/pics/a.jpg"
gif='\x47\x49\x46\x38\x39\x61\x01\x00\x01\x00\x80\x00\x00\xff\x00\x00\x00\x00\x00\x21\xf9\x04\x01\x00\x00\x00\x00\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3b'
printf "$gif" >"$work/pics/b.gif"
printf "$gif" >"$work/pics/c.gif"

ini="$work/app/lumora.ini"
cat >"$ini" <<INI
[DisplaySettings]
MiscKind=53
[ColorSettings]
CanvasNormal=16711935
CanvasSelectedForeground=16711935
CanvasSelectedBackground=16711935
INI
e2e_launch_in "$work/pics"

fail=0
magenta() { # pixels of the canvas colour on screen
    import -window root "$work/shot.png" 2>/dev/null
    convert "$work/shot.png" -fill black +opaque "#FF00FF" -fill white -opaque "#FF00FF" \
        -format "%[fx:mean*w*h]" info: | cut -d. -f1
}
wait_magenta() { # wait until the count is stable and above $1
    local last=-1 now
    for _ in $(seq 40); do
        now=$(magenta)
        [ "$now" -gt "$1" ] && [ "$now" = "$last" ] && { echo "$now"; return; }
        last=$now
        sleep 0.3
    done
    echo "$now"
}
before=$(wait_magenta 0)
[ "$before" -gt 0 ] || { echo "FAIL: no thumbnail on screen"; fail=1; }
echo "canvas pixels with the JPEG alone: $before"

# File menu, "環境設定(&E)...".
xdotool windowactivate --sync "$main" 2>/dev/null || xdotool windowfocus "$main"
xdotool key --window "$main" alt+f
sleep 0.5
xdotool key e
xdotool search --sync --name "アプリケーションのプロパティ" >/dev/null || {
    echo "FAIL: settings sheet did not open"; exit 1; }
dlg=$(xdotool search --name "アプリケーションのプロパティ" | head -1)
sleep 0.5
read -r dx dy < <(xdotool getwindowgeometry "$dlg" | awk '/Position/ {split($2, p, ","); print p[1], p[2]}')
# The GIF check box: the third of the kinds in the first group.
xdotool mousemove $((dx + 40)) $((dy + 136)) click 1
sleep 0.3
import -window "$dlg" "$work/sheet.png" 2>/dev/null
xdotool key Return
for _ in $(seq 50); do
    xdotool search --onlyvisible --name "アプリケーションのプロパティ" >/dev/null || break
    sleep 0.1
done
grep -q "^MiscKind=61" "$ini" && echo "ok: the settings file holds GIF on" ||
    { echo "FAIL: MiscKind not saved: $(grep MiscKind "$ini")"; fail=1; }
after=$(wait_magenta $((before * 2)))
echo "canvas pixels with the GIF files: $after"
if [ "$after" -gt $((before * 2)) ]; then
    echo "ok: the GIF files appear"
else
    echo "FAIL: the GIF files did not appear"; fail=1
fi
[ -n "${LUMORA_E2E_KEEP:-}" ] && cp "$work"/*.png "$LUMORA_E2E_KEEP"/ 2>/dev/null
exit $fail
