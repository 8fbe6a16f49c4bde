#!/usr/bin/env python3
"""Writes the benchmark report (Markdown) from the benchmark programs' JSON.

Usage: bench_report.py RESULTS_DIR PAIRS_TABLE REPORT [--before BEFORE_DIR]

RESULTS_DIR holds one Google Benchmark JSON file per program (<program>.json);
PAIRS_TABLE (bench/pairs.tsv) names, for each of our benchmarks, its FFmpeg
counterpart and whether it is a per-pixel pass. With --before, a second
results directory (an earlier run) is set beside this one.
"""

import argparse
import json
import math
import pathlib
import re
import sys

# The bare 1080p pass every cost is expressed in.
BARE_PASS = "bench/BM_BareCopyPass1080p"
HOST_PROCESS = "bench/BM_ProcessHostSide"
# Budgets: a per-pixel effect or simple transition costs at most this many
# bare passes; the geometric mean of the ratios is at least this.
PIXEL_PASS_BUDGET = 1.5
GEOMEAN_TARGET = 1.0

# Suffixes Google Benchmark appends to a name for its run options.
OPTION_SUFFIX = re.compile(r"/(real_time|min_time:[0-9.]+|iterations:[0-9]+)$")
TIME_UNITS_MS = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}
# The names of FFmpeg's figures.
FFMPEG_NAME = re.compile(r"FFmpeg|Libav|Swscale")


def program_key(path):
    """quenvara_blur_bench.json -> blur_bench; quenvara_bench.json -> bench."""
    return path.stem.removeprefix("quenvara_")


def plain_name(name):
    while True:
        shorter = OPTION_SUFFIX.sub("", name)
        if shorter == name:
            return name
        name = shorter


def load_results(directory):
    """{program/benchmark: {ms, ns, counters..., error}}, and the context."""
    results, context = {}, {}
    for path in sorted(pathlib.Path(directory).glob("*.json")):
        try:
            data = json.loads(path.read_text())
        except json.JSONDecodeError as error:
            print(f"{path}: unreadable ({error}); left out", file=sys.stderr)
            continue
        context = context or data.get("context", {})
        for run in data.get("benchmarks", []):
            if run.get("run_type") == "aggregate":
                continue
            key = f"{program_key(path)}/{plain_name(run['name'])}"
            scale = TIME_UNITS_MS[run.get("time_unit", "ns")]
            entry = dict(run)
            entry["ms"] = run.get("real_time", 0.0) * scale
            entry["skipped"] = run.get("error_occurred", False)
            results[key] = entry
    return results, context


def load_pairs(path):
    """[(ours, ffmpeg, kind)] from the tab-separated table; '#' starts a comment."""
    pairs = []
    for number, line in enumerate(pathlib.Path(path).read_text().splitlines(), 1):
        line = line.split("#", 1)[0].strip()
        if not line:
            continue
        fields = line.split()
        if len(fields) != 3:
            sys.exit(f"{path}:{number}: want 'ours ffmpeg kind', got {line!r}")
        pairs.append(tuple(fields))
    return pairs


def usable(results, key):
    entry = results.get(key)
    return entry if entry and not entry["skipped"] and entry["ms"] > 0 else None


def fmt(value, digits=2):
    return "–" if value is None else f"{value:.{digits}f}"


def fmt_ms(value):
    """Three significant figures, without an exponent."""
    if value is None:
        return "–"
    digits = 0 if value >= 100 else 1 if value >= 10 else 2 if value >= 1 else 3
    return f"{value:.{digits}f}"


def geometric_mean(values):
    values = [v for v in values if v]
    return math.exp(sum(math.log(v) for v in values) / len(values)) if values else None


class Run:
    """One set of results with the figures the tables derive from it."""

    def __init__(self, directory):
        self.results, self.context = load_results(directory)
        bare = usable(self.results, BARE_PASS)
        self.bare_ms = bare["ms"] if bare else None

    def ms(self, key):
        entry = usable(self.results, key)
        return entry["ms"] if entry else None

    def passes(self, key):
        ms = self.ms(key)
        return ms / self.bare_ms if ms is not None and self.bare_ms else None

    def ratio(self, ours, ffmpeg):
        mine, theirs = self.ms(ours), self.ms(ffmpeg)
        return theirs / mine if mine and theirs else None

    def geomean(self, pairs):
        return geometric_mean([self.ratio(ours, ffmpeg) for ours, ffmpeg, _ in pairs])

    def host(self):
        entry = usable(self.results, HOST_PROCESS)
        if not entry:
            return None, None
        return entry["ms"] * 1e3, entry.get("allocs_per_Process")


def pair_table(run, before, pairs):
    head = "| ours | ms | bare passes | FFmpeg | ms | ratio (FFmpeg / ours) |"
    rule = "|---|---:|---:|---|---:|---:|"
    if before:
        head += " before: ms | before: ratio |"
        rule += "---:|---:|"
    lines = [head, rule]
    for ours, ffmpeg, kind in pairs:
        passes = run.passes(ours)
        flag = " ⚠" if kind == "pixel" and passes and passes > PIXEL_PASS_BUDGET else ""
        row = (f"| {ours} | {fmt_ms(run.ms(ours))} | {fmt(passes)}{flag} | {ffmpeg} | "
               f"{fmt_ms(run.ms(ffmpeg))} | {fmt(run.ratio(ours, ffmpeg), 3)} |")
        if before:
            row += f" {fmt_ms(before.ms(ours))} | {fmt(before.ratio(ours, ffmpeg), 3)} |"
        lines.append(row)
    return lines


def solo_table(run, before, paired, ffmpeg):
    """Our unpaired figures (ffmpeg False) or FFmpeg's (True)."""
    head, rule = "| benchmark | ms | bare passes |", "|---|---:|---:|"
    if before:
        head += " before: ms |"
        rule += "---:|"
    lines = [head, rule]
    for key in sorted(run.results):
        if key in paired or run.results[key].get("time_unit") != "ms":
            continue
        if bool(FFMPEG_NAME.search(key)) != ffmpeg:
            continue
        row = f"| {key} | {fmt_ms(run.ms(key))} | {fmt(run.passes(key))} |"
        if before:
            row += f" {fmt_ms(before.ms(key))} |"
        lines.append(row)
    return lines


def summary(run, before, pairs):
    lines = ["| figure | now |" + (" before |" if before else ""),
             "|---|---:|" + ("---:|" if before else "")]

    def add(label, value_of):
        row = f"| {label} | {value_of(run)} |"
        if before:
            row += f" {value_of(before)} |"
        lines.append(row)

    add("bare 1080p pass, ms", lambda r: fmt_ms(r.bare_ms))
    add(f"geometric mean of the ratios ({len(pairs)} pairs; ≥ {GEOMEAN_TARGET:g} is faster)",
        lambda r: fmt(r.geomean(pairs), 3))
    add("host-side Process, µs", lambda r: fmt(r.host()[0], 3))
    add("allocations per Process", lambda r: fmt(r.host()[1]))
    pixel = [p for p in pairs if p[2] == "pixel"]
    add(f"per-pixel pairs above {PIXEL_PASS_BUDGET:g} bare passes",
        lambda r: str(sum(1 for ours, _, _ in pixel
                          if (r.passes(ours) or 0) > PIXEL_PASS_BUDGET)))
    return lines


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("results")
    parser.add_argument("pairs")
    parser.add_argument("report")
    parser.add_argument("--before")
    args = parser.parse_args()

    run = Run(args.results)
    before = Run(args.before) if args.before else None
    pairs = load_pairs(args.pairs)
    missing = [key for pair in pairs for key in pair[:2] if key not in run.results]
    paired = {key for pair in pairs for key in pair[:2]}

    context = run.context
    lines = [
        "# Benchmarks beside FFmpeg",
        "",
        f"Run {context.get('date', '?')} on {context.get('host_name', '?')}: "
        f"{context.get('num_cpus', '?')} CPUs at {context.get('mhz_per_cpu', '?')} MHz, "
        f"load {', '.join(f'{l:.2f}' for l in context.get('load_avg', []))}; "
        f"renderer {context.get('renderer', '?')}; {context.get('library_build_type', '?')} "
        "benchmark library. Every GPU figure is the time to a finished frame; FFmpeg's "
        "filters ran in the same process on the same pictures. The ratio is FFmpeg's time "
        "over ours (above 1: ours is faster); bare passes are a figure over the bare "
        "1080p copy pass (⚠: a per-pixel pass above "
        f"{PIXEL_PASS_BUDGET:g}).",
        "",
        "## Summary",
        "",
        *summary(run, before, pairs),
        "",
        "## Matched pairs",
        "",
        *pair_table(run, before, pairs),
        "",
        "## Ours without a counterpart",
        "",
        *solo_table(run, before, paired, ffmpeg=False),
        "",
        "## FFmpeg's other figures",
        "",
        *solo_table(run, before, paired, ffmpeg=True),
    ]
    if missing:
        lines += ["", "Not in this run (skipped, or not built): " + ", ".join(missing)]
    pathlib.Path(args.report).write_text("\n".join(lines) + "\n")
    print(f"wrote {args.report}")


if __name__ == "__main__":
    main()
