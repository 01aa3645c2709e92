#!/usr/bin/env bash
# Installs the quorvel command of a Linux build folder two ways, and runs
# its demo from a plain shell each time:
#   1. `cmake --install BUILD --component command --prefix P`, run as
#      P/bin/quorvel, so the tree is relocatable;
#   2. the Debian package from `cpack -G DEB`, installed with
#      `apt-get install ./quorvel_*.deb` and run as `quorvel` from PATH,
#      then removed again.
#
# Usage: scripts/check-command-package.sh BUILD_DIR
set -euo pipefail
build=$(cd "${1:?usage: $0 BUILD_DIR}" && pwd)
fail() { echo "FAILED: $*" >&2; exit 1; }
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)

work=$(mktemp -d)
installed_deb=no
cleanup() {
  [[ $installed_deb == no ]] || "${sudo[@]}" apt-get remove -y -qq quorvel >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

# Runs the demo with nothing of the build's environment: no PATH entry of
# the build, no variables but the basic ones.
demo() {
  local quorvel=$1 out=$2
  env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$work/home" LANG=C.UTF-8 \
    "$quorvel" demo --out "$out" >"$out.log" 2>&1 || { cat "$out.log"; fail "$quorvel demo"; }
  compgen -G "$out/*_desc-qc_report.html" >/dev/null || fail "$quorvel demo wrote no report"
  compgen -G "$out/*_stat-tsnr_boldmap.nii.gz" >/dev/null || fail "$quorvel demo wrote no TSNR map"
}
mkdir "$work/home"

cmake --install "$build" --component command --prefix "$work/prefix" >/dev/null
# The installed host is the headless one: the test build's faults (which
# make it fail on request) are not in it.
faults=$(nm -D --defined-only -C "$work/prefix/lib/quorvel/Noravia.exe" \
           | grep -E 'faults::|refuseNewMapsAfter|giveNullMapArray|failLinking|giveMapsBox' || true)
[[ -z $faults ]] || fail "the installed Noravia.exe exports the test faults: $faults"
mv "$work/prefix" "$work/moved-prefix"   # relocatable: it works where it lands
demo "$work/moved-prefix/bin/quorvel" "$work/demo-tree"
echo "command tree: $work/moved-prefix/bin/quorvel demo ran"

rm -rf "$build/packages"
(cd "$build" && cpack -G DEB >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack -G DEB"; }
shopt -s nullglob
debs=("$build"/packages/quorvel_*.deb)
[[ ${#debs[@]} -eq 1 ]] || fail "expected one quorvel_*.deb in $build/packages"
cp "${debs[0]}" "$work/"
deb="$work/$(basename "${debs[0]}")"
chmod a+r "$deb"
installed_deb=yes
"${sudo[@]}" apt-get install -y -qq "$deb" >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "apt-get install $deb"; }
demo quorvel "$work/demo-deb"
echo "Debian package: $(basename "$deb") installed; quorvel demo ran from PATH"
