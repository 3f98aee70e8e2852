#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-2.0-or-later
"""torvane-headless and the desktop program with a master listing 1,000 servers.

On a private LAN of two hosts, quakesim on host 1 plays N game servers
(ports 30000 up) that hold every reply 20 +- 5 ms, spread over ADDRESSES
addresses of host 1 (its own and 10.99.1.1 up, added to its interface): a
program keeps at most 64 servers of one address, and a real master's
servers come from as many hosts. A stand-in master on host 1's port 27900
lists them all in one datagram. Host 2 runs the program with a scratch
home whose settings hold `Masters` = that master (and the defaults
otherwise: broadcast on, 30-second interval, QueryRate 1000), RUNS times
each, alternating, a fresh simulator for every run:

- torvane-headless: the time from its start to the output line that shows
  the last of the N rows, and to the tray tip of the search's end;
- torvane (offscreen, a probe preloaded that counts the host list's rows,
  tests/e2e/desktop_probe): the time from its start to the host list
  showing N rows (asked every 20 ms), and to the status bar's "Search
  complete".

Then, half a second after the search's end: the program's CPU time (user +
system, start-up included) and resident memory (now and peak). Then a
second search (the "search" command, or the Search button through the
probe; the master's list is kept, its servers are asked again): the time
to its end, its CPU, the rows its replies showed, resident memory after
it. At the end, how many servers the simulator was asked by, and whether
each exactly twice; how many "New server" lines the log file holds (the
headless program's output too), and how many lines besides the program's
start and end. A run of
each program with `Masters` empty gives what start-up and an empty search
cost by themselves. --buddies sets the buddy list (blank-separated names;
quakesim's players are called Ranger, Grunt, Zaphod, Xenon and so on).

    sudo scripts/perf/masters-programs.py [--build build/release] [--servers 1000]
        [--addresses 20] [--runs 3] [--buddies NAMES]
"""

import argparse
import fcntl
import json
import os
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import desktop  # noqa: E402
import lan  # noqa: E402

FIRST_PORT = 30000
MASTER_PORT = 27900
SERVERS_PER_ADDRESS = 64  # what a program keeps of one sender address


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build/release")
    parser.add_argument("--servers", type=int, default=1000)
    parser.add_argument("--addresses", type=int, default=20)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--buddies", default="", help="the Buddies setting of every run")
    args = parser.parse_args()
    if -(-args.servers // args.addresses) > SERVERS_PER_ADDRESS:
        parser.error(f"{args.servers} servers need more than {args.addresses} addresses "
                     f"(at most {SERVERS_PER_ADDRESS} each)")
    return args


def server_addresses(count):
    return [lan.address(1)] + [f"10.99.1.{k}" for k in range(1, count)]


class Simulator:
    def __init__(self, args, work):
        self.delays = os.path.join(work, "delays.json")
        if os.path.exists(self.delays):
            os.remove(self.delays)
        argv = [f"{args.build}/quakesim", "--servers", str(args.servers), "--port", str(FIRST_PORT),
                "--master-port", str(MASTER_PORT), "--delay-ms", "20", "--jitter-ms", "5",
                "--delays", self.delays, "--seconds", "600"]
        for address in server_addresses(args.addresses):
            argv += ["--address", address]
        self.process = subprocess.Popen(lan.on_host(1, argv), stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, text=True)
        lan.wait_for_line(self.process, "ready")

    def stop(self):
        """{port: queries} of every server that was asked."""
        self.process.terminate()
        self.process.wait()
        with open(self.delays) as f:
            return {int(port): figures["queries"] for port, figures in json.load(f).items()}


class Headless:
    name = "torvane-headless"

    def __init__(self, build, scratch):
        self.started = time.monotonic()
        self.process = subprocess.Popen([f"{build}/torvane-headless"], env=scratch.environment(),
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, text=True)
        self.lines = []  # (seconds since the start, line)
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        for line in self.process.stdout:
            self.lines.append((time.monotonic() - self.started, line.rstrip("\n")))

    def wait_for_list(self, servers, timeout):
        """(seconds to the last of `servers` rows or None, seconds to the
        search's end, the rows' addresses)."""
        deadline = time.monotonic() + timeout
        rows, addresses, full, seen = set(), set(), None, 0
        while time.monotonic() < deadline:
            while seen < len(self.lines):
                at, line = self.lines[seen]
                seen += 1
                if line.startswith("host: "):
                    fields = line[len("host: "):].split(" | ")
                    rows.add(int(fields[0]))
                    addresses.add(fields[-1].rsplit(":", 1)[0])
                    if full is None and len(rows) >= servers:
                        full = at
                elif line.startswith("tip: ") and " hosts," in line and (full is not None or servers == 0):
                    return full, at, addresses
            time.sleep(0.01)
        raise RuntimeError(f"no search's end within {timeout} s: {len(rows)} rows")

    def search_again(self, timeout):
        """Starts a search and returns once it has ended: the rows its
        replies showed."""
        mark = len(self.lines)
        self.process.stdin.write("search\n")
        self.process.stdin.flush()
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            lines = [line for _, line in self.lines[mark:]]
            if any(line.startswith("tip: ") and " hosts," in line for line in lines):
                return sum(line.startswith("host: ") for line in lines)
            time.sleep(0.01)
        raise RuntimeError(f"the second search did not end within {timeout} s")

    def log_lines(self):
        return [line for _, line in self.lines if line.startswith("log: ")]

    def stop(self):
        self.process.stdin.write("quit\n")
        self.process.stdin.flush()
        return self.process.wait(timeout=30)


class Desktop:
    """The desktop program offscreen with the probe preloaded: requests go
    to its descriptor 3, answers come from its descriptor 4."""

    name = "torvane"

    def __init__(self, build, scratch):
        requests_read, self.requests = os.pipe()
        self.answers, answers_write = os.pipe()
        # Out of the way of 3 and 4, so that the moves below cannot clobber them.
        handed = [fcntl.fcntl(fd, fcntl.F_DUPFD_CLOEXEC, 10) for fd in (requests_read, answers_write)]
        os.close(requests_read)
        os.close(answers_write)

        def hand_down():
            os.dup2(handed[0], 3)
            os.dup2(handed[1], 4)

        env = dict(scratch.environment(), TORVANE_PROBE="1", LD_PRELOAD=f"{build}/libtorvane_probe.so")
        self.output = open(os.path.join(scratch.dir, "output.txt"), "w")
        self.started = time.monotonic()
        self.process = subprocess.Popen([f"{build}/torvane"], env=env, stdin=subprocess.DEVNULL,
                                        stdout=self.output, stderr=subprocess.STDOUT, close_fds=False,
                                        preexec_fn=hand_down)
        for fd in handed:
            os.close(fd)
        self.answers_file = os.fdopen(self.answers, "r")
        self.requests_file = os.fdopen(self.requests, "w")

    def ask(self, request):
        self.requests_file.write(request + "\n")
        self.requests_file.flush()
        return self.answers_file.readline().rstrip("\n")

    def wait_for_list(self, servers, timeout):
        deadline = time.monotonic() + timeout
        full = None
        while time.monotonic() < deadline:
            if full is None:
                count = self.ask("count HostListView")
                if count.isdigit() and int(count) >= servers:
                    full = time.monotonic() - self.started
            if full is not None and self.ask("panel 0") == "Search complete":
                ended = time.monotonic() - self.started
                cells = self.ask("cells HostListView|4")
                addresses = {cell.rsplit(":", 1)[0] for cell in cells.split(";") if cell}
                return full if servers else None, ended, addresses
            time.sleep(0.02)
        raise RuntimeError(f"the host list did not show {servers} rows and end its search within {timeout} s")

    def search_again(self, timeout):
        if self.ask("click TMainForm|&Search") != "done":
            raise RuntimeError("no Search button")
        time.sleep(0.3)  # a search's window lasts 2 s at least
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self.ask("panel 0") == "Search complete":
                return int(self.ask("count HostListView"))
            time.sleep(0.02)
        raise RuntimeError(f"the second search did not end within {timeout} s")

    def log_lines(self):
        return []

    def stop(self):
        self.process.send_signal(signal.SIGTERM)
        status = self.process.wait(timeout=30)
        self.answers_file.close()
        self.requests_file.close()
        return status


def cpu_seconds(pid):
    """The program's CPU time so far: its live threads' on-CPU time in
    nanoseconds, or the kernel's count in clock ticks (which keeps the time
    of threads that have ended) when that is more."""
    live = 0
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/schedstat") as f:
                live += int(f.read().split()[0])
        except FileNotFoundError:
            pass
    return max(live / 1e9, desktop.cpu_seconds(pid))


def one_run(args, work, program_class, with_master):
    sim = Simulator(args, work) if with_master else None
    master = f"{lan.address(1)}:{MASTER_PORT}" if with_master else ""
    scratch = desktop.Scratch(Masters=master, Buddies=args.buddies)
    program = program_class(args.build, scratch)
    try:
        full, ended, addresses = program.wait_for_list(args.servers if with_master else 0, 60)
        time.sleep(0.5)  # the search's sockets are closed
        cpu = cpu_seconds(program.process.pid)
        memory = desktop.memory_kb(program.process.pid)
        again = time.monotonic()
        rows_again = program.search_again(60)
        again = time.monotonic() - again
        time.sleep(0.5)
        cpu_again = cpu_seconds(program.process.pid) - cpu
        memory_again = desktop.memory_kb(program.process.pid)
        log_lines = program.log_lines()
    finally:
        status = program.stop()
        queries = sim.stop() if sim else {}
    log = scratch.log_bytes().decode(errors="replace").splitlines()
    shutil.rmtree(scratch.dir, ignore_errors=True)
    return {
        "full": full, "ended": ended, "cpu": cpu, "rss": memory["VmRSS"], "peak": memory["VmHWM"],
        "addresses": len(addresses), "status": status,
        "again": again, "cpu_again": cpu_again, "rss_again": memory_again["VmRSS"], "rows_again": rows_again,
        # two searches: each server asked once in each
        "asked": len(queries), "asked_not_twice": sum(1 for n in queries.values() if n != 2),
        "new_server": sum("New server" in line for line in log + log_lines),
        "other_log": [line for line in log if not line.endswith((" : Torvane started", " : Torvane closed"))],
    }


def main():
    args = parse_args()
    args.build = os.path.abspath(args.build)
    lan.raise_descriptor_limit(args.servers + 256)
    lan.enter(2)
    for address in server_addresses(args.addresses)[1:]:
        subprocess.run(["ip", "-n", "h1", "addr", "add", f"{address}/32", "dev", "e1"], check=True)
    work = tempfile.mkdtemp(prefix="torvane-masters-programs-")
    lan.move_to_host(2)
    programs = [Headless, Desktop]
    results = {program.name: [] for program in programs}
    for run in range(args.runs):
        for program in programs[run % 2:] + programs[:run % 2]:
            results[program.name].append(one_run(args, work, program, True))
    empty = {program.name: one_run(args, work, program, False) for program in programs}

    shutil.rmtree(work, ignore_errors=True)
    print(f"{args.servers} servers on {args.addresses} addresses answering 20 +- 5 ms late, listed by one master; "
          f"{args.runs} runs each, alternating; buddies: {args.buddies or 'none'}")
    print(f"{'':17} {'run':>3} {'list ms':>8} {'end ms':>7} {'CPU ms':>7} {'RSS MB':>7} {'peak MB':>8} "
          f"{'addresses':>9} | {'2nd ms':>6} {'CPU ms':>7} {'rows':>5} {'RSS MB':>7} | {'asked':>6} "
          f"{'not 2x':>7} {'New server':>11} {'other log':>10} {'exit':>5}")

    def row(name, label, r):
        full = f"{r['full'] * 1000:8.0f}" if r["full"] is not None else f"{'-':>8}"
        print(f"{name:17} {label:>3} {full} {r['ended'] * 1000:7.0f} {r['cpu'] * 1000:7.0f} "
              f"{r['rss'] / 1024:7.1f} {r['peak'] / 1024:8.1f} {r['addresses']:9} | {r['again'] * 1000:6.0f} "
              f"{r['cpu_again'] * 1000:7.0f} {r['rows_again']:5} {r['rss_again'] / 1024:7.1f} | {r['asked']:6} "
              f"{r['asked_not_twice']:7} {r['new_server']:11} {len(r['other_log']):10} {r['status']:5}")

    for program in programs:
        for run, r in enumerate(results[program.name], 1):
            row(program.name, str(run), r)
        row(program.name, "0", empty[program.name])
    print("run 0: Masters empty, nothing listed (start-up and an empty search alone); "
          "after the first search's end, a second search (2nd: from its start to its end; its CPU, "
          "the rows it showed, resident memory after it); not 2x: servers not asked exactly twice")
    for program in programs:
        runs = results[program.name]
        print(f"{program.name}: medians: all {args.servers} listed after "
              f"{statistics.median(r['full'] for r in runs) * 1000:.0f} ms, search ended after "
              f"{statistics.median(r['ended'] for r in runs) * 1000:.0f} ms, CPU "
              f"{statistics.median(r['cpu'] for r in runs) * 1000:.0f} ms, resident "
              f"{statistics.median(r['rss'] for r in runs) / 1024:.1f} MB; second search CPU "
              f"{statistics.median(r['cpu_again'] for r in runs) * 1000:.0f} ms")
    others = sorted({line for r in [*empty.values(), *[r for runs in results.values() for r in runs]]
                     for line in r["other_log"]})
    for line in others:
        print(f"other log line: {line}")
    with open("/proc/loadavg") as f:
        print(f"load average at the end: {' '.join(f.read().split()[:3])}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
