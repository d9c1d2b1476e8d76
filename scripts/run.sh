#!/bin/bash
# Installs what is missing, builds dla, dla-grow and the Python module, and starts the desktop
# program dla.
# Without a display it grows a plant into plant.bmp with dla-grow instead.
# Arguments are passed to the program started.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${DLA_BUILD_DIR:-$root/build}

"$root/scripts/install-deps.sh" run
# Tests and benchmarks are test.sh's: their libraries are not installed for running.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDLA_BUILD_TESTS=OFF -DDLA_BUILD_BENCH=OFF
targets=(dla dla-grow)
# The Python module too, where the configuration found pybind11 and Python's headers for it.
if cmake --build "$build" --target help | grep -q '^_dla:'; then
    targets+=(_dla)
fi
cmake --build "$build" --parallel "$(nproc)" --target "${targets[@]}"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: DISPLAY and WAYLAND_DISPLAY are both empty, so the desktop program cannot open."
    echo "Growing a plant with dla-grow into plant.bmp instead."
    exec "$build/src/cli/dla-grow" --mode plant --output plant.bmp "$@"
fi
exec "$build/src/app/dla" "$@"
