#!/bin/bash
# help2man runs this in place of a program: PROGRAM's --help, with each paragraph that starts
# "Label: text" (dla-grow's "Examples:", "Exit status:") turned into the heading help2man makes a
# section of (*Label*), and the lines under "Examples:" into commands ("  $ ...") that it sets
# one a line in a fixed-width font.
# Usage: help-for-man.sh PROGRAM --help|--version
set -o pipefail
program=$1
shift
if [ "${1:-}" != --help ]; then
    exec "$program" "$@"
fi
"$program" --help | awk '
    /^[A-Z][a-z ]*: ./ && !/^Usage:/ {
        colon = index($0, ":")
        heading = substr($0, 1, colon)
        text = substr($0, colon + 1)
        sub(/^ +/, "", text)
        examples = heading == "Examples:"
        if (examples) {
            print heading
            print "  $ " text
        } else {
            print "*" substr(heading, 1, colon - 1) "*"
            print text
        }
        next
    }
    examples && /^ +[^ ]/ { sub(/^ +/, "  $ "); print; next }
    { if ($0 == "") examples = 0; print }'
