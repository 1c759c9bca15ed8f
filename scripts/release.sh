#!/usr/bin/env bash
# Builds the release archives in dist/:
#   instprobe-VERSION-windows.zip        instprobe.exe (32-bit), x64/instprobe.exe,
#                                        an example stpsrch.ini, README.txt
#   instprobe-VERSION-linux-x86_64.tar.gz bin/instprobe and the docs
#   SHA256SUMS
# The Windows builds and the host build are configured in Release mode into
# build/release-win32, build/release-win64 and build/release-host. Two runs on
# the same commit give byte-identical archives: every time stamp is the
# commit's time (or SOURCE_DATE_EPOCH when it is set), and the linker writes
# no time stamp into the executables.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/install-deps.sh
for tool in zip gzip tar sha256sum; do
  if ! command -v "$tool" >/dev/null; then
    echo "release: installing $tool"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$tool" >/dev/null
  fi
done

if [[ -z ${SOURCE_DATE_EPOCH:-} ]]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || true)
fi
if [[ -z $SOURCE_DATE_EPOCH ]]; then
  echo "release: no commit time; set SOURCE_DATE_EPOCH" >&2
  exit 1
fi
# CMake's string(TIMESTAMP) (the copyright year in the version resource) and
# the linkers honour it too.
export SOURCE_DATE_EPOCH
if [[ -n $(git status --porcelain 2>/dev/null) ]]; then
  echo "release: warning: the work tree has changes; the archives are not" \
       "those of commit $(git rev-parse --short HEAD)" >&2
fi

jobs=$(nproc)
# The build directory must not leak into the objects either.
map="-ffile-prefix-map=$root/="
configure() {
  local dir=$1
  shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
        "-DCMAKE_CXX_FLAGS=$map" "$@" >/dev/null
  cmake --build "$dir" -j"$jobs" >/dev/null
}
# MinGW's ld writes the link time into the PE header unless told not to.
configure build/release-win32 \
  --toolchain cmake/toolchain-i686-w64-mingw32.cmake \
  -DCMAKE_EXE_LINKER_FLAGS=-Wl,--no-insert-timestamp
configure build/release-win64 \
  --toolchain cmake/toolchain-x86_64-w64-mingw32.cmake \
  -DCMAKE_EXE_LINKER_FLAGS=-Wl,--no-insert-timestamp
configure build/release-host

# The one version number is project()'s, as CMake configured it.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' \
          build/release-host/CMakeCache.txt)
if [[ -z $version ]]; then
  echo "release: no project version in build/release-host" >&2
  exit 1
fi

rm -rf dist
packaging/pack.sh dist "$version" "$SOURCE_DATE_EPOCH" \
  build/release-win32/instprobe.exe build/release-win64/instprobe.exe \
  build/release-host
echo "release: dist/ for instprobe $version:"
(cd dist && cat SHA256SUMS)
