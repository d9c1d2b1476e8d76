#!/bin/bash
# The package for a cluster's nodes, dla-grow alone: built from the sources without the desktop
# program in a folder of its own, then checked as debian_package.sh checks every package (its
# name, description, copyright, manual pages that point only to pages it holds, lintian).
# The folder is kept, so that the next run builds only what changed.
# Arguments: the source folder, the version, the build folder, the compiler launcher (may be
# empty).
set -u
SOURCE=$1
VERSION=$2
build=$3
LAUNCHER=${4:-}
mkdir -p "$build" || exit 1

if ! cmake -S "$SOURCE" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDLA_BUILD_GUI=OFF \
        -DDLA_BUILD_TESTS=OFF -DDLA_BUILD_BENCH=OFF -DCMAKE_CXX_COMPILER_LAUNCHER="$LAUNCHER" \
        >"$build/configure.log" 2>&1; then
    echo "FAIL: configuring without the desktop program: $(tail -5 "$build/configure.log")"
    exit 1
fi
if ! cmake --build "$build" >"$build/build.log" 2>&1; then
    echo "FAIL: building without the desktop program: $(tail -5 "$build/build.log")"
    exit 1
fi
bash "$(dirname "$0")/debian_package.sh" "$build" "$VERSION" OFF
