#!/usr/bin/env bash
# Checks that zandrel_od.so defines exactly the five exports and links only the C/C++ runtime.
set -euo pipefail
lib=$1
expected="Assemble Disasm Disassembleback Disassembleforward VB_SetOptions"
actual=$(nm -D --defined-only "$lib" | awk '$2 ~ /^[TWDBR]$/ {print $3}' | sort | tr '\n' ' ' | sed 's/ $//')
if [ "$actual" != "$expected" ]; then
    echo "exports differ: got '$actual', want '$expected'"
    exit 1
fi
needed=$(readelf -d "$lib" | awk '/NEEDED/ {gsub(/[\[\]]/, "", $5); print $5}' | sort | tr '\n' ' ')
for n in $needed; do
    case "$n" in
        libstdc++.so.*|libm.so.*|libgcc_s.so.*|libc.so.*|ld-linux*|libasan.so.*|libubsan.so.*) ;;
        *) echo "unexpected dependency: $n"; exit 1 ;;
    esac
done
echo "exports: $actual"
echo "1 passed, 0 failed"
