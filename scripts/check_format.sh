#!/usr/bin/env bash
# Fails when a tracked C++ source drifts from .clang-format; `clang-format -i FILE` mends it.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || bash scripts/install-deps.sh tests
git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
