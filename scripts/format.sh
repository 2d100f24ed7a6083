#!/usr/bin/env bash
# Formats every tracked C++ file with the repository's .clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z '*.cpp' '*.h' | xargs -0 -r clang-format -i --style=file
