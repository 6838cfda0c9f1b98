#!/usr/bin/env bash
# VelmoraSetup.exe under Wine, in a fresh 64-bit prefix of its own (the
# install must not meet the registrations of other tests): silent install,
# the add-in loaded by a stand-in Outlook through its Addins key, an upgrade
# that follows a 32-bit Outlook, silent uninstalls with and without the
# settings.
# usage: installer_test.sh SETUP.exe Velmora64.dll Velmora32.dll standin_outlook.exe Help.chm
# (the 32-bit DLL and the help may be absent: the installer then carries none)
set -u
SETUP=$1 DLL64=$2 DLL32=$3 STANDIN=$4 HELP=$5
W64=/usr/lib/wine/wine64
failures=0
fail() { echo "FAIL [${SECONDS}s]: $*"; failures=$((failures + 1)); }
ok() { echo "ok [${SECONDS}s]: $*"; }

export WINEPREFIX WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree=;mshtml="
WINEPREFIX=$(mktemp -d /tmp/velmora-setup-wine.XXXXXX)
unset DISPLAY
cleanup() {
  timeout 30 wineserver -k >/dev/null 2>&1
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
w() { timeout 120 "$W64" "$@" </dev/null 2>/dev/null; }
# A booted prefix, restarted once (rpcss is not up in the first session).
timeout 120 wineserver -p
w wineboot --init >/dev/null
w reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null
timeout 60 wineserver -k; timeout 60 wineserver -w
timeout 120 wineserver -p
w wineboot >/dev/null

USERDIR=$(ls -d "$WINEPREFIX"/drive_c/users/*/AppData/Local | grep -v /Public/ | head -1)
INSTDIR="$USERDIR/Programs/Velmora"
WIN_INSTDIR=$(w winepath -w "$INSTDIR" | tr -d '\r')
RUN='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
UNINST='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Velmora'
CLSID='{869F854E-5975-4EA3-9725-7A4564A9608B}'
ADDINS='HKCU\Software\Microsoft\Office\Outlook\Addins\Velmora.Connect'
SETTINGS='HKCU\Software\Norvane\Velmora'

# reg query's value of NAME under KEY, the default value for an empty NAME
# (the remaining args go to reg).
value() {
  local key=$1 name=$2; shift 2
  local sel=(/v "$name")
  [ -z "$name" ] && sel=(/ve)
  w reg query "$key" "${sel[@]}" "$@" | tr -d '\r' |
    awk '$0 ~ /^    / && / REG_/ { sub(/^.* REG_[A-Z_]+ +/, ""); print }'
}
has_key() { w reg query "$1" "${@:2}" >/dev/null; }
# The processes of this prefix whose command line matches the pattern (other
# tests may run their own Orbitel).
procs() {
  local n=0 pid
  for pid in $(pgrep -f "$1"); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" &&
      n=$((n + 1))
  done
  echo $n
}
orbitels() { procs 'Orbitel\.exe'; }
# The uninstaller runs from a copy of itself in the temp folder that outlives
# the command started: wait for it to end.
settle() {
  local i
  for i in $(seq 120); do
    [ "$(procs '~nsu[^ ]*\.tmp')" = 0 ] && return
    sleep 0.5
  done
  fail "the uninstaller did not end within a minute"
}
expect_eq() { if [ "$2" = "$3" ]; then ok "$1"; else fail "$1: got '$2', want '$3'"; fi; }

# --- silent install, no Outlook: the 64-bit add-in --------------------------
w "$SETUP" /S; rc=$?
expect_eq "silent install exits 0" "$rc" 0
for f in Velmora.dll Orbitel.exe ReadMe.txt Uninstall.exe; do
  [ -f "$INSTDIR/$f" ] && ok "installed $f" || fail "$f missing in $INSTDIR"
done
if [ -f "$HELP" ]; then
  cmp -s "$HELP" "$INSTDIR/Help.chm" && ok "installed Help.chm" || fail "Help.chm missing"
fi
cmp -s "$DLL64" "$INSTDIR/Velmora.dll" && ok "the 64-bit add-in by default" ||
  fail "Velmora.dll is not the 64-bit add-in"
expect_eq "Run key starts Orbitel" "$(value "$RUN" Orbitel)" "\"$WIN_INSTDIR\\Orbitel.exe\""
expect_eq "installed programs entry" "$(value "$UNINST" DisplayName)" "Velmora"
expect_eq "uninstaller named" "$(value "$UNINST" QuietUninstallString)" \
  "\"$WIN_INSTDIR\\Uninstall.exe\" /S"
expect_eq "add-in loads at startup" "$(value "$ADDINS" LoadBehavior)" "0x3"
expect_eq "class registered to the installed DLL" \
  "$(value "HKCU\\Software\\Classes\\CLSID\\$CLSID\\InprocServer32" '')" \
  "$WIN_INSTDIR\\Velmora.dll"
sleep 1
expect_eq "Orbitel running after install" "$(orbitels)" 1

# --- the installed add-in inside a stand-in Outlook -------------------------
# Wine does not show HKCU's classes through HKCR: the test mirrors them to
# HKLM for the stand-in's CoCreateInstance and removes them afterwards.
w reg copy "HKCU\\Software\\Classes\\Velmora.Connect" 'HKLM\Software\Classes\Velmora.Connect' /s /f
w reg copy "HKCU\\Software\\Classes\\CLSID\\$CLSID" "HKLM\\Software\\Classes\\CLSID\\$CLSID" /s /f
w reg add "$SETTINGS" /v SendAndExit /d 1 /f >/dev/null
RESULT="$WINEPREFIX/drive_c/standin.txt"
VELMORA_STANDIN_RESULT='C:\standin.txt' VELMORA_STANDIN_SUBJECT='Installed add-in' \
  WINEDLLOVERRIDES="$WINEDLLOVERRIDES" timeout 120 "$W64" "$STANDIN" </dev/null 2>/dev/null
report=$(tr -d '\r' <"$RESULT" 2>/dev/null)
for line in "loaded Velmora.Connect" "sent Installed add-in via" "quit by itself" "protocol errors 0"; do
  grep -q "^$line" <<<"$report" && ok "stand-in: $line" || fail "stand-in lacks '$line': $report"
done
# --- while Outlook holds the add-in, neither upgrade nor uninstall starts ----
# The stand-in keeps the add-in loaded for up to a minute without the flag.
VELMORA_STANDIN_RESULT='C:\held.txt' timeout 90 "$W64" "$STANDIN" </dev/null 2>/dev/null &
holder=$!
sleep 4
w "$SETUP" /S; rc=$?
expect_eq "install refused while Outlook runs" "$rc" 4
w "$INSTDIR/Uninstall.exe" /S
settle
[ -f "$INSTDIR/Orbitel.exe" ] && ok "uninstall refused while Outlook runs" ||
  fail "uninstall went ahead while Outlook held the add-in"
expect_eq "still registered" "$(value "$ADDINS" LoadBehavior)" "0x3"
kill "$holder" 2>/dev/null
wait "$holder" 2>/dev/null
w reg delete "HKLM\\Software\\Classes\\CLSID\\$CLSID" /f >/dev/null
w reg delete 'HKLM\Software\Classes\Velmora.Connect' /f >/dev/null
w reg add "$SETTINGS" /v KeptByUpgrade /d yes /f >/dev/null
w reg add "HKCU\\Software\\Classes\\CLSID\\$CLSID\\InprocServer32" /v Stale /d 64 /f /reg:64 >/dev/null

# --- upgrade over it once a 32-bit Outlook is found -------------------------
if [ -f "$DLL32" ] && [ -x /usr/lib/wine/wine ]; then
  # Where a 32-bit Office on 64-bit Windows tells its bitness.
  OFFICE='HKLM\Software\Microsoft\Office\16.0\Outlook'
  w reg add "$OFFICE" /v Bitness /d x86 /f /reg:32 >/dev/null
  w "$SETUP" /S; rc=$?
  w reg delete "$OFFICE" /f /reg:32 >/dev/null
  [ "$rc" = 2 ] && fail "the installer was made before the win32 build: build win64 again"
  expect_eq "upgrade exits 0" "$rc" 0
  cmp -s "$DLL32" "$INSTDIR/Velmora.dll" && ok "upgrade put the 32-bit add-in" ||
    fail "Velmora.dll is not the 32-bit add-in after the upgrade"
  expect_eq "the 32-bit registration" \
    "$(value "HKCU\\Software\\Classes\\CLSID\\$CLSID\\InprocServer32" '' /reg:32)" \
    "$WIN_INSTDIR\\Velmora.dll"
  # Wine keeps one view of HKCU's classes for both bitnesses, so a stale
  # registration shows as the marker the 64-bit one carried before.
  [ -z "$(value "HKCU\\Software\\Classes\\CLSID\\$CLSID\\InprocServer32" Stale /reg:64)" ] &&
    ok "one registration after the upgrade" || fail "the 64-bit registration outlived the upgrade"
  expect_eq "settings kept by the upgrade" "$(value "$SETTINGS" KeptByUpgrade)" "yes"
  sleep 1
  expect_eq "one Orbitel after the upgrade" "$(orbitels)" 1
else
  echo "note: no 32-bit add-in or no 32-bit Wine: the bitness change is not tested"
fi

# --- silent uninstall: settings stay ----------------------------------------
w "$INSTDIR/Uninstall.exe" /S
settle
[ -e "$INSTDIR" ] && fail "install folder left: $(ls "$INSTDIR")" || ok "install folder removed"
expect_eq "Orbitel ended" "$(orbitels)" 0
for key in "$UNINST" "$ADDINS" "HKCU\\Software\\Classes\\Velmora.Connect"; do
  has_key "$key" && fail "left in the registry: $key" || ok "removed $key"
done
for view in /reg:32 /reg:64; do
  has_key "HKCU\\Software\\Classes\\CLSID\\$CLSID" $view && fail "class left ($view)" ||
    ok "class removed ($view)"
done
[ -z "$(value "$RUN" Orbitel)" ] && ok "Run value removed" || fail "Run value left"
expect_eq "settings kept by a silent uninstall" "$(value "$SETTINGS" KeptByUpgrade)" "yes"

# --- uninstall asked to remove the settings ---------------------------------
w "$SETUP" /S
w "$INSTDIR/Uninstall.exe" /S /REMOVESETTINGS
settle
has_key "$SETTINGS" && fail "settings left after /REMOVESETTINGS" || ok "settings removed on request"
[ -e "$INSTDIR" ] && fail "install folder left after the second uninstall" || ok "folder removed again"

echo "$failures failure(s)"
[ "$failures" -eq 0 ]
