#!/usr/bin/env bash
# Checks that the shipped host SHIPPED exports none of the test faults
# (noravia::faults::..., or any function of their names wherever it is
# declared), and that the test build TEST does: otherwise the look-up itself
# would be broken and prove nothing.
#
# Usage: tests/shell/fault-exports.sh SHIPPED TEST
set -euo pipefail
shipped=${1:?usage: $0 SHIPPED TEST}
test_host=${2:?usage: $0 SHIPPED TEST}

faults_of() {
  local symbols
  symbols=$(nm -D --defined-only -C "$1") || { echo "nm cannot read $1" >&2; exit 1; }
  grep -E 'faults::|refuseNewMapsAfter|giveNullMapArray|failLinking|giveMapsBox' <<<"$symbols" || true
}

if [[ -z $(faults_of "$test_host") ]]; then
  echo "FAILED: $test_host exports no faults; the look-up finds nothing" >&2
  exit 1
fi
found=$(faults_of "$shipped")
if [[ -n $found ]]; then
  echo "FAILED: $shipped exports the test faults:" >&2
  echo "$found" >&2
  exit 1
fi
echo "$shipped exports no faults"
