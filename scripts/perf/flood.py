#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-2.0-or-later
"""A flood of hostile datagrams into a running Torvane, on a private LAN.

Host 1 runs the program (the desktop program offscreen by default, or
torvane-headless), with a scratch home whose settings set a log file.
Host 2 sends SECONDS seconds of mixed datagrams at RATE per second from
SOURCES addresses of its own at the program's two receiving ports: the
peer port 27910 and the port its status queries leave from, where game
servers answer (valid, cut short and junk status replies, random bytes,
and the four peer tags with random fields; see hostile.py).

Three times during the flood a probe sends "TVNSTAT" and two markers: a
map change of a server of its own to each port, whose log lines tell how
long the program took to come to them. Flood status requests pause from
1.2 s before each probe to 1 s after it, so that an answer seen then can
only be the probe's.

Checks: the program is alive after the flood and ends cleanly on SIGTERM
(or "quit"); a "TVNINFO" answers each probe within one second; the host
table holds at most 10,000 servers (the log's "New server" lines less its
" closed" lines; torvane-headless also reports both tables in its tray
tip) and the user table at most 256 users (torvane-headless only); every
line of the log is one of the program's own message forms, its pieces
traced back to texts the flood sent. Reports peak resident memory
(VmHWM, sampled from /proc), CPU time and the kernel's receive drops.

    sudo scripts/perf/flood.py [--build build/release] [--program torvane|torvane-headless]
        [--rate 50000] [--seconds 10] [--sources 300] [--seed 1] [--profile perf.data]
"""

import argparse
import os
import random
import re
import signal
import socket
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop  # noqa: E402
import hostile  # noqa: E402
import lan  # noqa: E402

# Copies of Torvane listen for each other on the game's own port.
PEER_PORT = desktop.GAME_PORT
TARGET = lan.address(1)
FLOODER = lan.address(2)
MAX_SERVERS = 10_000
MAX_USERS = 256
PROBE_SHARES = (0.25, 0.55, 0.85)  # of the flood's duration
QUIET_BEFORE, QUIET_AFTER = 1.2, 1.0
PROBE_HOST = b"probe"
PEER_PROBE_HOST = b"probe on the peer port"


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build/release")
    parser.add_argument("--program", default="torvane", choices=["torvane", "torvane-headless"])
    parser.add_argument("--rate", type=int, default=50_000)
    parser.add_argument("--seconds", type=float, default=10)
    parser.add_argument("--sources", type=int, default=300)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--only", metavar="KIND,...", help="send only these kinds (see hostile.KINDS)")
    parser.add_argument("--profile", metavar="FILE",
                        help="record the program with perf (package linux-perf) during the flood")
    return parser.parse_args()


def source_addresses(count):
    return [f"10.99.{1 + k // 250}.{1 + k % 250}" for k in range(count)]


def add_source_addresses(addresses):
    commands = "".join(f"addr add {a}/32 dev e2\n" for a in addresses)
    subprocess.run(["ip", "-n", "h2", "-batch", "-"], input=commands, text=True, check=True)


def probe_reply(map_name, host):
    return (hostile.REPLY_PREFIX + b"hostname\\" + host + b"\\mapname\\" + map_name +
            b"\\maxclients\\8\\fraglimit\\0\\timelimit\\0\n")


class Pools:
    """Datagrams made before the flood, so that making them costs nothing
    while it runs."""

    def __init__(self, generator, sizes):
        self.items = {kind: [getattr(generator, kind)() for _ in range(size)] for kind, size in sizes.items()}
        self.next = {kind: 0 for kind in sizes}

    def take(self, kind):
        items = self.items[kind]
        i = self.next[kind]
        self.next[kind] = (i + 1) % len(items)
        return items[i]


class Watch:
    """What the flooder sees of the program while the flood runs: its
    "TVNINFO" broadcasts, the markers appearing in its log, its memory."""

    def __init__(self, pid, listener, log_path, markers):
        self.pid = pid
        self.infos = []
        self.marker_times = {}
        self.peak_rss_kb = 0
        self.rss_series = []  # (seconds since the watch began, VmRSS kB)
        self._listener = listener
        self._log_path = log_path
        self._markers = markers
        self._stop = threading.Event()
        self._threads = [threading.Thread(target=f, daemon=True)
                         for f in (self._hear, self._read_log, self._sample_memory)]
        for t in self._threads:
            t.start()

    def stop(self):
        self._stop.set()
        for t in self._threads:
            t.join()

    def _hear(self):
        while not self._stop.is_set():
            got = desktop.receive(self._listener, 0.2)
            if got and got[1][0] == TARGET and got[0].startswith(hostile.INFO):
                self.infos.append(got[2])

    def _read_log(self):
        offset, tail = 0, b""
        while not self._stop.wait(0.005):
            try:
                with open(self._log_path, "rb") as f:
                    f.seek(offset)
                    chunk = f.read()
            except FileNotFoundError:
                continue
            offset += len(chunk)
            now = time.time()
            text = tail + chunk
            for marker in self._markers:
                if marker not in self.marker_times and marker in text:
                    self.marker_times[marker] = now
            tail = text[-200:]

    def _sample_memory(self):
        start = time.time()
        while not self._stop.wait(0.1):
            try:
                rss = desktop.memory_kb(self.pid)["VmRSS"]
            except (FileNotFoundError, ProcessLookupError):
                return
            self.peak_rss_kb = max(self.peak_rss_kb, rss)
            self.rss_series.append((time.time() - start, rss))


def milliseconds(seconds):
    return "never" if seconds is None or seconds == float("inf") else f"{seconds * 1000:.0f} ms"


def udp_drops(pid):
    """The kernel's receive drops per local port of the program's sockets."""
    drops = {}
    with open(f"/proc/{pid}/net/udp") as f:
        for line in f.readlines()[1:]:
            fields = line.split()
            drops[int(fields[1].split(":")[1], 16)] = int(fields[-1])
    return drops


def flood(args, sockets, game_port, pools, probe_socket, probe_messages):
    """Sends the flood; returns (datagrams sent, seconds taken, probe times)."""
    kinds = [(k, w) for k, w in hostile.KINDS if not args.only or k in args.only.split(",")]
    plan_random = random.Random(args.seed + 1)
    plan = plan_random.choices([k for k, _ in kinds], [w for _, w in kinds], k=65536)
    senders = [plan_random.randrange(len(sockets)) for _ in range(65536)]
    ports = [plan_random.choice((game_port, PEER_PORT)) for _ in range(65536)]
    targets = {port: (TARGET, port) for port in (game_port, PEER_PORT)}
    probe_times = [share * args.seconds for share in PROBE_SHARES]
    probes_left = list(probe_times)
    probe_sent = []
    sent = 0
    start = time.time()
    while (elapsed := time.time() - start) < args.seconds:
        if probes_left and elapsed >= probes_left[0]:
            probes_left.pop(0)
            probe_sent.append(time.time())
            for datagram, port in probe_messages(len(probe_sent)):
                probe_socket.sendto(datagram, (TARGET, port))
        quiet = any(t - QUIET_BEFORE <= elapsed <= t + QUIET_AFTER for t in probe_times)
        due = min(int(elapsed * args.rate), sent + 500)
        while sent < due:
            i = sent & 0xFFFF
            kind = plan[i]
            if kind == "status_request" and quiet:
                kind = "random_bytes"
            try:
                sockets[senders[i]].sendto(pools.take(kind), targets[ports[i]])
            except OSError:
                pass  # a full queue on the way: the datagram is lost, as on a real network
            sent += 1
        time.sleep(0.0005)
    return sent, start, probe_sent


def start_program(args, scratch):
    build = os.path.abspath(args.build)
    env = scratch.environment()
    env.setdefault("ASAN_OPTIONS", "detect_leaks=1")
    out = open(os.path.join(scratch.dir, "output.txt"), "w")
    return subprocess.Popen(lan.on_host(1, [f"{build}/{args.program}"]), env=env, stdin=subprocess.PIPE,
                            stdout=out, stderr=subprocess.STDOUT)


def headless_tables(scratch, program):
    """Hosts and users from the tray tip at the end of a search started now."""
    output = os.path.join(scratch.dir, "output.txt")
    before = os.path.getsize(output)
    program.stdin.write(b"search\n")
    program.stdin.flush()
    deadline = time.time() + 10
    while time.time() < deadline:
        time.sleep(0.2)
        with open(output, "rb") as f:
            f.seek(before)
            tips = re.findall(rb"^tip: (\d+) hosts, -?\d+ players and (\d+) users$", f.read(), re.M)
        if tips:
            return int(tips[-1][0]), int(tips[-1][1])
    return None


def stop_program(args, program):
    if args.program == "torvane-headless":
        program.stdin.write(b"quit\n")
        program.stdin.flush()
    else:
        program.send_signal(signal.SIGTERM)
    try:
        return program.wait(timeout=60)
    except subprocess.TimeoutExpired:
        program.kill()
        return "hung"


def main():
    args = parse_args()
    lan.enter(2)
    sources = source_addresses(args.sources)
    add_source_addresses(sources)
    generator = hostile.Generator(args.seed)
    pools = Pools(generator, {"status_reply": 12000, "truncated_reply": 3000, "junk_reply": 1000,
                              "random_bytes": 4000, "info": 4000, "chat": 4000, "challenge": 4000,
                              "status_request": 200})
    generator.host_names.update((PROBE_HOST, PEER_PROBE_HOST))
    probe_maps = [b"probe-map-%d" % k for k in range(len(PROBE_SHARES) + 1)]
    generator.map_names.update(probe_maps)
    checker = hostile.LogCheck(generator, sources + [FLOODER])

    # The listener is there before the program starts: its first query
    # tells the port it searches from.
    lan.move_to_host(2)
    listener = desktop.listener()
    sockets = []
    for address in sources:
        s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        s.bind((address, 0))
        sockets.append(s)
    probe_socket = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    probe_socket.bind((FLOODER, 0))
    scratch = desktop.Scratch()
    program = start_program(args, scratch)

    try:
        game_port, _ = desktop.wait_for_query(listener, TARGET, 30)
    except RuntimeError as e:
        program.kill()
        print(f"{e}; see {scratch.dir}/output.txt")
        return 1
    # The probe's two servers, one answering on each port: their map
    # changes mark how far the program has read each port's queue.
    for host, port in ((PROBE_HOST, game_port), (PEER_PROBE_HOST, PEER_PORT)):
        probe_socket.sendto(probe_reply(probe_maps[0], host), (TARGET, port))
    time.sleep(1)
    if scratch.log_bytes().count(b"New server \"probe") != 2:
        program.kill()
        print("the probe's own servers never showed in the log")
        return 1

    def probe_messages(k):
        return [(hostile.STATUS_REQUEST, PEER_PORT),
                (probe_reply(probe_maps[k], PEER_PROBE_HOST), PEER_PORT),
                (probe_reply(probe_maps[k], PROBE_HOST), game_port)]

    markers = [b"Map changed on host %s to probe-map-%d" % (host, k) for k in range(1, len(PROBE_SHARES) + 1)
               for host in (PEER_PROBE_HOST, PROBE_HOST)]
    before = desktop.memory_kb(program.pid)
    cpu_before = desktop.cpu_seconds(program.pid)
    watch = Watch(program.pid, listener, scratch.log, markers)
    profiler = None
    if args.profile:
        profiler = subprocess.Popen(["perf", "record", "--call-graph", "dwarf,16384", "-F", "200",
                                     "-o", os.path.abspath(args.profile), "-p", str(program.pid)],
                                    stderr=subprocess.DEVNULL)
    sent, flood_start, probe_sent = flood(args, sockets, game_port, pools, probe_socket, probe_messages)
    took = time.time() - flood_start
    time.sleep(2)
    watch.stop()
    if profiler:
        profiler.send_signal(signal.SIGINT)
        profiler.wait()

    problems = []
    alive = program.poll() is None
    if not alive:
        problems.append(f"the program ended during the flood (status {program.returncode})")
    figures = desktop.memory_kb(program.pid) if alive else {}
    cpu = desktop.cpu_seconds(program.pid) - cpu_before if alive else float("nan")
    drops = udp_drops(program.pid) if alive else {}
    tables = headless_tables(scratch, program) if alive and args.program == "torvane-headless" else None
    status = stop_program(args, program) if alive else program.returncode

    print(f"{args.program} ({args.build}): {sent} datagrams in {took:.2f} s ({sent / took:.0f}/s) "
          f"from {len(sources)} addresses to ports {PEER_PORT} and {game_port}")
    print(f"  resident memory: {before['VmRSS'] / 1024:.1f} MB before, peak {figures.get('VmHWM', 0) / 1024:.1f} MB "
          f"(sampled VmRSS peak {watch.peak_rss_kb / 1024:.1f} MB), {figures.get('VmRSS', 0) / 1024:.1f} MB after")
    series = watch.rss_series
    if series:
        marks = [series[min(len(series) - 1, int(len(series) * f / 10))] for f in range(11)]
        print("  VmRSS during the flood: " + ", ".join(f"{t:.0f} s {kb / 1024:.1f}" for t, kb in marks) + " MB")
    dropped = sum(drops.values())
    print(f"  CPU time during the flood and 2 s after: {cpu:.2f} s; kernel receive drops: "
          f"{drops.get(PEER_PORT, '?')} on {PEER_PORT}, {drops.get(game_port, '?')} on {game_port}; "
          f"{sent - dropped} handled, {cpu * 1e6 / max(1, sent - dropped):.0f} us CPU each")
    for k, sent_at in enumerate(probe_sent, 1):
        answers = [t - sent_at for t in watch.infos if t >= sent_at]
        answer = min(answers) if answers else None
        lags = [watch.marker_times.get(m, float("inf")) - sent_at for m in markers[2 * k - 2:2 * k]]
        print(f"  probe {k} at {sent_at - flood_start:.1f} s: answer {milliseconds(answer)}, "
              f"markers logged after {', '.join(milliseconds(lag) for lag in lags)}")
        if answer is None or answer > 1.0 or max(lags) > 1.0:
            problems.append(f"probe {k} not answered within one second")

    log = scratch.log_bytes()
    forms, strangers = checker.classify(log)
    servers = forms.get("new server", 0) - forms.get("closed", 0)
    print(f"  host table by the log: {servers} servers (cap {MAX_SERVERS})")
    if servers > MAX_SERVERS:
        problems.append(f"{servers} servers in the host table")
    if tables:
        print(f"  tables by the tray tip: {tables[0]} hosts, {tables[1]} users (caps {MAX_SERVERS}, {MAX_USERS})")
        if tables[0] > MAX_SERVERS or tables[1] > MAX_USERS:
            problems.append("a table beyond its cap")
    elif args.program == "torvane-headless" and alive:
        problems.append("no tray tip after the flood")
    lines = log.count(b"\n")
    print(f"  log: {lines} lines ({', '.join(f'{n} {form}' for form, n in sorted(forms.items()))}), "
          f"{len(strangers)} not of the program's own forms")
    for line in strangers[:10]:
        print(f"    {line!r}")
    if strangers:
        problems.append("lines in the log that the program did not write")
    if not log.endswith(b" : Torvane closed\n"):
        problems.append("the log does not end with \"Torvane closed\"")
    print(f"  exit status {status}")
    if status != 0:
        problems.append(f"exit status {status}")
    print(f"  scratch folder (log, settings, program output): {scratch.dir}")
    for problem in problems:
        print(f"FAILED: {problem}")
    print("flood: ok" if not problems else "flood: FAILED")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
