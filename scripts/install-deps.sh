#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing,
# and generates the locales the tests run in. Runs as root (apt-get); does
# nothing when everything is there already. Works on Debian 12 and 13.
#
# A mirror that is mid-sync can serve one package index (often the security
# archive's i386 one) with a size its signed release file does not match.
# apt then drops that index, and the i386 side cannot follow the amd64
# libraries that already stand at security versions. After a short retry,
# the install is done once more with the release's own point-release
# archive preferred over every other origin: a few installed libraries may
# go back to the point release, and every package still comes from a signed
# index. Nothing unverified is ever installed.
set -euo pipefail

release_codename() { (. /etc/os-release && echo "${VERSION_CODENAME:-}"); }

packages=(cmake make g++ libgtest-dev python3
          g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
          binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
          wine wine64 wine32:i386 strace valgrind zip unzip locales hyperfine
          dpkg-dev lintian man-db)
if [[ "${INSTPROBE_FUZZ_DEPS:-0}" == 1 ]]; then
  # The unversioned name follows the release's default LLVM (14 on
  # Debian 12, 19 on Debian 13), as the unversioned clang does.
  packages+=(clang libclang-rt-dev)
fi
if [[ -n "${INSTPROBE_EXTRA_DEPS:-}" ]]; then
  read -r -a extra <<<"$INSTPROBE_EXTRA_DEPS"
  packages+=("${extra[@]}")
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed'; then
    missing+=("$p")
  fi
done
# The locales the tests run Wine and the host in: one of each family of
# ANSI code pages Wine chooses (tests/e2e/locale_cases.cpp), and C.UTF-8,
# which the suites set for themselves.
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

prefs=
cleanup() { [[ -z "$prefs" ]] || rm -f "$prefs"; }
trap cleanup EXIT

index_complete=1
if ! apt-get update -q; then
  echo "install-deps: apt-get update failed; trying once more in 10 s" >&2
  sleep 10
  apt-get update -q || index_complete=0
fi

install() { apt-get install -y -q --no-install-recommends "$@" "${missing[@]}"; }

if install; then
  generate_locales
  exit 0
fi
codename=$(release_codename)
if [[ $index_complete == 1 || -z "$codename" ]]; then
  echo "install-deps: apt-get install failed" >&2
  exit 1
fi

prefs=$(mktemp /tmp/instprobe-apt-preferences.XXXXXX)
cat >"$prefs" <<PREFS
Package: *
Pin: release o=Debian,n=$codename
Pin-Priority: 1001
PREFS
cat >&2 <<MSG
install-deps: ==================================================================
install-deps: an index of the mirror could not be read (a mirror mid-sync), and
install-deps: the packages cannot be installed from the others. Installing them
install-deps: from Debian $codename's point release instead: installed packages
install-deps: that stand at newer (security) versions may go back to the point
install-deps: release's. Every package is still checked against a signed index.
install-deps: Once the mirror is whole again, run:
install-deps:     apt-get update && apt-get upgrade
install-deps: ==================================================================
MSG
install --allow-downgrades -o "Dir::Etc::Preferences=$prefs"
generate_locales
