#!/usr/bin/env bash
# Runs a command on an X server of its own (Xvfb, on a display number it
# picks itself) with openbox managing the windows, as on a desktop; both go
# when the command ends.
#   with-window-manager.sh <command> [arguments...]
set -euo pipefail

for tool in Xvfb openbox xprop; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "$tool is missing (scripts/install-deps.sh installs it)" >&2
        exit 1
    fi
done

work=$(mktemp -d)
xvfb_pid=
openbox_pid=
command_pid=
finish() {
    for pid in $command_pid $openbox_pid $xvfb_pid; do
        kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap finish EXIT
# A test's timeout or Ctrl-C must not leave the server behind.
trap 'exit 143' TERM INT HUP

# Xvfb writes the display number it took once it accepts connections.
Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || { cat "$work/xvfb.log" >&2; exit 1; }
    sleep 0.1
done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(head -n1 "$work/display")

# The manager is ready once it has claimed the root window.
HOME=$work openbox --sm-disable >"$work/openbox.log" 2>&1 &
openbox_pid=$!
for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    kill -0 "$openbox_pid" 2>/dev/null || { cat "$work/openbox.log" >&2; exit 1; }
    sleep 0.1
done
xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' || { echo "openbox did not start" >&2; exit 1; }

export QT_QPA_PLATFORM=xcb
# libxkbcommon-x11, which Qt's xcb plug-in uses, hands strndup() buffers
# without a terminating NUL: a sanitized program would stop on the strict
# string check before it could open a window.
if [ -n "${ASAN_OPTIONS:-}" ]; then
    export ASAN_OPTIONS=$ASAN_OPTIONS:strict_string_checks=0
fi

# In the background, so that a signal is handled at once.
"$@" &
command_pid=$!
status=0
wait "$command_pid" || status=$?
command_pid=
exit $status
