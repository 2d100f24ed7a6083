#!/usr/bin/env bash
# Configures (once) and builds into build/ with warnings as errors, as CI
# builds; ZELT_WERROR=OFF builds a work in progress that still warns.
set -euo pipefail
cd "$(dirname "$0")/.."
WERROR="${ZELT_WERROR:-ON}"
if [ ! -f build/build.ninja ] || [ "$(cat build/.zelt-werror 2>/dev/null)" != "$WERROR" ]; then
  # A compiler cache, where the machine has one, serves every worktree of the repository.
  LAUNCHER=()
  command -v ccache >/dev/null && LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELT_WERROR=$WERROR "${LAUNCHER[@]}" >/dev/null
  echo "$WERROR" > build/.zelt-werror
fi
# ZELT_JOBS bounds the parallel jobs on a shared machine; CI takes every core.
cmake --build build -j"${ZELT_JOBS:-$(nproc)}"
