#!/bin/bash
# Installs what is missing, builds everything and runs every test. The engine and desktop
# tests run a second time in a build with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${DLA_BUILD_DIR:-$root/build}
sanitize_build=${DLA_SANITIZE_BUILD_DIR:-$root/build-sanitize}
jobs=$(nproc)

"$root/scripts/install-deps.sh" test

echo "=== Sanitizer build: engine and desktop tests under ASan and UBSan"
cmake -S "$root" -B "$sanitize_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DDLA_SANITIZE=ON -DDLA_BUILD_TESTS=ON -DDLA_BUILD_BENCH=OFF
cmake --build "$sanitize_build" --parallel "$jobs"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Leak checking needs ptrace, which many containers forbid; memory errors are still caught.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
# Tests are run per folder: the engine's and the desktop program's, not the CLI and
# end-to-end ones, which start programs in ways the sanitizer runtime does not enjoy.
# A failure here still lets the full run below report everything else.
sanitized=0
for tests in engine app; do
    ctest --test-dir "$sanitize_build/tests/$tests" --output-on-failure || sanitized=1
done
unset ASAN_OPTIONS UBSAN_OPTIONS

echo "=== Release build: every test"
# Tests and benchmarks on explicitly: run.sh builds the same folder without them.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DDLA_BUILD_TESTS=ON -DDLA_BUILD_BENCH=ON
cmake --build "$build" --parallel "$jobs"
ctest --test-dir "$build" --output-on-failure
if [ "$sanitized" -ne 0 ]; then
    echo "Tests failed under the sanitizers (see above)." >&2
    exit 1
fi
