#!/usr/bin/env bash
# Builds the release archives in dist/:
#   instprobe-VERSION-windows.zip        instprobe.exe (32-bit), x64/instprobe.exe,
#                                        an example stpsrch.ini, README.txt
#   instprobe-VERSION-linux-x86_64.tar.gz bin/instprobe, bin/instprobe32,
#                                        the docs and the manual pages
#   instprobe_VERSION_amd64.deb          the same under /usr, as a Debian
#                                        package
#   SHA256SUMS
# The archives hold the very programs the test command runs: the presets
# win32, win64 and host (build/win32, build/win64, build/host), built here
# first when missing or out of date. Two runs on the same commit give
# byte-identical archives: every time stamp is the commit's (or
# SOURCE_DATE_EPOCH when it is set), and the builds carry no time stamp or
# source path.
set -euo pipefail
cd "$(dirname "$0")/.."
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
export SOURCE_DATE_EPOCH
if [[ -n $(git status --porcelain 2>/dev/null) ]]; then
  echo "release: warning: the work tree has changes; the archives are not" \
       "those of commit $(git rev-parse --short HEAD)" >&2
fi

for preset in win32 win64 host; do
  targets=(instprobe)
  [[ $preset == host ]] && targets+=(instprobe32)
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j"$(nproc)" --target "${targets[@]}" \
    >/dev/null
done

# The one version number is project()'s, as CMake configured it.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/host/CMakeCache.txt)
if [[ -z $version ]]; then
  echo "release: no project version in build/host" >&2
  exit 1
fi

rm -rf dist
packaging/pack.sh dist "$version" "$SOURCE_DATE_EPOCH" \
  build/win32/instprobe.exe build/win64/instprobe.exe build/host
echo "release: dist/ for instprobe $version:"
(cd dist && cat SHA256SUMS)
