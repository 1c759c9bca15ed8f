#!/usr/bin/env bash
# Packs built programs into the release archives, reproducibly: every file
# gets the same time stamp, owner and mode on every run, and the archive
# members are in a fixed order, so the same inputs give byte-identical
# archives.
#
#   pack.sh OUT_DIR VERSION EPOCH WIN32_EXE WIN64_EXE HOST_BUILD_DIR
#
# OUT_DIR receives instprobe-VERSION-windows.zip,
# instprobe-VERSION-linux-x86_64.tar.gz, instprobe_VERSION_amd64.deb
# (deb.sh) and SHA256SUMS. EPOCH (Unix seconds) is the time stamp of every
# member. HOST_BUILD_DIR is a configured and built host tree; its
# `cmake --install` gives the Linux archive's and the package's contents.
set -euo pipefail
if [[ $# -ne 6 ]]; then
  echo "usage: $0 OUT_DIR VERSION EPOCH WIN32_EXE WIN64_EXE HOST_BUILD_DIR" >&2
  exit 2
fi
out=$1 version=$2 epoch=$3 win32=$4 win64=$5 host_build=$6
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")

for f in "$win32" "$win64"; do
  [[ -f $f ]] || { echo "pack: missing $f" >&2; exit 1; }
done
mkdir -p "$out"
out=$(cd "$out" && pwd)
stage=$(mktemp -d /tmp/instprobe-pack.XXXXXX)
trap 'rm -rf "$stage"' EXIT
export TZ=UTC LC_ALL=C

# Fixed modes and time stamps on everything that goes into an archive.
normalise() {
  find "$1" -type d -exec chmod 0755 {} +
  find "$1" -type f -exec chmod 0644 {} +
  find "$1" -type f -name 'instprobe*' ! -name '*.*' -exec chmod 0755 {} +
  find "$1" -exec touch -h -d "@$epoch" {} +
}

# ---- Windows: the 32-bit exe at the top, the 64-bit one in x64/ ----------
win=$stage/windows
mkdir -p "$win/x64"
cp "$win32" "$win/instprobe.exe"
cp "$win64" "$win/x64/instprobe.exe"
sed 's/\r$//; s/$/\r/' "$here/stpsrch.ini" > "$win/stpsrch.ini"
python3 "$here/guide_to_text.py" "$root/docs/guide.md" "$win/README.txt"
normalise "$win"
zip_name=instprobe-$version-windows.zip
rm -f "$out/$zip_name"
# -X: no extra attributes (uid/gid, extended times); -D: no directory
# entries; members are given in sorted order.
(cd "$win" && find . -type f | sed 's|^\./||' | sort |
   zip -X -D -q "$out/$zip_name" -@)

# ---- Linux: what `cmake --install` puts under a prefix -------------------
base=instprobe-$version-linux-x86_64
cmake --install "$host_build" --prefix "$stage/$base" >/dev/null
normalise "$stage/$base"
tar_name=$base.tar.gz
tar -C "$stage" --sort=name --format=gnu --mtime="@$epoch" \
    --owner=0 --group=0 --numeric-owner -cf - "$base" |
  gzip -n -9 > "$out/$tar_name"

# ---- Debian: the same install under /usr ---------------------------------
deb_name=instprobe_${version}_amd64.deb
"$here/deb.sh" "$out" "$version" "$epoch" "$host_build"

(cd "$out" && sha256sum "$zip_name" "$tar_name" "$deb_name" > SHA256SUMS)
