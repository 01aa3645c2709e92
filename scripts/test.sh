#!/usr/bin/env bash
# Runs every test of the project: the Linux suite, the same suite under
# AddressSanitizer and UndefinedBehaviorSanitizer, and the Windows DLL's
# scenario tests under Wine. Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

scripts/install-deps.sh --windows

echo "== Linux build and test suite"
cmake --preset default
cmake --build --preset default -j"$jobs"
ctest --preset default -j"$jobs"

echo "== The same suite under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset sanitize
cmake --build --preset sanitize -j"$jobs"
ctest --preset sanitize -j"$jobs"

if [[ -x tests/windows/run-under-wine.sh ]]; then
  echo "== Windows DLL under Wine"
  tests/windows/run-under-wine.sh
fi
echo "== All tests passed"
