#!/bin/sh
# Builds the Debian package from a build folder, unpacks it into a throwaway
# root (dpkg -x) and runs the installed camera-host from there: no build
# folder on any path, the module found where the package puts it.
# Usage: check-package.sh BUILD_DIR
set -eu
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cpack -G DEB -B "$work/out" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log" >&2
    exit 1
}
deb=$(ls "$work"/out/*.deb)
echo "package: $(basename "$deb")"
echo "depends: $(dpkg-deb -f "$deb" Depends)"
dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '/$'
dpkg -x "$deb" "$work/root"

host="$work/root/usr/bin/camera-host"
module=$(find "$work/root" -name libvexaCam_120.so)
[ -n "$module" ] || { echo "no module in the package" >&2; exit 1; }
[ -f "$(dirname "$module")/libtisgrabber_x64.so" ] || { echo "capture library not beside the module" >&2; exit 1; }
if readelf -d "$module" "$host" | grep -F "$build" >&2; then
    echo "an installed file still points into the build folder" >&2
    exit 1
fi

# A clean environment: nothing of the build folder on PATH or LD_LIBRARY_PATH.
run() { env -i PATH=/usr/bin:/bin HOME="$work" "$host" "$@"; }
listing=$(run list --simulate)
echo "$listing"
[ -n "$listing" ] || { echo "the installed camera-host listed no simulated camera" >&2; exit 1; }
run grab --simulate --frames 3 --quiet --json "$work/summary.json"
grep -q '"received": 3' "$work/summary.json" || { cat "$work/summary.json" >&2; exit 1; }
echo "installed camera-host listed and grabbed from $(dirname "$module")"
