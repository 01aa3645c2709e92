#!/usr/bin/env bash
# Builds the container image (scripts/build-image.sh) from a bare Debian
# root, loads it back from its docker-archive file as a cluster user's
# converter reads it, and runs it as a BIDS App: the tests' study through
# the participant and the group level must give the same files as the
# installed command; `quorvel demo` and `quorvel run` must work through
# --entrypoint; bad input must give the same message (the folders' names
# aside) and exit status as the installed command. Then the Slurm test
# once more, with the jobs running the image.
# Usage: tests/containers/image-test.sh BUILD_DIR BASE_ROOT
#   (as root; BASE_ROOT from scripts/make-debian-root.sh is copied, not changed)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(readlink -f "${1:?usage: $0 BUILD_DIR BASE_ROOT}")
base=$(readlink -f "${2:?usage: $0 BUILD_DIR BASE_ROOT}")
fail() { echo "image test: $*"; exit 1; }
podman=scripts/podman.sh
tag=localhost/quorvel-test:$$

work=$(mktemp -d /tmp/quorvel-image-test-XXXXXX)
cleanup() {
  umount "$work/read-only" 2>/dev/null || true
  "$podman" rmi -f "$tag" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

scripts/build-image.sh "$build" --root "$base" --tag "$tag" --archive "$work/image.tar"
"$podman" rmi -f "$tag" >/dev/null
"$podman" load -q -i "$work/image.tar" >/dev/null || fail "podman load of the saved archive"

study=$work/study
"$build/tests/cli/make_test_bids_dataset" "$study"
cmake --install "$build" --component command --prefix "$work/installed" >/dev/null
quorvel=$work/installed/bin/quorvel
container() { "$podman" run --rm --network none "$@"; }

mkdir "$work/out"
for level in participant group; do
  container -v "$study:/data:ro" -v "$work/out:/out" "$tag" /data /out "$level" -j 2 \
    >"$work/image.log" 2>&1 || { cat "$work/image.log"; fail "the image's $level level"; }
  "$quorvel" bids "$study" "$work/expected" "$level" -j 2 >"$work/host.log" 2>&1 ||
    { cat "$work/host.log"; fail "the installed quorvel bids $level"; }
  tests/bids/same-outputs.sh "$work/expected" "$work/out" "$study" /data ||
    fail "the image's $level level differs from the installed command's"
done

# The other commands, through the image's command itself.
run=$(cd "$study" && find sub-* -name '*_bold.nii.gz' | sort | head -n 1)
mkdir "$work/other"
container --entrypoint quorvel -v "$work/other:/out" "$tag" demo --out /out/demo >"$work/demo.log" 2>&1 ||
  { cat "$work/demo.log"; fail "quorvel demo in the image"; }
compgen -G "$work/other/demo/*_stat-tsnr_boldmap.nii.gz" >/dev/null || fail "the image's demo wrote no TSNR map"
container --entrypoint quorvel -v "$study:/data:ro" -v "$work/other:/out" "$tag" \
  run "/data/$run" --out /out/run >"$work/run.log" 2>&1 || { cat "$work/run.log"; fail "quorvel run in the image"; }
"$quorvel" run "$study/$run" --out "$work/expected-run" >"$work/run.log" 2>&1 ||
  { cat "$work/run.log"; fail "the installed quorvel run"; }
tests/bids/same-outputs.sh "$work/expected-run" "$work/other/run" "$study" /data ||
  fail "quorvel run in the image differs from the installed command's"

# Bad input: the image's /data and /out stand for the host's folders, so
# the messages are compared with those names put back.
mkdir "$work/empty" "$work/writable" "$work/read-only"
mount --bind "$work/writable" "$work/read-only"
mount -o remount,bind,ro "$work/read-only"
same_failure() {
  local what=$1 host_data=$2 host_out=$3
  shift 3
  local expected actual
  expected=$("$quorvel" bids "$host_data" "$host_out" "$@" 2>&1 >/dev/null) && fail "$what: the installed command succeeded"
  expected="$? ${expected//$host_data//data}"
  expected=${expected//$host_out//out}
  actual=$(container "${mounts[@]}" "$tag" /data /out "$@" 2>&1 >/dev/null) && fail "$what: the image succeeded"
  actual="$? $actual"
  [[ $actual == "$expected" ]] ||
    fail "$what: the image answers \"$actual\", the installed command \"$expected\" (status first)"
}
mounts=(-v "$work/writable:/out")
same_failure "a dataset folder not mounted" "$work/empty" "$work/writable" participant
mounts=(-v "$study:/data:ro" -v "$work/writable:/out:ro")
same_failure "a read-only output folder" "$study" "$work/read-only" participant
mounts=(-v "$study:/data:ro" -v "$work/writable:/out")
same_failure "a level that does not exist" "$study" "$work/writable" participants

# An output folder left unmounted would vanish with the container: refused.
status=0
message=$(container -v "$study:/data:ro" "$tag" /data /out participant 2>&1 >/dev/null) || status=$?
[[ $status -eq 2 && $message == "quorvel: /out: not a folder mounted into the container"* ]] ||
  fail "an unmounted /out gives status $status and \"$message\""

tests/slurm/slurm-test.sh "$build" --image "$tag"
echo "image test: the image from $(basename "$work/image.tar") ($(du -h "$work/image.tar" | cut -f1))" \
     "equals the installed command on the study, demo, run and bad input"
