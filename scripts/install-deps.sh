#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
# Runs as root (apt-get); does nothing when everything is there already.
set -euo pipefail

packages=(cmake make g++ libgtest-dev python3
          g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
          binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
          wine wine64 wine32:i386 strace valgrind zip unzip)
if [[ "${INSTPROBE_FUZZ_DEPS:-0}" == 1 ]]; then
  packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed'; then
    missing+=("$p")
  fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "install-deps: installing ${missing[*]}"
if [[ $(id -u) -ne 0 ]]; then
  echo "install-deps: missing packages and not root; install them: ${missing[*]}" >&2
  exit 1
fi
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
# A mirror that is mid-sync can fail one index; the others still serve.
apt-get update -q || echo "install-deps: apt-get update reported errors; going on" >&2
apt-get install -y -q --no-install-recommends "${missing[@]}"
