#!/usr/bin/env python3
"""Times pindrel-parse against curl (and yt-dlp when installed) on the two
benchmark pages, served on loopback by pindrel-bench-pages.

    tools/parse_benchmark/run_benchmark.py [--build build] [--port 18660]

For each page (1 MiB and 5 MiB of UTF-8, Chinese comments, the seven markers
at the end) hyperfine times the commands side by side, in a few rounds:
    curl -s -o /dev/null URL          fetching the page, the floor
    pindrel-parse ... ADDRESS         fetch, conversion, cuts, report
    yt-dlp --dump-json URL            when yt-dlp is on PATH
and the script prints each command's median, its ratio to curl's median and
its peak resident memory (the largest of a few runs, from GNU time). Nothing
leaves 127.0.0.1.
"""
import argparse
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile

PAGES = [("1 MiB", "av1917648"), ("5 MiB", "av5242880")]
VIDEO_SITE = "v.bench.example"  # only ever cut from the address, never resolved
TIME = "/usr/bin/time"  # GNU time (Debian package "time")


def peak_rss_mib(argv, runs=5):
    """The largest peak resident set of a few runs, as GNU time reports it.

    Not from this script's own wait4: a child's peak counts the memory of the
    process it was forked from, and this one is a Python interpreter; time(1)
    is far smaller than any command measured here."""
    peak = 0
    for _ in range(runs):
        with open(os.devnull, "wb") as null:
            done = subprocess.run([TIME, "-f", "%M"] + argv, stdout=null, stderr=subprocess.PIPE, text=True)
        if done.returncode != 0:
            raise SystemExit(f"failed: {' '.join(argv)}")
        peak = max(peak, int(done.stderr.strip().splitlines()[-1]))  # KiB
    return peak / 1024.0


def main():
    root = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--build", default=os.path.join(root, "build"), help="build directory (default: build/)")
    ap.add_argument("--parse-tool", help="a pindrel-parse other than the build's (to compare builds)")
    ap.add_argument("--port", type=int, default=18660, help="loopback port of the page server")
    ap.add_argument("--runs", type=int, default=40, help="hyperfine runs of each command in each round")
    ap.add_argument("--rounds", type=int, default=3,
                    help="hyperfine runs one after another; the medians are over all rounds' times, so a change "
                         "of load on a shared machine falls on every command alike")
    ap.add_argument("--warmup", type=int, default=3)
    ap.add_argument("--no-yt-dlp", action="store_true", help="leave yt-dlp out even when installed")
    args = ap.parse_args()

    parse_tool = args.parse_tool or os.path.join(args.build, "app", "pindrel-parse")
    server_tool = os.path.join(args.build, "tools", "parse_benchmark", "pindrel-bench-pages")
    for tool in (parse_tool, server_tool):
        if not os.access(tool, os.X_OK):
            raise SystemExit(f"missing {tool}: build it first (cmake --build {args.build})")
    if shutil.which("hyperfine") is None:
        raise SystemExit("hyperfine is not installed (apt-get install hyperfine)")
    if not os.access(TIME, os.X_OK):
        raise SystemExit("GNU time is not installed (apt-get install time)")
    yt_dlp = None if args.no_yt_dlp else shutil.which("yt-dlp")

    with tempfile.TemporaryDirectory() as tmp:
        server = subprocess.Popen([server_tool, "--port", str(args.port), "--write", tmp],
                                  stdout=subprocess.PIPE, text=True)
        try:
            ready = server.stdout.readline().split()
            if not ready or ready[0] != "ready":
                raise SystemExit("the page server did not start")
            mirror = f"127.0.0.1:{args.port}"
            rows = []
            for label, vid in PAGES:
                url = f"http://{mirror}/video/{vid}"
                commands = [
                    ("curl", ["curl", "-s", "-o", "/dev/null", url]),
                    ("pindrel-parse", [parse_tool, "--video-site-host", VIDEO_SITE, "--mirror-host", mirror,
                                       f"http://{VIDEO_SITE}/video/{vid}/"]),
                ]
                if yt_dlp:
                    commands.append(("yt-dlp", [yt_dlp, "--dump-json", "--no-cache-dir", url]))
                # The parse must succeed, or its time means nothing.
                check = subprocess.run(commands[1][1], capture_output=True)
                if check.returncode != 0:
                    raise SystemExit(f"pindrel-parse failed on the {label} page:\n" + check.stderr.decode())
                times = {name: [] for name, _ in commands}
                for round_number in range(args.rounds):
                    export = os.path.join(tmp, f"{vid}-{round_number}.json")
                    hf = ["hyperfine", "-N", "--style", "none", "--warmup", str(args.warmup), "--runs", str(args.runs),
                          "--export-json", export]
                    for name, argv in commands:
                        hf += ["-n", name, " ".join(argv)]
                    subprocess.run(hf, check=True, stdout=subprocess.DEVNULL)
                    with open(export) as f:
                        for r in json.load(f)["results"]:
                            times[r["command"]] += r["times"]
                floor = statistics.median(times["curl"])
                for name, argv in commands:
                    median = statistics.median(times[name])
                    rows.append((label, name, median * 1000, median / floor, peak_rss_mib(argv)))
        finally:
            server.terminate()
            server.wait()

    print(f"{'page':<7} {'command':<14} {'median ms':>10} {'x curl':>8} {'peak RSS MiB':>13}")
    for label, name, median_ms, ratio, rss in rows:
        print(f"{label:<7} {name:<14} {median_ms:>10.2f} {ratio:>8.2f} {rss:>13.1f}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
