#!/usr/bin/env bash
# The sanitizer build: the libraries without windows (db, the page generator, the
# administration engine, the user logic, pinoractl) and their tests built with clang under
# AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/, the tests run, then every
# fuzz target for FUZZ_SECONDS (default 60), two at a time. Any sanitizer report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
CC=clang CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DPINORA_BUILD_WINDOWS=OFF -DPINORA_BUILD_BENCH=OFF -DPINORA_SANITIZE=ON \
  -DPINORA_BUILD_FUZZ=ON >/dev/null
cmake --build build-asan -j "$(nproc)"
(
  cd build-asan
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -j "$(nproc)" --timeout 600
)
bash scripts/fuzz.sh --time "${FUZZ_SECONDS:-60}" --jobs 2
