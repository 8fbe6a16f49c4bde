#!/usr/bin/env bash
# The main job: installs what is missing, builds the plug-in and the quenvara
# tool, and renders the gallery of every effect to out/gallery/index.html.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUENVARA_BUILD_TESTS=OFF >/dev/null
cmake --build build --target quenvara quenvara-cli
./build/tools/quenvara gallery --out out/gallery
