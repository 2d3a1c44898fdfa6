#!/usr/bin/env bash
# Runs the fail-over end-to-end test in a network and mount namespace of its own, where
# ns1.localhost (127.0.0.2) has no server and ns2.localhost (127.0.0.3) has one.
# Usage: failover-netns.sh <end-to-end test program>
set -euo pipefail
program=${1:?usage: failover-netns.sh <test program>}
if [[ -z ${SONAVIA_IN_NETNS:-} ]]; then
    if ! unshare --net --mount true 2>/dev/null; then
        echo "No private network namespace here (needs root): skipped" >&2
        exit 77
    fi
    exec unshare --net --mount env SONAVIA_IN_NETNS=1 "$0" "$@"
fi
ip link set lo up
hosts=$(mktemp)
trap 'rm -f "$hosts"' EXIT
printf '127.0.0.1 localhost\n127.0.0.2 ns1.localhost\n127.0.0.3 ns2.localhost\n' >"$hosts"
mount --bind "$hosts" /etc/hosts
"$program" --gtest_filter='BroadcastEndToEnd.FailOver*'
