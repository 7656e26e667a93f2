#!/usr/bin/env python3
"""Round trips and the median of timings for run_line_speed_bench.sh.

  line_speed_stats.py trips tarnwick|curl LOG   round trips of the last session in LOG
  line_speed_stats.py time N CMD...             runs CMD N times: median wall and CPU ms
"""
import resource
import statistics
import subprocess
import sys
import time


def events(kind, path):
    """'C', 'S' or 'T' (a TLS handshake) for each line of the log, in order."""
    with open(path, errors="replace") as log:
        lines = log.read().splitlines()
    if kind == "tarnwick":
        found = []
        for line in lines:
            parts = line.split(" ", 3)
            if len(parts) < 3:
                continue
            marker = parts[2]
            if marker == "--":  # a note: a TLS handshake, or a time-out
                marker = "--" if len(parts) > 3 and parts[3].startswith("TLS") else ""
            found.append({"C:": "C", "S:": "S", "--": "T"}.get(marker, ""))
        return [e for e in found if e]
    found = []
    for line in lines:
        if line.startswith("> "):
            found.append("C")
        elif line.startswith("< "):
            found.append("S")
        elif line.startswith("* SSL connection using") or line.startswith("* TLS"):
            if "connection using" in line:
                found.append("T")
    return found


def trips(kind, path):
    count, previous = 0, "start"
    for event in events(kind, path):
        if event == "T":
            count += 1
        elif event == "S" and previous in ("start", "C", "T"):
            count += 1
        previous = event
    return count


def main():
    if sys.argv[1] == "trips":
        print(trips(sys.argv[2], sys.argv[3]))
    else:
        walls, cpus = [], []
        for _ in range(int(sys.argv[2])):
            before = resource.getrusage(resource.RUSAGE_CHILDREN)
            start = time.perf_counter()
            subprocess.run(sys.argv[3:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            walls.append((time.perf_counter() - start) * 1000)
            after = resource.getrusage(resource.RUSAGE_CHILDREN)
            cpus.append((after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime) * 1000)
        print(f"{statistics.median(walls):.0f} {statistics.median(cpus):.0f}")


main()
