#!/usr/bin/env bash
# Prepares the demo installation: the demo agent's archive ("DEMO",
# workstation 1) made by zelt-demodb into a work folder (demo/ by default),
# with a copy as first archive of an installation folder (ClientDBs), and,
# only when the user has no configuration yet, the configuration of the demo
# agent with that work folder. An existing archive or configuration is left
# alone. Expects the build in build/.
set -euo pipefail
cd "$(dirname "$0")/.."
# The agent's archive and configuration are the user's alone.
umask 077
WORKDIR="${1:-$PWD/demo}"
mkdir -p "$WORKDIR/ClientDBs"
WORKDIR="$(cd "$WORKDIR" && pwd)"

if [ ! -x ./build/tools/demodb/zelt-demodb ]; then
  echo "zelt-demodb non trovato in build/: archivio dimostrativo non creato" >&2
  exit 0
fi
./build/tools/demodb/zelt-demodb "$WORKDIR" >/dev/null
if [ ! -f "$WORKDIR/ClientDBs/OrdiniAgente_DEMO" ]; then
  cp "$WORKDIR/ZeltOrder_DEMO" "$WORKDIR/ClientDBs/OrdiniAgente_DEMO.tmp"
  mv "$WORKDIR/ClientDBs/OrdiniAgente_DEMO.tmp" "$WORKDIR/ClientDBs/OrdiniAgente_DEMO"
fi

CONFIG_DIR="${XDG_CONFIG_HOME:-$HOME/.config}/Zelt Order"
CONFIG="$CONFIG_DIR/Zelt Order.ini"
if [ ! -f "$CONFIG" ] || ! grep -q '^\[Configuration\]' "$CONFIG"; then
  mkdir -p "$CONFIG_DIR"
  {
    echo "[Configuration]"
    echo "RootDir=\"$WORKDIR\""
    echo "Code_Agente=DEMO"
    echo "Code_Postazione=1"
  } >> "$CONFIG"
  echo "Configurato l'Agente dimostrativo DEMO (postazione 1) in $WORKDIR"
fi
