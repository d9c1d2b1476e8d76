#!/bin/bash
# `cpack -G DEB` makes a Debian package of what the build installs; unpacked into a scratch root,
# its dla-grow runs and tells its version, the libraries it links are declared as dependencies,
# its manual pages are there, and with the desktop program built, dla, its .desktop entry and its
# icon are in it too. Built without it, the package has a name and description of its own.
# lintian finds no error and no warning in it (skipped, status 77, where lintian is missing).
# Its copyright file grants LICENSE's terms; its description names the off-lattice mode (in
# space too where the grower has the mode in three dimensions); the
# manual pages keep dla-grow's summary keys in a section of their own, and point only to pages
# the package holds. `cmake --install` puts the manual pages in place too. Where the build made
# the Python module dla, the package holds it where Debian's python3 finds it, declares Python
# and NumPy, and the module imports and grows from the unpacked package; `cmake --install` puts
# it in place too.
# Arguments: the build folder, the version, ON or OFF for the desktop program.
TESTS=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(realpath "$1")
set -- "$BUILD/src/cli/dla-grow" "$2" "$3"
source "$(dirname "$0")/common.sh" "$@"
VERSION=$2
WITH_GUI=$3

if ! command -v dpkg-deb >/dev/null || ! command -v dpkg-shlibdeps >/dev/null; then
    echo "dpkg-deb or dpkg-shlibdeps (dpkg-dev) missing: skipped"
    exit 77
fi

if [ "$WITH_GUI" = ON ]; then
    name=dla
    programs=(dla-grow dla)
else
    name=dla-grow
    programs=(dla-grow)
fi

cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$scratch/package" >"$OUT" 2>"$ERR" ||
    fail "cpack failed: $(tail -5 "$OUT" "$ERR")"
package=$(ls "$scratch/package/${name}_${VERSION}_"*.deb 2>/dev/null)
if [ ! -f "$package" ]; then
    fail "no package $name made: $(ls "$scratch/package")"
    finish
fi

dpkg-deb -x "$package" "$scratch/root" || fail "dpkg-deb -x failed"
installed=$("$scratch/root/usr/bin/dla-grow" --version 2>&1)
[ "$installed" = "dla-grow $VERSION" ] || fail "installed dla-grow --version says '$installed'"

depends=$(dpkg-deb -f "$package" Depends)
grep -q 'libstdc++6' <<<"$depends" || fail "Depends does not name libstdc++6: '$depends'"
[ "$(dpkg-deb -f "$package" Version)" = "$VERSION" ] || fail "package version is not $VERSION"

[ "$(dpkg-deb -f "$package" Package)" = "$name" ] || fail "the package is named '$(dpkg-deb -f "$package" Package)', not $name"
synopsis=$(dpkg-deb -f "$package" Description | head -n 1)
case "$WITH_GUI:$synopsis" in
    ON:*"desktop program"* | OFF:*clusters*) ;;
    *) fail "the synopsis '$synopsis' is not that of package $name" ;;
esac

description=$(dpkg-deb -f "$package" Description)
grep -q 'off-lattice' <<<"$description" || fail "the description of $name does not name the off-lattice mode"
# "In space" as soon as the grower has a mode in three dimensions, and only then.
if "$scratch/root/usr/bin/dla-grow" --help | grep -q 'offlattice3d'; then
    grep -q 'in space' <<<"$description" || fail "the description of $name does not say the off-lattice mode grows in space too"
else
    grep -q 'in space' <<<"$description" && fail "the description of $name says the grower grows in space, which it does not"
fi
copyright=$scratch/root/usr/share/doc/$name/copyright
if [ -f "$copyright" ]; then
    python3 "$TESTS/release/release_files.py" copyright "$copyright" "$TESTS/../LICENSE" >"$OUT" 2>&1 ||
        fail "the package's copyright file: $(cat "$OUT")"
else
    fail "no copyright file in the package"
fi

# expect_manual_page WHAT PAGE PROGRAM: a compressed manual page of PROGRAM made from its --help.
expect_manual_page()
{
    local what=$1 page=$2 program=$3 upper
    upper=$(tr '[:lower:]' '[:upper:]' <<<"$program")
    if [ ! -f "$page" ]; then
        fail "$what: no manual page $page"
        return
    fi
    zcat "$page" | grep -qF ".TH $upper \"1\" " || fail "$what: $page is not the manual page of $program(1)"
    zcat "$page" | grep -qF -- '\-\-version' || fail "$what: $page does not list --version"
}
for program in "${programs[@]}"; do
    expect_manual_page package "$scratch/root/usr/share/man/man1/$program.1.gz" "$program"
done
zcat "$scratch/root/usr/share/man/man1/dla-grow.1.gz" | grep -q '^\.SH "EXIT STATUS"' ||
    fail "the manual page of dla-grow has no EXIT STATUS section"
# man_section PAGE HEADING: the lines of the page's section under .SH HEADING.
man_section()
{
    zcat "$1" | awk -v heading="$2" '/^\.SH / { inside = ($0 == ".SH " heading || $0 == ".SH \"" heading "\"") ; next } inside'
}
grow_page=$scratch/root/usr/share/man/man1/dla-grow.1.gz
man_section "$grow_page" "EXIT STATUS" | grep -q -- 'json' &&
    fail "the summary's keys are under EXIT STATUS in dla-grow's manual page"
# Each key of the summary is a paragraph of its own, tagged with the key.
for key in mode seed particles particle_list; do
    man_section "$grow_page" SUMMARY | grep -A1 -x '\.TP' | grep -q -x -- "$key" ||
        fail "dla-grow's manual page has no SUMMARY paragraph for the key $key"
done
for program in "${programs[@]}"; do
    for named in $(man_section "$scratch/root/usr/share/man/man1/$program.1.gz" "SEE ALSO" |
                   sed -n 's/^\.BR \([a-z-]*\) (1).*/\1/p'); do
        [ -f "$scratch/root/usr/share/man/man1/$named.1.gz" ] ||
            fail "the manual page of $program points to $named(1), which the package $name does not hold"
    done
done

cmake --install "$BUILD" --prefix "$scratch/prefix" >"$OUT" 2>"$ERR" || fail "cmake --install failed: $(tail -3 "$ERR")"
for program in "${programs[@]}"; do
    expect_manual_page "cmake --install" "$scratch/prefix/share/man/man1/$program.1.gz" "$program"
done

if [ "$WITH_GUI" = ON ]; then
    for file in usr/bin/dla usr/share/applications/dla.desktop usr/share/icons/hicolor/32x32/apps/dla.png; do
        [ -f "$scratch/root/$file" ] || fail "$file is not in the package"
    done
    grep -q 'libqt6widgets6' <<<"$depends" || fail "Depends does not name the Qt 6 widgets library: '$depends'"
fi

# The interpreter the module was built for, as the build's cache names it.
python=$(sed -n 's/^Python3_EXECUTABLE:[A-Z]*=//p' "$BUILD/CMakeCache.txt")
if [ -f "$BUILD/python/dla/__init__.py" ] && [ -n "$python" ]; then
    packages=usr/lib/python3/dist-packages
    [ -f "$scratch/root/$packages/dla/__init__.py" ] || fail "the Python module dla is not in the package"
    grep -q 'python3-numpy' <<<"$depends" || fail "Depends does not name python3-numpy: '$depends'"
    grep -q 'python3 (<<' <<<"$depends" || fail "Depends does not bound the Python version: '$depends'"
    grown=$(cd "$scratch" && PYTHONPATH="$scratch/root/$packages" PYTHONDONTWRITEBYTECODE=1 "$python" -c \
        'import dla; c = dla.offlattice(100, seed=1); print(c.positions.shape, dla.__file__)' 2>&1)
    [ "$grown" = "(101, 2) $scratch/root/$packages/dla/__init__.py" ] ||
        fail "the packaged module does not grow a cluster: $grown"
    installed_module=$scratch/prefix/lib/python3/dist-packages/dla
    compgen -G "$installed_module/_dla.*.so" >/dev/null || fail "cmake --install does not put the module in $installed_module"
fi

if ! command -v lintian >/dev/null; then
    [ "$failures" -ne 0 ] || { echo "lintian is not installed: skipped"; exit 77; }
    finish
fi
# As root lintian says it would rather not run as root; that line is no finding.
lintian --fail-on error,warning "$package" >"$OUT" 2>"$ERR" ||
    fail "lintian: $(grep -v 'running with root privileges' "$OUT" "$ERR")"
echo "lintian: $(grep -c '^[EW]:' "$OUT") errors and warnings, $(grep -c '^[IP]:' "$OUT") other notes"

finish
