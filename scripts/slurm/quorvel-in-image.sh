#!/usr/bin/env bash
# Stands in for the quorvel command where it runs from a container image:
# `quorvel-in-image.sh bids BIDS_DIR OUT_DIR LEVEL [options...]` runs the
# image's entry point (quorvel bids) with BIDS_DIR mounted read-only at
# /data and OUT_DIR (made when missing) at /out. submit.sh and the job
# templates use it when QUORVEL_IMAGE is set.
# Environment: QUORVEL_IMAGE, the image: an Apptainer .sif file or a podman
# image name; QUORVEL_CONTAINER, what runs it: apptainer (default),
# singularity, or podman (or a wrapper whose name starts with podman).
set -euo pipefail
if [[ $# -lt 4 || $1 != bids || -z ${QUORVEL_IMAGE:-} ]]; then
  sed -n '3,9p' "$0" >&2
  exit 2
fi
bids=$(readlink -f "$2")
out=$(readlink -m "$3")
shift 3
# A bind mount needs its source; quorvel bids would make the folder too.
mkdir -p "$out"
container=${QUORVEL_CONTAINER:-apptainer}
case $(basename "$container") in
  podman*)
    exec "$container" run --rm --network none -v "$bids:/data:ro" -v "$out:/out" \
      "$QUORVEL_IMAGE" /data /out "$@" ;;
  *)
    exec "$container" run --bind "$bids:/data:ro" --bind "$out:/out" \
      "$QUORVEL_IMAGE" /data /out "$@" ;;
esac
