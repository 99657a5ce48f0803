#!/bin/sh
# Installs the Debian 12 packages Lexfall needs to build, run, test and package,
# skipping those already present.
set -eu

PACKAGES="
  ca-certificates make cmake g++ pkg-config
  libwxgtk3.2-dev libcairo2-dev libfreetype-dev libfontconfig-dev libharfbuzz-dev libglu1-mesa-dev
  wordnet-dev wordnet-base libtbb-dev libcli11-dev nlohmann-json3-dev zlib1g-dev
  libgif-dev libwebp-dev libpng-dev libavcodec-dev libavformat-dev libswscale-dev libavutil-dev
  fonts-liberation2 fonts-urw-base35 fonts-dejavu-core fonts-wqy-zenhei python3 python3-fonttools
  libgtest-dev libbenchmark-dev libbox2d-dev
  xvfb xauth xdotool imagemagick x11-utils ffmpeg chromium
  help2man librsvg2-bin dpkg-dev file lintian appstream desktop-file-utils shared-mime-info
  fonts-dejavu-core
"

missing=""
for pkg in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $pkg"
  fi
done

if [ -z "$missing" ]; then
  echo "install-deps: every package is already installed"
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: these packages are missing:$missing" >&2
  echo "install-deps: run this script as root (for example with sudo) to install them" >&2
  exit 1
fi

echo "install-deps: installing$missing"
export DEBIAN_FRONTEND=noninteractive
apt-get update
# shellcheck disable=SC2086
apt-get install -y --no-install-recommends $missing
