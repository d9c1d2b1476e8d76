# shellcheck shell=bash disable=SC2154,SC2034  # globals shared with e2e_desktop.sh
# The steps of the end-to-end test, each a function that records its checks with pass and
# fail (e2e_lib.sh). Sourced by e2e_desktop.sh, which runs them in order.

# The plant-life picture at start: 150 x 300, its base strip the bottom 5 rows.
plant_width=150
plant_height=300
menu_bar=0

main=

# check_position STEP CAPTION ID "X,Y": a window opens with its outer corner (its frame's, when
# a window manager draws one) at its designed screen position.
check_position() {
    local x y w h
    read -r x y w h < <(frame_geometry "$3")
    check_eq "$1: '$2' at its designed position" "$4" "$x,$y"
}

# check_keyboard STEP ID WHAT: the window holds the keyboard, so keys typed without aiming reach it.
check_keyboard() {
    if wait_for_keyboard "$2"; then
        pass "$1: $3 has the keyboard"
    else
        fail "$1: $3 does not have the keyboard (focus on $(xdotool getwindowfocus -f 2>/dev/null))"
    fi
}

# Step 1: the program starts with the main window alone, its client area 150 x 300.
step_start() {
    log "--- step 1: start-up"
    start_dla
    if ! main=$(wait_for_window DLA); then
        fail "step 1: no window captioned DLA appeared"
        log "dla's output: $(cat "$out/dla.log")"
        return 1
    fi
    pass "step 1: window captioned DLA shown (id $main)"
    local x y w h
    read -r x y w h < <(window_geometry "$main")
    menu_bar=$((h - plant_height))
    log "window at $x,$y, $w x $h; menu bar height $menu_bar"
    check_eq "step 1: client width" "$plant_width" "$w"
    check_keyboard "step 1" "$main" "the main window"
    if [ "$menu_bar" -gt 0 ] && [ "$menu_bar" -lt 60 ]; then
        pass "step 1: client height 300 below a menu bar of $menu_bar pixels"
    else
        fail "step 1: window height $h leaves no sensible menu bar above a 300-pixel picture"
    fi
    read -r x y w h < <(frame_geometry "$main")
    check_eq "step 1: designed position" "346,173" "$x,$y"
    local others
    others=$(xdotool search --onlyvisible --name '^(Number of points|Image Size|About|Save\?)$' 2>/dev/null)
    if [ -z "$others" ]; then pass "step 1: no secondary window shown at start"; else fail "step 1: a secondary window is shown at start"; fi
    return 0
}

# Step 2: Alt+O, S runs the plant-life growth until the cluster reaches the top row.
step_run_to_limit() {
    log "--- step 2: START to the limit"
    menu_command "$main" o s || { fail "step 2: Alt+O, S did not reach the menu"; return 1; }
    # The run stops when the cluster has reached row 1, so a white pixel in the top rows
    # means the run is over.
    local top
    top=$(poll_white_pixels "$main" "${plant_width}x3+0+$menu_bar" -gt 0)
    if [ "$top" -eq 0 ]; then
        fail "step 2: no growth reached the top of the picture"
        return 1
    fi
    pass "step 2: the plant reached the top rows"
    sleep 0.3 # the last repaint
    screenshot "$main" "$out/screenshot-after-run.png"
    local grown
    grown=$(white_pixels "$out/screenshot-after-run.png" "${plant_width}x$((plant_height - 5))+0+$menu_bar")
    if [ "$grown" -gt 100 ]; then
        pass "step 2: $grown white pixels grown above the base strip"
    else
        fail "step 2: only $grown white pixels above the base strip after a run to the limit"
    fi
    log "screenshot after the run: $out/screenshot-after-run.png"
}

# open_save_dialog: File, Save As; prints the dialog's id once it holds the keyboard.
open_save_dialog() {
    local dialog
    menu_command "$main" f s || return 1
    if ! dialog=$(wait_for_window 'Save As'); then
        log "no save dialog appeared"
        return 1
    fi
    if ! wait_for_keyboard "$dialog"; then
        log "the save dialog did not take the keyboard"
        return 1
    fi
    echo "$dialog"
}

# save_as FILE: File, Save As, the full path typed into the dialog's name box and Enter.
save_as() {
    local file=$1
    open_save_dialog >/dev/null || return 1
    replace_text "$file"
    xdotool key Return
    if ! wait_for_no_window 'Save As'; then
        log "the save dialog stayed open"
        xdotool key Escape
        return 1
    fi
    eventually test -s "$file" && return 0
    log "no file $file was written"
    return 1
}

# Step 4: Save As writes the grown picture as a 24-bit BMP file.
step_save() {
    log "--- step 4: Save As"
    local file="$out/plant.bmp"
    if ! save_as "$file"; then
        fail "step 4: Alt+F, S and a typed path did not save the picture"
        return 1
    fi
    pass "step 4: the save dialog wrote $file"
    check_keyboard "step 4" "$main" "after Save the main window"
    check_eq "step 4: file size of a 150 x 300 picture" 135654 "$(stat -c %s "$file")"
    check_eq "step 4: identify reads width, height and depth" "150 300 8" \
        "$(identify -format '%w %h %z' "$file" 2>&1)"
    check_eq "step 4: saved picture's top rows have growth" yes \
        "$([ "$(white_pixels "$file" "${plant_width}x3+0+0")" -gt 0 ] && echo yes || echo no)"
}

# Step 3a: "Num Points" is disabled while "To Limit" is checked; To Limit enables it.
step_num_points_window() {
    log "--- step 3: Num Points and To Limit"
    focus_window "$main"
    xdotool key alt+o
    wait_for_menu open || { fail "step 3: Alt+O did not open the Options list"; return 1; }
    xdotool key n
    # The program has handled N once it has handled the next key (X delivers keys in order):
    # Escape closes the list. A window that N had opened would then have been asked for, and
    # the window manager, which handles requests in order, has shown it once it has given the
    # main window the keyboard.
    xdotool key Escape
    wait_for_menu closed || fail "step 3: Escape did not close the Options list"
    focus_window "$main"
    if [ -n "$(find_window 'Number of points')" ]; then
        fail "step 3: Alt+O, N opened 'Number of points' while Num Points is disabled"
    else
        pass "step 3: Alt+O, N does nothing while Num Points is disabled"
    fi

    menu_command "$main" o t || { fail "step 3: Alt+O, T did not reach To Limit"; return 1; }
    menu_command "$main" o n || { fail "step 3: Alt+O, N did not reach Num Points"; return 1; }
    local points
    if ! points=$(wait_for_window 'Number of points'); then
        fail "step 3: Alt+O, N after unchecking To Limit opened no 'Number of points' window"
        return 1
    fi
    pass "step 3: Alt+O, T then Alt+O, N opened 'Number of points'"
    check_position "step 3" 'Number of points' "$points" 393,185
    # Choosing Num Points while the window is open leaves it where it is in the stack.
    raise_window "$main"
    if ! stacked_above "$main" "$points"; then
        fail "step 3: could not put the main window above 'Number of points' (stacking not seen)"
    else
        menu_command "$main" o n || fail "step 3: Alt+O, N did not reach Num Points a second time"
        # The window manager handles the program's requests in order: once it shows the About
        # window asked for next (with keys, which raise nothing themselves), it has carried out
        # any raise that Num Points asked for.
        local about=""
        xdotool key alt+h
        if wait_for_menu open; then
            xdotool key a
            about=$(wait_for_window About)
        fi
        if [ -z "$about" ]; then
            fail "step 3: after Num Points on the open window, Alt+H, A did not open 'About' (the keyboard left the main window)"
        elif stacked_above "$main" "$points"; then
            pass "step 3: Num Points on the open window did not bring it to the front"
        else
            fail "step 3: Num Points brought the open 'Number of points' window to the front"
        fi
        menu_open && xdotool key Escape
        if [ -n "$about" ]; then
            xdotool key alt+c
            wait_for_no_window About || fail "step 3: Alt+C did not close 'About'"
        fi
    fi
    focus_window "$points"
    # 109 less one step of 100 with the Down key: 9 points.
    replace_text 109
    xdotool key Down Tab Return
    if wait_for_no_window 'Number of points'; then
        pass "step 3: Tab to OK and Enter hid 'Number of points'"
    else
        fail "step 3: OK did not hide 'Number of points'"
    fi
    check_keyboard "step 3" "$main" "after OK the main window"
}

# Step 3b: after a Reset, a run with 9 points sticks 10 wanderers above the base strip.
step_counted_run() {
    log "--- step 3: a run of 9 + 1 wanderers"
    menu_command "$main" f r || { fail "step 3: Alt+F, R did not reach Reset"; return 1; }
    local area="${plant_width}x$((plant_height - 5))+0+$menu_bar" n
    n=$(poll_white_pixels "$main" "$area" -eq 0)
    check_eq "step 3: white pixels above the strip after Reset" 0 "$n"
    menu_command "$main" o s || { fail "step 3: Alt+O, S did not reach START"; return 1; }
    # The run is short; wait until its ten wanderers show, then a little for any stray ones.
    poll_white_pixels "$main" "$area" -ge 10 >/dev/null
    sleep 0.5
    local file="$out/ten-wanderers.bmp"
    if ! save_as "$file"; then
        fail "step 3: could not save the picture of the counted run"
        return 1
    fi
    check_eq "step 3: wanderers stuck above the strip for 9 points" 10 \
        "$(white_pixels "$file" "${plant_width}x$((plant_height - 5))+0+0")"
    check_eq "step 3: base strip intact" $((plant_width * 5)) \
        "$(white_pixels "$file" "${plant_width}x5+0+$((plant_height - 5))")"
}

# Step 4b: Save As onto an existing file asks first; No (Escape) returns to the dialog, which
# has the keyboard, and leaves the file as it was; Yes replaces it.
step_overwrite_question() {
    log "--- step 4: the question before replacing a file"
    local existing="$out/plant.bmp" kept="$out/plant-before.bmp" dialog
    cp "$existing" "$kept"
    dialog=$(open_save_dialog) || { fail "step 4: Alt+F, S opened no save dialog"; return 1; }
    replace_text "$existing"
    xdotool key Return
    if ! wait_for_window_count 'Save As' 2; then
        fail "step 4: saving onto an existing file asked nothing"
        xdotool key Escape
        return 1
    fi
    pass "step 4: saving onto an existing file asks first"
    xdotool key Escape
    wait_for_window_count 'Save As' 1 || fail "step 4: Escape did not close the question"
    check_keyboard "step 4" "$dialog" "after No the save dialog"
    check_eq "step 4: No leaves the existing file as it was" same \
        "$(cmp -s "$existing" "$kept" && echo same || echo changed)"
    xdotool key Return
    if ! wait_for_window_count 'Save As' 2; then
        fail "step 4: Enter again asked nothing"
        xdotool key Escape
        return 1
    fi
    xdotool key alt+y
    if ! wait_for_no_window 'Save As'; then
        fail "step 4: Yes did not close the save dialog"
        xdotool key Escape Escape
        return 1
    fi
    # The file is written once the dialog has closed.
    check_eq "step 4: Yes replaces the file with the current picture" same \
        "$(eventually cmp -s "$existing" "$out/ten-wanderers.bmp" && echo same || echo different)"
    check_keyboard "step 4" "$main" "after Yes the main window"
}

# Step 3c: Image Size resizes the client area; Snowflake shows its own 300 x 300 picture.
step_image_size_and_mode() {
    log "--- step 3: Image Size and Snowflake"
    menu_command "$main" o i || { fail "step 3: Alt+O, I did not reach Image Size"; return 1; }
    local sizer
    if ! sizer=$(wait_for_window 'Image Size'); then
        fail "step 3: Alt+O, I opened no 'Image Size' window"
        return 1
    fi
    pass "step 3: Alt+O, I opened 'Image Size'"
    check_position "step 3" 'Image Size' "$sizer" 407,204
    focus_window "$sizer"
    replace_text 200
    xdotool key Tab
    replace_text 250
    xdotool key Tab Return
    wait_for_no_window 'Image Size' || fail "step 3: OK did not hide 'Image Size'"
    image_size_focus=ok
    if wait_for_size "$main" "200 $((250 + menu_bar))"; then
        pass "step 3: client area resized to 200 x 250"
    else
        fail "step 3: after Image Size 200 x 250 the window is $(window_size "$main") (menu bar $menu_bar)"
    fi

    menu_command "$main" o o || { fail "step 3: Alt+O, O did not reach Snowflake"; return 1; }
    if wait_for_size "$main" "300 $((300 + menu_bar))"; then
        pass "step 3: Snowflake shows a 300 x 300 client area"
    else
        fail "step 3: after Snowflake the window is $(window_size "$main")"
    fi
    local shot="$out/snowflake-start.png"
    screenshot "$main" "$shot"
    check_eq "step 3: the fresh snowflake picture has its one centre pixel" 1 \
        "$(white_pixels "$shot" "300x300+0+$menu_bar")"
    menu_command "$main" o p || { fail "step 3: Alt+O, P did not reach Plant life"; return 1; }
    if wait_for_size "$main" "200 $((250 + menu_bar))"; then
        pass "step 3: Plant life brings back the 200 x 250 client area"
    else
        fail "step 3: after Plant life the window is $(window_size "$main")"
    fi
}

# Step 5: Help, About; Find Text; a word typed and Enter selects it in the help text.
step_about() {
    log "--- step 5: About and Find"
    menu_command "$main" h a || { fail "step 5: Alt+H, A did not reach About"; return 1; }
    local about
    if ! about=$(wait_for_window About); then
        fail "step 5: Alt+H, A opened no 'About' window"
        return 1
    fi
    pass "step 5: Alt+H, A opened 'About'"
    check_position "step 5" About "$about" 380,193
    check_keyboard "step 5" "$about" "'About'"
    sleep 0.3
    local before="$out/about-before-find.png" after="$out/about-after-find.png"
    screenshot "$about" "$before"
    # The Close button has the focus; Tab passes the help box and reaches Find Text.
    xdotool key Tab Tab Return
    local find
    if ! find=$(wait_for_window Find); then
        fail "step 5: Tab, Tab and Enter on Find Text opened no 'Find' dialog"
        return 1
    fi
    pass "step 5: Tab, Tab and Enter on Find Text opened the 'Find' dialog"
    check_keyboard "step 5" "$find" "the 'Find' dialog"
    replace_text wanderer
    xdotool key Return
    if wait_for_no_window Find; then
        pass "step 5: Enter found the word and closed the dialog"
    else
        fail "step 5: the Find dialog stayed open after Enter"
        xdotool key Escape
    fi
    # Only the help box (8,8 185 x 89) is looked at: a selection shows there in the
    # highlight colour, a blue that no unselected text or background has. The repaint that
    # shows it is waited for, whatever the machine's speed.
    local highlighted_before
    highlighted_before=$(highlight_pixels "$before" 185x89+8+8)
    eventually help_box_highlighted "$about" "$after"
    if [ "$highlighted_before" -eq 0 ] && [ "$highlighted_after" -gt 50 ]; then
        pass "step 5: the help box shows a selection ($highlighted_after highlighted pixels)"
    else
        fail "step 5: no selection in the help box (highlighted pixels before $highlighted_before, after $highlighted_after)"
    fi
    check_keyboard "step 5" "$about" "after the search 'About'"
    xdotool key alt+c
    wait_for_no_window About || fail "step 5: Alt+C did not close 'About'"
    check_keyboard "step 5" "$main" "after Close the main window"
}

# Step 6a: Exit with unsaved growth asks "Save?"; No ends the program with status 0.
step_exit_with_prompt() {
    log "--- step 6: Exit with unsaved growth"
    menu_command "$main" o s || { fail "step 6: Alt+O, S did not reach START"; return 1; }
    # The picture is the fresh 200 x 250 one of step 3: wait for the run's wanderers.
    local n
    n=$(poll_white_pixels "$main" "200x245+0+$menu_bar" -ge 10)
    [ "$n" -ge 10 ] || log "only $n wanderers seen before Exit"
    menu_command "$main" f e || { fail "step 6: Alt+F, E did not reach Exit"; return 1; }
    local prompt
    if ! prompt=$(wait_for_window 'Save\?'); then
        fail "step 6: Exit with unsaved growth showed no 'Save?' prompt"
        return 1
    fi
    pass "step 6: Exit with unsaved growth asks 'Save?'"
    check_position "step 6" 'Save?' "$prompt" 395,183
    check_keyboard "step 6" "$prompt" "the 'Save?' prompt"
    # Enter is Yes: the save dialog; cancelling it calls the close off.
    xdotool key Return
    local dialog
    if ! dialog=$(wait_for_window 'Save As'); then
        fail "step 6: Enter in the 'Save?' prompt opened no save dialog"
        return 1
    fi
    pass "step 6: Enter in the 'Save?' prompt opened the save dialog"
    check_keyboard "step 6" "$dialog" "the save dialog"
    xdotool key Escape
    wait_for_no_window 'Save As' || { fail "step 6: Escape did not cancel the save dialog"; return 1; }
    check_eq "step 6: a cancelled save keeps the program running" yes \
        "$(kill -0 "$dla_pid" 2>/dev/null && echo yes || echo no)"
    check_keyboard "step 6" "$main" "after the cancelled close the main window"
    # Escape is No: the program ends.
    menu_command "$main" f e || { fail "step 6: Alt+F, E did not reach Exit a second time"; return 1; }
    prompt=$(wait_for_window 'Save\?') || { fail "step 6: the second Exit showed no 'Save?' prompt"; return 1; }
    check_keyboard "step 6" "$prompt" "the second 'Save?' prompt"
    xdotool key Escape
    if ! wait_for_exit; then
        fail "step 6: Escape (No) in the 'Save?' prompt did not end the program"
        return 1
    fi
    check_eq "step 6: exit status after No" 0 "$exit_status"
}

# Where the image-size window has its focus when it opens: in the width field the first time,
# afterwards on OK, where the last OK left it.
image_size_focus=width

# set_image_size W H: Options, Image Size, the two sizes typed, OK, all from the keyboard.
set_image_size() {
    menu_command "$main" o i || { log "Alt+O, I did not reach Image Size"; return 1; }
    local sizer
    sizer=$(wait_for_window 'Image Size') || { log "no 'Image Size' window"; return 1; }
    wait_for_keyboard "$sizer" || { log "'Image Size' did not take the keyboard"; return 1; }
    [ "$image_size_focus" = ok ] && xdotool key Tab
    replace_text "$1"
    xdotool key Tab
    replace_text "$2"
    xdotool key Tab Return
    wait_for_no_window 'Image Size' || { log "'Image Size' stayed open"; return 1; }
    image_size_focus=ok
}

# help_box_highlighted ID FILE: screenshots the 'About' window into FILE and tells whether its
# help box shows a selection, leaving the count of its highlighted pixels in highlighted_after.
highlighted_after=0
help_box_highlighted() {
    screenshot "$1" "$2"
    highlighted_after=$(highlight_pixels "$2" 185x89+8+8)
    [ "$highlighted_after" -gt 50 ]
}

# wait_for_large_frame ID BEFORE: succeeds once the window's frame is no longer BEFORE (its
# geometry before the new size), is at least 1000 pixels wide and lies within the 1280 x 1024
# screen. Waiting for a frame other than BEFORE matters: after the 1000 x 1000 picture the window
# is already that wide, and a wait on the width alone would end before the 3000 x 3000 one came.
wait_for_large_frame() { eventually large_frame "$1" "$2"; }

large_frame() {
    local x y w h
    read -r x y w h < <(frame_geometry "$1")
    [ "$x $y $w $h" != "$2" ] && [ "$w" -ge 1000 ] && [ "$x" -ge 0 ] && [ "$y" -ge 0 ] &&
        [ $((x + w)) -le 1280 ] && [ $((y + h)) -le 1024 ]
}

# Step 7: pictures too large for the designed place keep the window on the 1280 x 1024 screen;
# one larger than the screen opens its scroll view on the bottom rows, where the plant grows.
step_large_pictures() {
    log "--- step 7: large pictures"
    start_dla
    image_size_focus=width
    if ! main=$(wait_for_window DLA); then
        fail "step 7: the second session showed no DLA window"
        log "dla's output: $(cat "$out/dla.log")"
        return 1
    fi
    local side x y w h before
    for side in 1000 3000; do
        before=$(frame_geometry "$main")
        set_image_size "$side" "$side" || { fail "step 7: could not give the picture $side x $side"; return 1; }
        wait_for_large_frame "$main" "$before" || log "the window's frame for $side x $side did not settle within the screen"
        read -r x y w h < <(frame_geometry "$main")
        log "$side x $side: window (frame included) at $x,$y, $w x $h"
        if [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le 1280 ] && [ $((y + h)) -le 1024 ]; then
            pass "step 7: with a $side x $side picture the window lies within the screen"
        else
            fail "step 7: with a $side x $side picture the window at $x,$y, $w x $h leaves the 1280 x 1024 screen"
        fi
    done
    check_eq "step 7: the 3000 x 3000 picture fills the screen in a scroll view" "0 0 1280 1024" "$x $y $w $h"
    local shot="$out/large-picture.png" strip
    read -r x y w h < <(window_geometry "$main")
    screenshot "$main" "$shot"
    strip=$(white_pixels "$shot" "${w}x60+0+$((h - 60))")
    if [ "$strip" -gt 4000 ]; then
        pass "step 7: the scroll view opened on the white base strip ($strip white pixels at its foot)"
    else
        fail "step 7: the scroll view does not show the bottom rows ($strip white pixels at its foot)"
    fi
}

# Step 9: keys typed while a large picture is cleared reach the main window once it is done.
# Clearing 20000 x 20000 pixels (1.2 GB) takes about a second from OK on: Alt+O, typed as soon
# as the window has gone and aimed at no window, must open the Options list afterwards.
step_keys_during_a_long_reset() {
    log "--- step 9: keys typed while Image Size clears a large picture"
    set_image_size 20000 20000 || { fail "step 9: could not give the picture 20000 x 20000"; return 1; }
    xdotool key alt+o
    if wait_for_menu open; then
        pass "step 9: Alt+O typed during the clearing opened the Options list"
    else
        fail "step 9: Alt+O typed during the clearing went nowhere (focus on $(xdotool getwindowfocus -f 2>/dev/null))"
    fi
    xdotool key Escape
    menu_open && xdotool key Escape
    wait_for_menu closed || fail "step 9: Escape did not close the Options list"
    check_keyboard "step 9" "$main" "after the clearing the main window"
    # Back to the size of step 7, so that the next step runs on the picture it expects.
    set_image_size 3000 3000 || { fail "step 9: could not give the picture 3000 x 3000 again"; return 1; }
}

# Step 8: during a run, with Num Points, Image Size, About and its Find dialog open, Exit asks
# about the growing picture and No ends the program. (Should the run end first, the picture
# still has unsaved growth: the same question, the same end.)
step_exit_with_windows_open() {
    log "--- step 8: Exit during a run with every other window open"
    menu_command "$main" o s || { fail "step 8: Alt+O, S did not reach START"; return 1; }
    menu_command "$main" o t || { fail "step 8: Alt+O, T did not reach To Limit"; return 1; }
    menu_command "$main" o n || { fail "step 8: Alt+O, N did not reach Num Points"; return 1; }
    wait_for_window 'Number of points' >/dev/null || { fail "step 8: no 'Number of points' window"; return 1; }
    menu_command "$main" o i || { fail "step 8: Alt+O, I did not reach Image Size"; return 1; }
    wait_for_window 'Image Size' >/dev/null || { fail "step 8: no 'Image Size' window"; return 1; }
    menu_command "$main" h a || { fail "step 8: Alt+H, A did not reach About"; return 1; }
    local about prompt
    about=$(wait_for_window About) || { fail "step 8: no 'About' window"; return 1; }
    wait_for_keyboard "$about" || { fail "step 8: 'About' did not take the keyboard"; return 1; }
    xdotool key Tab Tab Return
    wait_for_window Find >/dev/null || { fail "step 8: no 'Find' dialog"; return 1; }
    pass "step 8: Number of points, Image Size, About and Find are open"
    menu_command "$main" f e || { fail "step 8: Alt+F, E did not reach Exit"; return 1; }
    prompt=$(wait_for_window 'Save\?') || { fail "step 8: Exit with growth showed no 'Save?' prompt"; return 1; }
    focus_window "$prompt"
    xdotool key alt+n
    if ! wait_for_exit; then
        fail "step 8: Exit with every window open did not end the program"
        return 1
    fi
    check_eq "step 8: exit status of Exit with every window open" 0 "$exit_status"
}
