#!/bin/bash
# End-to-end: paths on the command line and handed over by a second
# instance, through the real program on an X server. An image opens its
# folder and is shown in the viewer; a folder is shown in the folder tab; a
# second instance hands its path over and ends.
# Usage: open_paths_e2e.sh LUMORA. Skips (77) when Xvfb or xdotool is missing.
set -u
prog="$1"
for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "$tool missing"; exit 77; }
done
work=$(mktemp -d)
mkdir -p "$work/bin" "$work/run" "$work/写真 A" "$work/B"
chmod 700 "$work/run"
cp "$prog" "$work/bin/lumora"
[ -d "$(dirname "$prog")/fonts" ] && cp -r "$(dirname "$prog")/fonts" "$work/bin/"
"$(dirname "$prog")/lumora-samples" --camera-jpegs 3 "$work/写真 A" >/dev/null || exit 1
"$(dirname "$prog")/lumora-samples" --camera-jpegs 2 "$work/B" >/dev/null || exit 1
first_a=$(ls "$work/写真 A" | sort | sed -n 2p)
first_b=$(ls "$work/B" | sort | sed -n 2p)

display=":$((100 + RANDOM % 800))"
Xvfb "$display" -screen 0 1280x900x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
app=
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null
    kill "$xvfb" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
export DISPLAY="$display" XDG_RUNTIME_DIR="$work/run" HOME="$work" QT_QPA_PLATFORM=xcb
for _ in $(seq 50); do xdotool getmouselocation >/dev/null 2>&1 && break; sleep 0.1; done

fail=0
expect_window() { # expect_window <exact title> <what>
    for _ in $(seq 100); do
        if xdotool search --onlyvisible --name "^$(printf '%s' "$1" | sed 's/[][\.*^$()+?{}|]/\\&/g')\$" \
            >/dev/null 2>&1; then
            echo "ok: $2"
            return
        fi
        sleep 0.1
    done
    echo "FAIL: $2: no visible window titled '$1'"
    xdotool search --onlyvisible --name "Lumora" getwindowname %@ 2>/dev/null | sed 's/^/  shown: /'
    fail=1
}

# An image on the command line of the first instance.
(cd "$work" && exec "$work/bin/lumora" "写真 A/$first_a") >"$work/app.log" 2>&1 &
app=$!
expect_window "Lumora - $work/写真 A/$first_a" "an image opens in the viewer"
expect_window "Lumora - $work/写真 A" "its folder is shown in the main window"

# A second instance hands a folder over and ends at once.
timeout 20 "$work/bin/lumora" "$work/B"
rc=$?
[ $rc -eq 0 ] && echo "ok: the second instance ends with 0" || { echo "FAIL: second instance rc $rc"; fail=1; }
expect_window "Lumora - $work/B" "a handed-over folder is shown"

# And an image of that folder: the viewer moves to it.
timeout 20 "$work/bin/lumora" "$work/B/$first_b" || fail=1
expect_window "Lumora - $work/B/$first_b" "a handed-over image is shown in the viewer"

kill -0 "$app" 2>/dev/null || { echo "FAIL: the first instance died"; tail -5 "$work/app.log"; fail=1; }
exit $fail
