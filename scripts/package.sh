#!/usr/bin/env bash
# Installs what is missing, builds, and makes the Debian package and the source tarball:
#   build/verimond_<version>_<arch>.deb   for: apt install ./build/verimond_<version>_<arch>.deb
#   build/verimond-<version>.tar.gz       the source tree for another machine (no build folders, no .git)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh" package
# What the package installs: the program, the admin tool and the manual pages.
"$root/scripts/build.sh" runtime manpages
cd "$root/build"
cpack -G DEB
cpack --config CPackSourceConfig.cmake
