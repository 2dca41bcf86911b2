#!/bin/bash
# Checks of what Lumora installs for the desktop.
#   desktop_files.sh validate SRC                 the desktop entry and the AppStream file
#   desktop_files.sh install SRC BUILD            make install into a DESTDIR, start the installed program
#   desktop_files.sh package BUILD                the Debian package's control data and file list
# Exits 77 (skipped) when a checking tool is missing; scripts/install-deps installs them.
set -u
what="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
check() { # check <condition-command...> -- <what>
    local msg="${*: -1}"
    if "${@:1:$#-1}"; then echo "ok: $msg"; else echo "FAIL: $msg"; fail=1; fi
}
need() { command -v "$1" >/dev/null || { echo "$1 missing"; exit 77; }; }

case "$what" in
validate)
    src="$2/src/resources/desktop"
    need desktop-file-validate; need appstreamcli; need update-mime-database
    out=$(desktop-file-validate "$src/lumora.desktop" 2>&1)
    check test -z "$out" "desktop entry validates${out:+: $out}"
    check grep -qx 'Categories=Graphics;Photography;Viewer;' "$src/lumora.desktop" "categories"
    check grep -q '^Name\[ja\]=' "$src/lumora.desktop" "Japanese name"
    check grep -q '^Comment\[ja\]=' "$src/lumora.desktop" "Japanese comment"
    check grep -q 'application/x-lumora-worksheet;' "$src/lumora.desktop" "the entry opens worksheet lists"
    check appstreamcli validate --no-net "$src/org.lumora.Lumora.metainfo.xml" "AppStream metainfo validates"
    mkdir -p "$work/mime/packages"
    cp "$src/lumora-worksheet.xml" "$work/mime/packages/"
    check update-mime-database "$work/mime" "the MIME package compiles"
    check grep -q '^50:application/x-lumora-worksheet:\*\.lsl$' "$work/mime/globs2" "glob *.lsl"
    check grep -aq 'Lumora WorkSheetFile' "$work/mime/magic" "magic line at offset 0"
    ;;
install)
    src="$2"; build="$3"
    DESTDIR="$work/root" cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1
    check test $? -eq 0 "cmake --install into a DESTDIR"
    root="$work/root/usr"
    for f in bin/lumora share/applications/lumora.desktop share/metainfo/org.lumora.Lumora.metainfo.xml \
             share/mime/packages/lumora-worksheet.xml share/lumora/fonts/lumora-fonts.conf \
             share/doc/lumora/README.md; do
        check test -f "$root/$f" "installed $f"
    done
    for s in 16 22 24 32 48 64 128 256; do
        check test -s "$root/share/icons/hicolor/${s}x${s}/apps/lumora.png" "icon ${s}x${s}"
    done
    # The installed program, with nothing of the build tree in reach: it must find
    # its font configuration under share/ and keep its settings out of /usr/bin.
    mkdir -p "$work/home" "$work/pictures"
    cp "$src/README.md" "$work/pictures/" 2>/dev/null
    env -i PATH=/usr/bin:/bin HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
        XDG_RUNTIME_DIR="$work/home" QT_QPA_PLATFORM=offscreen FC_DEBUG=1024 \
        timeout 60 "$root/bin/lumora" --screenshot "$work/shot.png" >"$work/run.log" 2>&1
    rc=$?
    check test $rc -eq 0 "the installed program starts and exits 0 (rc $rc)"
    check test -s "$work/shot.png" "it draws its window"
    check grep -q "share/lumora/fonts/lumora-fonts.conf" "$work/run.log" "it reads the installed font configuration"
    [ $fail -eq 0 ] || tail -20 "$work/run.log"
    ;;
package)
    build="$2"
    need dpkg-deb; need dpkg-shlibdeps
    (cd "$build" && cpack -G DEB -B "$work/pkg" >"$work/cpack.log" 2>&1)
    check test $? -eq 0 "cpack builds the package"
    deb=$(ls "$work"/pkg/lumora_*.deb 2>/dev/null | head -1)
    check test -n "$deb" "a lumora_*.deb is made"
    [ -n "$deb" ] || { cat "$work/cpack.log"; exit 1; }
    check test "$(dpkg-deb -f "$deb" Package)" = lumora "package name"
    depends=$(dpkg-deb -f "$deb" Depends)
    echo "Depends: $depends"
    for dep in libqt6widgets6 libqt6gui6 libqt6core6 libjpeg62-turbo libtiff6 fonts-ipafont-gothic \
               qt6-qpa-plugins; do
        check grep -q "$dep" <<<"$depends" "depends on $dep"
    done
    files=$(dpkg-deb -c "$deb")
    for f in ./usr/bin/lumora ./usr/share/applications/lumora.desktop \
             ./usr/share/metainfo/org.lumora.Lumora.metainfo.xml \
             ./usr/share/mime/packages/lumora-worksheet.xml \
             ./usr/share/icons/hicolor/256x256/apps/lumora.png \
             ./usr/share/lumora/fonts/lumora-fonts.conf; do
        check grep -q " $f\$" <<<"$files" "package holds $f"
    done
    ;;
*)
    echo "usage: desktop_files.sh validate|install|package ..."; exit 2 ;;
esac
exit $fail
