#!/bin/bash
# Runs a command under a private headless X server (no window manager).
# The server picks a free display itself (-displayfd), which stays safe when
# many of these start at once; xvfb-run -a can hand two of them one number.
# -noreset: the server must not reset when a client disconnects.
set -u
if [ -n "${PYRO_USE_DISPLAY:-}" ] && [ -n "${DISPLAY:-}" ]; then
  exec "$@"
fi

dir=$(mktemp -d)
server=
cleanup() {
  if [ -n "$server" ]; then
    kill "$server" 2>/dev/null
    wait "$server" 2>/dev/null
  fi
  rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 143' TERM
trap 'exit 130' INT

# A plain file, not a pipe: the server writes the number and the newline
# apart, and a pipe closed in between would kill it.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -noreset -nolisten tcp \
  3>"$dir/display" 2>"$dir/server.log" &
server=$!
for _ in $(seq 1 200); do
  [ "$(wc -l <"$dir/display")" -ge 1 ] && break
  if ! kill -0 "$server" 2>/dev/null; then
    echo "run-with-display: X server failed to start" >&2
    cat "$dir/server.log" >&2
    server=
    exit 1
  fi
  sleep 0.1
done
number=$(head -n 1 "$dir/display")
if [ -z "$number" ]; then
  echo "run-with-display: X server gave no display number" >&2
  cat "$dir/server.log" >&2
  exit 1
fi

DISPLAY=":$number" "$@"
