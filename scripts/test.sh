#!/bin/sh
# The whole test suite: installs what is missing, builds, and runs every test
# inside a private network namespace (loopback only); then the same tests in
# the sanitizer builds.
set -eu
cd "$(dirname "$0")/.."
sh scripts/build.sh build
sh scripts/in-private-network.sh ctest --test-dir build --output-on-failure --no-tests=error --timeout 900
sh scripts/test-sanitizers.sh
