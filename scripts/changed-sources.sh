#!/usr/bin/env bash
# Prints, one per line, the C++ sources a change touches, for the static
# checks that take too long to run on the whole tree at every test run.
#
# Usage: scripts/changed-sources.sh
#
# The change is, besides every uncommitted and untracked C++ file:
#  - QUORVEL_CHANGE_BASE set (a commit, e.g. the tip CI tested last): every
#    commit since it;
#  - on a branch off main: every commit since it left main;
#  - on main (also a detached checkout of it, as CI makes): its latest
#    commits, the latest first, while their files stay within
#    QUORVEL_CHANGE_FILES (default 20, a minute or two of clang-tidy on two
#    cores);
#    the latest commit always counts, a merge with all it brought.
# A header counts as a source that includes it (its own .cpp when it has
# one), since clang-tidy checks headers through the sources.
set -euo pipefail
cd "$(dirname "$0")/.."
budget=${QUORVEL_CHANGE_FILES:-20}
cxx=('*.cpp' '*.h')

# The C++ files a range of commits touched that still exist.
touched_since() {
  git diff --name-only --diff-filter=d "$1" HEAD -- "${cxx[@]}"
}

main_ref=
for ref in main origin/main; do
  if git rev-parse -q --verify "$ref^{commit}" >/dev/null; then
    main_ref=$ref
    break
  fi
done

changed=()
if [[ -n ${QUORVEL_CHANGE_BASE:-} ]]; then
  mapfile -t changed < <(touched_since "$QUORVEL_CHANGE_BASE")
elif [[ -n $main_ref ]] && ! git merge-base --is-ancestor HEAD "$main_ref"; then
  mapfile -t changed < <(touched_since "$(git merge-base HEAD "$main_ref")")
else
  commit=HEAD
  while git rev-parse -q --verify "$commit^1" >/dev/null; do
    mapfile -t more < <( (printf '%s\n' "${changed[@]}"
      git diff --name-only --diff-filter=d "$commit^1" "$commit" -- "${cxx[@]}") |
      sed '/^$/d' | sort -u)
    if [[ $commit != HEAD && ${#more[@]} -gt $budget ]]; then break; fi
    changed=("${more[@]}")
    commit=$commit^1
  done
  if [[ $commit == HEAD ]]; then
    echo "changed-sources.sh: HEAD has no parent here (a shallow clone?); set" \
      "QUORVEL_CHANGE_BASE or fetch more history to check committed files" >&2
  fi
fi
mapfile -t -O "${#changed[@]}" changed < <(git diff --name-only --diff-filter=d HEAD -- "${cxx[@]}")
mapfile -t -O "${#changed[@]}" changed < <(git ls-files --others --exclude-standard -- "${cxx[@]}")

# A source that includes HEADER: its own .cpp, else the first source that
# includes it by its path from the root, from its folder under src/, or by
# its name from beside it.
source_of_header() {
  local header=$1 stem=${1%.h}
  if [[ -f $stem.cpp ]]; then
    echo "$stem.cpp"
    return
  fi
  local includer
  includer=$( (git grep -l -F "#include \"$header\"" -- '*.cpp' || true
    git grep -l -F "#include \"${header#*/}\"" -- '*.cpp' || true
    git grep -l -F "#include \"$(basename "$header")\"" -- "$(dirname "$header")/*.cpp" || true) |
    head -n 1)
  [[ -z $includer ]] || echo "$includer"
}

for file in "${changed[@]}"; do
  [[ -f $file ]] || continue
  if [[ $file == *.h ]]; then
    source_of_header "$file"
  else
    echo "$file"
  fi
done | sort -u
