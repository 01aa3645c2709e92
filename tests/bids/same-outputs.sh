#!/usr/bin/env bash
# Succeeds when two output folders of `quorvel bids` (or `quorvel run`) hold
# the same files with the same bytes, and shows the difference otherwise.
# Left out: the logs (*_desc-qc_log.txt, and quorvel_log_TIME_PID.txt of
# quorvel run, whose name is its time) and the HTML pages (*_report.html),
# which name the folders and the time they were written in, and the Slurm
# submission's bookkeeping (.quorvel-participants.txt, .quorvel-slurm-jobs).
# When the two were made from the same dataset at two paths (a container's
# /data and the host's folder), give both: the JSON files that name the
# dataset (dataset_description.json, *_iqms.json) are compared with the
# second path written as the first.
# Usage: tests/bids/same-outputs.sh EXPECTED_DIR ACTUAL_DIR [EXPECTED_DATASET ACTUAL_DATASET]
set -euo pipefail
expected=${1:?usage: $0 EXPECTED_DIR ACTUAL_DIR [EXPECTED_DATASET ACTUAL_DATASET]}
actual=${2:?}
from=${4:-} to=${3:-}
listing() {
  local file
  (cd "$1" && find . -type f ! -name '*_log.txt' ! -name 'quorvel_log_*.txt' ! -name '*_report.html' \
     ! -name '.quorvel-participants.txt' ! -name '.quorvel-slurm-jobs' | sort) |
    while IFS= read -r file; do
      if [[ $2 == rename && -n $from && $file == *.json ]]; then
        # Only where a path is written: a quoted path or a file:// address.
        echo "$(sed -e "s|\"$from/|\"$to/|g" -e "s|\"file://$from\"|\"file://$to\"|g" "$1/$file" |
                  sha256sum | cut -d' ' -f1)  $file"
      else
        echo "$(sha256sum <"$1/$file" | cut -d' ' -f1)  $file"
      fi
    done
}
diff <(listing "$expected" keep) <(listing "$actual" rename)
