#!/usr/bin/env bash
# scripts/check-style.sh --tidy against stand-ins for clang-tidy: a finding
# fails the check, a clean run passes it quietly, and a clang-tidy that
# crashes (a signal, or a failure with no finding) fails it, saying so.
# Needs the default build's compile commands, as the check does.
set -euo pipefail
cd "$(dirname "$0")/../.."
file=cli/base/number_text.cpp
fake=$(mktemp -d)
trap 'rm -rf "$fake"' EXIT

# name | the stand-in's body | expected exit status | expected output part
cases=(
  'clean|echo "1 warning generated." >&2|0|'
  'finding|echo "$5:1:1: warning: a finding [some-check]"|1|warning: a finding'
  'signal|echo "Stack dump:" >&2; kill -SEGV $$|1|failed with exit status 139 and no finding'
  'failure|echo "error reading the file" >&2; exit 1|1|failed with exit status 1 and no finding'
)
failed=0
for entry in "${cases[@]}"; do
  IFS='|' read -r name body want part <<<"$entry"
  printf '#!/bin/sh\n%s\n' "$body" >"$fake/clang-tidy"
  chmod +x "$fake/clang-tidy"
  status=0
  output=$(PATH="$fake:$PATH" scripts/check-style.sh --tidy "$file" 2>&1) || status=$?
  if [[ $status -ne $want ]] || [[ -n $part && $output != *"$part"* ]] ||
     [[ -z $part && -n $output ]]; then
    echo "FAILED: $name: exit status $status (expected $want), output: $output"
    failed=1
  fi
done
exit $failed
