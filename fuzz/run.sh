#!/bin/sh
# Builds the ISF parser fuzzer with clang's libFuzzer (ASan and UBSan) into
# build-fuzz/ and runs it single-process for SECONDS (default 60) over the
# seed corpus in fuzz/corpus/, keeping new inputs in build-fuzz/corpus/.
# Usage: sh fuzz/run.sh [SECONDS] [extra libFuzzer flags]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/build-fuzz"
seconds=${1:-60}
[ $# -gt 0 ] && shift
if ! command -v clang++ >/dev/null; then
  echo "the fuzzer needs clang with libFuzzer: apt-get install clang" >&2
  exit 1
fi
mkdir -p "$out/corpus"
if [ ! -x "$out/isf_parser_fuzzer" ] || [ -n "$(find "$root/fuzz" "$root/host/src/isf" \
    "$root/host/include/obrisk/isf" "$root/plugin/isf/ISFParser.cpp" "$root/plugin/isf/ISFParser.h" \
    -newer "$out/isf_parser_fuzzer" -name '*.[ch]*' 2>/dev/null)" ]; then
  clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$root/host/include" -I"$root/plugin" \
    "$root/fuzz/IsfParserFuzzer.cpp" "$root/plugin/isf/ISFParser.cpp" "$root/plugin/frame/ShaderDialect.cpp" \
    "$root/host/src/isf/ISFUtils.cpp" "$root/host/src/Exception.cpp" \
    -lglog -lfmt -ldl -o "$out/isf_parser_fuzzer"
fi
exec "$out/isf_parser_fuzzer" "$out/corpus" "$root/fuzz/corpus" -max_total_time="$seconds" \
  -print_final_stats=1 -max_len=8192 "$@"
