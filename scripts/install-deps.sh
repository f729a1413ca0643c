#!/bin/sh
# Installs the Debian packages the build, the tests and the demo need, if any
# is missing. Safe to run again: it does nothing when all are present.
set -eu

packages="cmake g++ make pkg-config binutils qtbase5-dev libaravis-dev libusb-1.0-0-dev \
libgtest-dev libgmock-dev libbenchmark-dev libopencv-imgproc-dev iproute2 nftables util-linux dpkg-dev clang \
xvfb xauth x11-apps x11-utils netpbm file"

missing=""
for package in $packages; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $package"
    fi
done
[ -z "$missing" ] && exit 0

echo "installing:$missing" >&2
as_root=""
[ "$(id -u)" -eq 0 ] || as_root="sudo"
export DEBIAN_FRONTEND=noninteractive
$as_root apt-get update -qq
# shellcheck disable=SC2086
$as_root apt-get install -y -qq --no-install-recommends $missing >/dev/null
