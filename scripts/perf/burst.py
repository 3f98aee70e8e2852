#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-2.0-or-later
"""Many servers answering one broadcast: how many reach torvane-query's host
table, and what the burst costs in memory.

On a private LAN of two hosts, quakesim plays N game servers on host 1, all
on the game port, so that every one of them answers the one broadcast
status query that torvane-query sends from host 2. RUNS runs; each tells the
servers listed, wall time, CPU time and peak resident memory.

    sudo scripts/perf/burst.py [--build build/release] [--servers 10000] [--runs 5]
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


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default="build/release")
    parser.add_argument("--servers", type=int, default=10000)
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    lan.enter(2)
    lan.raise_descriptor_limit(args.servers + 64)
    sim = subprocess.Popen(
        lan.on_host(1, [f"{build}/quakesim", "--servers", str(args.servers), "--port", "27910", "--same-port",
                        "--seconds", "900"]),
        stdout=subprocess.PIPE, text=True)
    lan.wait_for_line(sim, "ready", timeout=120)
    lan.move_to_host(2)
    out_path = os.path.join(tempfile.mkdtemp(prefix="torvane-burst-"), "out.json")
    runs = []
    for _ in range(args.runs):
        with open(out_path, "w") as out:
            measured = lan.measure(f"{build}/measure", [f"{build}/torvane-query", "--json", "--port", "27910"],
                                   stdout=out)
        with open(out_path) as f:
            measured.servers = len(json.load(f))
        runs.append(measured)
        print(f"  {measured.servers} servers listed, {measured.wall * 1000:.0f} ms wall, "
              f"{measured.cpu * 1000:.1f} ms CPU, peak RSS {measured.peak_kb / 1024:.2f} MB")
    sim.terminate()
    sim.wait()
    kept = statistics.median(m.servers for m in runs)
    print(f"{args.servers} servers answering one broadcast, {args.runs} runs; medians:")
    print(f"  kept {kept:.0f} ({100 * kept / args.servers:.2f} %, fewest {min(m.servers for m in runs)}), "
          f"CPU {statistics.median(m.cpu for m in runs) * 1000:.1f} ms, "
          f"peak RSS {statistics.median(m.peak_kb for m in runs) / 1024:.2f} MB "
          f"(highest {max(m.peak_kb for m in runs) / 1024:.2f} MB)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
