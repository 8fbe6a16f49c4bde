#!/usr/bin/env bash
# Installs the build into a fresh prefix, builds the example host against it
# through the CMake package and through pkg-config, runs both, and runs the
# installed tool. Arguments: the source tree and the build tree.
set -euo pipefail
source=$1
build=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
plugin=$(find "$prefix" -name 'libquenvara.so')
libdir=$(dirname "$plugin")
wanted="200 100 50 -> 55 155 205"

cmake -S "$source/examples" -B "$work/example" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/example" >/dev/null
got=$("$work/example/quenvara-example-host" "$plugin")
[ "$got" = "$wanted" ] || { echo "FAILED: example host (CMake package) printed '$got'"; exit 1; }

export PKG_CONFIG_PATH=$libdir/pkgconfig
# shellcheck disable=SC2046
c++ -std=c++20 "$source/examples/host.cpp" -o "$work/pkgconfig-host" \
  $(pkg-config --cflags --libs quenvara) -Wl,-rpath,"$libdir"
got=$("$work/pkgconfig-host" "$(pkg-config --variable=plugin quenvara)")
[ "$got" = "$wanted" ] || { echo "FAILED: example host (pkg-config) printed '$got'"; exit 1; }

listed=$(env -u QUENVARA_PLUGIN "$prefix/bin/quenvara" list)
grep -q SettingsEffectInvert <<<"$listed" || { echo "FAILED: the installed tool lists nothing"; exit 1; }
echo "install, CMake package, pkg-config and example host: passed"
