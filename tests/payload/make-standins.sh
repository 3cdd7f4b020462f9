#!/usr/bin/env bash
# Makes a folder of stand-ins for the DOS-stage components of outside origin, laid out
# as tools/make-payload.sh expects, so that tests can build and stage a complete payload.
# Usage: make-standins.sh OUT_DIR
set -euo pipefail
out=$1
rm -rf "$out"
mkdir -p "$out/floppy/NLS"
for name in IO.SYS COMMAND.COM HIMEM.SYS UMBPCI.SYS XMSMAN.EXE HDPMI32.EXE NDOS.EXE \
            CTMOUSE.EXE SHSURDRV.EXE SM.EXE RESTART.COM SHUTDOWN.COM FDAPM.COM \
            ATTRIB.COM XCOPY.EXE GHOST.EXE; do
  printf 'stand-in %s\r\n' "$name" > "$out/floppy/$name"
done
printf 'stand-in code page table\r\n' > "$out/floppy/NLS/CP936.NLS"
# A boot sector: a jump over the parameter block, then zeros and the boot signature.
{ printf '\xeb\x3c\x90'; head -c 507 /dev/zero; printf '\x55\xaa'; } > "$out/bootsect.bin"
# The loaders: distinct sizes and bytes that are not text, to catch a mixed-up copy, and a
# size the program takes for a real loader. Like the real ones, the boot sector names
# KXLDR, and the loader keeps its preset menu LZMA-compressed (no "kxdos.ima" in plain).
{ printf 'stand-in kxldr\x00\xff'; xz --format=lzma -c "$(dirname "$0")/../../resources/payload/menu.lst"
  head -c 20000 /dev/zero | tr '\0' '\x47'; } > "$out/kxldr"
{ printf 'stand-in kxldr.mbr\x00\xfe KXLDR '; head -c 9000 /dev/zero | tr '\0' '\x4d'; } > "$out/kxldr.mbr"
