#!/usr/bin/env bash
# Screenshots of the Windows dialogs, each recurrence page on its own, taken
# under Xvfb from the 64-bit build and written to docs/screenshots/.
#
#   bash scripts/screenshots.sh [BUILD_DIR]      (default: build/win64)
#
# Builds the tool that shows the dialogs (velmora_dialog_shots) when needed.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"
cd "$ROOT_DIR"

ensure_packages "${WINDOWS_PACKAGES[@]}" "${SCREENSHOT_PACKAGES[@]}"
BUILD=${1:-build/win64}
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  cmake --preset win64 -B "$BUILD" >/dev/null
fi
cmake --build "$BUILD" -j2 --target velmora_dialog_shots
TOOL=$(cd "$BUILD" && pwd)/tests/velmora_dialog_shots.exe
OUT=$ROOT_DIR/docs/screenshots
mkdir -p "$OUT"

WORK=$(mktemp -d /tmp/velmora-shots.XXXXXX)
mkdir -p "$WORK/prefix"
export WINEPREFIX=$WORK/prefix WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree=;mshtml="
cleanup() {
  timeout 30 wineserver -k >/dev/null 2>&1 || true
  rm -rf "$WORK"
}
trap cleanup EXIT

# Everything below runs inside one Xvfb display: Wine's X11 driver draws the
# windows there, and draws their captions itself (no window manager runs), as
# the registry value Managed=N asks.
export TOOL OUT WORK
xvfb-run -a -s "-screen 0 1024x768x24" bash -euo pipefail -c '
  WINE=/usr/lib/wine/wine64
  timeout 120 wineserver -p
  timeout 300 $WINE wineboot --init >/dev/null 2>&1 </dev/null || true
  timeout 60 $WINE reg add "HKCU\Software\Wine\X11 Driver" /v Managed /d N /f >/dev/null 2>&1 </dev/null
  # A fresh server, so the booted prefix has its services (rpcss) running.
  timeout 60 wineserver -k || true
  timeout 60 wineserver -w || true
  timeout 120 wineserver -p
  timeout 300 $WINE wineboot >/dev/null 2>&1 </dev/null || true
  for shot in once daily weekly monthly yearly attachments about; do
    rect=$WORK/$shot.rect done=$WORK/$shot.done
    timeout 60 $WINE "$TOOL" "$shot" "$rect" "$done" >/dev/null 2>&1 </dev/null &
    pid=$!
    for _ in $(seq 1 300); do [ -s "$rect" ] && break; sleep 0.1; done
    if [ ! -s "$rect" ]; then echo "no window for $shot" >&2; kill $pid; exit 1; fi
    case $shot in
      once|attachments|about) name=$shot ;;
      *) name=recurrence-$shot ;;
    esac
    # A small palette keeps the pictures small; the dialogs use few colours.
    import -display "$DISPLAY" -window root -crop "$(cat "$rect")" +repage png:- |
      convert-im6 - -strip -colors 64 "PNG8:$OUT/$name.png"
    touch "$done"
    wait $pid
    echo "$OUT/$name.png"
  done
'
