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
check_file BATCH.BAT \
  '@echo off' \
  'for %%b in (c d e f g h i j k l m n o p q r s t u v w x y z) do if exist %%b:\kxdos.ima set sd=%%b' \
  'if not exist %sd%:\kxdos.ima goto end' \
  'if exist %sd%:\boot.in_ attrib -h -s -r %sd%:\boot.in* > nul' \
  'if exist %sd%:\boot.in_ copy /y %sd%:\boot.in_ %sd%:\boot.ini > nul' \
  'if exist %sd%:\boot.in_ del %sd%:\boot.in_' \
  'if exist %sd%:\boot.ini attrib +h +s +r %sd%:\boot.ini > nul' \
  'if exist %sd%:\Boot\BCDKX attrib -h -s -r %sd%:\Boot\BCD > nul' \
  'if exist %sd%:\Boot\BCDKX copy /y %sd%:\Boot\BCDKX %sd%:\Boot\BCD > nul' \
  'if exist %sd%:\Boot\BCDKX del %sd%:\Boot\BCDKX' \
  'if exist %sd%:\Boot\BCD attrib +h +s +r %sd%:\Boot\BCD > nul' \
  'if exist %sd%:\ghost.* attrib -h -s -r %sd%:\ghost.* > nul' \
  'if exist %sd%:\ghost.ex_ xcopy %sd%:\ghost.ex_ ghost.exe /y' \
  'if exist %sd%:\ghost.ex_ del %sd%:\ghost.ex_' \
  'if exist %sd%:\ghost.txt xcopy %sd%:\ghost.txt ghost.txt /y' \
  'if exist %sd%:\ghost.txt del %sd%:\ghost.txt' \
  'if exist %sd%:\ghost.ba_ xcopy %sd%:\ghost.ba_ ghost.bat /y' \
  'if exist %sd%:\kxdos.im* attrib -h -s -r %sd%:\kxdos.im* > nul' \
  'if exist %sd%:\kxdos.ima del %sd%:\kxdos.ima' \
  'if exist %sd%:\kxdos.im_ ren %sd%:\kxdos.im_ kxdos.ima' \
  'if exist %sd%:\kxdos.ima attrib +h +s +r %sd%:\kxdos.ima > nul' \
  'if exist %sd%:\KXLDR*.* attrib -h -s -r %sd%:\KXLDR*.* > nul' \
  'if exist %sd%:\KXLDR del %sd%:\KXLDR' \
  'if exist %sd%:\KXLDR_ ren %sd%:\KXLDR_ KXLDR' \
  'if exist %sd%:\KXLDR.mbr del %sd%:\KXLDR.mbr' \
  'if exist %sd%:\KXLDR.mb_ ren %sd%:\KXLDR.mb_ KXLDR.mbr' \
  'if exist %sd%:\KXLDR*.* attrib +h +s +r %sd%:\KXLDR*.* > nul' \
  'for %%b in (bootlog.txt hiberfil.sys pagefile.sys) do if exist %sd%:\%%b attrib -h -s -r %sd%:\%%b > nul' \
  'for %%b in (bootlog.txt hiberfil.sys pagefile.sys) do if exist %sd%:\%%b del %sd%:\%%b' \
  'if exist %sd%:\ghost.ba_ del %sd%:\ghost.ba_' \
  'if exist %sd%:\ghost.* attrib +h +s +r %sd%:\ghost.* > nul' \
  ':end' \
  'exit'
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
