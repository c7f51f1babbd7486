#!/usr/bin/env bash
# Checks a built Windows executable the way a virus scanner or a packager
# looks at it: format and machine, GUI subsystem, imports limited to DLLs that
# ship with Windows, ASLR and DEP flags, and the version record.
#
#   check_pe.sh EXE i686|x86_64
#
# Prints one line per failed property and exits 1 if any failed.
set -uo pipefail
exe=$1 arch=$2
# The 64-bit binutils read both PE32 and PE32+.
objdump=x86_64-w64-mingw32-objdump
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

headers=$("$objdump" -p "$exe") || { echo "FAIL: not a PE file: $exe"; exit 1; }
format=$("$objdump" -f "$exe")

case $arch in
  i686)   magic='010b' machine='file format pei-i386' ;;
  x86_64) magic='020b' machine='file format pei-x86-64' ;;
  *) echo "unknown arch $arch"; exit 2 ;;
esac
grep -qE "^Magic[[:space:]]+$magic" <<<"$headers" || fail "optional header magic is not $magic"
grep -q "$machine" <<<"$format" || fail "machine is not $arch"

grep -qE '^Subsystem[[:space:]]+00000002' <<<"$headers" || fail "subsystem is not Windows GUI"

# DLLs that every supported Windows provides; anything else (libstdc++-6,
# libgcc_s, libwinpthread-1, ...) would have to be shipped beside the exe.
system_dlls='^(kernel32|user32|gdi32|msvcrt|comctl32|advapi32|shell32|ole32|oleaut32|comdlg32|uxtheme|ntdll)\.dll$'
while read -r dll; do
  lower=$(tr '[:upper:]' '[:lower:]' <<<"$dll")
  grep -qE "$system_dlls" <<<"$lower" || fail "imports a non-system DLL: $dll"
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")

characteristics=$(sed -n '/^DllCharacteristics/,/^[A-Z]/p' <<<"$headers")
grep -q DYNAMIC_BASE <<<"$characteristics" || fail "DYNAMIC_BASE (ASLR) not set"
grep -q NX_COMPAT <<<"$characteristics" || fail "NX_COMPAT (DEP) not set"
if [ "$arch" = x86_64 ]; then
  grep -q HIGH_ENTROPY_VA <<<"$characteristics" || fail "HIGH_ENTROPY_VA not set"
fi

version=$(exiftool -s -s -s -ProductName -FileVersion -ProductVersion \
                   -FileVersionNumber -ProductVersionNumber "$exe" 2>/dev/null | paste -sd'|')
[ "$version" = 'Halverne|1.0.0.0|1.0.0.0|1.0.0.0|1.0.0.0' ] ||
  fail "version record is not Halverne 1.0.0.0 (found: ${version:-none})"

[ $failures -eq 0 ] && echo "ok: $exe"
[ $failures -eq 0 ]
