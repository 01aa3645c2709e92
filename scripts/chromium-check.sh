#!/usr/bin/env bash
# Opens an HTML file in headless Chromium (Debian's chromium) and fails when
# the page writes anything to its console or throws: every console message
# and uncaught exception is printed, and the exit status is then 1. A page
# under test is expected to print nothing. With --screenshot, also renders
# the page to a PNG file to look at.
#
# Usage: scripts/chromium-check.sh FILE.html [--screenshot OUT.png] [--window-size W,H]
#   --window-size  the viewport for the screenshot, default 1280,1024
#
# Each run uses a fresh profile and no network services, so nothing of an
# earlier run or of the user's own browser plays a part. Exit status: 0 when
# the page loaded with an empty console, 1 when it logged or threw, 2 when
# Chromium could not load it.
set -euo pipefail

usage() { echo "usage: $0 FILE.html [--screenshot OUT.png] [--window-size W,H]" >&2; exit 2; }
[[ $# -ge 1 ]] || usage
page=$1
shift
screenshot=""
window_size=1280,1024
while [[ $# -gt 0 ]]; do
  case $1 in
    --screenshot) [[ $# -ge 2 ]] || usage; screenshot=$2; shift 2 ;;
    --window-size) [[ $# -ge 2 ]] || usage; window_size=$2; shift 2 ;;
    *) usage ;;
  esac
done
[[ -f $page ]] || { echo "$page: no such file" >&2; exit 2; }
command -v chromium >/dev/null || { echo "chromium is not installed (scripts/install-deps.sh --browser installs it)" >&2; exit 2; }

url="file://$(cd "$(dirname "$page")" && pwd)/$(basename "$page")"
work=$(mktemp -d "${TMPDIR:-/tmp}/chromium-check.XXXXXX")
trap 'rm -rf "$work"' EXIT

if [[ -n $screenshot ]]; then
  mkdir -p "$(dirname "$screenshot")"
  action=(--screenshot="$(cd "$(dirname "$screenshot")" && pwd)/$(basename "$screenshot")"
          --window-size="$window_size" --hide-scrollbars)
else
  action=(--dump-dom)
fi

status=0
timeout 120 chromium --headless --no-sandbox --disable-gpu \
  --user-data-dir="$work/profile" --no-first-run --no-default-browser-check \
  --disable-background-networking --disable-component-update --disable-sync \
  --disable-default-apps --disable-extensions --metrics-recording-only --mute-audio \
  --virtual-time-budget=2000 --enable-logging=stderr --v=0 \
  "${action[@]}" "$url" >"$work/stdout" 2>"$work/stderr" || status=$?
if [[ $status -ne 0 ]]; then
  tail -n 20 "$work/stderr" >&2
  echo "$page: chromium failed with status $status" >&2
  exit 2
fi
if [[ -n $screenshot && ! -s $screenshot ]]; then
  echo "$page: no screenshot written to $screenshot" >&2
  exit 2
fi

# Chromium logs every console message, of any level, with ":CONSOLE", and an
# uncaught exception as one of them starting with "Uncaught".
messages=$(grep -E ':CONSOLE|Uncaught' "$work/stderr" | sed -E 's/^\[[^]]*\] ?//' || true)
if [[ -n $messages ]]; then
  echo "$page: the console is not empty:" >&2
  echo "$messages" >&2
  exit 1
fi
echo "$page: loaded in Chromium, console empty${screenshot:+; screenshot in $screenshot}"
