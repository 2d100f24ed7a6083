#!/usr/bin/env bash
# Builds the program and its tests with AddressSanitizer, UndefinedBehaviorSanitizer
# and LeakSanitizer (ZELT_SANITIZE) into build-asan/, and runs every test and the
# smoke run on that build. A report stops the process that made it with exit code
# 86, so that its test fails as any failed test; a report in the output of a test
# that passed (a child process whose end it did not check) fails the run too.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
if [ ! -f build-asan/build.ninja ]; then
  LAUNCHER=()
  command -v ccache >/dev/null && LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELT_SANITIZE=ON -DZELT_BENCH=OFF \
    "${LAUNCHER[@]}" >/dev/null
fi
cmake --build build-asan -j"${ZELT_JOBS:-$(nproc)}"

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export XDG_RUNTIME_DIR="$WORK/xdg"; mkdir -m 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=offscreen
export HOME="$WORK/home"; mkdir -p "$HOME"

# The first report ends the process; a leak is a report. Only the leaks of
# system libraries listed in the suppression file are let through.
export ASAN_OPTIONS="halt_on_error=1:exitcode=86:detect_leaks=1:check_initialization_order=1:strict_init_order=1"
export UBSAN_OPTIONS="halt_on_error=1:exitcode=86:print_stacktrace=1"
export LSAN_OPTIONS="exitcode=86:suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0"

status=0
ctest --test-dir build-asan --output-on-failure -j"${ZELT_JOBS:-$(nproc)}" --timeout 900 || status=$?
if grep -E -n "ERROR: (AddressSanitizer|LeakSanitizer)|SUMMARY: UndefinedBehaviorSanitizer" \
     build-asan/Testing/Temporary/LastTest.log; then
  echo "sanitizer: a report above was printed by a test that passed" >&2
  status=1
fi
[ "$status" -eq 0 ] || exit "$status"

# The program itself, from its start to its end, in a real X server.
unset QT_QPA_PLATFORM
bash scripts/demo-setup.sh "$WORK/demo" >/dev/null
xvfb-run -a -s '-screen 0 1280x800x24' timeout 120 ./build-asan/app/zeltorder --screenshot "$WORK/shot.png"
test -s "$WORK/shot.png"
echo "sanitizer: every test and the smoke run are clean"
