#!/bin/sh
# Builds the JSON-to-settings fuzzer with clang's libFuzzer (ASan and UBSan)
# into build-fuzz/ and runs it single-process for SECONDS (default 60) over
# the seed corpus in fuzz/settings_corpus/, keeping new inputs in
# build-fuzz/settings_corpus/.
# Usage: sh fuzz/run_settings.sh [SECONDS] [extra libFuzzer flags]
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/build-fuzz"
seconds=${1:-60}
[ $# -gt 0 ] && shift
if ! command -v clang++ >/dev/null; then
  echo "the fuzzer needs clang with libFuzzer: apt-get install clang" >&2
  exit 1
fi
mkdir -p "$out/settings_corpus"
fuzzer="$out/settings_json_fuzzer"
if [ ! -x "$fuzzer" ] || [ -n "$(find "$root/fuzz" "$root/host/src" "$root/host/include" \
    -newer "$fuzzer" -name '*.[ch]*' 2>/dev/null)" ]; then
  clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$root/host/include" \
    "$root/fuzz/SettingsJsonFuzzer.cpp" "$root/host/src/Property.cpp" \
    "$root/host/src/Settings.cpp" "$root/host/src/MaskSettings.cpp" \
    "$root/host/src/ServiceSettings.cpp" "$root/host/src/Media.cpp" \
    "$root/host/src/ColorToolSettings.cpp" "$root/host/src/TransformSettings.cpp" \
    "$root/host/src/OverlaySettings.cpp" "$root/host/src/KeySettings.cpp" \
    "$root/host/src/BlurSettings.cpp" "$root/host/src/SettingsImages.cpp" \
    "$root/host/src/DistortSettings.cpp" "$root/host/src/TemplateSettings.cpp" \
    "$root/host/src/Exception.cpp" "$root"/host/src/effectcommon/*.cpp \
    -lglog -lfmt -lpng -o "$fuzzer"
fi
exec "$fuzzer" "$out/settings_corpus" "$root/fuzz/settings_corpus" -max_total_time="$seconds" \
  -print_final_stats=1 -max_len=4096 "$@"
