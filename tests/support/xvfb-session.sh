# Shared set-up of the end-to-end scripts, sourced after `set -u`:
#
#   . "$(dirname "$0")/../support/xvfb-session.sh"
#   e2e_require Xvfb xdotool ...      exits 77 (skip) when a tool is missing
#   e2e_start_x [WxHxD]               $work (removed on exit), an X server on a
#                                     display of its own as $DISPLAY
#   e2e_private_program PROG [DIR]    a copy of PROG (and its fonts) as
#                                     $work/DIR/<name>, in $program; a private
#                                     $XDG_RUNTIME_DIR and thumbnail cache
#   e2e_launch CMD...                 CMD in the background, output in
#                                     $work/app.log, its pid in $app (ended on
#                                     exit, as is every pid given to e2e_track)
#   e2e_wait SECONDS CMD...           runs CMD every 0.1 s until it succeeds;
#                                     fails after SECONDS
#   e2e_launch_in FOLDER              e2e_launch of $program showing FOLDER, its
#                                     window on the whole screen (both added
#                                     to the settings file beside it); $main
#                                     is the main window
#   e2e_binpath FOLDER                the folder as the settings file's BinPath
#   e2e_window_titled TITLE [SECONDS] prints the id of a visible window with
#                                     exactly this title, once there is one;
#                                     fails at once when $app has ended
#
# Waits are bounded polls on a condition, never fixed sleeps: under load the
# program may take seconds to show a window. E2E_SLOW (a factor, default 1)
# stretches every bound.

e2e_require() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || { echo "$tool missing"; exit 77; }
    done
}

e2e_pids=()
e2e_track() { e2e_pids+=("$@"); }

e2e_cleanup() {
    local pid
    for pid in "${e2e_pids[@]}" ${app:+"$app"}; do kill "$pid" 2>/dev/null; done
    [ -n "${e2e_xvfb:-}" ] && kill "$e2e_xvfb" 2>/dev/null
    wait 2>/dev/null
    [ -n "${work:-}" ] && rm -rf "$work"
}

e2e_wait() {
    local seconds=$1 tries
    shift
    tries=$(awk -v s="$seconds" -v f="${E2E_SLOW:-1}" 'BEGIN { printf "%d", s * f * 10 }')
    for ((; tries > 0; tries--)); do
        "$@" && return 0
        sleep 0.1
    done
    "$@"
}

e2e_start_x() {
    local screen="${1:-1024x768x24}"
    e2e_screen="$screen"
    work=$(mktemp -d)
    app=""
    trap e2e_cleanup EXIT
    # Xvfb picks a free display itself and writes its number when it is
    # ready. -noreset: by default the server resets when its last client
    # leaves (the readiness probe below), and a program that connects
    # during the reset is refused and ends.
    Xvfb -displayfd 3 -noreset -screen 0 "$screen" -nolisten tcp 3>"$work/display" \
        >"$work/xvfb.log" 2>&1 &
    e2e_xvfb=$!
    e2e_wait 20 test -s "$work/display" || { echo "Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
    export DISPLAY=":$(head -1 "$work/display")"
    e2e_wait 20 xdotool getmouselocation >/dev/null 2>&1 || { echo "no X server on $DISPLAY"; exit 1; }
}

e2e_private_program() {
    local prog="$1" dir="$work/${2:-bin}"
    # The settings file lies beside the program: a copy keeps this run's
    # settings apart; its own runtime folder keeps it from handing its
    # command line over to an instance another test runs.
    mkdir -p "$dir" "$work/run" "$work/cache"
    chmod 700 "$work/run"
    cp "$prog" "$dir/"
    [ -d "$(dirname "$prog")/fonts" ] && cp -r "$(dirname "$prog")/fonts" "$dir/"
    program="$dir/$(basename "$prog")"
    export XDG_RUNTIME_DIR="$work/run" XDG_CACHE_HOME="$work/cache" QT_QPA_PLATFORM=xcb
}

e2e_launch() {
    "$@" >>"$work/app.log" 2>&1 &
    app=$!
}

e2e_launch_in() {
    local size="${e2e_screen%x*}"
    cat >>"$program.ini" <<INI
[FrameSettings]
left=0
top=0
right=${size%x*}
bottom=${size#*x}
cmd=1
[Folder]
BinPath=$(e2e_binpath "$1")
INI
    e2e_launch "$program"
    main=$(e2e_window_titled "Lumora - $1" 60) || { echo "FAIL: no main window"; cat "$work/app.log"; exit 1; }
}

e2e_has_window_titled() { # e2e_has_window_titled TITLE: prints its id
    local w
    for w in $(xdotool search --onlyvisible --name "$(printf '%s' "$1" | sed 's/[][\.*^$()+?{}|]/\\&/g')" \
        2>/dev/null); do
        [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$1" ] && { echo "$w"; return 0; }
    done
    return 1
}

e2e_app_alive() {
    [ -z "${app:-}" ] || kill -0 "$app" 2>/dev/null
}

e2e_window_titled() {
    # Gives up at once when the program has ended.
    e2e_wait "${2:-30}" e2e_window_or_end "$1" >/dev/null && e2e_has_window_titled "$1" | head -1
}

e2e_window_or_end() {
    e2e_has_window_titled "$1" && return 0
    e2e_app_alive || { echo "the program has ended" >&2; return 0; }
    return 1
}

# A folder as the settings file stores it (BinPath): UTF-16LE code units
# plus terminator, each byte as two letters from "A" (low half first).
e2e_binpath() {
    local s="$1" out="" i c b
    for ((i = 0; i < ${#s}; i++)); do
        c="${s:i:1}"
        b=$(printf '%d' "'$c")
        out+=$(printf "\\x$(printf '%x' $((65 + (b & 15))))\\x$(printf '%x' $((65 + (b >> 4))))")AA
    done
    echo "${out}AAAA"
}
