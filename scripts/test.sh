#!/usr/bin/env bash
# The README's test command: installs what is missing, builds the Linux debug
# build (ASan + UBSan) and both Windows builds, and runs every test -- Linux
# natively, Windows under Wine -- in one CTest run that ends with its summary.
set -euo pipefail
source "$(dirname "$0")/lib/common.sh"
source "$(dirname "$0")/lib/wine.sh"
cd "$ROOT_DIR"

ensure_packages "${LINUX_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}"
wine32_check

jobs=$(nproc 2>/dev/null || echo 2)
# win32 before win64: the 64-bit build's installer carries the 32-bit add-in.
for preset in linux-debug win32 win64; do
  echo "== configure and build: $preset"
  # Where 32-bit programs cannot run, the win32 build is still built (its
  # compile and link errors count) and its tests are registered as skipped.
  cmake --preset "$preset" -DVELMORA_WINE_RUNS="$([ "$preset" = win32 ] && echo "$WINE32_RUNS" || echo ON)" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

trap wine_down EXIT
echo "== starting a headless Wine prefix"
wine_up

# One CTest tree over the three builds, so a single summary covers them all.
mkdir -p build/all
{
  echo "subdirs(\"$ROOT_DIR/build/linux-debug\")"
  echo "subdirs(\"$ROOT_DIR/build/win64\")"
  echo "subdirs(\"$ROOT_DIR/build/win32\")"
} > build/all/CTestTestfile.cmake
cd build/all
ctest --output-on-failure -j "$jobs" --timeout 600 "$@"
