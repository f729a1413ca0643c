#!/bin/sh
# Runs a command in a private network namespace that holds only loopback.
# GigE Vision discovery broadcasts on every interface; inside this namespace
# it cannot reach any network but 127.0.0.1.
set -eu
if [ "$(id -u)" -eq 0 ]; then
    exec unshare -n -- sh -c 'ip link set lo up && exec "$@"' sh "$@"
else
    exec unshare -r -n -- sh -c 'ip link set lo up && exec "$@"' sh "$@"
fi
