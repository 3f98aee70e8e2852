# SPDX-License-Identifier: GPL-2.0-or-later
"""A private LAN for measurements: fresh network namespaces only.

enter(n) runs the calling script again inside a new network and mount
namespace holding a bridge br0 at 10.99.0.1/24 (default route on it) and n
hosts h1..hn at 10.99.0.(10+k), each in a namespace of its own joined to the
bridge. Nothing sent there can reach the machine's own network; everything
disappears when the script ends. Needs root.
"""

import ctypes
import os
import resource
import subprocess
import sys
import time

_INSIDE = "TORVANE_PRIVATE_LAN"
_CLONE_NEWNET = 0x40000000


def address(k):
    return f"10.99.0.{10 + k}"


def _ip(*args):
    subprocess.run(["ip", *args], check=True)


def _build(hosts):
    _ip("link", "set", "lo", "up")
    _ip("link", "add", "br0", "type", "bridge")
    _ip("addr", "add", "10.99.0.1/24", "dev", "br0")
    _ip("link", "set", "br0", "up")
    _ip("route", "add", "default", "dev", "br0")
    os.makedirs("/run/netns", exist_ok=True)
    subprocess.run(["mount", "-t", "tmpfs", "tmpfs", "/run/netns"], check=True)
    # The bridge's namespace must outlive the moment this process moves onto
    # a host (move_to_host): a namespace nobody holds is destroyed with its
    # veth ends, and the hosts' links vanish with them.
    _ip("netns", "attach", "lan", str(os.getpid()))
    for k in range(1, hosts + 1):
        host = f"h{k}"
        _ip("netns", "add", host)
        _ip("link", "add", f"v{k}", "type", "veth", "peer", "name", f"e{k}")
        _ip("link", "set", f"v{k}", "master", "br0")
        _ip("link", "set", f"v{k}", "up")
        _ip("link", "set", f"e{k}", "netns", host)
        _ip("-n", host, "link", "set", "lo", "up")
        _ip("-n", host, "addr", "add", f"{address(k)}/24", "dev", f"e{k}")
        _ip("-n", host, "link", "set", f"e{k}", "up")
        _ip("-n", host, "route", "add", "default", "dev", f"e{k}")


def enter(hosts):
    """Re-runs this script on a fresh private LAN of `hosts` hosts; returns
    inside it (at once when already there)."""
    if os.environ.get(_INSIDE) == "1":
        return
    if os.geteuid() != 0:
        sys.exit(f"{sys.argv[0]}: needs root to build a private LAN in network namespaces")
    env = dict(os.environ, **{_INSIDE: "1"})
    inner = [sys.executable, *sys.argv]
    setup = f"import sys; sys.path.insert(0, {os.path.dirname(os.path.abspath(__file__))!r}); " \
            f"import lan; lan._build({hosts}); import os; os.execvpe(sys.argv[1], sys.argv[1:], os.environ)"
    os.execvpe("unshare", ["unshare", "--net", "--mount", "--propagation", "private",
                           sys.executable, "-c", setup, *inner], env)


def on_host(k, argv):
    """The command line that runs argv on host k."""
    return ["ip", "netns", "exec", f"h{k}", *argv]


def move_to_host(k):
    """Moves the calling process itself onto host k's network, so that the
    programs it starts from now on run there without a wrapper that would
    count in their time."""
    libc = ctypes.CDLL(None, use_errno=True)
    fd = os.open(f"/run/netns/h{k}", os.O_RDONLY)
    try:
        if libc.setns(fd, _CLONE_NEWNET) != 0:
            raise OSError(ctypes.get_errno(), f"setns h{k}")
    finally:
        os.close(fd)


class Measured:
    def __init__(self, wall, cpu, peak_kb, status):
        self.wall = wall          # seconds
        self.cpu = cpu            # user + system seconds
        self.peak_kb = peak_kb    # peak resident memory
        self.status = status      # exit status


def measure(measure_program, argv, stdout=None):
    """Runs argv to its end through the measure program (tools/measure.cpp):
    wall time from start to exit, CPU time and peak resident memory of that
    process alone. A child started from this script directly would count
    the interpreter's pages it inherits as its own peak. What the program
    writes on standard error passes through."""
    done = subprocess.run([measure_program, *argv], stdout=stdout, stderr=subprocess.PIPE, text=True)
    lines = done.stderr.splitlines()
    figures = [line for line in lines if line.startswith("measure: ")]
    for line in lines:
        if not line.startswith("measure: "):
            print(line, file=sys.stderr)
    if not figures:
        raise RuntimeError(f"no figures from {measure_program} for {argv[0]}")
    wall, cpu, peak_kb, status = figures[-1].split()[1:]
    return Measured(float(wall), float(cpu), int(peak_kb), int(status))


def raise_descriptor_limit(n):
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    if soft < n:
        resource.setrlimit(resource.RLIMIT_NOFILE, (min(n, hard), hard))


def wait_for_line(process, text, timeout=30):
    """Reads the process's standard output until a line starts with text."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        line = process.stdout.readline()
        if not line:
            break
        if line.startswith(text):
            return line
    raise RuntimeError(f"no '{text}' from {process.args[0]}")
