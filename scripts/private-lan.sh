# SPDX-License-Identifier: GPL-2.0-or-later
# Sourced by the scripts that run torvane for real: its searches broadcast,
# and nothing it sends may leave this machine.
#
# enter_private_lan SCRIPT ARGUMENT...: outside, runs SCRIPT again with its
# arguments in a fresh network namespace (root only: without it, says so and
# exits with 77, which ctest counts as skipped). Inside, builds the private
# LAN there: loopback up and a bridge br0 at 10.99.0.1/24 carrying the
# default route, so a broadcast goes out on br0 and comes back to this
# namespace alone.
enter_private_lan() {
  if [ "${TORVANE_PRIVATE_LAN:-}" != 1 ]; then
    if [ "$(id -u)" -ne 0 ]; then
      echo "$(basename "$1"): needs root to build a private LAN in a network namespace: torvane broadcasts" >&2
      exit 77
    fi
    exec unshare --net env TORVANE_PRIVATE_LAN=1 "$@"
  fi
  ip link set lo up
  ip link add br0 type bridge
  ip addr add 10.99.0.1/24 dev br0
  ip link set br0 up
  ip route add default dev br0
}
