#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-2.0-or-later
"""The desktop program's footprint on a private LAN: how soon its first
status query is on the wire, how often it wakes while idle, and its memory
with a full table.

Host 1 runs `torvane` offscreen with a scratch home; host 2 listens on the
game port and, for the memory part, plays the game servers with hosts 3, 4...
as needed: the program keeps at most 64 servers of one address.

- Start-up: RUNS starts, each from the moment the program is started to the
  kernel's arrival stamp of its first status query on host 2.
- Idle: after the first search has ended, IDLE seconds with the default
  30-second interval on a LAN where nothing answers. The kernel's count of
  each thread's context switches tells how often the program woke; then
  strace, for as long again, tells what woke it: every wait that ended, with
  the timer or socket it ended for.
- Memory: quakesim plays SERVERS servers on host 2, all on the game port,
  holding about PLAYERS players; after the first search the host table's
  rows are counted in the log and the program's resident memory is read.

    sudo scripts/perf/footprint.py [--build build/release] [--runs 5] [--idle 60]
        [--servers 100] [--players 1000] [--skip startup,idle,memory]
"""

import argparse
import collections
import json
import os
import re
import signal
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop  # noqa: E402
import lan  # noqa: E402

PROGRAM_HOST = lan.address(1)


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build/release")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--idle", type=float, default=60)
    parser.add_argument("--servers", type=int, default=100)
    parser.add_argument("--players", type=int, default=1000)
    parser.add_argument("--skip", default="", help="parts to leave out: startup, idle, memory")
    return parser.parse_args()


class Program:
    """One run of torvane on host 1 with a scratch home of its own."""

    started = []  # every run, so that none outlives a failed measurement

    def __init__(self, build):
        self.scratch = desktop.Scratch()
        self.output = open(os.path.join(self.scratch.dir, "output.txt"), "w")
        lan.move_to_host(1)
        self.started = time.time()
        self.process = subprocess.Popen([os.path.join(build, "torvane")], env=self.scratch.environment(),
                                        stdin=subprocess.DEVNULL, stdout=self.output, stderr=subprocess.STDOUT)
        lan.move_to_host(2)
        self.pid = self.process.pid
        Program.started.append(self.process)

    def stop(self):
        self.process.send_signal(signal.SIGTERM)
        try:
            status = self.process.wait(timeout=30)
        except subprocess.TimeoutExpired:
            self.process.kill()
            status = "hung"
        if status != 0:
            raise RuntimeError(f"torvane ended with status {status}; see {self.scratch.dir}/output.txt")

    def wait_for_log(self, text, count=1, timeout=10):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self.scratch.log_bytes().count(text) >= count:
                return
            time.sleep(0.05)
        raise RuntimeError(f"{text!r} not {count} times in {self.scratch.log} within {timeout} s")


def start_up(args, listener):
    print(f"Start-up, {args.runs} runs: from starting torvane to its first status query on the wire")
    times = []
    for _ in range(args.runs):
        program = Program(args.build)
        _, arrived = desktop.wait_for_query(listener, PROGRAM_HOST, 30)
        times.append((arrived - program.started) * 1000)
        program.wait_for_log(b"Torvane started")
        program.stop()
        print(f"  {times[-1]:.0f} ms")
        while desktop.receive(listener, 0.2):
            pass  # what this run sent after its first query
    print(f"  median {statistics.median(times):.0f} ms, slowest {max(times):.0f} ms (goal under 300 ms)")


def thread_switches(pid):
    """{thread id: (name, voluntary + involuntary context switches)}"""
    threads = {}
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/status") as f:
                fields = dict(line.split(":", 1) for line in f if ":" in line)
        except FileNotFoundError:
            continue
        switches = int(fields["voluntary_ctxt_switches"]) + int(fields["nonvoluntary_ctxt_switches"])
        threads[int(tid)] = (fields["Name"].strip(), switches)
    return threads


def descriptor_kinds(pid):
    """{descriptor: what it is} for the program's open descriptors."""
    kinds = {}
    for fd in os.listdir(f"/proc/{pid}/fd"):
        try:
            target = os.readlink(f"/proc/{pid}/fd/{fd}")
        except FileNotFoundError:
            continue
        if target.startswith("socket:"):
            inode = target[8:-1]
            target = sockets_by_inode(pid).get(inode, "socket")
        if target == "anon_inode:[timerfd]":
            target = timer_kind(pid, fd)
        kinds[int(fd)] = target
    return kinds


def timer_kind(pid, fd):
    """A timer descriptor named by its period as the kernel holds it now."""
    with open(f"/proc/{pid}/fdinfo/{fd}") as f:
        period = re.search(r"it_interval: \((\d+), (\d+)\)", f.read())
    seconds = int(period.group(1)) + int(period.group(2)) / 1e9 if period else 0
    return f"timer, period {seconds:g} s" if seconds else "timer, stopped now"


def sockets_by_inode(pid):
    """{inode: "UDP port N"} from the kernel's table of the program's netns."""
    found = {}
    with open(f"/proc/{pid}/net/udp") as f:
        for line in f.readlines()[1:]:
            fields = line.split()
            found[fields[9]] = f"UDP port {int(fields[1].split(':')[1], 16)}"
    return found


CALL = re.compile(r"^(\d+) +(\d+\.\d+) (\w+)\((\d*)(.*)$")
WAITS = {"poll", "ppoll", "epoll_wait", "epoll_pwait", "select", "pselect6"}
READS = {"read", "recvfrom", "recvmsg", "recvmmsg"}


def blocking(call, rest):
    """Whether a traced wait could sleep: any timeout but zero."""
    arguments = rest.split(") = ")[0].split(" <unfinished")[0]
    if call == "ppoll":
        return "{tv_sec=0, tv_nsec=0}" not in arguments
    return not arguments.endswith(", 0")


def what_woke(pid, seconds, kinds):
    """Traces the program for `seconds`: every wait that could sleep and
    ended is one wake-up (the first call of each thread ends the wait it
    was in when the trace began); for each, the timers and sockets read
    before the next such wait tell what it woke for."""
    trace_path = os.path.join(tempfile.mkdtemp(prefix="torvane-idle-"), "strace.txt")
    tracer = subprocess.Popen(["strace", "-f", "-ttt", "-qq", "-o", trace_path, "-p", str(pid),
                               "-e", "trace=" + ",".join(sorted(WAITS | READS))],
                              stderr=subprocess.DEVNULL)
    began = time.time()
    time.sleep(seconds)
    tracer.send_signal(signal.SIGINT)
    tracer.wait()
    wakes = []  # (seconds into the trace, thread, {what was read})
    current = {}  # thread: the wake-up its calls since its last wait belong to
    asleep = collections.defaultdict(lambda: True)  # the program was idle, so waiting, when the trace began
    with open(trace_path) as f:
        for line in f:
            m = CALL.match(line)
            if not m or "<detached" in line:
                continue
            thread, stamp, call, fd, rest = m.groups()
            if asleep[thread]:
                current[thread] = (float(stamp) - began, thread, set())
                wakes.append(current[thread])
                asleep[thread] = False
            if call in WAITS and blocking(call, rest):
                asleep[thread] = True
            elif call in READS and fd and "EAGAIN" not in rest and "NULL, 0" not in rest:
                kind = kinds.get(int(fd), f"descriptor {fd}")
                if kind.startswith(("timer", "UDP")):
                    current[thread][2].add(f"{kind} (descriptor {fd})")
    return wakes, trace_path


def idle(args):
    print(f"Idle: {args.idle:.0f} s between searches, interval 30 s, nothing on the LAN answers")
    program = Program(args.build)
    program.wait_for_log(b"Torvane started")
    time.sleep(3)  # the first search window (2 s) has ended
    before = thread_switches(program.pid)
    time.sleep(args.idle)
    after = thread_switches(program.pid)
    total = 0
    for tid, (name, switches) in sorted(after.items()):
        woke = switches - before.get(tid, (name, 0))[1]
        total += woke
        print(f"  thread {tid} ({name}): {woke} context switches")
    print(f"  {total} in all over {args.idle:.0f} s, {len(after)} threads; "
          f"resident memory {desktop.memory_kb(program.pid)['VmRSS'] / 1024:.1f} MB")
    wakes, trace = what_woke(program.pid, args.idle, descriptor_kinds(program.pid))
    print(f"  traced for {args.idle:.0f} s more: {len(wakes)} waits ended; what each woke for:")
    for at, thread, reads in wakes:
        print(f"    {at:6.2f} s, thread {thread}: {', '.join(sorted(reads)) if reads else 'no timer or socket'}")
    print(f"  trace: {trace}")
    program.stop()


def players_to_ask_for(servers, players):
    """quakesim's --max-players for about `players` players on `servers`
    servers: each holds a random count up to it (and its slots)."""
    return max(1, min(64, round(2.45 * players / servers)))


SERVERS_PER_HOST = 64  # what the program keeps of one address


def server_hosts(servers):
    return max(1, -(-servers // SERVERS_PER_HOST))


def memory(args, build):
    folder = tempfile.mkdtemp(prefix="torvane-memory-")
    hosts = server_hosts(args.servers)
    sims, expects = [], []
    for i in range(hosts):
        count = args.servers // hosts + (1 if i < args.servers % hosts else 0)
        expect = os.path.join(folder, f"servers{i}.json")
        argv = [f"{build}/quakesim", "--servers", str(count), "--port", str(desktop.GAME_PORT), "--same-port",
                "--seed", str(i + 1), "--max-players", str(players_to_ask_for(args.servers, args.players)),
                "--expect", expect, "--seconds", "120"]
        # This process runs on host 2; the other server hosts need a wrapper.
        sims.append(subprocess.Popen(argv if i == 0 else lan.on_host(i + 2, argv), stdout=subprocess.PIPE, text=True))
        expects.append(expect)
    players = 0
    for sim, expect in zip(sims, expects):
        lan.wait_for_line(sim, "ready", timeout=60)
        with open(expect) as f:
            players += sum(len(server["players"]) for server in json.load(f))
    print(f"Memory: {args.servers} servers with {players} players answer the first search")
    program = Program(build)
    program.wait_for_log(b"New server \"", count=args.servers, timeout=20 + args.servers / 200)
    time.sleep(2.5)  # the search window has ended and its sockets are closed
    figures = desktop.memory_kb(program.pid)
    rows = program.scratch.log_bytes().count(b"New server \"")
    print(f"  {rows} servers found; resident memory {figures['VmRSS'] / 1024:.1f} MB, "
          f"peak {figures['VmHWM'] / 1024:.1f} MB (goal under 40 MB)")
    program.stop()
    for sim in sims:
        sim.terminate()
        sim.wait()


def main():
    args = parse_args()
    args.build = os.path.abspath(args.build)
    skip = set(filter(None, args.skip.split(",")))
    lan.enter(1 + (server_hosts(args.servers) if "memory" not in skip else 1))
    lan.move_to_host(2)
    try:
        if "startup" not in skip:
            listener = desktop.listener()
            start_up(args, listener)
            listener.close()
        if "idle" not in skip:
            idle(args)
        if "memory" not in skip:
            memory(args, args.build)
    finally:
        for process in Program.started:
            if process.poll() is None:
                process.kill()
    return 0


if __name__ == "__main__":
    sys.exit(main())
