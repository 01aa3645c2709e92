#!/usr/bin/env bash
# Checks the help page that ships as HelpFolder/index.html:
# - it is one self-contained file: no scripts, style sheets, images or
#   fonts from elsewhere, and every link points at a section of the page;
# - every setting of the dialog script (gui/Quorvel1_0.js) has its row, with
#   the dialog's label and default;
# - it renders in headless Chromium with an empty console.
#
# Usage: tests/help/check-help-page.sh [--screenshot OUT.png [--window-size W,H]]
#   (the options go to scripts/chromium-check.sh, to look at the page)
set -euo pipefail
cd "$(dirname "$0")/../.."
page=gui/HelpFolder/index.html
script=gui/Quorvel1_0.js
fail() { echo "FAILED: $page: $*" >&2; exit 1; }

# Self-contained: nothing loaded from another file or the network.
if grep -nEi '<(link|img|iframe|object|embed|video|audio|source)[ >]|<script[^>]*src=|src=|url\(|@import' "$page"; then
  fail "refers to another file (lines above); the page must stand alone"
fi
while read -r target; do
  grep -q "id=\"$target\"" "$page" || fail "link to #$target, which is no section of the page"
done < <(grep -oE 'href="#[^"]*"' "$page" | sed -E 's/href="#(.*)"/\1/' | sort -u)
if grep -nE 'href="[^#]' "$page"; then fail "links outside the page (lines above)"; fi

# The dialog's settings: one control a line, as
#   name: { label: "Label", checked: 0|1 ... }  or  name: { label: "Label", value: N ... }
settings=$(sed -nE 's/^ *([A-Za-z_]+): \{ label: "([^"]+)", (checked|value): ([0-9.]+).*/\1|\2|\3|\4/p' "$script")
[[ $(wc -l <<<"$settings") -eq 9 ]] || fail "expected the nine settings in $script, found: $settings"
while IFS='|' read -r name label kind value; do
  if [[ $kind == checked ]]; then
    default=$([[ $value == 1 ]] && echo on || echo off)
  else
    default=$value
  fi
  row=$(grep -F "<tr id=\"$name\">" "$page") || fail "no row for the setting $name"
  grep -qF "<th>$label</th><td>$default</td>" <<<"$row" ||
    fail "the row of $name does not read \"$label\", default \"$default\": $row"
done <<<"$settings"
echo "$page: self-contained; the nine settings of $script with their defaults"

scripts/chromium-check.sh "$page" "$@"
