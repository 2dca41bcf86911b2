#!/bin/bash
# End-to-end: paths on the command line and handed over by a second
# instance, through the real program on an X server. An image opens its
# folder and is shown in the viewer; a folder is shown in the folder tab; a
# second instance hands its path over and ends.
# Usage: open_paths_e2e.sh LUMORA. Skips (77) when Xvfb or xdotool is missing.
set -u
. "$(dirname "$0")/../support/xvfb-session.sh"
prog="$1"
e2e_require Xvfb xdotool
e2e_start_x 1280x900x24
e2e_private_program "$prog" bin
mkdir -p "$work/写真 A" "$work/B"
"$(dirname "$prog")/lumora-samples" --camera-jpegs 3 "$work/写真 A" >/dev/null || exit 1
"$(dirname "$prog")/lumora-samples" --camera-jpegs 2 "$work/B" >/dev/null || exit 1
first_a=$(ls "$work/写真 A" | sort | sed -n 2p)
first_b=$(ls "$work/B" | sort | sed -n 2p)
export HOME="$work"

fail=0
expect_window() { # expect_window <exact title> <what>; under load a first start takes long
    if e2e_window_titled "$1" 60 >/dev/null; then
        echo "ok: $2"
        return
    fi
    echo "FAIL: $2: no visible window titled '$1'"
    xdotool search --onlyvisible --name "Lumora" getwindowname %@ 2>/dev/null | sed 's/^/  shown: /'
    fail=1
}

# An image on the command line of the first instance.
cd "$work" && e2e_launch "$program" "写真 A/$first_a" && cd - >/dev/null
expect_window "Lumora - $work/写真 A/$first_a" "an image opens in the viewer"
expect_window "Lumora - $work/写真 A" "its folder is shown in the main window"

# A second instance hands a folder over and ends at once.
timeout 60 "$program" "$work/B"
rc=$?
[ $rc -eq 0 ] && echo "ok: the second instance ends with 0" || { echo "FAIL: second instance rc $rc"; fail=1; }
expect_window "Lumora - $work/B" "a handed-over folder is shown"

# And an image of that folder: the viewer moves to it.
timeout 60 "$program" "$work/B/$first_b" || fail=1
expect_window "Lumora - $work/B/$first_b" "a handed-over image is shown in the viewer"

kill -0 "$app" 2>/dev/null || { echo "FAIL: the first instance died"; tail -5 "$work/app.log"; fail=1; }
exit $fail
