#!/bin/bash
# Installs the Debian 12 packages dla needs, but only those missing: as root directly,
# otherwise through sudo.
#   install-deps.sh run    what building and running dla, dla-grow and the Python module dla
#                          needs (run.sh)
#   install-deps.sh test   that and what the tests need: test libraries, an X server and its
#                          tools, ImageMagick, a one-node Slurm with munge, lintian, help2man,
#                          python3 with YAML (CITATION.cff), pytest and meshio (PLY files read by
#                          a real reader), faketime for the desktop benchmark (test.sh)
set -euo pipefail

run_packages=(
    build-essential cmake ninja-build
    qt6-base-dev qt6-base-dev-tools libgl-dev
    libcli11-dev nlohmann-json3-dev libpng-dev
    python3-dev pybind11-dev python3-numpy
)
test_packages=(
    "${run_packages[@]}"
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth xdotool x11-utils imagemagick openbox
    shellcheck parallel dpkg-dev faketime
    slurmctld slurmd slurm-client munge
    lintian help2man python3 python3-yaml python3-pytest python3-meshio
)

case "${1:-}" in
    run) packages=("${run_packages[@]}") ;;
    test) packages=("${test_packages[@]}") ;;
    *)
        echo "usage: $(basename "$0") run|test" >&2
        exit 2
        ;;
esac

missing=()
for package in "${packages[@]}"; do
    # A removed package can still be known to dpkg; only "install ok installed" counts.
    if ! dpkg -s "$package" 2>/dev/null | grep -q '^Status: install ok installed'; then
        missing+=("$package")
    fi
done
if [ "${#missing[@]}" -eq 0 ]; then
    exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
    as_root=()
elif command -v sudo >/dev/null; then
    as_root=(sudo)
else
    echo "These packages are missing and installing them needs root or sudo: ${missing[*]}" >&2
    exit 1
fi

echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
