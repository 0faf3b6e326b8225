#!/usr/bin/env bash
# Builds everything into BUILD_DIR (default: build/): third-party artifacts, the five programs,
# the test programs and dist/ (what ships to a Windows PC).
#   scripts/build.sh [BUILD_DIR] [ARCH]     ARCH: i686 (default, the shipped build) or x86_64
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$top/build}
arch=${2:-i686}
"$top/scripts/setup.sh" "$build" "$arch"
cmake -S "$top" -B "$build" -G "Unix Makefiles" \
  -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-$arch.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)"
