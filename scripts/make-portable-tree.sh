#!/usr/bin/env bash
# Packs the quorvel command of a Linux build folder as a tree that runs on
# a Linux system with none of the libraries it links installed (a cluster
# node without Debian or root): the installed command tree plus a copy of
# every shared library the command, the simulated host and the plug-in load,
# each found through a run path of $ORIGIN. Only glibc and the compiler's
# C++ runtime (libstdc++, libgcc_s) are left to the system: they must match
# its loader, and every Linux system has them.
#
# Usage: scripts/make-portable-tree.sh BUILD_DIR
# Writes BUILD_DIR/packages/quorvel-VERSION-linux-ARCH.tar.gz, whose one
# folder quorvel-VERSION/ runs as quorvel-VERSION/bin/quorvel from wherever
# it is unpacked. Needs patchelf (scripts/install-deps.sh --containers).
set -euo pipefail
fail() { echo "make-portable-tree: $*" >&2; exit 1; }
build=$(cd "${1:?usage: $0 BUILD_DIR}" && pwd)
command -v patchelf >/dev/null || fail "patchelf is missing (scripts/install-deps.sh --containers)"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[[ -n $version ]] || fail "$build/CMakeCache.txt names no project version"
archive=$build/packages/quorvel-$version-linux-$(uname -m).tar.gz

work=$(mktemp -d /tmp/quorvel-portable-XXXXXX)
trap 'rm -rf "$work"' EXIT
tree=$work/quorvel-$version
cmake --install "$build" --component command --prefix "$tree" --strip >/dev/null
lib=$tree/lib/quorvel
bundled=()

system='^(linux-vdso|ld-linux[^ ]*|libc|libm|libdl|libpthread|librt|libresolv|libutil|libstdc\+\+|libgcc_s)\.so'
# ldd lists what each file loads, directly or through another library.
for elf in "$lib/quorvel" "$lib/Noravia.exe" "$lib/Quorvel1_2.so"; do
  [[ -f $elf ]] || fail "$elf was not installed"
  if ldd "$elf" | grep -q 'not found'; then
    ldd "$elf" >&2
    fail "$elf needs a library this machine does not have"
  fi
  ldd "$elf" | awk '$2 == "=>" && $3 ~ /^\// { print $1, $3 }'
done | sort -u >"$work/libraries"
while read -r soname path; do
  # The system's own, and what the tree holds already (the simulated host).
  [[ $soname =~ $system || -e $lib/$soname ]] && continue
  cp -L "$path" "$lib/$soname"
  chmod 644 "$lib/$soname"
  # A library's own dependencies are looked up by its run path, not by the
  # command's: each copy finds its neighbours in the same folder.
  # shellcheck disable=SC2016 # $ORIGIN is the loader's, not the shell's
  patchelf --set-rpath '$ORIGIN' "$lib/$soname"
  bundled+=("$soname")
done <"$work/libraries"

mkdir -p "$(dirname "$archive")"
tar -C "$work" --owner=0 --group=0 --numeric-owner -czf "$archive" "quorvel-$version"
echo "portable tree: $archive ($(du -h "$archive" | cut -f1)) bundles ${bundled[*]:-nothing}"
