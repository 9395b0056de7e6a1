#!/usr/bin/env bash
# Builds the Debian package: a Release build in build-package/ (its own build
# folder) with Debian's hardening flags, installed to /usr by CPack's DEB
# generator into build-package/ruvoteledit_<version>_amd64.deb.
# packaging/check-package.sh checks the result without installing it.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
ruvo_install_deps

jobs=$(nproc)
if ((jobs > 2)); then jobs=2; fi

# Debian's build flags with all hardening (stack protector, _FORTIFY_SOURCE,
# RELRO and BIND_NOW), without -g: the binaries are stripped in the package
# anyway. Given on every configure, so that they hold also in an existing
# build-package/.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_CXXFLAGS_MAINT_STRIP=-g
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)

cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DRUVO_BUILD_TESTS=OFF -DRUVO_BUILD_BENCH=OFF -DRUVO_BUILD_UI=ON -DRUVO_SANITIZE=OFF -DRUVO_FUZZ=OFF \
    -DRUVO_PACKAGE=ON "-DCMAKE_CXX_FLAGS=$cxxflags" "-DCMAKE_EXE_LINKER_FLAGS=$ldflags"
cmake --build build-package -j "$jobs"
rm -f build-package/ruvoteledit_*.deb
(cd build-package && cpack -G DEB)
ls build-package/ruvoteledit_*.deb
