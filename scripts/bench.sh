#!/usr/bin/env bash
# The benchmarks beside FFmpeg: installs what is missing (FFmpeg's filter
# library included), builds the benchmark programs in Release, runs every one
# of them and writes out/bench/report.md with each effect, its FFmpeg
# counterpart (bench/pairs.tsv), the ratio, the cost in bare passes and the
# geometric mean. The programs' JSON goes to out/bench/json/.
#
#   bash scripts/bench.sh                 every benchmark
#   BENCH_FILTER=Gaussian bash scripts/bench.sh   only the names matching
#   BENCH_BEFORE=out/bench-before/json bash scripts/bench.sh
#                                         an earlier run's JSON beside this one
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUENVARA_BUILD_TESTS=OFF \
  -DQUENVARA_BUILD_BENCHMARKS=ON >/dev/null
cmake --build build-bench

out=out/bench
mkdir -p "$out/json"
rm -f "$out"/json/*.json
for program in build-bench/bench/quenvara_*bench; do
  name=$(basename "$program")
  echo "== $name"
  "$program" --benchmark_out="$out/json/$name.json" --benchmark_out_format=json \
    ${BENCH_FILTER:+--benchmark_filter="$BENCH_FILTER"} || echo "$name failed ($?)" >&2
done

python3 scripts/bench_report.py "$out/json" bench/pairs.tsv "$out/report.md" \
  ${BENCH_BEFORE:+--before "$BENCH_BEFORE"}
