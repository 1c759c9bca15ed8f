#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
# Runs as root (apt-get); does nothing when everything is there already.
set -euo pipefail

packages=(cmake make g++ libgtest-dev python3
          g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
          binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
          wine wine64 wine32:i386 strace valgrind zip unzip locales)
if [[ "${INSTPROBE_FUZZ_DEPS:-0}" == 1 ]]; then
  packages+=(clang libclang-rt-14-dev)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed'; then
    missing+=("$p")
  fi
done
# The locales the tests run Wine and the host in: one of each family of
# ANSI code pages Wine chooses (tests/e2e/locale_cases.cpp).
locales=(ru_RU.UTF-8 pl_PL.UTF-8 el_GR.UTF-8 tr_TR.UTF-8 he_IL.UTF-8
         ar_SA.UTF-8 lt_LT.UTF-8 vi_VN.UTF-8 th_TH.UTF-8 ja_JP.UTF-8
         zh_CN.UTF-8 ko_KR.UTF-8 zh_TW.UTF-8 hi_IN.UTF-8 ru_RU.KOI8-R)

generate_locales() {
  local have want=()
  have=$(locale -a 2>/dev/null | tr 'A-Z' 'a-z' | sed 's/utf-8/utf8/; s/koi8-r/koi8r/')
  for l in "${locales[@]}"; do
    local key
    key=$(echo "$l" | tr 'A-Z' 'a-z' | sed 's/utf-8/utf8/; s/koi8-r/koi8r/')
    grep -qx "$key" <<<"$have" || want+=("$l")
  done
  [[ ${#want[@]} -eq 0 ]] && return 0
  if [[ $(id -u) -ne 0 ]]; then
    echo "install-deps: locales missing and not root: ${want[*]}" >&2
    return 1
  fi
  echo "install-deps: generating locales ${want[*]}"
  for l in "${want[@]}"; do
    grep -qx "$l ${l#*.}" /etc/locale.gen || echo "$l ${l#*.}" >>/etc/locale.gen
  done
  locale-gen >/dev/null
}

if [[ ${#missing[@]} -eq 0 ]]; then
  generate_locales
  exit 0
fi

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
generate_locales
