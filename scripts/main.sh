#!/usr/bin/env bash
# The main job: installs what is missing, builds the plug-in and renders the
# built-in demo (the invert effect over a generated test card) to out/.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUENVARA_BUILD_TESTS=OFF >/dev/null
cmake --build build --target quenvara quenvara-demo
mkdir -p out
./build/tools/quenvara-demo out/demo-invert.png
