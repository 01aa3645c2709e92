#!/usr/bin/env bash
# Installs what is missing, builds Quorvel, and runs the built-in demo.
# Usage: scripts/demo.sh [--out DIR]   (default output folder: ./quorvel-demo)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
echo "Building Quorvel into build/ (a few minutes the first time)..."
cmake --preset default >/dev/null
cmake --build --preset default -j"$(nproc)" >/dev/null
echo
exec build/quorvel demo "$@"
