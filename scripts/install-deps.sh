#!/usr/bin/env bash
# Installs the Debian packages that building, testing and the real-window tests need.
# Does nothing when every package is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev
  qt6-webengine-dev qt6-webengine-dev-tools
  qt6-charts-dev
  libgl-dev libxkbcommon-dev libfontconfig-dev
  fonts-liberation fonts-dejavu-core
  locales
  xvfb xauth xdotool xclip imagemagick x11-utils openbox python3 python3-xlib
  dbus-daemon dbus-bin at-spi2-core python3-pyatspi
  strace time
  dpkg-dev file desktop-file-utils appstream lintian
  qt6-wayland weston
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  if [ "$(id -u)" -ne 0 ]; then
    sudo=sudo
  else
    sudo=
  fi
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The conversions and the clock follow the user's locale; the tests run under these two.
need_locale=0
for loc in en_US.utf8 de_DE.utf8 en_GB.utf8; do
  locale -a 2>/dev/null | grep -qx "$loc" || need_locale=1
done
if ((need_locale)); then
  if [ "$(id -u)" -ne 0 ]; then sudo=sudo; else sudo=; fi
  for loc in "en_US.UTF-8 UTF-8" "de_DE.UTF-8 UTF-8" "en_GB.UTF-8 UTF-8"; do
    grep -qx "$loc" /etc/locale.gen 2>/dev/null || echo "$loc" | $sudo tee -a /etc/locale.gen >/dev/null
  done
  $sudo locale-gen >/dev/null
fi
