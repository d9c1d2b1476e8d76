#!/bin/bash
# shellcheck source-path=SCRIPTDIR
# End-to-end test of the desktop program: the built dla in an X server of its own (Xvfb), driven
# from the keyboard with xdotool (menu accelerators, Tab, Enter, Escape, arrow keys), checked by
# window geometry, keyboard focus, screenshots and the BMP files it saves. With
# --window-manager the same steps run under openbox, which frames, places and focuses windows.
#
# Usage: e2e_desktop.sh [--window-manager] PATH_TO_DLA OUTPUT_FOLDER
set -u

usage="usage: e2e_desktop.sh [--window-manager] PATH_TO_DLA OUTPUT_FOLDER"
with_window_manager=no
if [ "${1:-}" = --window-manager ]; then
    with_window_manager=yes
    shift
fi
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
dla=${1:?$usage}
out=${2:?$usage}
# shellcheck source=e2e_lib.sh
source "$here/e2e_lib.sh"
# shellcheck source=e2e_steps.sh
source "$here/e2e_steps.sh"

tools=(Xvfb xdotool xwininfo xprop import identify)
[ "$with_window_manager" = yes ] && tools+=(openbox)
for tool in "${tools[@]}"; do
    if ! command -v "$tool" >/dev/null; then
        echo "missing tool: $tool (install xvfb, xdotool, x11-utils, imagemagick and openbox)" >&2
        exit 1
    fi
done
[ -x "$dla" ] || { echo "not a program: $dla" >&2; exit 1; }

rm -rf "$out"
mkdir -p "$out"
out=$(cd "$out" && pwd)
trap cleanup EXIT
start_xvfb || { echo "could not start Xvfb (see $out/xvfb.log)" >&2; exit 1; }
if [ "$with_window_manager" = yes ]; then
    start_window_manager || { echo "openbox did not start on $DISPLAY (see $out/openbox.log)" >&2; exit 1; }
fi
# Qt wants a runtime folder of its own and must not pick a platform other than X.
export XDG_RUNTIME_DIR="$out/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=xcb

started=$(date +%s)
if step_start; then
    step_run_to_limit
    step_save
    step_num_points_window && step_counted_run && step_overwrite_question
    step_image_size_and_mode
    step_about
    step_exit_with_prompt
fi
stop_dla
step_large_pictures && step_keys_during_a_long_reset && step_exit_with_windows_open
stop_dla

log "finished in $(($(date +%s) - started)) s; output in $out"
if [ "$failed" -gt 0 ]; then
    log "failed checks:"
    printf '  - %s\n' "${failed_steps[@]}"
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
