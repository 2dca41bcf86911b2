#!/bin/bash
# End-to-end check of the address box in the real program on a virtual X
# server: a folder path typed with real key presses and Return (or keypad
# Enter) is selected in the folder tree and its images fill the grid, also a
# folder made after the tree listed its parent; an image another program
# copies into the shown folder appears by itself. Skips (77) when Xvfb,
# xdotool or ImageMagick is missing.
set -u
prog="$1"
. "$(dirname "$0")/../support/xvfb-session.sh"
e2e_require Xvfb xdotool import convert
e2e_start_x 1280x900x24

# The program runs from a copy, so its settings file lives beside the copy;
# its own runtime folder keeps it apart from any other running instance, its
# own cache from the user's thumbnails.
e2e_private_program "$prog" bin
mkdir -p "$work/pics/one"
pics="$work/pics"
convert -size 64x48 xc:'#ff0000' "$pics/one/r1.jpg"
convert -size 64x48 xc:'#ff0000' "$pics/one/r2.jpg"

e2e_launch "$program"
has_main() { xdotool search --onlyvisible --pid "$app" --name '^Lumora' >/dev/null 2>&1; }
e2e_wait 60 has_main || { echo "no window"; cat "$work/app.log"; exit 1; }
sleep 1
win=$(xdotool search --onlyvisible --pid "$app" --name '^Lumora' | head -1)
read -r wx wy < <(xdotool getwindowgeometry "$win" | awk '/Position/ {split($2, p, ","); print p[1], p[2]}')

fail=0
title() { xdotool getwindowname "$win"; }
# Pixels of one colour inside the grid (the thumbnails of the test images).
pixels() {
    import -window "$win" "$work/shot.png" 2>/dev/null
    convert "$work/shot.png" -crop 600x600+205+66 +repage -fuzz 8% -fill black +opaque "$1" \
        -fill white -opaque "$1" -format '%[fx:round(mean*w*h)]' info: 2>/dev/null
}
expect_title() { # expect_title "<title>" "<what>"
    for _ in $(seq 50); do
        [ "$(title)" = "$1" ] && { echo "ok: $2"; return; }
        sleep 0.1
    done
    echo "FAIL: $2: wanted '$1', got '$(title)'"; fail=1
}
expect_pixels() { # expect_pixels "<colour>" more|none "<what>"
    local n=0
    for _ in $(seq 40); do
        n=$(pixels "$1")
        if [ "$2" = more ] && [ "${n:-0}" -gt 5000 ]; then echo "ok: $3"; return; fi
        if [ "$2" = none ] && [ "${n:-1}" -eq 0 ]; then echo "ok: $3"; return; fi
        sleep 0.25
    done
    echo "FAIL: $3: $n pixels of $1"; fail=1
}
# The address box's edit field: the first run of white pixels down the
# column x = 500 (menus and bars above it are grey, the grid below too).
boxy=""
find_box() {
    import -window "$win" "$work/shot.png" 2>/dev/null
    convert "$work/shot.png" -crop 1x200+500+0 +repage txt:- 2>/dev/null |
        awk -F'[,:]' '/#FFFFFF/ {print $2}' >"$work/white"
    local first last
    first=$(head -1 "$work/white")
    [ -n "$first" ] || { echo "FAIL: no address box found"; exit 1; }
    last=$first
    while grep -qx "$((last + 1))" "$work/white"; do last=$((last + 1)); done
    boxy=$(((first + last) / 2))
}
find_box
echo "address box edit field at y=$boxy"
# Types into the address box and presses the given key.
address() { # address "<text>" <key>
    xdotool mousemove $((wx + 500)) $((wy + boxy)) click 1
    sleep 0.2
    xdotool key ctrl+a
    xdotool type --delay 10 "$1"
    xdotool key "$2"
}

address "$pics/one" Return
expect_title "Lumora - $pics/one" "Return selects the typed folder"
expect_pixels '#ff0000' more "its images fill the grid"

# Made after the tree listed its parent, entered with keypad Enter.
mkdir -p "$pics/two"
convert -size 64x48 xc:'#0000ff' "$pics/two/b1.jpg"
address "$pics/two" KP_Enter
expect_title "Lumora - $pics/two" "keypad Enter selects a folder made after the listing"
expect_pixels '#0000ff' more "the new folder's images fill the grid"
expect_pixels '#ff0000' none "the old folder's images are gone"

# Another program copies an image into the shown folder: the folder watch
# lists it about a second later, without F5.
convert -size 64x48 xc:'#00ff00' "$work/g1.jpg"
cp "$work/g1.jpg" "$pics/two/g1.jpg"
expect_pixels '#00ff00' more "a file copied in by another program appears"

# A path that is no folder changes nothing.
address "$pics/none" Return
sleep 1
expect_title "Lumora - $pics/two" "a path that is no folder leaves the selection"
exit $fail
