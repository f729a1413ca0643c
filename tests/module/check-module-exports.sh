#!/bin/sh
# The module exports exactly Camera_Create and Camera_Delete, undecorated, and
# needs the capture library under its plain soname, so that any
# libtisgrabber_x64.so with the same C operations can stand in for it.
set -eu
module=$1
exports=$(nm -D --defined-only "$module" | awk '{print $3}' | sort | tr '\n' ' ')
if [ "$exports" != "Camera_Create Camera_Delete " ]; then
    echo "unexpected dynamic exports: $exports" >&2
    exit 1
fi
needed=$(readelf -d "$module" | sed -n 's/.*(NEEDED).*\[\(libtisgrabber[^]]*\)\].*/\1/p')
if [ "$needed" != "libtisgrabber_x64.so" ]; then
    echo "capture library dependency is '$needed', expected libtisgrabber_x64.so" >&2
    exit 1
fi
echo "exports: $exports; needs: $needed"
