#!/usr/bin/env bash
# Installs the Debian packages the project builds with, when any is missing.
# Usage: scripts/install-deps.sh [--windows] [--browser]
#   --windows adds MinGW and Wine; --browser adds Chromium (the page checks)
set -euo pipefail

packages=(cmake make g++ clang libclang-rt-14-dev clang-format clang-tidy git libgtest-dev libgmock-dev libbenchmark-dev
          libnifti2-dev libcli11-dev nlohmann-json3-dev zlib1g-dev libdeflate-dev libpng-dev chromium)
windows=0
for option in "$@"; do
  case $option in
    --windows) windows=1; packages+=(g++-mingw-w64-i686 wine) ;;
    --browser) packages+=(chromium) ;;
    *) echo "usage: $0 [--windows] [--browser]" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [[ $windows -eq 1 ]] && ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
  missing+=(wine32:i386)
fi
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"
echo "Installing: ${missing[*]}"
if [[ $windows -eq 1 ]]; then
  $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
