#!/usr/bin/env bash
# Builds the release programs and makes the Debian package build/release/package/tavolux_*.deb.
# TAVOLUX_BUILD overrides the build command (it gets the preset's targets as arguments).
set -euo pipefail
cd "$(dirname "$0")/.."

targets=(tavolux tavolux-cli tavolux-vprinter)
if [ -n "${TAVOLUX_BUILD:-}" ]; then
    # shellcheck disable=SC2086
    ${TAVOLUX_BUILD} "${targets[@]}"
else
    [ -f build/release/build.ninja ] || cmake --preset release
    cmake --build --preset release --target "${targets[@]}"
fi

out=build/release/package
rm -rf "$out"
mkdir -p "$out"
# cpack installs the built tree into its staging folder and wraps it; it builds nothing.
cpack --config build/release/CPackConfig.cmake -G DEB -B "$out"
deb=$(ls "$out"/tavolux_*.deb)
echo "package: $deb"
dpkg-deb --field "$deb" Package Version Architecture Depends
