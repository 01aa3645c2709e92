#!/usr/bin/env bash
# Tries the portable tree (scripts/make-portable-tree.sh) where users without
# root or Debian run it: inside a bare Debian root (chroot) that has none of
# the libraries the tree bundles but zlib, which Debian's base holds. Every
# library the command, the simulated host and the plug-in load must come
# from the tree; its demo must write a report and maps; the tests' BIDS
# study must give, level by level, the same files as the installed command
# on this machine.
# Usage: tests/containers/portable-tree-test.sh BUILD_DIR BASE_ROOT
#   (as root; BASE_ROOT from scripts/make-debian-root.sh is copied, not changed)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(readlink -f "${1:?usage: $0 BUILD_DIR BASE_ROOT}")
base=$(readlink -f "${2:?usage: $0 BUILD_DIR BASE_ROOT}")
fail() { echo "portable tree test: $*"; exit 1; }

work=$(mktemp -d /tmp/quorvel-portable-test-XXXXXX)
root=$work/root
cleanup() {
  umount "$root/proc" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
cp -a "$base" "$root"
mount -t proc proc "$root/proc"   # the command finds itself through /proc/self/exe

scripts/make-portable-tree.sh "$build" >"$work/make.log" || { cat "$work/make.log"; fail "making the tree"; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
tar -C "$root/opt" -xzf "$build/packages/quorvel-$version-linux-$(uname -m).tar.gz"
tree=/opt/quorvel-$version
in_root() {
  chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"
}

system_libraries=$(in_root ldconfig -p) || fail "ldconfig -p in the bare root"
! grep -E 'libnifti|libznz|libisal|libdeflate' <<<"$system_libraries" ||
  fail "the bare root holds a library the tree should bring"
for elf in quorvel Noravia.exe Quorvel1_2.so; do
  loads=$(in_root ldd "$tree/lib/quorvel/$elf") || fail "ldd $elf in the bare root: $loads"
  # Anything neither glibc's, the C++ runtime's nor the tree's is a library
  # the tree forgot.
  strays=$(grep -v -E "=> $tree/lib/quorvel/|^\s*(linux-vdso|/lib64/ld-linux)" <<<"$loads" |
             grep -v -E '^\s*(libc|libm|libstdc\+\+|libgcc_s)\.so\.[0-9]+ => /lib/' || true)
  [[ -z $strays ]] || fail "$elf loads from outside the tree: $strays"
done

in_root "$tree/bin/quorvel" demo --out /tmp/demo >"$work/demo.log" 2>&1 ||
  { cat "$work/demo.log"; fail "quorvel demo in the bare root"; }
compgen -G "$root/tmp/demo/*_desc-qc_report.html" >/dev/null || fail "the demo wrote no report"
compgen -G "$root/tmp/demo/*_stat-tsnr_boldmap.nii.gz" >/dev/null || fail "the demo wrote no TSNR map"

"$build/tests/cli/make_test_bids_dataset" "$root/study"
cmake --install "$build" --component command --prefix "$work/installed" >/dev/null
for level in participant group; do
  in_root "$tree/bin/quorvel" bids /study /out "$level" -j 2 >"$work/tree.log" 2>&1 ||
    { cat "$work/tree.log"; fail "quorvel bids $level in the bare root"; }
  "$work/installed/bin/quorvel" bids "$root/study" "$work/expected" "$level" -j 2 >"$work/host.log" 2>&1 ||
    { cat "$work/host.log"; fail "the installed quorvel bids $level"; }
  tests/bids/same-outputs.sh "$work/expected" "$root/out" "$root/study" /study ||
    fail "the $level level in the bare root differs from the installed command's"
done
echo "portable tree test: $(sed -n 's/.*bundles //p' "$work/make.log") from the tree;" \
     "demo and the study's $(($(wc -l <"$root/out/group_bold.tsv") - 1)) runs equal the installed command's"
