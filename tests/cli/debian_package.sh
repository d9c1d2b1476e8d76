#!/bin/bash
# `cpack -G DEB` makes a Debian package of what the build installs; unpacked into a scratch root,
# its dla-grow runs and tells its version, the libraries it links are declared as dependencies,
# and with the desktop program built, dla, its .desktop entry and its icon are in it too.
# Arguments: the build folder, the version, ON or OFF for the desktop program.
BUILD=$(realpath "$1")
set -- "$BUILD/src/cli/dla-grow" "$2" "$3"
source "$(dirname "$0")/common.sh" "$@"
VERSION=$2
WITH_GUI=$3

if ! command -v dpkg-deb >/dev/null || ! command -v dpkg-shlibdeps >/dev/null; then
    echo "dpkg-deb or dpkg-shlibdeps (dpkg-dev) missing: skipped"
    exit 77
fi

cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$scratch/package" >"$OUT" 2>"$ERR" ||
    fail "cpack failed: $(tail -5 "$OUT" "$ERR")"
package=$(ls "$scratch"/package/*.deb 2>/dev/null)
if [ ! -f "$package" ]; then
    fail "no .deb made: $(ls "$scratch/package")"
    finish
fi

dpkg-deb -x "$package" "$scratch/root" || fail "dpkg-deb -x failed"
installed=$("$scratch/root/usr/bin/dla-grow" --version 2>&1)
[ "$installed" = "dla-grow $VERSION" ] || fail "installed dla-grow --version says '$installed'"

depends=$(dpkg-deb -f "$package" Depends)
grep -q 'libstdc++6' <<<"$depends" || fail "Depends does not name libstdc++6: '$depends'"
[ "$(dpkg-deb -f "$package" Version)" = "$VERSION" ] || fail "package version is not $VERSION"

if [ "$WITH_GUI" = ON ]; then
    for file in usr/bin/dla usr/share/applications/dla.desktop usr/share/icons/hicolor/32x32/apps/dla.png; do
        [ -f "$scratch/root/$file" ] || fail "$file is not in the package"
    done
    grep -q 'libqt6widgets6' <<<"$depends" || fail "Depends does not name the Qt 6 widgets library: '$depends'"
fi

finish
