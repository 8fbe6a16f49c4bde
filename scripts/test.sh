#!/usr/bin/env bash
# The tests: installs what is missing, then runs the whole suite on real
# OpenGL (Mesa's llvmpipe where there is no GPU), again under AddressSanitizer
# with UndefinedBehaviorSanitizer, and the threading tests under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
jobs=$(nproc)
# Line tables are all the backtraces and sanitizer reports need; full debug
# information costs much of the compile time of these three builds.
line_tables=-g1

echo "== Tests"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUENVARA_BUILD_TESTS=ON \
  "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 $line_tables -DNDEBUG" >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure

echo "== Tests under AddressSanitizer and UndefinedBehaviorSanitizer"
# The unit tests, the command-line tool's end-to-end tests (cli*) and every
# frei0r stub loaded once (a leak check); not the export check, the install
# test, which builds an uninstrumented host, the frei0r hosts, which are
# uninstrumented programs, nor the gallery in the browser, whose rendering the
# tool's own tests cover here.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=$line_tables" \
  -DQUENVARA_SANITIZE=address,undefined -DQUENVARA_BUILD_TESTS=ON >/dev/null
cmake --build build-asan -j "$jobs" --target quenvara quenvara_tests quenvara_thread_tests \
  quenvara-cli quenvara_testplugin quenvara_frei0r_load
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -E 'plugin_exports|install|frei0r_hosts|gallery_browser'

echo "== Threading tests under ThreadSanitizer"
# They need the plug-in's frame and ISF engine, not the effects.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=$line_tables" \
  -DQUENVARA_SANITIZE=thread -DQUENVARA_BUILD_TESTS=ON >/dev/null
cmake --build build-tsan -j "$jobs" --target quenvara_thread_tests
TSAN_OPTIONS="suppressions=$(pwd)/tests/sanitizers/tsan.supp:halt_on_error=1:second_deadlock_stack=1" ctest --test-dir build-tsan --output-on-failure -R threading
