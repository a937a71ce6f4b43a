#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite. With --sanitize, the
# same suite built with AddressSanitizer and UndefinedBehaviorSanitizer (build-sanitize/).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"
if [ "${1:-}" = "--sanitize" ]; then
  build="$root/build-sanitize"
elif [ $# -gt 0 ]; then
  echo "usage: bash scripts/test.sh [--sanitize]" >&2
  exit 2
fi
"$root/scripts/install-deps.sh" tests
"$root/scripts/build.sh" "$@"
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)"
