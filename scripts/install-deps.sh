#!/bin/bash
# Installs what a fresh Debian 12 machine lacks to build, run and test.
set -euo pipefail
PKGS=(build-essential cmake pkg-config libgtk2.0-dev libgtest-dev
      xvfb xauth xdotool x11-utils x11-apps faketime imagemagick
      fonts-dejavu-core valgrind python3 openbox fluxbox icewm)
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
