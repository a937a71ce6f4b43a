#!/usr/bin/env bash
# Configures once and builds incrementally into build/; with --sanitize, the core and its
# tests with AddressSanitizer and UndefinedBehaviorSanitizer into build-sanitize/.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = "--sanitize" ]; then
  build="$root/build-sanitize"
  options+=(-DVERIMOND_SANITIZE=ON -DVERIMOND_BENCH=OFF)
fi
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja "${options[@]}"
fi
cmake --build "$build" -j "$(nproc)"
