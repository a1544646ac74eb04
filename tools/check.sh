#!/usr/bin/env bash
# Builds and runs every test: the page quivor.html, the unit, end-to-end and
# browser suites in a debug build and again under the address and
# undefined-behaviour sanitizers, then the fuzz targets for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

# The page quivor.html (Emscripten), which the debug and sanitizer tests
# then check in a browser against their programs (browser.web). Skipped
# where Debian's emscripten is missing.
# The release archives then hold the page too.
release_page=""
page_check=()
if command -v em++ >/dev/null; then
  echo "== web (at ${SECONDS} s)"
  cmake --preset web >/dev/null
  cmake --build --preset web -j "$jobs"
  release_page="$PWD/build/web/quivor.html"
  page_check=(--page build/web/quivor.html)
else
  echo "== web: skipped (needs em++, Debian's emscripten)"
fi

for preset in debug asan; do
  echo "== $preset (at ${SECONDS} s)"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done

# The project's version, as a build folder's cache holds it.
project_version() { sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$1/CMakeCache.txt"; }

# The Linux release archive, made as `cmake --build --preset release --target
# package` makes it, in a folder of its own without the tests (the same
# configuration, less to build), and checked as a student gets it: exactly
# the expected files, and the programs, unpacked in a fresh folder, run on an
# example (tests/release/package_test.py).
echo "== release package (at ${SECONDS} s)"
cmake --preset release -B build/release-package -DQUIVOR_TESTS=OFF \
  "-DQUIVOR_RELEASE_PAGE=$release_page" >/dev/null
cmake --build build/release-package -j "$jobs" --target package
version=$(project_version build/release-package)
python3 tests/release/package_test.py --version "$version" --source . \
  --archive "build/release-package/quivor-$version-linux-x86_64.tar.gz" \
  --guide build/release-package/LEIA-ME.html "${page_check[@]}"

# Fuzzing: each libFuzzer target for 60 seconds from the seed corpus (all at
# once), under the address and undefined-behaviour sanitizers.
# A crash, a leak, a broken check, an input slower than 10 s or one run above
# 2 GB is a finding: its input is kept in build/fuzz/findings/ and the script
# fails. Skipped where clang or its libFuzzer runtime is missing.
fuzz_available() {
  command -v clang++ >/dev/null || return 1
  local probe
  probe=$(mktemp -d)
  printf 'extern "C" int LLVMFuzzerTestOneInput(const char*, unsigned long) { return 0; }\n' \
    >"$probe/probe.cpp"
  clang++ -fsanitize=fuzzer,address,undefined "$probe/probe.cpp" -o "$probe/probe" \
    >/dev/null 2>&1
  local status=$?
  rm -rf "$probe"
  return $status
}

if fuzz_available; then
  echo "== fuzz (at ${SECONDS} s)"
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz -j "$jobs" --target fuzz_free_form_read fuzz_whole_run fuzz_study
  ctest --preset fuzz -j "$jobs"
  mkdir -p build/fuzz/findings
  targets=(free_form_read whole_run study)
  pids=()
  for target in "${targets[@]}"; do
    mkdir -p "build/fuzz/corpus/$target"
    build/fuzz/fuzz/fuzz_$target -max_total_time=60 -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -dict=fuzz/model.dict \
      -artifact_prefix="build/fuzz/findings/$target-" \
      "build/fuzz/corpus/$target" build/fuzz/fuzz/seeds "fuzz/corpus/$target" \
      >"build/fuzz/$target.log" 2>&1 &
    pids+=($!)
  done
  fuzz_failed=0
  for i in "${!targets[@]}"; do
    target=${targets[$i]}
    if wait "${pids[$i]}"; then
      runs=$(awk '/stat::number_of_executed_units/ {print $2}' "build/fuzz/$target.log")
      echo "fuzz_$target: $runs executions in 60 s, no finding"
    else
      echo "fuzz_$target: FINDING (log build/fuzz/$target.log, input in build/fuzz/findings/)"
      grep -v -E '^(#|INFO| *NEW_FUNC|")' "build/fuzz/$target.log" | tail -40
      fuzz_failed=1
    fi
  done
  [ "$fuzz_failed" = 0 ]
else
  echo "== fuzz: skipped (needs clang++ with its libFuzzer runtime)"
fi

# The Windows program, cross-built with MinGW-w64 from the same sources, and
# its unit and end-to-end tests run under Wine (in a Wine prefix of the build
# folder's own); then its release archive, checked as the Linux one, its
# programs run under Wine. Skipped where the cross compiler, Wine, or
# GoogleTest's or NLopt's sources are missing.
if command -v x86_64-w64-mingw32-g++-posix >/dev/null && command -v wine >/dev/null &&
  [ -f /usr/src/googletest/CMakeLists.txt ] && [ -f /usr/src/nlopt/CMakeLists.txt ]; then
  echo "== windows (at ${SECONDS} s)"
  cmake --preset windows "-DQUIVOR_RELEASE_PAGE=$release_page" >/dev/null
  cmake --build --preset windows -j "$jobs"
  ctest --preset windows -j "$jobs"
  echo "== windows package (at ${SECONDS} s)"
  cmake --build --preset windows -j "$jobs" --target package
  version=$(project_version build/windows)
  python3 tests/release/package_test.py --version "$version" --source . \
    --archive "build/windows/quivor-$version-windows.zip" --guide build/windows/LEIA-ME.html \
    --wrapper "cmake/wine-run.sh build/windows/wineprefix" "${page_check[@]}"
else
  echo "== windows and its package: skipped (needs x86_64-w64-mingw32-g++-posix, wine," \
    "/usr/src/googletest and /usr/src/nlopt)"
fi
echo "== all checks passed in ${SECONDS} s"
