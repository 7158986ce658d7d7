#!/bin/bash
# Makes docs/screenshot.png headless: starts the program under Xvfb, waits
# for a few simulated minutes, and grabs its window.
set -euo pipefail
BUILD=${1:-build}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OUT=${2:-$ROOT/docs/screenshot.png}
mkdir -p "$(dirname "$OUT")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat > "$work/shot.sh" <<EOS
#!/bin/bash
cd "$work"
"$ROOT/$BUILD/pyrovantika" 2>"$work/stderr" &
pid=\$!
xdotool mousemove 1270 1010
sleep 5
wid=\$(xdotool search --onlyvisible --name "^PYROVANTIKA 3" | head -1)
import -window "\$wid" "$OUT"
kill \$pid
wait \$pid || true
EOS
chmod +x "$work/shot.sh"
env -u PYRO_USE_DISPLAY "$ROOT/tests/run-with-display.sh" "$work/shot.sh"
echo "wrote $OUT"
