#!/bin/bash
# End to end through the real program under a virtual X server: a folder of
# three JPEG files, "スライドショーを実行(&S)..." from the View menu, "実行"
# in the options dialog (interval 1 s, auto-close): the viewer shows the
# run in its title, shows the third image for its interval too and then
# hides itself.
# Usage: slideshow_e2e.sh LUMORA SAMPLES_DIR. Skips (77) without Xvfb,
# xdotool or three sample JPEG files.
set -u
prog="$1"
samples="$2"
. "$(dirname "$0")/../support/xvfb-session.sh"
e2e_require Xvfb xdotool
mapfile -t jpegs < <(ls "$samples"/camera-jpeg/*.jpg 2>/dev/null | head -3)
[ "${#jpegs[@]}" -eq 3 ] || { echo "fewer than three sample JPEG files"; exit 77; }

e2e_start_x 1024x768x24

e2e_private_program "$prog" app
mkdir -p "$work/pics"
i=0
for f in "${jpegs[@]}"; do cp "$f" "$work/pics/img$i.jpg"; i=$((i + 1)); done

cat >"$work/app/lumora.ini" <<INI
[SlideShowSettings]
IntervalSecond=1
FullScreen=0
NoPreImage=1
FromHead=1
AutoClose=1
PlayBGM=0
INI
e2e_launch_in "$work/pics"
sleep 2 # the folder loads

fail=0
xdotool windowactivate --sync "$main" 2>/dev/null || xdotool windowfocus "$main"
xdotool key --window "$main" alt+v
sleep 0.5
xdotool key s
xdotool search --sync --name "スライドショーの実行" >/dev/null || {
    echo "FAIL: the options dialog did not open"; exit 1; }
sleep 0.3
start=$(date +%s%N)
xdotool key Return

seen=""
for _ in $(seq 100); do
    xdotool search --onlyvisible --name "スライドショー実行中" >/dev/null 2>&1 && { seen=1; break; }
    sleep 0.1
done
[ -n "$seen" ] && echo "ok: the viewer runs the slideshow" ||
    { echo "FAIL: no viewer with the running title"; fail=1; }
hidden=""
last_seen=""
for _ in $(seq 200); do
    if xdotool search --onlyvisible --name "img2[.]jpg" >/dev/null 2>&1; then
        last_seen=1
    elif ! xdotool search --onlyvisible --name "^Lumora - .*[.]jpg" >/dev/null 2>&1; then
        hidden=1
        break
    fi
    sleep 0.1
done
elapsed_ms=$((($(date +%s%N) - start) / 1000000))
echo "viewer hidden after ${elapsed_ms} ms"
[ -n "$last_seen" ] && echo "ok: the third image was shown" ||
    { echo "FAIL: the third image never showed"; fail=1; }
# Each of the three images stays one second before the run ends.
if [ -n "$hidden" ] && [ "$elapsed_ms" -ge 3000 ]; then
    echo "ok: auto-close hid the viewer after the third image's interval"
else
    echo "FAIL: the viewer did not hide after the third image's interval"; fail=1
fi
exit $fail
