# A fresh, headless Wine prefix for the Windows tests; torn down on exit.
# shellcheck shell=bash

wine_up() {
  export WINEPREFIX
  WINEPREFIX=$(mktemp -d /tmp/velmora-wine.XXXXXX)
  export WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree=;mshtml="
  unset DISPLAY
  if [ ! -x /usr/lib/wine/wine ]; then
    echo "32-bit Wine (/usr/lib/wine/wine) is missing: the 32-bit tests would pass falsely" >&2
    return 1
  fi
  # The server and a booted prefix must exist before CTest starts, or the
  # first tests hang on Wine's background services.
  timeout 120 wineserver -p
  timeout 300 wine wineboot --init >/dev/null 2>&1 </dev/null || true
  timeout 60 wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 </dev/null
  timeout 60 wineserver -k || true
  timeout 60 wineserver -w || true
  timeout 120 wineserver -p
  timeout 300 wine wineboot >/dev/null 2>&1 </dev/null || true
}

wine_down() {
  if [ -n "${WINEPREFIX:-}" ]; then
    timeout 30 wineserver -k >/dev/null 2>&1 || true
    rm -rf "$WINEPREFIX"
  fi
}
