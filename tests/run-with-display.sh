#!/bin/bash
# Runs a test program under a private headless X server (no window manager).
# -noreset: the server must not reset when a client disconnects.
set -u
if [ -n "${PYRO_USE_DISPLAY:-}" ] && [ -n "${DISPLAY:-}" ]; then
  exec "$@"
fi
exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset -nolisten tcp" "$@"
