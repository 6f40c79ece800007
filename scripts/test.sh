#!/usr/bin/env bash
# Installs what is missing, builds K7 and runs every test.
#   scripts/test.sh             the plain build (build/), through `make test`
#   scripts/test.sh --sanitize  a Clang build with AddressSanitizer and UBSan in
#                               build-sanitize/, running the same suite
# K7_WERROR=ON in the environment turns every compiler warning into an error
# in either build (CI sets it).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

if [ "${1:-}" != "--sanitize" ]; then
  exec make test "$@"
fi
shift

build=${SANITIZE_BUILD:-build-sanitize}
CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DK7_SANITIZE=ON -DK7_BENCHMARKS=OFF -DK7_WERROR="${K7_WERROR:-OFF}" >/dev/null
cmake --build "$build" -j "$(nproc)"
# Any finding ends the test that made it; leaks in the libraries below Qt are
# listed in the suppressions file, never K7's own.
export ASAN_OPTIONS="abort_on_error=0:detect_stack_use_after_return=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
cd "$build" && ctest --output-on-failure -j "$(nproc)" "$@"
