#!/usr/bin/env bash
# Installs what the Windows build and its tests under Wine need (Debian 12,
# as root), when missing: MinGW-w64 with the posix thread model, GoogleTest's
# sources, Wine for the target tools/windows-arch.sh names, and the zh_CN
# locale, under which Wine's ANSI code page is 936.
set -euo pipefail
cd "$(dirname "$0")/.."
arch=$(bash tools/windows-arch.sh)
packages=(cmake ninja-build python3 googletest locales wine)
if [[ $arch == i686 ]]; then
  packages+=(g++-mingw-w64-i686-posix wine32:i386)
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    force_update=1
  fi
else
  packages+=(g++-mingw-w64-x86-64-posix wine64)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
elif [[ -n ${force_update:-} ]]; then
  apt-get update -qq
fi
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
  localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi
