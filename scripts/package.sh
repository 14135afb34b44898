#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package galvetta_VERSION_ARCH.deb in build/package, with
# Debian's hardening flags, and prints its path.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh package
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
export CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
export LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
# Through ccache when it is there; each target's files compiled as one.
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build/package -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DCMAKE_UNITY_BUILD=ON \
  -DCMAKE_INSTALL_BINDIR=games "${launcher[@]}" >/dev/null
cmake --build build/package -j "$(nproc)"
(cd build/package && cpack -G DEB >/dev/null)
ls "$PWD"/build/package/galvetta_*.deb
