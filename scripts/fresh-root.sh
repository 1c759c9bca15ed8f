#!/usr/bin/env bash
# Tries the README's set-up as a new user would: debootstraps a bare Debian
# root (bookworm = 12, trixie = 13) with the release's main, updates and
# security archives, installs git in it, clones this repository's HEAD,
# and runs `scripts/demo.sh` (demo), `scripts/test.sh` (test) or both
# there, as root and with no locale variable set. Everything it mounts or
# starts is stopped and unmounted on the way out, and the root is removed
# unless INSTPROBE_KEEP_ROOT=1. Not part of the test command: it takes 10
# to 40 minutes and a network mirror.
#
#   bash scripts/fresh-root.sh bookworm|trixie [demo|test|both]
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD

release=${1:-}
what=${2:-demo}
case "$release" in bookworm|trixie) ;; *)
  echo "usage: $0 bookworm|trixie [demo|test|both]" >&2; exit 2 ;; esac
case "$what" in demo) steps=(demo) ;; test) steps=(test) ;;
  both) steps=(demo test) ;; *)
  echo "usage: $0 bookworm|trixie [demo|test|both]" >&2; exit 2 ;; esac
[[ $(id -u) -eq 0 ]] || { echo "fresh-root: needs root (debootstrap, chroot)" >&2; exit 1; }

mirror=${INSTPROBE_MIRROR:-http://deb.debian.org/debian}
security=${INSTPROBE_SECURITY_MIRROR:-http://deb.debian.org/debian-security}
if ! command -v debootstrap >/dev/null; then
  apt-get install -y -q --no-install-recommends debootstrap
fi

root=$(mktemp -d "/var/tmp/instprobe-fresh-$release.XXXXXX")
chmod 755 "$root"  # a machine's / (mktemp made it 0700): other users run there
mounts=()
cleanup() {
  local status=$?
  # Every process still running inside the root (a wineserver, a test).
  local pid
  for pid in $(ls /proc | grep -E '^[0-9]+$'); do
    [[ "$(readlink "/proc/$pid/root" 2>/dev/null)" == "$root" ]] && kill -9 "$pid" 2>/dev/null || true
  done
  local i
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
    umount -l "${mounts[$i]}" 2>/dev/null || true
  done
  if [[ "${INSTPROBE_KEEP_ROOT:-0}" == 1 ]]; then
    echo "fresh-root: kept $root"
  else
    rm -rf --one-file-system "$root"
  fi
  exit $status
}
trap cleanup EXIT INT TERM

stamp() { echo "== $(date +%T) fresh-root $release: $*"; }
started=$(date +%s)
stamp "debootstrap into $root"
debootstrap --variant=minbase "$release" "$root" "$mirror" >"$root.log" 2>&1 ||
  { tail -20 "$root.log" >&2; rm -f "$root.log"; exit 1; }
rm -f "$root.log"
cat >"$root/etc/apt/sources.list" <<SOURCES
deb $mirror $release main
deb $mirror $release-updates main
deb $security $release-security main
SOURCES
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true

mount_into() {  # mount_into TARGET ARGS...
  local target=$root$1; shift
  mkdir -p "$target"
  mount "$@" "$target"
  mounts+=("$target")
}
mount_into /proc -t proc proc
mount_into /sys -t sysfs sys
mount_into /dev --rbind /dev
mount_into /dev/shm -t tmpfs shm
mount_into /tmp -t tmpfs tmp
mount_into /src --bind "$repo"
mount -o remount,bind,ro "$root/src"

# The README's commands, as root, with no locale variable.
# Run in the background and waited for, so that a signal to this script
# runs its clean-up at once.
in_root() {
  chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "$@" &
  wait $!
}
stamp "apt-get install git; git clone"
in_root bash -c 'apt-get update -q >/dev/null 2>&1 || true
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends git ca-certificates >/dev/null
  git config --global --add safe.directory /src/.git
  git config --global --add safe.directory /src
  git clone -q /src /root/instprobe'
status=0
for step in "${steps[@]}"; do
  stamp "bash scripts/$step.sh"
  step_start=$(date +%s)
  if in_root bash -c "cd /root/instprobe && bash scripts/$step.sh"; then
    stamp "$step passed in $(( $(date +%s) - step_start )) s"
  else
    status=$?
    stamp "$step FAILED (status $status) after $(( $(date +%s) - step_start )) s"
    break
  fi
done
stamp "done in $(( $(date +%s) - started )) s, status $status"
exit $status
