#!/usr/bin/env bash
# Submits a whole BIDS dataset to Slurm: one array task per participant
# (participant.sbatch), then the group table (group.sbatch) once every task
# has succeeded.
# Usage: scripts/slurm/submit.sh BIDS_DIR OUT_DIR [options of quorvel bids participant...]
# Environment: QUORVEL, the command to run (default: quorvel on the PATH);
# QUORVEL_IMAGE, a container image to run it from instead (with
# QUORVEL_CONTAINER: apptainer by default, see quorvel-in-image.sh);
# SBATCH_PARTITION, SBATCH_ACCOUNT and the other SBATCH_* variables of
# sbatch apply to both jobs.
set -euo pipefail
if [[ $# -lt 2 ]]; then
  sed -n '2,10p' "$0" >&2
  exit 2
fi
here=$(dirname "$(readlink -f "$0")")
quorvel=${QUORVEL:-quorvel}
[[ -z ${QUORVEL_IMAGE:-} || -n ${QUORVEL:-} ]] || quorvel=$here/quorvel-in-image.sh
# The jobs run what this runs: sbatch passes them the environment.
export QUORVEL=$quorvel
bids=$(readlink -f "$1")
out=$(readlink -m "$2")
shift 2
mkdir -p "$out"

# The labels are fixed at submission, so that participants added while the
# jobs wait do not shift the array's numbering.
labels="$out/.quorvel-participants.txt"
"$quorvel" bids "$bids" "$out" list >"$labels"
count=$(wc -l <"$labels")
array=$(sbatch --parsable --array="1-$count" "$here/participant.sbatch" \
          "$bids" "$out" "$labels" "$@")
array=${array%%;*}
group=$(sbatch --parsable --dependency="afterok:$array" "$here/group.sbatch" "$bids" "$out")
group=${group%%;*}
echo "participant array job $array ($count participants), group job $group"
echo "$array $group" >"$out/.quorvel-slurm-jobs"
