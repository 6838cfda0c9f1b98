#!/usr/bin/env bash
# The README's main command: installs what is missing, builds the release
# build and runs the standalone mail host on its embedded defaults (store,
# registry and local Maildir delivery under $VELMORA_HOME, default
# ~/.velmora, as every command has it). Extra arguments go to `velmora run`.
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
cd "$ROOT_DIR"

ensure_packages "${LINUX_PACKAGES[@]}"
cmake --preset linux-release >/dev/null
cmake --build --preset linux-release -j "$(nproc 2>/dev/null || echo 2)"

bin="$ROOT_DIR/build/linux-release/bin/velmora"
if [ ! -x "$bin" ]; then
  echo "built; the velmora command is not part of this build yet" >&2
  exit 1
fi
echo "== velmora home: ${VELMORA_HOME:-$HOME/.velmora}"
exec "$bin" run "$@"
