#!/bin/sh
# The container image's entry point: `quorvel bids` with the arguments the
# container was given (BIDS_DIR OUT_DIR LEVEL [options...]). An output
# folder on the container's own file system is refused before anything
# runs: whatever is written there is lost when the container goes, so an
# `-v HOST:/out` left out would otherwise cost a whole study's run.
# The check applies when the two folders come first, as BIDS Apps take them.
set -eu
if [ $# -ge 3 ] && [ "${1#-}" = "$1" ] && [ "${2#-}" = "$2" ] && [ "$3" != list ]; then
  existing=$2
  while [ ! -e "$existing" ]; do existing=$(dirname "$existing"); done
  if [ "$(findmnt -n -o TARGET --target "$existing")" = / ]; then
    echo "quorvel: $2: not a folder mounted into the container; its outputs would be lost" \
         "when the container stops (mount one, e.g. -v /path/to/outputs:$2)" >&2
    exit 2
  fi
fi
exec quorvel bids "$@"
