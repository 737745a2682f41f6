#!/usr/bin/env bash
# Configures and builds everything into build/ (program, tool, tests, benchmarks).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
  -DPINORA_WERROR=ON >/dev/null
cmake --build build -j "$(nproc)"
