#!/usr/bin/env bash
# Peak memory and time of `quorvel run` on runs of one voxel and many
# volumes, the shape where what the command keeps per volume (the log,
# the per-volume series, the report's data) outweighs the samples. For each
# volume count it makes a 1 x 1 x 1 x N float32 run and prints the samples'
# size, quorvel's maximum resident set, its ratio to the samples and the
# wall time, as /usr/bin/time -v measures them.
#
# Usage: bench/long_run_memory.sh [--build DIR] [--work DIR] [N ...]
#
#   --build DIR  build folder holding quorvel and its plug-in (default build)
#   --work DIR   scratch folder for the runs and outputs (default a new
#                folder under /tmp, removed at the end)
#   N ...        volume counts (default 1000000 10000000)
#
# Any further options of `quorvel run` go after `--`, e.g. -- --no-report.
# Not part of the test suite: it needs GNU time and, at 10^7 volumes, a
# minute and a few hundred MB of disk.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build
work=""
counts=()
extra=()
while (($#)); do
  case $1 in
    --build) build=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    --) shift; extra=("$@"); break ;;
    *) counts+=("$1"); shift ;;
  esac
done
((${#counts[@]})) || counts=(1000000 10000000)
[[ -x /usr/bin/time ]] || { echo "long_run_memory.sh: needs GNU time (/usr/bin/time)" >&2; exit 2; }
quorvel=$(realpath "$build/quorvel")
if [[ -z $work ]]; then
  work=$(mktemp -d /tmp/quorvel-long-run.XXXXXX)
  trap 'rm -rf "$work"' EXIT
fi
mkdir -p "$work"

# A NIfTI-1 float32 run of one voxel and `volumes` volumes, TR 2 s, whose
# samples wander about 1000 (above the plug-in's background level).
make_run() {
  python3 - "$1" "$2" <<'EOF'
import array, struct, sys
path, volumes = sys.argv[1], int(sys.argv[2])
header = bytearray(352)
struct.pack_into("<i", header, 0, 348)
struct.pack_into("<8h", header, 40, 4, 1, 1, 1, min(volumes, 32767), 1, 1, 1)
struct.pack_into("<hh", header, 70, 16, 32)
struct.pack_into("<8f", header, 76, 1, 1, 1, 1, 2, 1, 1, 1)
struct.pack_into("<ff", header, 108, 352, 0)
header[123] = 2 | 8  # mm and seconds
header[344:348] = b"n+1\0"
if volumes > 32767:
    # dim[4] is a short in NIfTI-1; longer runs go as NIfTI-2.
    header = bytearray(544)
    struct.pack_into("<i", header, 0, 540)
    header[4:12] = b"n+2\0\r\n\x1a\n"
    struct.pack_into("<hh", header, 12, 16, 32)
    struct.pack_into("<8q", header, 16, 4, 1, 1, 1, volumes, 1, 1, 1)
    struct.pack_into("<8d", header, 104, 1, 1, 1, 1, 2, 1, 1, 1)
    struct.pack_into("<q", header, 168, 544)
    struct.pack_into("<dd", header, 176, 0, 0)
    struct.pack_into("<i", header, 500, 2 | 8)
with open(path, "wb") as out:
    out.write(header)
    chunk = 1 << 20
    for start in range(0, volumes, chunk):
        n = min(chunk, volumes - start)
        out.write(array.array("f", (1000.0 + ((start + k) * 7919) % 101 for k in range(n))).tobytes())
EOF
}

printf '%12s %12s %12s %10s %10s  %s\n' volumes samples_MB max_rss_MB rss/samples seconds exit
for n in "${counts[@]}"; do
  run="$work/long_$n.nii"
  [[ -f $run ]] || make_run "$run" "$n"
  out="$work/out_$n"
  rm -rf "$out"
  status=0
  /usr/bin/time -v -o "$work/time_$n" "$quorvel" run "$run" -o "$out" "${extra[@]}" \
    >"$work/stdout_$n" 2>"$work/stderr_$n" || status=$?
  rss_kb=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time_$n")
  wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {print $2}' "$work/time_$n")
  seconds=$(awk -v t="$wall" 'BEGIN { n = split(t, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s }')
  samples_mb=$(awk -v n="$n" 'BEGIN { printf "%.1f", n * 4 / 1e6 }')
  rss_mb=$(awk -v k="$rss_kb" 'BEGIN { printf "%.1f", k * 1024 / 1e6 }')
  ratio=$(awk -v r="$rss_mb" -v s="$samples_mb" 'BEGIN { printf "%.2f", r / s }')
  printf '%12s %12s %12s %10s %10s  %s\n' "$n" "$samples_mb" "$rss_mb" "$ratio" "$seconds" "$status"
  ((status == 0)) || tail -2 "$work/stderr_$n" >&2
done
