#!/usr/bin/env bash
# Configures once and builds incrementally into build/; with --sanitize, the core and its
# tests with AddressSanitizer and UndefinedBehaviorSanitizer into build-sanitize/.
# Targets given after the options are built alone (run.sh builds only the program, the
# admin tool and the runtime folder: "runtime"); without them, everything.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = "--sanitize" ]; then
  shift
  build="$root/build-sanitize"
  options+=(-DVERIMOND_SANITIZE=ON -DVERIMOND_BENCH=OFF)
fi
targets=()
for target in "$@"; do
  targets+=(--target "$target")
done
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja "${options[@]}"
fi
cmake --build "$build" -j "$(nproc)" "${targets[@]}"
