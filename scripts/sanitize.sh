#!/usr/bin/env bash
# Runs the whole suite under AddressSanitizer + UndefinedBehaviorSanitizer, and
# the click, timer and device tests (the ones with threads of their own) under
# ThreadSanitizer. Usage: scripts/sanitize.sh [address|thread|all]
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
which=${1:-all}
jobs=$(nproc)

if [ "$which" = address ] || [ "$which" = all ]; then
  cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMOSSGATE_SANITIZE=address >/dev/null
  cmake --build build-asan -j"$jobs"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    ctest --test-dir build-asan --output-on-failure -j2
fi

if [ "$which" = thread ] || [ "$which" = all ]; then
  cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMOSSGATE_SANITIZE=thread >/dev/null
  threaded=(metronome_tests midi_tests synth_tests fault_thread_tests)
  cmake --build build-tsan -j"$jobs" --target "${threaded[@]}"
  export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
  build-tsan/tests/metronome/metronome_tests
  build-tsan/tests/midi/midi_tests
  build-tsan/tests/synth/synth_tests
  build-tsan/tests/faults/fault_thread_tests
fi
