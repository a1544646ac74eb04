#!/usr/bin/env bash
# Builds and runs every test: the unit and end-to-end suites in a debug build
# and again under the address and undefined-behaviour sanitizers.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

for preset in debug asan; do
  echo "== $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done

# The Windows program, cross-built with MinGW-w64 from the same sources, and
# its unit and end-to-end tests run under Wine (in a Wine prefix of the build
# folder's own). Skipped where the cross compiler, Wine or GoogleTest's
# sources are missing.
if command -v x86_64-w64-mingw32-g++-posix >/dev/null && command -v wine >/dev/null &&
  [ -f /usr/src/googletest/CMakeLists.txt ]; then
  echo "== windows"
  cmake --preset windows >/dev/null
  cmake --build --preset windows -j "$jobs"
  ctest --preset windows -j "$jobs"
else
  echo "== windows: skipped (needs x86_64-w64-mingw32-g++-posix, wine and /usr/src/googletest)"
fi
