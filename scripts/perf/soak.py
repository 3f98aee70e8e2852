#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-2.0-or-later
"""A busy LAN for a long while, against one running Torvane, on a private LAN.

Host 1 runs the program (torvane-headless, or the desktop program
offscreen), searching every 3 seconds, with a scratch home whose settings
set a log file. Host 2 plays SERVERS game servers from ten addresses of its
own (a LAN host runs several): each status query is answered by every
server that is up, and after each answer the servers change (players enter
and leave, maps change, a server falls silent or comes back). What the
program must log for each answer (new servers, players entering and
leaving, map changes, servers closed after five silent searches) is written
to a truth file as it happens. Hosts 3 and 4 are chatty peers: they answer
status requests, announce themselves and say and shout now and then (each
shout is logged, so it goes into the truth as well).

After SECONDS the servers stop changing and answer as they stand until every
silent one is closed; then a peer sends a status request and times the
answer. Checks: every line of the truth is in the log exactly once and the
log holds nothing else (but the program's start and end, and its finding a
game that anyone on the machine runs); resident memory
grows by less than 1 MB from the end of the first minute to the end; the
program's open descriptors stay the same; the status request is answered
within a second.

    sudo scripts/perf/soak.py [--build build/release] [--program torvane|torvane-headless]
        [--seconds 1800] [--servers 100] [--seed 1] [--wrap COMMAND]
"""

import argparse
import collections
import json
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
import lan  # noqa: E402

GAME_PORT = desktop.GAME_PORT
PROGRAM = lan.address(1)
RETRIES = 5
INTERVAL = 3
SERVER_ADDRESSES = [f"10.99.1.{k}" for k in range(1, 11)]
PEERS = (3, 4)
REPLY_PREFIX = b"\xff\xff\xff\xffprint\n\\"
NAMES = ["Ranger", "Grunt", "Tank", "Brain", "Major", "Cypher", "Slash", "Razor", "Viper", "Sarge",
         "Stiletto", "Rampage", "Hunter", "Wraith", "Sniper", "Phantom", "Cobra", "Storm", "Blade", "Ghost",
         "Nova", "Reaper", "Jinx", "Torque"]
MAPS = ["base1", "base2", "base3", "q2dm1", "q2dm2", "q2dm3", "q2dm4", "q2dm5", "q2dm8", "fact3"]


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build/release")
    parser.add_argument("--program", default="torvane-headless", choices=["torvane", "torvane-headless"])
    parser.add_argument("--seconds", type=float, default=1800)
    parser.add_argument("--servers", type=int, default=100)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--wrap", default="",
                        help="a command the program runs under, e.g. 'heaptrack -o DIR/soak' (memory is then "
                             "sampled from that command's process)")
    parser.add_argument("--role", default="main", help=argparse.SUPPRESS)
    parser.add_argument("--dir", help=argparse.SUPPRESS)
    parser.add_argument("--host", type=int, help=argparse.SUPPRESS)
    return parser.parse_args()


# ---- host 2: the servers ---------------------------------------------------

class Server:
    def __init__(self, r, n, address):
        self.r = r
        self.address = address
        self.host = f"Soak {n:03d}"
        self.map = r.choice(MAPS)
        self.max = r.choice([8, 12, 16])
        self.players = {}            # name -> [frags, ping]
        self.up = True
        self.silent = 0              # queries in a row without an answer
        self.known = None            # (map, players) as last answered, None when not listed
        self.socket = None

    def reply(self):
        info = (f"hostname\\{self.host}\\maxclients\\{self.max}\\mapname\\{self.map}\\fraglimit\\20"
                f"\\timelimit\\15\\gamename\\baseq2").encode()
        lines = b"".join(b'%d %d "%s"\n' % (f, p, n.encode()) for n, (f, p) in self.players.items())
        return REPLY_PREFIX + info + b"\n" + lines

    def truth_of_answer(self):
        """What the program logs when it reads this answer."""
        out = []
        if self.known is None:
            out.append(f'New server "{self.host}" found on {self.address}')
        else:
            old_map, old_players = self.known
            out += [f"{n} entered {self.host}" for n in self.players if n not in old_players]
            out += [f"{n} left {self.host} with {f} frags and {p} ping"
                    for n, (f, p) in old_players.items() if n not in self.players]
            if self.map != old_map:
                out.append(f"Map changed on host {self.host} to {self.map}")
        self.known = (self.map, {n: list(v) for n, v in self.players.items()})
        self.silent = 0
        return out

    def truth_of_silence(self):
        self.silent += 1
        if self.known is not None and self.silent >= RETRIES:
            self.known = None
            return [f"{self.host} closed"]
        return []

    def change(self):
        r = self.r
        for scores in self.players.values():
            scores[0] += r.randint(0, 2)
            scores[1] = r.randint(20, 150)
        roll = r.random()
        if roll < 0.15 and len(self.players) < self.max:
            name = r.choice([n for n in NAMES if n not in self.players] or [None])
            if name:
                self.players[name] = [0, r.randint(20, 150)]
        elif roll < 0.27 and self.players:
            del self.players[r.choice(list(self.players))]
        elif roll < 0.31:
            self.map = r.choice([m for m in MAPS if m != self.map])
        # A server falls silent now and then, and mostly comes back within
        # a few searches (before it counts as closed) or a few more.
        if self.up and r.random() < 0.02:
            self.up = False
        elif not self.up and r.random() < 0.15:
            self.up = True


def serve(args):
    r = random.Random(args.seed)
    for address in SERVER_ADDRESSES:
        subprocess.run(["ip", "addr", "add", f"{address}/32", "dev", "e2"], check=True)
    servers = [Server(r, n, SERVER_ADDRESSES[n % len(SERVER_ADDRESSES)]) for n in range(args.servers)]
    sockets = {}
    for address in SERVER_ADDRESSES:
        s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
        s.setsockopt(socket.SOL_SOCKET, socket.SO_SNDBUF, 1 << 20)
        s.bind((address, 0))
        sockets[address] = s
    listener = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("0.0.0.0", GAME_PORT))
    frozen = threading.Event()
    signal.signal(signal.SIGUSR1, lambda *_: frozen.set())
    truth = open(os.path.join(args.dir, "truth-servers.txt"), "w")
    print("ready", flush=True)
    queries = 0
    while True:
        data, source = listener.recvfrom(2048)
        if source[0] != PROGRAM or not data.startswith(desktop.STATUS_QUERY):
            continue
        queries += 1
        lines = []
        for server in servers:
            if server.up:
                sockets[server.address].sendto(server.reply(), source)
                lines += server.truth_of_answer()
            else:
                lines += server.truth_of_silence()
        for line in lines:
            truth.write(line + "\n")
        truth.flush()
        # Counted by the orchestrator to tell how far the run is.
        with open(os.path.join(args.dir, "queries"), "w") as f:
            f.write(f"{queries} {sum(s.up for s in servers)} {int(frozen.is_set())}\n")
        if not frozen.is_set():
            for server in servers:
                server.change()


# ---- hosts 3 and 4: chatty peers, and the last status request ----------------

def peer(args):
    r = random.Random(args.seed * 100 + args.host)
    name = f"Chatty{args.host}"
    info = f"TVNINFO\tK1\tA{name}\tBR\tCReady to kick some ass\tH1".encode()
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.bind(("0.0.0.0", GAME_PORT))
    s.settimeout(0.5)
    truth = open(os.path.join(args.dir, f"truth-peer{args.host}.txt"), "w")
    said = 0
    next_talk = time.monotonic() + r.uniform(1, 5)
    print("ready", flush=True)
    while True:
        try:
            data, source = s.recvfrom(2048)
            if data.startswith(b"TVNSTAT") and source[0] != lan.address(args.host):
                s.sendto(info, ("255.255.255.255", GAME_PORT))
        except socket.timeout:
            pass
        if time.monotonic() >= next_talk:
            said += 1
            shout = r.random() < 0.4
            text = f"line {said} from {name}"
            s.sendto(f"TVNMESS{name}\t{'S' if shout else 'M'}{text}".encode(), ("255.255.255.255", GAME_PORT))
            if shout:
                truth.write(f'{name} shouted "{text}"\n')
                truth.flush()
            next_talk = time.monotonic() + r.uniform(2, 8)


def probe(args):
    """Sends one status request to the program and prints how long its
    announcement took, in seconds (or 'none')."""
    s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.bind(("0.0.0.0", GAME_PORT + 1))
    listen = desktop.listener()
    start = time.monotonic()
    s.sendto(b"TVNSTAT", (PROGRAM, GAME_PORT))
    deadline = start + 5
    while (left := deadline - time.monotonic()) > 0:
        got = desktop.receive(listen, left)
        if got and got[1][0] == PROGRAM and got[0].startswith(b"TVNINFO"):
            print(f"{time.monotonic() - start:.4f}", flush=True)
            return
    print("none", flush=True)


# ---- host 1 and the run ------------------------------------------------------

def descriptors(pid):
    return len(os.listdir(f"/proc/{pid}/fd"))


def start_role(role, host, args, run_dir):
    command = lan.on_host(host, [sys.executable, os.path.abspath(__file__), "--role", role, "--dir", run_dir,
                                 "--host", str(host), "--seed", str(args.seed), "--servers", str(args.servers)])
    process = subprocess.Popen(command, stdout=subprocess.PIPE, text=True)
    lan.wait_for_line(process, "ready")
    return process


def queries(run_dir):
    try:
        with open(os.path.join(run_dir, "queries")) as f:
            count, up, frozen = f.read().split()
            return int(count), int(up), frozen == "1"
    except (FileNotFoundError, ValueError):
        return 0, 0, False


def log_texts(log):
    texts = collections.Counter()
    for line in log.decode("latin-1").splitlines():
        m = re.match(r"^\d\d:\d\d:\d\d : (.*)$", line)
        texts[m.group(1) if m else "(no time) " + line] += 1
    return texts


def truth_texts(run_dir):
    texts = collections.Counter()
    for name in os.listdir(run_dir):
        if name.startswith("truth-"):
            with open(os.path.join(run_dir, name), encoding="latin-1") as f:
                texts.update(line.rstrip("\n") for line in f)
    return texts


def wrapped_pid(wrapper, path):
    """The process running `path` among the wrapper's descendants (or the
    wrapper itself once it has become the program)."""
    deadline = time.monotonic() + 10
    while time.monotonic() < deadline:
        for entry in os.listdir("/proc"):
            if not entry.isdigit():
                continue
            try:
                if os.readlink(f"/proc/{entry}/exe") == path and os.getsid(int(entry)) == wrapper:
                    return int(entry)
            except OSError:
                continue
        time.sleep(0.1)
    raise SystemExit(f"soak: {path} did not start under the wrapper")


def main():
    args = parse_args()
    if args.role == "servers":
        return serve(args)
    if args.role == "peer":
        return peer(args)
    if args.role == "probe":
        return probe(args)

    lan.enter(max(PEERS))
    scratch = desktop.Scratch(BCInterval=INTERVAL, Retries=RETRIES)
    run_dir = scratch.dir
    roles = [start_role("servers", 2, args, run_dir)] + [start_role("peer", k, args, run_dir) for k in PEERS]

    env = scratch.environment()
    output = open(os.path.join(run_dir, "output.txt"), "w")
    path = os.path.abspath(os.path.join(args.build, args.program))
    # A session of its own: the end signal reaches a wrapper and the program.
    program = subprocess.Popen(lan.on_host(1, args.wrap.split() + [path]), env=env, stdin=subprocess.PIPE,
                               stdout=output, stderr=subprocess.STDOUT, start_new_session=True)
    started = time.monotonic()
    measured = program.pid if not args.wrap else wrapped_pid(program.pid, path)
    samples = []   # (seconds since start, memory_kb figures, descriptors)
    print(f"soak: {args.program} (pid {program.pid}), {args.servers} servers, {args.seconds:.0f} s, "
          f"scratch {run_dir}", flush=True)
    while (elapsed := time.monotonic() - started) < args.seconds and program.poll() is None:
        time.sleep(min(10, args.seconds - elapsed))
        elapsed = time.monotonic() - started
        samples.append((elapsed, desktop.memory_kb(measured), descriptors(measured)))
        count, up, _ = queries(run_dir)
        print(f"  {elapsed:7.0f} s: {samples[-1][1]['VmRSS']} kB resident "
              f"({samples[-1][1]['RssAnon']} anonymous), {samples[-1][2]} descriptors, "
              f"{count} searches, {up} servers up", flush=True)

    # The servers stop changing; silent ones stay silent until closed.
    roles[0].send_signal(signal.SIGUSR1)
    frozen_at = queries(run_dir)[0]
    while program.poll() is None and queries(run_dir)[0] < frozen_at + RETRIES + 2:
        time.sleep(1)
    time.sleep(INTERVAL)   # the last window's end
    end = (time.monotonic() - started, desktop.memory_kb(measured), descriptors(measured))

    answer = subprocess.run(lan.on_host(PEERS[0], [sys.executable, os.path.abspath(__file__), "--role", "probe",
                                                   "--dir", run_dir]),
                            capture_output=True, text=True).stdout.strip()

    if args.program == "torvane-headless":
        program.stdin.write(b"quit\n")
        program.stdin.flush()
    else:
        os.killpg(program.pid, signal.SIGTERM)
    try:
        status = program.wait(timeout=60)
    except subprocess.TimeoutExpired:
        program.kill()
        status = "hung"
    for role in roles:
        role.kill()
        role.wait()

    with open(scratch.log, "rb") as f:
        logged = log_texts(f.read())
    # The program's own lines. The game scan looks at every process of the
    # machine, so a game that anyone there starts is detected as ours.
    for own in ("Torvane started", "Torvane closed", "Quake launch detected"):
        logged.pop(own, None)
    truth = truth_texts(run_dir)
    missing = truth - logged
    extra = logged - truth

    minute = next((s for s in samples if s[0] >= 60), samples[0] if samples else None)
    print(f"soak: {args.program}, {end[0]:.0f} s, {queries(run_dir)[0]} searches answered, exit status {status}")
    print(f"  changes: {sum(truth.values())} in the truth, {sum(logged.values())} logged; "
          f"missing {sum(missing.values())}, extra or repeated {sum(extra.values())}")
    for text, n in list(missing.items())[:10]:
        print(f"    missing x{n}: {text}")
    for text, n in list(extra.items())[:10]:
        print(f"    extra x{n}: {text}")
    if minute:
        peak = max(s[1]["VmRSS"] for s in samples if s[0] >= minute[0])
        first = minute[1]
        print(f"  resident memory: {first['VmRSS']} kB at {minute[0]:.0f} s, {end[1]['VmRSS']} kB at the end "
              f"(growth {end[1]['VmRSS'] - first['VmRSS']} kB, highest sample {peak} kB, "
              f"peak VmHWM {end[1]['VmHWM']} kB)")
        print(f"    of which anonymous {first['RssAnon']} / {end[1]['RssAnon']} kB "
              f"(growth {end[1]['RssAnon'] - first['RssAnon']} kB), pages of files {first['RssFile']} / "
              f"{end[1]['RssFile']} kB (growth {end[1]['RssFile'] - first['RssFile']} kB)")
        print(f"  descriptors: {minute[2]} at {minute[0]:.0f} s, {end[2]} at the end, "
              f"between {min(s[2] for s in samples)} and {max(s[2] for s in samples)}")
    print(f"  status request answered in: {answer} s")

    ok = (status == 0 and not missing and not extra and minute is not None
          and end[1]["VmRSS"] - minute[1]["VmRSS"] < 1024 and end[2] == minute[2]
          and answer not in ("", "none") and float(answer) < 1.0)
    print("soak: " + ("held" if ok else "FAILED"))
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
