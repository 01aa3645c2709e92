#!/usr/bin/env bash
# Times `quorvel run` against two peers that compute less (mrtrix3's mrmath
# mean and std along time, nipype's TSNR) on one 64 x 64 x 40 x 600 float
# run, in interleaved rounds on the same file, and prints each peer's median
# wall and CPU (user + sys) time as a ratio to quorvel's, with the median
# peak memory of each. On a shared machine the CPU ratio is the steadier.
#
# Usage: bench/compare.sh [--rounds N] [--build DIR] [--run FILE.nii] [--work DIR]
#                         [--motion [--motion-volumes N]]
#
#   --rounds N   rounds of all four commands, in rotating order (default 5)
#   --build DIR  build folder holding quorvel and its plug-in (default build)
#   --run FILE   an existing 4D float run instead of the synthetic one
#   --work DIR   scratch folder for the run and the outputs (default a new
#                folder under /tmp, removed at the end)
#   --motion     instead, head motion: quorvel's estimate (build/bench/motion_bench)
#                against nipy's SpaceRealign (reference scan 0), time and accuracy
#                against the truth, on a 64 x 64 x 36 run of 16-bit volumes (TSNR 80,
#                AR(1) noise) made with known motion by the tests' generator
#   --motion-volumes N  volumes of that run (default 120; nipy takes about a second
#                each here)
#
# Installs Debian's mrtrix3 and python3-nipype when they are missing (via
# sudo when not root). Not part of the test suite or CI: it needs a quiet
# machine, about 1.5 GB of disk and a few minutes.
set -euo pipefail
cd "$(dirname "$0")/.."

rounds=5
motion=0
motionVolumes=120
build=build
run=""
work=""
while (($#)); do
  case $1 in
    --rounds) rounds=$2; shift 2 ;;
    --build) build=$2; shift 2 ;;
    --run) run=$2; shift 2 ;;
    --work) work=$2; shift 2 ;;
    --motion) motion=1; shift ;;
    --motion-volumes) motionVolumes=$2; shift 2 ;;
    -h|--help) sed -n '2,25p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "compare.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done

[[ $build == /* ]] || build=$PWD/$build
quorvel=$build/quorvel
[[ -x $quorvel ]] || { echo "compare.sh: no $quorvel; build the default preset first" >&2; exit 2; }
python=/usr/bin/python3  # Debian's, which the packages below install into

# --- Head motion against nipy ------------------------------------------------
if [[ $motion -eq 1 ]]; then
  if ! $python -c 'import nipy, scipy' 2>/dev/null; then
    sudo=""; [[ $(id -u) -ne 0 ]] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
      python3-nipy python3-scipy >/dev/null
  fi
  [[ -x $build/bench/motion_bench ]] || { echo "compare.sh: no $build/bench/motion_bench" >&2; exit 2; }
  if [[ -z $work ]]; then
    work=$(mktemp -d /tmp/quorvel-motion.XXXXXX)
    trap 'rm -rf "$work"' EXIT
  fi
  mkdir -p "$work"
  echo "== Making a 64 x 64 x 36 x $motionVolumes run with known motion"
  $python tests/motion/make_known_motion_run.py --size 64 64 36 --volumes "$motionVolumes" \
    --tsnr 80 80 --int16 --seed 22 "$work/motion.nii" "$work/motion.tsv"
  echo "== quorvel run on it (the whole call, motion included)"
  /usr/bin/time -f '%e s wall, %U s user, %S s sys' "$quorvel" run --quiet \
    --out "$work/quorvel-out" --settings-dir "$work/settings" "$work/motion.nii"
  echo "== quorvel's motion estimate alone"
  "$build/bench/motion_bench" --rounds "$rounds" --run "$work/motion.nii" --truth "$work/motion.tsv"
  echo "== nipy SpaceRealign"
  $python bench/nipy_motion.py "$work/motion.nii" "$work/motion.tsv"
  exit 0
fi

# --- Peers -------------------------------------------------------------------
if ! command -v mrmath >/dev/null || ! $python -c 'import nipype' 2>/dev/null; then
  sudo=""; [[ $(id -u) -ne 0 ]] && sudo="sudo"
  echo "== Installing mrtrix3 and python3-nipype"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
    mrtrix3 python3-nipype python3-nibabel python3-numpy >/dev/null
fi
[[ -x /usr/bin/time ]] || { echo "compare.sh: needs GNU time (/usr/bin/time)" >&2; exit 2; }

# --- The reference run -------------------------------------------------------
if [[ -z $work ]]; then
  work=$(mktemp -d /tmp/quorvel-compare.XXXXXX)
  trap 'rm -rf "$work"' EXIT
fi
mkdir -p "$work"
if [[ -z $run ]]; then
  run=$work/reference_bold.nii
  echo "== Making $run (64 x 64 x 40 voxels, 600 float volumes)"
  # A head-shaped ellipsoid of tissue near 1000 with noise, a slow drift and
  # rare spikes, in background near 40: the layout of a real run.
  $python - "$run" <<'PY'
import sys
import numpy as np
import nibabel as nib
rng = np.random.default_rng(12345)
x, y, z = np.meshgrid(np.linspace(-1, 1, 64), np.linspace(-1, 1, 64),
                      np.linspace(-1, 1, 40), indexing="ij")
inside = (x / 0.8) ** 2 + (y / 0.9) ** 2 + (z / 0.85) ** 2 <= 1.0
level = np.where(inside, 800 + 400 * rng.random(inside.shape), 40.0).astype(np.float32)
data = np.empty((64, 64, 40, 600), dtype=np.float32)
for v in range(600):
    noise = rng.standard_normal(inside.shape, dtype=np.float32) * 10
    spikes = (rng.random(inside.shape) < 0.002) * np.float32(150)
    data[..., v] = level + noise + np.float32(0.01 * v) + spikes
image = nib.Nifti1Image(data, np.diag([3.0, 3.0, 3.0, 1.0]))
image.header.set_xyzt_units("mm", "sec")
image.header["pixdim"][4] = 2.0
image.to_filename(sys.argv[1])
PY
fi

# --- The commands ------------------------------------------------------------
commands=(quorvel mrmath_mean mrmath_std nipype_tsnr)
# Sets `cmd` to the command line of one of `commands`.
command_of() {
  case $1 in
    quorvel) cmd=("$quorvel" run --out "$work/quorvel-out" --settings-dir "$work/settings"
                  "$run") ;;
    mrmath_mean) cmd=(mrmath "$run" mean "$work/mean.nii" -axis 3 -force -quiet) ;;
    mrmath_std) cmd=(mrmath "$run" std "$work/std.nii" -axis 3 -force -quiet) ;;
    nipype_tsnr) cmd=("$python" -c "import os; os.chdir('$work')
from nipype.algorithms.confounds import TSNR
TSNR(in_file='$run').run()") ;;
  esac
}

# Prints the wall seconds, the CPU seconds and the peak resident kilobytes
# of one command.
measure() {
  local cmd
  command_of "$1"
  rm -rf "$work/quorvel-out"
  if ! /usr/bin/time -f '%e %U %S %M' -o "$work/time.txt" "${cmd[@]}" >"$work/$1.log" 2>&1; then
    echo "compare.sh: $1 failed:" >&2
    tail -n 20 "$work/$1.log" >&2
    exit 1
  fi
  awk '{ print $1, $2 + $3, $4 }' "$work/time.txt"
}

echo "== $rounds interleaved rounds on $run"
declare -A times cpu memory
for ((r = 0; r < rounds; ++r)); do
  for ((i = 0; i < ${#commands[@]}; ++i)); do
    name=${commands[(i + r) % ${#commands[@]}]}
    figures=$(measure "$name") || exit 1
    read -r seconds cpuSeconds kb <<<"$figures"
    times[$name]+="$seconds "
    cpu[$name]+="$cpuSeconds "
    memory[$name]+="$kb "
    printf '  round %d  %-12s %6.2f s wall  %6.2f s CPU  %7.0f MB\n' $((r + 1)) "$name" \
      "$seconds" "$cpuSeconds" "$(awk -v k="$kb" 'BEGIN { print k / 1024 }')"
  done
done

median() { tr ' ' '\n' | grep -v '^$' | sort -g | awk '{a[NR]=$1} END {
  if (NR % 2) print a[(NR + 1) / 2]; else print (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }

echo "== Medians (ratio: the peer's time over quorvel's; above 1 means quorvel is faster)"
base=$(median <<<"${times[quorvel]}")
baseCpu=$(median <<<"${cpu[quorvel]}")
ratio() { awk -v t="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%5.2f", t / b; else print "  n/a" }'; }
for name in "${commands[@]}"; do
  t=$(median <<<"${times[$name]}")
  c=$(median <<<"${cpu[$name]}")
  m=$(median <<<"${memory[$name]}")
  printf '  %-12s %6.2f s wall (ratio %s)  %6.2f s CPU (ratio %s)  peak %7.0f MB\n' "$name" \
    "$t" "$(ratio "$t" "$base")" "$c" "$(ratio "$c" "$baseCpu")" \
    "$(awk -v k="$m" 'BEGIN { print k / 1024 }')"
done
