#!/usr/bin/env bash
# Packages the build folder as it is (no second build) into a temporary
# folder and checks the package as scripts/package does.
# usage: package_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
for tool in cpack dpkg-deb dpkg-shlibdeps; do
    if ! command -v "$tool" >/dev/null; then
        echo "$tool missing (scripts/install-deps installs it): package not tested"
        exit 77
    fi
done
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
cpack --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
"$source/scripts/check-package" "$out"/marnelo_*.deb >/dev/null
echo "package test passed"
