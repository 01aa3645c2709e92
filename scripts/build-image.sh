#!/usr/bin/env bash
# Builds the container image of the quorvel command from nothing: a minimal
# Debian root (scripts/make-debian-root.sh), the command's Debian package
# from BUILD_DIR installed into it by apt with what it depends on, imported
# into podman with `quorvel bids` as its entry point (a BIDS App:
# IMAGE /data /out participant|group [options]), and saved as a
# docker-archive file that `apptainer build quorvel.sif docker-archive://FILE`
# converts on a cluster.
#
# Usage: scripts/build-image.sh BUILD_DIR [--root BASE_ROOT] [--tag NAME:TAG] [--archive FILE]
#   --root     start from a copy of this debootstrap root instead of making one
#   --tag      the image's name (default quorvel:VERSION)
#   --archive  where the archive goes (default BUILD_DIR/packages/quorvel-VERSION-image.tar)
# As root (debootstrap, chroot). podman runs through scripts/podman.sh. The
# package comes from cpack, which first builds what BUILD_DIR lacks.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
usage() { sed -n '10,15p' "$0" >&2; exit 2; }
fail() { echo "build-image: $*" >&2; exit 1; }
[[ $# -ge 1 ]] || usage
build=$(cd "$1" && pwd) || usage
shift
base="" tag="" archive=""
while [[ $# -gt 0 ]]; do
  case $1 in
    --root) base=${2:?}; shift 2 ;;
    --tag) tag=${2:?}; shift 2 ;;
    --archive) archive=${2:?}; shift 2 ;;
    *) usage ;;
  esac
done
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[[ -n $version ]] || fail "$build/CMakeCache.txt names no project version"
tag=${tag:-quorvel:$version}
archive=${archive:-$build/packages/quorvel-$version-image.tar}

work=$(mktemp -d /tmp/quorvel-image-XXXXXX)
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work/packages" >"$work/cpack.log" 2>&1) ||
  { cat "$work/cpack.log" >&2; fail "cpack -G DEB in $build"; }
debs=("$work"/packages/quorvel_*.deb)
[[ -f ${debs[0]} ]] || fail "cpack made no quorvel_*.deb"

root=$work/root
if [[ -n $base ]]; then
  cp -a "$base" "$root"
else
  "$here/make-debian-root.sh" "$root"
fi

# The package's own dependencies come from the mirror, as they would for a
# user: a dependency missing from the package leaves a command that does
# not start, which the image's tests then see.
cp "${debs[0]}" "$root/tmp/quorvel.deb"
in_root() {
  env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive LANG=C.UTF-8 \
    chroot "$root" "$@" >>"$work/apt.log" 2>&1 || { tail -n 30 "$work/apt.log" >&2; fail "in the root: $*"; }
}
in_root apt-get update -qq
in_root apt-get install -y -qq --no-install-recommends /tmp/quorvel.deb
in_root apt-get clean
rm -rf "$root"/tmp/quorvel.deb "$root"/var/lib/apt/lists/* "$root"/var/log/apt/* "$root"/var/cache/debconf/*-old
install -m 755 "$here/image/bids-app-entry.sh" "$root/usr/local/bin/quorvel-bids-app"
# Mount points a read-only image (Apptainer's) cannot make when binding.
mkdir -p "$root/data" "$root/out"

"$here/podman.sh" rmi -f "$tag" >/dev/null 2>&1 || true
tar -C "$root" --numeric-owner -c . |
  "$here/podman.sh" import --quiet \
    --change 'ENTRYPOINT ["/usr/local/bin/quorvel-bids-app"]' \
    --change 'ENV LANG=C.UTF-8' \
    --change 'WORKDIR /' \
    --message "quorvel $version" - "$tag" >/dev/null || fail "podman import of $root"
mkdir -p "$(dirname "$archive")"
rm -f "$archive"
"$here/podman.sh" save --quiet --format docker-archive -o "$archive" "$tag" >/dev/null ||
  fail "podman save $tag"
echo "image $tag ($(du -sh "$root" | cut -f1) root) saved as $archive ($(du -h "$archive" | cut -f1))"
