#!/usr/bin/env bash
# podman as it runs on these machines, as root in a sandbox: with the runc
# runtime (crun refuses cgroups in hybrid mode) and a containers.conf that
# sets no default ulimits (the sandbox refuses raising RLIMIT_NOFILE and
# RLIMIT_NPROC). The conf also names runc, so that podman started by others
# with CONTAINERS_CONF pointing at it (Slurm jobs) runs the same way.
# Usage: scripts/podman.sh PODMAN_ARGUMENTS...
# Environment: CONTAINERS_CONF, when set, is used as it is; otherwise the
# conf is written to ${TMPDIR:-/tmp}/quorvel-containers.conf.
set -euo pipefail
if [[ -z ${CONTAINERS_CONF:-} ]]; then
  CONTAINERS_CONF=${TMPDIR:-/tmp}/quorvel-containers.conf
  printf '[containers]\ndefault_ulimits = []\n\n[engine]\nruntime = "runc"\n' \
    >"$CONTAINERS_CONF.$$"
  mv "$CONTAINERS_CONF.$$" "$CONTAINERS_CONF"
  export CONTAINERS_CONF
fi
exec podman --runtime runc "$@"
