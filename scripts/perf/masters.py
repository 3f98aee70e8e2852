#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-2.0-or-later
"""torvane-query --master against quakestat -q2m (Debian package qstat).

On a private LAN of two hosts, quakesim on host 1 plays N game servers
(ports 30000 up) that hold every reply 20 +- 5 ms, and a stand-in master on
its port 27900 listing them all; it records each server's true delay (from
the arrival stamp of its query to the moment the reply left) and how many
queries each got. Host 2 asks the master with torvane-query and with
quakestat, alternating, RUNS rounds, a fresh simulator for each run. Wall
and CPU time come from the kernel's accounting of the tool's process alone;
the ping error is |ping - true delay| over every server listed. Then the
master's list is split over DATAGRAMS datagrams and each tool runs once more.

    sudo scripts/perf/masters.py [--build build/release] [--servers 1000]
        [--runs 5] [--datagrams 5]
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
MASTER_PORT = 27900


def parse_args():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build/release")
    parser.add_argument("--servers", type=int, default=1000)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--datagrams", type=int, default=5)
    return parser.parse_args()


def percentile(values, share):
    ordered = sorted(values)
    if not ordered:
        return float("nan")
    return ordered[min(len(ordered) - 1, int(round(share * (len(ordered) - 1))))]


def listed_torvane(output, host):
    """port -> (ping, players) of every server torvane-query listed."""
    return {int(s["port"]): (s["ping"], len(s["players"])) for s in json.loads(output) if s["address"] == host}


def listed_quakestat(output, host):
    listed = {}
    for server in json.loads(output):
        address, _, port = server.get("address", "").partition(":")
        if address == host and server.get("status") == "online" and int(port) != MASTER_PORT:
            listed[int(port)] = (server["ping"], len(server.get("players", [])))
    return listed


def one_run(args, build, work, tool, argv, datagrams):
    delays_path = os.path.join(work, "delays.json")
    if os.path.exists(delays_path):
        os.remove(delays_path)
    sim = subprocess.Popen(
        lan.on_host(1, [f"{build}/quakesim", "--servers", str(args.servers), "--port", str(FIRST_PORT), "--address",
         lan.address(1), "--master-port", str(MASTER_PORT), "--master-datagrams", str(datagrams),
         "--delay-ms", "20", "--jitter-ms", "5", "--delays", delays_path, "--seconds", "600"]),
        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    lan.wait_for_line(sim, "ready")
    out_path = os.path.join(work, "out.json")
    with open(out_path, "w") as out:
        measured = lan.measure(f"{build}/measure", argv, stdout=out)
    sim.terminate()
    sim.wait()
    with open(out_path) as f:
        output = f.read()
    with open(delays_path) as f:
        truth = {int(port): figures for port, figures in json.load(f).items()}
    host = lan.address(1)
    listed = listed_torvane(output, host) if tool == "torvane-query" else listed_quakestat(output, host)
    signed = [ping - truth[port]["delay_ms"] for port, (ping, _) in listed.items() if port in truth]
    errors = [abs(e) for e in signed]
    return {
        "wall": measured.wall, "cpu": measured.cpu, "servers": len(listed),
        "players": sum(players for _, players in listed.values()),
        "asked_more_than_once": sum(1 for figures in truth.values() if figures["queries"] > 1),
        "errors": errors,
        "late": sum(1 for e in signed if e > 1.0),
        "early": sum(1 for e in signed if e < -1.0),
    }


def main():
    args = parse_args()
    build = os.path.abspath(args.build)
    lan.raise_descriptor_limit(args.servers + 256)
    lan.enter(2)
    work = tempfile.mkdtemp(prefix="torvane-masters-")
    lan.move_to_host(2)
    master = f"{lan.address(1)}:{MASTER_PORT}"
    tools = {
        "torvane-query": [f"{build}/torvane-query", "--json", "--no-broadcast", "--master", master],
        "quakestat -q2m": ["quakestat", "-json", "-P", "-q2m", master],
    }
    results = {name: [] for name in tools}
    names = list(tools)
    for run in range(args.runs):
        for name in names[run % 2:] + names[:run % 2]:
            results[name].append(one_run(args, build, work, name, tools[name], 1))

    print(f"{args.servers} servers answering 20 +- 5 ms late, one master datagram, {args.runs} runs each, "
          f"alternating; medians of the runs, ping error over every server listed in every run:")
    print(f"{'':16} {'wall ms':>9} {'CPU ms':>8} {'servers':>8} {'players':>8} {'asked >1':>9} "
          f"{'ping err median':>16} {'95th pct':>9} {'max':>7} {'>1 ms late':>11} {'>1 ms early':>12}")
    medians = {}
    for name in names:
        runs = results[name]
        errors = [e for r in runs for e in r["errors"]]
        medians[name] = (statistics.median(r["wall"] for r in runs), statistics.median(r["cpu"] for r in runs))
        print(f"{name:16} {medians[name][0] * 1000:9.1f} {medians[name][1] * 1000:8.1f} "
              f"{min(r['servers'] for r in runs):8} {min(r['players'] for r in runs):8} "
              f"{max(r['asked_more_than_once'] for r in runs):9} {statistics.median(errors):16.3f} "
              f"{percentile(errors, 0.95):9.3f} {max(errors):7.3f} {sum(r['late'] for r in runs):11} "
              f"{sum(r['early'] for r in runs):12}")
    ours, theirs = medians["torvane-query"], medians["quakestat -q2m"]
    print(f"quakestat / torvane-query: wall {theirs[0] / ours[0]:.2f}, CPU {theirs[1] / max(ours[1], 1e-6):.2f}")

    print(f"the list split over {args.datagrams} datagrams, one run each:")
    for name in names:
        split = one_run(args, build, work, name, tools[name], args.datagrams)
        print(f"  {name:16} {split['servers']} of {args.servers} servers listed, "
              f"{split['asked_more_than_once']} asked more than once")
    return 0


if __name__ == "__main__":
    sys.exit(main())
