#!/usr/bin/env bash
# Installs the plug-in component of a build folder into a temporary prefix
# and packs it with CPack, and checks that both hold exactly the plug-ins
# folder's files: the library, Quorvel1_0.js and HelpFolder/index.html.
#
# Usage: scripts/check-plugin-package.sh BUILD_DIR   (build/ or build-windows/)
set -euo pipefail
build=$(cd "${1:?usage: $0 BUILD_DIR}" && pwd)
fail() { echo "FAILED: $*" >&2; exit 1; }

if [[ -f $build/Quorvel1_2.dll ]]; then library=Quorvel1_2.dll; else library=Quorvel1_2.so; fi
expected=$(printf '%s\n' HelpFolder/index.html Quorvel1_0.js "$library" | sort)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build" --component plugin --prefix "$work/prefix" >/dev/null
installed=$(cd "$work/prefix" && find . -type f | sed 's|^\./||' | sort)
[[ $installed == "$expected" ]] ||
  fail "cmake --install gave:"$'\n'"$installed"$'\n'"expected:"$'\n'"$expected"

rm -rf "$build/packages"
(cd "$build" && cpack >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack"; }
shopt -s nullglob
packages=("$build"/packages/Quorvel-*-plugin-*.zip "$build"/packages/Quorvel-*-plugin-*.tar.gz)
[[ ${#packages[@]} -eq 1 ]] || fail "expected one plug-in package in $build/packages"
package=${packages[0]}
mkdir "$work/unpacked"
case $package in
  *.zip) (cd "$work/unpacked" && cmake -E tar xf "$package") ;;
  *) tar -xzf "$package" -C "$work/unpacked" ;;
esac
unpacked=$(cd "$work/unpacked" && find . -type f | sed 's|^\./||' | sort)
[[ $unpacked == "$expected" ]] ||
  fail "$(basename "$package") holds:"$'\n'"$unpacked"$'\n'"expected:"$'\n'"$expected"
[[ -s $work/unpacked/$library ]] || fail "$library in the package is empty"
echo "plug-in package: $package ($(tr '\n' ' ' <<<"$unpacked"))"
