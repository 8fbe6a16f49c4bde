#!/bin/sh
# Builds the fuzzer of ISF package files with --set values (the tool's
# package reader) with clang's libFuzzer (ASan and UBSan) into build-fuzz/
# and runs it single-process for SECONDS (default 60) over the seed corpus
# in fuzz/package_corpus/, keeping new inputs in build-fuzz/package_corpus/.
# Usage: sh fuzz/run_packages.sh [SECONDS] [extra libFuzzer flags]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/build-fuzz"
seconds=${1:-60}
[ $# -gt 0 ] && shift
if ! command -v clang++ >/dev/null; then
  echo "the fuzzer needs clang with libFuzzer: apt-get install clang" >&2
  exit 1
fi
mkdir -p "$out/package_corpus"
fuzzer="$out/shader_package_fuzzer"
if [ ! -x "$fuzzer" ] || [ -n "$(find "$root/fuzz" "$root/host/src" "$root/host/include" \
    "$root/tools/cli" "$root/plugin/isf/ISFParser.cpp" "$root/plugin/isf/ISFParser.h" \
    -newer "$fuzzer" -name '*.[ch]*' 2>/dev/null)" ]; then
  clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$root/host/include" -I"$root/gpu/include" -I"$root/plugin" -I"$root/tools/cli" \
    "$root/fuzz/ShaderPackageFuzzer.cpp" "$root/tools/cli/ShaderPackage.cpp" \
    "$root/plugin/isf/ISFParser.cpp" "$root/plugin/frame/ShaderDialect.cpp" "$root/host/src/isf/ISFUtils.cpp" \
    "$root/host/src/Property.cpp" "$root/host/src/Settings.cpp" "$root/host/src/Exception.cpp" \
    -lglog -lfmt -o "$fuzzer"
fi
exec "$fuzzer" "$out/package_corpus" "$root/fuzz/package_corpus" -max_total_time="$seconds" \
  -print_final_stats=1 -max_len=8192 "$@"
