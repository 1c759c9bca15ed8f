#!/usr/bin/env bash
# Builds the Debian package of the host programs, reproducibly: the same
# inputs and epoch give the same bytes.
#
#   deb.sh OUT_DIR VERSION EPOCH HOST_BUILD_DIR
#
# OUT_DIR receives instprobe_VERSION_amd64.deb: what `cmake --install`
# puts under /usr (the two programs byte for byte, the README and the
# guide), the manual pages compressed, and the Debian copyright and
# changelog (changelog.gz: the package is native, its version the
# project's). Depends comes from dpkg-shlibdeps; every file's time stamp is
# EPOCH and its owner root.
set -euo pipefail
if [[ $# -ne 4 ]]; then
  echo "usage: $0 OUT_DIR VERSION EPOCH HOST_BUILD_DIR" >&2
  exit 2
fi
out=$1 version=$2 epoch=$3 host_build=$4
here=$(cd "$(dirname "$0")" && pwd)
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d /tmp/instprobe-deb.XXXXXX)
trap 'rm -rf "$work"' EXIT
export TZ=UTC LC_ALL=C SOURCE_DATE_EPOCH=$epoch

# dpkg-shlibdeps finds the package's files in debian/PACKAGE, as in a
# source package, its root by the DEBIAN folder.
root=$work/debian/instprobe
mkdir -p "$root/DEBIAN"
docs=$root/usr/share/doc/instprobe
cmake --install "$host_build" --prefix "$root/usr" >/dev/null
gzip -9n "$root"/usr/share/man/man1/*.1
cp "$here/debian/copyright" "$docs/copyright"
{
  printf 'instprobe (%s) unstable; urgency=medium\n\n' "$version"
  printf '  * Release %s.\n\n' "$version"
  printf ' -- %s  %s\n' \
    "$(sed -n 's/^Maintainer: //p' "$here/debian/control.in")" \
    "$(date -u -R -d "@$epoch")"
} | gzip -9n > "$docs/changelog.gz"

find "$root" -type d -exec chmod 0755 {} +
find "$root" -type f -exec chmod 0644 {} +
chmod 0755 "$root"/usr/bin/*

printf 'Source: instprobe\n\nPackage: instprobe\nArchitecture: amd64\n' \
  > "$work/debian/control"
depends=$(cd "$work" && dpkg-shlibdeps -O debian/instprobe/usr/bin/* |
  sed -n 's/^shlibs:Depends=//p')
if [[ -z $depends ]]; then
  echo "deb: dpkg-shlibdeps found no dependencies" >&2
  exit 1
fi
# As dpkg-gencontrol counts: each file's size in KiB rounded up, and one
# for each directory.
size=$(find "$root" -mindepth 1 \( -type d -printf '1024\n' \) -o \
         \( -type f -printf '%s\n' \) |
       awk '{ kib += int(($1 + 1023) / 1024) } END { print kib }')

(cd "$root" && find usr -type f | sort | xargs md5sum) > "$root/DEBIAN/md5sums"
sed -e "s/@VERSION@/$version/" -e "s/@INSTALLED_SIZE@/$size/" \
    -e "s/@DEPENDS@/$depends/" "$here/debian/control.in" \
  > "$root/DEBIAN/control"
chmod 0644 "$root"/DEBIAN/*
find "$root" -exec touch -h -d "@$epoch" {} +

deb=$out/instprobe_${version}_amd64.deb
dpkg-deb --root-owner-group -Zxz --build "$root" "$deb" >/dev/null
