#!/usr/bin/env bash
# Builds the optimised benchmarks and runs the suite: every operation beside its baseline at a
# quarter, a half and the full size, then the growth check (a non-zero exit when an operation
# grows faster than linearly). With the editor built, the list fill and list command benchmarks
# follow. Extra arguments go to the suite (Google Benchmark flags, e.g. --benchmark_filter=cdd).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh build-essential cmake ninja-build libbenchmark-dev nlohmann-json3-dev \
  libpugixml-dev
editor=OFF
if dpkg-query -W -f='${Status}' qt6-base-dev 2>/dev/null | grep -q 'install ok installed'; then
  editor=ON
fi
cmake --preset bench -DCORVANE_BUILD_EDITOR=$editor >/dev/null
cmake --build build-bench -j "$(nproc)"
# The editor's benchmarks run even when the growth check fails; the exit status is the suite's.
status=0
build-bench/bench/corvane_bench "$@" || status=$?
if [ "$editor" = ON ] && [ $# -eq 0 ]; then
  export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
  build-bench/bench/list_fill_bench
  build-bench/bench/list_commands_bench 2> >(grep -v 'does not support raise()' >&2)
fi
exit $status
