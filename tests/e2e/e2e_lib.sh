# shellcheck shell=bash disable=SC2154,SC2034  # globals shared with e2e_desktop.sh
# Helpers for the end-to-end test: an X server of our own (with or without a window manager),
# windows found by caption, keys sent through the XTEST extension, pictures read with
# ImageMagick. Sourced by e2e_desktop.sh.

# ImageMagick's own convert, not whatever shell wrapper may come first in PATH.
if [ -x /usr/bin/convert ]; then CONVERT=/usr/bin/convert; else CONVERT=convert; fi

passed=0
failed=0
failed_steps=()

log() { printf '[e2e %s] %s\n' "$(date +%T.%3N)" "$*"; }

# Every wait below ends as soon as what it waits for is there; its limit only ends a test whose
# program has gone wrong. So the limit is generous, and no check depends on the machine's speed:
# on a loaded machine openbox has taken 4 s to start and the program 17 s to show its window.
patience=60

# eventually COMMAND...: runs COMMAND every 0.1 s until it succeeds, for at most `patience`
# seconds; fails if it never does.
eventually() {
    local deadline=$((SECONDS + patience))
    until "$@"; do
        [ "$SECONDS" -ge "$deadline" ] && return 1
        sleep 0.1
    done
}

pass() { passed=$((passed + 1)); log "PASS: $*"; }

fail() {
    failed=$((failed + 1))
    failed_steps+=("$*")
    log "FAIL: $*"
}

# check DESCRIPTION EXPECTED ACTUAL: passes when both strings are equal.
check_eq() {
    if [ "$2" = "$3" ]; then pass "$1 ($3)"; else fail "$1: expected '$2', got '$3'"; fi
}

# --- X server ------------------------------------------------------------------------------

xvfb_pid=
wm_pid=
dla_pid=
# Set to the window manager's name when one runs: it puts a frame around each window, places
# and activates windows, and hands the focus on when one closes.
window_manager=

cleanup() {
    [ -n "$dla_pid" ] && kill "$dla_pid" 2>/dev/null
    [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    wait 2>/dev/null
}

# xvfb_answers FILE: true once the display named in FILE accepts connections; stops the wait
# (true as well) when Xvfb has ended, which start_xvfb then tells apart.
xvfb_answers() {
    local d
    kill -0 "$xvfb_pid" 2>/dev/null || return 0
    d=$(tr -dc '0-9' <"$1" 2>/dev/null)
    [ -n "$d" ] && DISPLAY=":$d" xwininfo -root >/dev/null 2>&1
}

# Starts Xvfb on a free display and exports DISPLAY. Xvfb picks the display itself and names
# it once it accepts connections, so tests started at the same moment never share one. It must
# not reset when its last client leaves: a program started during the reset could not connect.
start_xvfb() {
    local number="$out/display-number"
    rm -f "$number"
    Xvfb -displayfd 3 -noreset -nolisten tcp -screen 0 1280x1024x24 3>"$number" >"$out/xvfb.log" 2>&1 &
    xvfb_pid=$!
    if eventually xvfb_answers "$number" && kill -0 "$xvfb_pid" 2>/dev/null; then
        DISPLAY=":$(tr -dc '0-9' <"$number")"
        export DISPLAY
        log "Xvfb running on $DISPLAY"
        return 0
    fi
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
    xvfb_pid=
    return 1
}

# wm_manages: true once a window manager has claimed the screen; stops the wait (true as well)
# when openbox has ended, which start_window_manager then tells apart.
wm_manages() {
    kill -0 "$wm_pid" 2>/dev/null || return 0
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}

# Starts openbox on the X server and waits until it manages the screen.
start_window_manager() {
    openbox --sm-disable >"$out/openbox.log" 2>&1 &
    wm_pid=$!
    if eventually wm_manages && kill -0 "$wm_pid" 2>/dev/null; then
        window_manager=openbox
        log "openbox manages $DISPLAY"
        return 0
    fi
    return 1
}

# --- windows -------------------------------------------------------------------------------

# Prints the id of the visible window captioned exactly NAME (a regular expression), if any.
find_window() {
    xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1
}

# Number of visible windows captioned exactly NAME.
count_windows() {
    xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | wc -l
}

window_count_is() { [ "$(count_windows "$1")" -eq "$2" ]; }
shown_window=
window_shown() {
    shown_window=$(find_window "$1")
    [ -n "$shown_window" ]
}
window_gone() { [ -z "$(find_window "$1")" ]; }

# wait_for_window_count NAME COUNT: succeeds once that many windows have the caption.
wait_for_window_count() { eventually window_count_is "$1" "$2"; }

# wait_for_window NAME: prints the window's id once it is visible; fails if it never is.
wait_for_window() {
    eventually window_shown "$1" && echo "$shown_window"
}

# wait_for_no_window NAME: succeeds once no visible window has that caption.
wait_for_no_window() { eventually window_gone "$1"; }

# Prints "left top width height" of a program's X window: its client area, menu bar included.
window_geometry() {
    xwininfo -id "$1" | awk '
        /Absolute upper-left X:/ { x = $4 }
        /Absolute upper-left Y:/ { y = $4 }
        /Width:/ { w = $2 }
        /Height:/ { h = $2 }
        END { print x, y, w, h }'
}

window_size() { window_geometry "$1" | awk '{ print $3, $4 }'; }

# Prints "left top width height" of the window as the screen shows it: with a window manager,
# its frame and title bar included; without one the X window is all there is.
frame_geometry() {
    local x y w h left=0 right=0 top=0 bottom=0
    read -r x y w h < <(window_geometry "$1")
    if [ -n "$window_manager" ]; then
        read -r left right top bottom < <(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null |
            sed -n 's/.*= *\([0-9]*\), *\([0-9]*\), *\([0-9]*\), *\([0-9]*\).*/\1 \2 \3 \4/p')
    fi
    echo "$((x - ${left:-0})) $((y - ${top:-0})) $((w + ${left:-0} + ${right:-0})) $((h + ${top:-0} + ${bottom:-0}))"
}

size_is() { [ "$(window_size "$1")" = "$2" ]; }

# wait_for_size ID "W H": succeeds once the window has that size.
wait_for_size() { eventually size_is "$1" "$2"; }

# True while an open drop-down menu of the program is on screen: the program's only visible
# window that bypasses window management (its window type is not always set to a menu's).
menu_open() {
    local w
    for w in $(xdotool search --onlyvisible --class '^dla$' 2>/dev/null); do
        if xwininfo -id "$w" 2>/dev/null | grep -q 'Override Redirect State: yes'; then
            return 0
        fi
    done
    return 1
}

menu_closed() { ! menu_open; }

# wait_for_menu open|closed: succeeds once a drop-down menu is open, or none is.
wait_for_menu() {
    if [ "$1" = open ]; then eventually menu_open; else eventually menu_closed; fi
}

# Gives a window the keyboard focus as a click would: through the window manager, which also
# raises it, or directly when there is none.
focus_window() {
    if [ -n "$window_manager" ]; then
        xdotool windowactivate --sync "$1" 2>/dev/null
    else
        xdotool windowfocus --sync "$1" 2>/dev/null
    fi
}

# Puts a window on top of the others.
raise_window() {
    if [ -n "$window_manager" ]; then
        xdotool windowactivate --sync "$1" 2>/dev/null
    else
        xdotool windowraise "$1"
    fi
}

holds_keyboard() { [ "$(xdotool getwindowfocus -f 2>/dev/null)" = "$1" ]; }

# wait_for_keyboard ID: succeeds once the window holds the keyboard focus, that is, once keys
# typed without aiming at a window reach it.
wait_for_keyboard() { eventually holds_keyboard "$1"; }

# The child of the root that holds an X window: the window itself without a window manager,
# the frame around it with one.
toplevel_of() {
    local id root parent
    id=$(printf '0x%x' "$1")
    root=$(xwininfo -root | sed -n 's/.*Window id: \(0x[0-9a-f]*\).*/\1/p')
    while parent=$(xwininfo -tree -id "$id" 2>/dev/null | sed -n 's/.*Parent window id: \(0x[0-9a-f]*\).*/\1/p') &&
        [ -n "$parent" ] && [ "$parent" != "$root" ]; do
        id=$parent
    done
    echo "$id"
}

# stacked_above UPPER LOWER: xwininfo lists the root's children from the top of the stack down.
stacked_above() {
    local order upper lower
    order=$(xwininfo -root -children | grep -o '^ *0x[0-9a-f]*' | tr -d ' ')
    upper=$(grep -n -x "$(toplevel_of "$1")" <<<"$order" | cut -d: -f1)
    lower=$(grep -n -x "$(toplevel_of "$2")" <<<"$order" | cut -d: -f1)
    [ -n "$upper" ] && [ -n "$lower" ] && [ "$upper" -lt "$lower" ]
}

# menu_command WINDOW BAR_LETTER ITEM_LETTER: Alt+letter opens a list on the menu bar, the
# item's letter chooses it. Fails when the list does not open or does not close afterwards.
menu_command() {
    local id=$1 bar=$2 item=$3
    focus_window "$id"
    xdotool key "alt+$bar"
    if ! wait_for_menu open; then
        log "the menu of Alt+$bar did not open"
        return 1
    fi
    xdotool key "$item"
    if ! wait_for_menu closed; then
        log "the menu stayed open after '$item'"
        xdotool key Escape Escape
        return 1
    fi
    return 0
}

# Types TEXT into the focused field, replacing what it holds.
replace_text() {
    xdotool key ctrl+a
    xdotool type --delay 10 "$1"
}

# --- the program ---------------------------------------------------------------------------

start_dla() {
    "$dla" >>"$out/dla.log" 2>&1 &
    dla_pid=$!
    log "started $dla (pid $dla_pid)"
}

program_ended() { ! kill -0 "$dla_pid" 2>/dev/null; }

# wait_for_exit: once the program has ended, sets exit_status to its status; fails if it does
# not end. Not for a command substitution: only this shell can wait for its child.
exit_status=
wait_for_exit() {
    eventually program_ended || return 1
    wait "$dla_pid"
    exit_status=$?
    dla_pid=
}

# Ends a program that is still running after a failed step, so the next session starts clean.
stop_dla() {
    if [ -n "$dla_pid" ]; then
        kill "$dla_pid" 2>/dev/null
        wait "$dla_pid" 2>/dev/null
        dla_pid=
    fi
}

# --- pictures ------------------------------------------------------------------------------

# Number of exactly white pixels in the WxH+X+Y part of an image file.
white_pixels() {
    local file=$1 area=$2 count
    count=$("$CONVERT" "$file" -crop "$area" +repage -format %c histogram:info:- 2>/dev/null |
        awk '/#FFFFFF/ { sub(":", "", $1); n += $1 } END { print n + 0 }')
    echo "${count:-0}"
}

# screenshot ID FILE: the window's own pixels, menu bar included.
screenshot() {
    import -window "$1" "$2" 2>/dev/null
}

# compare A OP B: the integer comparison OP (-eq, -ge or -gt) of A and B.
compare() {
    case $2 in
    -eq) [ "$1" -eq "$3" ] ;;
    -ge) [ "$1" -ge "$3" ] ;;
    -gt) [ "$1" -gt "$3" ] ;;
    *) return 2 ;;
    esac
}

# white_pixels_pass ID FILE AREA OP VALUE: screenshots the window into FILE and tells whether the
# white pixels in AREA pass the comparison with VALUE, leaving their count in white_count.
white_count=0
white_pixels_pass() {
    screenshot "$1" "$2"
    white_count=$(white_pixels "$2" "$3")
    compare "$white_count" "$4" "$5"
}

# poll_white_pixels ID AREA OP VALUE: screenshots the window every 0.1 s until the white pixels
# in AREA pass the comparison with VALUE (for example -ge 10), for at most `patience` seconds;
# prints the last count.
poll_white_pixels() {
    local shot
    shot=$(mktemp --suffix=.png)
    eventually white_pixels_pass "$1" "$shot" "$2" "$3" "$4"
    rm -f "$shot"
    echo "$white_count"
}

# Number of pixels in the WxH+X+Y part of an image file drawn in a selection's highlight colour:
# clearly blue, unlike the black, white and grey of text, frames and backgrounds.
highlight_pixels() {
    local file=$1 area=$2
    "$CONVERT" "$file" -crop "$area" +repage -fx 'b - r > 0.3 ? 1 : 0' -format %c histogram:info:- 2>/dev/null |
        awk '/#FFFFFF/ { sub(":", "", $1); n += $1 } END { print n + 0 }'
}
