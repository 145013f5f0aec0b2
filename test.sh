#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: a plain build and a check of the Debian
# package made from it, then the same suite under AddressSanitizer and UndefinedBehaviorSanitizer,
# then each fuzz target for a bounded time. Both suites run the benchmarks once at a small size
# (bench_smoke), which times nothing; scripts/bench.sh runs them for their figures.
# FUZZ_SECONDS (default 60) sets the time per fuzz target; 0 skips fuzzing.
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)
jobs=$(nproc)

scripts/install-deps.sh build-essential cmake ninja-build git libgtest-dev libgmock-dev \
  clang libcli11-dev nlohmann-json3-dev libpugixml-dev libbenchmark-dev locales
# For the Debian package and its check: dpkg-shlibdeps, the file type test CPack uses, the desktop
# entry's validator and the MIME database compiler.
scripts/install-deps.sh dpkg-dev file desktop-file-utils shared-mime-info
# The sanitizer and fuzzer runtimes must match the installed clang's major version.
clang_major=$(clang -dumpversion | cut -d. -f1)
scripts/install-deps.sh "libclang-rt-$clang_major-dev"
editor=OFF
if [ -f src/ui/CMakeLists.txt ]; then
  scripts/install-deps.sh qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev
  editor=ON
fi

configure_and_test() {
  local dir=$1; shift
  echo "=== $dir ==="
  cmake -S . -B "$dir" -G Ninja "$@"
  cmake --build "$dir" -j "$jobs"
  (cd "$dir" && ctest --output-on-failure -j "$jobs")
}

configure_and_test build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_WERROR=ON \
  -DCORVANE_BUILD_EDITOR=$editor
echo "=== package ==="
scripts/check-package.sh build
configure_and_test build-sanitize -DCMAKE_BUILD_TYPE=Debug -DCORVANE_SANITIZE=ON \
  -DCORVANE_WERROR=ON -DCORVANE_BUILD_EDITOR=$editor

fuzz_seconds=${FUZZ_SECONDS:-60}
if [ "$fuzz_seconds" -gt 0 ] && [ -f fuzz/CMakeLists.txt ]; then
  echo "=== build-fuzz (${fuzz_seconds}s per target) ==="
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCORVANE_FUZZ=ON -DCORVANE_BUILD_TESTS=OFF -DCORVANE_WERROR=ON
  cmake --build build-fuzz -j "$jobs"
  "$root/fuzz/run-all.sh" "$root/build-fuzz/fuzz" "$fuzz_seconds"
fi
echo "All tests passed."
