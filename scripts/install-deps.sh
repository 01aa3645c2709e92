#!/usr/bin/env bash
# Installs the Debian packages the project builds with, when any is missing.
# Usage: scripts/install-deps.sh [--windows] [--browser] [--bids] [--containers]
#   --windows adds MinGW and Wine; --browser adds Chromium (the page checks);
#   --bids adds Slurm, munge and Node.js, and the npm package bids-validator
#   1.15 in $QUORVEL_NPM_PREFIX (default ~/.cache/quorvel/npm), for the
#   checks of quorvel bids; --containers adds debootstrap, podman, runc and
#   patchelf (the container image and the portable tree)
# Another package install that holds apt's or dpkg's lock is waited for, up
# to $QUORVEL_APT_LOCK_SECONDS (default 600) seconds, rather than failing.
set -euo pipefail

packages=(cmake make g++ clang libclang-rt-14-dev clang-format clang-tidy git libgtest-dev libgmock-dev libbenchmark-dev
          libnifti2-dev libcli11-dev nlohmann-json3-dev zlib1g-dev libisal-dev libdeflate-dev libpng-dev chromium
          python3-scipy)
windows=0
bids=0
for option in "$@"; do
  case $option in
    --windows) windows=1; packages+=(g++-mingw-w64-i686 wine) ;;
    --browser) packages+=(chromium) ;;
    --bids)
      bids=1
      packages+=(slurm-wlm munge)
      # Debian's Node.js only where none is installed: its npm package
      # conflicts with a Node.js that brings its own npm.
      command -v npm >/dev/null || packages+=(nodejs npm) ;;
    # podman's default runtime, crun, is refused on hosts with hybrid cgroups.
    --containers) packages+=(debootstrap podman runc patchelf) ;;
    *) echo "usage: $0 [--windows] [--browser] [--bids] [--containers]" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [[ $windows -eq 1 ]] && ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
  missing+=(wine32:i386)
fi
if [[ ${#missing[@]} -gt 0 ]]; then
  sudo=""
  [[ $(id -u) -ne 0 ]] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  if [[ $windows -eq 1 ]]; then
    $sudo dpkg --add-architecture i386
  fi
  # Machines that install packages on their own (unattended upgrades, other
  # builds) hold the lock now and then; waiting beats failing the whole run.
  wait_for_lock=(-o "DPkg::Lock::Timeout=${QUORVEL_APT_LOCK_SECONDS:-600}")
  $sudo apt-get "${wait_for_lock[@]}" update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get "${wait_for_lock[@]}" install -y -qq \
    --no-install-recommends "${missing[@]}" >/dev/null
fi

if [[ $bids -eq 1 ]]; then
  prefix=${QUORVEL_NPM_PREFIX:-$HOME/.cache/quorvel/npm}
  if [[ ! -x $prefix/node_modules/.bin/bids-validator ]]; then
    echo "Installing bids-validator 1.15 into $prefix"
    npm install --prefix "$prefix" --no-audit --no-fund --loglevel=error bids-validator@1.15 >/dev/null
  fi
fi
