#!/usr/bin/env bash
# Builds the Debian package harvex_<version>_<arch>.deb into build-deb/ (prefix /usr,
# without tests and benchmarks) and runs lintian on it when lintian is installed.
set -euo pipefail
cd "$(dirname "$0")/.."
[ "${HARVEX_SKIP_DEPS:-0}" = "1" ] || scripts/install-deps.sh
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build-deb -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
      -DHARVEX_BUILD_TESTS=OFF -DHARVEX_BUILD_BENCH=OFF "${launcher[@]}" \
      -DCMAKE_C_FLAGS="-D_FORTIFY_SOURCE=2 -fstack-protector-strong" \
      -DCMAKE_CXX_FLAGS="-D_FORTIFY_SOURCE=2 -fstack-protector-strong" \
      -DCMAKE_EXE_LINKER_FLAGS="-Wl,-z,relro -Wl,-z,now" -DCMAKE_SHARED_LINKER_FLAGS="-Wl,-z,relro -Wl,-z,now" >/dev/null
cmake --build build-deb -j "$(nproc)"
rm -f build-deb/harvex_*.deb  # one package in the folder, whatever version came before
(cd build-deb && cpack -G DEB >/dev/null)
deb=$(ls build-deb/harvex_*.deb)
echo "$deb"
if command -v lintian >/dev/null; then
  lintian --fail-on error --suppress-tags-from-file packaging/debian/lintian-overrides.txt "$deb"
fi
