# Shared by the README's commands: root detection, package installation.
# shellcheck shell=bash

ROOT_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; elif command -v sudo >/dev/null 2>&1; then sudo "$@"; else
    echo "need root (or sudo) to run: $*" >&2; return 1; fi
}

pkg_installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

# Installs the Debian packages that are not there yet; quiet when all are.
ensure_packages() {
  local missing=() p
  for p in "$@"; do pkg_installed "$p" || missing+=("$p"); done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "== installing: ${missing[*]}"
  local need_i386=0
  for p in "${missing[@]}"; do case $p in *:i386) need_i386=1 ;; esac; done
  if [ $need_i386 -eq 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  as_root apt-get update -qq
  as_root apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

LINUX_PACKAGES=(cmake ninja-build g++ pkg-config git ca-certificates
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libsqlite3-dev libpugixml-dev libgmime-3.0-dev libcurl4-openssl-dev libcli11-dev
  python3 python3-aiosmtpd procps help2man dpkg-dev)
# fp-utils-3.2.2 gives chmcmd, which builds Help.chm in the Windows builds.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64 fp-utils-3.2.2 nsis)
# For scripts/screenshots.sh only.
SCREENSHOT_PACKAGES=(xvfb xauth imagemagick)
# Only where the kernel runs 32-bit programs: elsewhere their post-install
# scripts fail with "Exec format error" and would stop the install.
WINE32_PACKAGES=(wine32:i386)

# Whether the kernel runs 32-bit x86 programs at all: some machines of our kind
# refuse them. Runs a 91-byte i386 executable that only exits with status 42.
kernel_runs_i386() {
  local probe rc=0
  probe=$(mktemp /tmp/velmora-i386.XXXXXX) || return 1
  printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5b\x00\x00\x00\x5b\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb3\x2a\x31\xc0\x40\xcd\x80' >"$probe"
  chmod 700 "$probe"
  "$probe" >/dev/null 2>&1 || rc=$?
  rm -f "$probe"
  [ "$rc" -eq 42 ]
}
