#!/usr/bin/env bash
# Builds the Debian package kelmar-lite_VERSION_ARCH.deb from an optimised
# build: the three programs and the package's files, then CPack's DEB
# generator (dependencies computed by dpkg-shlibdeps). Prints the package's path.
#   ZELV_BUILD_DIR  build folder to use (default build/release, the release preset)
#   ZELV_JOBS       parallel build jobs (default: all processors)
# Install it with: sudo apt install ./kelmar-lite_VERSION_ARCH.deb
set -euo pipefail
cd "$(dirname "$0")/.."

build=${ZELV_BUILD_DIR:-build/release}
jobs=${ZELV_JOBS:-$(nproc)}

scripts/install-deps.sh
if [ "$build" = build/release ]; then
    cmake --preset release
else
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build" --target ZELVDesk ZELVRenew zelvadmin zelv_package_files -j "$jobs"
(cd "$build" && cpack -G DEB)
ls "$build"/kelmar-lite_*.deb
