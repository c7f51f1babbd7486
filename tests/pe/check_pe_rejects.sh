#!/usr/bin/env bash
# The checker must reject a binary that lacks each property, naming each one:
# the fixture is a console program without a version record or security flags
# that imports a DLL of its own.
set -uo pipefail
checker=$1 exe=$2 arch=$3
out=$("$checker" "$exe" "$arch")
status=$?
echo "$out"
[ $status -ne 0 ] || { echo "checker accepted the fixture"; exit 1; }
missing=0
for expected in "subsystem is not Windows GUI" "imports a non-system DLL" \
                "DYNAMIC_BASE (ASLR) not set" "NX_COMPAT (DEP) not set" "version record is not"; do
  grep -qF "$expected" <<<"$out" || { echo "not reported: $expected"; missing=1; }
done
other=i686; [ "$arch" = i686 ] && other=x86_64
grep -q "optional header magic" <<<"$("$checker" "$exe" "$other")" || { echo "wrong format not reported"; missing=1; }
exit $missing
