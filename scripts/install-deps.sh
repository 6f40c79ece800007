#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing K7 need.
# Safe to run again: it only calls apt-get when something is missing.
set -euo pipefail

packages=(
  g++ cmake make pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite
  qt6-serialport-dev qt6-multimedia-dev
  libsqlite3-dev sqlite3
  socat xvfb xauth python3
  ccache mdbtools-dev libreadstat-dev libxlsxwriter-dev zlib1g-dev
  libpq-dev postgresql
  clang libclang-rt-14-dev
  # the manual: its converter and the tools that make its screenshots
  cmark-gfm imagemagick
  # the Debian package, its icon and its checks (scripts/ci-package.sh)
  dpkg-dev file librsvg2-bin lintian desktop-file-utils appstream shared-mime-info xdg-utils
  libfile-mimeinfo-perl xdotool x11-utils
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
