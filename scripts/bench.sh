#!/bin/bash
# Benchmark: start, CPU, memory and per-call costs of the program against
# small GTK+ 2 yardsticks, all on one private headless X server.
#   scripts/bench.sh [BUILD_DIR]     (make bench BUILD=...)
# BENCH_SECONDS (default 60) shortens the CPU run for a quick look;
# BENCH_RUNS (default 9) is the number of starts of each program.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-build}
case "$BUILD" in /*) ;; *) BUILD="$ROOT/$BUILD" ;; esac

# A new build dir gets the program and the benchmark, not the suite; an
# existing one keeps its other settings but must have the benchmark on.
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPYRO_TESTS=OFF -DPYRO_BENCH=ON >/dev/null
elif ! grep -q '^PYRO_BENCH:BOOL=ON$' "$BUILD/CMakeCache.txt"; then
  cmake -S "$ROOT" -B "$BUILD" -DPYRO_BENCH=ON >/dev/null
fi
# make bench has built these already; a direct call needs them.
cmake --build "$BUILD" --target bench_driver -j "$(nproc)" >/dev/null

type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$BUILD/CMakeCache.txt")
sanitize=$(sed -n 's/^PYRO_SANITIZE:[A-Z]*=//p' "$BUILD/CMakeCache.txt")
if [ "$type" = Debug ] || [ "$sanitize" = ON ]; then
  echo "bench: $BUILD is a $type build (sanitizers: ${sanitize:-OFF}): the figures are not the program's" >&2
fi

# A private headless server, as the tests use.
exec env -u PYRO_USE_DISPLAY "$ROOT/tests/run-with-display.sh" "$BUILD/bench/bench_driver"
