#!/usr/bin/env bash
# Installs every Debian package the textbook needs to build, test and run. Safe to run again:
# apt-get skips what is already there. Run as root (or with sudo available).
set -euo pipefail

packages=(
    # build
    build-essential cmake ninja-build pkg-config clang-format dpkg-dev file git
    qt6-base-dev qt6-base-dev-tools libgl-dev libqt6charts6-dev
    qt6-webengine-dev qt6-webengine-dev-tools
    libsqlite3-dev libbenchmark-dev libxcb1-dev libpq-dev libstemmer-dev
    # the class-room server: the test cluster and the server's client
    postgresql-15 postgresql-client-15
    # run: the JPEG plugin, the web engine's helper process, Qt's own texts in Russian
    qt6-image-formats-plugins libqt6webenginecore6-bin libqt6svg6 qt6-translations-l10n
    # fonts with Cyrillic for the faces the windows and pages name (see fonts.conf)
    fontconfig fonts-dejavu-core fonts-liberation2 fonts-urw-base35
    # real-window tests, screenshots and start-up measurements
    xvfb xauth xdotool xclip x11-utils imagemagick sqlite3 poppler-utils libx11-dev libxfixes-dev
    libxtst-dev
    # the desktop's "open with" service for presentations
    xdg-utils
    # packaging checks
    desktop-file-utils appstream
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    echo "install-deps: all packages present"
    exit 0
fi

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
