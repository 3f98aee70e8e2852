#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-2.0-or-later
"""torvane-query against quakestat (Debian package qstat), in the same run.

On a private LAN of two hosts, quakesim plays N game servers on host 1
(ports 30000 up, 0 to 16 players each); host 2 asks all of them by address,
once with torvane-query and once with quakestat at each -maxsim, in rotating
order, RUNS rounds. Each run's wall time, CPU time (user + system) and peak
resident memory are taken from the kernel's accounting of that process
alone. Every output is checked against what the servers sent: every server
and every player, with host name, map, slots, players' names, frags and
pings (and, from one extra quakestat run with -R, the frag and time limits).

    sudo scripts/perf/compare-quakestat.py [--build build/release] [--servers 1000]
        [--runs 5] [--maxsim 50,200,500,1000] [--rate N]

torvane-query asks at most --rate servers per second (its own default,
1,000, when not given).
"""

import argparse
import json
import os
import statistics
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import lan  # noqa: E402

FIRST_PORT = 30000


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build/release")
    parser.add_argument("--servers", type=int, default=1000)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--maxsim", default="50,200,500,1000")
    parser.add_argument("--rate", type=int)
    return parser.parse_args()


def expected_servers(path):
    with open(path) as f:
        return {server["port"]: server for server in json.load(f)}


def check_torvane(output, expected, host):
    """Differences between torvane-query's JSON and what the servers sent."""
    problems = []
    seen = {}
    for server in json.loads(output):
        if server["address"] != host:
            problems.append(f"unexpected address {server['address']}")
            continue
        seen[int(server["port"])] = server
    for port, want in expected.items():
        got = seen.get(port)
        if got is None:
            problems.append(f"torvane-query: {port} missing")
            continue
        for ours, theirs in (("hostname", "hostname"), ("map", "map"), ("maxclients", "maxclients"),
                             ("fraglimit", "fraglimit"), ("timelimit", "timelimit")):
            if got[ours] != want[theirs]:
                problems.append(f"torvane-query: {port} {ours} {got[ours]!r} != {want[theirs]!r}")
        players = [(p["name"], p["frags"], p["ping"]) for p in got["players"]]
        if players != [(p["name"], p["frags"], p["ping"]) for p in want["players"]]:
            problems.append(f"torvane-query: {port} players differ")
    return problems, sum(len(s["players"]) for s in seen.values()), len(seen)


def check_quakestat(output, expected, host, with_rules):
    problems = []
    seen = {}
    for server in json.loads(output):
        address, _, port = server["address"].partition(":")
        if address != host or server.get("status") != "online":
            problems.append(f"quakestat: {server['address']} {server.get('status')}")
            continue
        seen[int(port)] = server
    for port, want in expected.items():
        got = seen.get(port)
        if got is None:
            problems.append(f"quakestat: {port} missing")
            continue
        for ours, theirs in (("name", "hostname"), ("map", "map"), ("maxplayers", "maxclients")):
            if got[ours] != want[theirs]:
                problems.append(f"quakestat: {port} {ours} {got[ours]!r} != {want[theirs]!r}")
        if with_rules:
            for rule in ("fraglimit", "timelimit"):
                if got.get("rules", {}).get(rule) != str(want[rule]):
                    problems.append(f"quakestat: {port} {rule} {got.get('rules', {}).get(rule)!r}")
        players = [(p["name"], p["score"], p["ping"]) for p in got.get("players", [])]
        if players != [(p["name"], p["frags"], p["ping"]) for p in want["players"]]:
            problems.append(f"quakestat: {port} players differ")
    return problems, sum(len(s.get("players", [])) for s in seen.values()), len(seen)


def main():
    args = parse_args()
    build = os.path.abspath(args.build)
    lan.enter(2)
    host = lan.address(1)
    work = tempfile.mkdtemp(prefix="torvane-compare-")
    expect_path = os.path.join(work, "expect.json")
    sim = subprocess.Popen(
        lan.on_host(1, [f"{build}/quakesim", "--servers", str(args.servers), "--port", str(FIRST_PORT),
                        "--expect", expect_path, "--seconds", "900"]),
        stdout=subprocess.PIPE, text=True)
    lan.wait_for_line(sim, "ready")
    expected = expected_servers(expect_path)
    players_sent = sum(len(s["players"]) for s in expected.values())
    lan.move_to_host(2)

    targets = [f"{host}:{FIRST_PORT + i}" for i in range(args.servers)]
    rate = ["--rate", str(args.rate)] if args.rate else []
    tools = {"torvane-query": [f"{build}/torvane-query", "--json", "--no-broadcast"] + rate
             + [a for t in targets for a in ("--server", t)]}
    for maxsim in args.maxsim.split(","):
        tools[f"quakestat -maxsim {maxsim}"] = ["quakestat", "-maxsim", maxsim, "-P", "-json"] \
            + [a for t in targets for a in ("-q2s", t)]

    results = {name: [] for name in tools}
    problems = []
    names = list(tools)
    for run in range(args.runs):
        order = names[run % len(names):] + names[:run % len(names)]
        for name in order:
            out_path = os.path.join(work, "out.json")
            with open(out_path, "w") as out:
                measured = lan.measure(f"{build}/measure", tools[name], stdout=out)
            with open(out_path) as f:
                output = f.read()
            if name == "torvane-query":
                found, players, servers = check_torvane(output, expected, host)
            else:
                found, players, servers = check_quakestat(output, expected, host, False)
            problems += found
            measured.servers, measured.players = servers, players
            results[name].append(measured)

    # Limits: quakestat shows them only among the rules.
    best_qs = min((n for n in names if n.startswith("quakestat")),
                  key=lambda n: statistics.median(m.wall for m in results[n]))
    with open(os.path.join(work, "rules.json"), "w") as out:
        subprocess.run(tools[best_qs][:3] + ["-R"] + tools[best_qs][3:], stdout=out, check=True)
    with open(os.path.join(work, "rules.json")) as f:
        problems += check_quakestat(f.read(), expected, host, True)[0]

    sim.terminate()
    sim.wait()

    print(f"{args.servers} servers, {players_sent} players sent, {args.runs} runs each, alternating; medians:")
    print(f"{'':28} {'wall ms':>9} {'CPU ms':>9} {'peak RSS MB':>12} {'servers':>8} {'players':>8}")
    medians = {}
    for name in names:
        runs = results[name]
        medians[name] = (statistics.median(m.wall for m in runs), statistics.median(m.cpu for m in runs),
                         statistics.median(m.peak_kb for m in runs) / 1024)
        wall, cpu, peak = medians[name]
        print(f"{name:28} {wall * 1000:9.1f} {cpu * 1000:9.1f} {peak:12.2f} "
              f"{min(m.servers for m in runs):8} {min(m.players for m in runs):8}")
    ours = medians["torvane-query"]
    best_wall = min(medians[n][0] for n in names if n != "torvane-query")
    best_cpu = min(medians[n][1] for n in names if n != "torvane-query")
    print(f"quakestat at its best (fastest -maxsim: {best_qs.split()[-1]}); against the best of any -maxsim:")
    print(f"  wall time: quakestat / torvane-query = {best_wall / ours[0]:.2f}")
    print(f"  CPU time:  quakestat / torvane-query = {best_cpu / max(ours[1], 1e-6):.2f}")
    print(f"  torvane-query peak RSS {ours[2]:.2f} MB")
    print(f"{'every server and player listed by both with the same fields' if not problems else 'DIFFERENCES:'}")
    for problem in problems[:20]:
        print("  " + problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
