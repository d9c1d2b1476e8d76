#!/bin/bash
# help2man runs this in place of a program: PROGRAM's --help, with each paragraph that starts
# "Label: text" or "Label (note): text" (dla-grow's "Examples:", "Exit status:", "Summary (the
# keys ...):") turned into the heading help2man makes a section of (*Label*), the lines under
# "Examples:" into commands ("  $ ...") that it sets one a line in a fixed-width font, and a
# section's indented list of "  key: text" into one tagged paragraph a key.
# Usage: help-for-man.sh PROGRAM --help|--version
set -o pipefail
program=$1
shift
if [ "${1:-}" != --help ]; then
    exec "$program" "$@"
fi
"$program" --help | awk '
    # help2man takes a line of its own as the tag when the text starts on the next line at
    # this indent, and joins the lines at the same indent into the text.
    function tagged(line) {
        return sprintf("%-" KEY_TEXT_INDENT "s", "") line
    }
    BEGIN { KEY_TEXT_INDENT = 24 }
    paragraph_start && /^[A-Z][a-z ]*( \(|: .)/ && !/^Usage:/ {
        label_end = match($0, / \(|:/)
        heading = substr($0, 1, label_end - 1)
        text = substr($0, label_end + 1)
        sub(/^ +/, "", text)
        # "Label (note):" reads "Label" and "Note." under it.
        in_note = sub(/^\(/, "", text)
        if (in_note) {
            text = toupper(substr(text, 1, 1)) substr(text, 2)
            if (sub(/\):$/, ".", text))
                in_note = 0
        }
        examples = heading == "Examples"
        in_section = 1
        if (examples) {
            print heading ":"
            print "  $ " text
        } else {
            print "*" heading "*"
            print text
        }
        paragraph_start = 0
        next
    }
    examples && /^ +[^ ]/ { sub(/^ +/, "  $ "); print; next }
    in_note && /^[^ ]/ {
        if (sub(/\):$/, "."))
            in_note = 0
        print
        next
    }
    in_section && !examples && /^  [a-z_]+: / {
        colon = index($0, ":")
        print "  " substr($0, 3, colon - 3)
        text = substr($0, colon + 1)
        sub(/^ +/, "", text)
        print tagged(text)
        in_key = 1
        next
    }
    in_key && /^  [^ ]/ { sub(/^ +/, ""); print tagged($0); next }
    {
        in_key = 0
        if ($0 == "") {
            examples = 0
            in_section = 0
            in_note = 0
        }
        paragraph_start = $0 == ""
        print
    }'
