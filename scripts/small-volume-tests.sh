#!/usr/bin/env bash
# Runs the export tests that need real small volumes: a 256 KB volume that fills up and a
# read-only one, each a tmpfs mapped to a Wine drive letter (K: and L:).
#
#   small-volume-tests.sh BUILD_DIR [gtest arguments...]
#
# The mounts live in a private mount namespace (unshare -m), so nothing outside sees them and
# they go when the test ends. Wine's server opens files itself, so it must run inside that
# namespace too: it runs on an overlay of the build's test prefix (its own server, since the
# overlay is another folder), whose changes are thrown away afterwards. Needs the right to make
# mounts (root, or a user namespace with unshare -r).
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR [gtest arguments...]" >&2; exit 2; }
build=$(cd "$1" && pwd)
shift
prefix=$build/wine-null
if [ ! -d "$prefix/drive_c" ]; then
    echo "no test prefix at $prefix: run scripts/test.sh first" >&2
    exit 1
fi
userns=()
[ "$(id -u)" = 0 ] || userns=(-r)
# Where mounts cannot be made, say so and let ctest count the test as skipped.
if ! unshare "${userns[@]}" -m --propagation private sh -c 'd=$(mktemp -d) && mount -t tmpfs -o size=64k tmpfs "$d" && umount "$d" && rmdir "$d"'; then
    echo "cannot make a private mount namespace with a tmpfs here (unshare -m, mount -t tmpfs): skipped" >&2
    exit 77
fi
exec unshare "${userns[@]}" -m --propagation private bash -s "$build" "$@" <<'INNER'
set -euo pipefail
build=$1
shift
work=$(mktemp -d /tmp/ksv-volumes.XXXXXX)
mount -t tmpfs -o size=64m tmpfs "$work"
mkdir -p "$work/full" "$work/readonly" "$work/upper" "$work/overlay-work" "$work/prefix"
mount -t tmpfs -o size=256k,mode=0777 tmpfs "$work/full"
mount -t tmpfs -o ro,size=64k tmpfs "$work/readonly"
mount -t overlay overlay \
    -o "lowerdir=$build/wine-null,upperdir=$work/upper,workdir=$work/overlay-work" "$work/prefix"
ln -sfn "$work/full" "$work/prefix/dosdevices/k:"
ln -sfn "$work/readonly" "$work/prefix/dosdevices/l:"
export WINEPREFIX=$work/prefix
trap 'wineserver -k 2>/dev/null || true; wineserver -w 2>/dev/null || true; umount -R "$work" 2>/dev/null; rmdir "$work"' EXIT
df -h "$work/full" "$work/readonly" | sed 's/^/volumes: /'
KSV_FULL_VOLUME='K:\' KSV_READONLY_VOLUME='L:\' \
    "$build/wine-run.sh" "$build/bin/reliability_tests.exe" --gtest_filter='ExportTarget.*' "$@"
INNER
