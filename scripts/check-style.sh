#!/usr/bin/env bash
# Checks C++ sources against .clang-format and .clang-tidy.
#
# Usage: scripts/check-style.sh [--format | --tidy] [FILE...]
#   --format  only the layout (clang-format, no build needed)
#   --tidy    only the static checks (clang-tidy, with the compile commands
#             of the default build: run `cmake --preset default` first)
# Without files it checks every C++ source git knows of. Exits 1 when a file
# would be reformatted or has a finding, naming each.
set -euo pipefail
cd "$(dirname "$0")/.."

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
  for file in "${files[@]}"; do
    [[ $file == *.cpp ]] || continue   # headers are checked through the sources
    grep -q "\"file\": \".*/$file\"" "$database" || continue  # not in this build
    findings=$(clang-tidy --quiet -p build "$file" 2>/dev/null | grep -E "warning:|error:" || true)
    if [[ -n $findings ]]; then
      echo "$findings"
      status=1
    fi
  done
fi
exit $status
