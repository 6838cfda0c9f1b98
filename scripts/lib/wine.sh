# A fresh, headless Wine prefix for the Windows tests; torn down on exit.
# shellcheck shell=bash

# Set-up steps that need no particular bitness go to the 64-bit loader
# directly: Debian's /usr/bin/wine wrapper picks the 32-bit loader whenever
# wine32 is installed, and that loader cannot start where the kernel refuses
# 32-bit programs.
WINE64=/usr/lib/wine/wine64
# The loader the i686 tests run under; a test of this script may point it at
# one that fails.
WINE32_LOADER=${VELMORA_WINE32_LOADER:-/usr/lib/wine/wine}

# Decides once whether 32-bit Windows programs run here, installing 32-bit
# Wine where the kernel allows it. Sets WINE32_RUNS (ON/OFF) and prints one line.
wine32_check() {
  local why=""
  if ! kernel_runs_i386; then
    why="the kernel refuses 32-bit executables"
  else
    ensure_packages "${WINE32_PACKAGES[@]}" || echo "== installing 32-bit Wine failed; checking its loader anyway"
    local out
    out=$(timeout 60 "$WINE32_LOADER" --version 2>&1 </dev/null) || true
    case $out in
      wine-*) ;;
      *) why="$WINE32_LOADER --version gives: ${out%%$'\n'*}"; [ -n "$out" ] || why+="nothing" ;;
    esac
  fi
  if [ -z "$why" ]; then
    WINE32_RUNS=ON
    echo "== 32-bit Windows programs run on this machine: the i686. tests run under $WINE32_LOADER"
  else
    WINE32_RUNS=OFF
    echo "== this machine cannot run 32-bit programs ($why): the win32 build is built, its i686. tests are reported as skipped"
  fi
}

wine_up() {
  export WINEPREFIX
  WINEPREFIX=$(mktemp -d /tmp/velmora-wine.XXXXXX)
  export WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree=;mshtml="
  unset DISPLAY
  # The server and a booted prefix must exist before CTest starts, or the
  # first tests hang on Wine's background services.
  timeout 120 wineserver -p
  timeout 300 "$WINE64" wineboot --init >/dev/null 2>&1 </dev/null || true
  timeout 60 "$WINE64" reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 </dev/null
  timeout 60 wineserver -k || true
  timeout 60 wineserver -w || true
  timeout 120 wineserver -p
  timeout 300 "$WINE64" wineboot >/dev/null 2>&1 </dev/null || true
}

wine_down() {
  if [ -n "${WINEPREFIX:-}" ]; then
    timeout 30 wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
  fi
}
