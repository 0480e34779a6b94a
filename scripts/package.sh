#!/usr/bin/env bash
# package.sh: builds the Debian packages of both Qt flavours with CPack into
# build-package/ (the runtime library, the development files and the tools,
# each for Qt 5 and for Qt 6) and checks every package with lintian.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/ensure-packages.sh $(cat scripts/packages.txt)

# Debian's compiler and linker flags, with every hardening feature on.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
eval "$(dpkg-buildflags --export=sh)"

out=build-package
mkdir -p "$out"
rm -f "$out"/*.deb
for qt in 5 6; do
    build="$out/qt$qt"
    cmake -S . -B "$build" -DQT_MAJOR_VERSION="$qt" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_INSTALL_PREFIX=/usr -DQUELM_PACKAGING=ON -DBUILD_TESTING=OFF \
        -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON -DCMAKE_CXX_FLAGS="$CPPFLAGS $CXXFLAGS" \
        -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" -DCMAKE_SHARED_LINKER_FLAGS="$LDFLAGS" >/dev/null
    nice -n 10 cmake --build "$build" -j"$(nproc)" >/dev/null
    cpack --config "$build/CPackConfig.cmake" -B "$PWD/$build/cpack" >/dev/null
    mv "$build"/cpack/*.deb "$out/"
done

echo "== packages"
ls -1 "$out"/*.deb
echo "== lintian"
lintian --fail-on error "$out"/*.deb
