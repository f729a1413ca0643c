#!/bin/sh
# Configures and builds into build/ (or $1 with extra CMake arguments after it).
set -eu
cd "$(dirname "$0")/.."
build_dir=${1:-build}
[ $# -gt 0 ] && shift
sh scripts/install-deps.sh
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build_dir" -j "$(nproc)"
