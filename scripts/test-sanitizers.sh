#!/bin/sh
# The driver, capture library, host and reliability tests again, built once
# with AddressSanitizer + UndefinedBehaviorSanitizer and once with
# ThreadSanitizer (build-asan/, build-tsan/), inside the private network
# namespace. Reliability runs are shortened: sanitizers slow every frame.
# The viewer's tests are left to the plain build: Qt's GUI plugins keep their
# screen objects until exit, and Qt's event queue synchronises through
# futexes ThreadSanitizer cannot see.
set -eu
cd "$(dirname "$0")/.."
supp="$(pwd)/tests/sanitizers"
export VEXACAM_RELIABILITY_CYCLES=25

sh scripts/build.sh build-asan -DVEXACAM_SANITIZE=address -DVEXACAM_BUILD_BENCH=OFF
ASAN_OPTIONS="detect_leaks=1:strict_string_checks=1" \
LSAN_OPTIONS="suppressions=$supp/lsan.supp" \
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    sh scripts/in-private-network.sh ctest --test-dir build-asan --output-on-failure --no-tests=error --timeout 900 -E '^viewer_'

sh scripts/build.sh build-tsan -DVEXACAM_SANITIZE=thread -DVEXACAM_BUILD_BENCH=OFF
TSAN_OPTIONS="suppressions=$supp/tsan.supp:second_deadlock_stack=1" \
    sh scripts/in-private-network.sh ctest --test-dir build-tsan --output-on-failure --no-tests=error --timeout 900 -E '^viewer_'
