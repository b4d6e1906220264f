#!/usr/bin/env bash
# Builds everything and runs the whole test suite (unit, dialog and end-to-end).
# The end-to-end tests start their own Xvfb and PulseAudio; nothing else is needed.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMOSSGATE_WERROR="$werror" >/dev/null
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure -j2 "$@"
