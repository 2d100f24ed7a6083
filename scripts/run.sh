#!/usr/bin/env bash
# Installs what is needed, builds, prepares the demo agent the first time
# (archive in demo/, configuration when there is none), and starts the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
bash scripts/demo-setup.sh
exec ./build/app/zeltorder "$@"
