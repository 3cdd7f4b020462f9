#!/usr/bin/env bash
# Reads a built DOS-stage payload back with mtools and fsck.fat: size, geometry, OEM
# name, label, every batch and configuration file byte for byte, and, for a payload
# built from the stand-ins, the outside files and the loaders.
# Usage: check-image.sh PAYLOAD_DIR [STANDINS_DIR]
set -euo pipefail
dir=$1 standins=${2:-}
image=$dir/kxdos.ima
export MTOOLS_SKIP_CHECK=1
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
expect_eq() { [ "$2" = "$3" ] || fail "$1: expected '$3', got '$2'"; }

# Little-endian number of COUNT bytes at OFFSET of the image.
number() { od -An -tu"$2" -j "$1" -N "$2" "$image" | tr -d ' '; }
text_at() { dd if="$image" bs=1 skip="$1" count="$2" status=none; }

expect_eq size "$(stat -c %s "$image")" 2949120
fsck.fat -n "$image" >/dev/null || fail "fsck.fat reports errors"
expect_eq "OEM name" "$(text_at 3 8)" "OneKey  "
expect_eq "bytes per sector" "$(number 11 2)" 512
expect_eq "sectors per cluster" "$(number 13 1)" 2
expect_eq "reserved sectors" "$(number 14 2)" 1
expect_eq "FAT count" "$(number 16 1)" 2
expect_eq "root entries" "$(number 17 2)" 240
expect_eq "total sectors" "$(number 19 2)" 5760
expect_eq "media byte" "$(number 21 1)" 240
expect_eq "sectors per FAT" "$(number 22 2)" 9
expect_eq "sectors per track" "$(number 24 2)" 36
expect_eq "heads" "$(number 26 2)" 2
expect_eq "boot signature" "$(od -An -tx1 -j 510 -N 2 "$image" | tr -d ' ')" 55aa
expect_eq "boot sector label" "$(text_at 43 11)" "KX_OneKey  "
expect_eq "file system type" "$(text_at 54 8)" "FAT12   "
expect_eq "volume label" "$(mlabel -i "$image" -s :: | sed 's/ *$//')" " Volume label is KX_OneKey"

# The expected text of each file: its lines, each ended with CR LF.
lines() { printf '%s\r\n' "$@"; }
check_file() {
  local name=$1; shift
  local expected got
  expected=$(lines "$@" | od -An -c)
  got=$(mtype -i "$image" "::/$name" | od -An -c) || { fail "$name missing"; return; }
  [ "$got" = "$expected" ] || fail "$name differs from the expected bytes"
}

check_file CONFIG.SYS "DEVICE=HIMEM.SYS /TESTMEM:OFF" "DEVICE=UMBPCI.SYS /S" "FILES=40" \
  "BUFFERS=60" "DOS=HIGH,UMB" "STACKS=9,256" "LASTDRIVE=Z"
check_file MSDOS.SYS "[options]" "BootGUI=0" "DisableLog=1" "BootWarn=0" "BootMenu=0" \
  "BootMenuDefault=1" "BootMenuDelay=0" "DoubleBuffer=0" "Drvspace=0" "Dblspace=0" "Logo=0" \
  "SystemReg=0"
check_file AUTOEXEC.BAT "@echo on" "set tz=gmt-8" "set dircmd=/o:n" "set path=a:" "xmsman" \
  "set hdpmi=16384" "hdpmi32" "ndos -lfn -mountall -cp:936 > nul" "call batch.bat > nul" \
  "xmsman -c > nul" "if exist ghost.bat ghost.bat" "if not exist ghost.bat ctmouse" \
  'if not exist ghost.bat shsurdrv.exe /d:4096k:d512:$ram-drive,c /qq' \
  "if not exist ghost.bat sm" "if not exist ghost.bat restart"
# BATCH.BAT byte for byte as resources/payload holds it; what it does is the next-start
# model's to test, which runs that file.
got=$(mtype -i "$image" ::/BATCH.BAT | od -An -c) || fail "BATCH.BAT missing"
[ "$got" = "$(od -An -c < "$(dirname "$0")/../../resources/payload/BATCH.BAT")" ] || fail "BATCH.BAT differs from its source"
check_file S.BAT "@echo off" "shutdown.com" "fdapm.com poweroff > nul"

if [ -n "$standins" ]; then
  expect_eq mark "$(cat "$dir/payload.mark")" complete
  cmp -s "$dir/kxldr" "$standins/kxldr" || fail "kxldr is not the supplied loader"
  cmp -s "$dir/kxldr.mbr" "$standins/kxldr.mbr" || fail "kxldr.mbr is not the supplied loader"
  expect_eq "boot code" "$(od -An -tx1 -N 3 "$image" | tr -d ' ')" eb3c90
  # DOS finds its system files in the first directory entries.
  first=$(mdir -a -b -i "$image" :: | head -2 | tr '\n' ' ')
  expect_eq "first entries" "$first" "::/IO.SYS ::/COMMAND.COM "
  for f in "$standins"/floppy/*; do
    name=$(basename "$f")
    [ -f "$f" ] || continue
    cmp -s <(mtype -i "$image" "::/$name") "$f" || fail "$name not copied whole"
  done
  cmp -s <(mtype -i "$image" ::/NLS/CP936.NLS) "$standins/floppy/NLS/CP936.NLS" || fail "NLS folder missing"
else
  mark=$(cat "$dir/payload.mark")
  case $mark in complete|incomplete) ;; *) fail "payload.mark holds '$mark'" ;; esac
fi

[ $failures -eq 0 ] || exit 1
echo "payload image $image checked"
