#!/bin/bash
# End-to-end journey through the real program under a virtual X server:
# select the folder's three thumbnails, add them to the default worksheet
# with the One Key (space), switch to its tab, save the list from the menu,
# close the worksheet, start a second instance with the list and see the
# worksheet come back with its three items (saved again to compare).
# Every step is driven from the keyboard and waits on what the program shows
# (window titles, the files it puts on the clipboard, the list it writes), so
# no screen position is assumed.
# Usage: worksheet_e2e.sh PROGRAM SAMPLES_DIR [SCREENSHOT.png]
# Skips (77) when Xvfb, xdotool, xclip or the sample JPEGs are missing.
set -u
. "$(dirname "$0")/../support/xvfb-session.sh"
prog="$1"
samples="$2/camera-jpeg"
shot="${3:-}"
e2e_require Xvfb xdotool xclip
for f in Canon_40D.jpg Canon_DIGITAL_IXUS_400.jpg Fujifilm_FinePix6900ZOOM.jpg; do
    [ -f "$samples/$f" ] || { echo "sample $f missing"; exit 77; }
done
e2e_start_x 1024x768x24
# The program opens ../demo beside itself on a first run.
e2e_private_program "$prog" bin
mkdir -p "$work/demo"
cp "$samples/Canon_40D.jpg" "$work/demo/a.jpg"
cp "$samples/Canon_DIGITAL_IXUS_400.jpg" "$work/demo/b.jpg"
cp "$samples/Fujifilm_FinePix6900ZOOM.jpg" "$work/demo/c.jpg"
export HOME="$work"
e2e_launch "$program"

fail=0
ok() { echo "ok: $1"; }
bad() { echo "FAIL: $1"; fail=1; }
main=$(e2e_window_titled "Lumora - $work/demo" 60) || {
    bad "first start shows the demo folder"; cat "$work/app.log"; exit 1; }
ok "first start shows the demo folder"
# No window manager runs: the keyboard goes to the main window when it is
# given the focus.
focus_main() { xdotool windowfocus --sync "$main" 2>/dev/null; }
title_is() { [ "$(xdotool getwindowname "$main" 2>/dev/null)" = "Lumora - $1" ]; }
uri() { python3 -c 'import pathlib,sys; print(pathlib.Path(sys.argv[1]).as_uri())' "$1"; }
three="copy"
for f in a b c; do three="$three"$'\n'"$(uri "$work/demo/$f.jpg")"; done
clipboard_is_three() {
    [ "$(xclip -selection clipboard -t x-special/gnome-copied-files -o 2>/dev/null | tr -d '\r' |
        sed '/^$/d' | sort)" = "$(printf '%s\n' "$three" | sort)" ]
}
# Ctrl+A and Ctrl+C in the thumbnail view put its three files on the
# clipboard; until they do, focus is elsewhere (Tab moves it on) or the
# folder is still being listed.
select_all_three() {
    local i
    for i in 1 2 3 4 5 6; do
        focus_main
        printf 'none' | xclip -selection clipboard -i
        xdotool key ctrl+a ctrl+c
        e2e_wait 3 clipboard_is_three && return 0
        [ $((i % 2)) = 0 ] && xdotool key Tab
    done
    return 1
}
# The number of visible windows the program shows (menus and dialogs too).
windows() { xdotool search --onlyvisible --pid "$app" 2>/dev/null | wc -l; }
# Presses KEY and waits until the program shows or hides a window.
key_then_window() {
    local before
    before=$(windows)
    windows_changed() { [ "$(windows)" != "$before" ]; }
    xdotool key "$1"
    e2e_wait 10 windows_changed
}
# menu_to_window TITLE KEY...: the keys, each opening a menu or a window,
# from the main window; prints the id of the window titled TITLE they open.
# A key lost while a menu was still opening is retried from the start.
menu_to_window() {
    local title="$1" try key id opened
    shift
    for try in 1 2 3; do
        focus_main
        opened=1
        for key in "$@"; do key_then_window "$key" || { opened=0; break; }; done
        [ $opened = 1 ] && id=$(e2e_window_titled "$title" 20) && { echo "$id"; return 0; }
        xdotool key Escape Escape Escape
    done
    return 1
}
# The menu bar's "ワークシート(&S)" > "保存(&S)" > "ファイルリストとして保存(&S)...",
# then the file dialog.
save_list() {
    local dialog
    dialog=$(menu_to_window "Save As" alt+s s s) || { bad "no save dialog"; return 1; }
    dialog_has_focus() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$dialog" ]; }
    e2e_wait 10 dialog_has_focus
    xdotool key ctrl+a
    xdotool type --delay 10 "$1"
    xdotool key Return
    dialog_gone() { ! e2e_has_window_titled "Save As" >/dev/null; }
    e2e_wait 20 dialog_gone || bad "the save dialog stays open"
}
expect_list() { # expect_list FILE NAME WHAT: the list holds NAME and a, b, c in order
    local want
    want=$(printf 'Lumora WorkSheetFile\r\n%s\r\n%s\r\n%s\r\n%s\r\n' "$2" \
        "$work/demo/a.jpg" "$work/demo/b.jpg" "$work/demo/c.jpg")
    list_is() { [ -f "$1" ] && [ "$(cat "$1")" = "$want" ]; }
    e2e_wait 20 list_is "$1" && ok "$3" || bad "$3: $(cat -A "$1" 2>&1)"
}

select_all_three && ok "the folder's three files are selected" || bad "select all in the folder"
# The One Key adds the selection to the default worksheet, "ワークシート1".
focus_main
xdotool key space ctrl+Next
e2e_wait 30 title_is "ワークシート1" && ok "the worksheet's tab is current" ||
    bad "the worksheet's tab is current: $(xdotool getwindowname "$main")"
select_all_three && ok "the worksheet holds the three files" || bad "the worksheet's files"
save_list "$work/picks.lsl"
expect_list "$work/picks.lsl" "ワークシート1" "the saved list holds the three files"

# "ワークシート(&S)" > "クローズ(&D)" > "現在のシート" (the first item), then "Yes".
menu_to_window "Lumora" alt+s d Return >/dev/null && xdotool key alt+y
e2e_wait 30 title_is "$work/demo" && ok "closing the worksheet shows the folder tab again" ||
    bad "closing the worksheet: $(xdotool getwindowname "$main")"

# A second instance hands the list over and ends.
timeout 60 "$program" "$work/picks.lsl" >"$work/second.log" 2>&1
rc=$?
[ $rc -eq 0 ] && ok "the second instance ended" || bad "second instance status $rc"
e2e_wait 30 title_is "ワークシート1" && ok "the handed-over list is the current worksheet" ||
    bad "the handed-over list: $(xdotool getwindowname "$main")"
select_all_three && ok "the worksheet read back holds the three files" || bad "the read-back files"
[ -n "$shot" ] && command -v import >/dev/null && import -window root "$shot"
save_list "$work/again.lsl"
expect_list "$work/again.lsl" "ワークシート1" "the worksheet read back saves the same list"
[ $fail -ne 0 ] && { echo "--- program output"; cat "$work/app.log"; }
exit $fail
