#!/usr/bin/env bash
# Builds the 32-bit Windows DLL with MinGW-w64 (preset "windows"), checks its
# export and import tables, and runs the Windows tests under Wine in a
# throw-away Wine prefix.
#
# Usage: tests/windows/run-under-wine.sh
# Installs the cross-compiler and Wine first when they are missing.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
build=$root/build-windows
jobs=2

# --- Tools -------------------------------------------------------------------
if ! command -v i686-w64-mingw32-g++-posix >/dev/null || ! command -v wine >/dev/null; then
  if [[ -x scripts/install-deps.sh ]]; then
    scripts/install-deps.sh --windows
  else
    sudo=""; [[ $(id -u) -ne 0 ]] && sudo="sudo"
    $sudo dpkg --add-architecture i386
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
      cmake make g++-mingw-w64-i686 wine wine32:i386 >/dev/null
  fi
fi

# --- Build -------------------------------------------------------------------
echo "== Configuring and building the windows preset"
cmake --preset windows >/dev/null
cmake --build --preset windows -j"$jobs"

# --- The DLL's tables --------------------------------------------------------
echo "== Checking build-windows/Quorvel1_2.dll"
dll=$build/Quorvel1_2.dll
dump=$(i686-w64-mingw32-objdump -p "$dll")
fail() { echo "FAILED: $*" >&2; exit 1; }

grep -q 'file format pei-i386' <<<"$dump" || fail "not an i386 PE file"
grep -Eq '^Magic[[:space:]]+010b[[:space:]]+\(PE32\)' <<<"$dump" || fail "not PE32"

# Names of the export table, one a line.
exports=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" |
          sed -n 's/^[[:space:]]*\[ *[0-9]*\] //p')
for name in getPluginName getPluginVersion getPluginDescription getAuthor \
            getHelpFile getGUIScript createPlugin; do
  grep -qx "$name" <<<"$exports" || fail "export $name missing or decorated"
done
if grep -Eq '@[0-9]+$|^_(get|create)' <<<"$exports"; then
  fail "decorated export names: $(grep -E '@[0-9]+$|^_(get|create)' <<<"$exports" | tr '\n' ' ')"
fi
for name in _ZN10nrvaplugin10initPluginEv _ZN10nrvaplugin7executeEv \
            _ZTV19NRVAPluginInterface _ZTV10nrvaplugin; do
  grep -qx "$name" <<<"$exports" || fail "class member $name not exported"
done

# Imported DLLs: system libraries only (no libgcc, libstdc++, winpthread).
imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$dump")
while read -r lib; do
  [[ -z $lib ]] && continue
  shopt -s nocasematch
  [[ $lib =~ ^(kernel32|msvcrt|ucrtbase|user32|advapi32|api-ms-win-.*)\.dll$ ]] ||
    fail "imports a non-system DLL: $lib"
  shopt -u nocasematch
done <<<"$imports"
echo "PE32 i386; exports: $(grep -Ec '^(get|create)' <<<"$exports") C functions" \
     "+ class members; imports: $(tr '\n' ' ' <<<"$imports")"

# Every source of the plug-in compiled with SSE2 arithmetic and without
# contraction into fused multiply-adds (the map values depend on it), and
# realigning the stack that a Microsoft-built host aligns to 4 bytes only.
commands=$(grep -E '"command": .*quorvel_(host|analysis|dialog|plugin)\.dir' "$build/compile_commands.json")
[[ -n $commands ]] || fail "no plug-in sources in compile_commands.json"
for flag in -msse2 -mfpmath=sse -ffp-contract=off -mstackrealign; do
  if grep -qv -- "$flag" <<<"$commands"; then
    fail "plug-in sources compiled without $flag"
  fi
done
echo "plug-in compiled with -msse2 -mfpmath=sse -ffp-contract=off -mstackrealign"

scripts/check-plugin-package.sh "$build"

# --- Tests under Wine ----------------------------------------------------------
export WINEDEBUG=-all
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-wine.XXXXXX")
export WINEPREFIX
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
echo "== Creating a Wine prefix in $WINEPREFIX"
wineboot -i >/dev/null 2>&1 || true

echo "== Running the Windows tests under Wine"
ctest --test-dir "$build/tests/windows" --output-on-failure --no-tests=error
echo "== Windows tests passed"
