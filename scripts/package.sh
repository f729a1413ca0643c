#!/bin/sh
# Builds the Debian package into build/: vexacam_<version>_amd64.deb.
set -eu
cd "$(dirname "$0")/.."
sh scripts/build.sh build
cd build
cpack -G DEB
