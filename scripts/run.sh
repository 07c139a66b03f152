#!/usr/bin/env bash
# Sets everything up and starts the host with the plug-in, as a user would.
# Without a display it runs under Xvfb.
#   scripts/run.sh [host options...]
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
"$top/scripts/build.sh" "$top/build"

host=("$top/build/bin/mimicry-host" "$@")
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: running under Xvfb."
    exec xvfb-run -a -s "-screen 0 1600x1000x24" "${host[@]}"
fi
exec "${host[@]}"
