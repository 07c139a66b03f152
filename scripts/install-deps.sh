#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Safe to run again: it installs only what is missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qtbase5-dev qtdeclarative5-dev libqt5websockets5-dev libqt5sensors5-dev
    qml-module-qtquick-controls qml-module-qtquick-dialogs qml-module-qtquick-layouts
    qml-module-qtquick-window2 qml-module-qtsensors qml-module-qttest qml-module-qtquick2
    qttools5-dev-tools qtchooser qttranslations5-l10n
    libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-tools
    qml-module-qt3d qml-module-qtquick-scene3d qt3d-defaultgeometryloader-plugin libgl1-mesa-dri
    dbus openssh-client openssh-server xvfb xauth x11-utils imagemagick gpsbabel
)
# Node.js comes with npm on these machines; Debian's npm only where it does not.
command -v npm >/dev/null 2>&1 || packages+=(nodejs npm)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]}" >&2
    echo "Run this script as root, or install them with apt-get." >&2
    exit 1
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
