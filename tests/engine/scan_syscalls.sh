#!/bin/bash
# The system calls a folder load costs per file, counted by strace: listing,
# the shooting-information scan of every file and the thumbnails of the
# visible cells. Each file is opened once (open, fstat, one read, close); the
# embedded thumbnails come from the scan's own read, the file status and the
# read-only mark from its fstat. Counted are the calls that touch files, and
# the growth of the engine threads' memory: their arenas are reserved when
# the threads start, so a folder's item records make (almost) no call into
# the kernel. Thread wake-ups depend on the timing and are left out.
#   scan_syscalls.sh PROBE
set -u
probe=$1
files=200
if ! command -v strace >/dev/null || ! strace -f -qq -o /dev/null true 2>/dev/null; then
    echo "strace missing or not allowed here: skipped"
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/empty"
"$probe" make "$work/files" "$files" || { echo "could not write the sample folder"; exit 1; }

# count DIR NAME: the calls per system call of one scan of DIR into NAME.calls
count() {
    strace -f -qq -c -o "$work/$2.strace" "$probe" scan "$1" >/dev/null || {
        echo "the scan of $1 failed"
        exit 1
    }
    # Rows: % time, seconds, usecs/call, calls, [errors,] name.
    awk '$NF != "syscall" && $NF != "total" && $4 ~ /^[0-9]+$/ { print $NF, $4 }' \
        "$work/$2.strace" | sort >"$work/$2.calls"
}
count "$work/empty" empty
count "$work/files" full

# calls NAME...: how many more calls of these names the full folder made
calls() {
    local total=0 name full empty
    for name in "$@"; do
        full=$(awk -v n="$name" '$1 == n { print $2 }' "$work/full.calls")
        empty=$(awk -v n="$name" '$1 == n { print $2 }' "$work/empty.calls")
        total=$((total + ${full:-0} - ${empty:-0}))
    done
    echo "$total"
}

failed=0
check() { # what value limit
    if [ "$2" -gt "$3" ]; then
        echo "FAIL: $1: $2 calls for $files files, at most $3"
        failed=1
    else
        echo "ok: $1: $2 calls for $files files (at most $3)"
    fi
}
check "opens" "$(calls open openat openat2)" $((files + 2))
check "status reads" "$(calls stat fstat lstat newfstatat statx)" "$files"
check "reads" "$(calls read pread64 readv preadv preadv2)" $((files + 2))
check "closes" "$(calls close)" $((files + 2))
check "descriptor flag changes" "$(calls fcntl)" 0
check "permission questions" "$(calls access faccessat faccessat2)" 0
file_calls=$(calls open openat openat2 stat fstat lstat newfstatat statx read pread64 readv \
    preadv preadv2 close fcntl access faccessat faccessat2 lseek statfs fstatfs getdents64 \
    geteuid getuid getegid getgroups readlink capget)
check "all file calls" "$file_calls" $((4 * files + 10))
check "address-space changes" "$(calls mprotect mmap munmap brk mremap madvise)" $((files / 20))
if [ "$failed" != 0 ]; then
    echo "--- full folder"; cat "$work/full.calls"
    echo "--- empty folder"; cat "$work/empty.calls"
fi
exit "$failed"
