#!/usr/bin/env bash
# Checks C++ sources against .clang-format and .clang-tidy.
#
# Usage: scripts/check-style.sh [--format | --tidy | --host-pointers] [FILE...]
#   --format  only the layout (clang-format, no build needed)
#   --tidy    only the static checks (clang-tidy, with the compile commands
#             of the default build: run `cmake --preset default` first)
#   --host-pointers  only the check that the process-wide host pointers are
#             reached from the plug-in object and the binding alone (the
#             suite runs it as a test)
# Without files it checks every C++ source git knows of. Exits 1 when a file
# would be reformatted or has a finding, naming each.
set -euo pipefail
cd "$(dirname "$0")/.."

# The code below the plug-in object reaches the host through the table it is
# handed, so that a unit test can hand it a fake: only src/plugin/ and the
# binding in src/host/ may include the header of the process-wide pointers.
check_host_pointers() {
  local allowed='^src/(plugin/|host/(bind_host_functions|host_functions|host_function_table)\.cpp$)'
  local offenders
  offenders=$(git grep --untracked -l -E '#include "host/(host_functions|bind_host_functions)\.h"' -- src \
              | grep -v -E "$allowed" || true)
  if [[ -n $offenders ]]; then
    echo "these files reach the process-wide host pointers; take a HostFunctions table instead:"
    echo "$offenders"
    return 1
  fi
}
if [[ ${1:-} == --host-pointers ]]; then
  check_host_pointers
  exit
fi

format=1 tidy=1
case "${1:-}" in
  --format) tidy=0; shift ;;
  --tidy) format=0; shift ;;
esac
if [[ $# -gt 0 ]]; then
  files=("$@")
else
  mapfile -t files < <(git ls-files '*.cpp' '*.h')
fi

for tool in clang-format clang-tidy; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: scripts/install-deps.sh installs it" >&2; exit 2; }
done

status=0
check_host_pointers || status=1
if [[ $format -eq 1 ]]; then
  for file in "${files[@]}"; do
    if ! clang-format --dry-run --Werror "$file" 2>/dev/null; then
      echo "clang-format would change $file"
      status=1
    fi
  done
fi
if [[ $tidy -eq 1 ]]; then
  database=build/compile_commands.json
  [[ -f $database ]] || { echo "no $database: run cmake --preset default first" >&2; exit 2; }
  # clang reads GCC's commands, less two flags it does not share: it has no
  # -fno-gnu-unique, and its -mno-fma also turns AVX-512 off.
  tidy_build=$(mktemp -d)
  trap 'rm -rf "$tidy_build"' EXIT
  sed -e 's/ -fno-gnu-unique//g' -e 's/ -mno-fma//g' "$database" >"$tidy_build/compile_commands.json"
  sources=()
  for file in "${files[@]}"; do
    [[ $file == *.cpp ]] || continue   # headers are checked through the sources
    grep -q "\"file\": \".*/$file\"" "$database" || continue  # not in this build
    sources+=("$file")
  done
  # The command's sources are held to GCC's conversion warnings under clang
  # too (cli/CMakeLists.txt), and clang's -Wconversion adds every change of
  # sign: left out here as in the clang build. The plug-in's own sign
  # changes are still errors in the clang (fuzzing) build.
  # A file takes clang-tidy several seconds on one core: one per processor.
  # Its findings are on standard output; its standard error ("N warnings
  # generated") is shown only when it fails without a finding, or on a
  # signal: a clang-tidy that crashed has checked nothing, which is no pass.
  # shellcheck disable=SC2016  # sh -c expands its own arguments
  findings=$(printf '%s\0' "${sources[@]}" | xargs -0 -r -n 1 -P "$(nproc)" \
    sh -c 'errors=$(mktemp)
      output=$(clang-tidy --quiet --extra-arg=-Wno-sign-conversion -p "$0" "$1" 2>"$errors")
      status=$?
      found=$(printf "%s\n" "$output" | grep -E "warning:|error:")
      [ -z "$found" ] || printf "%s\n" "$found"
      if [ "$status" -gt 128 ] || { [ "$status" -ne 0 ] && [ -z "$found" ]; }; then
        echo "$1: clang-tidy failed with exit status $status and no finding:"
        tail -n 5 "$errors" | sed "s/^/  /"
      fi
      rm -f "$errors"' \
    "$tidy_build")
  if [[ -n $findings ]]; then
    echo "$findings"
    status=1
  fi
fi
exit $status
