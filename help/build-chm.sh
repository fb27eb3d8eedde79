#!/bin/sh
# build-chm.sh TOPICS STAGE OUTPUT: compiles the help project TOPICS/Varnolt.hhp into OUTPUT.
#
# chmcmd stores each context id's topic under the absolute path it compiled it from, and the help
# viewer looks that path up inside the file. So the topics are copied to STAGE and compiled with
# STAGE as the root directory ("/main_window.htm"): in a private user and mount namespace, with the
# system's library folders bound in for chmcmd and chroot into the stage. Nothing is mounted outside
# that namespace and nothing is left owned by another user.
set -eu
topics=$1 stage=$2 output=$3

chmcmd=$(command -v chmcmd) || { echo "chmcmd not found (Debian package fp-utils)" >&2; exit 1; }
chmcmd=$(readlink -f "$chmcmd")

rm -rf "$stage"
mkdir -p "$stage"
cp "$topics"/* "$stage"/
stage=$(cd "$stage" && pwd)
mounts=""
for d in usr lib lib64 lib32 libx32; do
    if [ -d "/$d" ] && [ ! -L "/$d" ]; then
        mkdir -p "$stage/$d"
        mounts="$mounts $d"
    fi
done

# The library folders may be symbolic links into /usr (merged /usr): those come along as links.
for d in lib lib64 lib32 libx32; do
    if [ -L "/$d" ]; then ln -sfn "$(readlink "/$d")" "$stage/$d"; fi
done

unshare --user --map-root-user --mount sh -c '
    stage=$1 chmcmd=$2; shift 2
    for d in "$@"; do mount --rbind "/$d" "$stage/$d" || exit 1; done
    exec chroot "$stage" "$chmcmd" --no-html-scan --verbosity 1 Varnolt.hhp' \
    sh "$stage" "$chmcmd" $mounts >"$stage/chmcmd.log" 2>&1 ||
    { cat "$stage/chmcmd.log" >&2; echo "chmcmd failed in its private root (needs unshare with user namespaces)" >&2; exit 1; }

[ -s "$stage/Varnolt.chm" ] || { cat "$stage/chmcmd.log" >&2; echo "chmcmd made no Varnolt.chm" >&2; exit 1; }
cp "$stage/Varnolt.chm" "$output"
