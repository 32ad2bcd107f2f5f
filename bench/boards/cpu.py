#!/usr/bin/env python3
"""CPU seconds (user + system) of a set of processes, between two snapshots.

  cpu.py snap env NAME=VALUE FILE [EXCEPT-PID...]
                                    snapshot of every process whose environment holds NAME=VALUE
                                    (not this script, nor the processes named)
  cpu.py snap pid PID FILE          snapshot of one process
  cpu.py delta FILE1 FILE2 [-v]     CPU used between the snapshots by the processes of the
                                    second (those started in between count from zero); -v
                                    names the biggest users
"""
import json
import os
import sys

TICKS = os.sysconf("SC_CLK_TCK")


def stat(pid):
    try:
        with open(f"/proc/{pid}/stat") as f:
            head, rest = f.read().rsplit(")", 1)
        fields = rest.split()
        return head.split("(", 1)[1], (int(fields[11]) + int(fields[12])) / TICKS
    except (OSError, IndexError, ValueError):
        return None, 0.0


def has_env(pid, entry):
    try:
        with open(f"/proc/{pid}/environ", "rb") as f:
            return entry.encode() in f.read().split(b"\0")
    except OSError:
        return False


def snap(kind, what, path, skip):
    if kind == "env":
        skip = set(skip) | {str(os.getpid())}
        pids = {p for p in os.listdir("/proc") if p.isdigit() and p not in skip and has_env(p, what)}
        # Wine may reuse the memory that /proc shows as a process's environment:
        # a process found once stays in the set.
        seen = os.environ.get("BIMBLY_CPU_SEEN", path + ".pids")
        if os.path.exists(seen):
            with open(seen) as f:
                pids |= set(json.load(f))
        with open(seen, "w") as f:
            json.dump(sorted(pids), f)
    else:
        pids = [what]
    out = {}
    for p in pids:
        name, cpu = stat(p)
        if name is not None:
            out[p] = [name, cpu]
    with open(path, "w") as f:
        json.dump(out, f)


def delta(a, b, verbose):
    with open(a) as f:
        first = json.load(f)
    with open(b) as f:
        second = json.load(f)
    used = {p: cpu - (first[p][1] if p in first else 0.0) for p, (name, cpu) in second.items()}
    print(f"{sum(used.values()):.2f}")
    if verbose:
        for p, u in sorted(used.items(), key=lambda kv: -kv[1])[:6]:
            print(f"    {second[p][0]:<24} {u:6.2f}", file=sys.stderr)


def main():
    a = sys.argv[1:]
    if len(a) >= 4 and a[0] == "snap":
        snap(a[1], a[2], a[3], a[4:])
    elif len(a) >= 3 and a[0] == "delta":
        delta(a[1], a[2], "-v" in a)
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
