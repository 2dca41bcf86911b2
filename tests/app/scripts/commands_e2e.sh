#!/bin/bash
# End-to-end journey through the real program on an X server: the menu bar
# opened with the keyboard, select all, copy, another folder from the
# address box, paste; the X clipboard read and written with xclip.
# Usage: commands_e2e.sh <lumora> <samples dir>. Skips (77) without Xvfb,
# xdotool, xclip or the samples.
set -u
[ -n "${E2E_TRACE:-}" ] && set -x
prog="$1"
samples="$2/camera-jpeg"
. "$(dirname "$0")/../../support/xvfb-session.sh"
e2e_require Xvfb xdotool xclip
[ -d "$samples" ] || { echo "samples missing"; exit 77; }
e2e_start_x 1280x900x24

# The folders live in the home folder, which the tree shows under the desktop.
h="$work/home"; a="$h/folder A"; b="$h/folder B"; c="$h/folder C"; s="$work/elsewhere"
mkdir -p "$a" "$b" "$c" "$s"
n=0
for f in "$samples"/*.jpg; do
    cp "$f" "$a/"; n=$((n + 1)); [ $n -ge 3 ] && break
done
cp "$(ls "$samples"/*.jpg | tail -1)" "$s/from-xclip.jpg"

# A copy of the program, so that its settings file (beside it) is this run's,
# with its own runtime folder: the single-instance lock of another running
# copy must not turn this one into a second instance.
e2e_private_program "$prog" bin
prog="$program"
export HOME="$h" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
e2e_launch "$prog"
has_main() { xdotool search --onlyvisible --pid "$app" --name Lumora >/dev/null 2>&1; }
e2e_wait 60 has_main || { echo "no window"; cat "$work/app.log"; exit 1; }
sleep 1
win=$(xdotool search --onlyvisible --pid "$app" --name Lumora | head -1)
xdotool windowsize "$win" 1200 850 windowmove "$win" 0 0
sleep 0.5

fail=0
ok() { echo "ok: $1"; }
bad() { echo "FAIL: $1"; fail=1; }
wait_for() { # wait_for <seconds*10> <command...>
    local tries=$1; shift
    for _ in $(seq "$tries"); do "$@" && return 0; sleep 0.1; done
    return 1
}
title_is() { [ "$(xdotool getwindowname "$win")" = "Lumora - $1" ]; }
tree_to() { # Tab to the tree, type the folder's name, Tab back to the view
    xdotool key Tab
    sleep 0.3
    xdotool type --delay 30 "$(basename "$1")"
    wait_for 50 title_is "$1" || return 1
    sleep 0.5
    xdotool key Tab
    sleep 0.3
}
view_click() { xdotool mousemove --window "$win" 700 600 click 1; }
clip() { xclip -selection clipboard -t x-special/gnome-copied-files -o 2>/dev/null; }
uri() { python3 -c 'import pathlib,sys; print(pathlib.Path(sys.argv[1]).as_uri())' "$1"; }

# The home node, opened with the Right key, then folder A by typing its name.
xdotool mousemove --window "$win" 82 111 click 1
sleep 0.5
xdotool key Right
sleep 0.5
xdotool type --delay 30 "folder A"
wait_for 50 title_is "$a" && ok "tree shows folder A" || bad "folder A not shown: $(xdotool getwindowname "$win")"
sleep 0.5
xdotool key Tab
sleep 0.5
# Edit menu by its mnemonic, then "すべて選択(&A)" by its own.
xdotool key alt+e
sleep 0.5
xdotool key a
sleep 0.3
xdotool key ctrl+c
expected="copy"
for f in "$a"/*.jpg; do expected="$expected"$'\n'"$(uri "$f")"; done
got_copy() { [ "$(clip | tr -d '\r' | sed '/^$/d' | sort)" = "$(printf '%s\n' "$expected" | sort)" ]; }
wait_for 30 got_copy && ok "menu select all + Ctrl+C put the three files on the clipboard" ||
    { bad "clipboard after copy"; clip; }

# Ctrl+A (accelerator) keeps the selection whole.
xdotool key ctrl+a
tree_to "$b" && ok "Tab, typing in the tree and Tab again show folder B" || bad "folder B not shown"
xdotool key ctrl+v
all_there() { for f in "$a"/*.jpg; do [ -f "$b/$(basename "$f")" ] || return 1; done; }
wait_for 80 all_there && ok "Ctrl+V copied the files into folder B" || bad "files missing in B"
[ "$(ls "$a"/*.jpg | wc -l)" = 3 ] && ok "sources stay (copy)" || bad "sources changed"
# The pasted files are the selection: copying again lists them in B. The
# engine marks them once it has listed them, which under load can come after
# the files appear on disk, so the copy is repeated until it holds them.
expected="copy"
for f in "$a"/*.jpg; do expected="$expected"$'\n'"$(uri "$b/$(basename "$f")")"; done
copy_again() { xdotool key ctrl+c; sleep 0.3; got_copy; }
wait_for 30 copy_again && ok "the pasted files are selected" || { bad "selection after paste"; clip; }

# A file list put on the clipboard by another program pastes here.
printf 'copy\n%s' "$(uri "$s/from-xclip.jpg")" |
    xclip -selection clipboard -t x-special/gnome-copied-files -i
sleep 0.5
xdotool key ctrl+v
wait_for 50 test -f "$b/from-xclip.jpg" && ok "xclip's file list pasted into B" ||
    bad "xclip paste"

# Cut from B, paste into C: moved.
sleep 0.5
xdotool key ctrl+a ctrl+x
tree_to "$c" || bad "folder C not shown"
xdotool key ctrl+v
moved() { [ ! -e "$b/from-xclip.jpg" ] && [ "$(ls "$c" | wc -l)" = 4 ]; }
wait_for 80 moved && ok "Ctrl+X then Ctrl+V moved the files" || { bad "cut/paste"; ls "$b" "$c"; }
exit $fail
