#!/usr/bin/env bash
# Runs `quorvel bids` through a real one-node Slurm cluster on this machine:
# starts munged (unless one answers already), slurmctld and slurmd from a
# private folder, submits the participant array over the tests' BIDS dataset
# and the group job after it with scripts/slurm/submit.sh, waits (bounded),
# and checks that the outputs equal those of a local `-j 2` run. With
# --image, the jobs run the command from that podman image instead (as
# scripts/slurm/quorvel-in-image.sh does with QUORVEL_IMAGE). The daemons
# are stopped whatever happens.
# Usage: tests/slurm/slurm-test.sh [BUILD_DIR] [--image IMAGE]   (as root; default: build)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(readlink -f "${1:-build}")
image=""
[[ ${2:-} != --image ]] || image=${3:?usage: $0 BUILD_DIR --image IMAGE}
quorvel=$build/quorvel
make_dataset=$build/tests/cli/make_test_bids_dataset
limit=${QUORVEL_SLURM_SECONDS:-120}

if [[ $(id -u) -ne 0 ]]; then
  echo "slurm test: needs root (slurmd starts jobs as their user); skipped"
  exit 0
fi
for tool in slurmctld slurmd sbatch squeue sinfo scontrol munged; do
  command -v "$tool" >/dev/null || { echo "slurm test: $tool is missing (scripts/install-deps.sh)"; exit 1; }
done

work=$(mktemp -d /tmp/quorvel-slurm-XXXXXX)
chmod 755 "$work"
pids=()
munged_pid=""
cleanup() {
  local status=$?
  if [[ -f $work/slurm.conf ]]; then
    SLURM_CONF=$work/slurm.conf timeout 10 scontrol shutdown >/dev/null 2>&1 || true
  fi
  for pid in "${pids[@]}" $munged_pid; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill "$pid" 2>/dev/null || true
  done
  wait 2>/dev/null || true
  if [[ $status -ne 0 ]]; then
    echo "slurm test failed; the daemons' logs:"
    tail -n 20 "$work"/*.log 2>/dev/null || true
    tail -n 20 "$work"/run/*.out 2>/dev/null || true
  fi
  rm -rf "$work"
  exit $status
}
trap cleanup EXIT INT TERM

# munge: the cluster's authentication, run as its own user.
if ! (munge -n | unmunge) >/dev/null 2>&1; then
  install -d -o munge -g munge -m 755 /run/munge
  setpriv --reuid=munge --regid=munge --init-groups /usr/sbin/munged -F \
    >"$work/munged.log" 2>&1 &
  munged_pid=$!
  for _ in $(seq 50); do (munge -n | unmunge) >/dev/null 2>&1 && break; sleep 0.1; done
  (munge -n | unmunge) >/dev/null 2>&1 || { echo "slurm test: munged did not start"; exit 1; }
fi

node=$(hostname -s)
port=$((20000 + RANDOM % 20000))
mkdir -p "$work/state" "$work/spool" "$work/run"
cat >"$work/slurm.conf" <<CONF
ClusterName=quorveltest
SlurmctldHost=$node
SlurmctldPort=$port
SlurmdPort=$((port + 1))
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
CredType=cred/munge
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/slurmctld.log
SlurmdLogFile=$work/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU
SchedulerParameters=batch_sched_delay=0
DependencyParameters=kill_invalid_depend
MailProg=/bin/true
ReturnToService=2
NodeName=$node CPUs=$(nproc) State=UNKNOWN
PartitionName=test Nodes=ALL Default=YES MaxTime=INFINITE State=UP
CONF
export SLURM_CONF=$work/slurm.conf

slurmctld -D -c >"$work/slurmctld.out" 2>&1 &
pids+=($!)
slurmd -D >"$work/slurmd.out" 2>&1 &
pids+=($!)
deadline=$((SECONDS + limit))
until [[ $(sinfo -h -o %T 2>/dev/null) == idle ]]; do
  (( SECONDS < deadline )) || { echo "slurm test: the node never became idle"; exit 1; }
  sleep 0.2
done

"$make_dataset" "$work/study"
"$quorvel" bids "$work/study" "$work/local" participant -j 2 >/dev/null
"$quorvel" bids "$work/study" "$work/local" group >/dev/null

# The jobs run in $work/run, where their output files land.
if [[ -z $image ]]; then
  (cd "$work/run" && QUORVEL=$quorvel "$OLDPWD/scripts/slurm/submit.sh" "$work/study" "$work/slurm")
else
  (cd "$work/run" && QUORVEL_IMAGE=$image QUORVEL_CONTAINER=$OLDPWD/scripts/podman.sh \
     "$OLDPWD/scripts/slurm/submit.sh" "$work/study" "$work/slurm")
fi
read -r array group <"$work/slurm/.quorvel-slurm-jobs"
while [[ -n $(squeue -h -j "$array,$group" 2>/dev/null) ]]; do
  (( SECONDS < deadline )) || { echo "slurm test: jobs still queued after ${limit} s"; squeue; exit 1; }
  sleep 0.2
done
[[ -f $work/slurm/group_bold.tsv ]] || { echo "slurm test: the group job wrote no table"; exit 1; }

# In the image, the dataset is the container's /data.
if ! tests/bids/same-outputs.sh "$work/local" "$work/slurm" ${image:+"$work/study" /data}; then
  echo "slurm test: the outputs of the Slurm jobs differ from those of a local run"
  exit 1
fi
echo "slurm test: $(wc -l <"$work/slurm/.quorvel-participants.txt") participants through Slurm${image:+ in $image}" \
     "($(( $(wc -l <"$work/slurm/group_bold.tsv") - 1 )) runs) equal a local -j 2 run"
