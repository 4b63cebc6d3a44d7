#!/bin/sh
# The shared library exports exactly its documented family: the fits_ and
# p_fits_ operations (type-decorated), the banner and FITSImport (plain).
set -eu
lib="$1"
expected="Copyright1999Tarnwell
FITSImport
fits_anykeyfind
fits_append
fits_close
fits_floatwrite
fits_init
fits_keyfind
fits_keyinsert
fits_modify
fits_put
fits_read
fits_remove
fits_write
p_fits_copy
p_fits_newopen
p_fits_open
p_fits_resize"
actual=$(nm -D --defined-only -C "$lib" | awk '$2 ~ /^[TWDBRV]$/ { $1 = ""; $2 = ""; print }' |
         sed 's/^ *//; s/(.*//' | sort -u)
if [ "$actual" != "$expected" ]; then
    echo "exported names differ from the family:"
    printf '%s\n' "$actual" > /tmp/orbex-exports-actual.$$
    printf '%s\n' "$expected" | diff - /tmp/orbex-exports-actual.$$ || true
    rm -f /tmp/orbex-exports-actual.$$
    exit 1
fi
# The banner and FITSImport carry plain names; the rest are decorated.
nm -D --defined-only "$lib" | grep -q ' T Copyright1999Tarnwell$'
nm -D --defined-only "$lib" | grep -q ' T FITSImport$'
nm -D --defined-only "$lib" | grep -q ' T _Z9fits_readP10FITSHEADERPffbS1_$'
echo "exports OK"
