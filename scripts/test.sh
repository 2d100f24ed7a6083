#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test through ctest.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
# Every C++ file keeps the repository's format.
bash scripts/check-format.sh
bash scripts/build.sh

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export XDG_RUNTIME_DIR="$WORK/xdg"; mkdir -m 700 "$XDG_RUNTIME_DIR"
export QT_QPA_PLATFORM=offscreen
# Tests never touch the user's own settings or data.
export HOME="$WORK/home"; mkdir -p "$HOME"

ctest --test-dir build --output-on-failure -j"${ZELT_JOBS:-$(nproc)}" --timeout 300

# Smoke run: the program opens the demo agent's database (a fresh user, the
# demo configuration made as run.sh makes it) and shows its window in a real
# X server.
unset QT_QPA_PLATFORM
bash scripts/demo-setup.sh "$WORK/demo" >/dev/null
xvfb-run -a -s '-screen 0 1280x800x24' timeout 60 ./build/app/zeltorder --screenshot "$WORK/shot.png"
test -s "$WORK/shot.png"
echo "smoke: the main window was shown and captured"
