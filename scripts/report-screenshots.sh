#!/usr/bin/env bash
# Renders screenshots of the quality pages for people to look at: the run
# page of `quorvel demo`, and the study page of a three-run study made from
# the demo's run (analysed with outlier thresholds of 3, 4 and 5 SD, so the
# runs differ). Needs Debian's chromium (scripts/install-deps.sh).
# Usage: scripts/report-screenshots.sh [OUT_DIR]   (default: ./quorvel-screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-quorvel-screenshots}")
cmake --preset default >/dev/null
cmake --build --preset default --target quorvel -j"$(nproc)" >/dev/null
rm -rf "$out/demo" "$out/bids" "$out/study" "$out/profile"
mkdir -p "$out"

build/quorvel demo --out "$out/demo" >/dev/null 2>&1
run="$out/demo/sub-demo_task-rest_bold.nii.gz"
threshold=3
for subject in 01 02 03; do
  mkdir -p "$out/bids/sub-$subject/func"
  cp "$run" "$out/bids/sub-$subject/func/sub-${subject}_task-rest_bold.nii.gz"
  build/quorvel run --max-deviation "$threshold" --out "$out/study/sub-$subject/func" \
    "$out/bids/sub-$subject/func/sub-${subject}_task-rest_bold.nii.gz" >/dev/null 2>&1
  threshold=$((threshold + 1))
done
build/quorvel bids "$out/bids" "$out/study" group >/dev/null 2>&1

shoot() {  # page, picture, window size
  timeout 120 chromium --headless --no-sandbox --disable-gpu --hide-scrollbars \
    --disable-background-networking --user-data-dir="$out/profile" \
    --window-size="$3" --screenshot="$2" "file://$1" >/dev/null 2>&1
  echo "wrote $2"
}
shoot "$out/demo/sub-demo_task-rest_desc-qc_report.html" "$out/run-page.png" 1200,2650
shoot "$out/study/group_bold_report.html" "$out/study-page.png" 1200,1450
rm -rf "$out/profile"
