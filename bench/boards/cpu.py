#!/usr/bin/env python3
"""CPU seconds (user + system) of a set of processes, between two snapshots.

  cpu.py snap env NAME=VALUE FILE [EXCEPT-PID...]
                                    snapshot of every process of the machine, those whose
                                    environment holds NAME=VALUE marked as measured (not this
                                    script, nor the processes named)
  cpu.py snap pid PID FILE          snapshot of one process
  cpu.py delta FILE1 FILE2 [-v]     CPU used between the snapshots by the measured processes
                                    (-v names the biggest users)
  cpu.py machine FILE1 FILE2        CPU the whole machine used between the snapshots
  cpu.py threads PID SECONDS        CPU of each thread of a process over that time

A process is known by its pid and start time, so a reused pid is not taken for
the process before. Every snapshot holds every process, so a process that the
first one did not mark (Wine may reuse the memory /proc shows as its
environment) is still counted from where it stood then, not from zero.
"""
import json
import os
import sys
import time

TICKS = os.sysconf("SC_CLK_TCK")


def stat(pid):
    """(name, CPU seconds, start time) of a process or thread, or None."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            head, rest = f.read().rsplit(")", 1)
        fields = rest.split()
        return head.split("(", 1)[1], (int(fields[11]) + int(fields[12])) / TICKS, fields[19]
    except (OSError, IndexError, ValueError):
        return None


def has_env(pid, entry):
    try:
        with open(f"/proc/{pid}/environ", "rb") as f:
            return entry.encode() in f.read().split(b"\0")
    except OSError:
        return False


def machine_busy():
    """CPU seconds the machine has been busy (all cores), from /proc/stat."""
    with open("/proc/stat") as f:
        v = [int(x) for x in f.readline().split()[1:]]
    # user nice system idle iowait irq softirq steal
    return (v[0] + v[1] + v[2] + v[5] + v[6] + (v[7] if len(v) > 7 else 0)) / TICKS


def snap(kind, what, path, skip):
    procs = {}
    if kind == "env":
        skip = set(skip) | {str(os.getpid())}
        # A process marked once stays marked for the run.
        seen_path = os.environ.get("BIMBLY_CPU_SEEN", path + ".pids")
        seen = set()
        if os.path.exists(seen_path):
            with open(seen_path) as f:
                seen = set(json.load(f))
        for p in (p for p in os.listdir("/proc") if p.isdigit()):
            s = stat(p)
            if s is None:
                continue
            key = f"{p}:{s[2]}"
            marked = p not in skip and (key in seen or has_env(p, what))
            if marked:
                seen.add(key)
            procs[key] = [s[0], s[1], marked]
        with open(seen_path, "w") as f:
            json.dump(sorted(seen), f)
    else:
        s = stat(what)
        if s is not None:
            procs[f"{what}:{s[2]}"] = [s[0], s[1], True]
    with open(path, "w") as f:
        json.dump({"machine": machine_busy(), "time": time.time(), "procs": procs}, f)


def load(path):
    with open(path) as f:
        return json.load(f)


def delta(a, b, verbose):
    first, second = load(a)["procs"], load(b)["procs"]
    # Processes that started in between count from zero.
    used = {k: cpu - (first[k][1] if k in first else 0.0) for k, (name, cpu, marked) in second.items() if marked}
    print(f"{sum(used.values()):.2f}")
    if verbose:
        for k, u in sorted(used.items(), key=lambda kv: -kv[1])[:6]:
            print(f"    {second[k][0]:<24} {u:6.2f}", file=sys.stderr)


def machine(a, b):
    print(f"{load(b)['machine'] - load(a)['machine']:.2f}")


def threads(pid, seconds):
    def take():
        out = {}
        for t in os.listdir(f"/proc/{pid}/task"):
            s = stat(f"{pid}/task/{t}")
            if s is not None:
                out[t] = s
        return out

    before = take()
    time.sleep(seconds)
    after = take()
    rows = sorted(((s[1] - before.get(t, (None, 0.0))[1], t, s[0]) for t, s in after.items()), reverse=True)
    for used, t, name in rows:
        if used > 0:
            print(f"  thread {t:>8} {name:<16} {used:6.2f} CPU-s")


def main():
    a = sys.argv[1:]
    if len(a) >= 4 and a[0] == "snap":
        snap(a[1], a[2], a[3], a[4:])
    elif len(a) >= 3 and a[0] == "delta":
        delta(a[1], a[2], "-v" in a)
    elif len(a) == 3 and a[0] == "machine":
        machine(a[1], a[2])
    elif len(a) == 3 and a[0] == "threads":
        threads(a[1], float(a[2]))
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
