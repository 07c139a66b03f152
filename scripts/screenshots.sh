#!/usr/bin/env bash
# Saves a picture of every page of the Mimicry window, and of the Sensors
# Values page in Russian, into a folder. The host and the simulated emulator
# run with settings of their own on an X server of their own, with a window
# manager; all of it goes when the script ends.
#   scripts/screenshots.sh <folder>
# The build tree is build/ (built first), or $MIMICRY_BUILD_DIR.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)

if [ "${1:-}" != --inside ]; then
    if [ $# -ne 1 ]; then
        echo "usage: $0 <folder>" >&2
        exit 2
    fi
    mkdir -p "$1"
    folder=$(cd "$1" && pwd)
    build=${MIMICRY_BUILD_DIR:-$top/build}
    "$top/scripts/install-deps.sh"
    "$top/scripts/build.sh" "$build"
    exec "$top/scripts/with-window-manager.sh" "$0" --inside "$build" "$folder"
fi

build=$2
folder=$3
mkdir -p "$folder"
work=$(mktemp -d)
host_pid=
window=

fail() {
    echo "screenshots: $*" >&2
    for log in "$work"/host-*.log; do
        [ -f "$log" ] && { echo "--- $log" >&2; tail -n 20 "$log" >&2; }
    done
    exit 1
}

# The emulator goes when its host does (and stops its own services); one
# that outlives it is ended here.
stop_host() {
    if [ -n "$host_pid" ]; then
        kill "$host_pid" 2>/dev/null || true
        wait "$host_pid" 2>/dev/null || true
        host_pid=
    fi
    local pid_file=$work/emulators/1/run/pid pid
    [ -s "$pid_file" ] || return 0
    pid=$(cat "$pid_file")
    for _ in $(seq 50); do
        [ "$(readlink "/proc/$pid/exe" 2>/dev/null)" = "$build/bin/mimicry-emulator" ] || return 0
        sleep 0.1
    done
    kill "$pid" 2>/dev/null || true
}

finish() {
    stop_host
    rm -rf "$work"
}
trap finish EXIT
trap 'exit 143' TERM INT HUP

# Starts the host in a language and waits for the Mimicry window it opens
# through its menu entry.
start_host() {
    local language=$1 id name
    mkdir -p "$work/$language"
    printf '[%%General]\nOverrideLanguage=%s\n' "$language" >"$work/$language/host.ini"
    "$build/bin/mimicry-host" -settingspath "$work/$language" \
        -emulators "$work/emulators.ini" --show-mimicry >"$work/host-$language.log" 2>&1 &
    host_pid=$!
    window=
    # The emulator starts, its packages are checked, the channel connects.
    for _ in $(seq 600); do
        kill -0 "$host_pid" 2>/dev/null || fail "the host ended"
        for id in $(xdotool search --onlyvisible --pid "$host_pid" 2>/dev/null || true); do
            name=$(xdotool getwindowname "$id")
            [ "$name" = "Mimicry Host" ] && continue
            eval "$(xdotool getwindowgeometry --shell "$id")"
            # Anything smaller is a message box that says what went wrong.
            [ "$WIDTH" -ge 600 ] || fail "the host shows \"$name\" instead of the window"
            window=$id
        done
        [ -n "$window" ] && return 0
        sleep 0.2
    done
    fail "no Mimicry window within 120 s"
}

# Pictures of the window until two in a row are alike (at most 10 s, for
# a blinking cursor); prints the pixels' signature.
capture() {
    local file=$1 previous= current
    for _ in $(seq 50); do
        import -window "$window" "$work/shot.png"
        current=$(identify -format '%#' "$work/shot.png")
        [ "$current" = "$previous" ] && break
        previous=$current
        sleep 0.2
    done
    mv "$work/shot.png" "$file"
    echo "$current"
}

# The page buttons are a column of equal buttons at the left; the active
# one (Sensors Values, the second, when the window opens) stands out from
# the background. Prints the top of the column and the buttons' height.
measure_buttons() {
    convert "$1" -crop 1x400+4+0 +repage txt:- | awk -F'[ ,:]+' '
        NR == 1 { next }
        NR == 2 { background = $0; sub(/^[^ ]* /, "", background) }
        {
            colour = $0; sub(/^[^ ]* /, "", colour)
            if (start == "" && colour != background) start = $2
            else if (start != "" && colour == background) { print start, $2 - start; exit }
        }'
}

start_host en
values=$(capture "$folder/sensors-values.png")
read -r active_top height < <(measure_buttons "$folder/sensors-values.png") || true
[ -n "${height:-}" ] && [ "$height" -gt 10 ] || fail "cannot find the page buttons"
column_top=$((active_top - height))

previous=$values
index=0
for page in sensors-management sensors-values orientation-management gps-management camera-management; do
    if [ "$page" != sensors-values ]; then
        xdotool mousemove --window "$window" 20 $((column_top + index * height + height / 2)) click 1
        shot=$(capture "$folder/$page.png")
        [ "$shot" != "$previous" ] || fail "the $page page did not open"
        previous=$shot
    fi
    index=$((index + 1))
done
stop_host

start_host ru
capture "$folder/sensors-values-ru.png" >/dev/null
echo "Saved: $(cd "$folder" && ls *.png | tr '\n' ' ')"
