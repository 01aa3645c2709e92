#!/usr/bin/env bash
# Fails when docs/command-line.md and the command's --help texts disagree:
# an option that a subcommand's --help prints but no table row of its section of
# the page defines, or an option the page names that the --help does not
# print.
#
# Usage: help-options-documented.sh QUORVEL_EXECUTABLE COMMAND_LINE_MD
#
# The page is cut at its level-2 headings; a heading that names `quorvel` or
# `quorvel SUB` in backticks holds options of those commands (one heading may
# name several, for options they share). Options named outside such sections
# must still be printed by some --help.
set -euo pipefail
quorvel=$1
page=$2
[[ -x $quorvel ]] || { echo "$quorvel: not an executable" >&2; exit 2; }
[[ -r $page ]] || { echo "$page: cannot be read" >&2; exit 2; }

# The names an option entry of a --help text begins with. An entry is a line
# whose first word starts with '-', indented less than the descriptions'
# column (30 unless an app sets it), so that a wrapped description starting
# with an option is none; its names run until the first word that is not one
# ("-o,--out TEXT", "-h,     --help", "--no-csv  The opposite...",
# "--no-dataset-description{false}"), so that the description's mentions of
# other options are left out.
help_options() {
  awk '
    $1 ~ /^-/ && match($0, /^[[:space:]]*/) && RLENGTH < 16 {
      for (w = 1; w <= NF; ++w) {
        n = split($w, names, ",")
        named = 0
        for (p = 1; p <= n; ++p) {
          if (names[p] == "") continue
          sub(/^!/, "", names[p])
          # A default or a value may be glued on: "--name{false}".
          if (!match(names[p], /^--?[A-Za-z][A-Za-z0-9-]*/) ||
              substr(names[p], RLENGTH + 1) !~ /^([{=:[].*)?$/) { named = -1; break }
          print substr(names[p], 1, RLENGTH); named = 1
        }
        if (named != 1) break
      }
    }' | sort -u
}

# The subcommands the top-level --help lists: the first word of each
# indented line under a "Subcommands:" header, in any case.
subcommands() {
  awk '
    tolower($0) ~ /^[[:space:]]*subcommands:?[[:space:]]*$/ { inside = 1; next }
    inside && /^[[:space:]]*$/ { inside = 0 }
    inside && /^[[:space:]]+[a-z]/ { print $1 }
    inside && /^[^[:space:]]/ { inside = 0 }'
}

# The commands the page's level-2 headings name, one per line.
page_commands() {
  # shellcheck disable=SC2016  # the backticks are the page's, not the shell's
  grep -E '^## ' "$page" | grep -oE '`quorvel( [a-z]+)?`' | tr -d '`' | sort -u
}

# The option-shaped words of the page's section for LABEL ("quorvel run"; ""
# for the sections that name no command): words starting with '-' or '--' and a
# letter, not glued to a word before them (so "sub-01" is no option). With
# "defined", only those in the first cell of a table row, where the page
# defines an option; with "named", those anywhere in the section.
page_options() {
  local label=$1 where=$2
  awk -v label="$label" -v where="$where" '
    BEGIN { mine = (label == "") }
    /^## / {
      mine = 0; anyCommand = 0
      line = $0
      while (match(line, /`quorvel( [a-z]+)?`/)) {
        anyCommand = 1
        if (substr(line, RSTART + 1, RLENGTH - 2) == label) mine = 1
        line = substr(line, RSTART + RLENGTH)
      }
      if (label == "") mine = !anyCommand
      next
    }
    mine && where == "named" { print }
    mine && where == "defined" && /^\|/ { split($0, cells, "|"); print cells[2] }' "$page" |
    grep -oE '(^|[^A-Za-z0-9_-])--?[A-Za-z][A-Za-z0-9-]*' |
    sed -E 's/^[^-]+//' | sort -u
}

status=0
commands=("")
mapfile -t -O 1 commands < <("$quorvel" --help | subcommands)
if [[ ${#commands[@]} -lt 2 ]]; then
  echo "quorvel --help lists no subcommand: its layout is not read right by this check"
  exit 1
fi

all_help=$(mktemp)
trap 'rm -f "$all_help"' EXIT
for command in "${commands[@]}"; do
  label="quorvel${command:+ $command}"
  # shellcheck disable=SC2086  # the top level has no subcommand word
  help=$("$quorvel" $command --help | help_options)
  if [[ -z $help ]]; then
    echo "$label --help prints no option: its layout is not read right by this check"
    status=1
    continue
  fi
  echo "$help" >>"$all_help"
  missing=$(comm -23 <(echo "$help") <(page_options "$label" defined))
  extra=$(comm -13 <(echo "$help") <(page_options "$label" named))
  if [[ -n $missing ]]; then
    echo "$page: no table row of the section headed \`$label\` defines what \`$label --help\` prints: ${missing//$'\n'/ }"
    status=1
  fi
  if [[ -n $extra ]]; then
    echo "$page: the section headed \`$label\` names what \`$label --help\` does not print: ${extra//$'\n'/ }"
    status=1
  fi
done

# A section for a command that does not exist documents nothing real.
labels=$(for command in "${commands[@]}"; do echo "quorvel${command:+ $command}"; done | sort -u)
stray=$(comm -13 <(echo "$labels") <(page_commands))
if [[ -n $stray ]]; then
  echo "$page: has sections headed by commands that quorvel --help does not list: $stray"
  status=1
fi

# Sections that name no command may mention any option, but only real ones.
unknown=$(comm -13 <(sort -u "$all_help") <(page_options "" named))
if [[ -n $unknown ]]; then
  echo "$page: names options that no --help prints: ${unknown//$'\n'/ }"
  status=1
fi
[[ $status -eq 0 ]] && echo "every option of ${#commands[@]} --help texts is in $page, and no other"
exit $status
