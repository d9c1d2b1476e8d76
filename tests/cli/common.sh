# Shared by the dla-grow tests: a scratch folder, a runner that keeps output apart from the
# folder dla-grow writes into, and a tally of failed checks.
# Usage in a test: source common.sh "$@"; ... checks ...; finish

set -u
GROW=$(realpath "$1")
scratch=$(mktemp -d)
trap 'chmod -R u+w "$scratch" 2>/dev/null; rm -rf "$scratch"' EXIT
mkdir "$scratch/run"
cd "$scratch/run" || exit 1
OUT=$scratch/stdout
ERR=$scratch/stderr
failures=0

fail()
{
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# grow ARGS...: runs dla-grow in the run folder; sets $status, output in $OUT and $ERR.
grow()
{
    "$GROW" "$@" >"$OUT" 2>"$ERR"
    status=$?
}

# expect_status WHAT N
expect_status()
{
    [ "$status" -eq "$2" ] || fail "$1: exit status $status, expected $2 (stderr: $(head -c 300 "$ERR"))"
}

# expect_one_error_line WHAT TEXT: stderr is exactly one line, "dla-grow: ...", holding TEXT.
expect_one_error_line()
{
    local lines
    lines=$(wc -l <"$ERR")
    [ "$lines" -eq 1 ] || fail "$1: $lines lines on stderr, expected one: $(cat "$ERR")"
    grep -q '^dla-grow: ' "$ERR" || fail "$1: stderr does not start with 'dla-grow: ': $(cat "$ERR")"
    grep -qF -- "$2" "$ERR" || fail "$1: stderr does not mention '$2': $(cat "$ERR")"
}

# expect_nothing_written WHAT: the run folder holds exactly what it held before (nothing).
expect_nothing_written()
{
    local left
    left=$(ls -A)
    [ -z "$left" ] || fail "$1: left files behind: $left"
    rm -rf -- ./* ./.[!.]* 2>/dev/null
}

# expect_bmp WHAT FILE WIDTH HEIGHT: an uncompressed 24-bit BMP of that size, read back by
# ImageMagick, with the length the row layout gives.
expect_bmp()
{
    local what=$1 file=$2 width=$3 height=$4
    if [ ! -f "$file" ]; then
        fail "$what: $file was not written"
        return
    fi
    local described
    described=$(identify -format '%m %w %h %z %r' "$file" 2>&1)
    case "$described" in
        "BMP3 $width $height 8 DirectClass"*) ;;
        *) fail "$what: identify says '$described', expected a $width x $height BMP3 of 8 bits per channel" ;;
    esac
    local bits
    bits=$(od -An -tu2 -j28 -N2 "$file" | tr -d ' ')
    [ "$bits" = 24 ] || fail "$what: $bits bits per pixel in the header, expected 24"
    local rowBytes=$(((3 * width + 3) / 4 * 4))
    local size
    size=$(stat -c %s "$file")
    [ "$size" -eq $((54 + rowBytes * height)) ] || fail "$what: $size bytes, expected $((54 + rowBytes * height))"
}

# grow_limited KIB ARGS...: grow ARGS under an address-space limit (ulimit -v) of KIB KiB.
grow_limited()
{
    local limit=$1
    shift
    (ulimit -v "$limit" && exec "$GROW" "$@") >"$OUT" 2>"$ERR"
    status=$?
}

# smallest_limit ARGS...: prints the smallest address-space limit (up to 1 GiB, in KiB to
# within 64 KiB) under which `dla-grow ARGS` ends with status 0 (ARGS write into the run folder;
# what they wrote is removed). Limits are found this way rather than written down, so that they hold for
# whatever this build and its libraries map.
smallest_limit()
{
    local low=0 high=$((1024 * 1024)) middle
    while [ $((high - low)) -gt 64 ]; do
        middle=$(((low + high) / 2))
        if (ulimit -v "$middle" && exec "$GROW" "$@") >/dev/null 2>&1; then
            high=$middle
        else
            low=$middle
        fi
        rm -rf -- ./* ./.[!.]* 2>/dev/null
    done
    echo "$high"
}

finish()
{
    if [ "$failures" -ne 0 ]; then
        echo "$failures check(s) failed"
        exit 1
    fi
    echo "all checks passed"
    exit 0
}
