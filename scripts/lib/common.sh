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
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64 g++-mingw-w64-i686 wine wine64 wine32:i386 nsis)
