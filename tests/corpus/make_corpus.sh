#!/bin/sh
# Builds the real-code corpus: the raw bytes of every code section in the 32-bit MinGW
# libstdc++ and libgcc archives, one chunk per section so no command straddles two.
# Usage: make_corpus.sh OUT_FILE
set -eu

if [ $# -ne 1 ]; then
    echo "usage: $0 OUT_FILE" >&2
    exit 2
fi
out=$1
here=$(cd "$(dirname "$0")" && pwd)
objdump=i686-w64-mingw32-objdump

archives=$(dpkg -L g++-mingw-w64-i686-win32 gcc-mingw-w64-i686-win32 2>/dev/null |
           grep -E '/(libstdc\+\+|libgcc)\.a$' | sort -u || true)
if [ -z "$archives" ]; then
    echo "$0: libstdc++.a / libgcc.a of g++-mingw-w64-i686-win32 not found" >&2
    exit 1
fi
command -v "$objdump" >/dev/null || { echo "$0: $objdump missing (binutils-mingw-w64-i686)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM

# Objects in archive order; each archive gets its own folder so equal member names don't clash.
: >"$work/objects"
n=0
for archive in $archives; do
    n=$((n + 1))
    mkdir "$work/$n"
    (cd "$work/$n" && ar x "$archive")
    ar t "$archive" | while read -r member; do
        [ -f "$work/$n/$member" ] && echo "$work/$n/$member"
    done >>"$work/objects"
done

# One objdump run lists the sections of every object (file offset and size of each).
xargs "$objdump" -h <"$work/objects" >"$work/sections.txt"

mkdir -p "$(dirname "$out")"
python3 "$here/cut_sections.py" "$work/sections.txt" "$out.tmp"
mv "$out.tmp" "$out"
