#!/bin/bash
# Installs what a fresh Debian 12 machine lacks for the given tasks:
#   scripts/install-deps.sh run|test|bench|screenshot ...
# Each task gets only its own packages; what is installed already is skipped.
set -euo pipefail

# Building and starting the program. libgtk2.0-dev brings the X11 headers and
# glib-compile-resources; the captions are drawn in DejaVu.
RUN=(build-essential cmake pkg-config libgtk2.0-dev fonts-dejavu-core)
# The suite: googletest, its private headless X servers, X input and window
# queries from outside, the sped-up clock, memcheck, and the window managers
# the end-to-end tests run under.
TEST=("${RUN[@]}" libgtest-dev xvfb xauth xdotool x11-utils x11-apps faketime
      imagemagick valgrind python3 openbox fluxbox icewm twm metacity)
# The benchmark runs everything on one private headless X server.
BENCH=("${RUN[@]}" xvfb)
# The screenshot: headless server, the pointer moved away, the window grabbed.
SCREENSHOT=("${RUN[@]}" xvfb xdotool imagemagick)

usage() {
  echo "usage: $0 run|test|bench|screenshot ..." >&2
  exit 2
}
[ $# -ge 1 ] || usage

pkgs=()
for task in "$@"; do
  case "$task" in
    run) pkgs+=("${RUN[@]}") ;;
    test) pkgs+=("${TEST[@]}") ;;
    bench) pkgs+=("${BENCH[@]}") ;;
    screenshot) pkgs+=("${SCREENSHOT[@]}") ;;
    *) usage ;;
  esac
done

missing=()
for p in "${pkgs[@]}"; do
  case " ${missing[*]} " in *" $p "*) continue ;; esac
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "installing: ${missing[*]}"
$SUDO apt-get update -qq
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
