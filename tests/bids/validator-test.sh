#!/usr/bin/env bash
# Checks `quorvel bids` against bids-validator: the tests' generated study
# is a valid BIDS dataset, it stays valid with quorvel's derivatives in
# derivatives/quorvel, and those derivatives mirror the study's layout
# (every run's outputs in its sub-XX/[ses-YY/]func folder, nothing for the
# run that .bidsignore leaves out, a derivative dataset_description.json
# and the group table).
# Usage: tests/bids/validator-test.sh [BUILD_DIR]   (default: build)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(readlink -f "${1:-build}")
validator=${QUORVEL_NPM_PREFIX:-$HOME/.cache/quorvel/npm}/node_modules/.bin/bids-validator
[[ -x $validator ]] || validator=$(command -v bids-validator || true)
if [[ -z $validator ]]; then
  echo "validator test: bids-validator is missing (scripts/install-deps.sh --bids)"
  exit 1
fi

work=$(mktemp -d /tmp/quorvel-validator-XXXXXX)
trap 'rm -rf "$work"' EXIT
study=$work/study
out=$study/derivatives/quorvel
fail() { echo "validator test: $*"; exit 1; }

validate() {
  if ! "$validator" --no-color "$study" >"$work/validator.txt" 2>&1; then
    grep -A3 'ERR' "$work/validator.txt" || tail -n 30 "$work/validator.txt"
    fail "bids-validator $($validator --version 2>/dev/null | tail -n 1) finds errors $1"
  fi
}

"$build/tests/cli/make_test_bids_dataset" "$study"
validate "in the generated study"
"$build/quorvel" bids "$study" "$out" participant -j 2 >"$work/participant.txt" 2>&1 ||
  { cat "$work/participant.txt"; fail "the participant level failed"; }
"$build/quorvel" bids "$study" "$out" group >"$work/group.txt" 2>&1 ||
  { cat "$work/group.txt"; fail "the group level failed"; }
validate "once the study holds quorvel's derivatives"

runs=0
while IFS= read -r run; do
  folder=$(dirname "$run")
  entities=$(basename "$run" _bold.nii.gz)
  if [[ $entities == *_acq-draft* ]]; then
    [[ -z $(find "$out/$folder" -name "${entities}_*") ]] || fail "$run is in .bidsignore but has outputs"
    continue
  fi
  runs=$((runs + 1))
  for suffix in stat-tsnr_boldmap.nii.gz stat-tsnr_boldmap.json desc-ac12_boldmap.nii.gz \
                desc-maxdev_boldmap.nii.gz desc-qc_timeseries.tsv desc-qc_timeseries.json \
                desc-qc_iqms.json desc-qc_log.txt; do
    [[ -f $out/$folder/${entities}_$suffix ]] || fail "missing $out/$folder/${entities}_$suffix"
  done
  grep -q "\"bids:raw:$run\"" "$out/$folder/${entities}_stat-tsnr_boldmap.json" ||
    fail "the sidecars of $run do not name it by its BIDS URI"
done < <(cd "$study" && find sub-* -name '*_bold.nii.gz' | sort)
[[ -z $(find "$out" -mindepth 2 -name dataset_description.json) ]] ||
  fail "a dataset_description.json below the derivatives' root"
grep -q '"DatasetType": "derivative"' "$out/dataset_description.json" ||
  fail "the derivatives' dataset_description.json does not say derivative"
[[ $(($(wc -l <"$out/group_bold.tsv") - 1)) -eq $runs ]] ||
  fail "group_bold.tsv does not hold one row for each of the $runs runs"
echo "validator test: the study and its $runs runs' derivatives pass bids-validator" \
     "$("$validator" --version 2>/dev/null | tail -n 1)"
