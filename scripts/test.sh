#!/usr/bin/env bash
# Runs every test of the project: the sources' layout, the static checks of
# the changed sources, the Linux suite with the package, help
# page and report checks, the BIDS study under bids-validator and Slurm, the
# portable tree in a bare Debian root and the container image built from
# nothing (through Slurm too), the same suite under AddressSanitizer and
# UndefinedBehaviorSanitizer, a short fuzzing run of every input the
# plug-in and the command parse, and the Windows DLL's tests under Wine.
# Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

scripts/install-deps.sh --windows --browser --bids --containers

echo "== Layout of the C++ sources (clang-format)"
scripts/check-style.sh --format

echo "== Linux build and test suite"
cmake --preset default
cmake --build --preset default -j"$jobs"
ctest --preset default -j"$jobs"

# The whole tree takes clang-tidy about ten minutes on two cores; the sources
# a change touches take a fraction of that and catch what the change brought.
echo "== Static checks of the C++ sources this change touches (clang-tidy)"
mapfile -t changed_sources < <(scripts/changed-sources.sh)
if [[ ${#changed_sources[@]} -gt 0 ]]; then
  scripts/check-style.sh --tidy "${changed_sources[@]}"
else
  echo "no C++ source changed"
fi
scripts/check-plugin-package.sh build
scripts/check-command-package.sh build
tests/help/check-help-page.sh

echo "== quorvel bids: the test study and its outputs under bids-validator, and through Slurm"
tests/bids/validator-test.sh build
tests/slurm/slurm-test.sh build

echo "== The portable tree in a bare Debian root, and the container image made from that root"
if [[ $(id -u) -eq 0 ]]; then
  # One debootstrap root per run, made from nothing, serves both.
  base_root=$(mktemp -d /tmp/quorvel-root-XXXXXX)
  scripts/make-debian-root.sh "$base_root/root"
  tests/containers/portable-tree-test.sh build "$base_root/root"
  tests/containers/image-test.sh build "$base_root/root"
  rm -rf "$base_root"
else
  echo "container tests: need root (debootstrap, chroot, podman); skipped"
fi

echo "== The same suite under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset sanitize
cmake --build --preset sanitize -j"$jobs"
ctest --preset sanitize -j"$jobs"

echo "== Fuzzing the inputs the plug-in and the command parse (libFuzzer, ${QUORVEL_FUZZ_SECONDS:-15} s each)"
cmake --preset fuzz
cmake --build --preset fuzz -j"$jobs"
fuzz_dir=$(mktemp -d)
for fuzzer in file_list_fuzzer text_files_fuzzer vtc_fuzzer nifti_run_fuzzer \
    command_text_fuzzer output_names_fuzzer bids_ignore_fuzzer iqm_table_fuzzer; do
  # A fuzzer with seeds in tests/fuzz/corpus/ starts from a copy of them.
  corpus=()
  if [[ -d tests/fuzz/corpus/$fuzzer ]]; then
    cp -r "tests/fuzz/corpus/$fuzzer" "$fuzz_dir/corpus-$fuzzer"
    corpus=("$fuzz_dir/corpus-$fuzzer")
  fi
  if (cd "$fuzz_dir" && TMPDIR="$fuzz_dir" "$OLDPWD/build-fuzz/tests/fuzz/$fuzzer" "${corpus[@]}" \
        -max_total_time="${QUORVEL_FUZZ_SECONDS:-15}" -max_len=4096 >"$fuzz_dir/log" 2>&1); then
    echo "$fuzzer: $(tail -n 1 "$fuzz_dir/log")"
  else
    tail -n 40 "$fuzz_dir/log"
    echo "$fuzzer found a failing input (kept in $fuzz_dir)"
    exit 1
  fi
done
rm -rf "$fuzz_dir"

if [[ -x tests/windows/run-under-wine.sh ]]; then
  echo "== Windows DLL under Wine"
  tests/windows/run-under-wine.sh
fi
echo "== All tests passed"
