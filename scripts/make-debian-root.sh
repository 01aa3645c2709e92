#!/usr/bin/env bash
# Makes a minimal Debian 12 root file system with debootstrap (variant
# minbase), from the mirror that apt uses on this machine: the base of the
# container image and the bare root in which the portable tree is tried.
#
# Usage: scripts/make-debian-root.sh ROOT   (as root; ROOT must not exist)
# Environment: QUORVEL_ROOT_CACHE, a folder where the root is kept as a
# tar file between local runs and taken from when present. Unset (as in CI),
# every run makes the root from nothing.
set -euo pipefail
root=${1:?usage: $0 ROOT}
suite=bookworm
[[ $(id -u) -eq 0 ]] || { echo "make-debian-root: debootstrap needs root" >&2; exit 2; }
[[ ! -e $root ]] || { echo "make-debian-root: $root exists already" >&2; exit 2; }
command -v debootstrap >/dev/null ||
  { echo "make-debian-root: debootstrap is missing (scripts/install-deps.sh --containers)" >&2; exit 2; }

# The first mirror apt lists for the suite, in either of apt's two formats
# (one-line "deb [options] URI SUITE COMPONENTS" and deb822 stanzas).
apt_mirror() {
  shopt -s nullglob
  local lists=(/etc/apt/sources.list /etc/apt/sources.list.d/*.list)
  local stanzas=(/etc/apt/sources.list.d/*.sources)
  {
    [[ ${#lists[@]} -eq 0 ]] || sed -e 's/#.*//' -e 's/\[[^]]*\]//' "${lists[@]}" 2>/dev/null |
      awk -v suite="$suite" '$1 == "deb" && $3 == suite { print $2 }'
    [[ ${#stanzas[@]} -eq 0 ]] || awk -v suite="$suite" 'BEGIN { RS = ""; FS = "\n" }
      {
        uri = ""; ok = 0; deb = 0
        for (i = 1; i <= NF; i++) {
          if ($i ~ /^URIs:/) { split($i, f, /[ \t]+/); uri = f[2] }
          if ($i ~ /^Suites:/ && (" " $i " ") ~ (" " suite " ")) ok = 1
          if ($i ~ /^Types:/ && $i ~ /(^|[ \t])deb([ \t]|$)/) deb = 1
        }
        if (ok && deb && uri != "") print uri
      }' "${stanzas[@]}"
  } | head -n 1
}

cached=""
if [[ -n ${QUORVEL_ROOT_CACHE:-} ]]; then
  cached=$QUORVEL_ROOT_CACHE/debian-$suite-minbase.tar
  if [[ -f $cached ]]; then
    mkdir -p "$root"
    tar -C "$root" -xf "$cached"
    echo "Debian root: $root from $cached"
    exit 0
  fi
fi

mirror=$(apt_mirror)
[[ -n $mirror ]] || { echo "make-debian-root: apt lists no mirror for $suite in /etc/apt" >&2; exit 2; }
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! debootstrap --variant=minbase "$suite" "$root" "$mirror" >"$log" 2>&1; then
  tail -n 30 "$log" >&2
  echo "make-debian-root: debootstrap $suite from $mirror failed" >&2
  exit 1
fi
# apt in the root asks the same mirror; the package lists are fetched when
# something is installed.
rm -rf "$root"/var/cache/apt/archives/*.deb
if [[ -n $cached ]]; then
  mkdir -p "$QUORVEL_ROOT_CACHE"
  tar -C "$root" -cf "$cached.partial" . && mv "$cached.partial" "$cached"
fi
echo "Debian root: $root from $mirror ($(du -sh "$root" | cut -f1))"
