#!/bin/bash
# End-to-end journey through the real program under a virtual X server:
# select three thumbnails, add them to the worksheet from the context menu,
# save the list from the tool bar, close the worksheet, start a second
# instance with the list and see the worksheet come back with its three
# items (saved again from the tool bar to compare).
# Usage: worksheet_e2e.sh PROGRAM SAMPLES_DIR [SCREENSHOT.png]
# Skips (77) when Xvfb, xdotool or the sample JPEGs are missing.
set -u
prog="$1"
samples="$2/camera-jpeg"
shot="${3:-}"
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "Xvfb/xdotool missing"; exit 77; }
for f in Canon_40D.jpg Canon_DIGITAL_IXUS_400.jpg Fujifilm_FinePix6900ZOOM.jpg; do
    [ -f "$samples/$f" ] || { echo "sample $f missing"; exit 77; }
done
work=$(mktemp -d)
# The program keeps its settings beside itself and opens ../demo on a first
# run; a private copy keeps this run apart from every other.
mkdir -p "$work/bin" "$work/demo" "$work/run"
chmod 700 "$work/run"
cp "$prog" "$work/bin/lumora"
cp "$samples/Canon_40D.jpg" "$work/demo/a.jpg"
cp "$samples/Canon_DIGITAL_IXUS_400.jpg" "$work/demo/b.jpg"
cp "$samples/Fujifilm_FinePix6900ZOOM.jpg" "$work/demo/c.jpg"
display=":$((100 + RANDOM % 800))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
app=""
cleanup() { [ -n "$app" ] && kill "$app" 2>/dev/null; kill "$xvfb" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
export DISPLAY="$display" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done
"$work/bin/lumora" >"$work/app.log" 2>&1 &
app=$!

fail=0
title() { # the main window's title
    for w in $(xdotool search --name '^Lumora' 2>/dev/null); do
        n=$(xdotool getwindowname "$w" 2>/dev/null)
        case "$n" in "Lumora - "*) echo "$n"; return;; esac
    done
}
expect_title() {
    for _ in $(seq 100); do [ "$(title)" = "$1" ] && { echo "ok: $2"; return 0; }; sleep 0.1; done
    echo "FAIL: $2: wanted title '$1', got '$(title)'"; fail=1; return 1
}
expect_list() { # expect_list FILE NAME: the list holds NAME and a, b, c in order
    want=$(printf 'Lumora WorkSheetFile\r\n%s\r\n%s\r\n%s\r\n%s\r\n' "$2" \
        "$work/demo/a.jpg" "$work/demo/b.jpg" "$work/demo/c.jpg")
    for _ in $(seq 50); do
        [ -f "$1" ] && [ "$(cat "$1")" = "$want" ] && { echo "ok: $3"; return 0; }
        sleep 0.1
    done
    echo "FAIL: $3: $(cat -A "$1" 2>&1)"; fail=1; return 1
}
window_named() { # waits for a top-level window with this exact title
    for _ in $(seq 50); do
        for w in $(xdotool search --name "$1" 2>/dev/null); do
            [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$1" ] && return 0
        done
        sleep 0.1
    done
    return 1
}
save_list() { # the tool bar's "save as file list", then the file dialog
    sleep 1 # the tool bar's buttons follow the current tab when idle
    xdotool mousemove 328 35 click 1
    window_named "Save As" || { echo "FAIL: no save dialog"; fail=1; return; }
    sleep 0.3
    xdotool key ctrl+a
    xdotool type --delay 10 "$1"
    xdotool key Return
}

expect_title "Lumora - $work/demo" "first start shows the demo folder" || exit 1
sleep 1
# Window at (0, 0) under the menu bar: cells of 148 pixels from (210, 91);
# the tab strip at the bottom; the tool bars' buttons at y 35.
xdotool mousemove 280 184 click 1
sleep 0.3
xdotool key ctrl+a
sleep 0.3
# Context menu on a selected thumbnail: "ワークシートへ追加(&A)" > first worksheet.
xdotool mousemove 280 184 click 3
sleep 1
xdotool key a
sleep 0.6
xdotool key Return
sleep 1.2
xdotool mousemove 368 684 click 1 # the worksheet's tab
expect_title "Lumora - ワークシート1" "the worksheet's tab is current"
save_list "$work/picks.lsl"
expect_list "$work/picks.lsl" "ワークシート1" "the saved list holds the three files"
# Close the current worksheet from the tool bar and confirm.
sleep 1
xdotool mousemove 243 35 click 1
sleep 1
xdotool key alt+y # the question's "Yes"
expect_title "Lumora - $work/demo" "closing the worksheet shows the folder tab again"

# A second instance hands the list over and ends.
"$work/bin/lumora" "$work/picks.lsl" >"$work/second.log" 2>&1
rc=$?
[ $rc -eq 0 ] && echo "ok: the second instance ended" || { echo "FAIL: second instance status $rc"; fail=1; }
expect_title "Lumora - ワークシート1" "the handed-over list is the current worksheet"
sleep 1
[ -n "$shot" ] && command -v import >/dev/null && import -window root "$shot"
save_list "$work/again.lsl"
expect_list "$work/again.lsl" "ワークシート1" "the worksheet read back holds the three files"
[ $fail -ne 0 ] && { echo "--- program output"; cat "$work/app.log"; }
exit $fail
