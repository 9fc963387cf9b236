#!/bin/sh
# Runs a command in a private network namespace whose only interface is loopback, brought up, so
# that a test can bind fixed or privileged ports (the portmapper's 111) without touching the
# host's network. Without root, a user namespace supplies the privilege.
set -eu
if [ "$(id -u)" -eq 0 ]; then
  isolate="unshare --net"
else
  isolate="unshare --net --map-root-user"
fi
exec $isolate sh -c 'ip link set lo up && exec "$@"' netns-run "$@"
